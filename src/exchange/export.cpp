#include "exchange/export.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/exchange_format.h"
#include "common/file_replace.h"
#include "common/messages.h"
#include "common/progress.h"
#include "common/save_pick.h"
#include "common/text.h"
#include "common/ui_port.h"
#include "database/database.h"
#include "database/tie_order.h"
#include "model/matches.h"

namespace liga::exchange {
namespace {

// Lines are collected in memory and written in one go; an export is at most a few
// thousand short lines.
class LineSink {
 public:
  bool add(std::string line) {
    if (ProgressAborted()) return false;
    m_lines.push_back(std::move(line));
    if (m_lines.size() % 50 == 0) ProgressLine(2, FormatInt(static_cast<long>(m_lines.size()), 5));
    return true;
  }
  const std::vector<std::string>& lines() const { return m_lines; }

 private:
  std::vector<std::string> m_lines;
};

void baseSection(Database& db, LineSink& out) {
  const CompetitionRec& c = db.comp();
  if (!out.add("*Bas")) return;
  std::string line3 = c.payee() + "," + c.postgiroNumber() + "," + c.bankgiroNumber() + "," +
                      FormatReal(c.fee(), 0) + "," + std::string(GiroCode(c.giroType()));
  if (c.amountFilled()) line3 += ",X";
  std::vector<std::string> lines = {c.organiser() + "," + c.sportType(),
                                    c.competitionName() + "," + "4", line3};
  for (int block = 0; block < CompetitionRec::kContactBlocks; ++block) {
    std::string l;
    for (int k = 0; k < 4; ++k) l += c.contact(block, k) + ",";
    lines.push_back(l);
  }
  for (auto& l : lines) {
    if (!out.add(std::move(l))) return;
  }
}

void classSection(Database& db, LineSink& out) {
  if (!out.add("*Klasser")) return;
  for (std::int32_t recNo : db.classesInKeyOrder()) {
    if (!db.readClass(recNo)) continue;
    const DivisionRec& d = db.cls();
    if (!out.add(PadRight(d.className(), 22) + "," + std::to_string(d.rounds()) + "," +
                 std::to_string(d.winPoints()) + "," + std::to_string(d.drawPoints()) + "," +
                 ZeroPad(d.firstTeamNumber(), 4)))
      return;
  }
}

std::map<std::int32_t, std::string> classNames(Database& db) {
  std::map<std::int32_t, std::string> names;
  const std::int32_t len = db.classFileLength();
  for (std::int32_t n = 1; n < len; ++n) {
    if (db.readClass(n)) names[n] = db.cls().className();
  }
  return names;
}

void teamSection(Database& db, LineSink& out) {
  if (!out.add("*Lag")) return;
  const auto names = classNames(db);
  const std::int32_t len = db.teamFileLength();
  for (std::int32_t n = 1; n < len; ++n) {
    if (!db.readTeam(n)) continue;
    const TeamRec& t = db.team();
    auto cls = names.find(t.divisionRecNo());
    const std::string className = cls == names.end() ? std::string() : cls->second;
    if (!out.add(t.teamNumberKey() + "," + t.teamName() + "," + className + "," +
                 std::to_string(t.ranking()) + "," + std::to_string(t.openingPoints()) + "," +
                 std::to_string(t.openingGoalsAgainst()) + "," +
                 std::to_string(t.openingGoalsFor())))
      return;
    for (int r = 0; r < TeamRec::kContactRows; ++r) {
      const ContactRow row = t.contactRow(r);
      if (!row.used()) continue;
      if (!out.add("*#" + std::to_string(row.rowNumber()) + "," + row.name() + "," + row.street() +
                   "," + row.town() + "," + row.address4()))
        return;
    }
  }
}

void playTimeSection(Database& db, LineSink& out, bool withResults) {
  if (!out.add("*Speldag")) return;
  // Team number keys by record number, read once; a deleted team has no entry.
  std::map<std::int32_t, std::string> keys;
  const std::int32_t teams = db.teamFileLength();
  for (std::int32_t n = 1; n < teams; ++n) {
    if (db.readTeam(n)) keys[n] = db.team().teamNumberKey();
  }
  PlayTimeRec p;
  for (std::int32_t recNo : db.playTimesInKeyOrder()) {
    if (!db.readPlayTimeRecord(recNo, p)) continue;
    if (!out.add(p.playTime() + "," + p.gameLeader() + "," + p.playTimeText())) return;
    for (const model::MatchValue& m : model::ListedMatches(p, recNo)) {
      auto home = keys.find(m.home);
      auto away = keys.find(m.away);
      if (home == keys.end() || away == keys.end()) continue;
      std::string line = "*!" + home->second + "-" + away->second;
      if (withResults && m.played())
        line += "=" + std::to_string(m.homeScore) + "-" + std::to_string(m.awayScore);
      if (!out.add(std::move(line))) return;
    }
  }
  if (db.comp().scheduled()) out.add("*Lottad");
}

bool writeFileAtomically(const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return ReplaceFile(path, text);
}

}  // namespace

std::string SignatureLine(std::time_t now) {
  return "; LigaWin32 utbytesfil, " + FormatLocalTime(now, "%Y-%m-%d");
}

std::string CompetitionCommentLine(const std::string& competitionName, std::time_t now) {
  return "; " + competitionName + " " + FormatLocalTime(now, "%Y-%m-%d %H:%M:%S");
}

std::string TransferMessage(int lines, int elapsedSeconds) {
  std::string time = FormatInt(elapsedSeconds / 60, 3, '0');
  if (elapsedSeconds % 60 != 0) time += ":" + FormatInt(elapsedSeconds % 60, 2, '0');
  return "Import/export av " + FormatInt(lines, 4) + " rader " + time;
}

std::string ProposedFileName(ExportKind kind) {
  switch (kind) {
    case ExportKind::Schedule:
      return "SPELDAG.EXP";
    case ExportKind::Results:
      return "SPELRES.EXP";
    default:
      return "";
  }
}

ExportResult WriteExport(Database& db, ExportKind kind, const std::string& path,
                         const Clock& clock) {
  ExportResult result;
  const std::int64_t started = clock.milliseconds();
  const std::time_t now = clock.now();
  LineSink out;
  // The export reads through the current-record buffers; the person's current records
  // are put back afterwards.
  const DivisionRec savedClass = db.cls();
  const TeamRec savedTeam = db.team();
  const PlayTimeRec savedPlayTime = db.playTime();
  const std::int32_t classRecNo = db.classRecNo(), teamRecNo = db.teamRecNo(),
                     playTimeRecNo = db.playTimeRecNo();

  const bool progress = OpenProgress(W("Export"), 2, true);
  if (db.competitionOpen()) out.add(CompetitionCommentLine(db.comp().competitionName(), now));
  out.add(SignatureLine(now));
  // The classes' tie orders travel as comment lines: an installation that keeps none shows
  // them and imports the rest of the file as before.
  if (db.competitionOpen() && (kind == ExportKind::Competition || kind == ExportKind::Classes)) {
    for (const std::string& line :
         TieOrders::Load(db.dataDir(), db.currentCompetition()).commentLines())
      out.add(line);
  }
  if (db.competitionOpen()) {
    switch (kind) {
      case ExportKind::Competition:
        baseSection(db, out);
        break;
      case ExportKind::Classes:
        classSection(db, out);
        break;
      case ExportKind::Teams:
        teamSection(db, out);
        break;
      case ExportKind::Schedule:
        playTimeSection(db, out, false);
        break;
      case ExportKind::Results:
        playTimeSection(db, out, true);
        break;
    }
  }
  if (progress) CloseProgress();

  db.cls() = savedClass;
  db.team() = savedTeam;
  db.playTime() = savedPlayTime;
  db.setClassRecNo(classRecNo);
  db.setTeamRecNo(teamRecNo);
  db.setPlayTimeRecNo(playTimeRecNo);

  if (!writeFileAtomically(path, out.lines())) {
    ShowMessage(401, W("Kan ej öppna/skapa ixportfilen \"") + path + "\"");
    return result;
  }
  result.written = true;
  result.lines = static_cast<int>(out.lines().size());
  const std::int64_t elapsed = (clock.milliseconds() - started) / 1000;
  ShowInfo(TransferMessage(result.lines, static_cast<int>(elapsed)));
  return result;
}

ExportResult RunExport(Database& db, ExportKind kind, std::string& lastExchangePath,
                       const Clock& clock) {
  namespace fs = std::filesystem;
  std::string start = fs::path(lastExchangePath).parent_path().string();
  const std::string proposed = ProposedFileName(kind);
  if (!proposed.empty()) start = (fs::path(start) / proposed).string();
  const auto chosen = PickSaveFile("exportera", start, "*.lgw", ".lgw");
  if (!chosen) return {};
  const std::string& path = *chosen;
  lastExchangePath = path;
  ExportResult result = WriteExport(db, kind, path, clock);
  if (result.written) ReportWritten(path);
  return result;
}

}  // namespace liga::exchange
