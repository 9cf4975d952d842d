#include "cli/command.h"

#include <algorithm>
#include <map>
#include <memory>
#include <ostream>

namespace liga::cli {
namespace {
std::map<std::string, std::unique_ptr<Command>>& registry() {
  static std::map<std::string, std::unique_ptr<Command>> commands;
  return commands;
}
}  // namespace

CommandRegistrar::CommandRegistrar(Command command) {
  auto name = command.name;
  registry()[name] = std::make_unique<Command>(std::move(command));
}

std::vector<const Command*> allCommands() {
  std::vector<const Command*> out;
  for (const auto& [name, command] : registry()) out.push_back(command.get());
  return out;
}

const Command* findCommand(const std::string& name) {
  auto it = registry().find(name);
  return it == registry().end() ? nullptr : it->second.get();
}

int usageError(Context& ctx, const Command& command) {
  ctx.err << "användning: liga " << command.name
          << (command.usage.empty() ? "" : " " + command.usage) << "\n";
  return kExitUsage;
}

}  // namespace liga::cli
