// Imports under storage faults: a write, sync or truncate fails at every call in turn, once
// or from then on (a full disk). After each run the data directory holds either exactly what
// it held before the file or the file's whole result, and an import that did not store its
// whole result says so.
#include "database/block_snapshot.h"
#include "exchange_fixture.h"
#include "storage/mem_env.h"
#include "support/cut_loop.h"

namespace liga::exchange::testing {
namespace {

using liga::testing::Snapshot;

class FaultImportTest : public ExchangeTest {
 protected:
  // Runs the import of `file` into a copy of `base` with the fault armed; returns whether
  // the importer reported a failure and, in `state`, the data directory afterwards.
  bool runWithFault(const fs::path& base, const std::string& file, storage::FaultEnv::Kind kind,
                    long long n, bool persistent, std::string& state, bool& hit) {
    const fs::path data = m_dir / "run";
    fs::remove_all(data);
    fs::copy(base, data);
    storage::FaultEnv fault(storage::posixEnv());
    storage::setCurrentEnv(&fault);
    Database d;
    d.clock = &m_clock;
    d.setDataDir(data.string());
    EXPECT_TRUE(d.readCatalogue());
    if (d.catalogueFileLen() > 1) {
      EXPECT_TRUE(d.selectCompetition(1, false));
    }
    fault.resetCounts();
    fault.failAt(kind, n, persistent, ENOSPC);
    Importer importer(d, "");
    importer.importFiles({file});
    hit = fault.failed();
    d.closeAll();
    storage::setCurrentEnv(storage::posixEnv());
    d.releaseDataDir();
    // After a single failure the rollback has put everything back at once; when every later
    // write fails too (a full disk) it cannot, and the journal restores the blocks at the
    // next open.
    state = Snapshot(data, persistent);
    return importer.failed();
  }

  // The fault loop: every write, sync and truncate call, once and persistently.
  void expectAllOrNothing(const fs::path& base, const std::string& file,
                          std::vector<bool> persistence = {false, true}) {
    const std::string before = Snapshot(base);
    std::string after;
    bool hit = false;
    ASSERT_FALSE(runWithFault(base, file, storage::FaultEnv::Kind::Write, -1, false, after, hit));
    ASSERT_NE(after, before);
    int runs = 0, failures = 0;
    for (auto kind : {storage::FaultEnv::Kind::Write, storage::FaultEnv::Kind::Sync,
                      storage::FaultEnv::Kind::Truncate}) {
      for (bool persistent : persistence) {
        for (long long n = 0;; ++n) {
          std::string state;
          const bool failed = runWithFault(base, file, kind, n, persistent, state, hit);
          if (!hit) break;
          ++runs;
          SCOPED_TRACE("kind " + std::to_string(static_cast<int>(kind)) + " call " +
                       std::to_string(n) + (persistent ? " from then on" : " once"));
          EXPECT_TRUE(state == before || state == after);
          if (state != after) {
            EXPECT_TRUE(failed);  // a failure is never reported as success
            ++failures;
          }
        }
      }
    }
    EXPECT_GT(runs, 20);
    EXPECT_GT(failures, 0);
  }

  // The power cut at every file call in turn (tests/support/cut_loop.h): each run ends in
  // the state before or after, with every block consistent and every total agreeing.
  void expectKillsLeaveBeforeOrAfter(const fs::path& base, const std::string& file,
                                     const char* label) {
    const liga::testing::CutCounts c =
        liga::testing::CutLoop(base, m_dir / "run", m_clock).run(label, [&](Database& d) {
          Importer importer(d, "");
          importer.importFiles({file});
        });
    EXPECT_EQ(c.other, 0);
    EXPECT_GT(c.before, 0);
    EXPECT_GT(c.after, 0);
    EXPECT_GT(c.lossy, 0);
  }

  fs::path makeBase(const std::vector<std::string>& lines) {
    import(lines);
    m_db.closeAll();
    m_db.releaseDataDir();
    return m_dir / "data";
  }
};

const std::vector<std::string> kCompetition = {
    "*Bas", "ORG,FOTBOLL", "SERIEN,2",  "P,1,2,600,PL", ",,,,",
    ",,,,", ",,,,",        ",,,,",      "*Klasser",     "A,2,2,1,0001",
    "*Lag", "0003,T3,A",   "0007,T7,A", "0012,T12,A",   "0015,T15,A"};

TEST_F(FaultImportTest, ImportOfTeamsIsAllOrNothing) {
  const fs::path base = makeBase(kCompetition);
  const std::string file = writeFile("teams.lgw", {"*Klasser", "B,2,2,1,0101", "*Lag", "0101,B1,B",
                                                   "*#0,LEDARE,,,", "0102,B2,B", "0016,T16,A"});
  expectAllOrNothing(base, file);
  expectKillsLeaveBeforeOrAfter(base, file, "team import");
}

TEST_F(FaultImportTest, ScheduleImportIsAllOrNothing) {
  std::vector<std::string> lines = kCompetition;
  for (const char* l : {"*Speldag", "D1,", "*!12-15=2-1,3-7,", "*Lottad"}) lines.push_back(l);
  const fs::path base = makeBase(lines);
  m_ui.defaultAnswer = Answer::Yes;  // replace the old schedule
  const std::string file =
      writeFile("s.lot", {"*Speldag", "D1,", "*!12-15,3-7,", "D2,", "*!15-12=1-1,7-3,", "*Lottad"});
  expectAllOrNothing(base, file);
  expectKillsLeaveBeforeOrAfter(base, file, "schedule import");
}

TEST_F(FaultImportTest, CreatingACompetitionIsAllOrNothing) {
  const fs::path base = makeBase(kCompetition);
  std::vector<std::string> second = kCompetition;
  second[2] = "ANDRA SERIEN,2";
  // Under a full disk a competition the file created may stay, empty and whole, when its
  // catalogue record cannot be taken back; single failures leave nothing.
  expectAllOrNothing(base, writeFile("second.lgw", second), {false});
}

TEST_F(FaultImportTest, AFullDiskIsSaidInWordsWithTheFileItHit) {
  const fs::path base = makeBase(kCompetition);
  const std::string file = writeFile("teams.lgw", {"*Lag", "0101,B1,A", "0102,B2,A"});
  const fs::path data = m_dir / "full";
  fs::copy(base, data);
  storage::FaultEnv fault(storage::posixEnv());
  storage::setCurrentEnv(&fault);
  Database d;
  d.clock = &m_clock;
  d.setDataDir(data.string());
  ASSERT_TRUE(d.readCatalogue());
  ASSERT_TRUE(d.selectCompetition(1, false));
  fault.setDiskFull(true);
  Importer importer(d, "");
  importer.importFiles({file});
  fault.disarm();
  d.closeAll();
  storage::setCurrentEnv(storage::posixEnv());
  d.releaseDataDir();
  EXPECT_TRUE(importer.failed());
  std::string said;
  for (const std::string& line : importer.log()) {
    if (line.find(W("disken är full: ")) != std::string::npos) said = line;
  }
  ASSERT_FALSE(said.empty()) << "no line names the full disk";
  // The file named is one of the competition's, in the data directory the import wrote.
  EXPECT_NE(said.find(data.string() + "/"), std::string::npos) << said;
  EXPECT_EQ(said.find("Skrivning av fel antal bytes"), std::string::npos) << said;
}

}  // namespace
}  // namespace liga::exchange::testing
