// The editing windows driven as a user would: every window is answered by a script that
// types into its controls (found by object name), presses its buttons and reads the status
// bar, through the modal-runner seam, so no modal loop runs offscreen.
#include <QAbstractButton>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTableWidget>
#include <QTest>
#include <cstdio>
#include <deque>
#include <fstream>
#include <map>

#include "common/encoding.h"
#include "database/tie_order.h"
#include "gui/game_form.h"
#include "gui/info_dlg_form.h"
#include "gui/klass_dlg.h"
#include "gui/lag_form.h"
#include "gui/lottn_dlg.h"
#include "gui/modal.h"
#include "gui/move_game_form.h"
#include "gui/pick_form.h"
#include "gui/reg_form_dlg.h"
#include "gui/report_commands.h"
#include "gui/reports/grid_form.h"
#include "gui/result_form.h"
#include "gui_test_env.h"
#include "support/file_io.h"

namespace liga::gui::testing {
namespace {

using Script = std::function<void(QDialog&)>;

class EditingViewsTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    m_previous = SetModalRunner([this](QDialog& d) {
      m_titles.push_back(d.windowTitle());
      ASSERT_FALSE(m_scripts.empty()) << "no script for " << d.windowTitle().toStdString();
      Script s = std::move(m_scripts.front());
      m_scripts.pop_front();
      d.show();
      d.activateWindow();
      QApplication::processEvents();
      s(d);
      d.hide();
    });
  }
  void TearDown() override {
    SetModalRunner(m_previous);
    EXPECT_TRUE(m_scripts.empty()) << m_scripts.size() << " windows were not opened";
    GuiTest::TearDown();
  }

  template <typename T>
  static T* find(QWidget& w, const char* name) {
    T* c = w.findChild<T*>(QString::fromLatin1(name));
    EXPECT_NE(c, nullptr) << name;
    return c;
  }
  static void type(QWidget& w, const char* name, const char* utf8) {
    QLineEdit* e = find<QLineEdit>(w, name);
    e->setText(QString::fromUtf8(utf8));
    Q_EMIT e->textEdited(e->text());
  }
  static void click(QWidget& w, const char* name) { find<QAbstractButton>(w, name)->click(); }
  static QString status(QWidget& w) { return w.findChild<QStatusBar*>()->currentMessage(); }
  static QString focused(QWidget& w) {
    QWidget* f = w.focusWidget();
    return f ? f->objectName() : QString();
  }
  static QStringList lines(QWidget& w, const char* name) {
    QStringList out;
    auto* list = find<QListWidget>(w, name);
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
  }
  static void key(QWidget* target, int k, QEvent::Type type) {
    QKeyEvent event(type, k, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
  }
  static void pressAndRelease(QWidget* target, int k) {
    key(target, k, QEvent::KeyPress);
    key(target, k, QEvent::KeyRelease);
  }
  void trigger(const char* name) { control<QAction>(name)->trigger(); }

  // A pick window script choosing the line that starts with `prefix`.
  static Script pick(const char* prefix) {
    return [prefix](QDialog& d) {
      auto* list = find<QListWidget>(d, "EPickListBox");
      for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().startsWith(QString::fromUtf8(prefix)))
          list->item(i)->setSelected(true);
      click(d, "okBtn");
    };
  }

  // A competition typed in through "&ny".
  void newCompetition() {
    {
      ScopedUi scoped(m_ui);
      ASSERT_TRUE(m_shell->db().createCatalogue());
    }
    m_form->refresh();
    m_scripts.push_back([](QDialog& d) {
      type(d, "edTvl", "Vårserien");
      type(d, "edOmg", "2");
      click(d, "okButton");
    });
    trigger("new");
    ASSERT_TRUE(m_shell->db().competitionOpen());
  }

  // A class added in the class register's editor.
  static Script addClass(const char* name, const char* first = "1") {
    return [name, first](QDialog& d) {
      type(d, "edKlass", name);
      type(d, "edNummerStart", first);
      click(d, "BitBtn1");
    };
  }
  static Script addTeam(const char* klass, const char* name) {
    return [klass, name](QDialog& d) {
      auto* box = find<QComboBox>(d, "cbKlass");
      box->setCurrentIndex(box->findText(QString::fromUtf8(klass)));
      static_cast<LagFormView&>(d).klassChanged();
      type(d, "edNamn", name);
      click(d, "okButton");
    };
  }

  std::deque<Script> m_scripts;
  QStringList m_titles;
  ModalRunner m_previous;
};

TEST_F(EditingViewsTest, CompetitionEditorRefusesBadNumbersAndEditsContacts) {
  start();
  {
    ScopedUi scoped(m_ui);
    ASSERT_TRUE(m_shell->db().createCatalogue());
  }
  m_form->refresh();
  m_scripts.push_back([this](QDialog& d) {
    type(d, "edArr", "IK Sävast");
    type(d, "edTvl", "vårcupen");
    type(d, "edOmg", "två");
    const int beeps = m_ui.beeps;
    click(d, "okButton");
    EXPECT_TRUE(d.isVisible());
    EXPECT_EQ(status(d), QString::fromUtf8("fel vid inmatning, endast numerer tillåtna"));
    EXPECT_EQ(focused(d), QStringLiteral("edOmg"));
    EXPECT_EQ(m_ui.beeps, beeps + 1);
    type(d, "edOmg", "2");
    type(d, "edAvgift", "1o0");
    click(d, "okButton");
    EXPECT_EQ(focused(d), QStringLiteral("edAvgift"));
    type(d, "edAvgift", "");
    // The address editor keeps five lines of a six-line memo.
    m_scripts.push_back([](QDialog& a) {
      find<QPlainTextEdit>(a, "adressMemo")
          ->setPlainText(
              QString::fromUtf8("Åsa Berg\nStorgatan 1\n941 31 Piteå\n0911-1\nx@y\nsex"));
      click(a, "okBtn");
    });
    click(d, "btnKontakt1");
    EXPECT_EQ(find<QLineEdit>(d, "edKontakt1")->text(), QString::fromUtf8("Åsa Berg"));
    find<QAbstractButton>(d, "rbUseBG")->click();
    click(d, "okButton");
    EXPECT_EQ(d.result(), QDialog::Accepted);
  });
  trigger("new");
  Database& db = m_shell->db();
  ASSERT_TRUE(db.competitionOpen());
  EXPECT_EQ(Cp1252ToUtf8(db.comp().contact(0, 0)), "Åsa Berg");
  EXPECT_EQ(Cp1252ToUtf8(db.comp().contact(0, 4)), "x@y");
  EXPECT_EQ(db.comp().fee(), 0);
  EXPECT_EQ(db.comp().giroType(), 3);
  EXPECT_EQ(m_titles.front(), QString::fromUtf8("tävling/turnering"));

  // "&ändra" opens the same editor on the open competition; Cancel keeps it.
  m_scripts.push_back([](QDialog& d) {
    EXPECT_EQ(find<QLineEdit>(d, "edArr")->text(), QString::fromUtf8("IK Sävast"));
    type(d, "edArr", "annan");
    click(d, "cancelButton");
  });
  trigger("change");
  EXPECT_EQ(Cp1252ToUtf8(db.comp().organiser()), "IK Sävast");
}

