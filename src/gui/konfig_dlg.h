// TEKonfigDlg ("inställningar"): the report and label settings blocks of the configuration.
//
// The dialog works on the configuration's selected blocks. Selecting a tab first stores the
// block shown (fields into the block, its name into the main record, the block into its
// place in the file), then loads the chosen block and makes it the selected one. Closing
// with OK stores both shown blocks and remembers the page; it closes only when both stores
// succeed. "Avbryt", Escape and the window's close button throw every change away: the
// configuration file and the blocks in memory are as they were when the dialog opened.
#pragma once

#include <QDialog>
#include <QFont>
#include <array>
#include <functional>
#include <optional>

#include "app/config.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTabBar;
class QTabWidget;

namespace liga::gui {

// Conversions between the blocks' font description and Qt's.
QFont ToQFont(const FontSpec& font);
FontSpec FromQFont(const QFont& font, std::uint32_t colour = 0);

class TEKonfigDlg : public QDialog {
 public:
  TEKonfigDlg(Configuration& config, QWidget* parent = nullptr);

  // Seams: the font and printer choices (default: QFontDialog, QPrintDialog and
  // QPageSetupDialog).
  std::function<std::optional<QFont>(const QFont& current)> chooseFont;
  std::function<bool(PrinterSpec& printer, PageLayoutSpec& page, bool pageSetup)> choosePrinter;

  // Stores the shown blocks; false (with a status message) when a field is refused.
  bool storeReport();
  bool storeLabel();
  // The tab change of each page (stores first; refused when the store fails).
  bool selectReportTab(int index);
  bool selectLabelTab(int index);
  // Font buttons: kind 0 "stor", 1 "mellan", 2 "liten".
  void reportFontClick(int kind);
  void labelFontClick(int kind);
  void reportPrinterClick(bool pageSetup);
  void labelPrinterClick(bool pageSetup);
  // A click on picture n (0..4): the picture-open dialog, then the preview.
  void pictureClick(int n);
  void okButtonClick();
  void cancelButtonClick();

  QString statusText() const;

 protected:
  void done(int result) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QWidget* buildReportPage();
  QWidget* buildLabelPage();
  void showReport();
  void showLabel();
  void loadPreview(int n);
  void markTabs();
  void status(const QString& text);
  QLineEdit* fontField(QWidget* parent, const char* name, const char* hint);
  void showFont(QLineEdit* field, const FontSpec& font);

  Configuration& m_config;
  QTabWidget* m_pages = nullptr;
  QTabBar* m_reportTabs = nullptr;
  QTabBar* m_labelTabs = nullptr;
  int m_shownReport = 1;
  int m_shownLabel = 1;
  bool m_switching = false;
  // The configuration as it was at opening, for "Avbryt".
  MainConfig m_mainAtOpen;
  ReportSettingsBlock m_reportAtOpen;
  LabelSettingsBlock m_labelAtOpen;
  std::optional<std::string> m_fileAtOpen;
  void restoreOpening();

  QLineEdit* m_rapportnamn = nullptr;
  QLineEdit* m_fottext = nullptr;
  QLineEdit* m_raPrinter = nullptr;
  std::array<QLineEdit*, 3> m_raFonts{};
  QSpinBox* m_columns = nullptr;
  std::array<QCheckBox*, 5> m_active{};
  std::array<QSpinBox*, 5> m_pictureSize{};
  std::array<QLabel*, 5> m_pictures{};
  std::array<QString, 5> m_picturePaths;
  QPushButton* m_raPageSetup = nullptr;

  QLineEdit* m_etikettnamn = nullptr;
  QLineEdit* m_etPrinter = nullptr;
  std::array<QLineEdit*, 3> m_etFonts{};
  QSpinBox* m_xn = nullptr;
  QSpinBox* m_yn = nullptr;
  QSpinBox* m_copies = nullptr;
  QSpinBox* m_ymarg = nullptr;
  QSpinBox* m_xmarg = nullptr;
  QSpinBox* m_yh = nullptr;
  QSpinBox* m_xw = nullptr;
  QSpinBox* m_ydeln = nullptr;
  QSpinBox* m_xdeln = nullptr;
  QPushButton* m_etPageSetup = nullptr;

  // The printer and fonts as chosen, held until the store.
  PrinterSpec m_raPrinterSpec, m_etPrinterSpec;
  PageLayoutSpec m_raPage, m_etPage;
  std::array<FontSpec, 3> m_raFontSpecs, m_etFontSpecs;

  QStatusBar* m_status = nullptr;
};

}  // namespace liga::gui
