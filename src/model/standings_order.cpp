#include "model/standings_order.h"

#include <algorithm>
#include <map>
#include <tuple>

#include "database/records.h"

namespace liga {
namespace {

constexpr const char* kDash = "\xE2\x80\x93";  // en dash, UTF-8

// One team's line of a head-to-head table.
struct MiniRow {
  int points = 0;
  int goalsFor = 0;
  int goalsAgainst = 0;
  int diff() const { return goalsFor - goalsAgainst; }
  auto key() const { return std::make_tuple(points, diff(), goalsFor); }
};

std::string signedText(int v) {
  return (v > 0 ? "+" : "") + std::to_string(v);
}

// A 32-bit FNV-1a hash: the seeded draw must give the same order on every machine.
std::uint32_t drawKey(const std::string& seed, int teamNumber) {
  std::uint32_t h = 2166136261u;
  for (const char c : seed + "#" + std::to_string(teamNumber)) {
    h ^= static_cast<unsigned char>(c);
    h *= 16777619u;
  }
  return h;
}

class Ranker {
 public:
  explicit Ranker(const StandingsInput& in) : m_in(in) {}

  RankedStandings run() {
    std::vector<int> ranked, unranked;
    for (int i = 0; i < static_cast<int>(m_in.teams.size()); ++i)
      (m_in.teams[i].points >= kUnranked ? unranked : ranked).push_back(i);
    std::vector<int> out;
    m_split.assign(m_in.teams.size(), false);
    rank(ranked, 0, out);
    RankedStandings r;
    for (std::size_t p = 0; p < out.size(); ++p) {
      r.order.push_back(m_in.teams[out[p]].recNo);
      r.places.push_back(p == 0 || m_split[p - 1] ? static_cast<int>(p) + 1 : r.places.back());
    }
    for (int i : unranked) {
      r.order.push_back(m_in.teams[i].recNo);
      r.places.push_back(999);
    }
    // Notes are made as the groups close, inner groups first; the table reads top down.
    auto position = [&](std::int32_t recNo) {
      return std::find(r.order.begin(), r.order.end(), recNo) - r.order.begin();
    };
    std::stable_sort(m_notes.begin(), m_notes.end(), [&](const TieNote& a, const TieNote& b) {
      return position(a.ahead) < position(b.ahead);
    });
    r.notes = std::move(m_notes);
    return r;
  }

 private:
  using Group = std::vector<int>;
  // The parts of a split group, best first, and why each boundary lies where it does.
  struct Split {
    std::vector<Group> parts;
    std::vector<std::pair<int, int>> values;  // per part, the two numbers a note shows
  };

  void rank(const Group& group, std::size_t ruleIndex, std::vector<int>& out) {
    if (group.size() <= 1 || ruleIndex >= m_in.order.rules.size()) {
      out.insert(out.end(), group.begin(), group.end());
      return;
    }
    const TieRule rule = m_in.order.rules[ruleIndex];
    if (rule == TieRule::HeadToHead) {
      headToHead(group, ruleIndex, out);
      return;
    }
    Group sorted = group;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](int a, int b) { return value(rule, a) > value(rule, b); });
    std::vector<Group> parts;
    for (int t : sorted) {
      if (parts.empty() || value(rule, parts.back().front()) != value(rule, t))
        parts.emplace_back();
      parts.back().push_back(t);
    }
    emitParts(parts, ruleIndex + 1, out, [&](int a, int b) { return valueNote(rule, a, b); });
  }

  // Ranks each part with `nextRule`, marking the boundaries between parts and noting them.
  template <typename NoteFn>
  void emitParts(const std::vector<Group>& parts, std::size_t nextRule, std::vector<int>& out,
                 NoteFn note) {
    for (std::size_t i = 0; i < parts.size(); ++i) {
      if (i > 0) {
        m_split[out.size() - 1] = true;
        const int ahead = out.back();
        const std::size_t first = out.size();
        rankPart(parts[i], nextRule, out);
        addNote(ahead, out[first], note(ahead, out[first]));
      } else {
        rankPart(parts[i], nextRule, out);
      }
    }
  }

  void rankPart(const Group& part, std::size_t nextRule, std::vector<int>& out) {
    if (nextRule == kAgain) {
      headToHead(part, m_headToHeadIndex, out);
    } else {
      rank(part, nextRule, out);
    }
  }

