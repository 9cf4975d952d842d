// The totals of a competition checked against what they count.
#pragma once

#include <string>
#include <vector>

namespace liga {

class Database;

// The stored competition record of the open competition against its files: the teams,
// matches and open matches in total equal the sums of the class records; each class counts
// the teams that name it; and each class's open matches are its matches less those with a
// complete result in the play times (home team's class; a class with more results than
// matches, left by an edited schedule, is not judged on that). One line per disagreement,
// empty when every total agrees.
std::vector<std::string> CounterProblems(Database& db);

}  // namespace liga
