// The storage engine against SQLite on the same workloads, in one binary.
//
//   (a) 160 x (AddRec of an 11,665-byte record + AddKey of a 4-character key)
//   (b) 4,800 x (863-byte record + 16-character key)
//   (c) 100,000 FindKey on (b)
//   (d) an ordered scan of (b), 100 times
//   (e) 10,000 random 30-byte keys with duplicates added, then half of them deleted, outside
//       and inside one batch
//
// SQLite runs with journal_mode=DELETE and synchronous=FULL, one transaction per operation
// (one per workload for the batch variant), and an index on the key. Files live in
// $LIGA_BENCH_DIR (default: ./storage-bench-files), which should be on a real disk. The
// engine's counters report syncs per operation; the second argument of the write workloads
// selects fdatasync (1) or fsync (0).
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "storage/engine.h"
#include "storage/env.h"
#include "storage/isam.h"

namespace {

using namespace liga;

std::string dir() {
  static std::string d = [] {
    const char* env = std::getenv("LIGA_BENCH_DIR");
    std::string p = env ? env : "storage-bench-files";
    std::filesystem::create_directories(p);
    return p;
  }();
  return d;
}

void ensureEngine() {
  if (!IsamInitialised()) InitIsam({}, 200);
}

std::string key16(int i) {
  char buf[17];
  std::snprintf(buf, sizeof buf, "LAG%013d", (i * 7919) % 1000003);
  return buf;
}

std::string key4(int i) {
  char buf[5];
  std::snprintf(buf, sizeof buf, "%04d", (i * 37) % 10000);
  return buf;
}

// ---- our engine ----

FileBlockPtr freshBlock(const std::string& name, int recLen, int keyLen, bool dup) {
  ensureEngine();
  std::string path = dir() + "/" + name;
  DeleteFileBlock(path);
  CreateFileBlock(path, recLen, 1, {{keyLen, dup}});
  FileBlockPtr h = nullptr;
  OpenFileBlock(h, path);
  return h;
}

void reportSyncs(benchmark::State& state, long long syncsBefore, long long ops) {
  const auto& s = storage::engineStats();
  double syncs = static_cast<double>(s.journalSyncs + s.fileSyncs - syncsBefore);
  state.counters["syncs_per_op"] = syncs / static_cast<double>(ops);
}

long long totalSyncs() {
  const auto& s = storage::engineStats();
  return s.journalSyncs + s.fileSyncs;
}

void insertWorkload(benchmark::State& state, int count, int recLen, bool bigKey) {
  storage::setPosixSyncMode(state.range(0) != 0);
  long long ops = 0, before = totalSyncs();
  std::string rec(static_cast<std::size_t>(recLen), 'r');
  for (auto _ : state) {
    state.PauseTiming();
    FileBlockPtr h = freshBlock("ins", recLen, bigKey ? 16 : 4, false);
    before = totalSyncs();
    ops = 0;
    state.ResumeTiming();
    for (int i = 0; i < count; ++i) {
      std::int32_t n = 0;
      AddRec(h, n, rec.data());
      AddKey(h, 1, n, bigKey ? key16(i) : key4(i));
      if (!IsamOK) state.SkipWithError("engine error");
      ops += 2;
    }
    state.PauseTiming();
    CloseFileBlock(h);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
  reportSyncs(state, before, ops);
}

void BM_Engine_A(benchmark::State& state) {
  insertWorkload(state, 160, 11665, false);
}
void BM_Engine_B(benchmark::State& state) {
  insertWorkload(state, 4800, 863, true);
}

FileBlockPtr loadedB() {
  static FileBlockPtr h = nullptr;
  if (h) return h;
  h = freshBlock("lookup", 863, 16, false);
  std::string rec(863, 'r');
  BeginBatch(h);
  for (int i = 0; i < 4800; ++i) {
    std::int32_t n = 0;
    AddRec(h, n, rec.data());
    AddKey(h, 1, n, key16(i));
  }
  CommitBatch(h);
  return h;
}

void BM_Engine_C(benchmark::State& state) {
  FileBlockPtr h = loadedB();
  std::mt19937 rng(1);
  for (auto _ : state) {
    for (int i = 0; i < 100000; ++i) {
      std::int32_t r = 0;
      FindKey(h, 1, r, key16(static_cast<int>(rng() % 4800)));
      benchmark::DoNotOptimize(r);
    }
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}

void BM_Engine_D(benchmark::State& state) {
  FileBlockPtr h = loadedB();
  for (auto _ : state) {
    for (int pass = 0; pass < 100; ++pass) {
      ClearKey(h, 1);
      std::string key;
      std::int32_t r = 0;
      int n = 0;
      for (;;) {
        NextKey(h, 1, r, key);
        if (!IsamOK) break;
        ++n;
      }
      if (n != 4800) state.SkipWithError("scan count");
    }
  }
  state.SetItemsProcessed(state.iterations() * 100);
}

std::vector<std::string> keys30() {
  std::mt19937 rng(7);
  std::vector<std::string> v;
  for (int i = 0; i < 10000; ++i) {
    std::string k(30, ' ');
    for (char& c : k) c = static_cast<char>('A' + rng() % 4);  // many duplicates of prefixes
    if (i % 10 == 0 && i > 0) k = v[rng() % v.size()];         // exact duplicates
    v.push_back(k);
  }
  return v;
}

void BM_Engine_E(benchmark::State& state) {
  bool batch = state.range(1) != 0;
  storage::setPosixSyncMode(state.range(0) != 0);
  auto keys = keys30();
  long long ops = 0, before = 0;
  for (auto _ : state) {
    state.PauseTiming();
    FileBlockPtr h = freshBlock("dup", 40, 30, true);
    before = totalSyncs();
    ops = 0;
    state.ResumeTiming();
    if (batch) BeginBatch(h);
    for (int i = 0; i < 10000; ++i) AddKey(h, 1, i + 1, keys[static_cast<std::size_t>(i)]);
    for (int i = 0; i < 10000; i += 2) DeleteKey(h, 1, i + 1, keys[static_cast<std::size_t>(i)]);
    if (batch) CommitBatch(h);
    if (!IsamOK) state.SkipWithError("engine error");
    ops = 15000;
    state.PauseTiming();
    CloseFileBlock(h);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 15000);
  reportSyncs(state, before, ops);
}

// ---- SQLite ----

struct Db {
  sqlite3* db = nullptr;
  sqlite3_stmt* ins = nullptr;
  sqlite3_stmt* find = nullptr;
  sqlite3_stmt* scan = nullptr;
  sqlite3_stmt* del = nullptr;
  explicit Db(const std::string& name, bool fresh = true) {
    std::string path = dir() + "/" + name + ".sqlite";
    if (fresh) std::filesystem::remove(path);
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=FULL;", nullptr, nullptr,
                 nullptr);
    sqlite3_exec(db,
                 "CREATE TABLE IF NOT EXISTS t(id INTEGER PRIMARY KEY, key BLOB, data BLOB);"
                 "CREATE INDEX IF NOT EXISTS tk ON t(key);",
                 nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO t(key, data) VALUES(?, ?)", -1, &ins, nullptr);
    sqlite3_prepare_v2(db, "SELECT id FROM t WHERE key = ? ORDER BY key, id LIMIT 1", -1, &find,
                       nullptr);
    sqlite3_prepare_v2(db, "SELECT key, id FROM t ORDER BY key, id", -1, &scan, nullptr);
    sqlite3_prepare_v2(db, "DELETE FROM t WHERE id = ?", -1, &del, nullptr);
  }
  ~Db() {
    sqlite3_finalize(ins);
    sqlite3_finalize(find);
    sqlite3_finalize(scan);
    sqlite3_finalize(del);
    sqlite3_close(db);
  }
  bool insert(const std::string& key, const std::string& data) {
    sqlite3_bind_blob(ins, 1, key.data(), static_cast<int>(key.size()), SQLITE_STATIC);
    sqlite3_bind_blob(ins, 2, data.data(), static_cast<int>(data.size()), SQLITE_STATIC);
    bool ok = sqlite3_step(ins) == SQLITE_DONE;
    sqlite3_reset(ins);
    return ok;
  }
};

void sqliteInsert(benchmark::State& state, int count, int recLen, bool bigKey) {
  std::string rec(static_cast<std::size_t>(recLen), 'r');
  for (auto _ : state) {
    state.PauseTiming();
    auto db = std::make_unique<Db>("ins");
    state.ResumeTiming();
    for (int i = 0; i < count; ++i) {
      if (!db->insert(bigKey ? key16(i) : key4(i), rec)) state.SkipWithError("sqlite error");
    }
    state.PauseTiming();
    db.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

void BM_Sqlite_A(benchmark::State& state) {
  sqliteInsert(state, 160, 11665, false);
}
void BM_Sqlite_B(benchmark::State& state) {
  sqliteInsert(state, 4800, 863, true);
}

Db& loadedSqlite() {
  static Db* db = [] {
    auto* d = new Db("lookup");
    std::string rec(863, 'r');
    sqlite3_exec(d->db, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < 4800; ++i) d->insert(key16(i), rec);
    sqlite3_exec(d->db, "COMMIT", nullptr, nullptr, nullptr);
    return d;
  }();
  return *db;
}

void BM_Sqlite_C(benchmark::State& state) {
  Db& db = loadedSqlite();
  std::mt19937 rng(1);
  for (auto _ : state) {
    for (int i = 0; i < 100000; ++i) {
      std::string k = key16(static_cast<int>(rng() % 4800));
      sqlite3_bind_blob(db.find, 1, k.data(), static_cast<int>(k.size()), SQLITE_TRANSIENT);
      if (sqlite3_step(db.find) == SQLITE_ROW)
        benchmark::DoNotOptimize(sqlite3_column_int(db.find, 0));
      sqlite3_reset(db.find);
    }
  }
  state.SetItemsProcessed(state.iterations() * 100000);
}

void BM_Sqlite_D(benchmark::State& state) {
  Db& db = loadedSqlite();
  for (auto _ : state) {
    for (int pass = 0; pass < 100; ++pass) {
      int n = 0;
      while (sqlite3_step(db.scan) == SQLITE_ROW) {
        benchmark::DoNotOptimize(sqlite3_column_blob(db.scan, 0));
        ++n;
      }
      sqlite3_reset(db.scan);
      if (n != 4800) state.SkipWithError("scan count");
    }
  }
  state.SetItemsProcessed(state.iterations() * 100);
}

void BM_Sqlite_E(benchmark::State& state) {
  bool batch = state.range(0) != 0;
  auto keys = keys30();
  std::string rec(40, 'r');
  for (auto _ : state) {
    state.PauseTiming();
    auto db = std::make_unique<Db>("dup");
    state.ResumeTiming();
    if (batch) sqlite3_exec(db->db, "BEGIN", nullptr, nullptr, nullptr);
    for (int i = 0; i < 10000; ++i) db->insert(keys[static_cast<std::size_t>(i)], rec);
    for (int i = 0; i < 10000; i += 2) {
      sqlite3_bind_int(db->del, 1, i + 1);
      sqlite3_step(db->del);
      sqlite3_reset(db->del);
    }
    if (batch) sqlite3_exec(db->db, "COMMIT", nullptr, nullptr, nullptr);
    state.PauseTiming();
    db.reset();
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * 15000);
}

// Arguments of the engine's write workloads: {fdatasync?}; (e): {fdatasync?, batch?}.
BENCHMARK(BM_Engine_A)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Sqlite_A)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(5);
BENCHMARK(BM_Engine_B)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Sqlite_B)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);
BENCHMARK(BM_Engine_C)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Sqlite_C)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Engine_D)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Sqlite_D)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_Engine_E)
    ->Args({1, 0})
    ->Args({0, 0})
    ->Args({1, 1})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);
BENCHMARK(BM_Sqlite_E)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace

BENCHMARK_MAIN();
