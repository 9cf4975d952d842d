// ligawin32: the desktop program.
//
//   ligawin32 [--data DIR] [--config FILE] [/NET]
//             [--first-paint-exit] [--screenshot DIR [--dialogs]]
//
// --first-paint-exit quits right after the first paint of the main window (start-up time
// measurements); --screenshot writes main.png (and with --dialogs konfig.png and
// lottn.png) of the window as it starts into DIR and quits.
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <QMessageBox>
#include <QSocketNotifier>
#include <QTimer>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "app/shell.h"
#include "common/encoding.h"
#include "gui/main_form.h"
#include "gui/qt_ui.h"
#include "gui/screenshots.h"
#include "gui/swedish.h"

namespace {

int g_signalPipe[2] = {-1, -1};

// SIGTERM and SIGINT close the window the way "avsluta" does, so a session that ends or a
// terminal's Ctrl-C still closes the competition and writes the configuration back.
void onSignal(int) {
  const char c = 1;
  [[maybe_unused]] const auto n = write(g_signalPipe[1], &c, 1);
}

long long realtimeNanoseconds() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return static_cast<long long>(ts.tv_sec) * 1000000000LL + ts.tv_nsec;
}

}  // namespace

int main(int argc, char** argv) {
  // Answered before the window system is touched, so they work without a display.
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("ligawin32 %s\n", LIGA_VERSION);
      return 0;
    }
    if (std::strcmp(argv[i], "--help") == 0) {
      std::printf(
          "användning: ligawin32 [--data KATALOG] [--config FIL] [/NET]\n"
          "se även: man ligawin32, liga help\n");
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("LigaWin32"));
  QApplication::setDesktopFileName(QStringLiteral("ligawin32"));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/ligawin32.png")));
  liga::gui::InstallSwedishTranslations(app);

  if (const std::string problem = liga::FoldersProblem(); !problem.empty()) {
    QMessageBox::critical(nullptr, QStringLiteral("LigaWin32"), QString::fromStdString(problem));
    return 1;
  }

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
  // A second copy on a data directory in use says so and ends: without its data it could
  // offer nothing, and its configuration must not replace the first copy's.
  options.lockRefusalNote = liga::Utf8ToCp1252(
      "\n\nligawin32 avslutas utan att ändra något; konfigurationen lämnas som den är.");
  form.FormCreate(options);
  if (shell.refusedAtStartup()) {
    form.FormDestroy();
    return 1;
  }
  if (pipe(g_signalPipe) == 0) {
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &form);
    QObject::connect(notifier, &QSocketNotifier::activated, &form, [&form] { form.close(); });
    std::signal(SIGTERM, onSignal);
    std::signal(SIGINT, onSignal);
  }
  if (firstPaintExit) {
    // Prints the wall-clock time of the first paint for the start-up measurement.
    form.onFirstPaint = [&form] {
      std::printf("first-paint-ns %lld\n", realtimeNanoseconds());
      std::fflush(stdout);
      QTimer::singleShot(0, &form, [&form] { form.close(); });
    };
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