TEST_F(EditingViewsTest, ClassRegisterAddsRefusesDuplicatesAndDeletes) {
  start();
  newCompetition();
  m_scripts.push_back([this](QDialog& reg) {
    m_scripts.push_back(addClass("div a"));
    click(reg, "newbtn");
    m_scripts.push_back([this](QDialog& d) {
      type(d, "edKlass", "Div A");
      const int beeps = m_ui.beeps;
      click(d, "BitBtn1");
      EXPECT_EQ(status(d), QString::fromUtf8("Klassen/divisionen finns redan registrerad. "
                                             "\"DIV A\" Måste vara unik, ändra namnet."));
      EXPECT_EQ(focused(d), QStringLiteral("edKlass"));
      EXPECT_EQ(m_ui.beeps, beeps + 1);
      type(d, "edKlass", "div b");
      type(d, "edWin", "3p");
      click(d, "BitBtn1");
      EXPECT_EQ(focused(d), QStringLiteral("edWin"));
      type(d, "edWin", "");
      click(d, "BitBtn1");
    });
    click(reg, "newbtn");
    EXPECT_EQ(lines(reg, "ERegListBox"), QStringList({"DIV A", "DIV B"}));
    // Only the new entry is selected.
    auto* list = find<QListWidget>(reg, "ERegListBox");
    EXPECT_FALSE(list->item(0)->isSelected());
    EXPECT_TRUE(list->item(1)->isSelected());
    // Change without renaming is accepted; its editor shows the stored values.
    list->clearSelection();
    list->item(0)->setSelected(true);
    m_scripts.push_back([](QDialog& d) {
      EXPECT_EQ(find<QLineEdit>(d, "edKlass")->text(), QStringLiteral("DIV A"));
      EXPECT_EQ(find<QLineEdit>(d, "edOrdning")->text(), QString::fromUtf8("poäng,målskillnad"));
      type(d, "edOmg", "3");
      type(d, "edOrdning", "inbördes,måltal");
      click(d, "BitBtn1");
      EXPECT_EQ(focused(d), QStringLiteral("edOrdning"));
      EXPECT_TRUE(status(d).contains(QString::fromUtf8("okänt ord 'måltal'")))
          << status(d).toStdString();
      type(d, "edOrdning", "inbördes,lagnummer");
      click(d, "BitBtn1");
      EXPECT_EQ(d.result(), QDialog::Accepted);
    });
    click(reg, "changebtn");
    EXPECT_EQ(TieOrders::Load(m_shell->db().dataDir(), m_shell->db().currentCompetition())
                  .get("DIV A")
                  .rules,
              (std::vector{TieRule::Points, TieRule::HeadToHead, TieRule::TeamNumber}));
    Q_EMIT list->itemClicked(list->item(0));
    EXPECT_EQ(status(reg), QStringLiteral("   2 [   1]"));
    // "S&kriv" lists the selected entries under the window's title and the register's.
    list->selectAll();
    const std::filesystem::path pdf = m_dir / "register.pdf";
    int previews = 0;
    const PreviewRunner previous =
        SetPreviewRunner([&](QWidget*, const std::function<void(QPrinter&)>& print) {
          ++previews;
          QPrinter printer(QPrinter::HighResolution);
          printer.setOutputFormat(QPrinter::PdfFormat);
          printer.setOutputFileName(QString::fromStdString(pdf.string()));
          print(printer);
        });
    click(reg, "printbtn");
    SetPreviewRunner(previous);
    EXPECT_EQ(previews, 1);
    const std::string text = testing::PdfText(pdf);
    EXPECT_NE(text.find("DIV A"), std::string::npos) << text;
    EXPECT_NE(text.find("DIV B"), std::string::npos) << text;
    click(reg, "deletebtn");
    EXPECT_EQ(list->count(), 0);
    click(reg, "closebtn");
  });
  trigger("mnuMedlReg");
  EXPECT_TRUE(m_titles.contains(QString::fromUtf8("register klass/division")));
  EXPECT_TRUE(m_titles.contains(QString::fromUtf8("klass/division")));
}

TEST_F(EditingViewsTest, TeamRegisterCreatesAClassOnTheFlyAndGuardsTheNumber) {
  start();
  newCompetition();
  m_scripts.push_back([this](QDialog& reg) {
    m_scripts.push_back([this](QDialog& d) {
      auto* box = find<QComboBox>(d, "cbKlass");
      box->setEditText(QStringLiteral("herr"));
      m_ui.setNextAnswer(Answer::Yes);
      static_cast<LagFormView&>(d).klassChanged();
      EXPECT_EQ(box->currentText(), QStringLiteral("HERR"));
      EXPECT_EQ(m_ui.shown.back().caption, "??");
      type(d, "edNamn", "Sävast");
      auto* grid = find<QTableWidget>(d, "sgLagMedl");
      EXPECT_EQ(grid->item(1, 0)->text(), QStringLiteral("LL"));
      grid->item(1, 1)->setText(QStringLiteral("Eva Ek"));
      grid->item(1, 5)->setText(QStringLiteral("Eva@Ek.se"));
      click(d, "okButton");
      EXPECT_EQ(d.result(), QDialog::Accepted);
    });
    click(reg, "newbtn");
    m_scripts.push_back([this](QDialog& d) {
      // A new team has no class until one is chosen.
      EXPECT_EQ(find<QComboBox>(d, "cbKlass")->currentText(), QString());
      find<QComboBox>(d, "cbKlass")->setCurrentIndex(0);
      static_cast<LagFormView&>(d).klassChanged();
      type(d, "edNummer", "1");
      type(d, "edNamn", "Luleå");
      const int beeps = m_ui.beeps;
      click(d, "okButton");
      EXPECT_EQ(status(d),
                QString::fromUtf8("lagnumret finns redan registrerad. \"0001\" Måste vara unik."));
      EXPECT_EQ(focused(d), QStringLiteral("edNummer"));
      EXPECT_EQ(m_ui.beeps, beeps + 1);
      type(d, "edNummer", "2");
      type(d, "edPoint", "x");
      click(d, "okButton");
      EXPECT_EQ(focused(d), QStringLiteral("edPoint"));
      type(d, "edPoint", "4");
      click(d, "okButton");
    });
    click(reg, "newbtn");
    EXPECT_EQ(lines(reg, "ERegListBox"), QStringList({QString::fromUtf8("0001 HERR Sävast"),
                                                      QString::fromUtf8("0002 HERR Luleå")}));
    click(reg, "closebtn");
  });
  trigger("mnuTavlingar");
  Database& db = m_shell->db();
  std::string key = "0001";
  std::int32_t recNo = 0;
  ASSERT_TRUE(db.browseTeam(BrowseMode::Find, key, recNo).found);
  EXPECT_EQ(db.team().contactRow(0).email(), "Eva@Ek.se");
  EXPECT_EQ(db.team().contactRow(0).address5(), "EVA@EK.SE");
  EXPECT_EQ(db.team().contactRow(0).name(), "EVA EK");
}

