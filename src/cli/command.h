// The `liga` command's subcommand registry.
//
// Every subcommand lives in one src/cli/cmd_*.cpp file and registers itself with a
// static `CommandRegistrar`; those files are compiled straight into the `liga`
// executable so the registrars are never dropped by the linker.
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
  std::string dataDir;     // --data DIR; empty: the configured data directory
  std::string configFile;  // --config FILE; empty: the per-user configuration file
  int answer = 0;          // +1 for --yes, -1 for --no, 0: ask on a terminal
  bool quiet = false;      // --quiet
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
};

// All registered commands, sorted by name.
std::vector<const Command*> allCommands();
const Command* findCommand(const std::string& name);

struct CommandRegistrar {
  explicit CommandRegistrar(Command command);
};

// Prints "usage: liga NAME USAGE" to ctx.err and returns kExitUsage.
int usageError(Context& ctx, const Command& command);

}  // namespace liga::cli
