#include "publish/ical.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/file_replace.h"
#include "common/messages.h"
#include "common/save_pick.h"
#include "common/text.h"
#include "common/ui_port.h"
#include "database/database.h"
#include "model/matches.h"

namespace liga::publish {
namespace {

namespace fs = std::filesystem;

constexpr std::string_view kEnDash = "\xE2\x80\x93";
constexpr std::size_t kFoldOctets = 75;

// The zone every play time is read in. The rules are those in force since 1996 (last Sunday
// of March 02:00 to last Sunday of October 03:00); calendars apply them to every year.
constexpr std::string_view kStockholmZone[] = {
    "BEGIN:VTIMEZONE",
    "TZID:Europe/Stockholm",
    "BEGIN:DAYLIGHT",
    "TZOFFSETFROM:+0100",
    "TZOFFSETTO:+0200",
    "TZNAME:CEST",
    "DTSTART:19700329T020000",
    "RRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU",
    "END:DAYLIGHT",
    "BEGIN:STANDARD",
    "TZOFFSETFROM:+0200",
    "TZOFFSETTO:+0100",
    "TZNAME:CET",
    "DTSTART:19701025T030000",
    "RRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU",
    "END:STANDARD",
    "END:VTIMEZONE",
};

bool digits(std::string_view s, std::size_t pos, std::size_t n, int& value) {
  if (pos + n > s.size()) return false;
  value = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (!std::isdigit(static_cast<unsigned char>(s[i]))) return false;
    value = value * 10 + (s[i] - '0');
  }
  return true;
}

int daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  return month == 2 && leap ? 29 : kDays[month - 1];
}

std::string twoDigits(int v) {
  return ZeroPad(v, 2);
}

std::string dateText(const CalendarTime& t) {
  return ZeroPad(t.year, 4) + twoDigits(t.month) + twoDigits(t.day);
}

std::string utcStamp(std::time_t now) {
  return FormatUtcTime(now, "%Y%m%dT%H%M%SZ");
}

std::string eventUid(const CalendarEvent& e) {
  return "liga-" + ZeroPad(e.competition, 2) + "-" + ZeroPad(e.matchNumber, 4) + "@ligawin32";
}

void addEvent(std::string& out, const CalendarEvent& e, int durationMinutes,
              const std::string& stamp) {
  auto line = [&out](std::string_view l) { out += FoldCalendarLine(l); };
  std::string summary = e.home + " " + std::string(kEnDash) + " " + e.away;
  if (e.hasResult)
    summary += " (" + std::to_string(e.homeScore) + "-" + std::to_string(e.awayScore) + ")";
  std::string description = "Klass: " + e.className;
  if (!e.gameLeader.empty()) description += "\nSpelledare: " + e.gameLeader;
  line("BEGIN:VEVENT");
  line("UID:" + eventUid(e));
  line("DTSTAMP:" + stamp);
  if (e.start.hasTime) {
    line("DTSTART;TZID=Europe/Stockholm:" + dateText(e.start) + "T" + twoDigits(e.start.hour) +
         twoDigits(e.start.minute) + "00");
    line("DURATION:PT" + std::to_string(durationMinutes) + "M");
  } else {
    line("DTSTART;VALUE=DATE:" + dateText(e.start));
  }
  line("SUMMARY:" + EscapeCalendarText(summary));
  line("DESCRIPTION:" + EscapeCalendarText(description));
  line("END:VEVENT");
}

struct TeamInfo {
  int number = 0;
  std::string display;  // UTF-8
  std::int32_t classRecNo = 0;
};

// Every team in use, by record number.
std::map<std::int32_t, TeamInfo> readTeams(Database& db) {
  std::map<std::int32_t, TeamInfo> teams;
  const bool titleCase = db.comp().titleCaseNames();
  const std::int32_t len = db.teamFileLength();
  for (std::int32_t r = 1; r < len; ++r) {
    if (!db.readTeam(r)) continue;
    const TeamRec& t = db.team();
    teams[r] = {t.teamNumber(), Cp1252ToUtf8(TeamDisplayName(t.teamName(), false, titleCase)),
                t.divisionRecNo()};
  }
  return teams;
}

std::map<std::int32_t, std::string> readClassNames(Database& db) {
  std::map<std::int32_t, std::string> names;
  const std::int32_t len = db.classFileLength();
  for (std::int32_t r = 1; r < len; ++r) {
    if (db.readClass(r)) names[r] = Cp1252ToUtf8(db.cls().className());
  }
  return names;
}

}  // namespace

bool ParseCalendarTime(std::string_view s, CalendarTime& out) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  CalendarTime t;
  if (s.size() < 10 || !digits(s, 0, 4, t.year) || s[4] != '-' || !digits(s, 5, 2, t.month) ||
      s[7] != '-' || !digits(s, 8, 2, t.day))
    return false;
  if (t.year < 1 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > daysInMonth(t.year, t.month))
    return false;
  std::size_t pos = 10;
  if (pos < s.size()) {
    if (s[pos] != ' ') return false;
    while (pos < s.size() && s[pos] == ' ') ++pos;
    if (s.size() - pos != 5 || !digits(s, pos, 2, t.hour) ||
        (s[pos + 2] != ':' && s[pos + 2] != '.') || !digits(s, pos + 3, 2, t.minute))
      return false;
    if (t.hour > 23 || t.minute > 59) return false;
    t.hasTime = true;
  }
  out = t;
  return true;
}

std::string EscapeCalendarText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case ';':
        out += "\\;";
        break;
      case ',':
        out += "\\,";
        break;
      case '\r':
        if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out += "\\n";
        break;
      case '\n':
        out += "\\n";
        break;
      default:
        out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
    }
  }
  return out;
}