TEST_F(EditingViewsTest, MatchesMovesAndResultsThroughTheWindows) {
  start();
  newCompetition();
  m_scripts.push_back([this](QDialog& reg) {
    m_scripts.push_back(addClass("herr"));
    click(reg, "newbtn");
    click(reg, "closebtn");
  });
  trigger("mnuMedlReg");
  m_scripts.push_back([this](QDialog& reg) {
    for (const char* name : {"Alfa", "Beta", "Gamma", "Delta"}) {
      m_scripts.push_back(addTeam("HERR", name));
      click(reg, "newbtn");
    }
    EXPECT_EQ(find<QListWidget>(reg, "ERegListBox")->count(), 4);
    click(reg, "closebtn");
  });
  trigger("mnuTavlingar");
  m_form->refresh();

  // Play times: two matches in the first, none in the second.
  m_scripts.push_back([this](QDialog& reg) {
    m_scripts.push_back([this](QDialog& d) {
      type(d, "edSpeltid", "2027-01-10 10:00");
      auto* grid = find<QTableWidget>(d, "sgGame");
      // The cursor never rests outside a pick cell.
      grid->setFocus();
      grid->setCurrentCell(3, 5);
      EXPECT_EQ(grid->currentColumn(), 3);
      grid->setCurrentCell(0, 0);
      EXPECT_EQ(grid->currentRow(), 1);
      EXPECT_EQ(grid->currentColumn(), 1);
      EXPECT_EQ(status(d), QString::fromUtf8("dubbelklicka eller tryck tangent för att hämta "
                                             "lag, minustecken för inget lag"));
      m_scripts.push_back(pick("0001"));
      Q_EMIT grid->cellDoubleClicked(1, 1);
      EXPECT_EQ(grid->item(1, 2)->text(), QStringLiteral("0001.ALFA"));
      // Only a home team: refused, cursor on the empty away side.
      const int beeps = m_ui.beeps;
      click(d, "okButton");
      EXPECT_EQ(status(d), QString::fromUtf8("Två lag måste väljas för att spela match!"));
      EXPECT_EQ(grid->currentRow(), 1);
      EXPECT_EQ(grid->currentColumn(), 3);
      EXPECT_EQ(m_ui.beeps, beeps + 1);
      m_scripts.push_back(pick("0002"));
      pressAndRelease(grid, Qt::Key_Space);
      EXPECT_EQ(grid->currentColumn(), 3);
      grid->setCurrentCell(2, 1);
      m_scripts.push_back(pick("0003"));
      pressAndRelease(grid, Qt::Key_Return);
      grid->setCurrentCell(2, 3);
      m_scripts.push_back(pick("0001"));
      pressAndRelease(grid, Qt::Key_Tab);
      click(d, "okButton");
      EXPECT_EQ(status(d), QString::fromUtf8("Lag kan inte spela olika matcher på samma tid!"));
      // The cursor is on the repeated side in the first of the two slots.
      EXPECT_EQ(grid->currentRow(), 1);
      EXPECT_EQ(grid->currentColumn(), 1);
      // Insert clears the side; a cancelled pick list leaves it empty.
      grid->setCurrentCell(2, 3);
      pressAndRelease(grid, Qt::Key_Insert);
      EXPECT_EQ(grid->item(2, 4)->text(), QString());
      m_scripts.push_back([](QDialog& p) { click(p, "cancelBtn"); });
      pressAndRelease(grid, Qt::Key_Space);
      EXPECT_EQ(grid->item(2, 4)->text(), QString());
      m_scripts.push_back(pick("0004"));
      pressAndRelease(grid, Qt::Key_Space);
      click(d, "okButton");
      EXPECT_EQ(d.result(), QDialog::Accepted);
    });
    click(reg, "newbtn");
    m_scripts.push_back([](QDialog& d) {
      type(d, "edSpeltid", "2027-01-10 10:00");
      click(d, "okButton");
      EXPECT_EQ(status(d), QString::fromUtf8("speltiden finns redan registrerad. "
                                             "\"2027-01-10 10:00\" Måste vara unik."));
      EXPECT_EQ(focused(d), QStringLiteral("edSpeltid"));
      type(d, "edSpeltid", "2027-01-17 10:00");
      click(d, "okButton");
    });
    click(reg, "newbtn");
    EXPECT_EQ(lines(reg, "ERegListBox"), QStringList({"2027-01-10 10:00", "2027-01-17 10:00"}));
    click(reg, "closebtn");
  });
  trigger("spelmten1");

  // Move match 1 (slot 1) to the second play time.
  m_scripts.push_back([](QDialog& d) {
    auto& mover = static_cast<MoveGameFormView&>(d);
    auto* left = find<QTableWidget>(d, "sgMatcher1");
    auto* right = find<QTableWidget>(d, "sgMatcher2");
    mover.moveRow(5);
    EXPECT_EQ(status(d), QString::fromUtf8("Ingen match registrerad på speltiden här"));
    mover.moveRow(1);
    EXPECT_EQ(status(d), QString::fromUtf8("Meningslöst att flytta till samma speltid"));
    find<QComboBox>(d, "cbSpeltider2")->setCurrentIndex(1);
    Q_EMIT left->cellDoubleClicked(1, 0);
    EXPECT_EQ(right->item(1, 0)->text(), QStringLiteral("   1"));
    EXPECT_EQ(left->item(1, 0)->text(), QStringLiteral("   2"));
    EXPECT_EQ(left->item(2, 0)->text(), QString());
    click(d, "klarBtn");
  });
  trigger("flyttamatcher1");

  // Results: a refused empty cell, then 3-1 in the first play time.
  m_scripts.push_back([this](QDialog& d) {
    auto* grid = find<QTableWidget>(d, "sgMatcher1");
    EXPECT_EQ(grid->item(1, 4)->text(), QStringLiteral("-1"));
    EXPECT_FALSE(grid->item(1, 1)->flags() & Qt::ItemIsEditable);
    grid->item(1, 4)->setText(QStringLiteral("3"));
    grid->item(1, 6)->setText(QString());
    const int beeps = m_ui.beeps;
    find<QComboBox>(d, "cbSpeltider1")->setCurrentIndex(1);
    EXPECT_EQ(status(d),
              QString::fromUtf8("match 2: bortaresultatet saknas (-1 = inget resultat)"));
    EXPECT_EQ(m_ui.beeps, beeps + 1);
    EXPECT_EQ(find<QComboBox>(d, "cbSpeltider1")->currentIndex(), 0);
    // The cell editor is open in the grid and has the focus.
    EXPECT_TRUE(d.focusWidget() == grid || grid->isAncestorOf(d.focusWidget()));
    EXPECT_EQ(grid->currentRow(), 1);
    EXPECT_EQ(grid->currentColumn(), 6);
    grid->item(1, 6)->setText(QStringLiteral("1"));
    static_cast<ResultFormView&>(d).klarClick();
    EXPECT_EQ(d.result(), QDialog::Accepted);
  });
  trigger("resultat4");
  m_scripts.push_back([](QDialog& d) {
    auto* grid = find<QTableWidget>(d, "sgMatcher1");
    EXPECT_EQ(grid->item(1, 4)->text(), QStringLiteral(" 3"));
    EXPECT_EQ(grid->item(1, 6)->text(), QStringLiteral(" 1"));
    // A partial result: the away score removed.
    grid->item(1, 6)->setText(QStringLiteral("-1"));
    static_cast<ResultFormView&>(d).klarClick();
    EXPECT_EQ(d.result(), QDialog::Accepted);
  });
  trigger("resultat4");
  m_scripts.push_back([](QDialog& d) {
    auto* grid = find<QTableWidget>(d, "sgMatcher1");
    EXPECT_EQ(grid->item(1, 4)->text(), QStringLiteral(" 3"));
    EXPECT_EQ(grid->item(1, 6)->text(), QStringLiteral("-1"));
    // What is typed and then abandoned with "avbryt" is not saved.
    grid->item(1, 4)->setText(QStringLiteral("7"));
    click(d, "avbrytBtn");
  });
  trigger("resultat4");
  m_scripts.push_back([](QDialog& d) {
    EXPECT_EQ(find<QTableWidget>(d, "sgMatcher1")->item(1, 4)->text(), QStringLiteral(" 3"));
    click(d, "avbrytBtn");
  });
  trigger("resultat4");
}

