// `liga`: the headless front end over the same core as the desktop program.
//
//   liga [--data DIR] [--config FILE] [--yes|--no] [--quiet] COMMAND [ARGS...]
//
// Global options may stand anywhere on the line. Exit status: 0 success, 1 a refused
// command (the system's message on stderr), 2 bad usage.
#include <unistd.h>

#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "cli/command.h"
#include "cli/terminal_ui.h"
#include "common/ui_port.h"

using namespace liga::cli;

int main(int argc, char** argv) {
  GlobalOptions options;
  std::vector<std::string> rest;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    auto takeValue = [&](std::string& into) {
      if (i + 1 >= argc) return false;
      into = argv[++i];
      return true;
    };
    if (arg == "--data") {
      if (!takeValue(options.dataDir)) {
        std::cerr << "--data kräver en katalog\n";
        return kExitUsage;
      }
    } else if (arg.rfind("--data=", 0) == 0) {
      options.dataDir = arg.substr(7);
    } else if (arg == "--config") {
      if (!takeValue(options.configFile)) {
        std::cerr << "--config kräver en fil\n";
        return kExitUsage;
      }
    } else if (arg.rfind("--config=", 0) == 0) {
      options.configFile = arg.substr(9);
    } else if (arg == "--yes") {
      options.answer = 1;
    } else if (arg == "--no") {
      options.answer = -1;
    } else if (arg == "--quiet") {
      options.quiet = true;
    } else {
      rest.push_back(arg);
    }
  }

  std::string name = rest.empty() ? "help" : rest.front();
  if (name == "--help" || name == "-h") name = "help";
  if (name == "--version") name = "version";
  const Command* command = findCommand(name);
  if (!command) {
    std::cerr << "okänt kommando: " << name << " (se \"liga help\")\n";
    return kExitUsage;
  }

  TerminalUi ui(std::cin, std::cerr, options.answer, options.quiet, isatty(STDIN_FILENO) != 0);
  ui.setOutput(&std::cout);
  liga::ScopedUi scoped(ui);
  Context ctx{options, {}, std::cout, std::cerr, ui};
  if (!rest.empty()) ctx.args.assign(rest.begin() + 1, rest.end());
  try {
    const int status = command->run(ctx);
    std::cout.flush();
    return status;
  } catch (const std::exception& e) {
    std::cerr << "fel: " << e.what() << "\n";
    return kExitRefused;
  }
}
