// The `liga` command's subcommand registry and the conventions every subcommand shares.
//
// Every subcommand lives in one src/cli/cmd_*.cpp file and registers itself with a
// static `CommandRegistrar`; those files are compiled straight into the `liga`
// executable so the registrars are never dropped by the linker.
//
// Conventions (use the helpers below rather than writing the texts again):
//  - a path on the command line is relative to the directory `liga` was started in
//    (`absolutePath`), and every message naming a file names it by its absolute path;
//  - bad usage exits 2 with a line naming the argument and what is allowed
//    (`usageError(ctx, command, problem)`, `parseInteger`);
//  - a command that did not do what was asked exits 1 with the reason on stderr;
//  - a file that exists is overwritten only after a Yes (`confirmOverwrite`).
#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace liga {
class UiPort;
}

namespace liga::cli {

// Exit statuses of the command.
inline constexpr int kExitOk = 0;
inline constexpr int kExitRefused = 1;  // the system's message went to stderr
inline constexpr int kExitUsage = 2;

struct GlobalOptions {
  std::string dataDir;     // --data DIR (absolute); empty: the configured data directory
  std::string configFile;  // --config FILE (absolute); empty: the per-user configuration file
  int answer = 0;          // +1 for --yes, -1 for --no, 0: ask on a terminal
  bool quiet = false;      // --quiet: nothing but errors
  bool verbose = false;    // --verbose: the status lines as well
};

struct Context {
  GlobalOptions options;
  std::vector<std::string> args;  // the subcommand's own arguments (UTF-8)
  std::ostream& out;
  std::ostream& err;
  UiPort& ui;
};

struct Command {
  std::string name;
  std::string usage;    // argument synopsis, e.g. "N" or "[--class NAME]"
  std::string summary;  // one line for `liga help`
  std::function<int(Context&)> run;
  // `liga help NAME`: what each argument and option does, with its range; one or more
  // lines, each ending in "\n". Empty: the summary says all.
  std::string details = {};
};

// All registered commands, sorted by name.
std::vector<const Command*> allCommands();
const Command* findCommand(const std::string& name);

struct CommandRegistrar {
  explicit CommandRegistrar(Command command);
};

// Prints "användning: liga NAME USAGE" to ctx.err and returns kExitUsage.
int usageError(Context& ctx, const Command& command);
// Prints "liga NAME: PROBLEM", the usage line and where the help is, returns kExitUsage.
// `problem` names the argument and what is allowed, e.g. "N måste vara 1..10, inte 11".
int usageError(Context& ctx, const Command& command, const std::string& problem);

// A whole decimal number in lo..hi, nothing else on the text.
bool parseInteger(const std::string& text, long lo, long hi, long& value);
// "OPTION måste vara LO..HI, inte TEXT" (or "ett heltal LO..HI").
std::string rangeProblem(const std::string& option, const std::string& text, long lo, long hi);

// `path` made absolute against the directory the command was started in, without "."
// and ".." parts or a trailing "/".
std::string absolutePath(const std::string& path);

// A system error number in words ("åtkomst nekad" for EACCES, ...).
std::string errorReason(int error);

// Checks that `path` (absolute) names a file that can be read. Prints why not on ctx.err
// ("filen finns inte", "är en katalog, inte en fil", "kan inte läsas: ...") and returns
// false.
bool checkReadableFile(Context& ctx, const std::string& path);

// For a file about to be written at `path` (absolute): refuses a directory, and when a file
// is there asks "Filnamnet existerar redan. Skriva över" (answered by --yes / --no). Prints
// the reason on ctx.err and returns false when the file must not be written.
bool confirmOverwrite(Context& ctx, const std::string& path);

// For a file about to be written at `path` (absolute): the folder it goes into must exist.
// Prints "fel: mappen finns inte: DIR" and returns false when it does not.
bool checkOutputFolder(Context& ctx, const std::string& path);

// "skrev PATH" on standard output (not with --quiet): every written file is named.
void reportWritten(Context& ctx, const std::string& path);

}  // namespace liga::cli
