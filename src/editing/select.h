// The selection operation (`FixtSelect`) of the registers, pick lists and editors, one per
// competition file. Each is the database's browse operation with the modes
//   4 (Clear) rewind, 2 (Next) next key, 3 (Search) first key at or after `key`,
//   0 (Find) exactly `key`, 5 (ByNumber) record `recNo`.
// `found` (exists) is true only for a record in use, which is then the file's current
// record; `atEnd` (end) once no further record follows.
#pragma once

#include <cstdint>
#include <string>

#include "database/database.h"

namespace liga {

BrowseResult SelectClass(Database& db, BrowseMode mode, std::string& key, std::int32_t& recNo);
// A team read this way also makes its class the current class.
BrowseResult SelectTeam(Database& db, BrowseMode mode, std::string& key, std::int32_t& recNo);
BrowseResult SelectPlayTime(Database& db, BrowseMode mode, std::string& key, std::int32_t& recNo);

// By record number, without a key; true when the record exists (and is now current).
bool SelectClassNo(Database& db, std::int32_t recNo);
bool SelectTeamNo(Database& db, std::int32_t recNo);
bool SelectPlayTimeNo(Database& db, std::int32_t recNo);

// "TeamNumberKey TeamName" of team `recNo`, or "" when it does not exist. The team becomes
// current (and its class), as any selection does.
std::string TeamDisplayText(Database& db, std::int32_t recNo);

}  // namespace liga
