#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "common/progress.h"
#include "common/recording_ui.h"
#include "fixtures.h"
#include "scheduling/dialog.h"
#include "scheduling/lrec.h"
#include "support/temp_dir.h"

namespace liga::scheduling {
namespace {

using testing::ClassShape;
using testing::MakeInput;
using testing::MakePlayTimes;

class PrepareTest : public ::testing::Test {
 protected:
  PrepareResult Run(const ScheduleInput& input) {
    return Prepare(input, m_config, m_lrec, m_confirmed);
  }
  RecordingUi m_ui;
  ScopedUi m_scope{m_ui};
  ScheduleConfig m_config{"/data/exp/x.txt", "/data"};
  Lrec m_lrec;
  std::string m_confirmed = "stale";
};

TEST_F(PrepareTest, Refusals) {
  struct Case {
    ScheduleInput input;
    const char* message;
  };
  ScheduleInput noTeams = MakeInput({{4}}, {});
  noTeams.TeamRecords = 0;
  ScheduleInput noClass = MakeInput({}, {});
  noClass.TeamRecords = 3;
  ScheduleInput oneTeamEach = MakeInput({{1}, {1, 2, 5}, {0}}, {});
  ScheduleInput tooMany = MakeInput({{17, 1, 1, "A"}, {4, 1, 30}}, {});
  const Case cases[] = {
      {noTeams, "Inga deltagande lag finns. Ingen spelf\xF6rdelning m\xF6jlig!"},
      {noClass, "Inga klasser finns. Ingen spelf\xF6rdelning m\xF6jlig!"},
      {oneTeamEach, "Antal matcher mindre \xE4n en. Ingen spelf\xF6rdelning m\xF6jlig!"},
      {tooMany,
       "maxantalet  17 [ 16] i klassen \"A\" \xF6verskridet. Ingen spelf\xF6rdelning m\xF6jlig!"},
  };
  for (const Case& c : cases) {
    m_ui.shown.clear();
    PrepareResult r = Run(c.input);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, c.message);
    ASSERT_EQ(m_ui.shown.size(), 1u);
    EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Warning);
    EXPECT_EQ(m_ui.shown[0].text, c.message);
  }
}

TEST_F(PrepareTest, LaterMessageReplacesEarlierOne) {
  ScheduleInput input = MakeInput({{17, 0, 1, "A"}}, {});
  PrepareResult r = Run(input);
  EXPECT_EQ(r.message, "Antal matcher mindre \xE4n en. Ingen spelf\xF6rdelning m\xF6jlig!");
}

TEST_F(PrepareTest, FillsTheBlock) {
  ScheduleInput input = MakeInput({{4, 2, 1}, {3, 1, 10}}, MakePlayTimes(5, {"10:00"}));
  ASSERT_TRUE(Run(input).ok);
  EXPECT_TRUE(m_confirmed.empty());
  EXPECT_EQ(m_ui.statuses, std::vector<std::string>{"Initierar variabler!"});
  EXPECT_TRUE(m_ui.shown.empty());
  EXPECT_EQ(m_lrec.OutFile, "/data/exp/SPELDAG.LOT");
  EXPECT_EQ(m_lrec.MaskFile, "");
  EXPECT_EQ(m_lrec.ClassTotal, 2);
  EXPECT_EQ(m_lrec.TeamTotal, 7);
  EXPECT_EQ(m_lrec.MatchTotal, 15);
  EXPECT_EQ(m_lrec.PlayTimeRecords, 5);
  EXPECT_EQ(m_lrec.WantedPlayTimes, 5);
  EXPECT_EQ(m_lrec.MatchesPerPlayTime, 3);
  EXPECT_EQ((std::array{m_lrec.MaxClasses, m_lrec.MaxTeams, m_lrec.MaxPlayTimes,
                        m_lrec.MaxMatchesPerPlayTime}),
            (std::array{10, 160, 4800, 16}));
  EXPECT_EQ((std::array{m_lrec.RoundOrder, m_lrec.HomeAwayMode, m_lrec.OneMatchPerDay,
                        m_lrec.RefineSteps}),
            (std::array{1, 1, 1, 2}));
  EXPECT_EQ(m_lrec.ClassSlots[1].SlotTeams, 3);
  EXPECT_EQ(m_lrec.ClassSlots[1].SlotMatches, 3);
  EXPECT_EQ(m_lrec.ClassSlots[1].SlotRecNo, 2);
  EXPECT_EQ(m_lrec.ClassSlots[1].SlotDealt, 0);
}

