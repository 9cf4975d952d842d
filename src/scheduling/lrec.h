// The parameter block of a scheduling run and its preparation from the competition.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "common/limits.h"
#include "scheduling/input.h"

namespace liga::scheduling {

inline constexpr int kMinImproveSeconds = 1;
inline constexpr int kMaxImproveSeconds = 60;
inline constexpr int kDefaultImproveSeconds = 1;

struct ClassSlot {
  int SlotTeams = 0;    // the class's `TeamCount`
  int SlotMatches = 0;  // the class's `MatchCount`
  int SlotDealt = 0;    // matches of the class handed out so far by the placement
  std::int32_t SlotRecNo = 0;
};

// `Lrec`. Rebuilt by every preparation; nothing of one run's choices survives into the
// next except through the configuration's `LastExchangePath`.
struct Lrec {
  std::string MaskFile;  // empty: no mask file
  std::string OutFile;
  int MatchesPerPlayTime = 0;
  int MaxMatchesPerPlayTime = 0;  // always 16
  int MatchTotal = 0;             // sum of SlotMatches
  int MaxPlayTimes = 0;           // always 4800
  int WantedPlayTimes = 0;
  int PlayTimeRecords = 0;
  int ClassTotal = 0;      // slots filled
  int MaxClasses = 0;      // always 10
  int TeamTotal = 0;       // sum of SlotTeams
  int MaxTeams = 0;        // always 160
  int RoundOrder = 0;      // 1 reversed odd cycles, 2 repeated
  int HomeAwayMode = 0;    // 1 exchanged in odd cycles, 2 kept
  int OneMatchPerDay = 0;  // 1: one match per date and team; 0: per play time
  int RefineSteps = 0;     // 0..10 repair steps
  // The improvement pass after the repair steps ("förbättra schemat"): off unless chosen.
  int Improve = 0;         // 1: run the pass
  int ImproveSeconds = 0;  // its budget, kMinImproveSeconds..kMaxImproveSeconds
  std::array<ClassSlot, kClassSlots> ClassSlots{};
};

// The default schedule file: the folder of `lastExchangePath` (or of `dataDir` when that
// is empty) + "/SPELDAG.LOT". Trailing "/" of the folder are removed first, so
// "/data/exp/x.txt" gives "/data/exp/SPELDAG.LOT" and "/x.txt" gives "/SPELDAG.LOT".
// A path without any "/" names a file in the working directory: "SPELDAG.LOT".
std::string DefaultOutFile(const std::string& lastExchangePath, const std::string& dataDir);

struct PrepareResult {
  bool ok = false;
  std::string message;  // the refusal shown, "... Ingen spelfördelning möjlig!"; else empty
};

// Fills `lrec` from the competition and decides whether the dialog may be shown.
// Posts "Initierar variabler!" on the status line and one progress line (line 2) per
// class of the open progress window; a refusal is shown as an information message.
// `confirmedOutFile` (the output name the person already agreed to overwrite) is emptied.
PrepareResult Prepare(const ScheduleInput& input, const ScheduleConfig& config, Lrec& lrec,
                      std::string& confirmedOutFile);

}  // namespace liga::scheduling
