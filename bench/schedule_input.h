// The generated competitions of the scheduling benchmarks: classes of numbered teams, play
// times on consecutive dates from 2016-09-01, and a mask file of unplayable times.
#pragma once

#include <string>
#include <vector>

#include "common/text.h"
#include "scheduling/run.h"

namespace liga::bench {

using scheduling::ClassInput;
using scheduling::ScheduleInput;

// The date `dayIndex` days after 2016-09-01, as "YYYY-MM-DD".
inline std::string DateText(int dayIndex) {
  static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  int year = 2016, month = 9, day = 1 + dayIndex;
  for (;;) {
    int length = kDays[month - 1] + (month == 2 && year % 4 == 0 ? 1 : 0);
    if (day <= length) break;
    day -= length;
    if (++month > 12) {
      month = 1;
      ++year;
    }
  }
  return FormatInt(year, 4, '0') + "-" + FormatInt(month, 2, '0') + "-" + FormatInt(day, 2, '0');
}

// Classes of teamsPerClass[c] teams each playing `rounds` rounds, on `times` of each of
// `dates` days.
inline ScheduleInput MakeInput(const std::vector<int>& teamsPerClass, int rounds, int dates,
                               const std::vector<std::string>& times) {
  ScheduleInput input;
  input.Organiser = "BENCH";
  input.CompetitionName = "BENCH CUP";
  int number = 1;
  for (std::size_t c = 0; c < teamsPerClass.size(); ++c) {
    ClassInput k;
    k.RecNo = static_cast<int>(c) + 1;
    k.ClassName = "KLASS " + std::to_string(c + 1);
    k.TeamCount = teamsPerClass[c];
    k.MatchCount = k.TeamCount * (k.TeamCount - 1) * rounds / 2;
    for (int i = 0; i < k.TeamCount; ++i, ++number) {
      k.Teams.push_back({number, FormatInt(number, 4, '0')});
    }
    input.TeamRecords += k.TeamCount;
    input.Classes.push_back(std::move(k));
  }
  for (int d = 0; d < dates; ++d) {
    for (const std::string& t : times) input.PlayTimes.push_back({DateText(d) + " " + t, "PLAN 1"});
  }
  return input;
}

// A mask file of `lines` lines over `teams` teams: every fifth line a time of day, the
// others a date.
inline std::string MaskText(int lines, int teams, int dates) {
  std::string text = "LAG,EJ SPELBARA TIDER\r\n";
  for (int i = 1; i < lines; ++i) {
    int team = 1 + (i * 37) % teams;
    std::string pattern = i % 5 == 0 ? "14:00" : DateText((i * 11) % dates);
    text += std::to_string(team) + "," + pattern + "\r\n";
  }
  return text;
}

}  // namespace liga::bench
