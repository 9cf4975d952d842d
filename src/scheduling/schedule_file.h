// The schedule file "SPELDAG.LOT": the play times of a run with their matches, in the
// sectioned exchange style, followed by comment lines that log the run's settings.
//
// Code page 1252, every line ended by CR LF, in this order:
//  1. "; lottning av spelfördelning: " + kScheduleSignature + " 2016-08-29" (fixed)
//  2. "; " + Organiser + " " + today as yymmdd + " " + CompetitionName
//  3. "*Speldag"
//  4. per play time of the run, in order: its `Inf` ("PlayTime,GameLeader"); when it holds
//     matches, "*!" + "home-away," per match (plain decimal), e.g. "*!12-15,3-7,"
//  5. "*Lottad"
//  6. "; Antal speltider " + play times, right-aligned in 3
//  7. "; Antal spel/tid " + MatchesPerPlayTime, right-aligned in 3
//  8. "; Antal matcher " + G, right-aligned in 3
//  9. with OneMatchPerDay > 0: "; endast en match per datum och lag"
// 10. with RefineSteps > 0: "; försöker fixa ändrtider"
// 11. with RefineSteps > 1: "; byter i " + RefineSteps + " steg och försöker fixa ändrtider"
// 11a. after the improvement pass: the lines of ImproveLogLines (improve.h)
// 12. with a mask file: "; lagens ej spelbara speltillfällen" and "; " + each mask line
// 13. an empty line
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "scheduling/lrec.h"
#include "scheduling/placement.h"

namespace liga::scheduling {

// The fixed signature of line 1 (code page 1252).
inline constexpr const char* kScheduleSignature = "LigaWin32 f\xF6r Linux";

struct CalendarDate {
  int year = 0;  // four digits
  int month = 0;
  int day = 0;
};

// The bytes of a schedule file. `maskLines` is nullopt when no mask file is in use or it
// could not be read again for the log.
std::string FormatScheduleFile(const std::string& organiser, const std::string& competitionName,
                               CalendarDate today, const Lrec& lrec,
                               const std::vector<PlayTimeSlot>& slots, int matchCount,
                               const std::optional<std::vector<std::string>>& maskLines,
                               const std::vector<std::string>& improveLog = {});

}  // namespace liga::scheduling
