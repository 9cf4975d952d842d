// The scheduling run ("spelfördela"): preparation and dialog, sequence generation and
// ordering, placement and repair, and the schedule file.
//
// Guarantees:
//  1. The competition is only read (through ScheduleInput); nothing is written to it.
//  2. The schedule file is written to a temporary file in the output folder and renamed
//     over `OutFile` only when it was written and closed completely. A refused
//     preparation, a cancelled dialog, a run aborted from the progress window or a failed
//     write leave an existing `OutFile` untouched.
//  3. With an explicit random source the run is reproducible byte for byte (given the
//     same input, options and date).
//
// Use from a front end (the adapter fills ScheduleInput from the open competition):
//
//   ScheduleConfig config{cfg.LastExchangePath, cfg.DataDir};
//   SeededRandom seeded(seed);                       // `--seed N`; omit for the clock
//   RunSummary s = Spellotta(input, config,
//       [&](ScheduleDialog& d) { return ApplyChoices(d, choices); },  // or the Qt dialog
//       {seed ? &seeded : nullptr, nullptr});
//   cfg.LastExchangePath = config.LastExchangePath;  // the run's OutFile
//
// A refused `ApplyChoices` leaves its message in the dialog's statusText(); the run then
// ends as Cancelled. An existing output file is only replaced after Yes to the question
// shown through the user-interface port (`--yes`).
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/clock.h"
#include "scheduling/dialog.h"
#include "scheduling/improve.h"
#include "scheduling/input.h"
#include "scheduling/lrec.h"
#include "scheduling/mask.h"
#include "scheduling/placement.h"
#include "scheduling/random.h"
#include "scheduling/schedule_file.h"
#include "scheduling/sequence.h"

namespace liga::scheduling {

// The local date of `now`, for the schedule file's header.
CalendarDate LocalDate(std::time_t now);

// The computation of a run without files or dialogs.
struct ScheduleResult {
  Sequence sequence;
  int matchCount = 0;  // G, the entries of the sequence
  std::vector<PlayTimeSlot> slots;
  std::optional<ImproveOutcome> improved;  // set when the improvement pass ran
};

// Generates (progress lines 2..6), orders (G > 1) and places the sequence, then runs the
// repair sequence, and the improvement pass when `lrec.Improve` is set (seeded from one
// draw of `random` after the ordering, so runs without the pass draw exactly as before).
// `lrec` must come from a successful preparation and dialog; its `SlotDealt` counters
// are advanced. `mask` is null when no mask file is in use.
ScheduleResult Schedule(const ScheduleInput& input, Lrec& lrec, RandomSource& random,
                        const Mask* mask);

// Shows the dialog modally; true when it closed with OK. The `liga` command fills the
// controller from its options and calls ok() instead.
using ShowDialog = std::function<bool(ScheduleDialog&)>;

enum class RunOutcome {
  Refused,       // the preparation refused; its message was shown
  Cancelled,     // the dialog was cancelled
  CannotCreate,  // "Kan inte öppna filen ... för skrivning"
  Aborted,       // "avbryt" in the progress window; no file
  Written,       // the schedule file is in place
  CloseFailed,   // "Fel vid stänging av filen ..."; the old file is untouched
};

struct RunSummary {
  RunOutcome outcome = RunOutcome::Refused;
  Lrec lrec;
  int matchCount = 0;                      // G
  int playTimesUsed = 0;                   // play times of the run (slots written)
  int realMatches = 0;                     // matches on real play times
  int placeholderMatches = 0;              // matches left on "Ändrtid" play times
  std::optional<ImproveOutcome> improved;  // the figures before and after the pass
  std::string message;                     // the last message shown by the run
};

struct RunOptions {
  RandomSource* random = nullptr;  // null: seeded from the clock, as the program does
  const Clock* clock = nullptr;    // today's date and the stopwatch; null: the system clock
};

// "mmm" or "mmm:ss": whole minutes zero-padded to 3 digits, the seconds (zero-padded to
// 2) only when they are not 0.
std::string ElapsedText(std::int64_t seconds);

// The run. Messages, the status line and the progress window go through the
// user-interface port; texts are code page 1252.
RunSummary RunSchedule(const ScheduleInput& input, ScheduleConfig& config,
                       const ShowDialog& showDialog, const RunOptions& options = {});

// The "spelfördela" command: the run, then `LastExchangePath` = the run's `OutFile`.
RunSummary Spellotta(const ScheduleInput& input, ScheduleConfig& config,
                     const ShowDialog& showDialog, const RunOptions& options = {});

}  // namespace liga::scheduling
