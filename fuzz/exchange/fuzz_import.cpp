// libFuzzer target: any byte string imported as an exchange file into a competition that
// already holds the demo's classes, teams and play times. The import must never crash,
// and every file block must be structurally sound afterwards.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/clock.h"
#include "common/recording_ui.h"
#include "database/database.h"
#include "database/records.h"
#include "exchange/demo.h"
#include "exchange/import.h"
#include "storage/check.h"
#include "storage/isam.h"

// New play times start at "2027-01-01 12:00" on every run.
static const liga::FakeClock& FuzzClock() {
  static const liga::FakeClock clock(liga::LocalTime(2027, 1, 1, 12, 0));
  return clock;
}
namespace fs = std::filesystem;
using namespace liga;

namespace {

fs::path g_root;
fs::path g_base;

// A data directory holding the demo competition, made once per process.
void makeBase() {
  const char* env = std::getenv("LIGA_FUZZ_WORKDIR");
  g_root =
      env ? fs::path(env) : fs::temp_directory_path() / ("liga-fuzz-" + std::to_string(getpid()));
  g_base = g_root / "base";
  fs::remove_all(g_base);
  fs::create_directories(g_base);
  InitIsam({}, 200);
  RecordingUi ui;
  ScopedUi scoped(ui);
  Database db;
  db.clock = &FuzzClock();
  db.initialise({});
  db.setDataDir(g_base.string());
  if (!exchange::CreateDemoCompetition(db, "")) std::abort();
  db.closeAll();
}

void checkAll(const fs::path& dir) {
  for (const auto& entry : fs::directory_iterator(dir)) {
    if (entry.path().extension() != ".DAT") continue;
    const std::string block = (entry.path().parent_path() / entry.path().stem()).string();
    const storage::CheckResult r = storage::checkBlock(block);
    if (!r.ok) {
      std::fprintf(stderr, "inconsistent block %s: %s\n", block.c_str(),
                   r.problems.empty() ? "" : r.problems.front().c_str());
      std::abort();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (g_base.empty()) makeBase();
  const fs::path work = g_root / "work";
  fs::remove_all(work);
  fs::copy(g_base, work, fs::copy_options::recursive);
  const fs::path input = g_root / "input.lgw";
  {
    std::ofstream f(input, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  {
    RecordingUi ui;
    // Questions are answered in turn Yes and No so both paths are taken.
    ui.defaultAnswer = size % 2 ? Answer::Yes : Answer::No;
    ScopedUi scoped(ui);
    Database db;
    db.clock = &FuzzClock();
    db.initialise({});
    db.setDataDir(work.string());
    db.readCatalogue();
    db.selectCompetition(1, false);
    exchange::Importer importer(db, "");
    importer.importFiles({input.string()});
    db.closeAll();
  }
  checkAll(work);
  return 0;
}