TEST_F(PrepareTest, MatchesPerPlayTimeOnOpening) {
  // 47 matches on 10 play times: 5 per play time; none: one per play time.
  ScheduleInput input =
      MakeInput({{7, 2, 1}, {2, 2, 20}, {3, 1, 30}}, MakePlayTimes(10, {"10:00"}));
  ASSERT_TRUE(Run(input).ok);
  EXPECT_EQ(m_lrec.MatchTotal, 47);
  EXPECT_EQ(m_lrec.MatchesPerPlayTime, 5);
  input.PlayTimes.clear();
  ASSERT_TRUE(Run(input).ok);
  EXPECT_EQ(m_lrec.WantedPlayTimes, 47);
  EXPECT_EQ(m_lrec.MatchesPerPlayTime, 1);
}

TEST_F(PrepareTest, OnlyTenClassesTakePart) {
  std::vector<ClassShape> shapes;
  for (int c = 0; c < 12; ++c) shapes.push_back({2, 1, 1 + 10 * c});
  ASSERT_TRUE(Run(MakeInput(shapes, {})).ok);
  EXPECT_EQ(m_lrec.ClassTotal, 10);
  EXPECT_EQ(m_lrec.MatchTotal, 10);
}

TEST_F(PrepareTest, ProgressLinePerClass) {
  ASSERT_TRUE(OpenProgress("t"));
  m_ui.progress.clear();
  Run(MakeInput({{2, 1, 1, "A"}, {2, 1, 5, "B"}}, {}));
  CloseProgress();
  EXPECT_EQ(m_ui.progress, (std::vector<std::string>{"row 0 1 Antal   1 [  2] \"A\"",
                                                     "row 0 1 Antal   2 [  2] \"B\"", "close 0"}));
}

TEST(DefaultOutFileTest, Table) {
  const std::array<std::array<const char*, 3>, 6> cases = {{
      {"/data/exp/x.txt", "/d", "/data/exp/SPELDAG.LOT"},
      {"/data/exp/", "/d", "/data/exp/SPELDAG.LOT"},
      {"/data/exp//x.txt", "/d", "/data/exp/SPELDAG.LOT"},
      {"", "/home/u/LigaWin32/data/", "/home/u/LigaWin32/data/SPELDAG.LOT"},
      {"/x.txt", "/d", "/SPELDAG.LOT"},
      {"x.txt", "/d", "SPELDAG.LOT"},
  }};
  for (const auto& c : cases) EXPECT_EQ(DefaultOutFile(c[0], c[1]), c[2]) << c[0];
}

class DialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_config.LastExchangePath = (m_dir / "x.txt").string();
    ScheduleInput input =
        MakeInput({{7, 2, 1}, {2, 2, 20}, {3, 1, 30}}, MakePlayTimes(10, {"10:00"}));  // 47 matches
    ASSERT_TRUE(Prepare(input, m_config, m_lrec, m_confirmed).ok);
    m_ui.statuses.clear();
  }

  RecordingUi m_ui;
  ScopedUi m_scope{m_ui};
  liga::testing::TempDir m_dir{"dialog"};
  ScheduleConfig m_config;
  Lrec m_lrec;
  std::string m_confirmed;
};

TEST_F(DialogTest, OpensWithTheBlock) {
  ScheduleDialog d(m_lrec, m_confirmed, m_config);
  EXPECT_EQ(d.playTimes(), 10);
  EXPECT_EQ(d.matchesPerPlayTime(), 5);
  EXPECT_TRUE(d.oneMatchPerDay());
  EXPECT_EQ(d.refineSteps(), 2);
  EXPECT_EQ(d.roundOrderIndex(), 0);
  EXPECT_EQ(d.homeAwayIndex(), 0);
  EXPECT_EQ(d.outFile(), (m_dir / "SPELDAG.LOT").string());
  const int current[5] = {3, 12, 10, 47, 5};
  const int allowed[5] = {10, 160, 4800, 4800, 16};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(d.row(i).current, current[i]) << i;
    EXPECT_EQ(d.row(i).allowed, allowed[i]) << i;
  }
}