std::string FoldCalendarLine(std::string_view line) {
  std::string out;
  std::size_t limit = kFoldOctets;  // the first line; continuations carry a leading blank
  while (line.size() > limit) {
    std::size_t cut = limit;
    // Never split a UTF-8 sequence: back up to the byte that starts one.
    while (cut > 0 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80) --cut;
    if (cut == 0) cut = limit;  // not UTF-8 at all; cut where the octets run out
    out.append(line.substr(0, cut));
    out += "\r\n ";
    line.remove_prefix(cut);
    limit = kFoldOctets - 1;
  }
  out.append(line);
  out += "\r\n";
  return out;
}

std::vector<CalendarEvent> CollectCalendarEvents(Database& db, const CalendarOptions& options,
                                                 std::vector<std::string>* unplaced) {
  std::vector<CalendarEvent> events;
  if (!db.competitionOpen()) return events;
  const std::map<std::int32_t, TeamInfo> teams = readTeams(db);
  const std::map<std::int32_t, std::string> classes = readClassNames(db);
  const std::set<int> chosen(options.teamNumbers.begin(), options.teamNumbers.end());
  PlayTimeRec p;
  for (std::int32_t pt : db.playTimesInKeyOrder()) {
    if (!db.readPlayTimeRecord(pt, p)) continue;
    CalendarTime start;
    const bool dated = ParseCalendarTime(p.playTime(), start);
    bool leftOut = false;
    for (const model::MatchValue& m : model::ListedMatches(p, pt)) {
      const auto home = teams.find(m.home);
      const auto away = teams.find(m.away);
      if (home == teams.end() || away == teams.end()) continue;
      if (!chosen.empty() && chosen.count(home->second.number) == 0 &&
          chosen.count(away->second.number) == 0)
        continue;
      if (!dated) {
        leftOut = true;
        continue;
      }
      CalendarEvent e;
      e.competition = db.currentCompetition();
      e.matchNumber = m.number;
      e.start = start;
      e.home = home->second.display;
      e.away = away->second.display;
      e.hasResult = m.played();
      e.homeScore = m.homeScore;
      e.awayScore = m.awayScore;
      const auto cls = classes.find(home->second.classRecNo);
      if (cls != classes.end()) e.className = cls->second;
      e.gameLeader = Cp1252ToUtf8(p.gameLeader());
      events.push_back(std::move(e));
    }
    if (leftOut && unplaced != nullptr) unplaced->push_back(Cp1252ToUtf8(p.playTime()));
  }
  return events;
}

std::string BuildCalendar(const std::vector<CalendarEvent>& events, int durationMinutes,
                          const std::string& name, std::time_t now) {
  std::string out;
  auto line = [&out](std::string_view l) { out += FoldCalendarLine(l); };
  line("BEGIN:VCALENDAR");
  line("VERSION:2.0");
  line("PRODID:-//LigaWin32 for Linux//liga//SV");
  line("CALSCALE:GREGORIAN");
  line("METHOD:PUBLISH");
  if (!name.empty()) line("X-WR-CALNAME:" + EscapeCalendarText(name));
  line("X-WR-TIMEZONE:Europe/Stockholm");
  for (std::string_view l : kStockholmZone) line(l);
  const std::string stamp = utcStamp(now);
  for (const CalendarEvent& e : events) addEvent(out, e, durationMinutes, stamp);
  line("END:VCALENDAR");
  return out;
}

CalendarResult WriteCalendar(Database& db, const std::string& path, const CalendarOptions& options,
                             std::time_t now) {
  CalendarResult result;
  if (!db.competitionOpen()) return result;
  std::set<int> known;
  std::string name = Cp1252ToUtf8(db.comp().competitionName());
  const std::map<std::int32_t, TeamInfo> teams = readTeams(db);
  for (const auto& [recNo, team] : teams) known.insert(team.number);
  for (int n : options.teamNumbers) {
    if (known.count(n) == 0) result.unknownTeams.push_back(n);
  }
  if (!result.unknownTeams.empty()) return result;
  if (options.teamNumbers.size() == 1) {
    for (const auto& [recNo, team] : teams) {
      if (team.number == options.teamNumbers.front()) name += " " + team.display;
    }
  }
  const std::vector<CalendarEvent> events = CollectCalendarEvents(db, options, &result.unplaced);
  const std::string bytes = BuildCalendar(events, options.durationMinutes, name, now);
  result.written = ReplaceFile(path, bytes);
  result.events = static_cast<int>(events.size());
  return result;
}

CalendarResult RunCalendarExport(Database& db, std::string& lastExchangePath, std::time_t now) {
  CalendarResult result;
  if (!db.competitionOpen()) return result;
  const std::string start = (fs::path(lastExchangePath).parent_path() / "SPELDAG.ics").string();
  const auto picked = PickSaveFile(W("spara kalender"), start, "iCalendar|*.ics", ".ics");
  if (!picked) return result;
  const std::string& path = *picked;
  lastExchangePath = path;
  result = WriteCalendar(db, path, CalendarOptions{}, now);
  if (!result.written) {
    ShowMessage(401, W("Kan ej skapa kalenderfilen \"") + W(path) + "\"");
    return result;
  }
  std::string text = W("Kalender med ") + std::to_string(result.events) + W(" matcher: ") + W(path);
  if (!result.unplaced.empty())
    text +=
        W("; ") + std::to_string(result.unplaced.size()) + W(" speltider utan datum togs inte med");
  ShowInfo(text);
  ReportWritten(path);
  return result;
}

}  // namespace liga::publish
