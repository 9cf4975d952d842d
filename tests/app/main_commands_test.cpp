#include "app/main_commands.h"
#include "common/encoding.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>

#include "app/shell.h"
#include "common/recording_ui.h"
#include "exchange/demo.h"
#include "support/temp_dir.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

MainState stateOf(bool data, bool competition, bool teams) {
  MainState s;
  s.dataPresent = data;
  s.competitionOpen = competition;
  s.teamsPresent = teams;
  return s;
}

std::vector<std::string_view> enabledControls(const MainState& s) {
  std::vector<std::string_view> on;
  for (std::string_view c : RuledControls()) {
    if (IsEnabled(NeedOf(c), s)) on.push_back(c);
  }
  return on;
}

TEST(EnablingRuleTest, WithoutDataOnlyTheDataCommandsAreEnabled) {
  const auto on = enabledControls(stateOf(false, false, false));
  EXPECT_TRUE(on.empty());
  const auto data = enabledControls(stateOf(true, false, false));
  const std::vector<std::string_view>
      expected = {"vlj1",         "new",          "importera1",   "importera",
                  "mnuXregister", "plusgiroMenu", "postgiroMenu", "bankgiroMenu",
                  "etikettMenu",  "tbKopiera",    "aterstall1"};  // restoring a backup needs the
                                                                  // catalogue only
  EXPECT_EQ(data, expected);
  // Commands outside the rule are always available.
  EXPECT_EQ(NeedOf("skapanya1"), Need::Always);
  EXPECT_EQ(NeedOf("avsluta"), Need::Always);
  EXPECT_EQ(NeedOf("buttonKonfig"), Need::Always);
}

TEST(EnablingRuleTest, ACompetitionWithoutTeamsEnablesRegistersButNotTheTeamCommands) {
  const MainState s = stateOf(true, true, false);
  for (const char* c : {"change", "spelfrdela1", "mnuRegister", "mnuRapporter", "mnuVisningar",
                        "tbKlass", "tbLag", "freningen1", "tvlingar1", "resultat3", "radera1"}) {
    EXPECT_TRUE(IsEnabled(NeedOf(c), s)) << c;
  }
  for (const char* c : {"raderaallamedl", "tbGame", "tbResultat", "medlemmar1", "lag1"}) {
    EXPECT_FALSE(IsEnabled(NeedOf(c), s)) << c;
  }
  EXPECT_EQ(enabledControls(stateOf(true, true, true)).size(), RuledControls().size());
  // Teams without an open competition cannot enable anything of the teams.
  EXPECT_FALSE(IsEnabled(Need::Teams, stateOf(true, false, true)));
}

TEST(DataPanelTest, Texts) {
  EXPECT_EQ(DataPanelText(stateOf(false, false, false)), "<datafiler saknas>");
  EXPECT_EQ(DataPanelText(stateOf(true, false, false)), "<t\xE4vling ej vald/inmatad>");
  MainState s = stateOf(true, true, true);
  s.competitionName = "DEMOSERIEN";
  EXPECT_EQ(DataPanelText(s), "T\xE4vling: DEMOSERIEN");
  s.teamsPresent = false;
  EXPECT_EQ(DataPanelText(s), "T\xE4vling: DEMOSERIEN <inga lag inmatade>");
  // The name part is cut so the whole stays at 49 characters; the suffix comes after.
  s.competitionName = std::string(40, 'X');
  s.teamsPresent = true;
  EXPECT_EQ(DataPanelText(s).size(), 49u);
  s.teamsPresent = false;
  EXPECT_EQ(DataPanelText(s), "T\xE4vling: " + std::string(40, 'X') + " <inga lag inmatade>");
}

TEST(MessageBarTest, NewTextsShiftTheOlderOnesRight) {
  MessageBar bar;
  EXPECT_TRUE(bar.show("a"));
  EXPECT_TRUE(bar.show("b"));
  EXPECT_EQ(bar.panels(), (std::array<std::string, 3>{"b", "a", ""}));
  EXPECT_TRUE(bar.show("c"));
  EXPECT_TRUE(bar.show("d"));
  EXPECT_EQ(bar.panels(), (std::array<std::string, 3>{"d", "c", "b"}));
  EXPECT_FALSE(bar.show("d"));  // the same text again is not shown twice
  EXPECT_EQ(bar.panels(), (std::array<std::string, 3>{"d", "c", "b"}));
  EXPECT_TRUE(bar.show("c"));  // an older text is a new arrival
  EXPECT_EQ(bar.panels(), (std::array<std::string, 3>{"c", "d", "c"}));
}

TEST(MessageBarTest, AMessageNoLongerTrueLeavesTheBar) {
  MessageBar bar;
  bar.show("Datafiler saknas");
  bar.show("x");
  bar.show("Datafiler saknas");
  bar.show("Filerna");
  EXPECT_TRUE(bar.drop("Datafiler saknas"));
  EXPECT_EQ(bar.panels(), (std::array<std::string, 3>{"Filerna", "x", ""}));
  EXPECT_FALSE(bar.drop("Datafiler saknas"));
}

