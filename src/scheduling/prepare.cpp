#include "scheduling/lrec.h"

#include <algorithm>

#include "common/messages.h"
#include "common/paths.h"
#include "common/progress.h"
#include "common/text.h"
#include "scheduling/pairing.h"

namespace liga::scheduling {

std::string DefaultOutFile(const std::string& lastExchangePath, const std::string& dataDir) {
  const std::string& path = lastExchangePath.empty() ? dataDir : lastExchangePath;
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return "SPELDAG.LOT";
  const std::string folder = NormaliseFolder(path.substr(0, slash + 1));
  return (folder == "/" ? "" : folder) + "/SPELDAG.LOT";
}

PrepareResult Prepare(const ScheduleInput& input, const ScheduleConfig& config, Lrec& lrec,
                      std::string& confirmedOutFile) {
  ShowMessage(1, "Initierar variabler!");
  confirmedOutFile.clear();
  lrec = Lrec{};
  lrec.MaxClasses = kClassSlots;
  lrec.MaxTeams = kTeamSlots;
  lrec.MaxPlayTimes = kPlayTimeSlots;
  lrec.MaxMatchesPerPlayTime = kMaxMatchesPerPlayTime;
  lrec.OutFile = DefaultOutFile(config.LastExchangePath, config.DataDir);

  lrec.PlayTimeRecords = static_cast<int>(input.PlayTimes.size());
  lrec.WantedPlayTimes = lrec.PlayTimeRecords;

  // Only the last message set is shown.
  std::string message;
  if (input.TeamRecords <= 0) {
    message = "Inga deltagande lag finns";
  } else if (input.Classes.empty()) {
    message = "Inga klasser finns";
  } else {
    const int classRecords = static_cast<int>(input.Classes.size());
    const int slots = std::min(classRecords, kClassSlots);
    for (int i = 0; i < slots; ++i) {
      const ClassInput& c = input.Classes[i];
      ProgressLine(2, "Antal " + FormatInt(i + 1, 3) + " [" + FormatInt(classRecords, 3) + "]" +
                          " \"" + c.ClassName + "\"");
      ClassSlot& slot = lrec.ClassSlots[i];
      slot.SlotTeams = c.TeamCount;
      slot.SlotMatches = c.MatchCount;
      slot.SlotDealt = 0;
      slot.SlotRecNo = c.RecNo;
      lrec.TeamTotal += c.TeamCount;
      lrec.MatchTotal += c.MatchCount;
      if (c.TeamCount > kMaxTeamsPerClass) {
        message = "maxantalet " + FormatInt(c.TeamCount, 3) + " [" +
                  FormatInt(kMaxTeamsPerClass, 3) + "] i klassen \"" + c.ClassName +
                  "\" \xF6verskridet";  // "överskridet"
      }
    }
    lrec.ClassTotal = slots;
    if (lrec.MatchTotal < 1) {
      message = "Antal matcher mindre \xE4n en";  // "mindre än en"
    } else {
      if (lrec.WantedPlayTimes == 0) lrec.WantedPlayTimes = lrec.MatchTotal;
      lrec.MatchesPerPlayTime = (lrec.MatchTotal + lrec.WantedPlayTimes - 1) / lrec.WantedPlayTimes;
    }
    lrec.RoundOrder = 1;
    lrec.HomeAwayMode = 1;
    lrec.OneMatchPerDay = 1;
    lrec.RefineSteps = 2;
    lrec.ImproveSeconds = kDefaultImproveSeconds;
  }

  if (message.empty()) return {true, {}};
  message += ". Ingen spelf\xF6rdelning m\xF6jlig!";  // "Ingen spelfördelning möjlig!"
  ShowMessage(201, message);
  return {false, message};
}

}  // namespace liga::scheduling
