// liga schedule: the scheduling run ("spelfördela") without a window. The options take the
// place of the dialog's controls; the dialog's OK checks run as they do on the screen.
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "cli/session.h"
#include "common/encoding.h"
#include "common/limits.h"
#include "common/messages.h"
#include "common/text.h"
#include "model/team_selection.h"
#include "scheduling/bounds.h"
#include "scheduling/database_input.h"
#include "scheduling/run.h"

namespace liga::cli {
namespace {

struct ScheduleOptions {
  std::optional<int> playTimes;
  std::optional<int> perPlayTime;
  bool anyDay = false;
  std::optional<int> refine;
  std::optional<int> roundOrder;
  std::optional<int> homeAway;
  std::optional<std::string> mask;
  std::optional<std::string> out;
  std::optional<std::uint64_t> seed;
  bool improve = false;
  std::optional<int> seconds;
};

// Reads the options into `o`; returns the usage problem, empty when there is none.
std::string parseOptions(const std::vector<std::string>& args, ScheduleOptions& o) {
  struct Range {
    const char* option;
    long lo, hi;
    std::optional<int>* into;
  };
  const Range ranges[] = {
      {"--playtimes", 1, kPlayTimeSlots, &o.playTimes},
      {"--per-playtime", 1, kMaxMatchesPerPlayTime, &o.perPlayTime},
      {"--refine", 0, 10, &o.refine},
      {"--round-order", 1, 2, &o.roundOrder},
      {"--home-away", 1, 2, &o.homeAway},
      {"--seconds", scheduling::kMinImproveSeconds, scheduling::kMaxImproveSeconds, &o.seconds},
  };
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--any-day" || a == "--improve") {
      (a == "--any-day" ? o.anyDay : o.improve) = true;
      continue;
    }
    const Range* range = nullptr;
    for (const Range& r : ranges) {
      if (a == r.option) range = &r;
    }
    const bool known = range || a == "--mask" || a == "--out" || a == "--seed";
    if (!known) return "okänt argument \"" + a + "\"";
    if (i + 1 >= args.size()) return a + " kräver ett värde";
    const std::string& v = args[++i];
    long n = 0;
    if (range) {
      if (!parseInteger(v, range->lo, range->hi, n))
        return rangeProblem(a, v, range->lo, range->hi);
      *range->into = static_cast<int>(n);
    } else if (a == "--mask") {
      if (v.empty()) return "--mask kräver ett filnamn";
      o.mask = absolutePath(v);
    } else if (a == "--out") {
      if (v.empty()) return "--out kräver ett filnamn";
      o.out = absolutePath(v);
    } else {
      if (!parseInteger(v, 0, 2147483647L, n)) return rangeProblem(a, v, 0, 2147483647L);
      o.seed = static_cast<std::uint64_t>(n);
    }
  }
  if (o.playTimes && o.perPlayTime)
    return "ange antingen --playtimes eller --per-playtime, inte båda";
  if (o.seconds && !o.improve) return "--seconds gäller bara med --improve";
  return {};
}

// Before and after the improvement pass: the placeholder matches and each class's breaks
// beside its floor.
void printImprovement(Context& ctx, const scheduling::ScheduleInput& input,
                      const scheduling::RunSummary& s) {
  const scheduling::ImproveOutcome& r = *s.improved;
  ctx.out << "förbättrat schema: ändrtider " << r.before.placeholderMatches << " -> "
          << r.after.placeholderMatches << "\n";
  for (int c = 0; c < s.lrec.ClassTotal && c < static_cast<int>(input.Classes.size()); ++c) {
    const scheduling::ClassSlot& slot = s.lrec.ClassSlots[c];
    if (slot.SlotMatches <= 0) continue;
    const std::optional<int> floor =
        scheduling::BreakFloor(static_cast<int>(input.Classes[c].Teams.size()), slot.SlotMatches);
    ctx.out << "  " << Cp1252ToUtf8(TrimRight(input.Classes[c].ClassName)) << ": brott "
            << r.before.breaks[c] << " -> " << r.after.breaks[c] << " (golv "
            << (floor ? std::to_string(*floor) : std::string("-")) << ")\n";
  }
}