  void headToHead(const Group& group, std::size_t ruleIndex, std::vector<int>& out) {
    if (group.size() <= 1) {
      out.insert(out.end(), group.begin(), group.end());
      return;
    }
    const std::map<int, MiniRow> table = miniTable(group);
    Group sorted = group;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [&](int a, int b) { return table.at(a).key() > table.at(b).key(); });
    std::vector<Group> parts;
    for (int t : sorted) {
      if (parts.empty() || table.at(parts.back().front()).key() != table.at(t).key())
        parts.emplace_back();
      parts.back().push_back(t);
    }
    if (parts.size() == 1) {
      rank(group, ruleIndex + 1, out);
      return;
    }
    // A smaller group still tied is compared again by its own matches.
    const std::size_t saved = m_headToHeadIndex;
    m_headToHeadIndex = ruleIndex;
    emitParts(parts, kAgain, out,
              [&](int a, int b) { return headToHeadNote(table.at(a), table.at(b)); });
    m_headToHeadIndex = saved;
  }

  std::map<int, MiniRow> miniTable(const Group& group) const {
    std::map<std::int32_t, int> indexOf;
    for (int t : group) indexOf[m_in.teams[t].recNo] = t;
    std::map<int, MiniRow> table;
    for (int t : group) table[t];
    for (const MutualMatch& m : m_in.matches) {
      const auto h = indexOf.find(m.home), a = indexOf.find(m.away);
      if (h == indexOf.end() || a == indexOf.end()) continue;
      MiniRow& home = table[h->second];
      MiniRow& away = table[a->second];
      home.goalsFor += m.homeScore;
      home.goalsAgainst += m.awayScore;
      away.goalsFor += m.awayScore;
      away.goalsAgainst += m.homeScore;
      if (m.homeScore > m.awayScore) {
        home.points += m_in.winPoints;
      } else if (m.homeScore < m.awayScore) {
        away.points += m_in.winPoints;
      } else {
        home.points += m_in.drawPoints;
        away.points += m_in.drawPoints;
      }
    }
    return table;
  }

  long long value(TieRule rule, int t) const {
    const StandingTeam& s = m_in.teams[t];
    switch (rule) {
      case TieRule::Points:
        return s.points;
      case TieRule::GoalDifference:
        return s.goalsFor - s.goalsAgainst;
      case TieRule::GoalsFor:
        return s.goalsFor;
      case TieRule::Wins:
        return s.wins;
      case TieRule::AwayGoals:
        return s.awayGoals;
      // Lower numbers and lower draw keys first: negated so that higher sorts first.
      case TieRule::TeamNumber:
        return -static_cast<long long>(s.teamNumber);
      case TieRule::Draw:
        return -static_cast<long long>(drawKey(m_in.drawSeed, s.teamNumber));
      case TieRule::HeadToHead:
        break;
    }
    return 0;
  }

  std::string valueNote(TieRule rule, int a, int b) const {
    const StandingTeam& x = m_in.teams[a];
    const StandingTeam& y = m_in.teams[b];
    auto pair = [](int p, int q) { return std::to_string(p) + kDash + std::to_string(q); };
    switch (rule) {
      case TieRule::GoalsFor:
        return "gjorda mål " + pair(x.goalsFor, y.goalsFor);
      case TieRule::Wins:
        return "vunna matcher " + pair(x.wins, y.wins);
      case TieRule::AwayGoals:
        return "bortamål " + pair(x.awayGoals, y.awayGoals);
      case TieRule::TeamNumber:
        return "lagnummer " + pair(x.teamNumber, y.teamNumber);
      case TieRule::Draw:
        return "lottning";
      default:
        return {};  // points and goal difference need no note
    }
  }

  static std::string headToHeadNote(const MiniRow& a, const MiniRow& b) {
    std::string s =
        "inbördes möte " + std::to_string(a.points) + kDash + std::to_string(b.points) + " p";
    if (a.points != b.points) return s;
    if (a.diff() != b.diff())
      return s + ", målskillnad " + signedText(a.diff()) + " mot " + signedText(b.diff());
    return s + ", gjorda mål " + std::to_string(a.goalsFor) + " mot " + std::to_string(b.goalsFor);
  }

  void addNote(int ahead, int behind, std::string reason) {
    if (reason.empty()) return;
    m_notes.push_back({m_in.teams[ahead].recNo, m_in.teams[behind].recNo, std::move(reason)});
  }

  static constexpr std::size_t kAgain = static_cast<std::size_t>(-1);

  const StandingsInput& m_in;
  std::vector<bool> m_split;  // per output position: a rule separates it from the next
  std::vector<TieNote> m_notes;
  std::size_t m_headToHeadIndex = 0;
};

}  // namespace

RankedStandings RankStandings(const StandingsInput& input) {
  return Ranker(input).run();
}

std::string TieNoteLine(std::string_view ahead, std::string_view behind, const TieNote& note) {
  return std::string(ahead) + " före " + std::string(behind) + ": " + note.reason;
}

}  // namespace liga
