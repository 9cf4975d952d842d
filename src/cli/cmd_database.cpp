// The competition database from the command line: init, list, select, delete, backup,
// restore, rebuild, classes, teams, standings, info, datadir.
//
// Every command starts the program as the desktop program does (configuration, data
// directory, storage, catalogue, last competition), does its work through the same
// database operations, and shuts down, which saves the configuration: `select N` is
// remembered for the next command. `--data DIR` is the data directory of one command;
// only `datadir DIR` changes the configured one.
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <optional>
#include <ostream>
#include <string>

#include "app/shell.h"
#include "cli/command.h"
#include "cli/session.h"
#include "common/encoding.h"
#include "common/messages.h"
#include "common/text.h"
#include "database/restore.h"
#include "model/standings.h"
#include "model/team_selection.h"

namespace liga::cli {
namespace {

namespace fs = std::filesystem;

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

// The competition number N of `select` and `delete`: -1 after a usage error (printed).
int competitionNumber(Context& ctx, const Command& command) {
  if (ctx.args.size() != 1)
    return usageError(ctx, command,
                      "ange ett tävlingsnummer N, 1.." + std::to_string(kMaxCompetitions)),
           -1;
  long n = 0;
  if (!parseInteger(ctx.args[0], 1, kMaxCompetitions, n))
    return usageError(ctx, command, rangeProblem("N", ctx.args[0], 1, kMaxCompetitions)), -1;
  return static_cast<int>(n);
}

int needCompetition(Context& ctx, Database& db) {
  if (!db.catalogueAvailable()) return refuse(ctx, MessageText(msg::kNoDatabase));
  return refuseWithoutCompetition(ctx, db);
}

// "--class NAME" among the arguments: the class's record number, 0 without the option,
// -1 for an unknown class (reported), -2 after a usage error (reported).
int classFilter(Context& ctx, Database& db, const Command& command) {
  if (ctx.args.empty()) return 0;
  if (ctx.args[0] != "--class") {
    usageError(ctx, command, "okänt argument \"" + ctx.args[0] + "\"");
    return -2;
  }
  if (ctx.args.size() != 2) {
    usageError(ctx, command, "--class kräver ett klassnamn");
    return -2;
  }
  std::string key = UpCase(Utf8ToCp1252(ctx.args[1]));
  std::int32_t recNo = 0;
  if (!db.browseClass(BrowseMode::Find, key, recNo).found) {
    ctx.err << "fel: klassen finns inte: " << ctx.args[1] << "\n";
    return -1;
  }
  return recNo;
}

// ---- commands ----

int runInit(Context& ctx) {
  if (!ctx.args.empty()) return usageError(ctx, *findCommand("init"), "init tar inga argument");
  if (!ctx.options.dataDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(ctx.options.dataDir, ec);
  }
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.createNewCatalogue()) {
      if (!LastStorageFailed()) {
        ctx.err << "fel: tävlingskatalogen ersattes inte (svaret blev nej; använd --yes)\n";
        return kExitRefused;
      }
      return refuse(ctx, IsamErrorText());
    }
    shell.config().main().setCurrentCompetition(0);
    ctx.out << utf8(W("ny katalog: ")) << db.dataDir() << "\n";
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
          return refuse(ctx, MessageText(msg::kDataFilesMissing));
        return kExitOk;
      },
      DataDirAccess::Read);
}

int runSelect(Context& ctx) {
  const int n = competitionNumber(ctx, *findCommand("select"));
  if (n < 0) return kExitUsage;
  return withShell(
      ctx,
      [&](Shell& shell) {
        if (shell.dataDirForThisRunOnly()) {
          ctx.err
              << "fel: --data gäller bara ett kommando, så valet kan inte sparas; byt datakatalog "
                 "med \"liga datadir "
              << shell.db().dataDir() << "\" först\n";
          return kExitRefused;
        }
        Database& db = shell.db();
        if (!db.catalogueAvailable()) return needCompetition(ctx, db);
        const auto items = db.refreshCompetitionMenus();
        if (!items[n - 1].enabled) return refuse(ctx, items[n - 1].caption);
        if (!db.selectCompetition(n, false)) return refuse(ctx, IsamErrorText());
        if (!shell.saveConfiguration()) return refuse(ctx, shell.configSaveFailureText());
        ctx.out << FormatInt(n, 2) << " " << utf8(db.comp().competitionName()) << "\n";
        return kExitOk;
      },
      DataDirAccess::Read);
}

