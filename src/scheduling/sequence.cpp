#include "scheduling/sequence.h"

#include <algorithm>
#include <cmath>

#include "common/messages.h"
#include "common/progress.h"
#include "common/text.h"

namespace liga::scheduling {

long RoundHalfEven(double value) {
  double down = std::floor(value);
  double diff = value - down;
  if (diff < 0.5) return static_cast<long>(down);
  if (diff > 0.5) return static_cast<long>(down) + 1;
  long d = static_cast<long>(down);
  return d % 2 == 0 ? d : d + 1;
}

int GenerateSequence(const ScheduleInput& input, const Lrec& lrec, Sequence& sequence) {
  sequence = Sequence{};
  int g = 0;
  const int classTotal = std::min(lrec.ClassTotal, static_cast<int>(input.Classes.size()));
  for (int s = 0; s < classTotal && !ProgressAborted(); ++s) {
    const ClassInput& klass = input.Classes[s];
    ProgressLine(
        2, "Klasser antal:" + FormatInt(s + 1, 2) + " [" + FormatInt(lrec.ClassTotal, 2) + "]");
    std::vector<TeamInput> teams = klass.Teams;
    std::stable_sort(teams.begin(), teams.end(), [](const TeamInput& a, const TeamInput& b) {
      return a.TeamNumber < b.TeamNumber;
    });
    const int n = static_cast<int>(teams.size());
    if (n <= 1) continue;
    if (n > kMaxTeamsPerClass) {
      // "antalet i klassen "X" överskrider maxantalet  16"
      ShowMessage(201, "antalet i klassen \"" + klass.ClassName + "\" \xF6verskrider maxantalet " +
                           FormatInt(kMaxTeamsPerClass, 3));
      continue;
    }
    auto& numbers = sequence.SerieLnr[s];
    for (int i = 1; i <= n; ++i) {
      numbers[i] = teams[i - 1].TeamNumber;
      ProgressLine(3, "\"" + teams[i - 1].TeamNumberKey + "\" Antal lag i klassen:" +
                          FormatInt(i, 4) + " [" + FormatInt(n, 4) + "]");
    }
    sequence.teams[s] = n;
    const int matches = lrec.ClassSlots[s].SlotMatches;
    for (int k = 1; k <= matches; ++k) {
      ++g;
      ProgressLine(
          4, "Matcher i klassen antal:" + FormatInt(k, 4) + " [" + FormatInt(matches, 4) + "]");
      ProgressLine(5, "Matcher totalt antal:" + FormatInt(g, 4) + " [" +
                          FormatInt(lrec.MatchTotal, 4) + "]");
      PairIndex p = Pairing(n, k, lrec.RoundOrder, lrec.HomeAwayMode);
      ProgressLine(6, "Matchm\xF6te: \"" + FormatInt(numbers[p.home], 4, '0') + "\"-\"" +
                          FormatInt(numbers[p.away], 4, '0'));
      sequence.entries.push_back(SequenceEntry{s, numbers[p.home], numbers[p.away], g, false});
    }
  }
  return g;
}

namespace {

struct ClassCount {
  int slot;
  int count;
};

// Deals the entries of one group of classes onto the free positions of the sequence.
class Dealer {
 public:
  Dealer(std::vector<SequenceEntry>& entries, RandomSource& random, double r)
      : m_e(entries), m_random(random), m_r(r), m_acc(1.0 - r) {}

  // Moves one unclaimed entry of `slot`, drawn at random, to the next target position.
  void deal(int slot) {
    const auto g = static_cast<std::uint32_t>(m_e.size());
    std::size_t x;
    do {
      x = m_random.below(g);
    } while (m_e[x].slot != slot || m_e[x].claimed);
    m_acc += m_r;
    const long target = RoundHalfEven(m_acc);
    // The target counts free positions from the start of this group's scan; it grows by
    // at least one per deal, and never beyond the free positions left, so the scan only
    // moves forwards and stays inside the sequence.
    std::size_t p = m_p;
    for (;;) {
      if (p >= m_e.size()) {
        p = m_lastFree;
        break;
      }
      if (!m_e[p].claimed) {
        m_lastFree = p;
        if (++m_free >= target) break;
      }
      ++p;
    }
    m_p = p + 1;
    std::swap(m_e[x], m_e[p]);
    m_e[p].claimed = true;
  }

 private:
  std::vector<SequenceEntry>& m_e;
  RandomSource& m_random;
  double m_r;
  double m_acc;
  std::size_t m_p = 0;  // next position the scan looks at
  long m_free = 0;      // free positions met by the scan
  std::size_t m_lastFree = 0;
};

}  // namespace

void OrderSequence(Sequence& sequence, RandomSource& random) {
  auto& entries = sequence.entries;
  const int g = static_cast<int>(entries.size());
  if (g < 2) return;

  std::vector<ClassCount> list;
  for (const SequenceEntry& e : entries) {
    auto it = std::find_if(list.begin(), list.end(),
                           [&](const ClassCount& c) { return c.slot == e.slot; });
    if (it == list.end()) {
      list.push_back({e.slot, 1});
    } else {
      ++it->count;
    }
  }
  // This exchange sort (not a stable one) decides the order of equal counts.
  for (std::size_t i = 0; i + 1 < list.size(); ++i) {
    for (std::size_t j = i + 1; j < list.size(); ++j) {
      if (list[i].count < list[j].count) std::swap(list[i], list[j]);
    }
  }

  int remaining = g;
  for (std::size_t first = 0; first < list.size();) {
    std::size_t last = first;
    while (last + 1 < list.size() && list[last + 1].count == list[first].count) ++last;
    const int classes = static_cast<int>(last - first + 1);
    const int m = list[first].count * classes;
    Dealer dealer(entries, random, static_cast<double>(remaining) / m);
    if (classes > 1) {
      random.reseed();
      std::vector<int> order;
      for (std::size_t i = first; i <= last; ++i) order.push_back(list[i].slot);
      for (int i = classes - 1; i > 0; --i) {
        std::swap(order[i], order[random.below(static_cast<std::uint32_t>(i + 1))]);
      }
      for (int round = 0; round < m / classes; ++round) {
        for (int slot : order) dealer.deal(slot);
      }
    } else {
      for (int i = 0; i < m; ++i) dealer.deal(list[first].slot);
    }
    remaining -= m;
    first = last + 1;
  }

  const auto range = static_cast<std::uint32_t>(g / list.front().count);
  const std::uint32_t shift = random.below(range);
  std::rotate(entries.begin(), entries.end() - shift, entries.end());
}

}  // namespace liga::scheduling
