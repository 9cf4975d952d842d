#include "cli/command.h"

#include "common/file_read.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <ostream>

#include "common/messages.h"
#include "common/paths.h"
#include "common/ui_port.h"

namespace liga::cli {
namespace {

namespace fs = std::filesystem;

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

namespace {
void usageLine(Context& ctx, const Command& command) {
  ctx.err << "användning: liga " << command.name
          << (command.usage.empty() ? "" : " " + command.usage) << "\n";
}
}  // namespace

int usageError(Context& ctx, const Command& command) {
  // Callers without a more exact reason got a wrong number of arguments.
  return usageError(ctx, command,
                    ctx.args.empty()
                        ? "argument saknas"
                        : "fel antal argument (" + std::to_string(ctx.args.size()) + " givna)");
}

int usageError(Context& ctx, const Command& command, const std::string& problem) {
  ctx.err << "fel: liga " << command.name << ": " << problem << "\n";
  usageLine(ctx, command);
  ctx.err << "(se \"liga help " << command.name << "\")\n";
  return kExitUsage;
}

bool parseInteger(const std::string& text, long lo, long hi, long& value) {
  if (text.empty() || text.size() > 18) return false;
  char* end = nullptr;
  errno = 0;
  const long n = std::strtol(text.c_str(), &end, 10);
  if (*end != '\0' || errno != 0 || n < lo || n > hi) return false;
  value = n;
  return true;
}

std::string rangeProblem(const std::string& option, const std::string& text, long lo, long hi) {
  const std::string range = hi == lo + 1 ? std::to_string(lo) + " eller " + std::to_string(hi)
                                         : std::to_string(lo) + ".." + std::to_string(hi);
  long ignored = 0;
  const bool number = parseInteger(text, -999999999L, 999999999L, ignored);
  return option + " måste vara " + (number ? "" : "ett heltal ") + range + ", inte \"" + text +
         "\"";
}

std::string absolutePath(const std::string& path) {
  std::error_code ec;
  std::string p = fs::absolute(path, ec).lexically_normal().string();
  if (ec) p = path;
  return NormaliseFolder(p);
}

std::string errorReason(int error) {
  return SystemErrorText(error);
}

bool checkReadableFile(Context& ctx, const std::string& path) {
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (!fs::exists(st)) {
    ctx.err << "fel: filen finns inte: " << path << "\n";
    return false;
  }
  if (fs::is_directory(st)) {
    ctx.err << "fel: är en katalog, inte en fil: " << path << "\n";
    return false;
  }
  if (access(path.c_str(), R_OK) != 0) {
    ctx.err << "fel: filen kan inte läsas (" << errorReason(errno) << "): " << path << "\n";
    return false;
  }
  return true;
}

bool confirmOverwrite(Context& ctx, const std::string& path) {
  if (!checkOutputFolder(ctx, path)) return false;
  std::error_code ec;
  const fs::file_status st = fs::status(path, ec);
  if (fs::is_directory(st)) {
    ctx.err << "fel: är en katalog, inte en fil: " << path << "\n";
    return false;
  }
  if (!fs::exists(st)) return true;
  ScopedUi scoped(ctx.ui);
  if (ShowMessage(101, "Filnamnet existerar redan. Skriva \xF6ver") == Answer::Yes) return true;
  ctx.err << "fel: filen finns redan och skrevs inte över (använd --yes för att skriva över): "
          << path << "\n";
  return false;
}

bool checkOutputFolder(Context& ctx, const std::string& path) {
  const fs::path folder = fs::path(path).parent_path();
  std::error_code ec;
  if (folder.empty() || fs::is_directory(folder, ec)) return true;
  if (fs::exists(folder, ec)) {
    ctx.err << "fel: är inte en mapp: " << folder.string() << "\n";
  } else {
    ctx.err << "fel: mappen finns inte: " << folder.string() << "\n";
  }
  return false;
}

void reportWritten(Context& ctx, const std::string& path) {
  if (!ctx.options.quiet) ctx.out << "skrev " << path << "\n";
}

}  // namespace liga::cli
