#include "scheduling/placement.h"

#include <algorithm>
#include <unordered_map>

#include "common/progress.h"
#include "common/text.h"

namespace liga::scheduling {

bool IsPlaceholder(std::string_view text) {
  return text.find(kPlaceholderTime) != std::string_view::npos;
}

std::string PeriodKey(std::string_view playTime, bool oneMatchPerDay) {
  if (IsPlaceholder(playTime)) return std::string(playTime);
  return std::string(playTime.substr(0, oneMatchPerDay ? 10 : 16));
}

struct Placement::Impl {
  Impl(Lrec& l, const Sequence& s, const std::vector<PlayTimeInput>& p, const Mask* k)
      : lrec(l),
        seq(s),
        playTimes(p),
        mask(k),
        perPlayTime(std::clamp(l.MatchesPerPlayTime, 1, kMaxMatchesPerPlayTime)),
        oneMatchPerDay(l.OneMatchPerDay != 0),
        keyLength(oneMatchPerDay ? 10 : 16) {
    for (int c = 0; c < kClassSlots; ++c) {
      for (int i = 1; i <= seq.teams[c]; ++i) id(seq.SerieLnr[c][i]);
    }
  }

  // Dense team ids, so period membership and mask answers are array lookups.
  int id(int team) {
    auto [it, added] = dense.try_emplace(team, static_cast<int>(dense.size()));
    if (added) {
      teamStamp.push_back(0);
      maskStamp.push_back(0);
      maskValue.push_back(false);
      patterns.emplace_back();
      if (mask) {
        for (const MaskLine& line : mask->lines()) {
          if (line.team == team) patterns.back().push_back(line.pattern);
        }
      }
    }
    return it->second;
  }

  bool maskedAt(int team, std::string_view playTime) {
    for (const std::string& p : patterns[id(team)]) {
      if (PatternHits(p, playTime)) return true;
    }
    return false;
  }

  // Mask answer for the current play time, computed once per team and play time.
  bool maskedNow(int team) {
    int t = id(team);
    if (maskStamp[t] != playTimeId) {
      maskStamp[t] = playTimeId;
      maskValue[t] = maskedAt(team, slots.back().PlayTime);
    }
    return maskValue[t];
  }

  bool inPeriod(int team) { return teamStamp[id(team)] == periodId; }

  bool conflict(const MatchPair& pair) {
    if (inPeriod(pair.home) || inPeriod(pair.away)) return true;
    if (mask && !slots.back().placeholder) {
      return maskedNow(pair.home) || maskedNow(pair.away);
    }
    return false;
  }

  void startPlayTime() {
    ++number;
    PlayTimeInput record;
    if (!placeholderMode) {
      if (nextRecord < playTimes.size()) {
        record = playTimes[nextRecord++];
      } else {
        placeholderMode = true;
      }
    }
    if (placeholderMode) {
      std::string digits = FormatInt(number, 3, '0');
      record.PlayTime = std::string(kPlaceholderTime) + digits;
      record.GameLeader = std::string(kPlaceholderLeader) + digits;
    }
    PlayTimeSlot slot;
    slot.Inf = record.PlayTime + "," + record.GameLeader;
    slot.PlayTime = record.PlayTime;
    slot.placeholder = IsPlaceholder(record.PlayTime);
    slots.push_back(std::move(slot));
    ++playTimeId;
    std::string key = PeriodKey(record.PlayTime, oneMatchPerDay);
    if (key != previousKey) {
      ++periodId;
      previousKey = std::move(key);
    }
    s = 0;
  }

  void advance() {
    if (++s >= perPlayTime) startPlayTime();
  }

  void put(const MatchPair& pair) {
    teamStamp[id(pair.home)] = periodId;
    teamStamp[id(pair.away)] = periodId;
    PlayTimeSlot& slot = slots.back();
    slot.G[slot.nG++] = pair;
  }

  void progress(const MatchPair& pair, int first, int e, int last) {
    ProgressLine(8, "Utmatning: \"" + FormatInt(pair.home, 4, '0') + "\"-\"" +
                        FormatInt(pair.away, 4, '0') + "\"" + FormatInt(first, 4) + "-[" +
                        FormatInt(e, 4) + "]-" + FormatInt(last, 4));
  }

