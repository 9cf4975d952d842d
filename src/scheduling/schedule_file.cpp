#include "scheduling/schedule_file.h"

#include "common/text.h"

namespace liga::scheduling {
namespace {

void line(std::string& out, std::string_view text) {
  out += text;
  out += "\r\n";
}

}  // namespace

std::string FormatScheduleFile(const std::string& organiser, const std::string& competitionName,
                               CalendarDate today, const Lrec& lrec,
                               const std::vector<PlayTimeSlot>& slots, int matchCount,
                               const std::optional<std::vector<std::string>>& maskLines,
                               const std::vector<std::string>& improveLog) {
  std::string out;
  out.reserve(64 + slots.size() * 120);
  line(out, std::string("; lottning av spelf\xF6rdelning: ") + kScheduleSignature + " 2016-08-29");
  line(out, "; " + organiser + " " + FormatInt(today.year % 100, 2, '0') +
                FormatInt(today.month, 2, '0') + FormatInt(today.day, 2, '0') + " " +
                competitionName);
  line(out, "*Speldag");
  for (const PlayTimeSlot& slot : slots) {
    line(out, slot.Inf);
    if (slot.nG > 0) {
      std::string matches = "*!";
      for (int i = 0; i < slot.nG; ++i) {
        matches += std::to_string(slot.G[i].home) + "-" + std::to_string(slot.G[i].away) + ",";
      }
      line(out, matches);
    }
  }
  line(out, "*Lottad");
  line(out, "; Antal speltider " + FormatInt(static_cast<int>(slots.size()), 3));
  line(out, "; Antal spel/tid " + FormatInt(lrec.MatchesPerPlayTime, 3));
  line(out, "; Antal matcher " + FormatInt(matchCount, 3));
  if (lrec.OneMatchPerDay > 0) line(out, "; endast en match per datum och lag");
  if (lrec.RefineSteps > 0) line(out, "; f\xF6rs\xF6ker fixa \xE4ndrtider");
  if (lrec.RefineSteps > 1) {
    line(out, "; byter i " + std::to_string(lrec.RefineSteps) +
                  " steg och f\xF6rs\xF6ker fixa \xE4ndrtider");
  }
  for (const std::string& log : improveLog) line(out, log);
  if (maskLines) {
    line(out, "; lagens ej spelbara speltillf\xE4llen");
    for (const std::string& mask : *maskLines) line(out, "; " + mask);
  }
  line(out, "");
  return out;
}

}  // namespace liga::scheduling
