#include "scheduling/pairing.h"

#include <array>
#include <string_view>
#include <utility>

namespace liga::scheduling {
namespace {

// The pairing tables for 2..16 teams, "home-away" by team index, rounds separated by "|".
// Every unordered pair of 1..n occurs exactly once and every round holds n div 2 pairs
// with no index twice (checked by the tests).
constexpr std::array<std::string_view, kMaxTeamsPerClass - 1> kTableText = {
    /*  2 */ "1-2",
    /*  3 */ "1-2 | 1-3 | 2-3",
    /*  4 */ "1-2 3-4 | 1-3 2-4 | 1-4 2-3",
    /*  5 */ "1-2 3-4 | 5-1 2-3 | 4-5 1-3 | 5-2 4-1 | 3-5 2-4",
    /*  6 */ "1-6 5-2 3-4 | 2-1 6-3 4-5 | 3-2 6-4 1-5 | 4-1 5-3 2-6 | 1-3 2-4 6-5",
    /*  7 */
    "2-1 3-4 5-6 | 7-1 2-3 4-5 | 6-7 1-4 5-2 | 3-7 4-6 1-5 | 7-4 3-1 6-2 | 5-3 1-6 2-7 | 4-2 6-3 "
    "7-5",
    /*  8 */
    "1-2 3-4 5-6 7-8 | 4-1 8-3 5-2 7-6 | 1-5 3-7 2-4 6-8 | 5-3 1-7 2-8 4-6 | 8-5 7-4 3-2 6-1 | 4-8 "
    "5-7 2-6 1-3 | 4-5 7-2 8-1 6-3",
    /*  9 */
    "2-7 6-3 5-9 4-8 | 6-1 8-5 7-4 9-3 | 8-2 4-9 1-7 5-6 | 3-1 2-4 9-8 7-5 | 6-2 8-7 5-3 1-9 | 4-5 "
    "2-1 9-6 3-8 | 7-9 1-4 6-8 2-3 | 8-1 5-2 4-6 3-7 | 9-2 7-6 1-5 3-4",
    /* 10 */
    "1-10 2-8 3-9 4-6 5-7 | 10-3 8-4 9-5 7-1 6-2 | 5-10 7-4 1-6 3-8 2-9 | 8-1 6-3 10-2 9-7 4-5 | "
    "1-3 2-5 6-9 10-4 7-8 | 9-1 5-6 8-10 3-7 4-2 | 1-4 2-7 3-5 6-10 8-9 | 4-3 7-6 2-1 10-9 5-8 | "
    "1-5 3-2 9-4 6-8 7-10",
    /* 11 */
    "2-7 3-11 9-5 4-8 10-6 | 8-1 7-10 6-3 11-9 5-4 | 6-2 1-5 9-8 10-11 4-7 | 5-10 11-1 3-7 2-9 8-6 "
    "| 1-4 10-2 7-8 11-6 9-3 | 7-5 3-1 8-10 2-11 4-9 | 10-3 1-2 6-9 11-4 5-8 | 9-7 2-4 6-1 8-11 "
    "3-5 | 4-10 5-2 3-8 9-1 7-6 | 11-5 10-9 2-3 6-4 1-7 | 8-2 4-3 5-6 7-11 1-10",
    /* 12 */
    "1-10 8-2 3-12 9-11 4-7 6-5 | 12-1 10-3 2-4 7-8 11-6 5-9 | 1-7 8-12 4-11 2-6 3-5 9-10 | 5-1 "
    "7-3 6-9 10-2 12-4 11-8 | 4-6 9-12 8-10 2-11 1-3 7-5 | 10-12 8-9 5-2 11-7 3-4 6-1 | 10-5 12-2 "
    "4-8 9-3 1-11 7-6 | 2-1 3-8 5-4 6-12 7-9 11-10 | 1-9 2-7 3-11 10-4 12-5 8-6 | 4-1 9-2 6-3 5-8 "
    "7-10 11-12 | 3-2 4-9 1-8 5-11 10-6 12-7",
    /* 13 */
    "1-13 2-12 3-11 4-10 5-9 6-8 | 1-12 13-11 2-10 3-9 4-8 6-7 | 1-11 12-10 13-9 2-8 4-7 5-6 | "
    "1-10 11-9 12-8 2-7 3-6 4-5 | 1-9 10-8 12-7 13-6 2-5 3-4 | 1-8 10-7 11-6 12-5 13-4 2-3 | 8-7 "
    "9-6 10-5 11-4 12-3 13-2 | 1-7 8-5 9-4 10-3 11-2 12-13 | 1-6 7-5 8-3 9-2 10-13 11-12 | 1-5 6-4 "
    "7-3 8-13 9-12 10-11 | 1-4 5-3 6-2 7-13 8-11 9-10 | 1-3 4-2 5-13 6-12 7-11 8-9 | 1-2 3-13 4-12 "
    "5-11 6-10 7-9",
    /* 14 */
    "1-13 2-12 3-11 4-10 5-9 6-8 7-14 | 1-12 13-11 2-10 3-9 4-8 5-14 6-7 | 1-11 12-10 13-9 2-8 "
    "3-14 4-7 5-6 | 1-10 11-9 12-8 13-14 2-7 3-6 4-5 | 1-9 10-8 11-14 12-7 13-6 2-5 3-4 | 1-8 9-14 "
    "10-7 11-6 12-5 13-4 2-3 | 1-14 8-7 9-6 10-5 11-4 12-3 13-2 | 1-7 14-6 8-5 9-4 10-3 11-2 12-13 "
    "| 1-6 7-5 14-4 8-3 9-2 10-13 11-12 | 1-5 6-4 7-3 14-2 8-13 9-12 10-11 | 1-4 5-3 6-2 7-13 "
    "14-12 8-11 9-10 | 1-3 4-2 5-13 6-12 7-11 14-10 8-9 | 1-2 3-13 4-12 5-11 6-10 7-9 14-8",
    /* 15 */
    "1-15 2-14 3-13 4-12 5-11 6-10 7-9 | 1-14 15-13 2-12 3-11 4-10 5-9 7-8 | 1-13 14-12 15-11 2-10 "
    "3-9 5-8 6-7 | 1-12 13-11 14-10 15-9 3-8 4-7 5-6 | 1-11 12-10 13-9 15-8 2-7 3-6 4-5 | 1-10 "
    "11-9 13-8 14-7 15-6 2-5 3-4 | 1-9 11-8 12-7 13-6 14-5 15-4 2-3 | 9-8 10-7 11-6 12-5 13-4 14-3 "
    "15-2 | 1-8 9-6 10-5 11-4 12-3 13-2 14-15 | 1-7 8-6 9-4 10-3 11-2 12-15 13-14 | 1-6 7-5 8-4 "
    "9-2 10-15 11-14 12-13 | 1-5 6-4 7-3 8-2 9-14 10-13 11-12 | 1-4 5-3 6-2 7-15 8-14 9-12 10-11 | "
    "1-3 4-2 5-15 6-14 7-13 8-12 9-10 | 1-2 3-15 4-14 5-13 6-12 7-11 8-10",
    /* 16 */
    "1-15 2-14 3-13 4-12 5-11 6-10 7-9 8-16 | 1-14 15-13 2-12 3-11 4-10 5-9 6-16 7-8 | 1-13 14-12 "
    "15-11 2-10 3-9 4-16 5-8 6-7 | 1-12 13-11 14-10 15-9 2-16 3-8 4-7 5-6 | 1-11 12-10 13-9 14-16 "
    "15-8 2-7 3-6 4-5 | 1-10 11-9 12-16 13-8 14-7 15-6 2-5 3-4 | 1-9 10-16 11-8 12-7 13-6 14-5 "
    "15-4 2-3 | 1-16 9-8 10-7 11-6 12-5 13-4 14-3 15-2 | 1-8 16-7 9-6 10-5 11-4 12-3 13-2 14-15 | "
    "1-7 8-6 16-5 9-4 10-3 11-2 12-15 13-14 | 1-6 7-5 8-4 16-3 9-2 10-15 11-14 12-13 | 1-5 6-4 7-3 "
    "8-2 16-15 9-14 10-13 11-12 | 1-4 5-3 6-2 7-15 8-14 16-13 9-12 10-11 | 1-3 4-2 5-15 6-14 7-13 "
    "8-12 16-11 9-10 | 1-2 3-15 4-14 5-13 6-12 7-11 8-10 16-9",
};

struct Table {
  int count = 0;
  std::array<PairIndex, kMaxTeamsPerClass*(kMaxTeamsPerClass - 1) / 2> pairs{};
};

std::array<Table, kMaxTeamsPerClass + 1> parseTables() {
  std::array<Table, kMaxTeamsPerClass + 1> tables{};
  for (int n = 2; n <= kMaxTeamsPerClass; ++n) {
    std::string_view text = kTableText[n - 2];
    Table& t = tables[n];
    std::size_t i = 0;
    auto number = [&]() {
      int v = 0;
      while (i < text.size() && text[i] >= '0' && text[i] <= '9') v = v * 10 + (text[i++] - '0');
      return v;
    };
    while (i < text.size()) {
      char c = text[i];
      if (c >= '0' && c <= '9') {
        int home = number();
        ++i;  // the "-"
        int away = number();
        t.pairs[t.count++] = PairIndex{home, away};
      } else {
        ++i;
      }
    }
  }
  return tables;
}

const std::array<Table, kMaxTeamsPerClass + 1>& tables() {
  static const auto kTables = parseTables();
  return kTables;
}

}  // namespace

int PairingTableSize(int teams) {
  if (teams < 2 || teams > kMaxTeamsPerClass) return 0;
  return teams * (teams - 1) / 2;
}

PairIndex PairingTableEntry(int teams, int entry) {
  if (teams < 2 || teams > kMaxTeamsPerClass) return {};
  const Table& t = tables()[teams];
  if (entry < 1 || entry > t.count) return {};
  return t.pairs[entry - 1];
}

std::vector<std::vector<PairIndex>> PairingTableRounds(int teams) {
  std::vector<std::vector<PairIndex>> rounds;
  if (teams < 2 || teams > kMaxTeamsPerClass) return rounds;
  std::string_view text = kTableText[teams - 2];
  int entry = 1;
  rounds.emplace_back();
  for (char c : text) {
    if (c == '|') rounds.emplace_back();
    if (c == '-') rounds.back().push_back(PairingTableEntry(teams, entry++));
  }
  return rounds;
}

PairIndex Pairing(int teams, int k, int roundOrder, int homeAwayMode) {
  int b = PairingTableSize(teams);
  if (b == 0 || k < 1) return {};
  int cycle = (k - 1) / b;
  int ch = (k - 1) % b + 1;
  bool odd = cycle % 2 == 1;
  if (odd && roundOrder == 1) ch = b + 1 - ch;
  PairIndex p = PairingTableEntry(teams, ch);
  if (odd && homeAwayMode == 1) std::swap(p.home, p.away);
  return p;
}

}  // namespace liga::scheduling
