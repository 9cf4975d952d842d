// The power cut at every file call of an operation in turn: on a fresh copy of a data
// directory each time, the operation runs with every storage call from call N on failing
// and reaching nothing. Then each run is taken twice: as a kill (everything written before
// the cut stays) and as a power cut (what was written since a file's last sync is dropped,
// or, every other cut point, each such write kept, dropped, torn or garbled at random; see
// lossy_env.h). The next program then opens the directory and must find exactly the state
// before the operation or exactly the state after it, every block passing the consistency
// check and every total of every competition agreeing with what it counts.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "common/clock.h"
#include "database/block_snapshot.h"
#include "database/counters.h"
#include "database/database.h"
#include "storage/check.h"
#include "storage/mem_env.h"
#include "support/lossy_env.h"

namespace liga::testing {

struct CutCounts {
  long long calls = 0;  // file calls of the whole operation
  int cuts = 0, before = 0, after = 0, other = 0;
  int lossy = 0;  // power cuts that left a file other than the program had written it
};

class CutLoop {
 public:
  // `run` is where each copy of `base` is made; the operation gets a database on it with
  // the catalogue read and competition `select` selected (0: none).
  CutLoop(std::filesystem::path base, std::filesystem::path run, const Clock& clock, int select = 1)
      : m_base(std::move(base)), m_run(std::move(run)), m_clock(&clock), m_select(select) {}

  // At most this many cut points, picked at random (a fixed seed) when the operation makes
  // more calls; 0: every call.
  void sample(int cuts) { m_sample = cuts; }

  // Runs the loop; `op` performs the operation. Adds a failure per run in neither state.
  CutCounts run(const std::string& label, const std::function<void(Database&)>& op) {
    CutCounts counts;
    const std::string before = stateAfterOpen(m_base);
    (void)runOnce(op, -1, storage::MemEnv::Cut::KeepAll);
    counts.calls = m_calls;
    const std::string after = stateAfterOpen(m_run);
    EXPECT_NE(before, after) << label << ": the operation changed nothing";
    for (const long long n : cutPoints(counts.calls)) {
      for (const auto cut :
           {storage::MemEnv::Cut::KeepAll,
            n % 2 == 0 ? storage::MemEnv::Cut::DropAll : storage::MemEnv::Cut::Random}) {
        const std::string where = label + ": cut at call " + std::to_string(n) + " of " +
                                  std::to_string(counts.calls) +
                                  (cut == storage::MemEnv::Cut::KeepAll ? " (kill)"
                                   : cut == storage::MemEnv::Cut::DropAll
                                       ? " (unsynced writes lost)"
                                       : " (unsynced writes kept, lost, torn or garbled)");
        counts.lossy += runOnce(op, n, cut) > 0;
        const std::string now = stateAfterOpen(m_run);
        ++counts.cuts;
        if (now == before) {
          ++counts.before;
        } else if (now == after) {
          ++counts.after;
        } else {
          ++counts.other;
          ADD_FAILURE() << where << ", neither state";
        }
        checkRun(where);
      }
    }
    std::printf(
        "%s: %lld calls, %d cuts (%d losing unsynced writes), %d before, %d after, %d "
        "other\n",
        label.c_str(), counts.calls, counts.cuts, counts.lossy, counts.before, counts.after,
        counts.other);
    return counts;
  }

 private:
  std::vector<long long> cutPoints(long long calls) const {
    std::vector<long long> points;
    for (long long n = 0; n < calls; ++n) points.push_back(n);
    if (m_sample > 0 && points.size() > static_cast<std::size_t>(m_sample)) {
      std::mt19937 rng(5);
      std::shuffle(points.begin(), points.end(), rng);
      points.resize(static_cast<std::size_t>(m_sample));
      // The first and the last calls always: the two ends of the operation.
      points.front() = 0;
      points.back() = calls - 1;
      std::sort(points.begin(), points.end());
    }
    return points;
  }

  // Runs `op` on a fresh copy of the base with the cut at call `cutAt` (-1: none), the files
  // then left as `cut` decides; returns how many files the power cut changed. The number of
  // file calls made goes to m_calls.
  int runOnce(const std::function<void(Database&)>& op, long long cutAt, storage::MemEnv::Cut cut) {
    std::filesystem::remove_all(m_run);
    std::filesystem::copy(m_base, m_run, std::filesystem::copy_options::recursive);
    LossyEnv lossy(storage::posixEnv());
    storage::FaultEnv fault(&lossy);
    storage::setCurrentEnv(&fault);
    {
      Database d;
      d.clock = m_clock;
      d.setDataDir(m_run.string());
      const bool catalogue = d.readCatalogue();
      if (catalogue && m_select > 0) {
        EXPECT_TRUE(d.selectCompetition(m_select, false));
      }
      fault.resetCounts();
      if (cutAt >= 0) fault.cutAt(cutAt);
      op(d);
      // The process ends here: nothing from the cut on reaches the files, not even what
      // closing the blocks would write.
      if (cutAt < 0) {
        d.closeAll();
      } else {
        fault.cutAt(0);
        d.closeAll();
      }
      d.releaseDataDir();
    }
    m_calls = fault.count(storage::FaultEnv::Kind::Any);
    storage::setCurrentEnv(storage::posixEnv());
    return cutAt >= 0 ? lossy.powerCut(cut, m_rng) : 0;
  }

  // What the next program finds: a writer opens the directory (which finishes or undoes a
  // rebuild's or a creation's log and rolls unfinished journals back), then every record
  // and key of every block.
  std::string stateAfterOpen(const std::filesystem::path& data) {
    {
      Database d;
      d.clock = m_clock;
      d.setDataDir(data.string());
      (void)d.readCatalogue();
      d.closeAll();
      d.releaseDataDir();
    }
    return Snapshot(data, true);
  }

  // Every block passes the consistency check; every competition's totals agree.
  void checkRun(const std::string& where) {
    for (const auto& e : std::filesystem::directory_iterator(m_run)) {
      if (e.path().extension() != ".DAT") continue;
      const storage::CheckResult r =
          storage::checkBlock((e.path().parent_path() / e.path().stem()).string());
      for (const auto& p : r.problems) ADD_FAILURE() << where << ": " << p;
    }
    Database r;
    r.clock = m_clock;
    r.setDataDir(m_run.string());
    r.setAccess(DataDirAccess::Read);
    if (r.readCatalogue()) {
      for (int c = 1; c < r.catalogueFileLen(); ++c) {
        if (!r.selectCompetition(c, false)) continue;
        for (const auto& p : CounterProblems(r))
          ADD_FAILURE() << where << ", competition " << c << ": " << p;
      }
    }
    r.closeAll();
    r.releaseDataDir();
  }

  std::filesystem::path m_base, m_run;
  const Clock* m_clock;
  int m_select;
  int m_sample = 0;
  std::mt19937 m_rng{3};
  long long m_calls = 0;
};

}  // namespace liga::testing
