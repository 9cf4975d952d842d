// liga fairness [FIL] [--mask FIL]: the fairness report of the open competition's schedule,
// or of a schedule file before it is imported. Only reads.
#include <optional>
#include <ostream>
#include <string>

#include "cli/session.h"
#include "common/encoding.h"
#include "scheduling/fairness.h"
#include "scheduling/fairness_input.h"
#include "scheduling/mask.h"

namespace liga::cli {
namespace {

struct FairnessOptions {
  std::optional<std::string> file;
  std::optional<std::string> mask;
};

std::string parseOptions(const std::vector<std::string>& args, FairnessOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--mask") {
      if (i + 1 >= args.size() || args[i + 1].empty()) return "--mask kräver ett filnamn";
      o.mask = absolutePath(args[++i]);
    } else if (!a.empty() && a[0] == '-') {
      return "okänt argument \"" + a + "\"";
    } else if (o.file) {
      return "bara en schemafil, inte \"" + a + "\"";
    } else {
      o.file = absolutePath(a);
    }
  }
  return {};
}

int report(Context& ctx, const scheduling::FairnessInput& input, const scheduling::Mask* mask) {
  const scheduling::FairnessReport r = scheduling::BuildFairnessReport(input, mask);
  int matches = 0;
  for (const scheduling::ClassFairness& c : r.classes) matches += c.matches;
  if (matches == 0) return refuse(ctx, Utf8ToCp1252("inga matcher att bedöma"));
  for (const std::string& line : scheduling::FairnessReportLines(r.classes, mask != nullptr))
    ctx.out << line << "\n";
  for (const std::string& line : scheduling::CompetitionReportLines(r.competition))
    ctx.out << line << "\n";
  if (input.matchesWithoutClass > 0)
    ctx.out << "matcher med lag som inte finns i tävlingen: " << input.matchesWithoutClass << "\n";
  return kExitOk;
}

int runFairness(Context& ctx) {
  FairnessOptions o;
  const std::string problem = parseOptions(ctx.args, o);
  if (!problem.empty()) return usageError(ctx, *findCommand("fairness"), problem);
  if (o.file && !checkReadableFile(ctx, *o.file)) return kExitRefused;
  if (o.mask && !checkReadableFile(ctx, *o.mask)) return kExitRefused;
  std::optional<scheduling::Mask> mask;
  if (o.mask) {
    mask = scheduling::Mask::Load(*o.mask);
    if (!mask) return refuse(ctx, Utf8ToCp1252("masken kan inte läsas: " + *o.mask));
  }
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        scheduling::FairnessInput input;
        if (o.file) {
          const std::optional<std::string> text = scheduling::ReadWholeFile(*o.file);
          if (!text) return refuse(ctx, Utf8ToCp1252("schemafilen kan inte läsas: " + *o.file));
          input = scheduling::ReadFairnessFromScheduleText(*text, db);
        } else {
          if (!db.competitionOpen()) return refuseWithoutCompetition(ctx, db);
          input = scheduling::ReadFairnessFromDatabase(db);
        }
        // A mask on the command line wins over the one the schedule file logged.
        const scheduling::Mask* used = mask               ? &*mask
                                       : input.loggedMask ? &*input.loggedMask
                                                          : nullptr;
        return report(ctx, input, used);
      },
      DataDirAccess::Read);
}

const CommandRegistrar kFairness{
    {"fairness", "[FIL] [--mask FIL]",
     "visar hur rättvist schemat är: hemma/borta, brott, vila, ändrtider och maskbrott",
     runFairness,
     "Utan FIL bedöms den öppna tävlingens spelschema; med FIL en schemafil (SPELDAG.LOT)\n"
     "innan den läses in. Lagen i en schemafil förs till klasser efter den öppna\n"
     "tävlingens lag.\n\n"
     "Per klass och lag: hemma- och bortamatcher totalt och i klassens första och andra\n"
     "halva (H1/B1, H2/B2), brott (två matcher i följd båda hemma eller båda borta),\n"
     "kortaste och medelvila i dagar mellan lagets matcher, antal gånger laget spelar\n"
     "dag efter dag, matcher på ersättningstider (\"Ändrtid...\") och maskbrott. En\n"
     "summeringsrad per klass gör det lätt att jämföra två körningar. Bredvid brotten står\n"
     "klassens golv: det minsta antalet brott ett schema i omgångar kan ha (n - 2 för ett\n"
     "jämnt antal lag n, 0 för udda). Sist tävlingens ändrtider och en undre gräns för dem\n"
     "från kapaciteten (platser per period, en match per dag och lag, masken). Efter\n"
     "\"liga schedule --improve\" visar en schemafil också värdena före förbättringen.\n\n"
     "  FIL         schemafilen; dess loggade mask används för maskkontrollen\n"
     "  --mask FIL  mask att kontrollera mot (rader \"lagnummer,mönster\"); går före\n"
     "              den mask schemafilen loggade\n"}};

}  // namespace
}  // namespace liga::cli
