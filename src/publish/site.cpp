#include "publish/site.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <string_view>
#include <system_error>

#include "common/encoding.h"
#include "common/file_replace.h"
#include "common/messages.h"
#include "common/text.h"
#include "common/ui_port.h"
#include "database/database.h"
#include "model/matches.h"
#include "model/standings.h"
#include "model/team_selection.h"
#include "publish/ical.h"
#include "publish/site_html.h"

namespace liga::publish {
namespace {

namespace fs = std::filesystem;

struct Team {
  int number = 0;
  std::int32_t classRecNo = 0;
  std::string name;  // display form, UTF-8
  int place = 0, played = 0, won = 0, drawn = 0, lost = 0, goalsFor = 0, goalsAgainst = 0;
  int points = 0;
};

struct Match {
  std::string when, where;  // play time (with its text) and game leader (UTF-8)
  std::int32_t home = 0, away = 0;
  bool played = false;
  int homeScore = 0, awayScore = 0;
};

struct Season {
  std::string competition;
  std::vector<std::pair<std::int32_t, std::string>> classes;    // record number, name
  std::map<std::int32_t, Team> teams;                           // by record number
  std::map<std::int32_t, std::vector<std::int32_t>> standings;  // class -> teams in order
  std::vector<Match> matches;                                   // in play-time order
};

std::string teamFile(int number, const char* extension) {
  return "lag-" + FormatInt(number, 4, '0') + extension;
}

std::string classFile(std::int32_t recNo) {
  return "klass-" + std::to_string(recNo) + ".html";
}

Season readSeason(Database& db) {
  Season s;
  s.competition = Cp1252ToUtf8(db.comp().competitionName());
  const bool titleCase = db.comp().titleCaseNames();
  DivisionRec cls;
  for (std::int32_t recNo : db.classesInKeyOrder()) {
    if (db.readClassRecord(recNo, cls))
      s.classes.emplace_back(recNo, Cp1252ToUtf8(cls.className()));
  }
  TeamSelection selection(db);
  for (const auto& [classRecNo, name] : s.classes) {
    for (const model::ClassTable& table : model::Standings(db, selection, classRecNo)) {
      for (const model::TableRow& t : table.rows) {
        Team team{t.teamNumber, table.classRecNo,
                  Cp1252ToUtf8(TeamDisplayName(t.teamName, false, titleCase))};
        team.place = t.place;
        team.played = t.played;
        team.won = t.won;
        team.drawn = t.drawn;
        team.lost = t.lost;
        team.goalsFor = t.goalsFor;
        team.goalsAgainst = t.goalsAgainst;
        team.points = t.points;
        s.teams[t.recNo] = team;
        s.standings[classRecNo].push_back(t.recNo);
      }
    }
  }
  PlayTimeRec p;
  for (const std::int32_t pt : db.playTimesInKeyOrder()) {
    if (!db.readPlayTimeRecord(pt, p)) continue;
    for (const model::MatchValue& m : model::ListedMatches(p, pt)) {
      if (!s.teams.count(m.home) || !s.teams.count(m.away)) continue;
      // The play time's further text belongs with its time; the game leader field is where
      // organisers name the person in charge or the ground.
      std::string when = Cp1252ToUtf8(p.playTime());
      if (!TrimRight(p.playTimeText()).empty())
        when += " " + Cp1252ToUtf8(TrimRight(p.playTimeText()));
      Match match{when, Cp1252ToUtf8(p.gameLeader()), m.home, m.away};
      match.played = m.played();
      match.homeScore = m.homeScore;
      match.awayScore = m.awayScore;
      s.matches.push_back(match);
    }
  }
  return s;
}

std::string teamLink(const Season& s, std::int32_t recNo) {
  const Team& t = s.teams.at(recNo);
  return "<a href=\"" + teamFile(t.number, ".html") + "\">" + HtmlText(t.name) + "</a>";
}

std::string cell(const std::string& html, bool number = false) {
  return number ? "<td class=\"tal\">" + html + "</td>" : "<td>" + html + "</td>";
}

std::string section(const std::string& heading, const std::string& content, bool wide = false) {
  return std::string(wide ? "<section class=\"bred\">\n" : "<section>\n") + "<h2>" +
         HtmlText(heading) + "</h2>\n" + content + "</section>\n";
}

// A table with a header row; `numeric` marks the right-aligned columns.
std::string table(const std::vector<std::string>& headings, const std::vector<bool>& numeric,
                  const std::string& rows) {
  std::string out = "<div class=\"tabell\">\n<table>\n<thead>\n<tr>";
  for (std::size_t i = 0; i < headings.size(); ++i)
    out +=
        std::string(numeric[i] ? "<th class=\"tal\">" : "<th>") + HtmlText(headings[i]) + "</th>";
  return out + "</tr>\n</thead>\n<tbody>\n" + rows + "</tbody>\n</table>\n</div>\n";
}

// Matches as rows: time, place, home, away and (when `withResult`) the result.
std::string matchTable(const Season& s, const std::vector<const Match*>& matches, bool withResult) {
  if (matches.empty()) return "<p>Inga matcher.</p>\n";
  std::string rows;
  for (const Match* m : matches) {
    rows += "<tr>" + cell(HtmlText(m->when)) + cell(HtmlText(m->where)) +
            cell(teamLink(s, m->home)) + cell(teamLink(s, m->away));
    if (withResult)
      rows += cell(
          m->played ? std::to_string(m->homeScore) + "–" + std::to_string(m->awayScore) : "", true);
    rows += "</tr>\n";
  }
  std::vector<std::string> headings{"tid", "plats / ansvarig", "hemma", "borta"};
  std::vector<bool> numeric{false, false, false, false};
  if (withResult) {
    headings.push_back("resultat");
    numeric.push_back(true);
  }
  return table(headings, numeric, rows);
}

std::string standingsTable(const Season& s, std::int32_t classRecNo) {
  std::string rows;
  const auto it = s.standings.find(classRecNo);
  if (it == s.standings.end()) return "<p>Inga lag.</p>\n";
  for (const std::int32_t recNo : it->second) {
    const Team& t = s.teams.at(recNo);
    rows += "<tr>" + cell(std::to_string(t.place), true) + cell(teamLink(s, recNo)) +
            cell(std::to_string(t.played), true) + cell(std::to_string(t.won), true) +
            cell(std::to_string(t.drawn), true) + cell(std::to_string(t.lost), true) +
            cell(std::to_string(t.goalsFor) + "-" + std::to_string(t.goalsAgainst), true) +
            cell(std::to_string(t.points), true) + "</tr>\n";
  }
  return table({"pl.", "lag", "sp", "v", "o", "f", "mål", "p"},
               {true, false, true, true, true, true, true, true}, rows);
}

std::string classPage(const Season& s, std::int32_t classRecNo, const std::string& name,
                      const std::string& updated) {
  std::vector<const Match*> all, remaining;
  for (const Match& m : s.matches) {
    if (s.teams.at(m.home).classRecNo != classRecNo) continue;
    all.push_back(&m);
    if (!m.played) remaining.push_back(&m);
  }
  const std::string body = section("Tabell", standingsTable(s, classRecNo)) +
                           section("Kvarvarande matcher", matchTable(s, remaining, false)) +
                           section("Spelprogram", matchTable(s, all, true), true);
  return Page(name, s.competition, body, updated);
}

std::string teamPage(const Season& s, std::int32_t recNo, const std::string& className,
                     const std::string& updated) {
  const Team& t = s.teams.at(recNo);
  std::vector<const Match*> mine;
  for (const Match& m : s.matches) {
    if (m.home == recNo || m.away == recNo) mine.push_back(&m);
  }
  const std::string about = "<p>Klass: <a href=\"" + classFile(t.classRecNo) + "\">" +
                            HtmlText(className) + "</a></p>\n<p><a href=\"" +
                            teamFile(t.number, ".ics") +
                            "\">Lägg in matcherna i din kalender (.ics)</a></p>\n";
  const std::string body =
      section("Laget", about) + section("Matcher och resultat", matchTable(s, mine, true), true);
  return Page(t.name, s.competition, body, updated);
}

std::string indexPage(const Season& s, const std::string& updated) {
  std::string list = "<ul>\n";
  for (const auto& [recNo, name] : s.classes) {
    const auto it = s.standings.find(recNo);
    const std::size_t teams = it == s.standings.end() ? 0 : it->second.size();
    list += "<li><a href=\"" + classFile(recNo) + "\">" + HtmlText(name) + "</a> (" +
            std::to_string(teams) + " lag)</li>\n";
  }
  list += "</ul>\n";
  return Page(s.competition, s.competition, section("Klasser", list, true), updated);
}

std::string updatedText(std::time_t now) {
  std::tm tm{};
  localtime_r(&now, &tm);
  char buf[32];
  std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M", &tm);
  return buf;
}

// Removes the site's own files (klass-*.html, lag-*.html, lag-*.ics) that this run did not
// write; any other file in the folder is left alone.
// True for "klass-N.html", "lag-NNNN.html" and "lag-NNNN.ics" (N digits).
bool isOwnPage(std::string_view name) {
  auto digits = [](std::string_view s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string_view::npos;
  };
  auto strip = [&](std::string_view prefix, std::string_view suffix, std::string_view& middle) {
    if (name.size() < prefix.size() + suffix.size() || name.substr(0, prefix.size()) != prefix ||
        name.substr(name.size() - suffix.size()) != suffix)
      return false;
    middle = name.substr(prefix.size(), name.size() - prefix.size() - suffix.size());
    return true;
  };
  std::string_view m;
  if (strip("klass-", ".html", m)) return digits(m);
  if (strip("lag-", ".html", m) || strip("lag-", ".ics", m)) return m.size() == 4 && digits(m);
  return false;
}

void removeStale(const fs::path& folder, const std::set<std::string>& written,
                 PublishResult& result) {
  std::error_code ec;
  std::vector<std::string> stale;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (isOwnPage(name) && !written.count(name)) stale.push_back(name);
  }
  std::sort(stale.begin(), stale.end());
  for (const std::string& name : stale) {
    if (fs::remove(folder / name, ec)) result.removed.push_back(name);
  }
}

}  // namespace

