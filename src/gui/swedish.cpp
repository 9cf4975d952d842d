#include "gui/swedish.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstring>

namespace liga::gui {
namespace {

// The standard buttons' texts (context "QPlatformTheme" in Qt 6) and the few texts of the
// file dialog and its model that Qt's Swedish catalogue predates.
class ButtonTexts final : public QTranslator {
 public:
  using QTranslator::QTranslator;
  bool isEmpty() const override { return false; }
  QString translate(const char* context, const char* source, const char* disambiguation,
                    int n) const override {
    (void)disambiguation;
    (void)n;
    if (context == nullptr || source == nullptr) return {};
    static const char* const kContexts[] = {"QPlatformTheme", "QFileDialog", "QFileSystemModel",
                                            "QAbstractFileIconProvider", "QFileIconProvider"};
    bool ours = false;
    for (const char* c : kContexts) ours = ours || std::strcmp(context, c) == 0;
    if (!ours) return {};
    struct Entry {
      const char* source;
      const char* swedish;
    };
    static const Entry kEntries[] = {
        {"OK", "OK"},
        {"&OK", "&OK"},
        {"Save", "Spara"},
        {"&Save", "&Spara"},
        {"Save All", "Spara alla"},
        {"Open", "Öppna"},
        {"&Open", "&Öppna"},
        {"Cancel", "Avbryt"},
        {"&Cancel", "&Avbryt"},
        {"Close", "Stäng"},
        {"&Close", "&Stäng"},
        {"Close without Saving", "Stäng utan att spara"},
        {"Discard", "Förkasta"},
        {"Don't Save", "Spara inte"},
        {"Apply", "Verkställ"},
        {"Reset", "Återställ"},
        {"Restore Defaults", "Återställ standardvärden"},
        {"Help", "Hjälp"},
        {"Yes", "Ja"},
        {"&Yes", "&Ja"},
        {"Yes to All", "Ja till alla"},
        {"No", "Nej"},
        {"&No", "&Nej"},
        {"No to All", "Nej till alla"},
        {"Abort", "Avbryt"},
        {"Retry", "Försök igen"},
        {"Ignore", "Ignorera"},
        {"&Choose", "&Välj"},
        {"Look in:", "Leta i:"},
        {"Computer", "Dator"},
        {"My Computer", "Den här datorn"},
        {"Folder", "Mapp"},
        {"File Folder", "Filmapp"},
    };
    for (const Entry& e : kEntries) {
      if (std::strcmp(e.source, source) == 0) return QString::fromUtf8(e.swedish);
    }
    return {};
  }
};

}  // namespace

bool InstallSwedishTranslations(QCoreApplication& app) {
  QLocale::setDefault(QLocale(QLocale::Swedish, QLocale::Sweden));
  auto* qt = new QTranslator(&app);
  const bool found =
      qt->load(QLocale(QLocale::Swedish, QLocale::Sweden), QStringLiteral("qt"),
               QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
  if (found) QCoreApplication::installTranslator(qt);
  // Installed last, so it is asked first: its few texts override nothing else.
  QCoreApplication::installTranslator(new ButtonTexts(&app));
  return found;
}

}  // namespace liga::gui
