// The optional improvement pass of a scheduling run ("förbättra schemat"): run after the
// placement and its repair steps, never without being asked for.
//
// It keeps every rule the placement keeps:
//  1. every match of the sequence stays in the schedule, between the same two teams;
//  2. no team plays twice in one period (a date with one match per day and team, else
//     one play time; every placeholder is a period of its own);
//  3. no team plays on a real play time its mask lines exclude;
//  4. a play time holds at most `MatchesPerPlayTime` matches, in positions 1..nG;
//  5. placeholders follow the real play times and are numbered by their position in the
//     run ("Ändrtid" + 3 digits).
// and improves, in this order:
//  a. placeholder matches: an ejection-chain search moves them onto real play times (a
//     match may push out one other match of its period or of a full play time, which then
//     looks for a place of its own; recently moved matches are held back so the chain does
//     not run in circles); the best assignment found is kept;
//  b. breaks, class by class (improve_breaks.h): simulated annealing over the orientation
//     of every match and over the play times of the class's matches on real play times
//     (exchanges and moves that keep rules 2 to 4), for the fewest breaks with every
//     team's home and away counts within one of each other. With "växla hemma/borta" the
//     meetings of two teams alternate home and away in play-time order, so the search
//     orients each pair of teams as one unit. A class stops early at its floor (bounds.h).
//
// Deterministic: the search draws from a generator seeded with `seed`, and the budget is
// counted in search steps (calibrated to about one second of a current machine per budget
// second), never read from a clock. The same schedule, seed and budget give the same result.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scheduling/input.h"
#include "scheduling/lrec.h"
#include "scheduling/mask.h"
#include "scheduling/placement.h"
#include "scheduling/sequence.h"

namespace liga::scheduling {

// The figures the pass works on, for one schedule.
struct ScheduleFigures {
  int placeholderMatches = 0;
  std::vector<int> breaks;  // per class slot of the sequence (0 for slots without matches)
};

struct ImproveOptions {
  std::uint64_t seed = 1;
  int budgetSeconds = 1;
};

struct ImproveOutcome {
  ScheduleFigures before;
  ScheduleFigures after;
};

// The figures of `slots`: matches on placeholders, and each class's breaks with its
// matches in slot order.
ScheduleFigures MeasureSchedule(const Sequence& sequence, const std::vector<PlayTimeSlot>& slots);

// The log lines of an improved run, written before the mask lines of the schedule file
// (code page 1252), so that a fairness report of the file can show before and after:
//   "; förbättrar schemat, högst S s"
//   "; före förbättring: ändrtider N"
//   "; före förbättring: brott N, klass NAME"   (one per class with matches)
std::vector<std::string> ImproveLogLines(const ScheduleInput& input, const Lrec& lrec,
                                         const ImproveOutcome& outcome);
inline constexpr std::string_view kImproveLogBefore = "; f\xF6re f\xF6rb\xE4ttring: ";

// Improves `slots` in place. `realPlayTimes` is the number of play-time records of the run:
// slots from that index on are the generated placeholders. `mask` is null when no mask
// file is in use.
ImproveOutcome ImproveSchedule(const Lrec& lrec, const Sequence& sequence,
                               std::vector<PlayTimeSlot>& slots, std::size_t realPlayTimes,
                               const Mask* mask, const ImproveOptions& options);

}  // namespace liga::scheduling
