#include "exchange/import.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/exchange_format.h"
#include "common/file_read.h"
#include "common/file_replace.h"
#include "common/limits.h"
#include "common/messages.h"
#include "common/progress.h"
#include "common/text.h"
#include "common/ui_port.h"
#include "database/database.h"
#include "database/tie_order.h"
#include "exchange/export.h"
#include "model/matches.h"
#include "storage/isam.h"

namespace liga::exchange {
namespace {

constexpr const char* kSeparator = "============================";

// A field read as a whole number, limited to lo..hi; nullopt when the field is empty or
// not a number (the record keeps its value then).
std::optional<int> limitedNumber(const std::string& field, int lo, int hi) {
  const auto v = ParseWholeNumber(field);
  if (!v) return std::nullopt;
  return static_cast<int>(std::clamp<long>(*v, lo, hi));
}

// A fee field: a whole number, also when written with a zero fraction as the exporter
// writes it ("600.00"); nullopt for anything else.
std::optional<int> wholeFee(const std::string& field) {
  std::string_view f = field;
  const std::size_t dot = f.find('.');
  if (dot != std::string_view::npos) {
    const std::string_view fraction = f.substr(dot + 1);
    if (fraction.find_first_not_of('0') != std::string_view::npos) return std::nullopt;
    f = f.substr(0, dot);
  }
  const auto v = ParseWholeNumber(f);
  if (!v || *v < 0 || *v > 9999) return std::nullopt;
  return static_cast<int>(*v);
}

// A class name as a line carries it: upper-cased, cut to what the record holds, without the
// blanks the class export pads it with (the stored name and key never carry them). Cutting
// before the lookup makes a longer name find the class it created before.
std::string className(const std::string& field) {
  return TrimRight(UpCase(field).substr(0, DivisionRec::kClassNameCapacity));
}

// Empties every match row of a play time: UsedRows 0, all scores "no result".
void clearMatchRows(PlayTimeRec& p) {
  for (int row = 0; row <= PlayTimeRec::kMaxRows; ++row) {
    MatchEntry e;
    e.setHomeScore(kNoResult);
    e.setAwayScore(kNoResult);
    p.setMatch(row, e);
  }
}

}  // namespace

Importer::Importer(Database& db, std::string logDir) : m_db(db), m_logDir(std::move(logDir)) {}

void Importer::beginBatches() {
  if (m_unit || !m_db.competitionOpen()) return;
  m_unit = std::make_unique<WriteUnit>(
      m_db,
      std::initializer_list<FileBlockPtr>{m_db.classFile(), m_db.teamFile(), m_db.playTimeFile()});
}

bool Importer::commitBatches() {
  if (!m_unit) return true;
  const std::unique_ptr<WriteUnit> unit = std::move(m_unit);
  // A competition closed since (which commits its blocks) leaves nothing to commit.
  if (!m_db.competitionOpen()) {
    unit->abandon();
    return true;
  }
  // The competition record was changed with the blocks (counters, match numbers): it is
  // stored in the same unit, and put back in memory as stored when the unit fails.
  CompetitionRec stored;
  const bool hadRecord = m_db.readCompetitionRecord(m_db.currentCompetition(), stored);
  if (unit->commit()) return true;
  IsamStatusGuard failure;
  if (hadRecord) m_db.comp() = stored;
  return false;
}

void Importer::importFiles(const std::vector<std::string>& paths) {
  m_log.clear();
  m_summaries.clear();
  m_outcomes.clear();
  m_abort = false;
  m_failed = false;
  m_rejected = 0;
  logLine("importlogg");
  logLine(kSeparator);
  const bool progress = OpenProgress("Import", 3, true);
  for (const auto& path : paths) {
    if (m_abort || ProgressAborted()) break;
    importFile(path);
  }
  if (progress) CloseProgress();
  if (m_rejected > 0) logLine(RejectedLinesText(m_rejected));
  logLine("IMPORT KLAR!");
  writeLogFile();
  Ui().showText("importlogg", m_log);
}

std::string RejectedLinesText(int rejected) {
  return std::to_string(rejected) + (rejected == 1 ? " rad avvisad" : " rader avvisade");
}

void Importer::reject(std::string line) {
  ++m_rejected;
  logLine(std::move(line));
}

void Importer::writeLogFile() {
  if (m_logDir.empty()) return;
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(m_logDir, ec);
  const std::time_t now = clock->now();
  fs::path path =
      fs::path(m_logDir) / ("importlogg_" + FormatLocalTime(now, "%Y%m%d_%H%M%S") + ".txt");
  for (int i = 2; fs::exists(path, ec); ++i) {
    path = fs::path(m_logDir) / ("importlogg_" + FormatLocalTime(now, "%Y%m%d_%H%M%S") + "_" +
                                 std::to_string(i) + ".txt");
  }
  std::string text;
  for (const auto& l : m_log) text += l + "\r\n";
  if (ReplaceFile(path.string(), text)) m_logFile = path.string();
}

void Importer::importFile(const std::string& path) {
  std::string content;
  if (!readTextFile(path, content)) {
    logLine(kSeparator);
    m_failed = true;
    return;
  }
  const std::int64_t started = clock->milliseconds();
  logLine("importerar \"" + Utf8ToCp1252(std::filesystem::absolute(path).string()) + "\"");
  logLine(kSeparator);
  // Linux text editors write UTF-8; the records hold code page 1252.
  if (LooksLikeUtf8(content)) {
    content = Utf8ToCp1252(content);
    logLine(W("filen är skriven i UTF-8 och läses om till teckentabell 1252"));
  }
  std::istringstream text(std::move(content));
  ProgressLine(2, Utf8ToCp1252(std::filesystem::path(path).filename().string()));
  startFile();
  const FileEnd end = readLines(text);
  finishFile(end, started);
}

bool Importer::readTextFile(const std::string& path, std::string& content) {
  const ReadOutcome read = ReadRegularFile(path, content);
  if (read.problem != ReadProblem::None) {
    logLine(Utf8ToCp1252(ReadProblemText(read, path)));
    m_outcomes.push_back(read.problem == ReadProblem::NotRegular ? FileOutcome::NotRegular
                         : read.problem == ReadProblem::TooLarge ? FileOutcome::TooLarge
                                                                 : FileOutcome::NotOpened);
    return false;
  }
  // A binary file would turn its bytes into hundreds of junk records.
  if (content.find('\0') != std::string::npos) {
    logLine(W("\"") + Utf8ToCp1252(path) +
            W("\" är ingen textfil (innehåller NUL-tecken), "
              "inget importeras"));
    m_outcomes.push_back(FileOutcome::NotText);
    return false;
  }
  return true;
}

void Importer::startFile() {
  m_section = -1;
  m_tieOrderLines.clear();
  m_record.clear();
  m_lastTeamAdded = false;
  m_lastTeamRecNo = 0;
  m_playTimeRead = false;
  m_lastPlayTimeRecNo = 0;
  m_askBeforeReplace = true;
  // The question and the clearing belong to every file: a second file must not empty its
  // play times because the first file's schedule replaced an older one.
  m_oldScheduleCleared = false;
  m_fileStopped = false;
  m_declined = false;
  m_counts = {};
  m_comments.clear();
  beginBatches();
}

Importer::FileEnd Importer::readLines(std::istream& text) {
  LineReader reader(text);
  std::string line;
  while (!m_abort && !m_fileStopped) {
    if (ProgressAborted()) return FileEnd::UserStop;
    if (!reader.next(line)) break;
    ++m_counts.lines;
    if (m_counts.lines % 20 == 0) ProgressLine(3, FormatInt(m_counts.lines, 6));
    if (line.empty()) continue;
    if (const auto star = SectionLineStart(line)) {
      if (*star > 0) line.erase(0, *star);
      const auto section = FindSection(line);
      if (!section) {
        const std::string msg = W("Okänd identifierare! Rad:") + FormatInt(reader.lineNumber(), 5);
        ShowMessage(201, msg);
        logLine(msg);
        return FileEnd::EndedEarly;
      }
      if (*section != Section::Matches && *section != Section::Contact) {
        logLine("importerar \"" + std::string(SectionName(*section)) + "\"");
      }
      if (!startSection(static_cast<int>(*section), line)) return FileEnd::EndedEarly;
    } else if (line[0] == ';') {
      // Comments are shown together when the file is done, not one box each.
      logLine(line);
      if (TieOrders().readCommentLine(line)) {
        m_tieOrderLines.push_back(line);
      } else {
        m_comments.push_back(line);
      }
    } else {
      dataLine(line);
    }
  }
  return FileEnd::Read;
}

void Importer::storeTieOrders() {
  if (m_tieOrderLines.empty() || !m_db.competitionOpen()) return;
  TieOrders orders = TieOrders::Load(m_db.dataDir(), m_db.currentCompetition());
  for (const std::string& line : m_tieOrderLines) orders.readCommentLine(line);
  m_tieOrderLines.clear();
  if (!orders.save(m_db.dataDir(), m_db.currentCompetition()))
    logLine(W("tabellordningarna kunde inte sparas i ") +
            Utf8ToCp1252(TieOrders::FileName(m_db.dataDir(), m_db.currentCompetition())));
}

void Importer::finishFile(FileEnd end, std::int64_t started) {
  const bool stopped = end == FileEnd::UserStop || ProgressAborted();
  if (end == FileEnd::EndedEarly) m_failed = true;
  if (stopped) {
    logLine("<< avbrutet >>");
    m_failed = true;
  }
  const bool stored = commitBatches();
  if (!stored) {
    failLine(W("filen kunde inte lagras, inget av den sparades: ") + IsamErrorText());
    m_failed = true;
    if (m_createdCompetition != 0 && m_db.currentCompetition() == m_createdCompetition) {
      m_db.discardCompetition();
    }
    m_counts.added = m_counts.modified = 0;
  }
  if (stored) storeTieOrders();
  m_createdCompetition = 0;
  const bool endedEarly = end == FileEnd::EndedEarly;
  m_outcomes.push_back(stopped                                             ? FileOutcome::Stopped
                       : m_declined                                        ? FileOutcome::Declined
                       : !stored || m_abort || m_fileStopped || endedEarly ? FileOutcome::Failed
                                                                           : FileOutcome::Done);

  const std::int64_t elapsed = (clock->milliseconds() - started) / 1000;
  std::string report;
  for (const std::string& comment : m_comments) report += comment + "\n";
  m_comments.clear();
  ShowInfo(report + TransferMessage(m_counts.lines, static_cast<int>(elapsed)));
  logLine("Adderade: " + FormatInt(m_counts.added, 3) + " Modifierade: " +
          FormatInt(m_counts.modified, 3) + " Rader: " + FormatInt(m_counts.lines, 3));
  logLine(kSeparator);
  m_summaries.push_back(m_counts);
}

bool Importer::startSection(int sectionNumber, const std::string& line) {
  const auto section = static_cast<Section>(sectionNumber);
  if (!m_db.catalogueAvailable()) {
    SetMessageBuffer(MessageText(330));
    ShowMessage(401, MessageBuffer());
    logLine(MessageText(330));
    return false;
  }
  if (section == Section::Base) {
    if (!commitBatches()) {
      failLine(W("filen kunde inte lagras: ") + IsamErrorText());
      return false;
    }
    m_createdCompetition = 0;
    m_db.closeCompetition();
  } else if (!m_db.competitionOpen()) {
    if (m_db.competitionFailedToOpen()) {
      failLine(W("Tävling ") + FormatInt(m_db.currentCompetition(), 2) + W(" kan inte öppnas: ") +
               m_db.openFailureText() + W("; filen hoppas över"));
    } else {
      failLine(W("ingen tävling öppen, filen hoppas över"));
    }
    return false;
  }
  m_record.clear();
  switch (section) {
    case Section::Classes:
      m_db.resetClassBuffer();
      break;
    case Section::Teams:
      m_lastTeamAdded = false;
      break;
    case Section::Scheduled:
      m_db.comp().setScheduled(true);
      break;
    case Section::Contact:
      if (m_lastTeamAdded) contactLine(line);
      m_section = static_cast<int>(Section::Teams);
      return true;
    case Section::PlayTimes:
      m_playTimeRead = false;
      break;
    case Section::Matches: {
      const bool goOn = matchLine(line);
      m_section = static_cast<int>(Section::PlayTimes);
      return goOn;
    }
    default:
      break;
  }
  m_section = sectionNumber;
  return true;
}

void Importer::dataLine(const std::string& line) {
  m_record.push_back(line);
  if (m_section < 0) {
    m_record.clear();
    return;
  }
  const auto section = static_cast<Section>(m_section);
  const int needed = std::max(1, SectionRecordLines(section));
  if (static_cast<int>(m_record.size()) < needed) return;
  switch (section) {
    case Section::Base:
      baseRecord();
      break;
    case Section::Classes:
      classRecord(m_record[0]);
      break;
    case Section::Teams:
      teamRecord(m_record[0]);
      break;
    case Section::PlayTimes:
      playTimeRecord(m_record[0]);
      break;
    default:
      break;  // reserved sections: read and dropped
  }
  m_record.clear();
}

void Importer::baseRecord() {
  if (m_db.catalogueUsedRecs() >= kMaxCompetitions) {
    ShowMessage(201, W("Max antal tävlingar uppnått kan ej addera!"));
    logLine(W("Max antal tävlingar uppnått kan ej addera!"));
    m_abort = true;
    return;
  }
  CompetitionRec c = CompetitionRec::makeNew(m_db.catalogueFileLen());
  const auto& r = m_record;
  c.setOrganiser(Field(r[0], 1));
  c.setSportType(Field(r[0], 2));
  c.setCompetitionName(Field(r[1], 1));
  if (auto rounds = limitedNumber(Field(r[1], 2), 1, 4)) c.setDefaultRounds(*rounds);
  c.setPayee(Field(r[2], 1));
  c.setPostgiroNumber(Field(r[2], 2));
  c.setBankgiroNumber(Field(r[2], 3));
  if (auto fee = wholeFee(Field(r[2], 4))) c.setFee(*fee);
  if (auto giro = GiroTypeOf(Field(r[2], 5))) c.setGiroType(*giro);
  c.setAmountFilled(TrimRight(UpCase(Field(r[2], 6))).find('X') != std::string::npos);
  for (int block = 0; block < 4; ++block) {
    for (int k = 0; k < 4; ++k) c.setContact(block, k, Field(r[3 + block], k + 1));
  }
  m_db.setCurrentCompetition(0);
  m_db.comp() = c;
  // The record is stored with the file's contents, in one unit (createCompetition).
  if (!m_db.createCompetition(true)) {
    logLine(W("Tävlingen kunde inte skapas: ") + IsamErrorText());
    m_abort = true;
    return;
  }
  ++m_counts.added;
  logLine(W("Tävling: ") + c.competitionName() + " Nr:" + FormatInt(m_db.currentCompetition(), 3));
  m_createdCompetition = m_db.currentCompetition();
  beginBatches();
}

bool Importer::newClass(const std::string& name) {
  if (m_db.classesInUse() >= kMaxClassRecords) {
    const std::string msg = W("Max antal klasser uppnått kan ej addera!");
    ShowMessage(201, msg);
    logLine(msg);
    m_abort = true;
    return false;
  }
  m_db.resetClassBuffer();
  m_db.setClassRecNo(0);
  m_db.cls().setClassName(name);
  return true;
}

void Importer::classRecord(const std::string& line) {
  const std::string name = className(Field(line, 1));
  std::string key = name;
  std::int32_t recNo = 0;
  recNo = m_db.findClassKey(key);
  const bool found = recNo != 0 && m_db.readClass(recNo);
  if (!found && !newClass(name)) return;
  DivisionRec& d = m_db.cls();
  if (auto v = limitedNumber(Field(line, 2), 1, 4)) d.setRounds(*v);
  if (auto v = limitedNumber(Field(line, 3), 0, 99)) d.setWinPoints(*v);
  if (auto v = limitedNumber(Field(line, 4), 0, 99)) d.setDrawPoints(*v);
  if (auto v = limitedNumber(Field(line, 5), 1, DivisionRec::kMaxFirstTeamNumber))
    d.setFirstTeamNumber(*v);
  bool ok;
  if (found) {
    ok = m_db.rewriteClass(recNo);
    ++m_counts.modified;
  } else {
    ok = m_db.storeClass(true);
    recNo = m_db.classRecNo();
    ++m_counts.added;
  }
  if (!ok) {
    reject("felaktig " + line + " " + IsamErrorText());
    return;
  }
  logLine("Klass^: " + d.className() + " Record:" + FormatInt(recNo, 4));
}

namespace {

// Gives `team` its number: the line's own (`badNumber` when it is not one of 0..9999,
// `numberTaken` when another team has it), or, for a team that is not left out, the first
// free of the 11 numbers from the file's length on (`numberTaken` when none is free).
void AssignTeamNumber(const Database& db, const std::string& numberField, bool leftOut,
                      int firstTeamNumber, TeamRec& team, bool& numberTaken, bool& badNumber) {
  auto keyFree = [&](int number) { return db.findTeamKey(ZeroPad(number, 4)) == 0; };
  if (!TrimRight(numberField).empty()) {
    const auto n = ParseWholeNumber(numberField);
    if (!n || *n < 0 || *n > 9999) {
      badNumber = true;
    } else {
      team.setNumberAndKey(static_cast<int>(*n));
      numberTaken = !keyFree(static_cast<int>(*n));
    }
  } else if (!leftOut) {
    bool placed = false;
    for (int i = 0; i < 11 && !placed; ++i) {
      const int candidate = db.teamFileLength() + firstTeamNumber - 1 + i;
      if (candidate > 9999) break;
      if (keyFree(candidate)) {
        team.setNumberAndKey(candidate);
        placed = true;
      }
    }
    if (!placed) numberTaken = true;
  }
}

}  // namespace

// The class of a team line: found, or created after the question (a new class is counted
// missing); `leftOut` when the person declined to create it. False when the line ends here
// (the class file is full, or the new class could not be stored).
bool Importer::teamClass(const std::string& line, const std::string& clsName,
                         std::int32_t& classRecNo, bool& classMissing, bool& leftOut) {
  classRecNo = m_db.findClassKey(clsName);
  if (classRecNo == 0 || !m_db.readClass(classRecNo)) {
    classMissing = true;
    SetMessageBuffer(W("Klassen ej definierad...") + clsName + W(" Addera person."));
    if (Ask(101)) {
      if (!newClass(clsName)) return false;
      if (!m_db.storeClass(true)) {
        reject("felaktig " + line + " " + IsamErrorText());
        return false;
      }
      classRecNo = m_db.classRecNo();
    } else {
      leftOut = true;
    }
  }
  return true;
}

void Importer::teamRecord(const std::string& line) {
  m_lastTeamAdded = false;
  if (m_db.teamsInUse() >= kMaxTeamRecords) {
    const std::string msg =
        W("Max antal [") + FormatInt(kTeamSlots, 4) + W("] namn uppnått kan ej addera!");
    ShowMessage(201, msg);
    logLine(msg);
    m_abort = true;
    return;
  }
  const std::string teamName = UpCase(Field(line, 2));
  const std::string clsName = className(Field(line, 3));

  bool classMissing = false;
  bool leftOut = false;
  std::int32_t classRecNo = 0;
  if (!teamClass(line, clsName, classRecNo, classMissing, leftOut)) return;
  const int firstTeamNumber = leftOut ? 1 : m_db.cls().firstTeamNumber();

  // The team number.
  TeamRec team = TeamRec::makeNew(m_db.teamFileLength(), firstTeamNumber);
  team.setTeamName(teamName);
  team.setDivisionRecNo(classRecNo);
  bool numberTaken = false;
  bool badNumber = false;
  AssignTeamNumber(m_db, Field(line, 1), leftOut, firstTeamNumber, team, numberTaken, badNumber);
  leftOut = leftOut || numberTaken || badNumber;

  auto numberOrZero = [](const std::string& f) {
    const auto v = ParseWholeNumber(f);
    return v ? static_cast<int>(std::clamp<long>(*v, -32768, 32767)) : 0;
  };
  team.setRanking(numberOrZero(Field(line, 4)));
  team.setOpeningPoints(numberOrZero(Field(line, 5)));
  team.setOpeningGoalsAgainst(numberOrZero(Field(line, 6)));
  team.setOpeningGoalsFor(numberOrZero(Field(line, 7)));

  if (!leftOut) {
    if (team.openingGoalsAgainst() + team.openingGoalsFor() + team.openingPoints() != 0) {
      ComputeTeamStatistics(team, m_db.cls());
    }
    m_db.team() = team;
    m_db.setTeamRecNo(0);
    if (m_db.storeTeam(true)) {
      ++m_counts.added;
      m_lastTeamAdded = true;
      m_lastTeamRecNo = m_db.teamRecNo();
    } else {
      reject("felaktig " + line + " " + IsamErrorText());
      return;
    }
  }
  if (classMissing || numberTaken || badNumber) {
    std::string log = std::string(8, ' ') + (leftOut ? ".passed " : ".added  ") + "Felaktig";
    if (classMissing) log += " Klass^";
    if (numberTaken) log += " startnummer finns";
    if (badNumber) log += " startnummer";
    log += ": " + clsName + " dNr:" + FormatInt(team.teamNumber(), 4) + "  " + teamName + "  " +
           FormatInt(team.ranking(), 3);
    if (leftOut) {
      reject(std::move(log));
    } else {
      logLine(std::move(log));
    }
  }
}

void Importer::contactLine(const std::string& line) {
  // The row number follows "*#"; a line that only holds "*#" further on has none.
  std::string rowField = Field(line, 1);
  if (rowField.rfind("*#", 0) == 0) {
    rowField.erase(0, 2);
  } else {
    rowField.clear();
  }
  const auto r = ParseWholeNumber(rowField);
  if (!r) {
    reject("felaktig adderad  \"" + line + "\"");
    return;
  }
  if (!m_db.readTeam(m_lastTeamRecNo)) return;
  TeamRec& team = m_db.team();
  int row = -1;
  if (*r == 0) {
    row = 0;
  } else {
    if (*r >= 1 && *r <= 22 && team.contactRow(static_cast<int>(*r)).name().empty()) {
      row = static_cast<int>(*r);
    } else {
      for (int i = 1; i <= 22 && row < 0; ++i) {
        if (team.contactRow(i).name().empty()) row = i;
      }
    }
  }
  if (row < 0) {
    reject(W("för många i lag  \"") + line + "\"");
    return;
  }
  ContactRow c = team.contactRow(row);
  // The row keeps the number of its place in the team, so that row numbers stay unique.
  c.setRowNumber(row);
  c.setName(UpCase(Field(line, 2)).substr(0, 22));
  c.setStreet(Field(line, 3).substr(0, 22));
  c.setTown(Field(line, 4).substr(0, 22));
  c.setAddress4(Field(line, 5).substr(0, 22));
  team.setContactRow(row, c);
  if (!m_db.rewriteTeam(m_lastTeamRecNo)) reject("felaktig " + line + " " + IsamErrorText());
}

void Importer::playTimeRecord(const std::string& line) {
  std::string text = Field(line, 1).substr(0, 30);
  if (text.empty()) text = "XXX";
  // The record keeps 16 characters; looking it up by those finds the play time a file
  // created before, also when the line's text was longer.
  const std::string stored = text.substr(0, 16);
  const std::int32_t recNo = m_db.findPlayTimeKey(stored);
  const bool found = recNo != 0 && m_db.readPlayTime(recNo);
  if (found) {
    // Only the key goes: the record is stored again under the text of this line.
    m_db.removePlayTime({}, recNo, false);
    ++m_counts.modified;
  } else {
    const std::string date = m_db.newPlayTimeDate();
    m_db.playTime() = PlayTimeRec::makeNew(m_db.playTimeFileLength(), date);
    m_db.setPlayTimeRecNo(0);
    ++m_counts.added;
  }
  PlayTimeRec& p = m_db.playTime();
  p.setPlayTime(stored);
  const std::string leader = Field(line, 2);
  if (!leader.empty()) p.setGameLeader(leader.substr(0, 56));
  if (m_oldScheduleCleared) clearMatchRows(p);
  if (!m_db.storePlayTime(!found)) {
    reject("felaktig " + line + " " + IsamErrorText());
    m_playTimeRead = false;
    return;
  }
  m_lastPlayTimeRecNo = m_db.playTimeRecNo();
  m_playTimeRead = true;
  logLine(p.playTime() + "," + p.gameLeader());
}

bool Importer::clearOldSchedule() {
  ShowMessage(1, W("nollställer"));
  CompetitionRec& comp = m_db.comp();
  comp.setLastMatchNumber(0);
  const std::int32_t gameLen = m_db.playTimeFileLength();
  for (std::int32_t n = 1; n < gameLen; ++n) {
    if (!m_db.readPlayTime(n)) continue;
    clearMatchRows(m_db.playTime());
    if (!m_db.rewritePlayTime(n)) return false;
    if (n % 10 == 0) ProgressLine(2, FormatInt(n, 5));
  }
  // Every team loses its matches; its statistics are recomputed from what is left (the
  // opening values), so no standings keep counting the destroyed results.
  const std::int32_t teamLen = m_db.teamFileLength();
  for (std::int32_t n = 1; n < teamLen; ++n) {
    if (!m_db.readTeam(n)) continue;
    TeamRec& t = m_db.team();
    for (int m = 0; m <= TeamRec::kMaxMatches; ++m) {
      TeamMatchEntry e;
      e.setOwnScore(kNoResult);
      e.setOpponentScore(kNoResult);
      t.setMatch(m, e);
    }
    const TeamRec copy = t;
    if (m_db.readClass(copy.divisionRecNo())) {
      m_db.team() = copy;
      ComputeTeamStatistics(m_db.team(), m_db.cls());
    } else {
      m_db.team() = copy;
    }
    if (!m_db.rewriteTeam(n)) return false;
  }
  // With no results left every match of every class is open again.
  const std::int32_t classLen = m_db.classFileLength();
  int totalOpen = 0;
  for (std::int32_t n = 1; n < classLen; ++n) {
    if (!m_db.readClass(n)) continue;
    m_db.cls().setOpenMatches(m_db.cls().matchCount());
    totalOpen += m_db.cls().matchCount();
    if (!m_db.rewriteClass(n)) return false;
  }
  comp.setTotalOpenMatches(totalOpen);
  m_oldScheduleCleared = true;
  return m_db.readPlayTime(m_lastPlayTimeRecNo);
}

bool Importer::matchLine(const std::string& line) {
  if (!m_playTimeRead) return true;
  if (m_askBeforeReplace) {
    m_askBeforeReplace = false;
    if (m_db.comp().scheduled() && !m_oldScheduleCleared) {
      SetMessageBuffer(W("Filen innehåller spelfördelning. Den gamla lottningen förstörs. OK?"));
      if (!Ask(101)) {
        m_fileStopped = true;
        m_declined = true;
        m_failed = true;
        return false;
      }
      if (!clearOldSchedule()) {
        logLine(W("nollställning misslyckades: ") + IsamErrorText());
        m_fileStopped = true;
        m_failed = true;
        return false;
      }
    }
  }
  if (m_db.comp().lastMatchNumber() >= kMaxMatchNumber) {
    const std::string msg =
        W("Max antal [") + std::to_string(kPlayTimeSlots) + W("] matcher uppnått kan ej addera!");
    ShowMessage(201, msg);
    logLine(msg);
    m_abort = true;
    return false;
  }
  for (const std::string& item : MatchItems(line)) {
    if (m_abort) return false;
    if (!matchItem(item)) break;
  }
  return !m_abort;
}

// Everything a match item writes, found and checked before anything is written: a team
// entry that cannot be placed, a missing record or a full play time is found here, so an
// item is either stored whole (both teams and the play time) or not at all.
struct Importer::MatchPlan {
  MatchItem item;
  std::int32_t homeNo = 0, awayNo = 0;
  PlayTimeRec play;
  TeamRec home, away;
  int used = 0;  // rows of the play time in use
  int row = 0;   // the play time's row of this match; 0 for a new one
  bool reused = false;
  int matchNumber = 0;
  int homeEntry = 0, awayEntry = 0;  // the entries of the teams' match lists
};

namespace {

// The entry of a team's match list that an item writes; 0 (and `error`) when it cannot be
// placed: the match is new and the teams already met `rounds` times, or the list is full.
int TeamEntryFor(const TeamRec& t, std::int32_t opponent, bool reused, int matchNumber, int rounds,
                 std::string_view& error) {
  if (reused) {
    if (const int m = model::FindTeamEntry(t, matchNumber); m != 0) return m;
  }
  if (!reused && model::Meetings(t, opponent) >= rounds) {
    error = "Alla borta- och hemmamatcher förekommer redan!";
    return 0;
  }
  const int entry = model::FreeTeamEntry(t);
  if (entry == 0) error = "Får ej plats med fler matcher!";
  return entry;
}

}  // namespace

bool Importer::matchItem(const std::string& item) {
  MatchPlan plan;
  switch (checkMatch(item, plan)) {
    case MatchCheck::Stop:
      return false;
    case MatchCheck::Skip:
      return true;
    case MatchCheck::Ready:
      break;
  }
  return writeMatch(item, plan);
}

void Importer::matchFault(const std::string& item, std::string_view messageUtf8) {
  reject("felaktig " + item + " " + W(messageUtf8));
}

Importer::MatchCheck Importer::checkMatch(const std::string& item, MatchPlan& plan) {
  plan.item = ParseMatchItem(item);
  const MatchItem& m = plan.item;
  if (!m.teamError.empty()) {
    reject("felaktig " + item + " " + m.teamError);
    return MatchCheck::Stop;
  }
  if (!m.resultError.empty()) reject("felaktig " + item + " " + m.resultError);
  // A score the records cannot hold is refused, never cut to fit: 9999 and more mean
  // "not played".
  if (m.hasResult && (m.homeScore > kMaxScore || m.awayScore > kMaxScore))
    return skipMatch(item, "Resultatet ska vara 0..9998!");

  const CompetitionRec& comp = m_db.comp();
  if (comp.lastMatchNumber() >= kMaxMatchNumber) {
    const std::string msg =
        W("Max antal [") + std::to_string(kPlayTimeSlots) + W("] matcher uppnått kan ej addera!");
    ShowMessage(201, msg);
    logLine(msg);
    m_abort = true;
    return MatchCheck::Stop;
  }
  auto findTeam = [&](long number) -> std::int32_t {
    if (number < 0 || number > 9999) return 0;
    return m_db.findTeamKey(ZeroPad(number, 4));
  };
  plan.homeNo = findTeam(m.home);
  plan.awayNo = findTeam(m.away);
  if (plan.homeNo == 0 || plan.awayNo == 0) return skipMatch(item, "Hittar ej lag enligt nummer!");
  if (plan.homeNo == plan.awayNo) return skipMatch(item, "Lag inte spela mot sig själv!");
  if (!m_db.readPlayTime(m_lastPlayTimeRecNo)) return skipMatch(item, "Speltiden kan inte läsas!");
  plan.play = m_db.playTime();
  plan.used = std::clamp(plan.play.usedRows(), 0, PlayTimeRec::kMaxRows);
  for (const model::MatchValue& v : model::ListedMatches(plan.play, m_lastPlayTimeRecNo)) {
    if (v.home != plan.homeNo || v.away != plan.awayNo) continue;
    plan.row = v.slot;
    plan.matchNumber = v.number;
    break;
  }
  plan.reused = plan.row != 0;
  if (!plan.reused && plan.used >= PlayTimeRec::kMaxRows)
    return skipMatch(item, "Speltiden har redan 16 matcher!");
  return checkMatchTeams(item, plan);
}

// The teams' part of the checks: both records, one class, and a free entry in each list.
Importer::MatchCheck Importer::checkMatchTeams(const std::string& item, MatchPlan& plan) {
  if (!m_db.readTeam(plan.homeNo)) return skipMatch(item, "Hittar ej lag enligt nummer!");
  plan.home = m_db.team();
  if (!m_db.readTeam(plan.awayNo)) return skipMatch(item, "Hittar ej lag enligt nummer!");
  plan.away = m_db.team();
  if (plan.home.divisionRecNo() != plan.away.divisionRecNo())
    return skipMatch(item, "Olika klasser!");
  if (!m_db.readClass(plan.home.divisionRecNo())) return skipMatch(item, "Olika klasser!");
  const int rounds = m_db.cls().rounds();
  if (!plan.reused) plan.matchNumber = m_db.comp().lastMatchNumber() + 1;

  std::string_view error;
  plan.homeEntry =
      TeamEntryFor(plan.home, plan.awayNo, plan.reused, plan.matchNumber, rounds, error);
  if (plan.homeEntry == 0) return skipMatch(item, error);
  plan.awayEntry =
      TeamEntryFor(plan.away, plan.homeNo, plan.reused, plan.matchNumber, rounds, error);
  if (plan.awayEntry == 0) return skipMatch(item, error);
  return MatchCheck::Ready;
}

Importer::MatchCheck Importer::skipMatch(const std::string& item, std::string_view messageUtf8) {
  matchFault(item, messageUtf8);
  return MatchCheck::Skip;
}

// Writes one team's side of a checked match into its list and rewrites the team.
bool Importer::writeTeamEntry(const MatchPlan& plan, TeamRec t, std::int32_t recNo, int entry,
                              std::int32_t opponent, int own, int other) {
  TeamMatchEntry e = t.match(entry);
  if (!plan.reused || e.matchNumber() != plan.matchNumber) {
    e = TeamMatchEntry();
    e.setOwnScore(kNoResult);
    e.setOpponentScore(kNoResult);
  }
  e.setMatchNumber(plan.matchNumber);
  e.setOpponentRecNo(opponent);
  e.setPlayTimeRecNo(m_lastPlayTimeRecNo);
  if (plan.item.hasResult) {
    e.setOwnScore(own);
    e.setOpponentScore(other);
  }
  t.setMatch(entry, e);
  if (entry > t.teamMatchCount()) t.setTeamMatchCount(entry);
  ComputeTeamStatistics(t, m_db.cls());
  m_db.team() = t;
  return m_db.rewriteTeam(recNo);
}

// All checks passed: writes both teams and the play time. A failure here is a storage
// failure; it stops the import and the batches roll the file's work back.
bool Importer::writeMatch(const std::string& item, MatchPlan& plan) {
  const MatchItem& m = plan.item;
  CompetitionRec& comp = m_db.comp();
  PlayTimeRec& play = plan.play;
  MatchEntry slot = plan.reused ? play.match(plan.row) : MatchEntry();
  const bool hadResult =
      plan.reused && ScorePresent(slot.homeScore()) && ScorePresent(slot.awayScore());
  if (!plan.reused) {
    plan.row = plan.used + 1;
    slot.setMatchNumber(plan.matchNumber);
    slot.setHomeScore(kNoResult);
    slot.setAwayScore(kNoResult);
    comp.setLastMatchNumber(plan.matchNumber);
    play.setUsedRows(plan.row);
  }
  slot.setHomeTeamRecNo(plan.homeNo);
  slot.setAwayTeamRecNo(plan.awayNo);
  if (m.hasResult) {
    slot.setHomeScore(static_cast<int>(m.homeScore));
    slot.setAwayScore(static_cast<int>(m.awayScore));
  }
  if (!writeTeamEntry(plan, plan.home, plan.homeNo, plan.homeEntry, plan.awayNo, slot.homeScore(),
                      slot.awayScore()) ||
      !writeTeamEntry(plan, plan.away, plan.awayNo, plan.awayEntry, -plan.homeNo, slot.awayScore(),
                      slot.homeScore())) {
    matchFault(item, "Lagfilen kan inte skrivas!");
    m_abort = true;
    return false;
  }
  play.setMatch(plan.row, slot);
  m_db.playTime() = play;
  if (!m_db.rewritePlayTime(m_lastPlayTimeRecNo)) {
    matchFault(item, "Speltiden kan inte skrivas!");
    m_abort = true;
    return false;
  }
  if (plan.reused) {
    ++m_counts.modified;
  } else {
    ++m_counts.added;
  }
  if (m.hasResult && !hadResult) {
    ResultEntered(m_db.cls(), comp);
    m_db.rewriteClass(m_db.classRecNo());
  }
  return true;
}

void RunImport(Database& db, std::string& lastExchangePath, const std::string& logDir) {
  namespace fs = std::filesystem;
  std::vector<std::string> files;
  const std::string start = fs::path(lastExchangePath).parent_path().string();
  while (auto chosen = Ui().pickOpenFile(W("välj filer"), start,
                                         "*.txt *.exp *.ixp *.imp *.vpx *.txx *.exx *.lg *.lot")) {
    files.push_back(*chosen);
  }
  if (files.empty()) return;
  lastExchangePath = files.back();
  Importer importer(db, logDir);
  importer.importFiles(files);
}

}  // namespace liga::exchange
