// The schedule files of runs without the improvement pass, byte for byte as they were
// before the pass existed: the benchmark competitions (the largest one with its mask, and
// the typical one) over several seeds. The demo competition's files are compared by the
// command-line test of `liga schedule`. LIGA_UPDATE_GOLDEN=1 rewrites the files.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "schedule_input.h"
#include "scheduling/run.h"
#include "support/file_io.h"

namespace liga::scheduling {
namespace {

namespace fs = std::filesystem;

struct BenchCase {
  const char* name;
  std::vector<int> teams;
  int rounds;
  int dates;
  std::vector<std::string> times;
  int perPlayTime;
  int refineSteps;
  bool mask;
};

std::string ScheduleBytes(const BenchCase& c, std::uint64_t seed) {
  const ScheduleInput input = bench::MakeInput(c.teams, c.rounds, c.dates, c.times);
  const Mask mask = Mask::FromText(bench::MaskText(200, 160, 150));
  Lrec lrec;
  std::string confirmed;
  Prepare(input, ScheduleConfig{"/tmp/x.lot", "/tmp"}, lrec, confirmed);
  lrec.MatchesPerPlayTime = c.perPlayTime;
  lrec.OneMatchPerDay = 1;
  lrec.RefineSteps = c.refineSteps;
  SeededRandom random(seed);
  ScheduleResult result = Schedule(input, lrec, random, c.mask ? &mask : nullptr);
  return FormatScheduleFile(input.Organiser, input.CompetitionName, {2016, 10, 2}, lrec,
                            result.slots, result.matchCount, std::nullopt);
}

class DefaultOutputTest : public ::testing::TestWithParam<std::tuple<BenchCase, int>> {};

TEST_P(DefaultOutputTest, SameBytesAsBeforeThePass) {
  const auto& [c, seed] = GetParam();
  const std::string bytes = ScheduleBytes(c, static_cast<std::uint64_t>(seed));
  const fs::path golden = fs::path(LIGA_SOURCE_DIR) / "tests/scheduling/golden/default" /
                          (std::string(c.name) + "_seed" + std::to_string(seed) + ".lot");
  if (std::getenv("LIGA_UPDATE_GOLDEN")) liga::testing::WriteFile(golden, bytes);
  const std::string expected = liga::testing::ReadFile(golden);
  ASSERT_FALSE(expected.empty()) << golden;
  EXPECT_TRUE(bytes == expected) << "differs from " << golden;
}

const BenchCase kLargest{"largest", std::vector<int>(10, 16), 4, 150, {"10:00", "14:00"}, 16, 10,
                         true};
const BenchCase kTypical{"typical", {10, 8, 8}, 2, 20, {"10:00"}, 11, 2, false};

INSTANTIATE_TEST_SUITE_P(Largest, DefaultOutputTest,
                         ::testing::Combine(::testing::Values(kLargest),
                                            ::testing::Values(1, 2, 3)));
INSTANTIATE_TEST_SUITE_P(Typical, DefaultOutputTest,
                         ::testing::Combine(::testing::Values(kTypical),
                                            ::testing::Values(1, 2, 3, 4, 5)));

}  // namespace
}  // namespace liga::scheduling
