#include "scheduling/improve_breaks.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <string>

#include "common/progress.h"

namespace liga::scheduling {

bool ImprovementGoesOn(std::string_view what) {
  ProgressLine(8, std::string("F\xF6rb\xE4ttrar schemat: ") + std::string(what));
  return !ProgressAborted();
}

ScheduleLayout MakeLayout(const Lrec& lrec, const std::vector<PlayTimeSlot>& slots,
                          std::size_t realPlayTimes) {
  ScheduleLayout layout;
  layout.real = std::min(realPlayTimes, slots.size());
  layout.perPlayTime = std::clamp(lrec.MatchesPerPlayTime, 1, kMaxMatchesPerPlayTime);
  layout.period.assign(layout.real, -1);
  layout.load.assign(layout.real, 0);
  std::string previous;
  for (std::size_t p = 0; p < layout.real; ++p) {
    layout.load[p] = slots[p].nG;
    if (slots[p].placeholder) continue;  // a stored "Ändrtid" record: never a target
    const std::string key = PeriodKey(slots[p].PlayTime, lrec.OneMatchPerDay != 0);
    if (layout.periods == 0 || key != previous || (p > 0 && layout.period[p - 1] < 0))
      ++layout.periods;
    layout.period[p] = layout.periods - 1;
    previous = key;
  }
  return layout;
}

ClassSearch::ClassSearch(std::vector<PlayTimeSlot>& slots, ScheduleLayout& layout,
                         const std::vector<int>& teams, bool alternatePairs, const Mask* mask,
                         Pcg32& random)
    : m_slots(slots), m_layout(layout), m_mask(mask), m_random(random), m_numbers(teams) {
  collect(teams, alternatePairs);
  const std::size_t n = teams.size();
  m_busy.assign(n * static_cast<std::size_t>(layout.periods), -1);
  m_allowed.assign(n * layout.real, 1);
  for (std::size_t t = 0; t < n && mask; ++t) {
    for (std::size_t p = 0; p < layout.real; ++p)
      m_allowed[t * layout.real + p] = !mask->hits(teams[t], slots[p].PlayTime);
  }
  for (int m : m_movable) {
    const Match& x = m_matches[m];
    for (int t : {x.lo, x.hi}) m_busy[t * m_layout.periods + periodOf(x)] = m;
  }
  resort({}, {});
  m_bestValue = m_value;
  for (const Match& m : m_matches) m_bestSlot.push_back(m.slot);
}

void ClassSearch::collect(const std::vector<int>& teams, bool alternatePairs) {
  std::map<int, int> local;
  for (std::size_t i = 0; i < teams.size(); ++i) local[teams[i]] = static_cast<int>(i);
  m_ofTeam.assign(teams.size(), {});
  std::map<std::pair<int, int>, int> groupOfPair;
  for (std::size_t p = 0; p < m_slots.size(); ++p) {
    for (int b = 0; b < m_slots[p].nG; ++b) {
      auto h = local.find(m_slots[p].G[b].home), a = local.find(m_slots[p].G[b].away);
      if (h == local.end() || a == local.end()) continue;
      const int id = static_cast<int>(m_matches.size());
      Match m{static_cast<int>(p),
              std::min(h->second, a->second),
              std::max(h->second, a->second),
              0,
              0,
              static_cast<int>(p),
              b};
      auto [it, added] = groupOfPair.try_emplace({m.lo, m.hi}, static_cast<int>(m_ofGroup.size()));
      if (!alternatePairs || added) {
        m.group = static_cast<int>(m_ofGroup.size());
        m_ofGroup.emplace_back();
        m_teamsOfGroup.push_back({m.lo, m.hi});
        m_value.push_back(h->second == m.lo ? 0 : 1);  // the seed's side of the first meeting
      } else {
        m.group = it->second;
      }
      m_ofGroup[m.group].push_back(id);
      m_ofTeam[m.lo].push_back(id);
      m_ofTeam[m.hi].push_back(id);
      m_matches.push_back(m);
      if (movable(m)) m_movable.push_back(id);
    }
  }
}

int ClassSearch::periodOf(const Match& m) const {
  return static_cast<std::size_t>(m.slot) < m_layout.real ? m_layout.period[m.slot] : -1;
}
bool ClassSearch::movable(const Match& m) const {
  return periodOf(m) >= 0;
}

int ClassSearch::side(int team, int match) const {
  const Match& m = m_matches[match];
  return (team == m.lo) == homeIsLo(m) ? 1 : -1;
}

int ClassSearch::breaks(int team) const {
  int n = 0;
  const auto& list = m_ofTeam[team];
  for (std::size_t k = 1; k < list.size(); ++k) n += side(team, list[k]) == side(team, list[k - 1]);
  return n;
}

int ClassSearch::cost(int team) const {
  int balance = 0;
  for (int m : m_ofTeam[team]) balance += side(team, m);
  return breaks(team) + 3 * std::max(0, std::abs(balance) - 1);
}

int ClassSearch::totalBreaks() const {
  int n = 0;
  for (int t = 0; t < static_cast<int>(m_ofTeam.size()); ++t) n += breaks(t);
  return n;
}

int ClassSearch::violations() const {
  int n = 0;
  for (int t = 0; t < static_cast<int>(m_ofTeam.size()); ++t) {
    int balance = 0;
    for (int m : m_ofTeam[t]) balance += side(t, m);
    n += std::max(0, std::abs(balance) - 1);
  }
  return n;
}

// True when neither team of `m` plays in `period` other than in match `except`.
bool ClassSearch::freeAt(const Match& m, int period, int except) const {
  for (int t : {m.lo, m.hi}) {
    const int other = m_busy[t * m_layout.periods + period];
    if (other >= 0 && other != except) return false;
  }
  return true;
}

bool ClassSearch::allowedAt(const Match& m, int slot) const {
  return m_allowed[m.lo * m_layout.real + slot] && m_allowed[m.hi * m_layout.real + slot];
}

void ClassSearch::relocate(int match, int slot) {
  Match& m = m_matches[match];
  for (int t : {m.lo, m.hi}) {
    int& at = m_busy[t * m_layout.periods + periodOf(m)];
    if (at == match) at = -1;
  }
  --m_layout.load[m.slot];
  m.slot = slot;
  ++m_layout.load[slot];
  for (int t : {m.lo, m.hi}) m_busy[t * m_layout.periods + periodOf(m)] = match;
}

// Puts the matches of the teams and groups (all when both are empty) back in slot order
// and renumbers the meetings of the groups.
void ClassSearch::resort(std::vector<int> teams, std::vector<int> groups) {
  if (teams.empty() && groups.empty()) {
    for (int t = 0; t < static_cast<int>(m_ofTeam.size()); ++t) teams.push_back(t);
    for (int g = 0; g < static_cast<int>(m_ofGroup.size()); ++g) groups.push_back(g);
  }
  auto earlier = [&](int a, int b) {
    return m_matches[a].slot != m_matches[b].slot ? m_matches[a].slot < m_matches[b].slot : a < b;
  };
  for (int t : teams) std::sort(m_ofTeam[t].begin(), m_ofTeam[t].end(), earlier);
  for (int g : groups) {
    auto& list = m_ofGroup[g];
    std::sort(list.begin(), list.end(), earlier);
    for (std::size_t k = 0; k < list.size(); ++k) m_matches[list[k]].parity = k & 1;
  }
}

bool ClassSearch::accept(int delta, double temperature) {
  if (delta <= 0) return true;
  const double draw = m_random.below(1u << 20) / static_cast<double>(1u << 20);
  return draw < std::exp(-delta / temperature);
}

bool ClassSearch::tryFlip(int g, long& work, double temperature) {
  const int a = m_teamsOfGroup[g][0], b = m_teamsOfGroup[g][1];
  const int before = cost(a) + cost(b);
  m_value[g] ^= 1;
  const int delta = cost(a) + cost(b) - before;
  work += 2 * static_cast<long>(m_ofTeam[a].size() + m_ofTeam[b].size());
  if (accept(delta, temperature)) return delta < 0;
  m_value[g] ^= 1;
  return false;
}

bool ClassSearch::trySwap(int e, int f, long& work, double temperature) {
  const Match& x = m_matches[e];
  const Match& y = m_matches[f];
  const int px = periodOf(x), py = periodOf(y);
  if (px == py || !freeAt(x, py, f) || !freeAt(y, px, e) || !allowedAt(x, y.slot) ||
      !allowedAt(y, x.slot))
    return false;
  std::vector<int> teams = {x.lo, x.hi, y.lo, y.hi};
  std::sort(teams.begin(), teams.end());
  teams.erase(std::unique(teams.begin(), teams.end()), teams.end());
  const std::vector<int> groups = {x.group, y.group};
  int before = 0;
  for (int t : teams) before += cost(t);
  const int sx = x.slot, sy = y.slot;
  relocate(e, sy);
  relocate(f, sx);
  resort(teams, groups);
  int delta = -before;
  for (int t : teams) delta += cost(t);
  work += 4 * static_cast<long>(m_ofTeam[teams[0]].size()) * static_cast<long>(teams.size());
  if (accept(delta, temperature)) return delta < 0;
  relocate(e, sx);
  relocate(f, sy);
  resort(teams, groups);
  return false;
}

bool ClassSearch::tryMove(int e, int slot, long& work, double temperature) {
  const Match& x = m_matches[e];
  const int to = m_layout.period[slot];
  if (to < 0 || to == periodOf(x) || m_layout.load[slot] >= m_layout.perPlayTime ||
      !freeAt(x, to, e) || !allowedAt(x, slot))
    return false;
  const std::vector<int> teams = {x.lo, x.hi};
  const int before = cost(x.lo) + cost(x.hi);
  const int from = x.slot;
  relocate(e, slot);
  resort(teams, {x.group});
  const int delta = cost(x.lo) + cost(x.hi) - before;
  work += 4 * static_cast<long>(m_ofTeam[x.lo].size());
  if (accept(delta, temperature)) return delta < 0;
  relocate(e, from);
  resort(teams, {x.group});
  return false;
}

void ClassSearch::remember(int& bestBreaks) {
  if (violations() != 0) return;
  const int now = totalBreaks();
  if (now >= bestBreaks) return;
  bestBreaks = now;
  m_bestValue = m_value;
  for (std::size_t m = 0; m < m_matches.size(); ++m) m_bestSlot[m] = m_matches[m].slot;
}

void ClassSearch::restore() {
  m_value = m_bestValue;
  for (int m : m_movable) {
    if (m_matches[m].slot == m_bestSlot[m]) continue;
    // Take every moved match out first, so no team meets itself on the way back.
    for (int t : {m_matches[m].lo, m_matches[m].hi}) {
      int& at = m_busy[t * m_layout.periods + periodOf(m_matches[m])];
      if (at == m) at = -1;
    }
  }
  for (int m : m_movable) {
    Match& x = m_matches[m];
    if (x.slot == m_bestSlot[m]) continue;
    --m_layout.load[x.slot];
    x.slot = m_bestSlot[m];
    ++m_layout.load[x.slot];
    for (int t : {x.lo, x.hi}) m_busy[t * m_layout.periods + periodOf(x)] = m;
  }
  resort({}, {});
}

long ClassSearch::run(long work, int floor) {
  const int groups = static_cast<int>(m_value.size());
  if (groups == 0) return 0;
  long used = 0;
  int bestBreaks = violations() == 0 ? totalBreaks() : 1 << 20;
  const long restartLength = std::max<long>(20'000, 400L * static_cast<long>(m_matches.size()));
  const auto movable = static_cast<std::uint32_t>(m_movable.size());
  while (used < work && bestBreaks > floor) {
    restore();  // each annealing run starts from the best state so far, cooling 2 -> 0.05
    if (!ImprovementGoesOn("brott")) break;
    for (long i = 0; i < restartLength && used < work && bestBreaks > floor; ++i) {
      const double temperature = 2.0 * std::pow(0.025, static_cast<double>(i) / restartLength);
      const std::uint32_t kind = m_random.below(8);
      bool better = false;
      if (kind < 4 || movable < 2) {
        better = tryFlip(static_cast<int>(m_random.below(static_cast<std::uint32_t>(groups))), used,
                         temperature);
      } else if (kind < 7) {
        better = trySwap(m_movable[m_random.below(movable)], m_movable[m_random.below(movable)],
                         used, temperature);
      } else {
        better =
            tryMove(m_movable[m_random.below(movable)],
                    static_cast<int>(m_random.below(static_cast<std::uint32_t>(m_layout.real))),
                    used, temperature);
      }
      ++used;
      if (better) remember(bestBreaks);
    }
  }
  restore();
  return used;
}

void ClassSearch::write() {
  // Matches that left their play time go out first, then come in at the end of their new
  // one; the others keep their positions. Every match takes its final orientation.
  std::vector<std::size_t> touched;
  for (const Match& m : m_matches) {
    if (m.slot == m.origin) continue;
    m_slots[m.origin].G[m.position] = MatchPair{};
    touched.push_back(static_cast<std::size_t>(m.origin));
  }
  auto pairOf = [&](const Match& m) {
    const int lo = m_numbers[m.lo], hi = m_numbers[m.hi];
    return homeIsLo(m) ? MatchPair{lo, hi} : MatchPair{hi, lo};
  };
  for (const Match& m : m_matches)
    if (m.slot == m.origin) m_slots[m.slot].G[m.position] = pairOf(m);
  for (std::size_t p : touched) {
    PlayTimeSlot& slot = m_slots[p];
    int n = 0;
    for (int b = 0; b < slot.nG; ++b)
      if (!slot.G[b].empty()) slot.G[n++] = slot.G[b];
    for (int b = n; b < slot.nG; ++b) slot.G[b] = MatchPair{};
    slot.nG = n;
  }
  for (const Match& m : m_matches) {
    if (m.slot == m.origin) continue;
    PlayTimeSlot& slot = m_slots[m.slot];
    slot.G[slot.nG++] = pairOf(m);
  }
}

}  // namespace liga::scheduling
