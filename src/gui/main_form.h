// TMainForm: the main window. A thin view over the shell and the database: every command
// calls its core operation, then the window shows the shared message line and, for the
// commands that can change what exists, recomputes the enabling state (app/main_commands.h).
//
// Commands that belong to other parts of the program are present and enabled by the rule;
// each is routed through one member function below (openRegister, printReport, ...) so that
// connecting it later is a change in one place.
#pragma once

#include <QMainWindow>
#include <array>
#include <functional>
#include <string>

#include "app/main_commands.h"
#include "app/shell.h"
#include "editing/pick.h"
#include "gui/modal.h"
#include "gui/qt_ui.h"
#include "gui/report_commands.h"
#include "gui/undo_history.h"

class QAction;
class QLabel;
class QLayout;
class QMenu;
class QVBoxLayout;
class QSpinBox;
class QToolButton;
class QPushButton;

namespace liga::scheduling {
struct RunOptions;
struct RunSummary;
}  // namespace liga::scheduling

namespace liga::gui {

class TLottnDlgForm;
class TEKonfigDlg;

enum class RegisterKind { Classes, Teams, PlayTimes };

class TMainForm : public QMainWindow {
 public:
  TMainForm(Shell& shell, QtUi& ui, QWidget* parent = nullptr);
  ~TMainForm() override;

  // Start-up: caption, shell start-up (failures shown as dialogs), colour, enabling rule,
  // geometry and scale. Returns whether storage is usable.
  bool FormCreate(const StartupOptions& options);
  // With no catalogue and nothing at all in the data directory, offers the demo.
  void offerDemo();
  // Shutdown: closes the competition and writes the configuration back (once).
  void FormDestroy();

  // The enabling rule, the competition items, the check mark and the data panel.
  void refresh();
  // Shows the shared message line in the message bar when it has changed.
  void showMessageLine();
  const MessageBar& messageBar() const { return m_bar; }
  const MainState& state() const { return m_state; }

  // Seams for tests and scripts: how the scheduling and configuration dialogs are run
  // (default: exec()), and the run options of the scheduling run.
  std::function<bool(TLottnDlgForm&)> runLottnDialog;
  std::function<void(TEKonfigDlg&)> runKonfigDialog;
  scheduling::RunOptions* scheduleOptions = nullptr;
  // Called once, after the first paint of the window.
  std::function<void()> onFirstPaint;

  // ---- commands ----
  void selectCompetition(int n);  // v00..v09
  void deleteCompetition(int n);  // r00..r09
  void InputInfo(bool add);       // "&ny", "&ändra"
  void importera();
  void exportera(int kind);  // exchange::ExportKind
  void spellotta();
  void backup();
  void restore();         // "återställ"
  void exportCalendar();  // "exportera" -> "lagkalendrar"
  void indexbygg();
  void skapaNya();
  void raderaAllaLag();
  void dataDir();
  void konfig();
  void info();
  void editor();

  // The registers, the match mover and the result entry.
  void openRegister(RegisterKind kind);
  void openMatchMover();
  void openResultEntry();
  // Commands of other parts, not yet built.
  void printReport(ReportKind kind);
  void showView(ReportKind kind);
  void showScheduleFairness(const scheduling::RunSummary& run);
  void printLabels(bool byTeam, int set);
  // Giro forms of `kind` with the fill character of the amount field: a blank when the
  // competition's AmountFilled is set, otherwise "X".
  void printGiro(int kind, char fill);
  char giroFillCharacter();
  void openMail();
  void openGiroRegister(int kind);
  void openLabelRegister();

  Shell& shell() { return m_shell; }
  // The changes made in this window, for "ångra" and "gör om".
  UndoHistory& history() { return *m_history; }

 protected:
  void closeEvent(QCloseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

 private:
  void buildMenus();
  void buildArchiveMenu(QMenu* arkiv);
  // One checkable item per competition slot ("vakant" until the catalogue names it), named
  // prefix00..prefix09; choosing one runs `command` with the competition's number.
  void addCompetitionItems(QMenu* menu, const char* prefix, const QString& hint,
                           void (TMainForm::*command)(int),
                           std::array<QAction*, kMaxCompetitions>& items);
  void buildRegisterMenu(QMenu* reg);
  void buildReportMenu(QMenu* rap);
  void buildViewMenu(QMenu* vis);
  void buildXregisterMenu(QMenu* xreg);
  void buildBody();
  QLayout* buildToolButtons(QWidget* central);
  QWidget* buildBanner(QWidget* central);
  QLayout* buildBaseButtons(QWidget* central);
  void buildStatusPanels(QWidget* central, QVBoxLayout* outer);
  QAction* addCommand(QMenu* menu, const char* name, const QString& caption, const QString& hint,
                      std::function<void()> run, bool refreshAfter);
  void run(const std::function<void()>& command, bool refreshAfter, const QString& label = {},
           UndoHistory::Kind kind = UndoHistory::Kind::Derived);
  void buildEditMenu(QMenu* menu);
  void notImplemented();
  void showSettingsPanels();
  void applyGeometry();

  Shell& m_shell;
  QtUi& m_ui;
  // Every pick list opened while the window lives shows its pick window here.
  QtPickWindows m_pickWindows{this};
  ScopedPickWindows m_scopedPicks{m_pickWindows};
  MainState m_state;
  MessageBar m_bar;
  std::string m_lastShown;
  bool m_started = false;
  bool m_destroyed = false;
  bool m_scaleChanged = false;
  int m_scale = 100;
  bool m_painted = false;
  int m_running = 0;  // commands on the stack (a progress window lets events in)
  bool m_closeRequested = false;

  std::array<QAction*, kMaxCompetitions> m_select{};
  std::array<QAction*, kMaxCompetitions> m_delete{};
  QAction* m_spelfordela = nullptr;
  UndoHistory* m_history = nullptr;
  QLabel* m_dataHeading = nullptr;
  QLabel* m_dataPanel = nullptr;
  QLabel* m_nextStep = nullptr;
  std::array<QLabel*, 3> m_settings{};
  std::array<QLabel*, 3> m_messages{};
  QSpinBox* m_scaleControl = nullptr;
};

}  // namespace liga::gui