// The options as the dialog's fields, as if typed into the window.
void fillDialog(const ScheduleOptions& o, scheduling::ScheduleDialog& d) {
  if (o.playTimes) d.setPlayTimes(*o.playTimes);
  if (o.perPlayTime) d.setMatchesPerPlayTime(*o.perPlayTime);
  if (o.anyDay) d.setOneMatchPerDay(false);
  if (o.refine) d.setRefineSteps(*o.refine);
  if (o.roundOrder) d.setRoundOrderIndex(*o.roundOrder - 1);
  if (o.homeAway) d.setHomeAwayIndex(*o.homeAway - 1);
  if (o.improve) d.setImprove(true);
  if (o.seconds) d.setImproveSeconds(*o.seconds);
  if (o.mask) d.setMaskFile(*o.mask);
  if (o.out) d.setOutFile(*o.out);
}

// What the run did, on stdout, or why it did not, as the exit status says.
int reportOutcome(Context& ctx, const ScheduleOptions& o, const scheduling::ScheduleInput& input,
                  const scheduling::RunSummary& s, const std::string& dialogStatus) {
  switch (s.outcome) {
    case scheduling::RunOutcome::Written:
      ctx.out << "schemafil: " << absolutePath(s.lrec.OutFile) << "\n"
              << "speltider: " << s.playTimesUsed << "\n"
              << "matcher på riktiga speltider: " << s.realMatches << "\n"
              << "matcher kvar på ersättningstider: " << s.placeholderMatches << "\n";
      if (s.improved) printImprovement(ctx, input, s);
      return kExitOk;
    case scheduling::RunOutcome::Cancelled:
      if (!dialogStatus.empty() && o.out && ctx.options.answer <= 0 &&
          std::filesystem::exists(*o.out)) {
        refuse(ctx, dialogStatus);
        ctx.err << "fel: filen finns redan: " << *o.out << " (använd --yes för att skriva över)\n";
        return kExitRefused;
      }
      if (!dialogStatus.empty()) return refuse(ctx, dialogStatus);
      return refuse(ctx, W("spelfördelningen avbröts"));
    case scheduling::RunOutcome::Refused:
      return refuse(ctx, s.message.empty() ? W("spelfördelningen kunde inte göras") : s.message);
    case scheduling::RunOutcome::CannotCreate:
    case scheduling::RunOutcome::CloseFailed:
      return refuse(ctx, s.message.empty()
                             ? "Kan inte \xF6ppna filen \"" + Utf8ToCp1252(s.lrec.OutFile) +
                                   "\" f\xF6r skrivning"
                             : s.message);
    case scheduling::RunOutcome::Aborted:
      return refuse(ctx, W("spelfördelningen avbröts; ingen fil skrevs"));
  }
  return kExitRefused;
}

int runSchedule(Context& ctx) {
  ScheduleOptions o;
  const std::string problem = parseOptions(ctx.args, o);
  if (!problem.empty()) return usageError(ctx, *findCommand("schedule"), problem);
  // The user asked for this mask: one that cannot be read refuses the run instead of
  // switching the mask checks off.
  if (o.mask && !checkReadableFile(ctx, *o.mask)) return kExitRefused;
  if (o.out && std::filesystem::is_directory(*o.out)) {
    ctx.err << "fel: är en katalog, inte en fil: " << *o.out << "\n";
    return kExitRefused;
  }
  if (o.out && !checkOutputFolder(ctx, *o.out)) return kExitRefused;
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        if (!db.competitionOpen()) return refuseWithoutCompetition(ctx, db);
        TeamSelection selection(db);
        const scheduling::ScheduleInput input = scheduling::ReadScheduleInput(db, selection);
        scheduling::ScheduleConfig config;
        config.LastExchangePath = shell.config().main().lastExchangePath();
        // The folder part of DataDir is the data directory itself only with its separator.
        config.DataDir = db.dataDir() + "/";
        std::string dialogStatus;
        auto dialog = [&](scheduling::ScheduleDialog& d) {
          fillDialog(o, d);
          const bool ok = d.ok();
          if (!ok) dialogStatus = d.statusText();
          return ok;
        };
        std::optional<scheduling::SeededRandom> seeded;
        scheduling::RunOptions runOptions;
        if (o.seed) {
          seeded.emplace(*o.seed);
          runOptions.random = &*seeded;
        }
        const scheduling::RunSummary s = scheduling::Spellotta(input, config, dialog, runOptions);
        shell.config().main().setLastExchangePath(config.LastExchangePath);
        return reportOutcome(ctx, o, input, s, dialogStatus);
      },
      DataDirAccess::Read);
}

