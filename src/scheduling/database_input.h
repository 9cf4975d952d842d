// Fills the scheduling run's input from the open competition: the competition record, the
// classes in key order with their teams (the team selection in class and team-number
// order), and the play times in key order. Only reads the competition.
#pragma once

#include "scheduling/input.h"

namespace liga {
class Database;
class TeamSelection;
}  // namespace liga

namespace liga::scheduling {

ScheduleInput ReadScheduleInput(Database& db, TeamSelection& selection);

}  // namespace liga::scheduling
