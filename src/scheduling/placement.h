// Placement of the match sequence onto play times, and the repair steps.
//
// The play-time records are walked in key order and each gets `MatchesPerPlayTime`
// positions. Guarantees of the result (checked for many seeds by PlacementInvariantTest):
//  1. Every sequence entry is dealt exactly once: each class's k-th dealt entry is its
//     pairing-table match k under the cycle options, and each dealt pair ends on exactly
//     one play time.
//  2. No team plays twice in one period. A period is a date (the first 10 characters of
//     the play time) when `OneMatchPerDay` is set, otherwise a single play time (16
//     characters); every placeholder play time is a period of its own.
//  3. No team plays on a real play time its mask lines exclude; placeholders are exempt.
//  4. A play time holds at most `MatchesPerPlayTime` matches, in positions 1..nG.
//  5. Placeholders ("Ändrtid" + 3 digits, leader "Ändraledare" + 3 digits, numbered by
//     the play time's running number in the run) only follow the last real play time.
//  6. After a repair sequence that ran at least once, no match left on a placeholder
//     could be taken by a real period: every real period either holds one of its teams,
//     has no free position, or is excluded by the mask for one of its teams.
#pragma once

#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "scheduling/input.h"
#include "scheduling/lrec.h"
#include "scheduling/mask.h"
#include "scheduling/sequence.h"

namespace liga::scheduling {

// "Ändrtid" and "Ändraledare" in code page 1252.
inline constexpr std::string_view kPlaceholderTime = "\xC4ndrtid";
inline constexpr std::string_view kPlaceholderLeader = "\xC4ndraledare";

struct MatchPair {
  int home = 0;
  int away = 0;
  bool empty() const { return home == 0 && away == 0; }
  friend bool operator==(const MatchPair&, const MatchPair&) = default;
};

// A play time of the run (`TSpelTid` / `TSpeltidRec`).
struct PlayTimeSlot {
  std::string Inf;                                    // `PlayTime` + "," + `GameLeader`
  int nG = 0;                                         // matches in positions 1..nG of G
  std::array<MatchPair, kMaxMatchesPerPlayTime> G{};  // G[0] is position 1
  std::string PlayTime;                               // the play time text alone (mask checks)
  bool placeholder = false;                           // `PlayTime` contains "Ändrtid"
};

// Runs the placement, the deferred pass and the repair sequence over the whole sequence.
// `mask` is null when no mask file is in use. `lrec.ClassSlots[].SlotDealt` count the
// dealt matches. Stops early when the progress window's abort flag is set.
std::vector<PlayTimeSlot> PlaceSequence(Lrec& lrec, const Sequence& sequence,
                                        const std::vector<PlayTimeInput>& playTimes,
                                        const Mask* mask);

// The steps one by one, for the tests.
class Placement {
 public:
  Placement(Lrec& lrec, const Sequence& sequence, const std::vector<PlayTimeInput>& playTimes,
            const Mask* mask);
  ~Placement();
  Placement(const Placement&) = delete;
  Placement& operator=(const Placement&) = delete;

  // Placement pass over sequence entries first..last (1-based, inclusive).
  void placePass(int first, int last);
  // Places the deferred pairs; afterwards the deferred list is empty.
  void deferredPass();
  // Repair step "move": matches of placeholders go to real periods with room.
  void repairMove();
  // Repair step "swap"; returns whether any placeholder play time exists.
  bool repairSwap();
  // "move" once, then refineSteps-1 times "swap" followed by "move" when it reported
  // placeholders. Nothing when refineSteps <= 0.
  void repairSequence(int refineSteps);

  const std::vector<PlayTimeSlot>& slots() const;
  std::vector<PlayTimeSlot> takeSlots();
  // The deferred list, removed entries as (0, 0).
  std::vector<MatchPair> deferred() const;

 private:
  struct Impl;
  std::unique_ptr<Impl> m;
};

// Period key of a play time in the placement: the whole text for a placeholder, else its
// first 10 (one match per day) or 16 characters.
std::string PeriodKey(std::string_view playTime, bool oneMatchPerDay);
bool IsPlaceholder(std::string_view text);

}  // namespace liga::scheduling
