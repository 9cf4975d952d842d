// Team calendars: the open competition's matches as an iCalendar file (RFC 5545) that a
// phone or desktop calendar imports.
//
// The file is UTF-8 with CR LF line ends. It holds one VTIMEZONE for Europe/Stockholm
// (CET/CEST, the European Union's last-Sunday rules) and one VEVENT per match:
//   UID       "liga-" + competition number (2 digits) + "-" + match number (4 digits) +
//             "@ligawin32": the same match keeps its UID in every export, so importing a
//             new export updates the events instead of doubling them;
//   DTSTAMP   the time of the export, in UTC;
//   DTSTART   the play time in local time with TZID=Europe/Stockholm (a play time that is
//             a date only gives an all-day event);
//   DURATION  the configured match length;
//   SUMMARY   "HOME – AWAY" in team display form, followed by " (H-A)" once a result is in;
//   DESCRIPTION the class and the game leader.
// Text values are escaped (backslash, ";", "," and line breaks) and every line is folded at
// 75 octets, never inside a UTF-8 sequence.
#pragma once

#include <ctime>
#include <string>
#include <string_view>
#include <vector>

namespace liga {
class Database;
}

namespace liga::publish {

inline constexpr int kDefaultMatchMinutes = 90;

// A play time as the calendar reads it.
struct CalendarTime {
  int year = 0, month = 0, day = 0;
  int hour = 0, minute = 0;
  bool hasTime = false;  // false: a date only
};

// "YYYY-MM-DD HH:MM" (or "HH.MM"), or "YYYY-MM-DD" alone, blanks around allowed. False for
// anything else, such as the scheduler's placeholders "Ändrtid001".
bool ParseCalendarTime(std::string_view playTime, CalendarTime& out);

// One match as it appears in a calendar. Texts are UTF-8.
struct CalendarEvent {
  int competition = 0;
  int matchNumber = 0;
  CalendarTime start;
  std::string home, away;  // display form
  bool hasResult = false;
  int homeScore = 0, awayScore = 0;
  std::string className;
  std::string gameLeader;
};

struct CalendarOptions {
  std::vector<int> teamNumbers;  // the chosen teams' numbers; empty = every match
  int durationMinutes = kDefaultMatchMinutes;
};

// The matches of the open competition, in play-time key order and row order, that a chosen
// team plays in (each once). Matches whose play time is no date (placeholders) are left out
// and their play-time texts (UTF-8) go to `unplaced`.
std::vector<CalendarEvent> CollectCalendarEvents(Database& db, const CalendarOptions& options,
                                                 std::vector<std::string>* unplaced);

// TEXT value escaping: "\" → "\\", ";" → "\;", "," → "\,", line break → "\n"; other control
// characters become blanks.
std::string EscapeCalendarText(std::string_view utf8);
// One content line folded at 75 octets, ended by CR LF.
std::string FoldCalendarLine(std::string_view line);

// The whole calendar. `name` is the calendar's name (X-WR-CALNAME), `now` the export time.
std::string BuildCalendar(const std::vector<CalendarEvent>& events, int durationMinutes,
                          const std::string& name, std::time_t now);

struct CalendarResult {
  bool written = false;
  int events = 0;
  std::vector<std::string> unplaced;  // play times left out (UTF-8)
  std::vector<int> unknownTeams;      // chosen team numbers that no team has
};

// Writes the calendar of the chosen teams of the open competition to `path` (replacing it
// as a whole). Refused, with nothing written, when a chosen team number does not exist.
CalendarResult WriteCalendar(Database& db, const std::string& path, const CalendarOptions& options,
                             std::time_t now);

// The menu command: asks for the file with the save dialog beside `lastExchangePath`,
// remembers the choice there, writes every match and shows the outcome.
CalendarResult RunCalendarExport(Database& db, std::string& lastExchangePath, std::time_t now);

}  // namespace liga::publish
