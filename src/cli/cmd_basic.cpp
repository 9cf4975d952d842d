// help, version and msg.
#include <cstdlib>
#include <iostream>
#include <string>

#include "cli/command.h"
#include "common/encoding.h"
#include "common/messages.h"

namespace liga::cli {
namespace {

int helpFor(Context& ctx, const std::string& name) {
  const Command* c = findCommand(name);
  if (!c) {
    ctx.err << "fel: liga help: okänt kommando \"" << name << "\" (se \"liga help\")\n";
    return kExitUsage;
  }
  ctx.out << "användning: liga " << c->name << (c->usage.empty() ? "" : " " + c->usage) << "\n\n"
          << c->summary << "\n";
  if (!c->details.empty()) ctx.out << "\n" << c->details;
  ctx.out << "\nGlobala flaggor och slutstatus: se \"liga help\".\n";
  return kExitOk;
}

int runHelp(Context& ctx) {
  if (ctx.args.size() > 1) return usageError(ctx, *findCommand("help"), "ange högst ett kommando");
  if (ctx.args.size() == 1) return helpFor(ctx, ctx.args[0]);
  ctx.out << "liga - ligor och turneringar från kommandoraden\n\n"
          << "användning: liga [--data KATALOG] [--config FIL] [--yes|--no] [--quiet|--verbose] "
             "KOMMANDO [ARGUMENT]\n\n"
          << "kommandon (\"liga help KOMMANDO\" förklarar ett):\n";
  for (const Command* c : allCommands()) {
    std::string synopsis = c->name + (c->usage.empty() ? "" : " " + c->usage);
    if (synopsis.size() < 34) synopsis.append(34 - synopsis.size(), ' ');
    ctx.out << "  " << synopsis << " " << c->summary << "\n";
  }
  ctx.out << "\nglobala flaggor:\n"
          << "  --data KATALOG   datakatalog för just det här kommandot (standard: den\n"
          << "                   inställda, som bara \"liga datadir KATALOG\" ändrar)\n"
          << "  --config FIL     konfigurationsfil (standard: den personliga)\n"
          << "  --yes / --no     besvara alla frågor med ja / nej\n"
          << "  --quiet          bara fel (inga meddelanden, frågor eller namn på skrivna filer)\n"
          << "  --verbose        också programmets statusrader (\"Filerna öppna....\")\n"
          << "\nRelativa sökvägar gäller katalogen där liga startades.\n"
          << "slutstatus: 0 klart, 1 avvisat, avböjt eller misslyckat kommando (orsaken på\n"
          << "standard error), 2 felaktig användning\n";
  return kExitOk;
}

int runVersion(Context& ctx) {
  ctx.out << "liga " << LIGA_VERSION << "\n";
  return kExitOk;
}

int runMsg(Context& ctx) {
  static const Command* self = findCommand("msg");
  if (ctx.args.size() != 1) return usageError(ctx, *self, "ange ett meddelandenummer N");
  long n = 0;
  if (!parseInteger(ctx.args[0], -2147483647L, 2147483647L, n))
    return usageError(ctx, *self, "N måste vara ett heltal, inte \"" + ctx.args[0] + "\"");
  const std::string text = MessageText(static_cast<int>(n));
  // The catalogue answers an unknown number with a text of its own; that is no message.
  if (text.rfind(W("Okänt nummer i msgtextanrop"), 0) == 0) {
    ctx.err << "fel: meddelande " << n << " finns inte i katalogen\n";
    return kExitRefused;
  }
  ctx.out << Cp1252ToUtf8(text) << "\n";
  return kExitOk;
}

const CommandRegistrar kHelp{
    {"help", "[KOMMANDO]", "visar den här hjälpen eller ett kommandos", runHelp}};
const CommandRegistrar kVersion{{"version", "", "visar programmets version", runVersion}};
const CommandRegistrar kMsg{{"msg", "N", "visar meddelandetext nummer N", runMsg}};

}  // namespace
}  // namespace liga::cli
