// Scheduling runs: the largest competition the program allows and a typical one.
//
// Largest: 10 classes of 16 teams, 4 rounds (4,800 matches) on 300 play times over 150
// dates, 16 matches per play time, one match per day and team, 10 repair steps and a
// 200-line mask file. Typical: 3 classes with 26 teams, 2 rounds, 20 play times.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/text.h"
#include "scheduling/run.h"

namespace {

using namespace liga;
using namespace liga::scheduling;

std::string DateText(int dayIndex) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int year = 2016, month = 9, day = 1 + dayIndex;
  for (;;) {
    int length = kDays[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0);
    if (day <= length) break;
    day -= length;
    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
  return FormatInt(year, 4, '0') + "-" + FormatInt(month, 2, '0') + "-" + FormatInt(day, 2, '0');
}

ScheduleInput MakeInput(const std::vector<int>& teamsPerClass, int rounds, int dates,
                        const std::vector<std::string>& times) {
  ScheduleInput input;
  input.Organiser = "BENCH";
  input.CompetitionName = "BENCH CUP";
  int number = 1;
  for (std::size_t c = 0; c < teamsPerClass.size(); ++c) {
    ClassInput k;
    k.RecNo = static_cast<int>(c) + 1;
    k.ClassName = "KLASS " + std::to_string(c + 1);
    k.TeamCount = teamsPerClass[c];
    k.MatchCount = k.TeamCount * (k.TeamCount - 1) * rounds / 2;
    for (int i = 0; i < k.TeamCount; ++i, ++number) {
      k.Teams.push_back({number, FormatInt(number, 4, '0')});
    }
    input.TeamRecords += k.TeamCount;
    input.Classes.push_back(std::move(k));
  }
  for (int d = 0; d < dates; ++d) {
    for (const std::string& t : times) input.PlayTimes.push_back({DateText(d) + " " + t, "PLAN 1"});
  }
  return input;
}

std::string MaskText(int lines, int teams, int dates) {
  std::string text = "LAG,EJ SPELBARA TIDER\r\n";
  for (int i = 1; i < lines; ++i) {
    int team = 1 + (i * 37) % teams;
    std::string pattern = i % 5 == 0 ? "14:00" : DateText((i * 11) % dates);
    text += std::to_string(team) + "," + pattern + "\r\n";
  }
  return text;
}

Lrec Prepared(const ScheduleInput& input, int perPlayTime, int refineSteps) {
  Lrec lrec;
  std::string confirmed;
  Prepare(input, ScheduleConfig{"/tmp/x.lot", "/tmp"}, lrec, confirmed);
  lrec.MatchesPerPlayTime = perPlayTime;
  lrec.OneMatchPerDay = 1;
  lrec.RefineSteps = refineSteps;
  return lrec;
}

void RunOnce(benchmark::State& state, const ScheduleInput& input, const Lrec& prepared,
             const Mask* mask) {
  std::uint64_t seed = 1;
  int placeholders = 0;
  for (auto _ : state) {
    Lrec lrec = prepared;
    SeededRandom random(seed++);
    ScheduleResult result = Schedule(input, lrec, random, mask);
    std::string bytes = FormatScheduleFile(input.Organiser, input.CompetitionName, {2016, 10, 2},
                                           lrec, result.slots, result.matchCount, std::nullopt);
    benchmark::DoNotOptimize(bytes.data());
    placeholders = 0;
    for (const auto& s : result.slots) placeholders += s.placeholder ? s.nG : 0;
  }
  state.counters["placeholder_matches"] = placeholders;
}

void BM_LargestRun(benchmark::State& state) {
  static const ScheduleInput input =
      MakeInput(std::vector<int>(10, 16), 4, 150, {"10:00", "14:00"});
  static const Mask mask = Mask::FromText(MaskText(200, 160, 150));
  static const Lrec lrec = Prepared(input, 16, 10);
  RunOnce(state, input, lrec, &mask);
}
BENCHMARK(BM_LargestRun)->Unit(benchmark::kMillisecond);

// The whole run as the command makes it, with the mask file read from disk and the
// schedule file written, synced and renamed into place.
void BM_LargestRunWithFiles(benchmark::State& state) {
  static const ScheduleInput input =
      MakeInput(std::vector<int>(10, 16), 4, 150, {"10:00", "14:00"});
  namespace fs = std::filesystem;
  fs::path dir = fs::temp_directory_path() / "liga_schedule_bench";
  fs::create_directories(dir);
  std::ofstream(dir / "lag.msk", std::ios::binary) << MaskText(200, 160, 150);
  ScheduleConfig config{(dir / "x.lot").string(), dir.string()};
  std::uint64_t seed = 1;
  for (auto _ : state) {
    SeededRandom random(seed++);
    RunOptions options{&random, nullptr};
    RunSummary s = RunSchedule(
        input, config,
        [&](ScheduleDialog& d) {
          d.setMatchesPerPlayTime(16);
          d.setRefineSteps(10);
          d.setMaskFile((dir / "lag.msk").string());
          d.setOutFile((dir / "SPELDAG.LOT").string());
          fs::remove(dir / "SPELDAG.LOT");
          return d.ok();
        },
        options);
    if (s.outcome != RunOutcome::Written) state.SkipWithError("run did not write its file");
  }
  fs::remove_all(dir);
}
BENCHMARK(BM_LargestRunWithFiles)->Unit(benchmark::kMillisecond);

void BM_TypicalRun(benchmark::State& state) {
  static const ScheduleInput input = MakeInput({10, 8, 8}, 2, 20, {"10:00"});
  static const Lrec lrec = Prepared(input, 11, 2);  // 202 matches on 20 play times
  RunOnce(state, input, lrec, nullptr);
}
BENCHMARK(BM_TypicalRun)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
