#include "scheduling/improve.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <unordered_map>

#include "common/text.h"
#include "scheduling/bounds.h"
#include "scheduling/improve_breaks.h"
#include "scheduling/random.h"

namespace liga::scheduling {
namespace {

// Search steps per budget second: one unit is one play time looked at by the placeholder
// search or one match visited by the orientation search (about 10 ns each here).
constexpr long kWorkPerSecond = 60'000'000;
// Share of the budget the placeholder search may use; what it leaves goes to home/away.
constexpr double kPlaceholderShare = 0.75;

std::map<int, int> ClassOfTeam(const Sequence& seq) {
  std::map<int, int> classOf;
  for (int c = 0; c < kClassSlots; ++c)
    for (int i = 1; i <= seq.teams[c]; ++i) classOf[seq.SerieLnr[c][i]] = c;
  return classOf;
}

// ---- a. placeholder matches onto real play times ----

class PlaceholderSearch {
 public:
  PlaceholderSearch(const Lrec& lrec, std::vector<PlayTimeSlot>& slots, std::size_t real,
                    const Mask* mask, Pcg32& random)
      : m_slots(slots),
        m_real(std::min(real, slots.size())),
        m_perPlayTime(std::clamp(lrec.MatchesPerPlayTime, 1, kMaxMatchesPerPlayTime)),
        m_random(random) {
    const ScheduleLayout layout = MakeLayout(lrec, slots, real);
    m_period = layout.period;
    m_periods = layout.periods;
    collectMatches();
    buildMask(mask);
  }

  bool anyPlaceholder() const { return !m_pool.empty(); }

  // Searches until the pool is empty, `work` is used up or the best stops improving;
  // returns the work used.
  long run(long work);
  // Writes the best assignment found into the slot list.
  void write();

 private:
  struct Candidate {
    int slot = -1;
    int cost = 0;
    int eject[3] = {-1, -1, -1};
  };

  int team(int number) {
    auto [it, added] = m_team.try_emplace(number, static_cast<int>(m_team.size()));
    if (added) m_busy.resize(m_team.size() * static_cast<std::size_t>(m_periods), -1);
    return it->second;
  }
  int& busy(int t, int period) { return m_busy[static_cast<std::size_t>(t) * m_periods + period]; }

  void collectMatches() {
    m_at.clear();
    m_onSlot.assign(m_real, {});
    for (std::size_t p = 0; p < m_slots.size(); ++p) {
      const bool target = p < m_real && m_period[p] >= 0;
      if (p < m_real && !target) continue;  // matches on stored placeholders stay there
      for (int b = 0; b < m_slots[p].nG; ++b) {
        const int m = static_cast<int>(m_match.size());
        m_match.push_back(m_slots[p].G[b]);
        m_origin.push_back({static_cast<int>(p), b});
        m_home.push_back(team(m_slots[p].G[b].home));
        m_away.push_back(team(m_slots[p].G[b].away));
        m_at.push_back(-1);
        if (target) {
          put(m, static_cast<int>(p));
        } else {
          m_pool.push_back(m);
        }
      }
    }
    m_tabuPeriod.assign(m_match.size(), -1);
    m_tabuUntil.assign(m_match.size(), 0);
    m_lockedUntil.assign(m_match.size(), 0);
    m_best = m_at;
    m_bestPool = m_pool.size();
  }

  void buildMask(const Mask* mask) {
    m_allowed.assign(m_team.size() * m_real, 1);
    if (!mask) return;
    for (const auto& [number, t] : m_team) {
      for (std::size_t p = 0; p < m_real; ++p) {
        if (m_period[p] >= 0 && mask->hits(number, m_slots[p].PlayTime))
          m_allowed[static_cast<std::size_t>(t) * m_real + p] = 0;
      }
    }
  }
  bool allowed(int t, std::size_t p) const {
    return m_allowed[static_cast<std::size_t>(t) * m_real + p] != 0;
  }

  void put(int m, int p) {
    m_at[m] = p;
    m_onSlot[p].push_back(m);
    busy(m_home[m], m_period[p]) = m;
    busy(m_away[m], m_period[p]) = m;
  }
  void take(int m) {
    const int p = m_at[m];
    auto& list = m_onSlot[p];
    list.erase(std::find(list.begin(), list.end(), m));
    busy(m_home[m], m_period[p]) = -1;
    busy(m_away[m], m_period[p]) = -1;
    m_at[m] = -1;
  }

  bool locked(int m) const { return m_step < m_lockedUntil[m]; }
  bool evaluate(int m, std::size_t p, Candidate& c);
  Candidate choose(int m, long& work);
  void apply(int m, const Candidate& c);

  std::vector<PlayTimeSlot>& m_slots;
  const std::size_t m_real;
  const int m_perPlayTime;
  Pcg32& m_random;

