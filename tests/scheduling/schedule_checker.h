// An independent checker of a schedule file: it reads the file's text, the team list of
// each class and the mask lines, and checks every rule a schedule must keep. It shares no
// code with the run (not even the mask matcher), so a fault of the run's bookkeeping cannot
// hide itself.
#pragma once

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace liga::testing {

struct CheckedClass {
  std::vector<int> teams;
  int rounds = 1;
};

struct CheckedRules {
  std::vector<CheckedClass> classes;
  int perPlayTime = 1;
  bool oneMatchPerDay = true;
  bool alternatePairs = false;  // "växla hemma/borta": a pair's meetings alternate sides
  std::vector<std::pair<int, std::string>> mask;  // (team, pattern)
  // The real play times in order, when the test knows them; empty: not compared.
  std::vector<std::string> playTimes;
};

struct CheckedMatch {
  std::size_t playTime;  // index into CheckedSchedule::playTimes
  int home, away;
};

struct CheckedSchedule {
  std::vector<std::string> playTimes;  // field 1 of each play-time line
  std::vector<CheckedMatch> matches;   // in file order
  std::vector<std::string> faults;

  int placeholderMatches() const {
    int n = 0;
    for (const CheckedMatch& m : matches)
      n += playTimes[m.playTime].find("\xC4ndrtid") != std::string::npos;
    return n;
  }
};

inline std::vector<std::string> CheckerLines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// "12,2016-09-0?" hits a play time when the pattern, with its "?" taken from the play
// time's own characters at the same positions (blank past its end), occurs in it.
inline bool CheckerMaskHits(const std::string& pattern, std::string playTime) {
  if (pattern.empty()) return false;
  if (playTime.size() < pattern.size()) playTime.resize(pattern.size(), ' ');
  std::string k = playTime;
  for (std::size_t i = 0; i < pattern.size(); ++i)
    if (pattern[i] == '?') k[i] = '?';
  return k.find(pattern) != std::string::npos;
}

inline CheckedSchedule ReadCheckedSchedule(const std::string& text) {
  CheckedSchedule s;
  bool inside = false;
  for (const std::string& line : CheckerLines(text)) {
    if (line == "*Speldag") {
      inside = true;
      continue;
    }
    if (line == "*Lottad") break;
    if (!inside || line.empty() || line[0] == ';') continue;
    if (line.rfind("*!", 0) != 0) {
      s.playTimes.push_back(line.substr(0, line.find(',')));
      continue;
    }
    std::istringstream items(line.substr(2));
    std::string item;
    while (std::getline(items, item, ',')) {
      const std::size_t dash = item.find('-');
      if (item.empty() || dash == std::string::npos || s.playTimes.empty()) {
        s.faults.push_back("bad match item \"" + item + "\"");
        continue;
      }
      s.matches.push_back({s.playTimes.size() - 1, std::atoi(item.substr(0, dash).c_str()),
                           std::atoi(item.substr(dash + 1).c_str())});
    }
  }
  return s;
}

// Every rule of a schedule; the faults are added to the returned schedule's `faults`.
inline CheckedSchedule CheckScheduleFile(const std::string& text, const CheckedRules& rules) {
  CheckedSchedule s = ReadCheckedSchedule(text);
  auto fault = [&](const std::string& f) { s.faults.push_back(f); };
  auto placeholder = [&](std::size_t p) {
    return s.playTimes[p].find("\xC4ndrtid") != std::string::npos;
  };
  // Play times: the real ones first, then placeholders numbered by their position.
  for (std::size_t p = 0; p < s.playTimes.size(); ++p) {
    if (p < rules.playTimes.size()) {
      if (s.playTimes[p] != rules.playTimes[p]) fault("play time " + std::to_string(p + 1));
    } else if (!rules.playTimes.empty() || placeholder(p)) {
      char want[32];
      std::snprintf(want, sizeof want, "%03zu", p + 1);
      if (s.playTimes[p] != "\xC4ndrtid" + std::string(want))
        fault("placeholder " + s.playTimes[p] + " at " + std::to_string(p + 1));
    }
  }
  // Capacity.
  std::map<std::size_t, int> load;
  for (const CheckedMatch& m : s.matches)
    if (++load[m.playTime] > rules.perPlayTime) fault("too many at " + s.playTimes[m.playTime]);
  // Pairings: each pair of a class meets `rounds` times, sides alternating when asked.
  std::map<int, std::size_t> classOf;
  for (std::size_t c = 0; c < rules.classes.size(); ++c)
    for (int t : rules.classes[c].teams) classOf[t] = c;
  std::map<std::pair<int, int>, std::vector<int>> meetings;  // (lo, hi) -> +1 lo home
  for (const CheckedMatch& m : s.matches) {
    if (!classOf.count(m.home) || !classOf.count(m.away) || classOf[m.home] != classOf[m.away] ||
        m.home == m.away) {
      fault("match " + std::to_string(m.home) + "-" + std::to_string(m.away));
      continue;
    }
    const int lo = std::min(m.home, m.away), hi = std::max(m.home, m.away);
    meetings[{lo, hi}].push_back(m.home == lo ? 1 : -1);
  }
  for (const CheckedClass& c : rules.classes) {
    for (std::size_t i = 0; i < c.teams.size(); ++i) {
      for (std::size_t j = i + 1; j < c.teams.size(); ++j) {
        const auto key = std::minmax(c.teams[i], c.teams[j]);
        const std::vector<int>& sides = meetings[{key.first, key.second}];
        if (static_cast<int>(sides.size()) != c.rounds)
          fault("pair " + std::to_string(key.first) + "-" + std::to_string(key.second) + " meets " +
                std::to_string(sides.size()) + " times");
        for (std::size_t k = 1; rules.alternatePairs && k < sides.size(); ++k)
          if (sides[k] == sides[k - 1])
            fault("pair " + std::to_string(key.first) + "-" + std::to_string(key.second) +
                  " does not alternate");
      }
    }
  }
  // Periods and masks.
  std::map<std::pair<std::string, int>, int> inPeriod;
  for (const CheckedMatch& m : s.matches) {
    const std::string& p = s.playTimes[m.playTime];
    const bool ph = placeholder(m.playTime);
    const std::string period =
        ph ? "#" + std::to_string(m.playTime) : p.substr(0, rules.oneMatchPerDay ? 10 : 16);
    for (int t : {m.home, m.away}) {
      if (++inPeriod[{period, t}] > 1) fault("team " + std::to_string(t) + " twice in " + period);
      for (const auto& [team, pattern] : rules.mask)
        if (!ph && team == t && CheckerMaskHits(pattern, p))
          fault("team " + std::to_string(t) + " masked at " + p);
    }
  }
  return s;
}

// Home minus away of every team.
inline std::map<int, int> CheckerBalance(const CheckedSchedule& s) {
  std::map<int, int> balance;
  for (const CheckedMatch& m : s.matches) {
    ++balance[m.home];
    --balance[m.away];
  }
  return balance;
}

// The breaks of the teams `teams` (consecutive matches of a team on the same side).
inline int CheckerBreaks(const CheckedSchedule& s, const std::vector<int>& teams) {
  std::map<int, int> last;
  int breaks = 0;
  const std::set<int> of(teams.begin(), teams.end());
  for (const CheckedMatch& m : s.matches) {
    for (auto [t, side] : {std::pair{m.home, 1}, std::pair{m.away, -1}}) {
      if (!of.count(t)) continue;
      breaks += last[t] == side;
      last[t] = side;
    }
  }
  return breaks;
}

}  // namespace liga::testing
