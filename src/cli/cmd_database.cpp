// The competition database from the command line: init, list, select, delete, backup,
// rebuild, classes, teams, standings, info.
//
// Every command starts the program as the desktop program does (configuration, data
// directory, storage, catalogue, last competition), does its work through the same
// database operations, and shuts down, which saves the configuration: `select N` is
// remembered for the next command, and `--data DIR` becomes the saved data directory.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "app/shell.h"
#include "cli/command.h"
#include "cli/session.h"
#include "common/encoding.h"
#include "common/messages.h"
#include "common/text.h"
#include "reports/team_selection.h"

namespace liga::cli {
namespace {

// Forwards everything to the command's port but answers the folder picker with a folder
// given on the command line.
class FolderAnswer final : public UiPort {
 public:
  FolderAnswer(UiPort& inner, std::string folder) : m_inner(inner), m_folder(std::move(folder)) {}
  Answer showMessage(MessageKind kind, const std::string& caption,
                     const std::string& text) override {
    return m_inner.showMessage(kind, caption, text);
  }
  void setStatus(const std::string& text) override { m_inner.setStatus(text); }
  void progressOpened(int depth, const std::string& title, int lines, bool cancellable) override {
    m_inner.progressOpened(depth, title, lines, cancellable);
  }
  void progressRow(int depth, int row, const std::string& text) override {
    m_inner.progressRow(depth, row, text);
  }
  void progressClosed(int depth) override { m_inner.progressClosed(depth); }
  void processPendingInput() override { m_inner.processPendingInput(); }
  std::optional<std::string> pickOpenFile(const std::string& t, const std::string& s,
                                          const std::string& f) override {
    return m_inner.pickOpenFile(t, s, f);
  }
  std::optional<std::string> pickSaveFile(const std::string& t, const std::string& s,
                                          const std::string& f) override {
    return m_inner.pickSaveFile(t, s, f);
  }
  std::optional<std::string> pickFolder(const std::string&, const std::string&) override {
    return m_folder;
  }
  void beep(int hertz, int ms) override { m_inner.beep(hertz, ms); }
  void showText(const std::string& title, const std::vector<std::string>& lines) override {
    m_inner.showText(title, lines);
  }

 private:
  UiPort& m_inner;
  std::string m_folder;
};

std::string utf8(const std::string& cp1252) {
  return Cp1252ToUtf8(cp1252);
}

bool parseNumber(const std::string& text, int& value) {
  char* end = nullptr;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || *end != '\0' || n < 0 || n > 1000000) return false;
  value = static_cast<int>(n);
  return true;
}

int needCompetition(Context& ctx, Database& db) {
  if (!db.catalogueAvailable()) return refuse(ctx, "Databas ej vald/ datafiler saknas!");
  return refuse(ctx, Utf8ToCp1252("<tävling ej vald/inmatad>"));
}

// "--class NAME" among the arguments: the class's record number, 0 without the option,
// -1 for an unknown class (reported), -2 for bad usage.
int classFilter(Context& ctx, Database& db) {
  if (ctx.args.empty()) return 0;
  if (ctx.args.size() != 2 || ctx.args[0] != "--class") return -2;
  std::string key = UpCase(Utf8ToCp1252(ctx.args[1]));
  std::int32_t recNo = 0;
  if (!db.browseClass(BrowseMode::Find, key, recNo).found) {
    ctx.err << "klassen finns inte: " << ctx.args[1] << "\n";
    return -1;
  }
  return recNo;
}

// ---- commands ----

int runInit(Context& ctx) {
  if (!ctx.args.empty()) return usageError(ctx, *findCommand("init"));
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.createNewCatalogue()) {
      if (IsamOK) return kExitRefused;  // the question was answered No
      return refuse(ctx, MessageText(IsamError));
    }
    shell.config().main().setCurrentCompetition(0);
    ctx.out << utf8(Utf8ToCp1252("ny katalog: ")) << db.dataDir() << "\n";
    return kExitOk;
  });
}

int runList(Context& ctx) {
  if (!ctx.args.empty()) return usageError(ctx, *findCommand("list"));
  return withShell(
      ctx,
      [&](Shell& shell) {
        const auto items = shell.db().refreshCompetitionMenus();
        for (int k = 0; k < kMaxCompetitions; ++k) {
          const auto& item = items[k];
          ctx.out << FormatInt(k + 1, 2) << (item.checked ? " * " : "   ") << utf8(item.caption)
                  << (item.enabled ? "" : " (-)") << "\n";
        }
        if (!shell.db().catalogueAvailable())
          return refuse(ctx, "Datafiler saknas/ ej i aktuellt bibliotek");
        return kExitOk;
      },
      DataDirAccess::Read);
}

