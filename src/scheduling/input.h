// What a scheduling run reads from the open competition.
//
// The run never reads or writes the competition files itself: a small adapter fills this
// model from the records, and every algorithm of the run works on it. The adapter reads
// the records afresh for every run (the team selection's remembered request is
// invalidated first), so a run never sees a stale selection. All texts are code
// page 1252 bytes exactly as stored in the records; paths are file-system paths.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace liga::scheduling {

// One team of a class (`TeamRec`).
struct TeamInput {
  int TeamNumber = 0;         // `TeamNumber`: the number that names the team in a schedule
  std::string TeamNumberKey;  // `TeamNumberKey`: its 4-digit key text (progress lines only)
};

// One class (`DivisionRec`) and its teams.
struct ClassInput {
  std::int32_t RecNo = 0;  // record number of the `DivisionRec` (becomes `SlotRecNo`)
  std::string ClassName;   // `ClassName`
  int TeamCount = 0;       // `TeamCount` as stored in the class record
  int MatchCount = 0;      // `MatchCount` as stored: TeamCount(TeamCount-1)Rounds/2
  // The team records whose `DivisionRecNo` is this class: the team selection of one class
  // in class and team-number order. The run orders them by ascending `TeamNumber` itself
  // (stable), so an adapter may pass them in any order. Their number may differ from
  // `TeamCount` when the records disagree; the run then follows the team records.
  std::vector<TeamInput> Teams;
};

// One play-time record (`PlayTimeRec`).
struct PlayTimeInput {
  std::string PlayTime;    // `PlayTime`, the key: normally "yyyy-mm-dd hh:mm"
  std::string GameLeader;  // `GameLeader`
};

struct ScheduleInput {
  std::string Organiser;        // `Organiser` of the `CompetitionRec`
  std::string CompetitionName;  // `CompetitionName` of the `CompetitionRec`
  int TeamRecords = 0;          // team records in use (used records of the team file)
  // The class records in key order (`ClassName`); only the first 10 take part.
  std::vector<ClassInput> Classes;
  // The play-time records in key order (`PlayTime`, duplicates in index order).
  std::vector<PlayTimeInput> PlayTimes;
};

// The configuration fields the run reads and writes.
struct ScheduleConfig {
  std::string LastExchangePath;  // last exchange/schedule file or its folder
  std::string DataDir;           // the data directory, used when LastExchangePath is empty
};

}  // namespace liga::scheduling