TEST(NextStepTest, TheWindowSaysWhatToDoNext) {
  EXPECT_NE(Cp1252ToUtf8(NextStepText(stateOf(false, false, false))).find("\"skapa nya\""),
            std::string::npos);
  EXPECT_NE(Cp1252ToUtf8(NextStepText(stateOf(true, false, false))).find("\"ny\""),
            std::string::npos);
  EXPECT_NE(Cp1252ToUtf8(NextStepText(stateOf(true, true, false))).find("register"),
            std::string::npos);
  EXPECT_EQ(NextStepText(stateOf(true, true, true)), "");
}

TEST(EditorTest, CandidatesFollowTheEnvironment) {
  setenv("VISUAL", "gvim", 1);
  setenv("EDITOR", "", 1);
  auto c = EditorCandidates("/t");
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0], (std::vector<std::string>{"gvim", "/t"}));
  EXPECT_EQ(c[1], (std::vector<std::string>{"xdg-open", "/t"}));
  unsetenv("VISUAL");
  setenv("EDITOR", "nano", 1);
  c = EditorCandidates("/t");
  ASSERT_EQ(c.size(), 2u);
  EXPECT_EQ(c[0][0], "nano");
  unsetenv("EDITOR");
  EXPECT_EQ(EditorCandidates("/t").size(), 1u);
  EXPECT_EQ(EditorFailureText("The specified file was not found."),
            "winexecfel: The specified file was not found. \"editor\"");
}

TEST(WindowScaleTest, AutomaticAndChosen) {
  EXPECT_EQ(WindowScaleInUse(1, 1920, 1080, 400), 100);  // 1080/312 = 3, /3 = 1
  EXPECT_EQ(WindowScaleInUse(0, 3840, 2160, 400), 200);  // 2160/312 = 6, /3 = 2
  EXPECT_EQ(WindowScaleInUse(99, 800, 600, 400), 100);   // at least 1
  EXPECT_EQ(WindowScaleInUse(150, 800, 600, 400), 150);
  EXPECT_EQ(WindowScaleInUse(500, 3840, 2160, 400), 200);  // beyond the control's maximum
}

// The state read from a real data directory.
class MainStateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_cwd = fs::current_path();
    setenv("HOME", m_dir.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (m_dir / "cfg").c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", (m_dir / "docs").c_str(), 1);
    m_shell.startup(m_ui, {});
  }
  void TearDown() override {
    m_shell.shutdown(m_ui, false);
    fs::current_path(m_cwd);
    unsetenv("XDG_CONFIG_HOME");
    unsetenv("XDG_DOCUMENTS_DIR");
  }
  void addCompetitions(int count) {
    ScopedUi scoped(m_ui);
    Database& db = m_shell.db();
    if (!db.catalogueAvailable()) {
      ASSERT_TRUE(db.createCatalogue());
    }
    for (int i = 0; i < count; ++i) {
      ASSERT_TRUE(db.selectCompetition(0, true));
      db.comp().setCompetitionName("CUP " + std::to_string(i + 1));
      ASSERT_TRUE(db.storeCompetition(true));
      ASSERT_TRUE(db.createCompetitionFiles());
    }
  }

  liga::testing::TempDir m_dir{"mainstate"};
  fs::path m_cwd;
  RecordingUi m_ui;
  Shell m_shell;
};

TEST_F(MainStateTest, NoCatalogue) {
  ScopedUi scoped(m_ui);
  const MainState s = ReadMainState(m_shell.db());
  EXPECT_FALSE(s.dataPresent);
  for (const auto& item : s.items) {
    EXPECT_EQ(item.caption, "vakant");
    EXPECT_FALSE(item.enabled);
  }
  EXPECT_EQ(DataPanelText(s), "<datafiler saknas>");
}

TEST_F(MainStateTest, CompetitionWithoutTeams) {
  addCompetitions(2);
  ScopedUi scoped(m_ui);
  ASSERT_TRUE(SelectCompetitionCommand(m_shell.db(), 1));
  const MainState s = ReadMainState(m_shell.db());
  EXPECT_TRUE(s.competitionOpen);
  EXPECT_FALSE(s.teamsPresent);
  EXPECT_EQ(s.items[0].caption, "CUP 1");
  EXPECT_TRUE(s.items[0].checked);
  EXPECT_FALSE(s.items[1].checked);
  EXPECT_TRUE(s.items[1].enabled);
  EXPECT_EQ(s.items[2].caption, "vakant");
  EXPECT_EQ(DataPanelText(s), "T\xE4vling: CUP 1 <inga lag inmatade>");
}

