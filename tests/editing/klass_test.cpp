// The class register and editor, and the register framework they run in.
#include <gtest/gtest.h>

#include "common/encoding.h"
#include "common/messages.h"
#include "editing/klass.h"
#include "editing_fixture.h"

namespace liga {
namespace {

class KlassTest : public testing::EditingFixture {
 protected:
  // Adds a class through the register's new command; returns the editor's OK result.
  OkResult add(TlgKLassRegForm& reg, const std::string& name, const std::string& rounds = "2") {
    OkResult result;
    reg.runEditor = [&](TklassDlg& dlg) {
      dlg.edKlass = name;
      dlg.edOmg = rounds;
      result = dlg.BitBtn1Click();
    };
    reg.EditEntry(true);
    return result;
  }
  std::int32_t classNo(const std::string& name) {
    std::string key = name;
    std::int32_t recNo = 0;
    return m_db.browseClass(BrowseMode::Find, key, recNo).found ? recNo : 0;
  }
  std::vector<std::string> texts(const TERegFormDlg& reg) {
    std::vector<std::string> out;
    for (const auto& e : reg.list()) out.push_back(e.text);
    return out;
  }
};

TEST_F(KlassTest, NewClassIsUpperCasedListedAndSelectedAlone) {
  TlgKLassRegForm reg(m_db);
  reg.start();
  ASSERT_TRUE(add(reg, "herrar a").ok);
  reg.setSelected(0, true);
  ASSERT_TRUE(add(reg, "damer").ok);
  EXPECT_EQ(texts(reg), (std::vector<std::string>{"DAMER", "HERRAR A"}));
  EXPECT_TRUE(reg.list()[0].selected);
  EXPECT_FALSE(reg.list()[1].selected);
  ASSERT_TRUE(m_db.readClass(classNo("HERRAR A")));
  EXPECT_EQ(m_db.cls().winPoints(), 2);
  EXPECT_EQ(m_db.cls().drawPoints(), 1);
  EXPECT_EQ(m_db.cls().leaderPoints(), 9999);
  reg.listClick();
  EXPECT_EQ(reg.statusText(), "   2 [   1]");
}

TEST_F(KlassTest, DuplicateNameInAnyCaseIsRefusedAndNothingStored) {
  TlgKLassRegForm reg(m_db);
  reg.start();
  ASSERT_TRUE(add(reg, "DAMER").ok);
  const OkResult r = add(reg, "Damer");
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(r.beep);
  EXPECT_EQ(r.focus, "edKlass");
  EXPECT_EQ(Cp1252ToUtf8(r.message),
            "Klassen/divisionen finns redan registrerad. \"DAMER\" Måste vara unik, ändra namnet.");
  EXPECT_EQ(UsedRecs(m_db.classFile()), 1);
  EXPECT_EQ(reg.count(), 1);
}

TEST_F(KlassTest, NumbersAreCheckedInOrderAndEmptyCountsAsZero) {
  TlgKLassRegForm reg(m_db);
  reg.start();
  std::vector<std::string> focus;
  reg.runEditor = [&](TklassDlg& dlg) {
    dlg.edKlass = "P15";
    dlg.edOmg = "x";
    dlg.edOavg = "y";
    focus.push_back(dlg.BitBtn1Click().focus);
    dlg.edOmg = "3";
    const OkResult r = dlg.BitBtn1Click();
    focus.push_back(r.focus);
    EXPECT_EQ(r.message, NumericInputError());
    dlg.edOavg = "";
    dlg.edWin = "70000";  // beyond 16 bits
    focus.push_back(dlg.BitBtn1Click().focus);
    dlg.edWin = "3";
    EXPECT_TRUE(dlg.BitBtn1Click().ok);
  };
  reg.EditEntry(true);
  EXPECT_EQ(focus, (std::vector<std::string>{"edOmg", "edOavg", "edWin"}));
  ASSERT_TRUE(m_db.readClass(classNo("P15")));
  EXPECT_EQ(m_db.cls().rounds(), 3);
  EXPECT_EQ(m_db.cls().drawPoints(), 0);
  EXPECT_EQ(m_db.cls().winPoints(), 3);
}

TEST_F(KlassTest, EmptyNameIsRefusedWithFocusOnTheName) {
  TlgKLassRegForm reg(m_db);
  reg.start();
  for (const char* name : {"", "   "}) {
    const OkResult r = add(reg, name);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "klassens namn saknas");
    EXPECT_EQ(r.focus, "edKlass");
  }
  EXPECT_TRUE(texts(reg).empty());
  EXPECT_EQ(UsedRecs(m_db.classFile()), 0);
}

TEST_F(KlassTest, ChangeKeepsOwnNameRenameToAnotherIsRefusedCancelRestores) {
  const std::int32_t a = addClass("A");
  const std::int32_t b = addClass("B");
  TlgKLassRegForm reg(m_db);
  reg.start();
  reg.setSelected(reg.indexOf(a), true);
  OkResult same;
  reg.runEditor = [&](TklassDlg& dlg) {
    dlg.edWin = "3";
    same = dlg.BitBtn1Click();
  };
  reg.EditEntry(false);
  EXPECT_TRUE(same.ok);
  ASSERT_TRUE(m_db.readClass(a));
  EXPECT_EQ(m_db.cls().winPoints(), 3);

  OkResult clash;
  reg.runEditor = [&](TklassDlg& dlg) {
    dlg.edKlass = "b";
    dlg.edOmg = "4";
    clash = dlg.BitBtn1Click();
    dlg.BitBtn2Click();
  };
  reg.EditEntry(false);
  EXPECT_FALSE(clash.ok);
  ASSERT_TRUE(m_db.readClass(a));
  EXPECT_EQ(m_db.cls().className(), "A");
  EXPECT_EQ(m_db.cls().rounds(), 2);
  EXPECT_EQ(classNo("A"), a);  // the key is back after Cancel
  EXPECT_EQ(texts(reg), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(classKeys(), (Keys{{"A", a}, {"B", b}}));
}

TEST_F(KlassTest, NineClassesAreTheLimit) {
  for (int i = 0; i < 8; ++i) addClass("K" + std::to_string(i));
  TlgKLassRegForm reg(m_db);
  reg.start();
  ASSERT_TRUE(add(reg, "K8").ok);
  bool opened = false;
  reg.runEditor = [&](TklassDlg&) { opened = true; };
  reg.EditEntry(true);
  EXPECT_FALSE(opened);
  EXPECT_TRUE(reg.takeBeep());
  EXPECT_EQ(Cp1252ToUtf8(reg.statusText()), "maxantalet uppnått kan ej addera registerpost!");
  EXPECT_EQ(UsedRecs(m_db.classFile()), 9);
}

TEST_F(KlassTest, DeletingRefusesAClassWithTeamsAndRemovesTheOthers) {
  const std::int32_t a = addClass("A"), b = addClass("B"), c = addClass("C");
  const std::int32_t team = addTeam("LAGET", b);
  TlgKLassRegForm reg(m_db);
  reg.start();
  for (int i = 0; i < reg.count(); ++i) reg.setSelected(i, true);
  reg.EraseEntry();
  ASSERT_EQ(texts(reg), std::vector<std::string>{"B"});
  EXPECT_FALSE(reg.list()[0].selected);
  // The last message of the command is shown: the refusal came before C was deleted.
  EXPECT_EQ(Cp1252ToUtf8(reg.statusText()), "KlassRecord \"C\", raderad...");
  EXPECT_EQ(classNo("A"), 0);
  EXPECT_EQ(classNo("C"), 0);
  (void)a;
  (void)c;
  ASSERT_TRUE(m_db.removeTeam("", team, true));
  reg.setSelected(0, true);
  reg.EraseEntry();
  EXPECT_EQ(reg.count(), 0);
  EXPECT_EQ(Cp1252ToUtf8(StatusMessage()), "KlassRecord \"B\", raderad...");
}

TEST_F(KlassTest, ListIsSortedWithNordicLettersAfterZ) {
  addClass(Utf8ToCp1252("ÄLDRE"));
  addClass("ZETA");
  addClass("ALFA");
  TlgKLassRegForm reg(m_db);
  reg.start();
  EXPECT_EQ(texts(reg), (std::vector<std::string>{"ALFA", "ZETA", Utf8ToCp1252("ÄLDRE")}));
}

TEST_F(KlassTest, PrintListsSelectedEntriesUnderTheTitle) {
  addClass("A");
  addClass("B");
  TlgKLassRegForm reg(m_db);
  reg.start();
  EXPECT_TRUE(reg.Print("LigaWin32").empty());
  reg.setSelected(1, true);
  EXPECT_EQ(reg.Print("LigaWin32"),
            (std::vector<std::string>{"LigaWin32: register klass/division", "B"}));
}

}  // namespace
}  // namespace liga
