// One unit of work over some of the open competition's files and its record.
#pragma once

#include <initializer_list>
#include <vector>

#include "database/database.h"

namespace liga {

// Begins one batch on each of the files (null ones are skipped) and commits them with the
// competition record (its match numbers and open-match totals) as one unit
// (Database::commitWithCompetition): a crash or a failure leaves every file and the totals
// either before or after the work. Committed by commit() or, at the latest, by the
// destructor; commitFiles() commits the files alone, for work that leaves the competition
// record as it is. When the commit fails, the competition record in memory is given back
// its state from the start of the unit, as the files are, so that the close does not store
// totals of work that was undone.
class WriteUnit {
 public:
  WriteUnit(Database& db, std::initializer_list<FileBlockPtr> files);
  ~WriteUnit() { commit(); }
  WriteUnit(const WriteUnit&) = delete;
  WriteUnit& operator=(const WriteUnit&) = delete;
  // True when every batch was committed (and nothing was left to commit).
  bool commit();
  bool commitFiles();
  // Forgets the files without committing: they were closed since, which committed them.
  void abandon() { m_files.clear(); }

 private:
  Database& m_db;
  std::vector<FileBlockPtr> m_files;
  CompetitionRec m_compBefore;
};

}  // namespace liga