PublishResult PublishSite(Database& db, const std::string& folder, std::time_t now) {
  PublishResult result;
  if (!db.competitionOpen()) {
    result.error = "ingen tävling är öppen";
    return result;
  }
  std::error_code ec;
  const fs::path dir = fs::absolute(folder, ec).lexically_normal();
  result.folder = dir.string();
  fs::create_directories(dir, ec);
  if (!fs::is_directory(dir)) {
    result.error = "katalogen kan inte skapas: " + result.folder;
    return result;
  }
  const Season s = readSeason(db);
  const std::string updated = updatedText(now);
  std::set<std::string> written;
  auto write = [&](const std::string& name, const std::string& bytes) {
    if (!ReplaceFile((dir / name).string(), bytes)) {
      if (result.error.empty()) result.error = "kunde inte skriva " + (dir / name).string();
      return false;
    }
    written.insert(name);
    if (name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0) ++result.pages;
    return true;
  };
  write("style.css", StyleSheet());
  write("index.html", indexPage(s, updated));
  std::map<std::int32_t, std::string> classNames(s.classes.begin(), s.classes.end());
  for (const auto& [recNo, name] : s.classes)
    write(classFile(recNo), classPage(s, recNo, name, updated));
  for (const auto& [recNo, team] : s.teams) {
    write(teamFile(team.number, ".html"), teamPage(s, recNo, classNames[team.classRecNo], updated));
    CalendarOptions options;
    options.teamNumbers = {team.number};
    const std::string ics = teamFile(team.number, ".ics");
    if (WriteCalendar(db, (dir / ics).string(), options, now).written) {
      written.insert(ics);
      ++result.calendars;
    } else if (result.error.empty()) {
      result.error = "kunde inte skriva " + (dir / ics).string();
    }
  }
  // Stale files go only after a complete run, so a failed write never leaves a site whose
  // links point at removed pages.
  if (result.error.empty()) removeStale(dir, written, result);
  result.ok = result.error.empty();
  return result;
}

PublishResult RunPublish(Database& db, const std::string& startFolder, std::time_t now) {
  PublishResult result;
  if (!db.competitionOpen()) return result;
  const auto picked = Ui().pickFolder(W("publicera webbplats i katalogen"), startFolder);
  if (!picked || picked->empty()) return result;
  // The picker gives the folder as the file system names it (UTF-8).
  result = PublishSite(db, *picked, now);
  if (!result.ok) {
    ShowMessage(401, W("Kan ej publicera webbplatsen: ") + Utf8ToCp1252(result.error));
    return result;
  }
  std::string text = W("Webbplatsen är publicerad: ") + Utf8ToCp1252(result.folder) +
                     W("/index.html (") + std::to_string(result.pages) + W(" sidor, ") +
                     std::to_string(result.calendars) + W(" kalendrar)");
  if (!result.removed.empty())
    text += W("; ") + std::to_string(result.removed.size()) + W(" gamla sidor borttagna");
  ShowMessage(201, text);
  return result;
}

}  // namespace liga::publish