TEST_F(EditingViewsTest, PickWindowToggleAndStatus) {
  App();
  TEPickForm form("välj", true, true);
  form.addItem("B");
  form.addItem("A");
  TEPickFormDlg dialog(form);
  auto* all = find<QAbstractButton>(dialog, "allbtn");
  EXPECT_EQ(all->text(), QStringLiteral("&Alla"));
  all->click();
  EXPECT_EQ(all->text(), QStringLiteral("&Ingen"));
  EXPECT_EQ(dialog.statusText(), QStringLiteral("  2 [  2]"));
  all->click();
  EXPECT_EQ(all->text(), QStringLiteral("&Alla"));
  EXPECT_EQ(dialog.statusText(), QStringLiteral(" [  2]"));
  dialog.list()->item(0)->setSelected(true);
  EXPECT_TRUE(form.isSelected(0));
  click(dialog, "okBtn");
  dialog.finish();
  EXPECT_TRUE(form.closedWithOk());
}

}  // namespace
}  // namespace liga::gui::testing

namespace liga::gui::testing {
namespace {

// The largest team register: every team of a full competition is listed when the window
// opens; the time it takes is printed for the benchmark note.
TEST_F(EditingViewsTest, FullTeamRegisterOpensWithEveryTeam) {
  start();
  newCompetition();
  Database& db = m_shell->db();
  {
    ScopedUi scoped(m_ui);
    ResetNewClass(db);
    ASSERT_TRUE(db.storeClass(true));
    liga::TlgLagRegForm reg(db);
    reg.start();
    reg.runEditor = [](liga::TLagForm& f) {
      f.cbKlass = "XXX";
      f.edNamn = "LAG";
      EXPECT_TRUE(f.okButtonClick().ok);
    };
    for (int i = 0; i < 159; ++i) reg.EditEntry(true);
    ASSERT_EQ(reg.count(), 159);
  }
  QElapsedTimer timer;
  timer.start();
  LagRegFormView form(db);
  const qint64 ms = timer.elapsed();
  std::printf("team register with 159 teams opened in %lld ms\n", static_cast<long long>(ms));
  EXPECT_EQ(form.list()->count(), 159);
  EXPECT_EQ(form.list()->item(158)->text().left(4), QStringLiteral("0159"));
}

}  // namespace
}  // namespace liga::gui::testing