  void placePass(int first, int last) {
    for (int e = first; e <= last && !ProgressAborted(); ++e) {
      advance();
      const int c = seq.entries[e - 1].slot;
      ClassSlot& klass = lrec.ClassSlots[c];
      ++klass.SlotDealt;
      PairIndex p = Pairing(seq.teams[c], klass.SlotDealt, lrec.RoundOrder, lrec.HomeAwayMode);
      MatchPair candidate{seq.SerieLnr[c][p.home], seq.SerieLnr[c][p.away]};
      const std::size_t d0 = deferred.size();
      bool fits = !conflict(candidate);
      if (!fits) {
        deferred.push_back(candidate);
        removed.push_back(false);
        for (std::size_t d = 0; d < d0; ++d) {
          if (removed[d] || conflict(deferred[d])) continue;
          candidate = deferred[d];
          deferred[d] = MatchPair{};
          removed[d] = true;
          fits = true;
          break;
        }
      }
      if (fits) {
        put(candidate);
      } else {
        --s;  // the next entry tries the same position of this play time
      }
      progress(candidate, first, e, last);
    }
  }

  void deferredPass() {
    const int g = static_cast<int>(seq.entries.size());
    std::size_t d = 0;
    while (d < deferred.size() && !ProgressAborted()) {
      advance();
      if (removed[d]) {
        --s;
        ++d;
        continue;
      }
      // A conflict leaves this position empty and tries the pair at the next one; a fresh
      // placeholder always takes it, since it is a period of its own and has no mask.
      if (conflict(deferred[d])) continue;
      put(deferred[d]);
      progress(deferred[d], 1, static_cast<int>(d) + 1, g);
      ++d;
    }
    deferred.clear();
    removed.clear();
  }

  // ---- repair steps ----

  struct Period {
    std::size_t first;
    std::size_t last;
    std::vector<int> count;  // matches per dense team id
  };

  // The real periods of the slot list in the repair's terms: runs of consecutive slots
  // whose first L characters of `Inf` are equal and hold no "Ändrtid".
  void buildPeriods() {
    periods.clear();
    periodOf.assign(slots.size(), -1);
    for (std::size_t i = 0; i < slots.size();) {
      std::string key = slots[i].Inf.substr(0, keyLength);
      if (IsPlaceholder(key)) {
        ++i;
        continue;
      }
      Period period{i, i, std::vector<int>(dense.size(), 0)};
      while (period.last + 1 < slots.size() &&
             slots[period.last + 1].Inf.substr(0, keyLength) == key) {
        ++period.last;
      }
      for (std::size_t j = period.first; j <= period.last; ++j) {
        periodOf[j] = static_cast<int>(periods.size());
        for (int b = 0; b < slots[j].nG; ++b) count(period, slots[j].G[b], +1);
      }
      i = period.last + 1;
      periods.push_back(std::move(period));
    }
  }

  void count(Period& period, const MatchPair& pair, int delta) {
    if (pair.empty()) return;
    for (int team : {pair.home, pair.away}) {
      int t = id(team);
      if (static_cast<std::size_t>(t) >= period.count.size()) period.count.resize(t + 1, 0);
      period.count[t] += delta;
    }
  }

  bool holds(const Period& period, int team) {
    auto t = static_cast<std::size_t>(id(team));
    return t < period.count.size() && period.count[t] > 0;
  }

  bool allowed(const PlayTimeSlot& slot, const MatchPair& pair) {
    if (!mask || slot.placeholder) return true;
    return !maskedAt(pair.home, slot.PlayTime) && !maskedAt(pair.away, slot.PlayTime);
  }

  void take(std::size_t from, int position) {
    MatchPair& pair = slots[from].G[position];
    if (periodOf[from] >= 0) count(periods[periodOf[from]], pair, -1);
    pair = MatchPair{};
  }

  static void compact(PlayTimeSlot& slot) {
    int n = 0;
    for (int b = 0; b < slot.nG; ++b) {
      if (!slot.G[b].empty()) slot.G[n++] = slot.G[b];
    }
    for (int b = n; b < kMaxMatchesPerPlayTime; ++b) slot.G[b] = MatchPair{};
    slot.nG = n;
  }

  void repairMove() {
    buildPeriods();
    for (std::size_t x = 0; x < slots.size(); ++x) {
      if (!IsPlaceholder(slots[x].Inf)) continue;
      for (int b = slots[x].nG - 1; b >= 0; --b) {
        const MatchPair pair = slots[x].G[b];
        if (pair.empty()) continue;
        for (Period& period : periods) {
          if (holds(period, pair.home) || holds(period, pair.away)) continue;
          std::size_t target = period.last + 1;
          for (std::size_t y = period.first; y <= period.last; ++y) {
            if (slots[y].nG < perPlayTime && allowed(slots[y], pair)) {
              target = y;
              break;
            }
          }
          if (target > period.last) continue;
          take(x, b);
          PlayTimeSlot& y = slots[target];
          y.G[y.nG++] = pair;
          count(period, pair, +1);
          break;
        }
      }
      compact(slots[x]);
    }
  }

