#include "editing/select.h"

namespace liga {

BrowseResult SelectClass(Database& db, BrowseMode mode, std::string& key, std::int32_t& recNo) {
  return db.browseClass(mode, key, recNo);
}

BrowseResult SelectTeam(Database& db, BrowseMode mode, std::string& key, std::int32_t& recNo) {
  const BrowseResult r = db.browseTeam(mode, key, recNo);
  if (r.found && db.team().divisionRecNo() != db.classRecNo()) {
    if (!db.readClass(db.team().divisionRecNo())) db.setClassRecNo(0);
  }
  return r;
}

BrowseResult SelectPlayTime(Database& db, BrowseMode mode, std::string& key, std::int32_t& recNo) {
  return db.browsePlayTime(mode, key, recNo);
}

bool SelectClassNo(Database& db, std::int32_t recNo) {
  std::string key;
  return recNo > 0 && SelectClass(db, BrowseMode::ByNumber, key, recNo).found;
}
bool SelectTeamNo(Database& db, std::int32_t recNo) {
  std::string key;
  return recNo > 0 && SelectTeam(db, BrowseMode::ByNumber, key, recNo).found;
}
bool SelectPlayTimeNo(Database& db, std::int32_t recNo) {
  std::string key;
  return recNo > 0 && SelectPlayTime(db, BrowseMode::ByNumber, key, recNo).found;
}

std::string TeamDisplayText(Database& db, std::int32_t recNo) {
  if (!SelectTeamNo(db, recNo)) return {};
  return db.team().teamNumberKey() + " " + db.team().teamName();
}

}  // namespace liga