int runDelete(Context& ctx) {
  const int n = competitionNumber(ctx, *findCommand("delete"));
  if (n < 0) return kExitUsage;
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.catalogueAvailable()) return needCompetition(ctx, db);
    const auto items = db.refreshCompetitionMenus();
    if (!items[n - 1].enabled) return refuse(ctx, items[n - 1].caption);
    if (!db.deleteCompetition(n)) {
      if (LastStorageFailed()) return refuse(ctx, IsamErrorText());
      ctx.err << "fel: tävling " << n << " raderades inte (svaret blev nej; använd --yes)\n";
      return kExitRefused;
    }
    ctx.out << utf8(StatusMessage()) << "\n";
    return kExitOk;
  });
}

int runBackup(Context& ctx) {
  const Command& self = *findCommand("backup");
  if (ctx.args.size() != 1 || ctx.args[0].empty())
    return usageError(ctx, self, "ange katalogen som kopian ska skrivas till");
  const std::string folder = absolutePath(ctx.args[0]);
  return withShellOrReadOnly(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return needCompetition(ctx, db);
    std::error_code ec;
    const fs::file_status st = fs::status(folder, ec);
    const bool existed = fs::exists(st);
    if (existed && !fs::is_directory(st)) {
      ctx.err << "fel: säkerhetskopian ska till en katalog, men detta är en fil: " << folder
              << "\n";
      return kExitRefused;
    }
    if (existed && fs::equivalent(folder, db.dataDir(), ec)) {
      ctx.err << "fel: säkerhetskopian kan inte skrivas till datakatalogen själv: " << folder
              << "\n";
      return kExitRefused;
    }
    // The files the copy will write; a backup never overwrites, so any of them already in
    // the folder refuses the backup before anything is copied or recorded.
    const std::string num = ZeroPad(db.currentCompetition(), 2);
    std::vector<std::string> targets;
    for (const std::string& name :
         {std::string("cupfiles"), "klass" + num, "lg" + num, "game" + num}) {
      for (const char* ext : {".IX", ".DIA", ".DAT"}) {
        const std::string source = FindFileNoCase(db.dataDir(), name + ext);
        if (!source.empty())
          targets.push_back((fs::path(folder) / fs::path(source).filename()).string());
      }
    }
    for (const std::string& target : targets) {
      if (fs::exists(fs::symlink_status(target, ec))) {
        ctx.err << "fel: katalogen finns redan och har en säkerhetskopia ("
                << fs::path(target).filename().string() << "): " << folder << "\n";
        return kExitRefused;
      }
    }
    if (!existed && !fs::create_directories(folder, ec)) {
      ctx.err << "fel: katalogen kan inte skapas (" << errorReason(ec.value()) << "): " << folder
              << "\n";
      return kExitRefused;
    }
    const std::string previousBackupDir = db.comp().backupDir();
    bool ok;
    {
      FolderAnswer port(ctx.ui, folder);
      ScopedUi scoped(port);
      ok = db.backupCompetition();
    }
    if (ok) {
      for (const std::string& target : targets) ctx.out << target << "\n";
      return kExitOk;
    }
    const std::string reason = IsamErrorText();
    // A failed backup leaves nothing behind: not the files it copied (none of them was
    // there before), not the folder it created, not the folder in the catalogue.
    for (const std::string& target : targets) fs::remove(target, ec);
    if (!existed) fs::remove(folder, ec);
    if (db.competitionOpen()) {
      db.comp().setBackupDir(previousBackupDir);
      db.storeCompetition(false);
    }
    ctx.err << "fel: säkerhetskopian kunde inte skrivas till " << folder << ": "
            << utf8(MessageText(msg::kCopyFailed) + reason) << "\n";
    return kExitRefused;
  });
}

int runRestore(Context& ctx) {
  if (ctx.args.size() != 1 || ctx.args[0].empty())
    return usageError(ctx, *findCommand("restore"), "ange katalogen med säkerhetskopian");
  const std::string folder = absolutePath(ctx.args[0]);
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    // The refusal was shown as an error box, which the terminal prints.
    const RestoreResult r = RestoreCompetition(db, folder);
    if (!r.ok) return kExitRefused;
    shell.config().main().setCurrentCompetition(db.currentCompetition());
    ctx.out << FormatInt(r.number, 2) << " " << utf8(db.comp().competitionName()) << "\n";
    return kExitOk;
  });
}

