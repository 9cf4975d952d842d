// How the match editor, the match mover and result entry show a match: a play-time slot's
// scores as a window holds them, and a side's team as text. The records themselves are
// read and changed through the model (model/matches.h).
#pragma once

#include <cstdint>
#include <string>

#include "database/database.h"
#include "model/matches.h"

namespace liga {

using model::StoredScore;
using model::StoredScores;

// The slot as a window holds it: scores of 9999 and above as -1.
MatchEntry WindowScores(MatchEntry slot);
// Every slot of `pt` through StoredScores / WindowScores.
void StoreScores(PlayTimeRec& pt);
void ShowScores(PlayTimeRec& pt);

// "TeamNumberKey TeamName" of team `recNo` cut or padded to `width`, blanks when the team
// does not exist.
std::string TeamSideText(Database& db, std::int32_t recNo, std::size_t width);

}  // namespace liga
