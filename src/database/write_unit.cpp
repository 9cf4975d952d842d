#include "database/write_unit.h"

namespace liga {

WriteUnit::WriteUnit(Database& db, std::initializer_list<FileBlockPtr> files)
    : m_db(db), m_compBefore(db.comp()) {
  for (FileBlockPtr f : files) {
    if (f == nullptr) continue;
    BeginBatch(f);
    if (IsamOK) m_files.push_back(f);
  }
}

bool WriteUnit::commit() {
  if (m_files.empty()) return true;
  const bool ok = m_db.commitWithCompetition(m_files);
  m_files.clear();
  if (!ok) m_db.comp() = m_compBefore;
  return ok;
}

bool WriteUnit::commitFiles() {
  if (m_files.empty()) return true;
  CommitBatches(m_files);
  m_files.clear();
  return IsamOK;
}

}  // namespace liga
