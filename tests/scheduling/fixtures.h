// Builders for scheduling inputs and the checker of a placed schedule's guarantees.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "scheduling/input.h"
#include "scheduling/lrec.h"
#include "scheduling/mask.h"
#include "scheduling/placement.h"
#include "scheduling/run.h"

namespace liga::scheduling::testing {

struct ClassShape {
  ClassShape(int t, int r = 1, int first = 1, std::string n = {})
      : teams(t), rounds(r), firstNumber(first), name(std::move(n)) {}
  int teams;
  int rounds;
  int firstNumber;   // team numbers firstNumber .. firstNumber + teams - 1
  std::string name;  // default "K" + record number
};

// A competition with these classes (teams listed from the highest number down, so the
// run's own ordering is exercised) and play times.
ScheduleInput MakeInput(const std::vector<ClassShape>& classes,
                        std::vector<PlayTimeInput> playTimes);

// `dates` consecutive dates from 2016-09-01, each with the given times ("10:00", ...),
// leader "DOMARE A": "2016-09-01 10:00".
std::vector<PlayTimeInput> MakePlayTimes(int dates, const std::vector<std::string>& times);
std::string DateText(int dayIndex);  // "2016-09-01" for 0, then one day per step

struct Options {
  int matchesPerPlayTime = 1;
  int oneMatchPerDay = 1;
  int refineSteps = 2;
  int roundOrder = 1;
  int homeAwayMode = 1;
};

// The parameter block as a successful preparation and an accepted dialog leave it.
Lrec MakeLrec(const ScheduleInput& input, const Options& options);

// Checks every guarantee of a placed schedule; returns the faults found (empty when
// sound). `repaired`: the repair sequence ran at least once.
std::vector<std::string> CheckSchedule(const ScheduleInput& input, const Lrec& lrec,
                                       const ScheduleResult& result, const Mask* mask,
                                       bool repaired);

int MatchesOn(const std::vector<PlayTimeSlot>& slots, bool placeholders);

}  // namespace liga::scheduling::testing
