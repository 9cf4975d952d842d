// isam-check and isam-dump: the storage engine's tools.
#include <string>

#include "cli/command.h"
#include "storage/check.h"

namespace liga::cli {
namespace {

// PATH may name the block ("data/lg01") or any of its files ("data/lg01.DAT").
int runCheck(Context& ctx) {
  static const Command* self = findCommand("isam-check");
  if (ctx.args.empty()) return usageError(ctx, *self);
  bool ok = true;
  for (const std::string& path : ctx.args) {
    ok = storage::checkFileBlock(storage::blockNameFromPath(path), ctx.out) && ok;
  }
  return ok ? kExitOk : kExitRefused;
}

int runDump(Context& ctx) {
  static const Command* self = findCommand("isam-dump");
  if (ctx.args.size() != 1) return usageError(ctx, *self);
  return storage::dumpFileBlock(storage::blockNameFromPath(ctx.args[0]), ctx.out) ? kExitOk
                                                                                  : kExitRefused;
}

const CommandRegistrar kCheck{
    {"isam-check", "PATH...", "kontrollerar ett filblocks filer (slutstatus 1 vid fel)", runCheck}};
const CommandRegistrar kDump{
    {"isam-dump", "PATH", "visar ett filblocks huvuden, fria kedjor och nycklar", runDump}};

}  // namespace
}  // namespace liga::cli
