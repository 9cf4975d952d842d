// liga schedule on the demo competition.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/file_io.h"
#include "support/run_liga.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunResult;

class ScheduleCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() / ("liga_schedule_cmd_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "data");
    ASSERT_EQ(liga("datadir '" + (root / "data").string() + "'").status, 0);
    ASSERT_EQ(liga("demo").status, 0);
  }
  void TearDown() override { fs::remove_all(root); }

  RunResult liga(const std::string& args) {
    return liga::testing::RunSplit("XDG_CONFIG_HOME='" + (root / "config").string() + "' " +
                                   LIGA_BINARY + " --quiet " + args);
  }

  // Runs `liga schedule` with the options and returns the file it wrote.
  std::string schedule(const std::string& options, const std::string& name) {
    const fs::path file = root / name;
    const RunResult run = liga("--yes schedule " + options + " --out '" + file.string() + "'");
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    return liga::testing::ReadFile(file);
  }

  fs::path root;
};

// The file without its second line, which carries today's date.
std::string WithoutDateLine(const std::string& bytes) {
  const std::size_t first = bytes.find('\n');
  const std::size_t second = bytes.find('\n', first + 1);
  if (first == std::string::npos || second == std::string::npos) return bytes;
  return bytes.substr(0, first + 1) + bytes.substr(second + 1);
}

// Runs without the improvement pass write the same bytes as before the pass existed.
TEST_F(ScheduleCommandTest, DefaultOutputIsUnchangedForEverySeedTried) {
  const std::string mask = (fs::path(LIGA_SOURCE_DIR) / "examples/demo.msk").string();
  const struct {
    const char* name;
    std::string options;
  } cases[] = {
      {"demo_seed1", "--seed 1"},
      {"demo_seed2", "--seed 2"},
      {"demo_seed3", "--seed 3"},
      {"demo_seed4", "--seed 4"},
      {"demo_seed5", "--seed 5"},
      {"demo_mask_seed1", "--seed 1 --mask '" + mask + "'"},
      {"demo_mask_seed2", "--seed 2 --mask '" + mask + "'"},
      {"demo_options_seed3", "--seed 3 --any-day --refine 0 --home-away 2 --round-order 2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string bytes = WithoutDateLine(schedule(c.options, std::string(c.name) + ".lot"));
    ASSERT_FALSE(bytes.empty());
    const fs::path golden =
        fs::path(LIGA_SOURCE_DIR) / "tests/cli/golden/schedule" / (std::string(c.name) + ".lot");
    if (std::getenv("LIGA_UPDATE_GOLDEN")) liga::testing::WriteFile(golden, bytes);
    const std::string expected = liga::testing::ReadFile(golden);
    ASSERT_FALSE(expected.empty()) << golden;
    EXPECT_TRUE(bytes == expected) << "differs from " << golden;
  }
}

}  // namespace
