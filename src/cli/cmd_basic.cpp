// help, version and msg.
#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/command.h"
#include "common/encoding.h"
#include "common/messages.h"

namespace liga::cli {
namespace {

int runHelp(Context& ctx) {
  ctx.out << "liga - ligor och turneringar från kommandoraden\n\n"
          << "användning: liga [--data KATALOG] [--config FIL] [--yes|--no] [--quiet] "
             "KOMMANDO [ARGUMENT]\n\n"
          << "kommandon:\n";
  for (const Command* c : allCommands()) {
    std::string synopsis = c->name + (c->usage.empty() ? "" : " " + c->usage);
    if (synopsis.size() < 34) synopsis.append(34 - synopsis.size(), ' ');
    ctx.out << "  " << synopsis << " " << c->summary << "\n";
  }
  ctx.out << "\nglobala flaggor:\n"
          << "  --data KATALOG   datakatalog (standard: den inställda)\n"
          << "  --config FIL     konfigurationsfil (standard: den personliga)\n"
          << "  --yes / --no     besvara alla frågor med ja / nej\n"
          << "  --quiet          inga statusrader\n"
          << "\nslutstatus: 0 klart, 1 avvisat kommando, 2 felaktig användning\n";
  return kExitOk;
}

int runVersion(Context& ctx) {
  ctx.out << "liga " << LIGA_VERSION << "\n";
  return kExitOk;
}

int runMsg(Context& ctx) {
  static const Command* self = findCommand("msg");
  if (ctx.args.size() != 1) return usageError(ctx, *self);
  char* end = nullptr;
  const long n = std::strtol(ctx.args[0].c_str(), &end, 10);
  if (ctx.args[0].empty() || *end != '\0' || n < -2147483647L || n > 2147483647L) {
    return usageError(ctx, *self);
  }
  ctx.out << Cp1252ToUtf8(MessageText(static_cast<int>(n))) << "\n";
  return kExitOk;
}

const CommandRegistrar kHelp{{"help", "", "visar den här hjälpen", runHelp}};
const CommandRegistrar kVersion{{"version", "", "visar programmets version", runVersion}};
const CommandRegistrar kMsg{{"msg", "N", "visar meddelandetext nummer N", runMsg}};

}  // namespace
}  // namespace liga::cli