namespace liga::gui::testing {
namespace {

// A season as a new organiser works it through the window: typing with Qt's test input on
// the real widgets, clicking the real buttons; modal windows are run by the scripts.
class WindowSeasonTest : public EditingViewsTest {
 protected:
  static void typeKeys(QWidget& w, const char* name, const char* utf8) {
    QLineEdit* e = find<QLineEdit>(w, name);
    e->selectAll();
    QTest::keyClick(e, Qt::Key_Backspace);
    // Qt's test input types ASCII; other letters arrive as key events carrying their text,
    // as an input method delivers them.
    for (const QChar ch : QString::fromUtf8(utf8)) {
      if (ch.unicode() < 128) {
        QTest::keyClick(e, ch.toLatin1());
        continue;
      }
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(e, &press);
      QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
      QApplication::sendEvent(e, &release);
    }
  }
  static void press(QWidget& w, const char* name) {
    QTest::mouseClick(find<QAbstractButton>(w, name), Qt::LeftButton);
  }
  static Script pickAll() {
    return [](QDialog& d) {
      find<QListWidget>(d, "EPickListBox")->selectAll();
      press(d, "okBtn");
    };
  }
};

// The object names Tab visits from `first`, `count` of them, as a keyboard user meets them.
QStringList TabChain(QDialog& d, const char* first, int count) {
  QStringList order;
  QWidget* w = d.findChild<QWidget*>(QString::fromLatin1(first));
  for (int i = 0; w && i < count; ++i) {
    // An editable combo box's own line edit takes the focus for it.
    order << (w->objectName().isEmpty() ? w->parentWidget()->objectName() : w->objectName());
    do {
      w = w->nextInFocusChain();
    } while (!(w->focusPolicy() & Qt::TabFocus) || w->focusProxy() || !w->isVisibleTo(&d));
  }
  return order;
}

TEST_F(WindowSeasonTest, EditorsAskBeforeThrowingChangesAwayAndTabSkipsTheArrows) {
  start();
  newCompetition();
  m_scripts.push_back([this](QDialog& reg) {
    m_scripts.push_back([this](QDialog& d) {
      // Tab goes from field to field and on to the buttons, never to the spin arrows.
      EXPECT_EQ(find<QSpinBox>(d, "udOmg")->focusPolicy(), Qt::NoFocus);
      EXPECT_EQ(TabChain(d, "edKlass", 8),
                QStringList({"edKlass", "edOmg", "edWin", "edOavg", "edNummerStart", "edOrdning",
                             "BitBtn1", "BitBtn2"}));
      // Untouched: Escape closes without a question.
      const std::size_t asked = m_ui.shown.size();
      QTest::keyClick(&d, Qt::Key_Escape);
      EXPECT_EQ(m_ui.shown.size(), asked);
      EXPECT_EQ(d.result(), QDialog::Rejected);
    });
    press(reg, "newbtn");
    m_scripts.push_back([this](QDialog& d) {
      typeKeys(d, "edKlass", "Damer");
      d.setResult(-1);
      // Escape with a change: asked; "Nej" keeps the editor and what was typed.
      m_ui.setNextAnswer(Answer::No);
      QTest::keyClick(&d, Qt::Key_Escape);
      ASSERT_FALSE(m_ui.shown.empty());
      EXPECT_EQ(m_ui.shown.back().kind, MessageKind::Question);
      EXPECT_EQ(Cp1252ToUtf8(m_ui.shown.back().text),
                "Ändringarna är inte sparade. Stäng utan att spara?");
      EXPECT_EQ(d.result(), -1);
      EXPECT_EQ(find<QLineEdit>(d, "edKlass")->text(), QStringLiteral("Damer"));
      // "Avbryt" asks as well; "Ja" throws the change away.
      m_ui.setNextAnswer(Answer::Yes);
      press(d, "BitBtn2");
      EXPECT_EQ(d.result(), QDialog::Rejected);
    });
    press(reg, "newbtn");
    EXPECT_EQ(find<QListWidget>(reg, "ERegListBox")->count(), 0);
    press(reg, "closebtn");
  });
  trigger("mnuMedlReg");
}

TEST_F(WindowSeasonTest, ASeasonFromAnEmptyFolderToStandingsAndAPdf) {
  start();
  // First steps: no demo; the window says what to do next.
  m_ui.setNextAnswer(Answer::No);
  m_form->offerDemo();
  auto* next = control<QLabel>("nextStep");
  EXPECT_FALSE(next->isHidden());
  EXPECT_TRUE(next->text().contains(QStringLiteral("\"skapa nya\""))) << next->text().toStdString();
  trigger("skapanya1");
  EXPECT_TRUE(next->text().contains(QStringLiteral("\"ny\""))) << next->text().toStdString();
  for (const char* panel : {"sbMessage0", "sbMessage1", "sbMessage2"})
    EXPECT_FALSE(control<QLabel>(panel)->text().startsWith(QStringLiteral("Datafiler saknas")));

  m_scripts.push_back([](QDialog& d) {
    typeKeys(d, "edTvl", "Vårserien");
    typeKeys(d, "edOmg", "1");
    press(d, "okButton");
  });
  trigger("new");
  ASSERT_TRUE(m_shell->db().competitionOpen());

  m_scripts.push_back([this](QDialog& reg) {
    m_scripts.push_back([](QDialog& d) {
      typeKeys(d, "edKlass", "Herrar");
      press(d, "BitBtn1");
    });
    press(reg, "newbtn");
    press(reg, "closebtn");
  });
  trigger("mnuMedlReg");

  // Four teams; the first one's number is mistyped and refused with the focus on it.
  m_scripts.push_back([this](QDialog& reg) {
    const char* names[] = {"Norrby", "Södra", "Väster", "Öster"};
    for (int i = 0; i < 4; ++i) {
      m_scripts.push_back([this, i, name = names[i]](QDialog& d) {
        auto* box = find<QComboBox>(d, "cbKlass");
        box->setCurrentIndex(box->findText(QStringLiteral("HERRAR")));
        static_cast<LagFormView&>(d).klassChanged();
        typeKeys(d, "edNamn", name);
        if (i == 0) {
          EXPECT_EQ(TabChain(d, "edNummer", 11),
                    QStringList({"edNummer", "edNamn", "cbKlass", "edRanking", "edLost", "edWin",
                                 "edPoint", "sgLagMedl", "okButton", "cancelButton", "edNummer"}));
          typeKeys(d, "edNummer", "1a2");
          const int beeps = m_ui.beeps;
          press(d, "okButton");
          EXPECT_EQ(status(d),
                    QString::fromUtf8("lagnumret måste vara ett tal 0–9999, inte \"1a2\""));
          EXPECT_EQ(focused(d), QStringLiteral("edNummer"));
          EXPECT_EQ(m_ui.beeps, beeps + 1);
          typeKeys(d, "edNummer", "1");
        }
        if (i == 1) {
          // Enter in the contact grid opens the cell for editing and keeps the editor open;
          // Enter in a field presses OK.
          auto* grid = find<QTableWidget>(d, "sgLagMedl");
          grid->setFocus();
          grid->setCurrentCell(1, 1);
          d.setResult(-1);
          QTest::keyClick(grid, Qt::Key_Return);
          QWidget* cellEditor = d.focusWidget();
          EXPECT_TRUE(cellEditor && cellEditor != grid && grid->isAncestorOf(cellEditor));
          EXPECT_EQ(d.result(), -1);
          find<QLineEdit>(d, "edNamn")->setFocus();
          QTest::keyClick(find<QLineEdit>(d, "edNamn"), Qt::Key_Return);
        } else {
          press(d, "okButton");
        }
        EXPECT_EQ(d.result(), QDialog::Accepted);
      });
      press(reg, "newbtn");
    }
    EXPECT_EQ(find<QListWidget>(reg, "ERegListBox")->count(), 4);
    press(reg, "closebtn");
  });
  trigger("mnuTavlingar");

  // A play time typed the way people write dates is refused with the expected form.
  m_scripts.push_back([this](QDialog& reg) {
    m_scripts.push_back([](QDialog& d) {
      typeKeys(d, "edSpeltid", "5/4 kl 10");
      press(d, "okButton");
      EXPECT_TRUE(status(d).startsWith(QString::fromUtf8("speltiden ska skrivas ÅÅÅÅ-MM-DD TT:MM")))
          << status(d).toStdString();
      EXPECT_EQ(focused(d), QStringLiteral("edSpeltid"));
      typeKeys(d, "edSpeltid", "2028-01-08 10:00");
      // Enter in a field presses OK, the default button.
      QTest::keyClick(find<QLineEdit>(d, "edSpeltid"), Qt::Key_Return);
      EXPECT_EQ(d.result(), QDialog::Accepted);
    });
    press(reg, "newbtn");
    EXPECT_EQ(lines(reg, "ERegListBox"), QStringList({QStringLiteral("2028-01-08 10:00")}));
    press(reg, "closebtn");
  });
  trigger("spelmten1");

  // Schedule, then import the schedule file.
  const std::filesystem::path lot = m_dir / "SPELDAG.LOT";
  m_form->runLottnDialog = [&](TLottnDlgForm& d) {
    typeKeys(d, "edUtfil", lot.string().c_str());
    press(d, "okButton");
    return d.result() == QDialog::Accepted;
  };
  trigger("spelfrdela1");
  ASSERT_TRUE(std::filesystem::exists(lot));
  bool toldWhatToDo = false;
  for (const auto& s : m_ui.shown)
    toldWhatToDo = toldWhatToDo || (s.kind == MessageKind::Information &&
                                    s.text.find("importera") != std::string::npos &&
                                    s.text.find(lot.string()) != std::string::npos);
  EXPECT_TRUE(toldWhatToDo);
  m_ui.setNextPick(lot.string());
  m_ui.setNextPick(std::nullopt);
  for (int i = 0; i < 4; ++i) m_ui.setNextAnswer(Answer::Yes);
  trigger("importera");
  ASSERT_TRUE(m_form->state().scheduled);

  // Move the first match of the first play time to the empty one in 2028.
  m_scripts.push_back([](QDialog& d) {
    auto* right = find<QComboBox>(d, "cbSpeltider2");
    const int empty = right->findText(QStringLiteral("2028-01-08 10:00"));
    ASSERT_GE(empty, 0);
    right->setCurrentIndex(empty);
    // The left side shows the first other play time.
    find<QComboBox>(d, "cbSpeltider1")->setCurrentIndex(empty == 0 ? 1 : 0);
    static_cast<MoveGameFormView&>(d).moveRow(1);
    EXPECT_TRUE(status(d).startsWith(QStringLiteral("match "))) << status(d).toStdString();
    EXPECT_TRUE(status(d).endsWith(QStringLiteral("flyttad till 2028-01-08 10:00")));
    press(d, "klarBtn");
  });
  trigger("flyttamatcher1");

  // Results with one typo: nothing typed is lost, the faulty cell is named and opened.
  m_scripts.push_back([](QDialog& d) {
    auto* list = find<QComboBox>(d, "cbSpeltider1");
    auto* grid = find<QTableWidget>(d, "sgMatcher1");
    int first = -1;
    for (int i = 0; i < list->count() && first < 0; ++i) {
      list->setCurrentIndex(i);
      if (!grid->item(2, 0)->text().trimmed().isEmpty()) first = i;
    }
    ASSERT_GE(first, 0) << "no play time with two matches";
    const QString number = grid->item(2, 0)->text().trimmed();
    grid->item(1, 4)->setText(QStringLiteral("0"));
    grid->item(1, 6)->setText(QStringLiteral("1"));
    grid->item(2, 4)->setText(QStringLiteral("3"));
    grid->item(2, 6)->setText(QStringLiteral("x"));
    list->setCurrentIndex(first == 0 ? 1 : 0);
    EXPECT_EQ(list->currentIndex(), first);
    EXPECT_EQ(status(d), QStringLiteral("match ") + number +
                             QString::fromUtf8(": bortaresultatet 'x' är inte ett tal"));
    EXPECT_EQ(grid->item(1, 4)->text(), QStringLiteral("0"));
    EXPECT_EQ(grid->item(1, 6)->text(), QStringLiteral("1"));
    EXPECT_EQ(grid->item(2, 4)->text(), QStringLiteral("3"));
    EXPECT_EQ(grid->item(2, 6)->text(), QStringLiteral("x"));
    EXPECT_EQ(grid->currentRow(), 2);
    EXPECT_EQ(grid->currentColumn(), 6);
    grid->item(2, 6)->setText(QStringLiteral("2"));
    press(d, "klarBtn");
    EXPECT_EQ(d.result(), QDialog::Accepted);
  });
  trigger("resultat4");

  // The results view and its PDF, written over an existing file after the question.
  const std::filesystem::path pdf = m_dir / "resultat.pdf";
  std::ofstream(pdf) << "old";
  bool exported = false;
  const GridRunner previous = SetGridRunner([&](QWidget* parent, const GridModel& grid) {
    EXPECT_NE(grid.title().find("HERRAR"), std::string::npos) << grid.title();
    Tgridform form(grid, reports::ReportSettings{}, reports::PublishSettings{}, parent);
    m_ui.setNextPick(pdf.string());
    m_ui.setNextAnswer(Answer::Yes);
    const std::size_t shownBefore = m_ui.shown.size();
    QTest::mouseClick(form.findChild<QPushButton*>(QStringLiteral("pdf")), Qt::LeftButton);
    ASSERT_EQ(m_ui.shown.size(), shownBefore + 1);
    EXPECT_EQ(m_ui.shown.back().kind, MessageKind::Question);
    EXPECT_NE(m_ui.shown.back().text.find("finns redan"), std::string::npos);
    EXPECT_EQ(form.findChild<QLabel*>(QStringLiteral("status"))->text(),
              QStringLiteral("skrev ") + QString::fromStdString(pdf.string()));
    exported = true;
  });
  m_scripts.push_back(pickAll());
  m_scripts.push_back(pickAll());
  trigger("resultat2");
  SetGridRunner(previous);
  EXPECT_TRUE(exported);
  EXPECT_NE(PdfText(pdf).find("HERRAR"), std::string::npos);
  // The standings: the results count for the teams that played.
  int played = 0;
  for (std::int32_t t = 1; t <= 4; ++t) {
    ASSERT_TRUE(m_shell->db().readTeam(t));
    played += m_shell->db().team().played();
  }
  EXPECT_EQ(played, 4);

  // A second copy on the same data is refused and leaves the configuration alone.
  m_form->FormDestroy();
  const std::string configBefore = liga::testing::ReadFile(m_configFile);
  m_form.reset();
  m_shell = std::make_unique<Shell>();
  m_form = std::make_unique<TMainForm>(*m_shell, m_ui);
  m_form->FormCreate({});
  ASSERT_TRUE(m_shell->db().competitionOpen());
  const liga::testing::RunResult second =
      liga::testing::RunCommand(std::string("timeout 60 ") + LIGAWIN32_BINARY + " --screenshot '" +
                                (m_dir / "shots").string() + "'");
  EXPECT_EQ(second.status, 1) << second.out;
  EXPECT_EQ(liga::testing::ReadFile(m_configFile), configBefore);
}

// Every file of the data directory but its lock, by name.
// Every file of the data directory but the lock and the journals: a journal at rest is cut
// or holds a committed unit the engine cuts before its next use, so its bytes are no state.
std::map<std::string, std::string> DataFiles(const std::filesystem::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (e.is_regular_file() && name != "LigaWin32.lock" && e.path().extension() != ".DIA")
      files[name] = liga::testing::ReadFile(e.path());
  }
  return files;
}

std::string Differing(const std::map<std::string, std::string>& a,
                      const std::map<std::string, std::string>& b) {
  std::string names;
  for (const auto& [name, bytes] : a) {
    const auto it = b.find(name);
    if (it == b.end() || it->second != bytes) {
      names += name;
      if (it != b.end()) {
        names += "(" + std::to_string(bytes.size()) + "/" + std::to_string(it->second.size());
        for (std::size_t i = 0; i < std::min(bytes.size(), it->second.size()); ++i)
          if (bytes[i] != it->second[i]) {
            names += " at " + std::to_string(i);
            break;
          }
        names += ")";
      }
      names += " ";
    }
  }
  for (const auto& [name, bytes] : b) {
    if (!a.count(name)) names += name + "(new) ";
  }
  return names;
}

class UndoTest : public WindowSeasonTest {
 protected:
  static void choose(QDialog& reg, const char* startsWith) {
    auto* list = find<QListWidget>(reg, "ERegListBox");
    list->clearSelection();
    for (int i = 0; i < list->count(); ++i) {
      if (!list->item(i)->text().trimmed().startsWith(QString::fromUtf8(startsWith))) continue;
      list->setCurrentRow(i, QItemSelectionModel::ClearAndSelect);
      return;
    }
    ADD_FAILURE() << "no entry " << startsWith;
  }
  // Two competitions; the second is open.
  void twoCompetitions() {
    m_ui.setNextAnswer(Answer::No);
    m_form->offerDemo();
    trigger("skapanya1");
    for (const char* name : {"Höstserien", "Vårserien"}) {
      m_scripts.push_back([name](QDialog& d) {
        typeKeys(d, "edTvl", name);
        typeKeys(d, "edOmg", "1");
        press(d, "okButton");
      });
      trigger("new");
    }
    ASSERT_TRUE(m_shell->db().competitionOpen());
    ASSERT_EQ(m_shell->db().currentCompetition(), 2);
  }
  void classes() {
    m_scripts.push_back([this](QDialog& reg) {
      for (const char* c : {"Herrar", "Damer"}) {
        m_scripts.push_back([c](QDialog& d) {
          typeKeys(d, "edKlass", c);
          press(d, "BitBtn1");
        });
        press(reg, "newbtn");
      }
      choose(reg, "DAMER");
      m_scripts.push_back([](QDialog& d) {
        typeKeys(d, "edWin", "3");
        press(d, "BitBtn1");
      });
      press(reg, "changebtn");
      // A tie order: kept in the competition's own file beside the record files.
      choose(reg, "HERRAR");
      m_scripts.push_back([](QDialog& d) {
        typeKeys(d, "edOrdning", "poäng,inbördes,målskillnad");
        press(d, "BitBtn1");
        EXPECT_EQ(d.result(), QDialog::Accepted) << status(d).toStdString();
      });
      press(reg, "changebtn");
      choose(reg, "DAMER");
      m_ui.setNextAnswer(Answer::Yes);
      press(reg, "deletebtn");
      press(reg, "closebtn");
    });
    trigger("mnuMedlReg");
  }
  void teams() {
    m_scripts.push_back([this](QDialog& reg) {
      for (const char* name : {"Norrby", "Södra", "Väster", "Öster", "Extra"}) {
        m_scripts.push_back([name](QDialog& d) {
          auto* box = find<QComboBox>(d, "cbKlass");
          box->setCurrentIndex(box->findText(QStringLiteral("HERRAR")));
          static_cast<LagFormView&>(d).klassChanged();
          typeKeys(d, "edNamn", name);
          press(d, "okButton");
        });
        press(reg, "newbtn");
      }
      const int extra = find<QListWidget>(reg, "ERegListBox")->count() - 1;
      find<QListWidget>(reg, "ERegListBox")
          ->setCurrentRow(extra, QItemSelectionModel::ClearAndSelect);
      m_scripts.push_back([](QDialog& d) {
        typeKeys(d, "edNamn", "Reserv");
        press(d, "okButton");
      });
      press(reg, "changebtn");
      find<QListWidget>(reg, "ERegListBox")
          ->setCurrentRow(extra, QItemSelectionModel::ClearAndSelect);
      m_ui.setNextAnswer(Answer::Yes);
      press(reg, "deletebtn");
      EXPECT_EQ(find<QListWidget>(reg, "ERegListBox")->count(), 4);
      press(reg, "closebtn");
    });
    trigger("mnuTavlingar");
  }
  void playTimes() {
    m_scripts.push_back([this](QDialog& reg) {
      for (const char* when : {"2028-01-08 10:00", "2028-01-15 10:00", "2028-01-22 10:00"}) {
        m_scripts.push_back([when](QDialog& d) {
          typeKeys(d, "edSpeltid", when);
          press(d, "okButton");
        });
        press(reg, "newbtn");
      }
      choose(reg, "2028-01-22");
      m_scripts.push_back([](QDialog& d) {
        typeKeys(d, "edSpeltid", "2028-01-29 10:00");
        press(d, "okButton");
      });
      press(reg, "changebtn");
      choose(reg, "2028-01-29");
      m_ui.setNextAnswer(Answer::Yes);
      press(reg, "deletebtn");
      press(reg, "closebtn");
    });
    trigger("spelmten1");
  }
  void schedule() {
    const std::filesystem::path lot = m_dir / "SPELDAG.LOT";
    m_form->runLottnDialog = [lot](TLottnDlgForm& d) {
      typeKeys(d, "edUtfil", lot.string().c_str());
      press(d, "okButton");
      return d.result() == QDialog::Accepted;
    };
    trigger("spelfrdela1");
    m_ui.setNextPick(lot.string());
    m_ui.setNextPick(std::nullopt);
    for (int i = 0; i < 4; ++i) m_ui.setNextAnswer(Answer::Yes);
    trigger("importera");
    ASSERT_TRUE(m_form->state().scheduled);
  }
  // Results typed into the first play time with two matches; returns the first match's
  // number.
  QString results(const char* home, const char* away) {
    QString number;
    m_scripts.push_back([&number, home, away](QDialog& d) {
      auto* list = find<QComboBox>(d, "cbSpeltider1");
      auto* grid = find<QTableWidget>(d, "sgMatcher1");
      for (int i = 0; i < list->count(); ++i) {
        list->setCurrentIndex(i);
        if (!grid->item(1, 0)->text().trimmed().isEmpty()) break;
      }
      number = grid->item(1, 0)->text().trimmed();
      grid->item(1, 4)->setText(QString::fromUtf8(home));
      grid->item(1, 6)->setText(QString::fromUtf8(away));
      press(d, "klarBtn");
      EXPECT_EQ(d.result(), QDialog::Accepted) << status(d).toStdString();
    });
    trigger("resultat4");
    return number;
  }
};

// A season's worth of changes through the windows, undone one by one back to the first byte,
// then made again one by one to the last.
TEST_F(UndoTest, ASeasonOfChangesUndoneAndRedoneByteForByte) {
  start();
  twoCompetitions();
  auto* undo = control<QAction>("angra1");
  auto* redo = control<QAction>("gorom1");
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_FALSE(redo->isEnabled());
  EXPECT_EQ(undo->text(), QString::fromUtf8("ångra (inget att ångra)"));
  EXPECT_EQ(redo->text(), QString::fromUtf8("gör om (inget att göra om)"));
  EXPECT_EQ(undo->shortcut(), QKeySequence(QKeySequence::Undo));
  EXPECT_TRUE(redo->shortcuts().contains(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)));
  const auto before = DataFiles(m_data);