const CommandRegistrar kSchedule{
    {"schedule",
     "[--playtimes P | --per-playtime M] [--any-day] [--refine N] [--round-order 1|2] "
     "[--home-away 1|2] [--mask FIL] [--out FIL] [--seed N] [--improve [--seconds S]]",
     "gör spelfördelningen och skriver schemafilen (\"spelfördela\")", runSchedule,
     std::string("Fördelar alla klassers matcher (varje klass spelar alla-mot-alla) på tävlingens\n"
                 "speltider och skriver schemafilen; läs in den sedan med \"liga import FIL\".\n"
                 "Utan flaggor gäller dialogens förslag.\n\n") +
         "  --playtimes P     antal speltider att fördela på, 1.." +
         std::to_string(kPlayTimeSlots) +
         "; antal matcher per\n"
         "                    speltid räknas fram (inte tillsammans med --per-playtime)\n"
         "  --per-playtime M  antal matcher per speltid, 1.." +
         std::to_string(kMaxMatchesPerPlayTime) +
         "; antal speltider räknas fram\n"
         "  --any-day         ett lag får spela flera matcher samma datum (aldrig två på\n"
         "                    samma speltid); standard: högst en match per datum och lag\n"
         "  --refine N        antal försök, 0..10, att flytta matcher från ersättningstider\n"
         "                    (\"Ändrtid...\") till riktiga speltider med plats kvar\n"
         "  --round-order 1|2 ordningen mellan omgångarna: 1 omvänd (1,2,3 .. nn .. 3,2,1),\n"
         "                    2 upprepad (1,2,3 .. nn .. 1,2,3)\n"
         "  --home-away 1|2   1 växlar hemma/borta mellan omgångarna, 2 växlar inte\n"
         "  --mask FIL        lagens ej spelbara speltider: rader \"lagnummer,mönster\"\n"
         "                    där ? står för ett valfritt tecken (\"12,2016-09-??\");\n"
         "                    en fil som inte kan läsas stoppar körningen\n"
         "  --out FIL         schemafilen (standard SPELDAG.LOT i senaste utbyteskatalogen);\n"
         "                    en befintlig fil skrivs över bara med --yes\n"
         "  --seed N          startvärde 0..2147483647 för slumpen: samma värde ger samma\n"
         "                    schema (standard: klockan)\n"
         "  --improve         förbättrar schemat efter fördelningen: flyttar matcher från\n"
         "                    ersättningstider till riktiga speltider, sedan klassens matcher\n"
         "                    mellan speltider och hemma/borta för så få brott som möjligt\n"
         "                    (hemma och borta skiljer högst ett per lag); alla regler\n"
         "                    gäller; samma --seed och --seconds ger samma schema\n"
         "  --seconds S       tidsbudget för --improve, " +
         std::to_string(scheduling::kMinImproveSeconds) + ".." +
         std::to_string(scheduling::kMaxImproveSeconds) + " sekunder (standard " +
         std::to_string(scheduling::kDefaultImproveSeconds) + ")\n"}};

}  // namespace
}  // namespace liga::cli