int runSelect(Context& ctx) {
  int n = 0;
  if (ctx.args.size() != 1 || !parseNumber(ctx.args[0], n) || n < 1 || n > kMaxCompetitions)
    return usageError(ctx, *findCommand("select"));
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        if (!db.catalogueAvailable()) return needCompetition(ctx, db);
        const auto items = db.refreshCompetitionMenus();
        if (!items[n - 1].enabled) return refuse(ctx, items[n - 1].caption);
        if (!db.selectCompetition(n, false)) return refuse(ctx, MessageText(IsamError));
        ctx.out << FormatInt(n, 2) << " " << utf8(db.comp().competitionName()) << "\n";
        return kExitOk;
      },
      DataDirAccess::Read);
}

int runDelete(Context& ctx) {
  int n = 0;
  if (ctx.args.size() != 1 || !parseNumber(ctx.args[0], n) || n < 1 || n > kMaxCompetitions)
    return usageError(ctx, *findCommand("delete"));
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.catalogueAvailable()) return needCompetition(ctx, db);
    const auto items = db.refreshCompetitionMenus();
    if (!items[n - 1].enabled) return refuse(ctx, items[n - 1].caption);
    if (!db.deleteCompetition(n)) return kExitRefused;
    ctx.out << utf8(StatusMessage()) << "\n";
    return kExitOk;
  });
}

int runBackup(Context& ctx) {
  if (ctx.args.size() != 1 || ctx.args[0].empty()) return usageError(ctx, *findCommand("backup"));
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return needCompetition(ctx, db);
    std::error_code ec;
    std::filesystem::create_directories(ctx.args[0], ec);
    FolderAnswer port(ctx.ui, ctx.args[0]);
    ScopedUi scoped(port);
    if (db.backupCompetition()) return kExitOk;
    // The result box is a warning, which --quiet silences; a refusal still says why.
    if (ctx.options.quiet) return refuse(ctx, "Fel vid kopiering!!" + MessageText(IsamError));
    return kExitRefused;
  });
}

int runRebuild(Context& ctx) {
  if (!ctx.args.empty()) return usageError(ctx, *findCommand("rebuild"));
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return needCompetition(ctx, db);
    if (!db.rebuildCompetition()) return refuse(ctx, StatusMessage());
    ctx.out << utf8(Utf8ToCp1252("indexbygg klar: ")) << utf8(db.comp().competitionName()) << "\n";
    return kExitOk;
  });
}

int runClasses(Context& ctx) {
  if (!ctx.args.empty()) return usageError(ctx, *findCommand("classes"));
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        if (!db.competitionOpen()) return needCompetition(ctx, db);
        ctx.out << PadRight("klass", 22) << "  lag omg matcher  kvar\n";
        std::string key;
        std::int32_t recNo = 0;
        db.browseClass(BrowseMode::Clear, key, recNo);
        for (;;) {
          const BrowseResult r = db.browseClass(BrowseMode::Next, key, recNo);
          if (r.atEnd) break;
          if (!r.found) continue;
          const DivisionRec& c = db.cls();
          ctx.out << utf8(PadRight(c.className(), 22)) << FormatInt(c.teamCount(), 5)
                  << FormatInt(c.rounds(), 4) << FormatInt(c.matchCount(), 8)
                  << FormatInt(c.openMatches(), 6) << "\n";
        }
        return kExitOk;
      },
      DataDirAccess::Read);
}

std::string className(Database& db, std::int32_t classRecNo) {
  DivisionRec saved = db.cls();
  const std::int32_t savedNo = db.classRecNo();
  std::string name = db.readClass(classRecNo) ? db.cls().className() : std::string();
  db.cls() = saved;
  db.setClassRecNo(savedNo);
  return name;
}

