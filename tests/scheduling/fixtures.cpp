#include "fixtures.h"

#include <algorithm>
#include <map>
#include <set>

#include "common/text.h"

namespace liga::scheduling::testing {

ScheduleInput MakeInput(const std::vector<ClassShape>& classes,
                        std::vector<PlayTimeInput> playTimes) {
  ScheduleInput input;
  input.Organiser = "ORGANISER";
  input.CompetitionName = "CUP NAME";
  int recNo = 1;
  for (const ClassShape& shape : classes) {
    ClassInput c;
    c.RecNo = recNo++;
    c.ClassName = shape.name.empty() ? "K" + std::to_string(c.RecNo) : shape.name;
    c.TeamCount = shape.teams;
    c.MatchCount = shape.teams * (shape.teams - 1) * shape.rounds / 2;
    for (int i = shape.teams - 1; i >= 0; --i) {
      int number = shape.firstNumber + i;
      c.Teams.push_back({number, FormatInt(number, 4, '0')});
    }
    input.TeamRecords += shape.teams;
    input.Classes.push_back(std::move(c));
  }
  input.PlayTimes = std::move(playTimes);
  return input;
}

std::string DateText(int dayIndex) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int year = 2016, month = 9, day = 1 + dayIndex;
  while (day > kDays[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0)) {
    day -= kDays[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0);
    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
  return FormatInt(year, 4, '0') + "-" + FormatInt(month, 2, '0') + "-" + FormatInt(day, 2, '0');
}

std::vector<PlayTimeInput> MakePlayTimes(int dates, const std::vector<std::string>& times) {
  std::vector<PlayTimeInput> out;
  for (int d = 0; d < dates; ++d) {
    for (const std::string& t : times) out.push_back({DateText(d) + " " + t, "DOMARE A"});
  }
  return out;
}

Lrec MakeLrec(const ScheduleInput& input, const Options& options) {
  Lrec lrec;
  std::string confirmed;
  ScheduleConfig config{"/tmp/x.lot", "/tmp"};
  Prepare(input, config, lrec, confirmed);
  lrec.MatchesPerPlayTime = options.matchesPerPlayTime;
  lrec.OneMatchPerDay = options.oneMatchPerDay;
  lrec.RefineSteps = options.refineSteps;
  lrec.RoundOrder = options.roundOrder;
  lrec.HomeAwayMode = options.homeAwayMode;
  return lrec;
}

int MatchesOn(const std::vector<PlayTimeSlot>& slots, bool placeholders) {
  int n = 0;
  for (const PlayTimeSlot& s : slots) {
    if (IsPlaceholder(s.PlayTime) == placeholders) n += s.nG;
  }
  return n;
}

namespace {

std::string pairText(const MatchPair& p) {
  return std::to_string(p.home) + "-" + std::to_string(p.away);
}

}  // namespace

std::vector<std::string> CheckSchedule(const ScheduleInput& input, const Lrec& lrec,
                                       const ScheduleResult& result, const Mask* mask,
                                       bool repaired) {
  std::vector<std::string> faults;
  const auto& slots = result.slots;
  const bool perDay = lrec.OneMatchPerDay != 0;

  // Positions, capacity, and the matches of every team pair.
  std::map<std::pair<int, int>, int> placed;  // (home, away) -> times
  int total = 0;
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const PlayTimeSlot& s = slots[i];
    if (s.nG < 0 || s.nG > lrec.MatchesPerPlayTime) {
      faults.push_back("slot " + s.Inf + " holds " + std::to_string(s.nG));
    }
    for (int b = 0; b < kMaxMatchesPerPlayTime; ++b) {
      if ((b < s.nG) == s.G[b].empty()) faults.push_back("slot " + s.Inf + " position hole");
      if (b < s.nG) ++placed[{s.G[b].home, s.G[b].away}];
    }
    total += std::max(0, s.nG);
  }
  if (total != result.matchCount) {
    faults.push_back("placed " + std::to_string(total) + " of " +
                     std::to_string(result.matchCount));
  }

