// The numbered rules of engine.h, re-asserted on a block between operations.
#include <cstdio>
#include <cstdlib>

#include "storage/engine_internal.h"

namespace liga::storage {
namespace {

#ifdef NDEBUG
bool g_checks = false;
#else
bool g_checks = true;
#endif

std::string atRestViolation(const FileBlock& fb) {
  const Txn& t = fb.txn;
  if (!t.images.empty() || !t.pendingRecs.empty() || t.journalStarted || t.touchedDisk)
    return "rule 1: a transaction that ended still holds images or pending records";
  for (const Frame& f : engine().frames)
    if (f.fb == &fb && f.dirty) return "rule 1: a changed page stayed in the pool after commit";
  if (!t.superPath.empty()) return "rule 9: a block still names the super-journal of a unit";
  std::uint64_t size = 0;
  if (fb.journal && !fb.journalStale && fb.journal->size(&size) == 0 && size != 1)
    return "rule 4: the journal was not cut back to its mark byte";
  // Rule 3: what the headers count was written in place before them.
  if (fb.data && fb.data->size(&size) == 0 &&
      size <
          static_cast<std::uint64_t>(fb.dh.numRec + 1) * static_cast<std::uint64_t>(fb.dh.lenRec))
    return "rule 3: the data file is shorter than the records its header counts";
  for (const IndexState& is : fb.ix) {
    if (is.hdr.numPages >= fb.ixRecordsOnDisk)
      return "rule 3: an index header counts pages that are not in the index file";
  }
  return {};
}

std::string inBatchViolation(const FileBlock& fb) {
  const Txn& t = fb.txn;
  if (t.imagesInJournal > t.images.size()) return "rule 2: the journal counts images never taken";
  // Between operations of a batch no unit is being committed: a super-journal named now
  // would have to be on disk before the journal names it (rule 8).
  if (t.superInJournal && !currentEnv()->exists(t.superPath))
    return "rule 8: the journal names a super-journal that is not on disk";
  for (const Frame& f : engine().frames) {
    if (f.fb != &fb || !f.dirty) continue;
    if (f.page <= t.ih0[static_cast<std::size_t>(f.k - 1)].numPages &&
        !t.journaledPages.count({f.k, f.page}))
      return "rule 1: an existing page was changed without its before-image";
  }
  for (const auto& [recNo, bytes] : t.pendingRecs) {
    if (recNo <= t.dh0.numRec && !t.journaledRecs.count(recNo))
      return "rule 1: an existing record was changed without its before-image";
  }
  return {};
}

}  // namespace

std::string checkInvariants(const FileBlock& fb) {
  if (fb.readOnly || fb.broken) return {};
  return fb.txn.active ? inBatchViolation(fb) : atRestViolation(fb);
}

void setInvariantChecks(bool on) {
  g_checks = on;
}

void assertInvariants(const FileBlock& fb) {
  if (!g_checks) return;
  const std::string violation = checkInvariants(fb);
  if (violation.empty()) return;
  std::fprintf(stderr, "storage engine: %s (%s)\n", violation.c_str(), fb.dataPath.c_str());
  std::abort();
}

}  // namespace liga::storage