int runRebuild(Context& ctx) {
  if (!ctx.args.empty()) return usageError(ctx, *findCommand("rebuild"));
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    // A competition whose files did not open is still current and is what rebuild repairs.
    if (!db.competitionOpen() && !db.competitionFailedToOpen()) return needCompetition(ctx, db);
    if (!db.rebuildCompetition()) return refuse(ctx, StatusMessage());
    ctx.out << utf8(W("indexbygg klar: ")) << utf8(db.comp().competitionName()) << "\n";
    const auto& lost = db.rebuildLostRecords();
    if (lost.empty()) return kExitOk;
    // Records left behind are a loss the person must hear of, even with --quiet.
    ctx.err << "fel: " << lost.size() << " poster kunde inte föras över:\n";
    for (const std::string& line : lost) ctx.err << "  " << utf8(line) << "\n";
    return kExitRefused;
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
        const int filter = classFilter(ctx, db, *findCommand("teams"));
        if (filter == -2) return kExitUsage;
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
  return withShellOrReadOnly(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return needCompetition(ctx, db);
    const int filter = classFilter(ctx, db, *findCommand("standings"));
    if (filter == -2) return kExitUsage;
    if (filter < 0) return kExitRefused;
    const bool titleCase = db.comp().titleCaseNames();
    auto shown = [&](const std::string& name) {
      return utf8(TeamDisplayName(name, false, titleCase));
    };
    TeamSelection selection(db);
    for (const model::ClassTable& table : model::Standings(db, selection, filter)) {
      ctx.out << utf8(className(db, table.classRecNo)) << "\n"
              << " pl.  " << PadRight("lag", 30) << "  sp   v   o   f   mål       p\n";
      std::map<std::int32_t, std::string> names;
      for (const model::TableRow& t : table.rows) {
        names[t.recNo] = t.teamName;
        ctx.out << FormatInt(t.place, 4) << "  "
                << utf8(PadRight(TeamDisplayName(t.teamName, false, titleCase), 30))
                << FormatInt(t.played, 4) << FormatInt(t.won, 4) << FormatInt(t.drawn, 4)
                << FormatInt(t.lost, 4) << FormatInt(t.goalsFor, 5) << "-"
                << PadRight(std::to_string(t.goalsAgainst), 4) << FormatInt(t.points, 4) << "\n";
      }
      // Why teams on equal points stand as they do.
      for (const TieNote& n : table.notes) {
        const auto ahead = names.find(n.ahead), behind = names.find(n.behind);
        ctx.out << "  "
                << TieNoteLine(ahead == names.end() ? "?" : shown(ahead->second),
                               behind == names.end() ? "?" : shown(behind->second), n)
                << "\n";
      }
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
        if (db.competitionFailedToOpen()) return refuseWithoutCompetition(ctx, db);
        if (!db.competitionOpen()) {
          ctx.out << utf8(db.catalogueAvailable() ? W("<tävling ej vald/inmatad>")
                                                  : "<datafiler saknas>")
                  << "\n";
          return kExitOk;
        }
        const CompetitionRec& c = db.comp();
        ctx.out << utf8(W("tävling ")) << FormatInt(db.currentCompetition(), 2) << ": "
                << utf8(c.competitionName()) << "\n"
                << "klasser: " << db.classesInUse() << "\n"
                << "lag: " << c.totalTeams() << "\n"
                << "matcher: " << c.totalMatches() << "\n"
                << "ospelade matcher: " << c.totalOpenMatches() << "\n"
                << "speltider: " << db.playTimesInUse() << "\n";
        return kExitOk;
      },
      DataDirAccess::Read);
}

int runDatadir(Context& ctx) {
  const Command& self = *findCommand("datadir");
  if (ctx.args.size() > 1) return usageError(ctx, self, "ange en katalog");
  if (!ctx.options.dataDir.empty())
    return usageError(ctx, self, "--data kan inte användas med datadir");
  if (ctx.args.empty()) {
    return withShell(
        ctx,
        [&](Shell& shell) {
          ctx.out << shell.db().dataDir() << "\n";
          const std::string problem =
              DataDirProblem(shell.db().dataDir(), shell.dataDirError(), DataDirAccess::Read);
          if (problem.empty()) return kExitOk;
          ctx.err << "fel: " << problem << "\n";
          return kExitRefused;
        },
        DataDirAccess::Read, ShellRun{true});
  }
  const std::string dir = absolutePath(ctx.args[0]);
  // A directory that is missing while its parent exists is made, and the person told so;
  // a missing parent is more likely a typing error and is refused.
  std::error_code ec;
  if (!fs::exists(dir, ec) && fs::is_directory(fs::path(dir).parent_path(), ec)) {
    if (fs::create_directory(dir, ec)) {
      ctx.out << "skapade katalogen " << dir << "\n";
    } else {
      ctx.err << "fel: katalogen kan inte skapas (" << errorReason(ec.value()) << "): " << dir
              << "\n";
      return kExitRefused;
    }
  }
  const std::string problem = DataDirProblem(dir, DirectoryEnterError(dir), DataDirAccess::Read);
  if (!problem.empty()) {
    ctx.err << "fel: " << problem << "\n";
    return kExitRefused;
  }
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        const std::string previous = db.dataDir();
        {
          FolderAnswer port(ctx.ui, dir);
          ScopedUi scoped(port);
          db.changeDataDirectory();
        }
        // The competition number belonged to the previous directory.
        db.setCurrentCompetition(0);
        if (!shell.saveConfiguration()) {
          ctx.err << "fel: datakatalogen ändrades inte, den är fortfarande " << previous << ": "
                  << utf8(shell.configSaveFailureText()) << "\n";
          return kExitRefused;
        }
        ctx.out << "datakatalogen är nu " << db.dataDir();
        if (previous != db.dataDir()) ctx.out << " (förut " << previous << ")";
        ctx.out << "\n";
        if (db.catalogueAvailable()) {
          const int count = db.catalogueUsedRecs();
          ctx.out << "tävlingskatalogen har " << count << (count == 1 ? " tävling" : " tävlingar")
                  << "; välj en med \"liga select N\"\n";
        } else {
          ctx.out << "ingen tävlingskatalog där ännu; skapa en med \"liga init\" eller "
                     "\"liga demo\"\n";
        }
        return kExitOk;
      },
      DataDirAccess::Read, ShellRun{true});
}