  int m_periods = 0;
  std::vector<int> m_period;  // per real slot; -1 for stored placeholders
  std::unordered_map<int, int> m_team;
  std::vector<int> m_busy;  // team x period -> match, or -1
  std::vector<unsigned char> m_allowed;

  std::vector<MatchPair> m_match;
  std::vector<std::pair<int, int>> m_origin;  // slot and position before the search
  std::vector<int> m_home, m_away, m_at;
  std::vector<std::vector<int>> m_onSlot;
  std::deque<int> m_pool;
  std::vector<int> m_tabuPeriod;
  std::vector<long> m_tabuUntil, m_lockedUntil;
  long m_step = 0;

  std::vector<int> m_best;
  std::size_t m_bestPool = 0;
};

// The matches `m` would push out at real slot p, or false when p is not open to it.
bool PlaceholderSearch::evaluate(int m, std::size_t p, Candidate& c) {
  const int period = m_period[p];
  if (period < 0 || !allowed(m_home[m], p) || !allowed(m_away[m], p)) return false;
  if (m_tabuPeriod[m] == period && m_step < m_tabuUntil[m]) return false;
  c = Candidate{static_cast<int>(p)};
  bool freesPosition = false;
  for (int other : {busy(m_home[m], period), busy(m_away[m], period)}) {
    if (other < 0 || other == c.eject[0]) continue;
    if (locked(other)) return false;
    c.eject[c.cost++] = other;
    freesPosition = freesPosition || m_at[other] == static_cast<int>(p);
  }
  if (!freesPosition && static_cast<int>(m_onSlot[p].size()) >= m_perPlayTime) {
    const auto& list = m_onSlot[p];
    const int start = static_cast<int>(m_random.below(static_cast<std::uint32_t>(list.size())));
    for (std::size_t i = 0; i < list.size(); ++i) {
      const int other = list[(start + i) % list.size()];
      if (locked(other)) continue;
      c.eject[c.cost++] = other;
      return true;
    }
    return false;
  }
  return true;
}

PlaceholderSearch::Candidate PlaceholderSearch::choose(int m, long& work) {
  Candidate best{-1, 1 << 20};
  int ties = 0;
  const std::size_t start = m_random.below(static_cast<std::uint32_t>(m_real));
  for (std::size_t i = 0; i < m_real; ++i) {
    Candidate c;
    if (!evaluate(m, (start + i) % m_real, c) || c.cost > best.cost) continue;
    if (c.cost < best.cost) {
      best = c;
      ties = 1;
      if (c.cost == 0) break;
    } else if (m_random.below(static_cast<std::uint32_t>(++ties)) == 0) {
      best = c;
    }
  }
  work += static_cast<long>(m_real);
  return best;
}

void PlaceholderSearch::apply(int m, const Candidate& c) {
  for (int i = 0; i < c.cost; ++i) {
    const int out = c.eject[i];
    m_tabuPeriod[out] = m_period[m_at[out]];
    m_tabuUntil[out] = m_step + 10 + m_random.below(10);
    take(out);
    m_pool.push_back(out);
  }
  put(m, c.slot);
  m_lockedUntil[m] = m_step + 5 + m_random.below(5);
}

long PlaceholderSearch::run(long work) {
  long used = 0;
  long sinceBest = 0;
  const long patience = std::max<long>(20'000, 40 * static_cast<long>(m_match.size()));
  while (!m_pool.empty() && used < work && sinceBest < patience && m_real > 0) {
    if (++m_step % 4096 == 0 && !ImprovementGoesOn("\xE4ndrtider")) break;
    const int m = m_pool.front();
    m_pool.pop_front();
    const Candidate c = choose(m, used);
    // A move that pushes out one match keeps the pool's size; one that pushes out two is
    // taken now and then, so the search can leave a plateau.
    if (c.slot < 0 || (c.cost >= 2 && m_random.below(16) != 0)) {
      m_pool.push_back(m);
    } else {
      apply(m, c);
    }
    ++sinceBest;
    if (m_pool.size() < m_bestPool) {
      m_bestPool = m_pool.size();
      m_best = m_at;
      sinceBest = 0;
    }
  }
  return used;
}

void PlaceholderSearch::write() {
  // Real play times: the matches that stayed keep their order, newcomers follow.
  std::vector<std::vector<int>> on(m_real);
  std::vector<int> left;
  for (int m = 0; m < static_cast<int>(m_match.size()); ++m) {
    if (m_best[m] >= 0) {
      on[m_best[m]].push_back(m);
    } else {
      left.push_back(m);
    }
  }
  for (std::size_t p = 0; p < m_real; ++p) {
    if (m_period[p] < 0) continue;
    auto& list = on[p];
    std::stable_sort(list.begin(), list.end(), [&](int a, int b) {
      const bool stayedA = m_origin[a].first == static_cast<int>(p);
      const bool stayedB = m_origin[b].first == static_cast<int>(p);
      if (stayedA != stayedB) return stayedA;
      return stayedA && m_origin[a].second < m_origin[b].second;
    });
    PlayTimeSlot& slot = m_slots[p];
    slot.G.fill(MatchPair{});
    slot.nG = static_cast<int>(list.size());
    for (std::size_t i = 0; i < list.size(); ++i) slot.G[i] = m_match[list[i]];
  }
  // The matches left over go onto fresh placeholders, each a period of its own.
  m_slots.resize(m_real);
  for (int m : left) {
    const MatchPair pair = m_match[m];
    PlayTimeSlot* target = nullptr;
    for (std::size_t p = m_real; p < m_slots.size() && !target; ++p) {
      PlayTimeSlot& s = m_slots[p];
      bool clash = s.nG >= m_perPlayTime;
      for (int b = 0; b < s.nG && !clash; ++b)
        for (int t : {s.G[b].home, s.G[b].away}) clash = clash || t == pair.home || t == pair.away;
      if (!clash) target = &s;
    }
    if (!target) {
      const std::string digits = FormatInt(static_cast<int>(m_slots.size()) + 1, 3, '0');
      PlayTimeSlot s;
      s.PlayTime = std::string(kPlaceholderTime) + digits;
      s.Inf = s.PlayTime + "," + std::string(kPlaceholderLeader) + digits;
      s.placeholder = true;
      m_slots.push_back(std::move(s));
      target = &m_slots.back();
    }
    target->G[target->nG++] = pair;
  }
}

}  // namespace

ScheduleFigures MeasureSchedule(const Sequence& sequence, const std::vector<PlayTimeSlot>& slots) {
  ScheduleFigures f;
  f.breaks.assign(kClassSlots, 0);
  const std::map<int, int> classOf = ClassOfTeam(sequence);
  std::map<int, int> lastSide;
  for (const PlayTimeSlot& slot : slots) {
    if (slot.placeholder) f.placeholderMatches += slot.nG;
    for (int b = 0; b < slot.nG; ++b) {
      const auto c = classOf.find(slot.G[b].home);
      for (auto [team, side] : {std::pair{slot.G[b].home, 1}, std::pair{slot.G[b].away, -1}}) {
        int& last = lastSide[team];
        if (last == side && c != classOf.end()) ++f.breaks[c->second];
        last = side;
      }
    }
  }
  return f;
}

std::vector<std::string> ImproveLogLines(const ScheduleInput& input, const Lrec& lrec,
                                         const ImproveOutcome& outcome) {
  std::vector<std::string> lines = {
      "; f\xF6rb\xE4ttrar schemat, h\xF6gst " + std::to_string(lrec.ImproveSeconds) + " s",
      std::string(kImproveLogBefore) + "\xE4ndrtider " +
          std::to_string(outcome.before.placeholderMatches)};
  const int classes = std::min<int>(lrec.ClassTotal, static_cast<int>(input.Classes.size()));
  for (int c = 0; c < classes && c < static_cast<int>(outcome.before.breaks.size()); ++c) {
    if (lrec.ClassSlots[c].SlotMatches <= 0) continue;
    lines.push_back(std::string(kImproveLogBefore) + "brott " +
                    std::to_string(outcome.before.breaks[c]) + ", klass " +
                    TrimRight(input.Classes[c].ClassName));
  }
  return lines;
}

ImproveOutcome ImproveSchedule(const Lrec& lrec, const Sequence& sequence,
                               std::vector<PlayTimeSlot>& slots, std::size_t realPlayTimes,
                               const Mask* mask, const ImproveOptions& options) {
  ImproveOutcome outcome;
  outcome.before = MeasureSchedule(sequence, slots);
  Pcg32 random(options.seed);
  const long budget = std::max(1, options.budgetSeconds) * kWorkPerSecond;
  long used = 0;
  {
    PlaceholderSearch search(lrec, slots, realPlayTimes, mask, random);
    if (search.anyPlaceholder()) {
      used = search.run(static_cast<long>(budget * kPlaceholderShare));
      search.write();
    }
  }
  ScheduleLayout layout = MakeLayout(lrec, slots, realPlayTimes);
  int classes = 0;
  for (int c = 0; c < kClassSlots; ++c) classes += sequence.teams[c] >= 2;
  for (int c = 0; c < kClassSlots; ++c) {
    const int n = sequence.teams[c];
    if (n < 2) continue;
    const std::vector<int> teams(sequence.SerieLnr[c].begin() + 1,
                                 sequence.SerieLnr[c].begin() + 1 + n);
    ClassSearch search(slots, layout, teams, lrec.HomeAwayMode == 1, mask, random);
    const long share = std::max(0L, budget - used) / std::max(1, classes--);
    if (search.empty()) continue;
    used += search.run(share, BreakFloor(n, lrec.ClassSlots[c].SlotMatches).value_or(0));
    search.write();
  }
  outcome.after = MeasureSchedule(sequence, slots);
  return outcome;
}

}  // namespace liga::scheduling
