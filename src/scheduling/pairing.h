// Pairing tables: which two teams of a class play its k-th match and who is at home.
//
// Inside a class its n teams are numbered 1..n (team index) in ascending team number.
// For each n in 2..16 a fixed table lists the b = n(n-1)/2 pairs "home-away":
//  1. every unordered pair of indices occurs exactly once;
//  2. the list falls into rounds of n div 2 consecutive pairs with no index twice
//     (for odd n one team rests in each round).
// A class playing `Rounds` cycles runs through its table once per cycle; the two cycle
// options decide how the odd cycles (the 2nd, 4th, ...) differ from the table.
#pragma once

#include <vector>

#include "common/limits.h"

namespace liga::scheduling {

// `RoundOrder`: 1 = odd cycles run through the table backwards, 2 = always forwards.
inline constexpr int kRoundOrderReversed = 1;
inline constexpr int kRoundOrderRepeated = 2;
// `HomeAwayMode`: 1 = home and away are exchanged in odd cycles, 2 = never.
inline constexpr int kHomeAwayExchanged = 1;
inline constexpr int kHomeAwayKept = 2;

struct PairIndex {
  int home = 0;
  int away = 0;
  friend bool operator==(const PairIndex&, const PairIndex&) = default;
};

// b = n(n-1)/2 for n in 2..16, else 0.
int PairingTableSize(int teams);
// Entry `entry` (1..b) of the table for `teams`; (0, 0) outside the table.
PairIndex PairingTableEntry(int teams, int entry);
// The table for `teams` split into its rounds (empty outside 2..16).
std::vector<std::vector<PairIndex>> PairingTableRounds(int teams);

// The pair of match k (k >= 1) of a class with `teams` teams under the cycle options:
// cycle c = (k-1) div b, entry ch = (k-1) mod b + 1; in odd cycles the entry is counted
// from the end when roundOrder is 1, and home and away are exchanged when homeAwayMode
// is 1. (0, 0) for teams outside 2..16 or k < 1.
PairIndex Pairing(int teams, int k, int roundOrder, int homeAwayMode);

}  // namespace liga::scheduling
