// ligawin32: the desktop program.
//
//   ligawin32 [--data DIR] [--config FILE] [/NET]
//             [--first-paint-exit] [--screenshot DIR [--dialogs]]
//
// --first-paint-exit quits right after the first paint of the main window (start-up time
// measurements); --screenshot writes main.png (and with --dialogs konfig.png and
// lottn.png) of the window as it starts into DIR and quits.
#include <QApplication>
#include <QIcon>
#include <QTimer>
#include <cstdio>
#include <string>
#include <vector>

#include "app/shell.h"
#include "gui/main_form.h"
#include "gui/qt_ui.h"
#include "gui/screenshots.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("LigaWin32"));
  QApplication::setDesktopFileName(QStringLiteral("ligawin32"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/ligawin32.png")));

  liga::StartupOptions options;
  bool firstPaintExit = false;
  std::string screenshotDir;
  bool dialogs = false;
  const QStringList args = QApplication::arguments();
  for (int i = 1; i < args.size(); ++i) {
    const QString a = args[i];
    if (a == QLatin1String("--data") && i + 1 < args.size()) {
      options.dataDir = args[++i].toStdString();
    } else if (a == QLatin1String("--config") && i + 1 < args.size()) {
      options.configFile = args[++i].toStdString();
    } else if (a == QLatin1String("--first-paint-exit")) {
      firstPaintExit = true;
    } else if (a == QLatin1String("--screenshot") && i + 1 < args.size()) {
      screenshotDir = args[++i].toStdString();
    } else if (a == QLatin1String("--dialogs")) {
      dialogs = true;
    } else {
      options.args.push_back(a.toStdString());
    }
  }

  liga::Shell shell;
  liga::gui::QtUi ui;
  liga::ScopedUi scoped(ui);
  if (!screenshotDir.empty()) ui.setScripted(true);
  liga::gui::TMainForm form(shell, ui);
  form.FormCreate(options);
  if (firstPaintExit) {
    form.onFirstPaint = [&form] { QTimer::singleShot(0, &form, [&form] { form.close(); }); };
  }
  form.show();
  if (!screenshotDir.empty()) {
    QTimer::singleShot(300, &form, [&] {
      liga::gui::WriteScreenshots(form, screenshotDir, dialogs);
      form.close();
    });
  } else if (!firstPaintExit) {
    QTimer::singleShot(0, &form, [&form] { form.offerDemo(); });
  }
  const int status = app.exec();
  form.FormDestroy();
  return status;
}