TEST_F(MainStateTest, DeletingTheCurrentOrAnotherCompetition) {
  addCompetitions(3);
  ScopedUi scoped(m_ui);
  Database& db = m_shell.db();
  ASSERT_TRUE(SelectCompetitionCommand(db, 2));
  m_ui.answers = {Answer::Yes};
  ASSERT_TRUE(DeleteCompetitionCommand(db, 3));  // another one: 2 is opened again
  EXPECT_EQ(db.currentCompetition(), 2);
  EXPECT_TRUE(db.competitionOpen());
  MainState s = ReadMainState(db);
  EXPECT_EQ(s.items[2].caption, "raderad");
  EXPECT_FALSE(s.items[2].enabled);
  EXPECT_TRUE(s.items[1].checked);

  m_ui.answers = {Answer::Yes};
  ASSERT_TRUE(DeleteCompetitionCommand(db, 2));  // the current one: none is current
  EXPECT_EQ(db.currentCompetition(), 0);
  EXPECT_FALSE(db.competitionOpen());
  s = ReadMainState(db);
  EXPECT_EQ(DataPanelText(s), "<t\xE4vling ej vald/inmatad>");
  for (const auto& item : s.items) EXPECT_FALSE(item.checked);

  ASSERT_TRUE(SelectCompetitionCommand(db, 1));
  m_ui.answers = {Answer::No};
  EXPECT_FALSE(DeleteCompetitionCommand(db, 1));  // refused: the open one stays open
  EXPECT_EQ(db.currentCompetition(), 1);
  EXPECT_TRUE(db.competitionOpen());

  EXPECT_FALSE(DeleteCompetitionCommand(db, 7));  // beyond the catalogue
  EXPECT_FALSE(DeleteCompetitionCommand(db, 0));
}

TEST_F(MainStateTest, DemoCompetitionHasTeams) {
  ScopedUi scoped(m_ui);
  ASSERT_TRUE(exchange::CreateDemoCompetition(m_shell.db(), ""));
  const MainState s = ReadMainState(m_shell.db());
  EXPECT_TRUE(s.teamsPresent);
  EXPECT_FALSE(s.scheduled);
  EXPECT_EQ(DataPanelText(s), "T\xE4vling: DEMOSERIEN 2027");
}

TEST_F(MainStateTest, AnEmptyDataDirectoryMayHoldItsLockFile) {
  const fs::path d = m_dir / "empty";
  fs::create_directories(d);
  EXPECT_TRUE(DataDirIsEmpty(d.string()));
  std::ofstream(d / kLockFileName) << "liga";
  EXPECT_TRUE(DataDirIsEmpty(d.string()));
  std::ofstream(d / "notes.txt") << "x";
  EXPECT_FALSE(DataDirIsEmpty(d.string()));
  EXPECT_FALSE(DataDirIsEmpty((m_dir / "missing").string()));
}

TEST_F(MainStateTest, EditorOpensTheFolderOfTheLastExchangeFile) {
  EXPECT_EQ(ExchangeFolder("", "/text"), "/text");
  EXPECT_EQ(ExchangeFolder((m_dir / "serie.lgw").string(), "/text"), m_dir.string());
  EXPECT_EQ(ExchangeFolder((m_dir / "borta" / "serie.lgw").string(), "/text"), "/text");
}

TEST_F(MainStateTest, DataDirectoryChangeReopensTheCurrentCompetitionWhereItExists) {
  addCompetitions(2);
  ScopedUi scoped(m_ui);
  Database& db = m_shell.db();
  MainConfig& main = m_shell.config().main();
  const std::string home = db.dataDir();
  ASSERT_TRUE(SelectCompetitionCommand(db, 2));
  main.setCurrentCompetition(2);
  m_ui.pickerResults = {std::nullopt};  // cancelled: same directory, 2 open again
  ChangeDataDirectoryCommand(db, main);
  EXPECT_EQ(main.dataDir(), home);
  EXPECT_TRUE(db.competitionOpen());
  EXPECT_EQ(db.currentCompetition(), 2);

  fs::create_directories(m_dir / "tom");
  m_ui.pickerResults = {(m_dir / "tom").string()};
  ChangeDataDirectoryCommand(db, main);
  EXPECT_EQ(main.dataDir(), (m_dir / "tom").string());
  EXPECT_FALSE(db.catalogueAvailable());
  EXPECT_EQ(main.currentCompetition(), 0);
}

TEST_F(MainStateTest, InputInfoRefusesAnEleventhCompetition) {
  ScopedUi scoped(m_ui);
  m_shell.db().setCurrentCompetition(4);
  EXPECT_EQ(InputInfo(m_shell.db(), true), InputInfoOutcome::NoData);
  EXPECT_EQ(m_shell.db().currentCompetition(), 0);
  addCompetitions(9);
  EXPECT_EQ(InputInfo(m_shell.db(), true), InputInfoOutcome::OpenEditor);
  addCompetitions(1);
  EXPECT_EQ(InputInfo(m_shell.db(), true), InputInfoOutcome::TooMany);
  EXPECT_EQ(InputInfo(m_shell.db(), false), InputInfoOutcome::OpenEditor);
}

}  // namespace
}  // namespace liga