int runTeams(Context& ctx) {
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        if (!db.competitionOpen()) return needCompetition(ctx, db);
        const int filter = classFilter(ctx, db);
        if (filter == -2) return usageError(ctx, *findCommand("teams"));
        if (filter < 0) return kExitRefused;
        TeamSelection selection(db);
        SelectionRequest request;
        request.classFilter = static_cast<std::int16_t>(filter);
        request.kind = kSortClassNumber;
        selection.select(request);
        for (const std::int32_t recNo : selection.selected()) {
          if (!db.readTeam(recNo)) continue;
          const TeamRec& t = db.team();
          ctx.out << FormatInt(t.teamNumber(), 4, '0') << "  "
                  << utf8(PadRight(className(db, t.divisionRecNo()), 14)) << "  "
                  << utf8(TeamDisplayName(t.teamName(), false, db.comp().titleCaseNames())) << "\n";
        }
        return kExitOk;
      },
      DataDirAccess::Read);
}

int runStandings(Context& ctx) {
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return needCompetition(ctx, db);
    const int filter = classFilter(ctx, db);
    if (filter == -2) return usageError(ctx, *findCommand("standings"));
    if (filter < 0) return kExitRefused;
    TeamSelection selection(db);
    SelectionRequest request;
    request.classFilter = static_cast<std::int16_t>(filter);
    request.kind = kSortStandings;
    selection.select(request);
    std::int32_t lastClass = -1;
    for (const std::int32_t recNo : selection.selected()) {
      if (!db.readTeam(recNo)) continue;
      const TeamRec& t = db.team();
      if (t.divisionRecNo() != lastClass) {
        lastClass = t.divisionRecNo();
        ctx.out << utf8(className(db, lastClass)) << "\n";
      }
      const bool ranked = t.tablePoints() < kUnranked;
      ctx.out << FormatInt(t.place(), 4) << "  "
              << utf8(
                     PadRight(TeamDisplayName(t.teamName(), false, db.comp().titleCaseNames()), 30))
              << FormatInt(t.played(), 4) << FormatInt(t.wonCount(), 4)
              << FormatInt(t.drawnCount(), 4) << FormatInt(t.lostCount(), 4)
              << FormatInt(t.goalsFor(), 5) << "-" << PadRight(std::to_string(t.goalsAgainst()), 4)
              << FormatInt(ranked ? t.tablePoints() : 0, 4) << "\n";
    }
    return kExitOk;
  });
}

int runInfo(Context& ctx) {
  if (!ctx.args.empty()) return usageError(ctx, *findCommand("info"));
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        ctx.out << RecordSizeLine() << "\n";
        ctx.out << "datakatalog: " << db.dataDir() << "\n";
        if (!db.competitionOpen()) {
          ctx.out << utf8(db.catalogueAvailable() ? Utf8ToCp1252("<tävling ej vald/inmatad>")
                                                  : "<datafiler saknas>")
                  << "\n";
          return kExitOk;
        }
        const CompetitionRec& c = db.comp();
        ctx.out << utf8(Utf8ToCp1252("tävling ")) << FormatInt(db.currentCompetition(), 2) << ": "
                << utf8(c.competitionName()) << "\n"
                << "klasser: " << UsedRecs(db.classFile()) << "\n"
                << "lag: " << c.totalTeams() << "\n"
                << "matcher: " << c.totalMatches() << "\n"
                << "ospelade matcher: " << c.totalOpenMatches() << "\n"
                << "speltider: " << UsedRecs(db.playTimeFile()) << "\n";
        return kExitOk;
      },
      DataDirAccess::Read);
}

const CommandRegistrar kInit{
    {"init", "", "skapar en ny tom tävlingskatalog (\"skapa nya\")", runInit}};
const CommandRegistrar kList{{"list", "", "visar katalogens tio tävlingsplatser", runList}};
const CommandRegistrar kSelect{{"select", "N", "öppnar tävling N och minns valet", runSelect}};
const CommandRegistrar kDelete{{"delete", "N", "raderar tävling N", runDelete}};
const CommandRegistrar kBackup{
    {"backup", "KATALOG", "säkerhetskopierar den öppna tävlingen", runBackup}};
const CommandRegistrar kRebuild{
    {"rebuild", "", "bygger om den öppna tävlingens filer (\"indexbygg\")", runRebuild}};
const CommandRegistrar kClasses{{"classes", "", "visar klasserna", runClasses}};
const CommandRegistrar kTeams{
    {"teams", "[--class NAMN]", "visar lagen per klass och lagnummer", runTeams}};
const CommandRegistrar kStandings{
    {"standings", "[--class NAMN]", "visar tabellen och skriver placeringarna", runStandings}};
const CommandRegistrar kInfo{{"info", "", "visar postlängder och den öppna tävlingen", runInfo}};

}  // namespace
}  // namespace liga::cli
