// Scheduling runs: the largest competition the program allows and a typical one.
//
// Largest: 10 classes of 16 teams, 4 rounds (4,800 matches) on 300 play times over 150
// dates, 16 matches per play time, one match per day and team, 10 repair steps and a
// 200-line mask file; also with the improvement pass. Typical: 3 classes with 26 teams, 2 rounds,
// 20 play times.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/text.h"
#include "schedule_input.h"
#include "scheduling/run.h"

namespace {

using namespace liga;
using namespace liga::scheduling;
using namespace liga::bench;

Lrec Prepared(const ScheduleInput& input, int perPlayTime, int refineSteps, bool improve = false) {
  Lrec lrec;
  std::string confirmed;
  Prepare(input, ScheduleConfig{"/tmp/x.lot", "/tmp"}, lrec, confirmed);
  lrec.MatchesPerPlayTime = perPlayTime;
  lrec.OneMatchPerDay = 1;
  lrec.RefineSteps = refineSteps;
  lrec.Improve = improve ? 1 : 0;
  return lrec;
}

void RunOnce(benchmark::State& state, const ScheduleInput& input, const Lrec& prepared,
             const Mask* mask) {
  std::uint64_t seed = 1;
  ScheduleResult last;
  for (auto _ : state) {
    Lrec lrec = prepared;
    SeededRandom random(seed++);
    ScheduleResult result = Schedule(input, lrec, random, mask);
    std::string bytes = FormatScheduleFile(input.Organiser, input.CompetitionName, {2016, 10, 2},
                                           lrec, result.slots, result.matchCount, std::nullopt);
    benchmark::DoNotOptimize(bytes.data());
    last = std::move(result);
  }
  // The figures of the last run, counted outside the timed loop.
  int placeholders = 0, breaks = 0;
  for (const auto& s : last.slots) placeholders += s.placeholder ? s.nG : 0;
  for (int b : MeasureSchedule(last.sequence, last.slots).breaks) breaks += b;
  state.counters["placeholder_matches"] = placeholders;
  state.counters["breaks"] = breaks;
  if (last.improved) {
    int before = 0;
    for (int b : last.improved->before.breaks) before += b;
    state.counters["placeholder_matches_before"] = last.improved->before.placeholderMatches;
    state.counters["breaks_before"] = before;
  }
}

void BM_LargestRun(benchmark::State& state) {
  static const ScheduleInput input =
      MakeInput(std::vector<int>(10, 16), 4, 150, {"10:00", "14:00"});
  static const Mask mask = Mask::FromText(MaskText(200, 160, 150));
  static const Lrec lrec = Prepared(input, 16, 10);
  RunOnce(state, input, lrec, &mask);
}
BENCHMARK(BM_LargestRun)->Unit(benchmark::kMillisecond);

// The same run with the improvement pass at its default budget.
void BM_LargestRunImproved(benchmark::State& state) {
  static const ScheduleInput input =
      MakeInput(std::vector<int>(10, 16), 4, 150, {"10:00", "14:00"});
  static const Mask mask = Mask::FromText(MaskText(200, 160, 150));
  static const Lrec lrec = Prepared(input, 16, 10, true);
  RunOnce(state, input, lrec, &mask);
}
BENCHMARK(BM_LargestRunImproved)->Unit(benchmark::kMillisecond);

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
