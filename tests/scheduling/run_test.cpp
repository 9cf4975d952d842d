#include "scheduling/run.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/progress.h"
#include "common/recording_ui.h"
#include "fixtures.h"
#include "support/file_io.h"
#include "support/temp_dir.h"

namespace liga::scheduling {
namespace {

namespace fs = std::filesystem;
using testing::ClassShape;
using testing::MakeInput;
using testing::MakePlayTimes;

// Today is 2016-10-02; the first stopwatch reading starts the run's stopwatch and every
// later one is `elapsed` after it.
class FixedClock : public FakeClock {
 public:
  explicit FixedClock(std::int64_t elapsedMs = 0)
      : FakeClock(LocalTime(2016, 10, 2)), m_elapsed(elapsedMs) {}
  std::int64_t milliseconds() const override { return m_reads++ == 0 ? 1000 : 1000 + m_elapsed; }

 private:
  std::int64_t m_elapsed;
  mutable int m_reads = 0;
};

using liga::testing::ReadFile;

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_config.LastExchangePath = (m_dir / "previous.txt").string();
    m_config.DataDir = m_dir.string();
  }

  // Runs with the dialog accepted after `edit` adjusted it.
  RunSummary RunWith(const ScheduleInput& input,
                     const std::function<void(ScheduleDialog&)>& edit = {}, std::uint64_t seed = 1,
                     std::int64_t elapsedMs = 0) {
    SeededRandom random(seed);
    FixedClock clock(elapsedMs);
    RunOptions options{&random, &clock};
    return Spellotta(
        input, m_config,
        [&](ScheduleDialog& d) {
          if (edit) edit(d);
          return d.ok();
        },
        options);
  }

  RecordingUi m_ui;
  ScopedUi m_scope{m_ui};
  liga::testing::TempDir m_dir{"run"};
  ScheduleConfig m_config;
};

// The competition of the golden files: three classes (5 teams twice, 5 teams twice, 4
// teams once: 46 matches) on 8 dates with two play times each. The two equal classes take
// turns in a random order and the sequence is rotated by 0 or 1, so seeds differ.
ScheduleInput GoldenInput() {
  ScheduleInput input =
      MakeInput({{5, 2, 1, "A-KLASS"}, {5, 2, 11, "B-KLASS"}, {4, 1, 21, "C-KLASS"}}, {});
  for (int d = 0; d < 8; ++d) {
    input.PlayTimes.push_back({testing::DateText(d) + " 10:00", "DOMARE A"});
    input.PlayTimes.push_back({testing::DateText(d) + " 12:30", "DOMARE \xC5SA"});
  }
  input.Organiser = "IK \xD6RNEN";
  input.CompetitionName = "H\xD6STCUPEN";
  return input;
}

void CompareWithGolden(const std::string& bytes, const std::string& name) {
  fs::path golden = fs::path(LIGA_SOURCE_DIR) / "tests/scheduling/golden" / name;
  if (std::getenv("LIGA_UPDATE_GOLDEN")) {
    std::ofstream(golden, std::ios::binary) << bytes;
  }
  std::string expected = ReadFile(golden);
  ASSERT_FALSE(expected.empty()) << golden;
  EXPECT_EQ(bytes, expected) << "differs from " << golden;
}

TEST_F(RunTest, GoldenDefaults) {
  RunSummary s = RunWith(GoldenInput(), {}, 1);
  ASSERT_EQ(s.outcome, RunOutcome::Written);
  CompareWithGolden(ReadFile(m_dir / "SPELDAG.LOT"), "seed1_defaults.lot");
}

TEST_F(RunTest, GoldenOptionsAndMask) {
  fs::path mask = m_dir / "lag.msk";
  std::ofstream(mask, std::ios::binary) << "LAG,EJ SPELBARA TIDER\r\n"
                                           "1,2016-09-0\r\n"
                                           "21,12:30\r\n"
                                           "3,2016-09-05\r\n";
  RunSummary s = RunWith(
      GoldenInput(),
      [&](ScheduleDialog& d) {
        d.setMatchesPerPlayTime(2);
        d.setOneMatchPerDay(false);
        d.setRefineSteps(10);
        d.setRoundOrderIndex(1);
        d.setHomeAwayIndex(1);
        d.setMaskFile(mask.string());
        d.setOutFile((m_dir / "plan.lot").string());
      },
      2);
  ASSERT_EQ(s.outcome, RunOutcome::Written);
  CompareWithGolden(ReadFile(m_dir / "plan.lot"), "seed2_options_mask.lot");
}

