// isam-check and isam-dump: the storage engine's tools.
#include <filesystem>
#include <ostream>
#include <string>

#include "cli/command.h"
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

int runCheck(Context& ctx) {
  static const Command* self = findCommand("isam-check");
  if (ctx.args.empty()) return usageError(ctx, *self, "ange minst ett filblock");
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
    {"isam-check", "PATH...", "kontrollerar ett filblocks filer (slutstatus 1 vid fel)", runCheck,
     "  PATH...  filblock som \"data/lg01\" eller någon av dess filer (lg01.DAT, .IX,\n"
     "           .DIA). Skriver en sammanfattning per block och en rad per fel.\n"}};
const CommandRegistrar kDump{
    {"isam-dump", "PATH", "visar ett filblocks huvuden, fria kedjor och nycklar", runDump}};

}  // namespace
}  // namespace liga::cli