  classes();
  EXPECT_TRUE(undo->text().startsWith(QString::fromUtf8("ångra: radera klass DAMER")))
      << undo->text().toStdString();
  teams();
  EXPECT_TRUE(undo->text().startsWith(QString::fromUtf8("ångra: radera lag")))
      << undo->text().toStdString();
  playTimes();
  schedule();
  EXPECT_EQ(undo->text(), QString::fromUtf8("ångra: importera"));
  // Move the first match of a play time to the empty one.
  m_scripts.push_back([](QDialog& d) {
    auto* right = find<QComboBox>(d, "cbSpeltider2");
    const int target = right->findText(QStringLiteral("2028-01-15 10:00"));
    ASSERT_GE(target, 0);
    right->setCurrentIndex(target);
    find<QComboBox>(d, "cbSpeltider1")->setCurrentIndex(target == 0 ? 1 : 0);
    static_cast<MoveGameFormView&>(d).moveRow(1);
    EXPECT_TRUE(status(d).endsWith(QStringLiteral("flyttad till 2028-01-15 10:00")))
        << status(d).toStdString();
    press(d, "klarBtn");
  });
  trigger("flyttamatcher1");
  EXPECT_TRUE(undo->text().startsWith(QString::fromUtf8("ångra: flytta match ")))
      << undo->text().toStdString();
  // A result entered, changed and cleared.
  const QString match = results("3", "1");
  EXPECT_EQ(undo->text(), QString::fromUtf8("ångra: resultat match ") + match);
  results("2", "2");
  results("-1", "-1");
  results("4", "0");
  // The results view stores the places it computed: they join the last change.
  const GridRunner previous = SetGridRunner([](QWidget*, const GridModel&) {});
  m_scripts.push_back(pickAll());
  m_scripts.push_back(pickAll());
  trigger("resultat2");
  SetGridRunner(previous);
  EXPECT_EQ(undo->text(), QString::fromUtf8("ångra: resultat match ") + match);
  // An export saved beside the record files is the person's: undo leaves it alone.
  const std::filesystem::path exported = m_data / "lag.lgw";
  m_ui.setNextPick(exported.string());
  trigger("lag1");
  ASSERT_TRUE(std::filesystem::exists(exported));
  const std::string exportedBytes = liga::testing::ReadFile(exported);
  EXPECT_EQ(undo->text(), QString::fromUtf8("ångra: resultat match ") + match);
  // The competition's name changed, then the other competition deleted.
  m_scripts.push_back([](QDialog& d) {
    typeKeys(d, "edTvl", "Vårserien 2028");
    press(d, "okButton");
  });
  trigger("change");
  m_form->refresh();
  m_ui.setNextAnswer(Answer::Yes);
  control<QAction>("r00")->trigger();
  ASSERT_EQ(m_shell->db().currentCompetition(), 2);
  EXPECT_FALSE(std::filesystem::exists(m_data / "klass01.DAT"));
  EXPECT_TRUE(undo->text().startsWith(QString::fromUtf8("ångra: radera tävling")))
      << undo->text().toStdString();
  const auto after = DataFiles(m_data);
  ASSERT_NE(after, before);
  EXPECT_TRUE(after.count("ordning02.TXT"));
  EXPECT_FALSE(before.count("ordning02.TXT"));