TEST_F(RunTest, SameSeedSameFileOtherSeedOtherFile) {
  RunWith(GoldenInput(), {}, 7);
  std::string first = ReadFile(m_dir / "SPELDAG.LOT");
  m_ui.answers = {Answer::Yes};
  RunWith(GoldenInput(), {}, 7);
  EXPECT_EQ(ReadFile(m_dir / "SPELDAG.LOT"), first);
  m_ui.answers = {Answer::Yes};
  RunWith(GoldenInput(), {}, 8);
  EXPECT_NE(ReadFile(m_dir / "SPELDAG.LOT"), first);
}

TEST_F(RunTest, MessagesOfARun) {
  RunSummary s = RunWith(GoldenInput(), {}, 1, 125'400);
  ASSERT_EQ(s.outcome, RunOutcome::Written);
  std::string out = (m_dir / "SPELDAG.LOT").string();
  EXPECT_EQ(m_ui.statuses, (std::vector<std::string>{"Initierar variabler!",
                                                     "Spelf\xF6rdelar till \"" + out + "\""}));
  ASSERT_EQ(m_ui.shown.size(), 1u);
  // Work done is information, and it says where the file is and what to do with it.
  EXPECT_EQ(m_ui.shown[0].kind, MessageKind::Information);
  EXPECT_EQ(m_ui.shown[0].text,
            "Lottningsarbete tid (mmm:ss) 002:05\nSchemat skrevs till \"" + out +
                "\".\nV\xE4lj \"importera\" f\xF6r att f\xF6ra in det i t\xE4vlingen.");
  EXPECT_EQ(m_config.LastExchangePath, out);
  EXPECT_EQ(s.matchCount, 46);
  EXPECT_EQ(s.realMatches + s.placeholderMatches, 46);
  EXPECT_EQ(OpenProgressWindows(), 0);
}

TEST(ElapsedTextTest, Table) {
  const std::pair<int, const char*> cases[] = {
      {125, "002:05"}, {120, "002"}, {0, "000"}, {59, "000:59"}, {60000, "1000"}};
  for (auto [seconds, text] : cases) EXPECT_EQ(ElapsedText(seconds), text) << seconds;
}

TEST_F(RunTest, RefusedOrCancelledWritesNothing) {
  fs::path out = m_dir / "SPELDAG.LOT";
  std::ofstream(out) << "previous schedule";
  ScheduleInput empty = MakeInput({{1}}, {});
  EXPECT_EQ(RunWith(empty).outcome, RunOutcome::Refused);

  SeededRandom random(1);
  RunSummary s = RunSchedule(GoldenInput(), m_config, [](ScheduleDialog&) { return false; },
                             {&random, nullptr});
  EXPECT_EQ(s.outcome, RunOutcome::Cancelled);

  m_ui.answers = {Answer::No};  // "Filnamnet existerar redan. Skriva över": No, then cancel
  s = RunSchedule(GoldenInput(), m_config, [](ScheduleDialog& d) { return d.ok(); },
                  {&random, nullptr});
  EXPECT_EQ(s.outcome, RunOutcome::Cancelled);

  EXPECT_EQ(ReadFile(out), "previous schedule");
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(RunTest, OutputThatCannotBeCreated) {
  std::string out = (m_dir / "missing" / "x.lot").string();
  RunSummary s = RunWith(GoldenInput(), [&](ScheduleDialog& d) { d.setOutFile(out); });
  EXPECT_EQ(s.outcome, RunOutcome::CannotCreate);
  ASSERT_EQ(m_ui.shown.size(), 1u);
  EXPECT_EQ(m_ui.shown[0].text, "Kan inte \xF6ppna filen \"" + out + "\" f\xF6r skrivning");
}

TEST_F(RunTest, OutputThatCannotBeReplacedKeepsWhatWasThere) {
  // A folder stands where the file should go: the rename fails after the run.
  fs::path out = m_dir / "taken";
  fs::create_directories(out / "inside");
  m_ui.answers = {Answer::Yes};
  RunSummary s = RunWith(GoldenInput(), [&](ScheduleDialog& d) { d.setOutFile(out.string()); });
  EXPECT_EQ(s.outcome, RunOutcome::CloseFailed);
  ASSERT_EQ(m_ui.shown.size(), 3u);  // question, time, failure
  EXPECT_EQ(m_ui.shown[1].text, "Lottningsarbete tid (mmm:ss) 000");
  EXPECT_EQ(m_ui.shown[2].text, "Fel vid st\xE4nging av filen \"" + out.string() + "\"");
  EXPECT_TRUE(fs::is_directory(out / "inside"));
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 1);
}

TEST_F(RunTest, AbortFromTheProgressWindowWritesNothing) {
  int rows = 0;
  m_ui.onPendingInput = [&] {
    if (++rows == 40) CancelProgress();
  };
  RunSummary s = RunWith(GoldenInput());
  EXPECT_EQ(s.outcome, RunOutcome::Aborted);
  EXPECT_FALSE(fs::exists(m_dir / "SPELDAG.LOT"));
  EXPECT_EQ(std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()), 0);
  EXPECT_EQ(OpenProgressWindows(), 0);
}