TEST_F(DialogTest, WantedValuesStayConsistent) {
  ScheduleDialog d(m_lrec, m_confirmed, m_config);
  struct Step {
    bool playTimes;  // which spin box changes
    int value, p, m;
  };
  const Step steps[] = {{true, 7, 7, 7},     {false, 16, 3, 16}, {true, 12, 12, 4},
                        {true, 1, 1, 47},    {false, 0, 47, 1},  {false, 40, 3, 16},
                        {true, 9999, 47, 1}, {false, 6, 8, 6}};
  for (const Step& s : steps) {
    if (s.playTimes) {
      d.setPlayTimes(s.value);
    } else {
      d.setMatchesPerPlayTime(s.value);
    }
    EXPECT_EQ(d.playTimes(), s.p) << s.value;
    EXPECT_EQ(d.matchesPerPlayTime(), s.m) << s.value;
  }
}

TEST_F(DialogTest, ThirtyMatchesOnTwelvePlayTimes) {
  m_lrec.MatchTotal = 30;
  ScheduleDialog d(m_lrec, m_confirmed, m_config);
  d.setPlayTimes(12);
  EXPECT_EQ(d.matchesPerPlayTime(), 3);
  EXPECT_EQ(d.playTimes(), 10);
}

TEST_F(DialogTest, OkChecksInOrder) {
  ScheduleDialog d(m_lrec, m_confirmed, m_config);
  d.setPlayTimes(2);  // M = 24
  d.setOutFile("");
  EXPECT_FALSE(d.ok());
  EXPECT_EQ(d.statusText(), "Antal matcher per speltid \xE4r f\xF6r stort. Flera speltider!");
  EXPECT_EQ(d.focus(), DialogField::PlayTimes);
  EXPECT_EQ(m_lrec.MatchesPerPlayTime, 24);  // OK stores before it checks

  m_lrec.MatchTotal = 6000;
  ScheduleDialog big(m_lrec, m_confirmed, m_config);
  big.setMatchesPerPlayTime(1);
  EXPECT_FALSE(big.ok());
  EXPECT_EQ(big.statusText(), "Antal speltider \xE4r f\xF6r stort. Minska matcher/speltid");
  EXPECT_EQ(big.focus(), DialogField::MatchesPerPlayTime);

  m_lrec.MatchTotal = 47;
  ScheduleDialog empty(m_lrec, m_confirmed, m_config);
  empty.setPlayTimes(10);
  empty.setOutFile("");
  EXPECT_FALSE(empty.ok());
  EXPECT_EQ(empty.statusText(), "Filnamn f\xF6r import/exportfil m\xE5ste anges.");
  EXPECT_EQ(empty.focus(), DialogField::OutFile);
  EXPECT_EQ(m_ui.beeps, 3);
  EXPECT_TRUE(m_ui.shown.empty());
}

TEST_F(DialogTest, ExistingFileIsAskedAboutOnce) {
  std::ofstream(m_dir / "SPELDAG.LOT") << "old";
  ScheduleDialog d(m_lrec, m_confirmed, m_config);
  m_ui.answers = {Answer::No};
  EXPECT_FALSE(d.ok());
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Question);
  EXPECT_EQ(m_ui.shown[0].text, "Filnamnet existerar redan. Skriva \xF6ver");
  EXPECT_EQ(d.statusText(), "\xC4ndra filnamnet f\xF6r import/exportfil.");
  EXPECT_EQ(d.focus(), DialogField::OutFile);

  m_ui.answers = {Answer::Yes};
  EXPECT_TRUE(d.ok());
  EXPECT_EQ(m_confirmed, (m_dir / "SPELDAG.LOT").string());
  EXPECT_TRUE(d.ok());  // confirmed: no second question
  EXPECT_EQ(m_ui.shown.size(), 2u);
}