  // True when a team of `pair` already plays at slot x in a position other than `b`.
  bool playsElsewhereIn(std::size_t x, int b, const MatchPair& pair) const {
    const PlayTimeSlot& slot = slots[x];
    for (int i = 0; i < slot.nG; ++i) {
      if (i == b) continue;
      for (int team : {slot.G[i].home, slot.G[i].away}) {
        if (team == pair.home || team == pair.away) return true;
      }
    }
    return false;
  }

  bool repairSwap() {
    buildPeriods();
    bool any = false;
    for (std::size_t x = 0; x < slots.size(); ++x) {
      if (!IsPlaceholder(slots[x].Inf)) continue;
      any = true;
      for (int b = slots[x].nG - 1; b >= 0; --b) {
        const MatchPair pair = slots[x].G[b];
        if (pair.empty()) continue;
        for (Period& period : periods) {
          if (holds(period, pair.home) || holds(period, pair.away)) continue;
          PlayTimeSlot& y = slots[period.first];
          if (y.nG < 1) continue;
          const MatchPair displaced = y.G[y.nG - 1];
          // The exchange must keep both play times sound: the pair may play at Y, and
          // the displaced pair must not meet a team it already has on X.
          if (!allowed(y, pair) || playsElsewhereIn(x, b, displaced)) continue;
          if (periodOf[x] >= 0) {
            count(periods[periodOf[x]], pair, -1);
            count(periods[periodOf[x]], displaced, +1);
          }
          count(period, displaced, -1);
          count(period, pair, +1);
          y.G[y.nG - 1] = pair;
          slots[x].G[b] = displaced;
          break;
        }
      }
    }
    return any;
  }

  void repairSequence(int refineSteps) {
    if (refineSteps <= 0) return;
    repairMove();
    for (int i = 1; i < refineSteps && !ProgressAborted(); ++i) {
      if (repairSwap()) repairMove();
    }
  }

  Lrec& lrec;
  const Sequence& seq;
  const std::vector<PlayTimeInput>& playTimes;
  const Mask* mask;
  const int perPlayTime;
  const bool oneMatchPerDay;
  const std::size_t keyLength;

  std::vector<PlayTimeSlot> slots;
  std::unordered_map<int, int> dense;
  std::vector<std::vector<std::string>> patterns;  // mask patterns per dense id

  // The period list: a team is in the current period when its stamp is periodId.
  std::vector<unsigned> teamStamp;
  unsigned periodId = 1;
  std::string previousKey = "xyz";  // matches no real key

  std::vector<unsigned> maskStamp;
  std::vector<bool> maskValue;
  unsigned playTimeId = 1;

  std::vector<MatchPair> deferred;
  std::vector<bool> removed;

  int s = kMaxMatchesPerPlayTime;  // so that the first entry starts a play time
  int number = 0;                  // running number of the play time in this run
  std::size_t nextRecord = 0;
  bool placeholderMode = false;

  std::vector<Period> periods;
  std::vector<int> periodOf;
};

Placement::Placement(Lrec& lrec, const Sequence& sequence,
                     const std::vector<PlayTimeInput>& playTimes, const Mask* mask)
    : m(std::make_unique<Impl>(lrec, sequence, playTimes, mask)) {}

Placement::~Placement() = default;

void Placement::placePass(int first, int last) {
  m->placePass(first, last);
}
void Placement::deferredPass() {
  m->deferredPass();
}
void Placement::repairMove() {
  m->repairMove();
}
bool Placement::repairSwap() {
  return m->repairSwap();
}
void Placement::repairSequence(int refineSteps) {
  m->repairSequence(refineSteps);
}
const std::vector<PlayTimeSlot>& Placement::slots() const {
  return m->slots;
}
std::vector<PlayTimeSlot> Placement::takeSlots() {
  return std::move(m->slots);
}
std::vector<MatchPair> Placement::deferred() const {
  return m->deferred;
}

std::vector<PlayTimeSlot> PlaceSequence(Lrec& lrec, const Sequence& sequence,
                                        const std::vector<PlayTimeInput>& playTimes,
                                        const Mask* mask) {
  Placement placement(lrec, sequence, playTimes, mask);
  const int g = static_cast<int>(sequence.entries.size());
  if (g > 0) {
    placement.placePass(1, g);
    placement.deferredPass();
    placement.repairSequence(lrec.RefineSteps);
  }
  return placement.takeSlots();
}

}  // namespace liga::scheduling
