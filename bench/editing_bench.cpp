// The editing controllers on the largest competition:
//
//   TeamRegisterOpen   the team register ("lagregister") listing 160 teams
//   SaveResults16      result entry saving a play time of 16 matches whose results are all
//                      new: 32 teams, their class and the play time change; the counter
//                      syncs_per_changed_record divides the engine's syncs by those 34
//                      records
//
// Files live in $LIGA_BENCH_DIR (default ./editing-bench-files), which should be on a real
// disk.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "common/recording_ui.h"
#include "database/database.h"
#include "editing/lag.h"
#include "editing/result_form.h"
#include "storage/engine.h"

namespace {

using namespace liga;

std::string benchDir() {
  const char* env = std::getenv("LIGA_BENCH_DIR");
  return env ? env : "editing-bench-files";
}

long long totalSyncs() {
  const auto& s = storage::engineStats();
  return s.journalSyncs + s.fileSyncs;
}

// A data directory with one competition: one class of 160 teams (record numbers 1..160)
// and one play time whose 16 slots pair teams 1..32 without results.
struct Competition {
  RecordingUi ui;
  ScopedUi scoped{ui};
  Database db;

  Competition() {
    const std::string dir = benchDir();
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    db.initialise({});
    db.setDataDir(dir);
    db.createCatalogue();
    db.selectCompetition(0, true);
    db.comp().setCompetitionName("BENCH");
    db.storeCompetition(true);
    db.createCompetitionFiles();
    db.resetClassBuffer();
    db.cls().setClassName("A");
    db.setClassRecNo(0);
    db.storeClass(true);
    const std::int32_t cls = db.classRecNo();
    BeginBatch(db.teamFile());
    BeginBatch(db.classFile());
    for (int i = 1; i <= 160; ++i) {
      db.readClass(cls);
      db.resetTeamBuffer();
      db.team().setTeamName("LAG " + std::to_string(i));
      db.team().setDivisionRecNo(cls);
      db.team().setNumberAndKey(i);
      db.setTeamRecNo(0);
      db.storeTeam(true);
    }
    CommitBatch(db.classFile());
    CommitBatch(db.teamFile());
    db.resetPlayTimeBuffer();
    db.playTime().setPlayTime("2027-01-10 18:00");
    db.setPlayTimeRecNo(0);
    db.storePlayTime(true);
    pt = db.playTimeRecNo();
    resetMatches();
  }
  ~Competition() {
    db.closeAll();
    db.shutdownStorage();
  }

  // Sixteen matches without results, in the play time and both teams' lists.
  void resetMatches() {
    BeginBatch(db.teamFile());
    db.readPlayTime(pt);
    for (int s = 1; s <= 16; ++s) {
      MatchEntry e;
      e.setMatchNumber(s);
      e.setHomeTeamRecNo(2 * s - 1);
      e.setAwayTeamRecNo(2 * s);
      e.setHomeScore(kNoResult);
      e.setAwayScore(kNoResult);
      db.playTime().setMatch(s, e);
      for (int side = 0; side < 2; ++side) {
        const std::int32_t team = 2 * s - 1 + side;
        db.readTeam(team);
        TeamMatchEntry t;
        t.setMatchNumber(s);
        t.setOpponentRecNo(side == 0 ? 2 * s : -(2 * s - 1));
        t.setPlayTimeRecNo(pt);
        t.setOwnScore(kNoResult);
        t.setOpponentScore(kNoResult);
        db.team().setMatch(1, t);
        db.team().setTeamMatchCount(1);
        db.rewriteTeam(team);
      }
    }
    db.playTime().setUsedRows(16);
    db.rewritePlayTime(pt);
    CommitBatch(db.teamFile());
  }

  std::int32_t pt = 0;
};

Competition& competition() {
  static Competition c;
  return c;
}

void BM_TeamRegisterOpen(benchmark::State& state) {
  Competition& c = competition();
  for (auto _ : state) {
    TlgLagRegForm reg(c.db);
    reg.start();
    if (reg.count() != 160) state.SkipWithError("not 160 teams");
    benchmark::DoNotOptimize(reg.list().data());
  }
}
BENCHMARK(BM_TeamRegisterOpen)->Unit(benchmark::kMillisecond);

void BM_SaveResults16(benchmark::State& state) {
  Competition& c = competition();
  long long syncs = 0;
  for (auto _ : state) {
    state.PauseTiming();
    c.resetMatches();
    TResultForm form(c.db);
    for (int s = 1; s <= 16; ++s) {
      form.setCell(s, TResultForm::kHomeCol, std::to_string(s % 4));
      form.setCell(s, TResultForm::kAwayCol, std::to_string(s % 3));
    }
    const long long before = totalSyncs();
    state.ResumeTiming();
    if (!form.klarClick().ok) state.SkipWithError("refused");
    state.PauseTiming();
    syncs += totalSyncs() - before;
    state.ResumeTiming();
  }
  state.counters["syncs_per_changed_record"] =
      static_cast<double>(syncs) / static_cast<double>(state.iterations()) / 34.0;
}
BENCHMARK(BM_SaveResults16)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