TEST_F(DialogTest, NewFileNeedsNoQuestionAndStoresTheChoices) {
  ScheduleDialog d(m_lrec, m_confirmed, m_config);
  d.setMatchesPerPlayTime(16);
  d.setOneMatchPerDay(false);
  d.setRefineSteps(12);
  d.setRoundOrderIndex(1);
  d.setHomeAwayIndex(1);
  d.setMaskFile("/m/a.msk");
  EXPECT_TRUE(d.ok());
  EXPECT_TRUE(m_ui.shown.empty());
  EXPECT_EQ(m_confirmed, m_lrec.OutFile);
  EXPECT_EQ((std::array{m_lrec.WantedPlayTimes, m_lrec.MatchesPerPlayTime, m_lrec.OneMatchPerDay,
                        m_lrec.RefineSteps, m_lrec.RoundOrder, m_lrec.HomeAwayMode}),
            (std::array{3, 16, 0, 10, 2, 2}));
  EXPECT_EQ(m_lrec.MaskFile, "/m/a.msk");
}

TEST_F(DialogTest, FilePickersAddTheExtensionAndRememberTheFolder) {
  ScheduleDialog d(m_lrec, m_confirmed, m_config);
  m_ui.pickerResults = {std::string("/out/dir/plan"), std::string("/masks/team.txt"), std::nullopt};
  EXPECT_TRUE(d.chooseOutFile());
  EXPECT_EQ(d.outFile(), "/out/dir/plan.lot");
  EXPECT_EQ(m_config.LastExchangePath, "/out/dir/");
  EXPECT_TRUE(d.chooseMaskFile());
  EXPECT_EQ(d.maskFile(), "/masks/team.txt");
  EXPECT_EQ(m_config.LastExchangePath, "/masks/");
  EXPECT_FALSE(d.chooseOutFile());  // cancelled: nothing changes
  EXPECT_EQ(d.outFile(), "/out/dir/plan.lot");
}

TEST_F(DialogTest, ChoicesOfACommandLine) {
  ScheduleDialog d(m_lrec, m_confirmed, m_config);
  DialogChoices choices;
  choices.matchesPerPlayTime = 4;
  choices.oneMatchPerDay = false;
  choices.refineSteps = 0;
  choices.roundOrder = 2;
  choices.homeAwayMode = 2;
  choices.outFile = (m_dir / "cli.lot").string();
  EXPECT_TRUE(ApplyChoices(d, choices));
  EXPECT_EQ((std::array{m_lrec.WantedPlayTimes, m_lrec.MatchesPerPlayTime, m_lrec.OneMatchPerDay,
                        m_lrec.RefineSteps, m_lrec.RoundOrder, m_lrec.HomeAwayMode}),
            (std::array{12, 4, 0, 0, 2, 2}));
  EXPECT_EQ(m_lrec.OutFile, (m_dir / "cli.lot").string());

  ScheduleDialog refused(m_lrec, m_confirmed, m_config);
  DialogChoices few;
  few.playTimes = 2;
  EXPECT_FALSE(ApplyChoices(refused, few));
  EXPECT_EQ(refused.statusText(), "Antal matcher per speltid \xE4r f\xF6r stort. Flera speltider!");
}

// "förbättra schemat" is off on opening with a budget of one second; OK stores both, and
// the budget stays within its range.
TEST_F(DialogTest, ImprovementIsOffUnlessChosen) {
  ScheduleDialog d(m_lrec, m_confirmed, m_config);
  EXPECT_FALSE(d.improve());
  EXPECT_EQ(d.improveSeconds(), kDefaultImproveSeconds);
  ASSERT_TRUE(d.ok());
  EXPECT_EQ(m_lrec.Improve, 0);

  ScheduleDialog chosen(m_lrec, m_confirmed, m_config);
  DialogChoices choices;
  choices.improve = true;
  choices.improveSeconds = 500;
  ASSERT_TRUE(ApplyChoices(chosen, choices));
  EXPECT_EQ(m_lrec.Improve, 1);
  EXPECT_EQ(m_lrec.ImproveSeconds, kMaxImproveSeconds);
  chosen.setImproveSeconds(0);
  EXPECT_EQ(chosen.improveSeconds(), kMinImproveSeconds);
}

}  // namespace
}  // namespace liga::scheduling