TEST_F(RunTest, NoMatchGeneratedLeavesTheFileEmpty) {
  // The class record counts 16 teams but 17 team records belong to it: the generation
  // skips the class with its warning and the file is left empty.
  ScheduleInput input = MakeInput({{16, 1, 1, "A"}}, {});
  input.Classes[0].Teams.push_back({17, "0017"});
  RunSummary s = RunWith(input);
  EXPECT_EQ(s.outcome, RunOutcome::Written);
  EXPECT_EQ(s.matchCount, 0);
  EXPECT_TRUE(fs::exists(m_dir / "SPELDAG.LOT"));
  EXPECT_EQ(ReadFile(m_dir / "SPELDAG.LOT"), "");
  ASSERT_EQ(m_ui.shown.size(), 2u);
  EXPECT_EQ(m_ui.shown[0].text, "antalet i klassen \"A\" \xF6verskrider maxantalet  16");
  EXPECT_EQ(m_ui.shown[1].text, "Lottningsarbete tid (mmm:ss) 000");
}

TEST_F(RunTest, OnlyPlaceholderPlayTimes) {
  ScheduleInput input = MakeInput({{3}}, {});
  ASSERT_EQ(RunWith(input).outcome, RunOutcome::Written);
  std::string bytes = ReadFile(m_dir / "SPELDAG.LOT");
  EXPECT_NE(bytes.find("*Speldag\r\n\xC4ndrtid001,\xC4ndraledare001\r\n*!1-2,\r\n"
                       "\xC4ndrtid002,\xC4ndraledare002\r\n*!1-3,\r\n"
                       "\xC4ndrtid003,\xC4ndraledare003\r\n*!2-3,\r\n*Lottad\r\n"),
            std::string::npos)
      << bytes;
}

// ---- file format ----

std::vector<PlayTimeSlot> Slots(int count, int withMatches) {
  std::vector<PlayTimeSlot> slots(count);
  for (int i = 0; i < count; ++i) {
    slots[i].Inf = testing::DateText(i) + " 10:00,DOMARE A";
    slots[i].PlayTime = testing::DateText(i) + " 10:00";
    if (i < withMatches) {
      slots[i].G[0] = {12, 15};
      slots[i].G[1] = {3, 7};
      slots[i].nG = 2;
    }
  }
  return slots;
}

std::string Log(const std::string& file) {
  return file.substr(file.find("*Lottad\r\n") + 9);
}

TEST(ScheduleFileTest, SmallExampleByteForByte) {
  Lrec lrec;
  lrec.MatchesPerPlayTime = 1;
  lrec.OneMatchPerDay = 1;
  lrec.RefineSteps = 2;
  std::vector<PlayTimeSlot> slots(2);
  slots[0].Inf = "2016-10-08 10:00,DOMARE A";
  slots[0].G[0] = {1, 2};
  slots[0].nG = 1;
  slots[1].Inf = "2016-10-09 10:00,DOMARE A";
  slots[1].G[0] = {2, 1};
  slots[1].nG = 1;
  std::string file =
      FormatScheduleFile("ORGANISER", "CUP NAME", {2016, 10, 2}, lrec, slots, 2, std::nullopt);
  EXPECT_EQ(file,
            "; lottning av spelf\xF6rdelning: LigaWin32 f\xF6r Linux 2016-08-29\r\n"
            "; ORGANISER 161002 CUP NAME\r\n"
            "*Speldag\r\n"
            "2016-10-08 10:00,DOMARE A\r\n"
            "*!1-2,\r\n"
            "2016-10-09 10:00,DOMARE A\r\n"
            "*!2-1,\r\n"
            "*Lottad\r\n"
            "; Antal speltider   2\r\n"
            "; Antal spel/tid   1\r\n"
            "; Antal matcher   2\r\n"
            "; endast en match per datum och lag\r\n"
            "; f\xF6rs\xF6ker fixa \xE4ndrtider\r\n"
            "; byter i 2 steg och f\xF6rs\xF6ker fixa \xE4ndrtider\r\n"
            "\r\n");
}

