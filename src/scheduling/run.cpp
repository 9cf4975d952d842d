#include "scheduling/run.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <optional>
#include <system_error>

#include "common/encoding.h"
#include "common/file_replace.h"
#include "common/messages.h"
#include "common/progress.h"
#include "common/text.h"

namespace liga::scheduling {

CalendarDate LocalDate(std::time_t now) {
  const std::tm local = LocalFields(now);
  return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string ElapsedText(std::int64_t seconds) {
  std::string text = FormatInt(seconds / 60, 3, '0');
  if (seconds % 60 != 0) text += ":" + FormatInt(seconds % 60, 2, '0');
  return text;
}

ScheduleResult Schedule(const ScheduleInput& input, Lrec& lrec, RandomSource& random,
                        const Mask* mask) {
  ScheduleResult result;
  result.matchCount = GenerateSequence(input, lrec, result.sequence);
  if (result.matchCount > 0 && !ProgressAborted()) {
    if (result.matchCount > 1) OrderSequence(result.sequence, random);
    result.slots = PlaceSequence(lrec, result.sequence, input.PlayTimes, mask);
    if (lrec.Improve && !ProgressAborted()) {
      ImproveOptions options{random.below(0xFFFFFFFFu), lrec.ImproveSeconds};
      result.improved = ImproveSchedule(lrec, result.sequence, result.slots, input.PlayTimes.size(),
                                        mask, options);
    }
  }
  return result;
}

namespace {

void count(RunSummary& summary, const std::vector<PlayTimeSlot>& slots) {
  summary.playTimesUsed = static_cast<int>(slots.size());
  for (const PlayTimeSlot& slot : slots) {
    (slot.placeholder ? summary.placeholderMatches : summary.realMatches) += slot.nG;
  }
}

Answer show(RunSummary& summary, int number, const std::string& text) {
  summary.message = text;
  return ShowMessage(number, text);
}

}  // namespace

RunSummary RunSchedule(const ScheduleInput& input, ScheduleConfig& config,
                       const ShowDialog& showDialog, const RunOptions& options) {
  RunSummary summary;
  const Clock& clock = options.clock ? *options.clock : SystemClock::instance();

  std::string confirmedOutFile;
  const bool preparing = OpenProgress(kDialogCaption, kProgressRows, false);
  PrepareResult prepared = Prepare(input, config, summary.lrec, confirmedOutFile);
  if (preparing) CloseProgress();
  if (!prepared.ok) {
    summary.message = prepared.message;
    summary.outcome = RunOutcome::Refused;
    return summary;
  }
  Lrec& lrec = summary.lrec;
  {
    ScheduleDialog dialog(lrec, confirmedOutFile, config);
    if (!showDialog(dialog)) {
      summary.outcome = RunOutcome::Cancelled;
      return summary;
    }
  }

  std::error_code ec;
  const bool maskInUse = !lrec.MaskFile.empty() && std::filesystem::exists(lrec.MaskFile, ec);
  const std::string outName = Utf8ToCp1252(lrec.OutFile);

  PendingFile out(lrec.OutFile);
  if (!out.open()) {
    // "Kan inte öppna filen "..." för skrivning"
    show(summary, 201, "Kan inte \xF6ppna filen \"" + outName + "\" f\xF6r skrivning");
    summary.outcome = RunOutcome::CannotCreate;
    return summary;
  }

  const std::int64_t started = clock.milliseconds();
  std::unique_ptr<RandomSource> clockRandom;
  if (!options.random) clockRandom = std::make_unique<ClockRandom>();
  RandomSource& random = options.random ? *options.random : *clockRandom;
  ShowMessage(1, "Spelf\xF6rdelar till \"" + outName + "\"");  // "Spelfördelar till"
  const bool running = OpenProgress(kDialogCaption, kProgressRows, true);

  std::optional<Mask> mask;
  if (maskInUse) mask = Mask::Load(lrec.MaskFile);  // unreadable: mask checks off
  ScheduleResult result = Schedule(input, lrec, random, mask ? &*mask : nullptr);
  const bool aborted = ProgressAborted();
  summary.matchCount = result.matchCount;
  summary.improved = result.improved;
  count(summary, result.slots);

  std::string bytes;
  if (result.matchCount > 0 && !aborted) {
    std::optional<std::vector<std::string>> maskLines;
    if (maskInUse) {
      if (std::optional<std::string> text = ReadWholeFile(lrec.MaskFile)) {
        maskLines = TextLines(*text);
      }
    }
    bytes = FormatScheduleFile(input.Organiser, input.CompetitionName, LocalDate(clock.now()), lrec,
                               result.slots, result.matchCount, maskLines,
                               result.improved ? ImproveLogLines(input, lrec, *result.improved)
                                               : std::vector<std::string>{});
  }
  if (running) CloseProgress();
  if (aborted) {
    out.discard();
    summary.outcome = RunOutcome::Aborted;
    return summary;
  }
  const bool written = out.write(bytes) && out.commit();
  const std::int64_t seconds = (clock.milliseconds() - started) / 1000;
  const std::string elapsed = "Lottningsarbete tid (mmm:ss) " + ElapsedText(seconds);
  if (written) {
    // The run writes a file only: the person learns where it is and how it gets into the
    // competition.
    summary.message = elapsed;
    if (summary.matchCount > 0) {
      ShowInfo(elapsed + W("\nSchemat skrevs till \"") + outName +
               W("\".\nVälj \"importera\" för att föra in det i tävlingen."));
    } else {
      ShowMessage(201, elapsed);  // an empty file: nothing to import
    }
    summary.outcome = RunOutcome::Written;
    return summary;
  }
  show(summary, 201, elapsed);
  // "Fel vid stänging av filen "...""
  show(summary, 201, "Fel vid st\xE4nging av filen \"" + outName + "\"");
  summary.outcome = RunOutcome::CloseFailed;
  return summary;
}

RunSummary Spellotta(const ScheduleInput& input, ScheduleConfig& config,
                     const ShowDialog& showDialog, const RunOptions& options) {
  RunSummary summary = RunSchedule(input, config, showDialog, options);
  config.LastExchangePath = summary.lrec.OutFile;
  return summary;
}

}  // namespace liga::scheduling