  QStringList names;
  for (int i = 0; i < m_form->history().stack().count(); ++i)
    names << m_form->history().stack().text(i);
  EXPECT_EQ(names.size(), 25) << names.join(QStringLiteral(" | ")).toStdString();
  int undone = 0;
  QElapsedTimer clock;
  clock.start();
  while (undo->isEnabled() && undone < 100) {
    undo->trigger();
    ++undone;
  }
  std::size_t bytes = 0;
  for (const auto& [name, contents] : after) bytes += contents.size();
  std::printf("undo: %d changes undone in %lld ms, data directory %zu bytes\n", undone,
              static_cast<long long>(clock.elapsed()), bytes);
  EXPECT_EQ(undone, names.size());
  auto withExport = before;
  withExport["lag.lgw"] = exportedBytes;
  EXPECT_TRUE(DataFiles(m_data) == withExport) << Differing(DataFiles(m_data), withExport);
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_TRUE(redo->isEnabled());
  for (const auto& shown : m_ui.shown)
    EXPECT_EQ(shown.text.find("Kan inte"), std::string::npos) << shown.text;
  int redone = 0;
  while (redo->isEnabled() && redone < 100) {
    redo->trigger();
    ++redone;
  }
  EXPECT_EQ(redone, undone);
  EXPECT_TRUE(DataFiles(m_data) == after) << Differing(DataFiles(m_data), after);
  // The window reads what was put back: the competition's new name, four teams, a result.
  EXPECT_EQ(m_shell->db().comp().competitionName(), Utf8ToCp1252("Vårserien 2028"));
  int played = 0;
  for (std::int32_t t = 1; t <= 4; ++t) {
    ASSERT_TRUE(m_shell->db().readTeam(t));
    played += m_shell->db().team().played();
  }
  EXPECT_EQ(played, 2);
}

