// Every folder under golden/ is one import case: `input` is imported into a fresh data
// directory, the import's log must equal `expected.log` and the competition exported
// afterwards must equal `expected.lgw`, byte for byte. Adding a case is adding a folder.
//
// The log names the imported file by its absolute path; that name is written as "input" so
// that the log does not depend on where the tree is checked out. `expected.lgw` is the
// competition, class, team and result exports one after another, with the clock fixed;
// it is empty when no competition is open after the import.
//
// LIGA_UPDATE_GOLDEN=1 writes what the import produced into the folders instead, and fails
// every case so that an update is never taken for a passing run: review the files with
// `git diff` before committing them.
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "exchange_fixture.h"
#include "support/file_io.h"

namespace liga::exchange::testing {
namespace {

const std::time_t kGoldenNow = 1800000000;  // 2027-01-15 08:00:00 UTC

fs::path GoldenRoot() {
  return fs::path(LIGA_SOURCE_DIR) / "tests" / "exchange" / "golden";
}

std::vector<std::string> GoldenCases() {
  std::vector<std::string> out;
  std::error_code ec;
  for (const auto& e : fs::directory_iterator(GoldenRoot(), ec)) {
    if (e.is_directory() && fs::exists(e.path() / "input")) out.push_back(e.path().filename());
  }
  std::sort(out.begin(), out.end());
  return out;
}

class GoldenImportTest : public ExchangeTest, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override {
    setenv("TZ", "UTC", 1);
    tzset();
    ExchangeTest::SetUp();
  }

  // The log as the import file holds it: one CR LF line each.
  std::string runImport(const fs::path& input) {
    Importer importer(m_db, "");
    const FakeClock logClock(kGoldenNow);
    importer.clock = &logClock;
    importer.importFiles({input.string()});
    const std::string name = Utf8ToCp1252(fs::absolute(input).string());
    std::string text;
    for (std::string line : importer.log()) {
      for (std::size_t at; (at = line.find(name)) != std::string::npos;)
        line.replace(at, name.size(), "input");
      text += line + "\r\n";
    }
    return text;
  }

  std::string exportAll() {
    if (!m_db.competitionOpen()) return "";
    std::string text;
    int i = 0;
    for (ExportKind kind :
         {ExportKind::Competition, ExportKind::Classes, ExportKind::Teams, ExportKind::Results}) {
      const fs::path out = m_dir / ("export" + std::to_string(i++) + ".lgw");
      EXPECT_TRUE(WriteExport(m_db, kind, out.string(), FakeClock(kGoldenNow)).written);
      text += liga::testing::ReadFile(out);
    }
    return text;
  }
};

TEST_P(GoldenImportTest, LogAndExportMatch) {
  const fs::path folder = GoldenRoot() / GetParam();
  const std::string log = runImport(folder / "input");
  const std::string exported = exportAll();
  const char* update = std::getenv("LIGA_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    ASSERT_TRUE(liga::testing::WriteFile(folder / "expected.log", log));
    ASSERT_TRUE(liga::testing::WriteFile(folder / "expected.lgw", exported));
    FAIL() << "updated " << folder << "; review it and run again without LIGA_UPDATE_GOLDEN";
  }
  ASSERT_TRUE(fs::exists(folder / "expected.log")) << folder;
  ASSERT_TRUE(fs::exists(folder / "expected.lgw")) << folder;
  EXPECT_EQ(log, liga::testing::ReadFile(folder / "expected.log"));
  EXPECT_EQ(exported, liga::testing::ReadFile(folder / "expected.lgw"));
}

INSTANTIATE_TEST_SUITE_P(Golden, GoldenImportTest, ::testing::ValuesIn(GoldenCases()),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           std::string name;
                           for (char c : info.param)
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

// A tree without golden folders is a broken checkout, not a passing suite.
TEST(GoldenImportCases, TheFoldersAreThere) {
  EXPECT_FALSE(GoldenCases().empty());
}

}  // namespace
}  // namespace liga::exchange::testing
