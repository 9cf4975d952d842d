// liga schedule: the scheduling run ("spelfördela") without a window. The options take the
// place of the dialog's controls; the dialog's OK checks run as they do on the screen.
#include <cstdlib>
#include <optional>
#include <ostream>
#include <string>

#include "cli/session.h"
#include "common/messages.h"
#include "reports/team_selection.h"
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
};

bool parseInt(const std::string& text, long lo, long hi, long& value) {
  char* end = nullptr;
  value = std::strtol(text.c_str(), &end, 10);
  return !text.empty() && *end == '\0' && value >= lo && value <= hi;
}

bool parseOptions(const std::vector<std::string>& args, ScheduleOptions& o) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--any-day") {
      o.anyDay = true;
      continue;
    }
    if (i + 1 >= args.size()) return false;
    const std::string& v = args[++i];
    long n = 0;
    if (a == "--playtimes" && parseInt(v, 1, 4800, n)) {
      o.playTimes = static_cast<int>(n);
    } else if (a == "--per-playtime" && parseInt(v, 1, 16, n)) {
      o.perPlayTime = static_cast<int>(n);
    } else if (a == "--refine" && parseInt(v, 0, 10, n)) {
      o.refine = static_cast<int>(n);
    } else if (a == "--round-order" && parseInt(v, 1, 2, n)) {
      o.roundOrder = static_cast<int>(n);
    } else if (a == "--home-away" && parseInt(v, 1, 2, n)) {
      o.homeAway = static_cast<int>(n);
    } else if (a == "--mask") {
      o.mask = v;
    } else if (a == "--out") {
      o.out = v;
    } else if (a == "--seed" && parseInt(v, 0, 2147483647L, n)) {
      o.seed = static_cast<std::uint64_t>(n);
    } else {
      return false;
    }
  }
  return !(o.playTimes && o.perPlayTime);
}

int runSchedule(Context& ctx) {
  ScheduleOptions o;
  if (!parseOptions(ctx.args, o)) return usageError(ctx, *findCommand("schedule"));
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        if (!db.competitionOpen()) return refuse(ctx, Utf8ToCp1252("<tävling ej vald/inmatad>"));
        TeamSelection selection(db);
        const scheduling::ScheduleInput input = scheduling::ReadScheduleInput(db, selection);
        scheduling::ScheduleConfig config;
        config.LastExchangePath = shell.config().main().lastExchangePath();
        // The folder part of DataDir is the data directory itself only with its separator.
        config.DataDir = db.dataDir() + "/";
        std::string dialogStatus;
        auto dialog = [&](scheduling::ScheduleDialog& d) {
          if (o.playTimes) d.setPlayTimes(*o.playTimes);
          if (o.perPlayTime) d.setMatchesPerPlayTime(*o.perPlayTime);
          if (o.anyDay) d.setOneMatchPerDay(false);
          if (o.refine) d.setRefineSteps(*o.refine);
          if (o.roundOrder) d.setRoundOrderIndex(*o.roundOrder - 1);
          if (o.homeAway) d.setHomeAwayIndex(*o.homeAway - 1);
          if (o.mask) d.setMaskFile(*o.mask);
          if (o.out) d.setOutFile(*o.out);
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
        switch (s.outcome) {
          case scheduling::RunOutcome::Written:
            ctx.out << "schemafil: " << s.lrec.OutFile << "\n"
                    << "speltider: " << s.playTimesUsed << "\n"
                    << "matcher på riktiga speltider: " << s.realMatches << "\n"
                    << "matcher kvar på ersättningstider: " << s.placeholderMatches << "\n";
            return kExitOk;
          case scheduling::RunOutcome::Cancelled:
            if (!dialogStatus.empty()) return refuse(ctx, dialogStatus);
            return kExitRefused;
          default:
            return kExitRefused;
        }
      },
      DataDirAccess::Read);
}

const CommandRegistrar kSchedule{
    {"schedule",
     "[--playtimes P | --per-playtime M] [--any-day] [--refine N] [--round-order 1|2] "
     "[--home-away 1|2] [--mask FIL] [--out FIL] [--seed N]",
     "gör spelfördelningen och skriver schemafilen (\"spelfördela\")", runSchedule}};

}  // namespace
}  // namespace liga::cli