// Undo never reaches past a change it did not make: a file changed outside the window stops
// it with a message naming the file, leaves the files alone and empties the history.
TEST_F(UndoTest, AChangeMadeOutsideTheWindowStopsUndoAndEmptiesTheHistory) {
  start();
  twoCompetitions();
  classes();
  auto* undo = control<QAction>("angra1");
  ASSERT_TRUE(undo->isEnabled());
  const std::filesystem::path file = m_data / "klass02.DAT";
  std::string bytes = liga::testing::ReadFile(file);
  bytes.back() = static_cast<char>(bytes.back() ^ 0x20);
  ASSERT_TRUE(liga::testing::WriteFile(file, bytes));
  const auto outside = DataFiles(m_data);
  const std::size_t shown = m_ui.shown.size();
  undo->trigger();
  ASSERT_EQ(m_ui.shown.size(), shown + 1);
  EXPECT_NE(m_ui.shown.back().text.find(Utf8ToCp1252("Kan inte ångra")), std::string::npos)
      << m_ui.shown.back().text;
  EXPECT_NE(m_ui.shown.back().text.find("klass02.DAT"), std::string::npos);
  EXPECT_TRUE(DataFiles(m_data) == outside);
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_FALSE(control<QAction>("gorom1")->isEnabled());
  EXPECT_EQ(undo->text(), QString::fromUtf8("ångra (inget att ångra)"));
}

// Beyond the memory the history may keep, the oldest changes are dropped: undo stops at the
// newest change it still holds, and what it puts back is exactly the state before it.
TEST_F(UndoTest, OldestChangesAreDroppedBeyondTheMemoryLimit) {
  start();
  twoCompetitions();
  m_form->history().setByteLimit(1);
  std::map<std::string, std::string> beforeLast;
  m_scripts.push_back([this, &beforeLast](QDialog& reg) {
    for (const char* c : {"Herrar", "Damer", "Pojkar"}) {
      beforeLast = DataFiles(m_data);
      m_scripts.push_back([c](QDialog& d) {
        typeKeys(d, "edKlass", c);
        press(d, "BitBtn1");
      });
      press(reg, "newbtn");
    }
    press(reg, "closebtn");
  });
  trigger("mnuMedlReg");
  auto* undo = control<QAction>("angra1");
  EXPECT_EQ(m_form->history().stack().count(), 3);
  ASSERT_TRUE(undo->isEnabled());
  undo->trigger();
  EXPECT_TRUE(DataFiles(m_data) == beforeLast) << Differing(DataFiles(m_data), beforeLast);
  EXPECT_FALSE(undo->isEnabled());
  EXPECT_EQ(undo->text(), QString::fromUtf8("ångra (inget att ångra)"));
  EXPECT_TRUE(control<QAction>("gorom1")->isEnabled());
}

// Choosing another competition empties the history: its changes belong to the one left.
TEST_F(UndoTest, AnotherCompetitionEmptiesTheHistory) {
  start();
  twoCompetitions();
  classes();
  auto* undo = control<QAction>("angra1");
  ASSERT_TRUE(undo->isEnabled());
  m_form->refresh();
  control<QAction>("v00")->trigger();
  ASSERT_EQ(m_shell->db().currentCompetition(), 1);
  EXPECT_FALSE(undo->isEnabled());
}

}  // namespace
}  // namespace liga::gui::testing
