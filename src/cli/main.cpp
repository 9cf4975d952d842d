// `liga`: the headless front end over the same core as the desktop program.
//
//   liga [--data DIR] [--config FILE] [--yes|--no] [--quiet] COMMAND [ARGS...]
//
// Global options may stand anywhere on the line; an unknown option before the command is
// bad usage. Exit status: 0 success, 1 a refused, declined or failed command (the reason on
// stderr), 2 bad usage.
#include <unistd.h>

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

#include "app/config.h"
#include "cli/command.h"
#include "cli/terminal_ui.h"
#include "common/ui_port.h"

using namespace liga::cli;

namespace {

int globalUsage(const std::string& problem) {
  std::cerr << "fel: liga: " << problem << " (se \"liga help\")\n";
  return kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
  GlobalOptions options;
  std::vector<std::string> rest;
  bool yes = false, no = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string value;
    bool hasValue = false;
    auto optionValue = [&](const std::string& name) {
      if (arg == name) {
        if (i + 1 < argc) {
          value = argv[++i];
          hasValue = true;
        }
        return true;
      }
      if (arg.rfind(name + "=", 0) == 0) {
        value = arg.substr(name.size() + 1);
        hasValue = true;
        return true;
      }
      return false;
    };
    if (optionValue("--data")) {
      if (!hasValue || value.empty()) return globalUsage("--data kräver en katalog");
      options.dataDir = absolutePath(value);
    } else if (optionValue("--config")) {
      if (!hasValue || value.empty()) return globalUsage("--config kräver en fil");
      options.configFile = absolutePath(value);
    } else if (arg == "--yes") {
      yes = true;
    } else if (arg == "--no") {
      no = true;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else if (arg == "--verbose") {
      options.verbose = true;
    } else if (rest.empty() && arg.size() > 1 && arg[0] == '-' && arg != "--help" && arg != "-h" &&
               arg != "--version") {
      return globalUsage("okänd flagga: " + arg +
                         "; globala flaggor är --data, --config, --yes, --no, --quiet och "
                         "--verbose");
    } else {
      rest.push_back(arg);
    }
  }
  if (yes && no) return globalUsage("--yes och --no kan inte användas samtidigt");
  options.answer = yes ? 1 : no ? -1 : 0;

  std::string name = rest.empty() ? "help" : rest.front();
  if (name == "--help" || name == "-h") name = "help";
  if (name == "--version") name = "version";
  const Command* command = findCommand(name);
  if (!command) return globalUsage("okänt kommando: " + name);
  if (!options.configFile.empty() && std::filesystem::is_directory(options.configFile)) {
    std::cerr << "fel: är en katalog, inte en fil: " << options.configFile << "\n";
    return kExitRefused;
  }

  if (const std::string problem = liga::FoldersProblem(); !problem.empty()) {
    std::cerr << "fel: " << problem << "\n";
    return kExitRefused;
  }

  TerminalUi ui(std::cin, std::cerr, options.answer, options.quiet, isatty(STDIN_FILENO) != 0);
  ui.setVerbose(options.verbose && !options.quiet);
  ui.setOutput(&std::cout);
  liga::ScopedUi scoped(ui);
  Context ctx{options, {}, std::cout, std::cerr, ui};
  if (!rest.empty()) ctx.args.assign(rest.begin() + 1, rest.end());
  // "liga COMMAND --help" is "liga help COMMAND".
  if (ctx.args.size() == 1 && (ctx.args[0] == "--help" || ctx.args[0] == "-h") && name != "help") {
    ctx.args = {name};
    command = findCommand("help");
  }
  try {
    const int status = command->run(ctx);
    std::cout.flush();
    return status;
  } catch (const std::exception& e) {
    std::cerr << "fel: " << e.what() << "\n";
    return kExitRefused;
  }
}
