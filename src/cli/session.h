// What every `liga` command that works on a data directory shares: start the program as
// the desktop program does, run the command's body, shut down (which saves the
// configuration).
#pragma once

#include <ostream>
#include <string>

#include "app/shell.h"
#include "cli/command.h"
#include "common/encoding.h"
#include "common/ui_port.h"

namespace liga::cli {

// Runs `body(shell)` between start-up and shutdown, holding the data directory's lock for
// `access` (commands that only read pass Read). Refuses (exit 1) when no data directory
// could be entered: from the command line the program never falls back to the current
// directory, where the command would work on files nobody asked for. Refuses as well,
// writing nothing, when another program holds the lock.
template <typename Body>
int withShell(Context& ctx, Body body, DataDirAccess access = DataDirAccess::Write) {
  Shell shell;
  StartupOptions options;
  options.configFile = ctx.options.configFile;
  options.dataDir = ctx.options.dataDir;
  options.access = access;
  shell.startup(ctx.ui, options);
  if (!shell.dataDirEntered() || shell.db().lockRefused()) {
    shell.shutdown(ctx.ui, false);
    return kExitRefused;
  }
  int status;
  {
    ScopedUi scoped(ctx.ui);
    status = body(shell);
  }
  shell.shutdown(ctx.ui);
  return status;
}

// Prints a system text (code page 1252) on stderr and returns the refusal status.
inline int refuse(Context& ctx, const std::string& cp1252) {
  ctx.err << Cp1252ToUtf8(cp1252) << "\n";
  return kExitRefused;
}

}  // namespace liga::cli