const CommandRegistrar kInit{
    {"init", "", "skapar en ny tom tävlingskatalog (\"skapa nya\")", runInit}};
const CommandRegistrar kList{{"list", "", "visar katalogens tio tävlingsplatser", runList}};
const CommandRegistrar kSelect{
    {"select", "N", "öppnar tävling N och minns valet", runSelect,
     "  N  tävlingens plats i katalogen, 1..10 (se \"liga list\"). Valet sparas\n"
     "     för den inställda datakatalogen; med --data avvisas det.\n"}};
const CommandRegistrar kDelete{
    {"delete", "N", "raderar tävling N", runDelete,
     "  N  tävlingens plats i katalogen, 1..10; frågar först (--yes)\n"}};
const CommandRegistrar kBackup{
    {"backup", "KATALOG", "säkerhetskopierar den öppna tävlingen", runBackup,
     "  KATALOG  dit katalogen och den öppna tävlingens filer kopieras; skapas om\n"
     "           den saknas. Inget skrivs över: en katalog som redan har en kopia,\n"
     "           datakatalogen själv och en fil avvisas. De kopierade filerna\n"
     "           skrivs ut; en misslyckad kopiering lämnar inget efter sig.\n"}};
const CommandRegistrar kRestore{
    {"restore", "KATALOG", "återställer en säkerhetskopia som en ny tävling", runRestore,
     "  KATALOG  en katalog skriven av \"liga backup\" (\"säkerhetskopiera\"). Varje\n"
     "           filblock i den kontrolleras först; tävlingen läggs sedan till på\n"
     "           nästa lediga plats i katalogen, aldrig över en befintlig, och\n"
     "           blir den öppna tävlingen. Numret och namnet skrivs ut. Avvisas\n"
     "           när katalogen saknar en kopia, ett block är skadat eller tio\n"
     "           tävlingar redan finns; då ändras ingenting i datakatalogen.\n"}};
const CommandRegistrar kRebuild{
    {"rebuild", "", "bygger om den öppna tävlingens filer (\"indexbygg\")", runRebuild}};
const CommandRegistrar kClasses{{"classes", "", "visar klasserna", runClasses}};
const CommandRegistrar kTeams{{"teams", "[--class NAMN]", "visar lagen per klass och lagnummer",
                               runTeams,
                               "  --class NAMN  bara den klassens lag (standard: alla klasser)\n"}};
const CommandRegistrar kStandings{
    {"standings", "[--class NAMN]", "visar tabellen och skriver placeringarna", runStandings,
     "  --class NAMN  bara den klassen (standard: alla klasser)\n"
     "Kolumner: pl. placering, sp spelade, v vunna, o oavgjorda, f förlorade,\n"
     "mål gjorda-insläppta, p poäng (klassens poäng för vinst och oavgjort).\n"
     "Placeringarna skrivs tillbaka till lagen, som i fönstrets tabell.\n"}};
const CommandRegistrar kDatadir{
    {"datadir", "[KATALOG]", "byter den inställda datakatalogen (utan argument: visar den)",
     runDatadir,
     "  KATALOG  blir den datakatalog som alla följande kommandon använder (som\n"
     "           fönstrets \"datadir\"); finns den inte men katalogen ovanför gör\n"
     "           det, skapas den. Ingen tävling är vald\n"
     "           efteråt: välj med \"liga select N\". --data KATALOG gäller däremot\n"
     "           bara det kommando den står på.\n"}};
const CommandRegistrar kInfo{{"info", "", "visar postlängder och den öppna tävlingen", runInfo}};

}  // namespace
}  // namespace liga::cli
