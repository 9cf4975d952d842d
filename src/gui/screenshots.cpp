#include "gui/screenshots.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPixmap>
#include <QScreen>
#include <QTabWidget>
#include <QTableWidget>
#include <memory>

#include "common/encoding.h"
#include "gui/form_send_email.h"
#include "gui/game_form.h"
#include "gui/info_dlg_form.h"
#include "gui/klass_dlg.h"
#include "gui/konfig_dlg.h"
#include "gui/lag_form.h"
#include "gui/lottn_dlg.h"
#include "gui/main_form.h"
#include "gui/qt_ui.h"
#include "gui/result_form.h"
#include "model/team_selection.h"
#include "scheduling/database_input.h"
#include "scheduling/run.h"

namespace liga::gui {
namespace {

void settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void save(QWidget& w, const QString& path) {
  w.show();
  w.raise();
  settle();
  w.grab().save(path);
}

// A window and a menu opened over it, taken from the screen (menus are windows of their own).
void grabWithMenu(TMainForm& form, QMenu& menu, const QString& path) {
  menu.popup(form.mapToGlobal(QPoint(4, form.menuBar()->height())));
  settle();
  if (QScreen* screen = form.screen()) {
    const QRect area = form.frameGeometry().united(menu.geometry()).adjusted(0, 0, 4, 4);
    screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).save(path);
  }
  menu.hide();
  settle();
}

// The "redigera" menu naming a change: a result typed into the first match of the result
// entry and stored through the window's history, shown, then undone, so the data are left
// as they were.
void undoMenu(TMainForm& form, const QString& d) {
  QMenu* edit = form.findChild<QMenu*>(QStringLiteral("mnuRedigera"));
  if (edit == nullptr) return;
  UndoHistory& history = form.history();
  history.begin();
  {
    ResultFormView entry(form.shell().db(), &form);
    auto* grid = entry.findChild<QTableWidget*>(QStringLiteral("sgMatcher1"));
    if (grid && grid->item(1, 0) && !grid->item(1, 0)->text().trimmed().isEmpty()) {
      grid->item(1, liga::TResultForm::kHomeCol)->setText(QStringLiteral("2"));
      grid->item(1, liga::TResultForm::kAwayCol)->setText(QStringLiteral("1"));
      entry.klarClick();
    }
  }
  history.end(QStringLiteral("resultat"), UndoHistory::Kind::Change);
  if (!history.undoAction()->isEnabled()) return;
  form.activateWindow();
  grabWithMenu(form, *edit, d + QStringLiteral("/angra.png"));
  history.undo();
}

// The "arkiv" menu opened over the window.
void saveMenu(TMainForm& form, const QString& d) {
  if (QMenu* arkiv = form.findChild<QMenu*>(QStringLiteral("arkiv1")))
    grabWithMenu(form, *arkiv, d + QStringLiteral("/menu.png"));
}

// The settings window on both pages, and the e-mail window on its message page and its
// server page.
void saveSettingsWindows(TMainForm& form, const QString& d) {
  TEKonfigDlg konfig(form.shell().config(), &form);
  konfig.resize(760, 560);
  save(konfig, d + QStringLiteral("/konfig.png"));
  if (auto* pages = konfig.findChild<QTabWidget*>(QStringLiteral("PageControl1"))) {
    pages->setCurrentIndex(1);
    save(konfig, d + QStringLiteral("/konfig-etiketter.png"));
    pages->setCurrentIndex(0);
  }
  konfig.hide();

  mail::TSendEmail sender;
  TFormSendEmail email(form.shell().db(), sender, &form);
  save(email, d + QStringLiteral("/sendemail.png"));
  if (auto* pages = email.findChild<QTabWidget*>(QStringLiteral("PageControl"))) {
    pages->setCurrentIndex(1);
    save(email, d + QStringLiteral("/sendemail-server.png"));
  }
  email.hide();
}

// The scheduling dialog over the open competition, as "spelfördela" shows it.
void saveScheduleDialog(TMainForm& form, const QString& d) {
  Database& db = form.shell().db();
  TeamSelection selection(db);
  const scheduling::ScheduleInput input = scheduling::ReadScheduleInput(db, selection);
  scheduling::ScheduleConfig config;
  config.LastExchangePath = form.shell().config().main().lastExchangePath();
  config.DataDir = db.dataDir() + "/";
  auto show = [&](scheduling::ScheduleDialog& controller) {
    TLottnDlgForm lottn(controller, &form);
    save(lottn, d + QStringLiteral("/lottn.png"));
    return false;  // cancelled: nothing is generated
  };
  scheduling::RunSchedule(input, config, show);
}

// The editors on the first record of each register.
void saveEditors(TMainForm& form, const QString& d) {
  Database& db = form.shell().db();
  if (db.readTeam(1) && db.readClass(db.team().divisionRecNo())) {
    liga::TLagForm team(db, false);
    LagFormView editor(team, &form);
    save(editor, d + QStringLiteral("/lag.png"));
    editor.hide();
    liga::TklassDlg cls(db, false);
    KlassDlgView classEditor(cls, &form);
    // Wide enough for a tie order of several words, read from its start.
    classEditor.resize(420, classEditor.sizeHint().height());
    if (auto* order = classEditor.findChild<QLineEdit*>(QStringLiteral("edOrdning")))
      order->setCursorPosition(0);
    save(classEditor, d + QStringLiteral("/klass.png"));
    classEditor.hide();
  }
  if (db.readPlayTime(1)) {
    liga::TGameForm playTime(db, false);
    GameFormView editor(playTime, &form);
    save(editor, d + QStringLiteral("/speltid.png"));
    editor.hide();
  }
  liga::TInfoDlgForm info(db, false);
  InfoDlgFormView editor(info, &form);
  save(editor, d + QStringLiteral("/tavling.png"));
  editor.hide();
}

// The result entry, and a typing error in it: the message names the match and every typed
// value stays.
void saveResultEntry(TMainForm& form, const QString& d) {
  ResultFormView results(form.shell().db(), &form);
  save(results, d + QStringLiteral("/resultat.png"));
  if (auto* grid = results.findChild<QTableWidget*>(QStringLiteral("sgMatcher1"))) {
    if (QTableWidgetItem* away = grid->item(2, liga::TResultForm::kAwayCol)) {
      away->setText(QStringLiteral("x"));
      results.klarClick();
      save(results, d + QStringLiteral("/resultat-fel.png"));
    }
  }
  results.hide();
  undoMenu(form, d);
}

// A question in Swedish, as a save over an existing file asks it, and the save picker with
// Qt's Swedish texts.
void saveQuestionAndPicker(TMainForm& form, const QString& d) {
  std::unique_ptr<QMessageBox> question =
      MakeMessageBox(&form, MessageKind::Question, "??",
                     Utf8ToCp1252("Filen \"/home/kansli/Dokument/resultat.pdf\" finns redan.\n"
                                  "Vill du ersätta den?"));
  save(*question, d + QStringLiteral("/fraga.png"));
  question->hide();
  QFileDialog picker(&form, QStringLiteral("Spara fil som..."), QDir::homePath(),
                     QStringLiteral("*.pdf (*.pdf);;alla (*)"));
  picker.setOption(QFileDialog::DontUseNativeDialog);
  picker.setAcceptMode(QFileDialog::AcceptSave);
  picker.resize(760, 460);
  save(picker, d + QStringLiteral("/filvaljare.png"));
  picker.hide();
}

}  // namespace

void WriteScreenshots(TMainForm& form, const std::string& dir, bool dialogs) {
  const QString d = QString::fromStdString(dir);
  QDir().mkpath(d);
  settle();
  form.grab().save(d + QStringLiteral("/main.png"));
  if (!dialogs) return;
  saveMenu(form, d);
  saveSettingsWindows(form, d);
  if (!form.shell().db().competitionOpen()) return;
  saveScheduleDialog(form, d);
  saveEditors(form, d);
  saveResultEntry(form, d);
  saveQuestionAndPicker(form, d);
}

}  // namespace liga::gui
