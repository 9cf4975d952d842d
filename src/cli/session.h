// What every `liga` command that works on a data directory shares: start the program as
// the desktop program does (but in the caller's working directory), run the command's body,
// shut down (which saves the configuration, never a data directory given with --data).
#pragma once

#include <ostream>
#include <string>

#include "app/shell.h"
#include "cli/command.h"
#include "common/encoding.h"
#include "common/ui_port.h"

namespace liga::cli {

// Why the data directory `dir` (entered or not, `enterError` the system error of entering
// it) cannot be worked in for `access`, or empty when it can. Tells a missing directory, a
// file, a directory without permission and catalogue files without permission apart, so
// that none of them is reported as a missing catalogue.
std::string DataDirProblem(const std::string& dir, int enterError, DataDirAccess access);

struct ShellRun {
  // Runs without a usable data directory too (the body tests shell.dataDirEntered()).
  bool withoutDataDir = false;
  // A command that writes only on the side (the standings places, the folder of the last
  // backup) and reads otherwise: on a data directory it may not write it runs with Read
  // access, without those writes, instead of being refused.
  bool readOnlyFallback = false;
};

// Runs `body(shell)` between start-up and shutdown, holding the data directory's lock for
// `access` (commands that only read pass Read). Refuses (exit 1, the reason on stderr
// whatever --quiet says) when the data directory cannot be worked in: from the command line
// the program never falls back to the current directory, where the command would work on
// files nobody asked for. Refuses as well, writing nothing, when another program holds the
// lock.
template <typename Body>
int withShell(Context& ctx, Body body, DataDirAccess access = DataDirAccess::Write,
              ShellRun run = {}) {
  Shell shell;
  StartupOptions options;
  options.configFile = ctx.options.configFile;
  options.dataDir = ctx.options.dataDir;
  options.access = access;
  options.keepWorkingDirectory = true;
  options.readOnlyFallback = run.readOnlyFallback;
  shell.startup(ctx.ui, options);
  if (shell.db().lockRefused()) {
    shell.shutdown(ctx.ui, false);
    return kExitRefused;
  }
  if (!run.withoutDataDir) {
    const std::string problem =
        DataDirProblem(shell.db().dataDir(), shell.dataDirError(), shell.db().access());
    if (!problem.empty()) {
      ctx.err << "fel: " << problem << "\n";
      shell.shutdown(ctx.ui, false);
      return kExitRefused;
    }
  }
  int status;
  {
    ScopedUi scoped(ctx.ui);
    status = body(shell);
  }
  if (!shell.shutdown(ctx.ui) && status == kExitOk) {
    // The command did its work; only what it remembers for the next one is lost. A command
    // whose point is a setting saves it itself first (Shell::saveConfiguration) and fails.
    ctx.err << "varning: " << Cp1252ToUtf8(shell.configSaveFailureText()) << "\n";
  }
  return status;
}

// withShell for a command that reads and writes only on the side (ShellRun::
// readOnlyFallback): on a data directory it may not write it runs with Read access.
template <typename Body>
int withShellOrReadOnly(Context& ctx, Body body) {
  return withShell(ctx, body, DataDirAccess::Write, ShellRun{false, true});
}

// Prints a system text (code page 1252) on stderr and returns the refusal status.
inline int refuse(Context& ctx, const std::string& cp1252) {
  ctx.err << "fel: " << Cp1252ToUtf8(cp1252) << "\n";
  return kExitRefused;
}

// The refusal of a command that needs the open competition: the reason its files did not
// open when they were tried (a damaged file, a lock held too long), else that none is
// selected.
int refuseWithoutCompetition(Context& ctx, Database& db);

}  // namespace liga::cli
