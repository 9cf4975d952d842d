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
  }
  return result;
}

namespace {

// The schedule file while it is being made: a temporary file beside `OutFile`, renamed
// over it by commit().
class PendingFile {
 public:
  explicit PendingFile(std::string target) : m_target(std::move(target)) {}
  ~PendingFile() { discard(); }
  PendingFile(const PendingFile&) = delete;
  PendingFile& operator=(const PendingFile&) = delete;

  bool create() {
    for (int attempt = 0; attempt < 100; ++attempt) {
      std::string name =
          m_target + ".tmp" + std::to_string(::getpid()) + "-" + std::to_string(attempt);
      int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd >= 0) {
        m_fd = fd;
        m_temp = std::move(name);
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  // Writes, syncs, closes and renames; false on any failure (the target is untouched).
  bool commit(const std::string& bytes) {
    bool ok = m_fd >= 0;
    std::size_t done = 0;
    while (ok && done < bytes.size()) {
      ssize_t n = ::write(m_fd, bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0)
        ok = false;
      else
        done += static_cast<std::size_t>(n);
    }
    if (ok && ::fsync(m_fd) != 0) ok = false;
    if (m_fd >= 0 && ::close(m_fd) != 0) ok = false;
    m_fd = -1;
    if (ok && ::rename(m_temp.c_str(), m_target.c_str()) != 0) ok = false;
    if (ok) m_temp.clear();
    return ok;
  }

  void discard() {
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
    if (!m_temp.empty()) ::unlink(m_temp.c_str());
    m_temp.clear();
  }

 private:
  std::string m_target;
  std::string m_temp;
  int m_fd = -1;
};

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
  if (!out.create()) {
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
                               result.slots, result.matchCount, maskLines);
  }
  if (running) CloseProgress();
  if (aborted) {
    out.discard();
    summary.outcome = RunOutcome::Aborted;
    return summary;
  }
  const bool written = out.commit(bytes);
  const std::int64_t seconds = (clock.milliseconds() - started) / 1000;
  show(summary, 201, "Lottningsarbete tid (mmm:ss) " + ElapsedText(seconds));
  if (!written) {
    // "Fel vid stänging av filen "...""
    show(summary, 201, "Fel vid st\xE4nging av filen \"" + outName + "\"");
    summary.outcome = RunOutcome::CloseFailed;
    return summary;
  }
  summary.outcome = RunOutcome::Written;
  return summary;
}

RunSummary Spellotta(const ScheduleInput& input, ScheduleConfig& config,
                     const ShowDialog& showDialog, const RunOptions& options) {
  RunSummary summary = RunSchedule(input, config, showDialog, options);
  config.LastExchangePath = summary.lrec.OutFile;
  return summary;
}

}  // namespace liga::scheduling
