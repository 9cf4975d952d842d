#include "gui/main_form.h"
#include "gui/reg_form_dlg.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolButton>
#include <filesystem>
#include <fstream>

#include "app/main_commands.h"
#include "common/messages.h"
#include "common/progress.h"
#include "gui/lottn_dlg.h"
#include "gui/report_commands.h"
#include "gui_test_env.h"
#include "reports/grid.h"
#include "scheduling/random.h"
#include "scheduling/run.h"
#include "support/file_io.h"

namespace liga::gui {
namespace {

namespace fs = std::filesystem;

class MainFormTest : public testing::GuiTest {
 protected:
  QString dataPanel() { return control<QLabel>("sbData")->text(); }
  bool enabled(const char* name) {
    if (auto* a = m_form->findChild<QAction*>(QString::fromLatin1(name))) return a->isEnabled();
    auto* w = m_form->findChild<QWidget*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w != nullptr && w->isEnabled();
  }
  void trigger(const char* name) { control<QAction>(name)->trigger(); }
  void click(const char* name) { control<QAbstractButton>(name)->click(); }

  void addCompetitions(int count) {
    ScopedUi scoped(m_ui);
    Database& db = m_shell->db();
    if (!db.catalogueAvailable()) {
      ASSERT_TRUE(db.createCatalogue());
    }
    for (int i = 0; i < count; ++i) {
      ASSERT_TRUE(db.selectCompetition(0, true));
      db.comp().setCompetitionName("CUP " + std::to_string(i + 1));
      ASSERT_TRUE(db.storeCompetition(true));
      ASSERT_TRUE(db.createCompetitionFiles());
    }
    m_form->refresh();
  }
};

TEST_F(MainFormTest, WithoutDataOnlyTheDataCommandsAreEnabled) {
  start();
  EXPECT_EQ(dataPanel(), QStringLiteral("<datafiler saknas>"));
  EXPECT_TRUE(m_form->windowTitle().startsWith(QStringLiteral("LigaWin32.2025 250228")));
  // Nothing is enabled that needs data; the commands outside the rule stay enabled.
  for (const char* c : {"vlj1", "new", "importera", "tbKopiera", "mnuXregister", "change",
                        "spelfrdela1", "tbKlass", "tbGame", "raderaallamedl", "mnuRegister"}) {
    EXPECT_FALSE(enabled(c)) << c;
  }
  for (const char* c : {"skapanya1", "avsluta", "buttonDataLib", "buttonKonfig", "infobutton",
                        "editbutton", "quitbutton"}) {
    EXPECT_TRUE(enabled(c)) << c;
  }
  for (int k = 0; k < 10; ++k) {
    QAction* v = control(QStringLiteral("v%1").arg(k, 2, 10, QLatin1Char('0')).toLatin1());
    QAction* r = control(QStringLiteral("r%1").arg(k, 2, 10, QLatin1Char('0')).toLatin1());
    EXPECT_EQ(v->text(), QStringLiteral("vakant"));
    EXPECT_EQ(r->text(), QStringLiteral("vakant"));
    EXPECT_FALSE(v->isEnabled());
    EXPECT_FALSE(r->isEnabled());
  }
  // Light blue, at least the design size.
  EXPECT_EQ(m_form->palette().color(QPalette::Window), QColor(166, 202, 240));
  EXPECT_GE(m_form->width(), 545);
  EXPECT_GE(m_form->height(), 312);
}

TEST_F(MainFormTest, ACompetitionWithoutTeams) {
  start();
  addCompetitions(1);
  trigger("v00");
  EXPECT_EQ(dataPanel(), QString::fromUtf8("Tävling: CUP 1 <inga lag inmatade>"));
  EXPECT_TRUE(control("v00")->isChecked());
  EXPECT_EQ(control("v00")->text(), QStringLiteral("CUP 1"));
  EXPECT_EQ(control("v01")->text(), QStringLiteral("vakant"));
  for (const char* c : {"mnuRegister", "change", "spelfrdela1", "tbKlass", "tbLag", "radera1"}) {
    EXPECT_TRUE(enabled(c)) << c;
  }
  for (const char* c : {"raderaallamedl", "tbGame", "tbResultat", "lag1", "medlemmar1"}) {
    EXPECT_FALSE(enabled(c)) << c;
  }
  // The class register opens as a window of its own.
  QString opened;
  const ModalRunner previous = SetModalRunner([&](QDialog& d) { opened = d.windowTitle(); });
  trigger("mnuMedlReg");
  SetModalRunner(previous);
  EXPECT_EQ(opened, QString::fromUtf8("register klass/division"));
}

TEST_F(MainFormTest, DeletingTheCurrentAndAnotherCompetition) {
  start();
  addCompetitions(3);
  trigger("v01");
  ASSERT_EQ(m_shell->db().currentCompetition(), 2);

  m_ui.setNextAnswer(Answer::Yes);
  trigger("r02");  // another one: competition 2 is open again and stays current
  EXPECT_EQ(control("r02")->text(), QStringLiteral("raderad"));
  EXPECT_FALSE(control("v02")->isEnabled());
  EXPECT_TRUE(control("v01")->isChecked());
  EXPECT_EQ(dataPanel(), QString::fromUtf8("Tävling: CUP 2 <inga lag inmatade>"));
  EXPECT_EQ(m_shell->config().main().currentCompetition(), 2);

  m_ui.setNextAnswer(Answer::No);  // refused: nothing changes
  trigger("r00");
  EXPECT_EQ(control("v00")->text(), QStringLiteral("CUP 1"));
  EXPECT_EQ(m_shell->db().currentCompetition(), 2);
  EXPECT_TRUE(m_shell->db().competitionOpen());

  m_ui.setNextAnswer(Answer::Yes);
  trigger("r01");  // the current one: none is current
  EXPECT_EQ(dataPanel(), QString::fromUtf8("<tävling ej vald/inmatad>"));
  EXPECT_EQ(m_shell->config().main().currentCompetition(), 0);
  for (const char* v : {"v00", "v01", "v02"}) EXPECT_FALSE(control(v)->isChecked()) << v;
  EXPECT_FALSE(enabled("spelfrdela1"));
  EXPECT_TRUE(enabled("new"));
}

TEST_F(MainFormTest, MessageBarShiftsAndInfoShowsTheRecordSizes) {
  start();
  click("infobutton");
  EXPECT_EQ(control<QLabel>("sbMessage0")->text(),
            QStringLiteral("1a=2233 2=562 3a=11665 4=863 5=966 6=322 7=  9"));
  const QString before = control<QLabel>("sbMessage0")->text();
  trigger("change");  // without data: nothing, the bar unchanged
  EXPECT_EQ(control<QLabel>("sbMessage0")->text(), before);
  ShowMessage(1, "ett");
  ShowMessage(1, "tv\xE5");
  EXPECT_EQ(control<QLabel>("sbMessage0")->text(), QString::fromUtf8("två"));
  EXPECT_EQ(control<QLabel>("sbMessage1")->text(), QStringLiteral("ett"));
  EXPECT_EQ(control<QLabel>("sbMessage2")->text(), before);
}

TEST_F(MainFormTest, EditorFailureIsReportedWithABeep) {
  start();
  setenv("VISUAL", "/nonexistent/editor", 1);
  const std::string path = getenv("PATH") ? getenv("PATH") : "";
  setenv("PATH", "/nonexistent", 1);
  const int beeps = m_ui.beeps;
  click("editbutton");
  setenv("PATH", path.c_str(), 1);
  unsetenv("VISUAL");
  EXPECT_TRUE(control<QLabel>("sbMessage0")->text().startsWith(QStringLiteral("winexecfel: ")));
  EXPECT_EQ(m_ui.beeps, beeps + 1);
}

TEST_F(MainFormTest, FirstStartOffersTheDemo) {
  start();
  m_ui.setNextAnswer(Answer::No);
  m_form->offerDemo();
  EXPECT_EQ(dataPanel(), QStringLiteral("<datafiler saknas>"));
  ASSERT_FALSE(m_ui.shown.empty());
  EXPECT_EQ(m_ui.shown.back().kind, MessageKind::Question);
  m_ui.setNextAnswer(Answer::Yes);
  m_form->offerDemo();
  EXPECT_EQ(dataPanel(), QStringLiteral("Tävling: DEMOSERIEN 2027"));
  // With a catalogue it is not offered again.
  const auto asked = m_ui.shown.size();
  m_form->offerDemo();
  EXPECT_EQ(m_ui.shown.size(), asked);
}

TEST_F(MainFormTest, QuitWritesTheConfigurationBack) {
  start();
  m_ui.setNextAnswer(Answer::Yes);
  m_form->offerDemo();
  m_form->resize(700, 400);
  click("quitbutton");
  const std::string bytes = liga::testing::ReadFile(m_configFile);
  ASSERT_EQ(bytes.size(), kConfigFileSize);
  MainConfig main;
  std::memcpy(main.data(), bytes.data(), kMainConfigSize);
  EXPECT_EQ(main.slotCompetition(kProgramSlot), 1);
  EXPECT_EQ(main.windowWidth(), 700);
  EXPECT_EQ(main.windowHeight(), 400);
}

// The scheduling dialog's checks, driven through its controls.
TEST_F(MainFormTest, SchedulingDialogChecks) {
  start();
  m_ui.setNextAnswer(Answer::Yes);
  m_form->offerDemo();
  const fs::path existing = m_dir / "finns.lot";
  std::ofstream(existing) << "x";
  bool shown = false;
  m_form->runLottnDialog = [&](TLottnDlgForm& d) {
    shown = true;
    d.show();
    auto* p = d.findChild<QSpinBox*>("Edit8");
    auto* m = d.findChild<QSpinBox*>("Edit10");
    auto* out = d.findChild<QLineEdit*>("edUtfil");
    auto* ok = d.findChild<QPushButton*>("okButton");
    EXPECT_TRUE(p && m && out && ok);
    if (!(p && m && out && ok)) return false;
    EXPECT_EQ(d.findChild<QLabel*>("lbAktuell3")->text(), QStringLiteral("101"));
    // The P/M rule with T = 101 matches.
    p->setValue(10);
    EXPECT_EQ(m->value(), 11);  // ceil(101 / 10)
    EXPECT_EQ(p->value(), 10);  // ceil(101 / 11)
    m->setValue(16);
    EXPECT_EQ(p->value(), 7);   // ceil(101 / 16)
    EXPECT_EQ(m->value(), 15);  // ceil(101 / 7)
    EXPECT_EQ(p->maximum(), 4800);
    EXPECT_EQ(m->maximum(), 16);

    const int beeps = m_ui.beeps;
    out->clear();
    ok->click();
    EXPECT_EQ(d.statusText(), QString::fromUtf8("Filnamn för import/exportfil måste anges."));
    EXPECT_EQ(m_ui.beeps, beeps + 1);
    EXPECT_EQ(d.focusWidget(), out);
    EXPECT_TRUE(d.isVisible());

    out->setText(QString::fromStdString(existing.string()));
    m_ui.setNextAnswer(Answer::No);
    ok->click();
    EXPECT_EQ(d.statusText(), QString::fromUtf8("Ändra filnamnet för import/exportfil."));
    EXPECT_TRUE(d.isVisible());
    return false;  // cancel: nothing is written
  };
  trigger("spelfrdela1");
  EXPECT_TRUE(shown);
  std::ifstream in(existing);
  std::string content;
  in >> content;
  EXPECT_EQ(content, "x");
  EXPECT_FALSE(control("spelfrdela1")->isChecked());
}

// "avbryt" in the progress window in the middle of a scheduling run: no file, the window
// usable again.
TEST_F(MainFormTest, SchedulingRunCancelledFromItsProgressWindow) {
  start();
  m_ui.setNextAnswer(Answer::Yes);
  m_form->offerDemo();
  const fs::path lot = m_dir / "avbruten.lot";
  m_form->runLottnDialog = [&](TLottnDlgForm& d) {
    d.findChild<QLineEdit*>("edUtfil")->setText(QString::fromStdString(lot.string()));
    d.findChild<QPushButton*>("okButton")->click();
    return d.result() == QDialog::Accepted;
  };
  int updates = 0;
  bool pressed = false;
  m_ui.onPendingInput = [&] {
    if (pressed || ++updates < 4) return;
    for (int depth = 3; depth >= 0; --depth) {
      ProgressWindow* w = m_ui.progressWindow(depth);
      if (w != nullptr && w->cancelButton() != nullptr) {
        EXPECT_FALSE(m_form->isEnabled());  // disabled while the run shows its progress
        w->cancelButton()->click();
        pressed = true;
        return;
      }
    }
  };
  trigger("spelfrdela1");
  m_ui.onPendingInput = nullptr;
  EXPECT_TRUE(pressed);
  EXPECT_FALSE(fs::exists(lot));
  EXPECT_FALSE(control("spelfrdela1")->isChecked());
  EXPECT_EQ(OpenProgressWindows(), 0);
  EXPECT_TRUE(m_form->isEnabled());
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(MainFormTest, RemovingAllTeamsRefreshesTheState) {
  start();
  m_ui.setNextAnswer(Answer::Yes);
  m_form->offerDemo();
  ASSERT_TRUE(enabled("tbResultat"));
  m_ui.setNextAnswer(Answer::No);
  trigger("raderaallamedl");
  EXPECT_TRUE(enabled("tbResultat"));
  for (int i = 0; i < 3; ++i) m_ui.setNextAnswer(Answer::Yes);
  trigger("raderaallamedl");
  EXPECT_EQ(dataPanel(), QString::fromUtf8("Tävling: DEMOSERIEN 2027 <inga lag inmatade>"));
  EXPECT_FALSE(enabled("tbResultat"));
  EXPECT_FALSE(enabled("raderaallamedl"));
  EXPECT_TRUE(enabled("tbLag"));
}

TEST_F(MainFormTest, ExportsAndBackupGoThroughTheirPickers) {
  start();
  m_ui.setNextAnswer(Answer::Yes);
  m_form->offerDemo();
  m_ui.setNextPick((m_dir / "lagen").string());
  trigger("lag1");
  EXPECT_TRUE(fs::exists(m_dir / "lagen.lgw"));  // the default extension
  m_ui.setNextPick(std::nullopt);                // cancelled: nothing
  trigger("freningen1");
  EXPECT_EQ(m_shell->config().main().lastExchangePath(), (m_dir / "lagen.lgw").string());

  const fs::path backup = m_dir / "kopia";
  fs::create_directories(backup);
  m_ui.setNextPick(backup.string());
  click("tbKopiera");
  int copied = 0;
  for (const auto& e : fs::directory_iterator(backup)) copied += e.is_regular_file();
  EXPECT_GE(copied, 4);
  EXPECT_EQ(dataPanel(), QStringLiteral("Tävling: DEMOSERIEN 2027"));  // open again after it

  // The backup comes back as competition 2, beside the original, and is opened.
  m_ui.setNextPick(backup.string());
  trigger("aterstall1");
  EXPECT_EQ(m_shell->db().currentCompetition(), 2);
  EXPECT_EQ(dataPanel(), QStringLiteral("Tävling: DEMOSERIEN 2027"));

  // The calendar through the save picker.
  m_ui.setNextPick((m_dir / "lagen.ics").string());
  trigger("kalender1");
  const std::string ics = liga::testing::ReadFile(m_dir / "lagen.ics");
  EXPECT_EQ(ics.rfind("BEGIN:VCALENDAR\r\n", 0), 0u);
  EXPECT_NE(ics.find("END:VCALENDAR\r\n"), std::string::npos);  // the demo has no matches yet
}

TEST_F(MainFormTest, ChangingTheDataDirectory) {
  start();
  addCompetitions(1);
  trigger("v00");
  const fs::path other = m_dir / "annan";
  fs::create_directories(other);
  m_ui.setNextPick(other.string() + "/");
  click("buttonDataLib");
  EXPECT_EQ(dataPanel(), QStringLiteral("<datafiler saknas>"));
  EXPECT_EQ(control<QLabel>("sbDataDir")->text(), QString::fromStdString(other.string()));
  EXPECT_EQ(m_shell->config().main().dataDir(), other.string());
  EXPECT_FALSE(enabled("vlj1"));

  m_ui.setNextPick(std::nullopt);  // cancelled: the directory stays
  click("buttonDataLib");
  EXPECT_EQ(m_shell->config().main().dataDir(), other.string());

  m_ui.setNextPick(m_data.string());
  click("buttonDataLib");
  EXPECT_EQ(control("v00")->text(), QStringLiteral("CUP 1"));
  EXPECT_TRUE(enabled("vlj1"));
}

TEST_F(MainFormTest, ADataDirectoryThatCannotBeSavedIsReportedAtOnce) {
  start();
  // Nothing can replace a folder where the configuration file was.
  fs::remove(m_configFile);
  fs::create_directory(m_configFile);
  const fs::path other = m_dir / "annan";
  fs::create_directories(other);
  m_ui.shown.clear();
  m_ui.setNextPick(other.string());
  click("buttonDataLib");
  bool reported = false;
  for (const auto& s : m_ui.shown) {
    if (s.kind == MessageKind::Error && s.text.find("kunde inte sparas") != std::string::npos &&
        s.text.find(m_configFile.string()) != std::string::npos)
      reported = true;
  }
  EXPECT_TRUE(reported);
  m_form.reset();
  fs::remove(m_configFile);
}

TEST_F(MainFormTest, NewRefusesAnEleventhCompetitionWithABeep) {
  start();
  addCompetitions(10);
  const int beeps = m_ui.beeps;
  trigger("new");
  EXPECT_EQ(control<QLabel>("sbMessage0")->text(),
            QString::fromUtf8("Max antal tävlingar uppnått!"));
  EXPECT_EQ(m_ui.beeps, beeps + 1);
  for (int k = 0; k < 10; ++k) {
    EXPECT_TRUE(
        control(QStringLiteral("v%1").arg(k, 2, 10, QLatin1Char('0')).toLatin1())->isEnabled());
  }
}

TEST_F(MainFormTest, CreatingNewDataFilesAsksFirst) {
  start();
  addCompetitions(2);
  trigger("v00");
  m_ui.setNextAnswer(Answer::No);
  trigger("skapanya1");
  EXPECT_EQ(m_ui.shown.back().text, "Befintliga datafiler kommer att f\xF6rst\xF6ras. OK?");
  EXPECT_EQ(control("v01")->text(), QStringLiteral("CUP 2"));
  EXPECT_TRUE(enabled("spelfrdela1"));
  m_ui.setNextAnswer(Answer::Yes);
  trigger("skapanya1");
  EXPECT_EQ(control("v00")->text(), QStringLiteral("vakant"));
  EXPECT_EQ(dataPanel(), QString::fromUtf8("<tävling ej vald/inmatad>"));
  EXPECT_TRUE(enabled("new"));
  EXPECT_FALSE(enabled("spelfrdela1"));
}

TEST_F(MainFormTest, IndexRebuildKeepsTheCompetitionOpen) {
  start();
  m_ui.setNextAnswer(Answer::Yes);
  m_form->offerDemo();
  for (int i = 0; i < 3; ++i) m_ui.setNextAnswer(Answer::Yes);
  trigger("indexbygg1");
  EXPECT_EQ(dataPanel(), QStringLiteral("Tävling: DEMOSERIEN 2027"));
  EXPECT_TRUE(enabled("tbResultat"));
  EXPECT_EQ(OpenProgressWindows(), 0);
}

// Closing the window while a command runs (its progress window lets the close through)
// waits for the command; then the window closes and writes the configuration.
TEST_F(MainFormTest, CloseDuringACommandWaitsForIt) {
  start();
  m_ui.setNextAnswer(Answer::Yes);
  m_form->offerDemo();
  m_form->show();
  const fs::path lot = m_dir / "klar.lot";
  m_form->runLottnDialog = [&](TLottnDlgForm& d) {
    auto* p = d.findChild<QSpinBox*>("Edit8");
    p->findChild<QLineEdit*>()->setText(QStringLiteral("10"));  // typed, not yet entered
    d.findChild<QLineEdit*>("edUtfil")->setText(QString::fromStdString(lot.string()));
    d.findChild<QPushButton*>("okButton")->click();
    EXPECT_EQ(d.findChild<QSpinBox*>("Edit10")->value(), 11);  // the typed P counted
    return d.result() == QDialog::Accepted;
  };
  bool closed = false;
  m_ui.onPendingInput = [&] {
    if (closed || OpenProgressWindows() == 0) return;
    closed = true;
    m_form->close();
    EXPECT_TRUE(m_shell->db().competitionOpen());  // nothing shut down yet
  };
  trigger("spelfrdela1");
  m_ui.onPendingInput = nullptr;
  ASSERT_TRUE(closed);
  EXPECT_TRUE(fs::exists(lot));  // the run went to its end
  EXPECT_TRUE(m_form->isVisible());
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
  EXPECT_FALSE(m_form->isVisible());
  EXPECT_FALSE(m_shell->db().competitionOpen());
}

TEST_F(MainFormTest, StartUpFailuresAreShownAsDialogs) {
  fs::create_directories(m_configFile.parent_path());
  std::ofstream(m_configFile, std::ios::binary) << std::string(317111, '\0');
  start();
  ASSERT_FALSE(m_ui.shown.empty());
  EXPECT_EQ(m_ui.shown.front().kind, MessageKind::Warning);
  EXPECT_EQ(m_ui.shown.front().text.rfind("Versionskonflikt av konfigurationsfilen \"", 0), 0u);
  EXPECT_EQ(fs::file_size(m_configFile), kConfigFileSize);
}

TEST_F(MainFormTest, FirstStartFitsTheScreenAndMenusOpenFromTheKeyboard) {
  start();
  const QSize screen = QApplication::primaryScreen()->availableSize();
  // Not the 545 x 312 design size on a larger screen: about half of it, at least the design.
  EXPECT_GE(m_form->width(), std::max(545, screen.width() / 2));
  EXPECT_GE(m_form->height(), std::max(312, screen.height() / 2));
  EXPECT_LE(m_form->width(), std::max(545, screen.width()));
  // Every menu has its Alt letter, and F10 opens the first one.
  QStringList titles;
  for (QAction* a : m_form->menuBar()->actions()) {
    EXPECT_TRUE(a->text().contains(QLatin1Char('&'))) << a->text().toStdString();
    const int amp = a->text().indexOf(QLatin1Char('&'));
    titles << a->text().mid(amp + 1, 1).toLower();
  }
  titles.removeDuplicates();
  EXPECT_EQ(titles.size(), m_form->menuBar()->actions().size()) << "two menus share a letter";
  auto* f10 = m_form->findChild<QShortcut*>(QStringLiteral("menuKey"));
  ASSERT_NE(f10, nullptr);
  EXPECT_EQ(f10->key(), QKeySequence(Qt::Key_F10));
  m_form->show();
  QApplication::processEvents();
  Q_EMIT f10->activated();
  EXPECT_EQ(m_form->menuBar()->activeAction(), m_form->menuBar()->actions().first());
}

TEST_F(MainFormTest, GeometryAndScaleComeFromTheConfiguration) {
  {
    fs::create_directories(m_configFile.parent_path());
    Configuration c;
    ASSERT_TRUE(c.writeDefaults(m_configFile.string(), m_data.string()));
    c.main().setWindowScale(150);
    c.main().setWindowLeft(40);
    c.main().setWindowTop(30);
    c.main().setWindowWidth(900);
    c.main().setWindowHeight(520);
    c.main().setSlotDataDir(kProgramSlot, (m_dir / "borta").string());  // unreachable
    ASSERT_TRUE(c.save());
  }
  start();
  EXPECT_EQ(control<QSpinBox>("udSkala")->value(), 150);
  EXPECT_EQ(m_form->minimumSize(), QSize(545 * 150 / 100, 312 * 150 / 100));
  EXPECT_EQ(m_form->size(), QSize(900, 520));
  EXPECT_EQ(m_form->frameGeometry().topLeft(), QPoint(40, 30));
  // The saved data directory could not be entered: the message bar says so.
  EXPECT_TRUE(control<QLabel>("sbMessage1")
                  ->text()
                  .startsWith(QStringLiteral("Kan ej byta till biblioteket \"") +
                              QString::fromStdString(m_dir.string())))
      << control<QLabel>("sbMessage1")->text().toStdString();
  EXPECT_EQ(control<QLabel>("sbMessage0")->text(),
            QStringLiteral("Datafiler saknas/ ej i aktuellt bibliotek"));
  EXPECT_EQ(control<QLabel>("sbDataDir")->text(), QString::fromStdString(m_dir.string()));
}

// demo -> spelfördela -> importera the schedule file -> the window shows it.
TEST_F(MainFormTest, WholeSeasonStartThroughTheWindow) {
  start();
  m_ui.setNextAnswer(Answer::Yes);
  m_form->offerDemo();
  ASSERT_EQ(dataPanel(), QStringLiteral("Tävling: DEMOSERIEN 2027"));
  EXPECT_FALSE(control("spelfrdela1")->isChecked());

  const fs::path lot = m_dir / "SPELDAG.LOT";
  scheduling::SeededRandom seeded(7);
  scheduling::RunOptions options;
  options.random = &seeded;
  m_form->scheduleOptions = &options;
  m_form->runLottnDialog = [&](TLottnDlgForm& d) {
    d.findChild<QLineEdit*>("edUtfil")->setText(QString::fromStdString(lot.string()));
    d.findChild<QPushButton*>("okButton")->click();
    return d.result() == QDialog::Accepted;
  };
  trigger("spelfrdela1");
  ASSERT_TRUE(fs::exists(lot));
  EXPECT_EQ(m_shell->config().main().lastExchangePath(), lot.string());
  EXPECT_EQ(OpenProgressWindows(), 0);
  EXPECT_TRUE(m_form->isEnabled());
  // The run's result comes with one fairness summary line per class of the demo.
  ASSERT_FALSE(m_ui.texts.empty());
  const std::vector<std::string> result = m_ui.texts.back();
  ASSERT_FALSE(result.empty());
  EXPECT_EQ(result.front(), "schemafil: " + lot.string());
  int summaries = 0;
  for (const std::string& l : result) summaries += l.find(": brott ") != std::string::npos;
  EXPECT_EQ(summaries, 3);

  m_ui.setNextPick(lot.string());
  m_ui.setNextPick(std::nullopt);
  for (int i = 0; i < 4; ++i) m_ui.setNextAnswer(Answer::Yes);
  trigger("importera");
  ASSERT_FALSE(m_ui.texts.empty());  // the import log was shown
  EXPECT_TRUE(control("spelfrdela1")->isChecked());
  EXPECT_EQ(dataPanel(), QStringLiteral("Tävling: DEMOSERIEN 2027"));
  EXPECT_TRUE(enabled("tbResultat"));

  // "visningar" -> "rättvisa" shows the imported schedule's figures in the grid window.
  std::optional<reports::GridModel> shownGrid;
  const GridRunner previous =
      SetGridRunner([&](QWidget*, const reports::GridModel& grid) { shownGrid = grid; });
  trigger("rattvisa1");
  SetGridRunner(previous);
  ASSERT_TRUE(shownGrid);
  EXPECT_EQ(shownGrid->text(0, 0), "Lag");
  // One summary row per class: the class name over the worst balance ("±n").
  int summaryRows = 0;
  for (int row = 0; row < shownGrid->rowCount(); ++row)
    summaryRows += shownGrid->text(1, row).rfind("\xB1", 0) == 0;
  EXPECT_EQ(summaryRows, 3);
  EXPECT_LE(shownGrid->columnWidth(0), shownGrid->columnWidth(1) * 4)
      << "the summary must not widen the team column";
}

// "förbättra schemat" in the dialog: the run's result shows each class's breaks before and
// after the pass beside its floor, and the competition's placeholders and bound.
TEST_F(MainFormTest, ImprovedRunShowsBeforeAndAfter) {
  start();
  m_ui.setNextAnswer(Answer::Yes);
  m_form->offerDemo();
  const fs::path lot = m_dir / "SPELDAG.LOT";
  scheduling::SeededRandom seeded(4);
  scheduling::RunOptions options;
  options.random = &seeded;
  m_form->scheduleOptions = &options;
  m_form->runLottnDialog = [&](TLottnDlgForm& d) {
    auto* seconds = d.findChild<QSpinBox*>("udForbattraSekunder");
    EXPECT_FALSE(seconds->isEnabled());
    d.findChild<QCheckBox*>("cbForbattra")->setChecked(true);
    EXPECT_TRUE(seconds->isEnabled());
    seconds->setValue(2);
    d.findChild<QLineEdit*>("edUtfil")->setText(QString::fromStdString(lot.string()));
    d.findChild<QPushButton*>("okButton")->click();
    return d.result() == QDialog::Accepted;
  };
  trigger("spelfrdela1");
  ASSERT_TRUE(fs::exists(lot));
  EXPECT_NE(liga::testing::ReadFile(lot).find("; f\xF6rb\xE4ttrar schemat, h\xF6gst 2 s"),
            std::string::npos);
  ASSERT_FALSE(m_ui.texts.empty());
  int beforeAndAfter = 0, competition = 0;
  for (const std::string& l : m_ui.texts.back()) {
    beforeAndAfter += l.find(" (f\xF6re f\xF6rb\xE4ttring ") != std::string::npos &&
                      l.find(", golv ") != std::string::npos;
    competition += l.rfind("T\xE4vlingen: \xE4ndrtider ", 0) == 0;
  }
  EXPECT_EQ(beforeAndAfter, 3);
  EXPECT_EQ(competition, 1);
}

}  // namespace
}  // namespace liga::gui