struct LogCase {
  int slots, perPlayTime, oneMatchPerDay, refineSteps, matches;
  const char* log;
};

class ScheduleLogTest : public ::testing::TestWithParam<LogCase> {};

TEST_P(ScheduleLogTest, Lines) {
  const LogCase& c = GetParam();
  Lrec lrec;
  lrec.MatchesPerPlayTime = c.perPlayTime;
  lrec.OneMatchPerDay = c.oneMatchPerDay;
  lrec.RefineSteps = c.refineSteps;
  EXPECT_EQ(Log(FormatScheduleFile("O", "C", {2016, 1, 1}, lrec, Slots(c.slots, 0), c.matches,
                                   std::nullopt)),
            c.log);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ScheduleLogTest,
    ::testing::Values(
        LogCase{5, 2, 1, 0, 9,
                "; Antal speltider   5\r\n; Antal spel/tid   2\r\n; Antal matcher   9\r\n"
                "; endast en match per datum och lag\r\n\r\n"},
        LogCase{100, 16, 0, 1, 1600,
                "; Antal speltider 100\r\n; Antal spel/tid  16\r\n; Antal matcher 1600\r\n"
                "; f\xF6rs\xF6ker fixa \xE4ndrtider\r\n\r\n"},
        LogCase{1, 1, 0, 10, 1,
                "; Antal speltider   1\r\n; Antal spel/tid   1\r\n; Antal matcher   1\r\n"
                "; f\xF6rs\xF6ker fixa \xE4ndrtider\r\n"
                "; byter i 10 steg och f\xF6rs\xF6ker fixa \xE4ndrtider\r\n\r\n"}));

TEST(ScheduleFileTest, MaskLinesEndTheLog) {
  Lrec lrec;
  lrec.MatchesPerPlayTime = 2;
  std::string file = FormatScheduleFile("O", "C", {2016, 1, 1}, lrec, Slots(3, 2), 4,
                                        std::vector<std::string>{"12,2016-10-08", "7,2016-10-09"});
  EXPECT_EQ(Log(file),
            "; Antal speltider   3\r\n; Antal spel/tid   2\r\n; Antal matcher   4\r\n"
            "; lagens ej spelbara speltillf\xE4llen\r\n; 12,2016-10-08\r\n; 7,2016-10-09\r\n\r\n");
  // A play time without matches keeps its line and has no match line.
  EXPECT_NE(file.find("*!12-15,3-7,\r\n2016-09-03 10:00,DOMARE A\r\n*Lottad"), std::string::npos);
}

// An improved run logs its figures before the pass after the option lines and before the
// mask lines, so a reader of the mask section never takes them for mask lines.
TEST(ScheduleFileTest, ImprovementLogComesBeforeTheMask) {
  Lrec lrec;
  lrec.MatchesPerPlayTime = 1;
  lrec.ImproveSeconds = 3;
  ScheduleInput input = MakeInput({{4, 1, 1, "HERR A   "}}, {});
  lrec.ClassTotal = 1;
  lrec.ClassSlots[0].SlotMatches = 6;
  ImproveOutcome outcome;
  outcome.before.placeholderMatches = 5;
  outcome.before.breaks = {7};
  const std::string bytes = FormatScheduleFile("O", "C", {2016, 10, 2}, lrec, {}, 6,
                                               std::vector<std::string>{"12,2016-10-08"},
                                               ImproveLogLines(input, lrec, outcome));
  EXPECT_NE(bytes.find("; Antal matcher   6\r\n"
                       "; f\xF6rb\xE4ttrar schemat, h\xF6gst 3 s\r\n"
                       "; f\xF6re f\xF6rb\xE4ttring: \xE4ndrtider 5\r\n"
                       "; f\xF6re f\xF6rb\xE4ttring: brott 7, klass HERR A\r\n"
                       "; lagens ej spelbara speltillf\xE4llen\r\n"
                       "; 12,2016-10-08\r\n"),
            std::string::npos)
      << bytes;
}

}  // namespace
}  // namespace liga::scheduling