  // Every class: each unordered pair meets `Rounds` times, home/away as the cycles say.
  for (int c = 0; c < lrec.ClassTotal; ++c) {
    const ClassInput& klass = input.Classes[c];
    const int n = static_cast<int>(klass.Teams.size());
    if (n < 2 || n > kMaxTeamsPerClass) continue;
    std::vector<int> numbers;
    for (const TeamInput& t : klass.Teams) numbers.push_back(t.TeamNumber);
    std::sort(numbers.begin(), numbers.end());
    const int rounds = klass.MatchCount / (n * (n - 1) / 2);
    const int b = n * (n - 1) / 2;
    for (int e = 1; e <= b; ++e) {
      PairIndex p = PairingTableEntry(n, e);
      int h = numbers[p.home - 1], a = numbers[p.away - 1];
      int asListed = placed[{h, a}];
      int exchanged = placed[{a, h}];
      int wantExchanged = lrec.HomeAwayMode == 1 ? rounds / 2 : 0;
      if (asListed != rounds - wantExchanged || exchanged != wantExchanged) {
        faults.push_back("class " + klass.ClassName + " pair " + std::to_string(h) + "-" +
                         std::to_string(a) + " placed " + std::to_string(asListed) + "+" +
                         std::to_string(exchanged));
      }
    }
  }

  // Periods: consecutive play times with equal keys; no team twice in one.
  std::string previous = "xyz";
  std::set<int> teams;
  for (const PlayTimeSlot& s : slots) {
    std::string key = PeriodKey(s.PlayTime, perDay);
    if (key != previous) teams.clear();
    previous = key;
    for (int b = 0; b < s.nG; ++b) {
      for (int t : {s.G[b].home, s.G[b].away}) {
        if (!teams.insert(t).second) {
          faults.push_back("team " + std::to_string(t) + " twice in period " + key);
        }
      }
    }
  }

  // Masks on real play times.
  if (mask) {
    for (const PlayTimeSlot& s : slots) {
      if (IsPlaceholder(s.PlayTime)) continue;
      for (int b = 0; b < s.nG; ++b) {
        for (int t : {s.G[b].home, s.G[b].away}) {
          if (mask->hits(t, s.PlayTime)) {
            faults.push_back("team " + std::to_string(t) + " masked at " + s.PlayTime);
          }
        }
      }
    }
  }

  // Placeholders follow the real play times and carry their running number.
  for (std::size_t i = 0; i < slots.size(); ++i) {
    const bool placeholder = i >= input.PlayTimes.size();
    std::string digits = FormatInt(static_cast<int>(i) + 1, 3, '0');
    std::string want = placeholder
                           ? std::string(kPlaceholderTime) + digits + "," +
                                 std::string(kPlaceholderLeader) + digits
                           : input.PlayTimes[i].PlayTime + "," + input.PlayTimes[i].GameLeader;
    if (slots[i].Inf != want)
      faults.push_back("slot " + std::to_string(i + 1) + " is " + slots[i].Inf);
  }

  // After a repair no placeholder match could go to a real period.
  if (repaired) {
    for (const PlayTimeSlot& x : slots) {
      if (!IsPlaceholder(x.PlayTime)) continue;
      for (int b = 0; b < x.nG; ++b) {
        const MatchPair m = x.G[b];
        std::size_t i = 0;
        while (i < slots.size()) {
          if (IsPlaceholder(slots[i].PlayTime)) {
            ++i;
            continue;
          }
          std::string key = PeriodKey(slots[i].PlayTime, perDay);
          std::size_t j = i;
          bool holds = false, room = false;
          for (; j < slots.size() && PeriodKey(slots[j].PlayTime, perDay) == key &&
                 !IsPlaceholder(slots[j].PlayTime);
               ++j) {
            for (int q = 0; q < slots[j].nG; ++q) {
              for (int t : {slots[j].G[q].home, slots[j].G[q].away}) {
                if (t == m.home || t == m.away) holds = true;
              }
            }
            bool masked = mask && (mask->hits(m.home, slots[j].PlayTime) ||
                                   mask->hits(m.away, slots[j].PlayTime));
            if (slots[j].nG < lrec.MatchesPerPlayTime && !masked) room = true;
          }
          if (!holds && room) {
            faults.push_back("placeholder match " + pairText(m) + " fits period " + key);
          }
          i = j;
        }
      }
    }
  }
  return faults;
}

}  // namespace liga::scheduling::testing
