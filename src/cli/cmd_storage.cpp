// isam-check and isam-dump: the storage engine's tools.
#include <filesystem>
#include <ostream>
#include <string>

#include "cli/command.h"
#include "cli/session.h"
#include "common/limits.h"
#include "common/messages.h"
#include "database/counters.h"
#include "database/records.h"
#include "storage/check.h"

namespace liga::cli {
namespace {

namespace fs = std::filesystem;

// The block named by PATH ("data/lg01" or any of its files, "data/lg01.DAT"), made
// absolute; empty after a refusal (printed).
std::string blockName(Context& ctx, const std::string& path) {
  const std::string absolute = absolutePath(path);
  if (fs::is_directory(absolute)) {
    ctx.err << "fel: är en katalog, inte ett filblock: " << absolute << "\n";
    return {};
  }
  return storage::blockNameFromPath(absolute);
}

// "--competition N": the blocks of competition N and the totals of its record.
int checkCompetition(Context& ctx, const Command& self) {
  long n = 0;
  if (ctx.args.size() != 2 || !parseInteger(ctx.args[1], 1, kMaxCompetitions, n))
    return usageError(
        ctx, self,
        "--competition kräver ett tävlingsnummer 1.." + std::to_string(kMaxCompetitions));
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        const int nn = static_cast<int>(n);
        // Opening the competition first finishes the rollback of a crashed writer.
        if (!db.selectCompetition(nn, false)) {
          ctx.err << "fel: tävling " << nn
                  << " kan inte öppnas: " << Cp1252ToUtf8(MessageText(IsamError)) << "\n";
          return kExitRefused;
        }
        const auto problems = CounterProblems(db);
        db.closeCompetition();
        bool ok = true;
        for (const std::string& name :
             {ClassBlockName(db.dataDir(), nn), TeamBlockName(db.dataDir(), nn),
              PlayTimeBlockName(db.dataDir(), nn)}) {
          const storage::CheckResult r = storage::checkBlock(name);
          ctx.out << r.summary << "\n";
          for (const auto& p : r.problems) ctx.out << "  " << p << "\n";
          ok = r.ok && ok;
        }
        ctx.out << "tävling " << nn << ": summorna "
                << (problems.empty() ? "stämmer" : "stämmer inte") << "\n";
        for (const auto& p : problems) ctx.out << "  " << p << "\n";
        return ok && problems.empty() ? kExitOk : kExitRefused;
      },
      DataDirAccess::Read);
}

int runCheck(Context& ctx) {
  static const Command* self = findCommand("isam-check");
  if (ctx.args.empty()) return usageError(ctx, *self, "ange minst ett filblock");
  if (ctx.args[0] == "--competition") return checkCompetition(ctx, *self);
  bool ok = true;
  for (const std::string& path : ctx.args) {
    const std::string name = blockName(ctx, path);
    if (name.empty()) {
      ok = false;
      continue;
    }
    const storage::CheckResult r = storage::checkBlock(name);
    ctx.out << r.summary << "\n";
    // An unreadable block's one problem is already in its summary line.
    if (r.usedRecords != 0 || r.problems.size() != 1 ||
        r.summary.find(r.problems.front()) == std::string::npos) {
      for (const auto& p : r.problems) ctx.out << "  " << p << "\n";
    }
    ok = r.ok && ok;
  }
  return ok ? kExitOk : kExitRefused;
}

int runDump(Context& ctx) {
  static const Command* self = findCommand("isam-dump");
  if (ctx.args.size() != 1) return usageError(ctx, *self, "ange ett filblock");
  const std::string name = blockName(ctx, ctx.args[0]);
  if (name.empty()) return kExitRefused;
  return storage::dumpFileBlock(name, ctx.out) ? kExitOk : kExitRefused;
}

const CommandRegistrar kCheck{
    {"isam-check", "PATH... | --competition N",
     "kontrollerar ett filblocks filer (slutstatus 1 vid fel)", runCheck,
     "  PATH...  filblock som \"data/lg01\" eller någon av dess filer (lg01.DAT, .IX,\n"
     "           .DIA). Skriver en sammanfattning per block och en rad per fel.\n"
     "  --competition N  tävling N i datakatalogen: dess tre filblock, och att varje\n"
     "           summa i tävlingsposten (lag, matcher, ospelade matcher) är summan av\n"
     "           det den räknar i klasserna, lagen och speltiderna.\n"}};
const CommandRegistrar kDump{
    {"isam-dump", "PATH", "visar ett filblocks huvuden, fria kedjor och nycklar", runDump}};

}  // namespace
}  // namespace liga::cli
