#include "scheduling/dialog.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "common/messages.h"
#include "common/ui_port.h"

namespace liga::scheduling {
namespace {

int ceilDiv(int a, int b) {
  return b <= 0 ? 0 : (a + b - 1) / b;
}

std::string withDefaultExtension(std::string path, const char* extension) {
  std::size_t slash = path.rfind('/');
  std::size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) {
    path += '.';
    path += extension;
  }
  return path;
}

}  // namespace

ScheduleDialog::ScheduleDialog(Lrec& lrec, std::string& confirmedOutFile, ScheduleConfig& config)
    : m_lrec(lrec),
      m_confirmedOutFile(confirmedOutFile),
      m_config(config),
      m_playTimes(lrec.WantedPlayTimes),
      m_matchesPerPlayTime(lrec.MatchesPerPlayTime),
      m_oneMatchPerDay(lrec.OneMatchPerDay != 0),
      m_refineSteps(lrec.RefineSteps),
      m_roundOrderIndex(lrec.RoundOrder - 1),
      m_homeAwayIndex(lrec.HomeAwayMode - 1),
      m_improve(lrec.Improve != 0),
      m_improveSeconds(std::clamp(lrec.ImproveSeconds, kMinImproveSeconds, kMaxImproveSeconds)),
      m_maskFile(lrec.MaskFile),
      m_outFile(lrec.OutFile) {}

DialogRow ScheduleDialog::row(int index) const {
  switch (index) {
    case 0:
      return {"antal klasser", m_lrec.ClassTotal, false, m_lrec.MaxClasses};
    case 1:
      return {"antal lag", m_lrec.TeamTotal, false, m_lrec.MaxTeams};
    case 2:
      return {"antal speltider", m_lrec.PlayTimeRecords, true, m_lrec.MaxPlayTimes};
    case 3:
      return {"antal matcher", m_lrec.MatchTotal, false, m_lrec.MaxPlayTimes};
    default:
      return {"antal matcher/speltid", m_lrec.MatchesPerPlayTime, true,
              m_lrec.MaxMatchesPerPlayTime};
  }
}

void ScheduleDialog::setPlayTimes(int p) {
  const int total = m_lrec.MatchTotal;
  m_playTimes = std::clamp(p, 1, kPlayTimeSlots);
  m_matchesPerPlayTime = ceilDiv(total, m_playTimes);
  m_playTimes = ceilDiv(total, m_matchesPerPlayTime);
}

void ScheduleDialog::setMatchesPerPlayTime(int m) {
  const int total = m_lrec.MatchTotal;
  m_matchesPerPlayTime = std::clamp(m, 1, kMaxMatchesPerPlayTime);
  m_playTimes = ceilDiv(total, m_matchesPerPlayTime);
  m_matchesPerPlayTime = ceilDiv(total, m_playTimes);
}

void ScheduleDialog::setImproveSeconds(int seconds) {
  m_improveSeconds = std::clamp(seconds, kMinImproveSeconds, kMaxImproveSeconds);
}

void ScheduleDialog::setRefineSteps(int steps) {
  m_refineSteps = std::clamp(steps, 0, 10);
}

void ScheduleDialog::setRoundOrderIndex(int index) {
  m_roundOrderIndex = std::clamp(index, 0, 1);
}

void ScheduleDialog::setHomeAwayIndex(int index) {
  m_homeAwayIndex = std::clamp(index, 0, 1);
}

void ScheduleDialog::chosen(const std::string& path, std::string& field) {
  field = path;
  std::size_t slash = path.rfind('/');
  m_config.LastExchangePath =
      slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

bool ScheduleDialog::chooseOutFile() {
  auto picked = Ui().pickSaveFile("utfil", m_outFile, "*.*");
  if (!picked || picked->empty()) return false;
  chosen(withDefaultExtension(*picked, "lot"), m_outFile);
  return true;
}

bool ScheduleDialog::chooseMaskFile() {
  auto picked = Ui().pickOpenFile("maskfil", m_maskFile, "*.*");
  if (!picked || picked->empty()) return false;
  chosen(withDefaultExtension(*picked, "msk"), m_maskFile);
  return true;
}

void ScheduleDialog::fail(const char* message, DialogField focus) {
  m_status = message;
  m_focus = focus;
  Ui().beep(440, 100);
}

bool ScheduleDialog::ok() {
  m_lrec.WantedPlayTimes = m_playTimes;
  m_lrec.MatchesPerPlayTime = m_matchesPerPlayTime;
  m_lrec.OneMatchPerDay = m_oneMatchPerDay ? 1 : 0;
  m_lrec.RefineSteps = m_refineSteps;
  m_lrec.RoundOrder = m_roundOrderIndex + 1;
  m_lrec.HomeAwayMode = m_homeAwayIndex + 1;
  m_lrec.Improve = m_improve ? 1 : 0;
  m_lrec.ImproveSeconds = m_improveSeconds;
  m_lrec.MaskFile = m_maskFile;
  m_lrec.OutFile = m_outFile;
  m_status.clear();
  m_focus = DialogField::None;

  if (m_lrec.MatchesPerPlayTime > m_lrec.MaxMatchesPerPlayTime) {
    // "Antal matcher per speltid är för stort. Flera speltider!"
    fail("Antal matcher per speltid \xE4r f\xF6r stort. Flera speltider!", DialogField::PlayTimes);
    return false;
  }
  if (m_lrec.WantedPlayTimes > m_lrec.MaxPlayTimes) {
    // "Antal speltider är för stort. Minska matcher/speltid"
    fail("Antal speltider \xE4r f\xF6r stort. Minska matcher/speltid",
         DialogField::MatchesPerPlayTime);
    return false;
  }
  if (m_lrec.OutFile.empty()) {
    // "Filnamn för import/exportfil måste anges."
    fail("Filnamn f\xF6r import/exportfil m\xE5ste anges.", DialogField::OutFile);
    return false;
  }
  if (m_lrec.OutFile != m_confirmedOutFile) {
    std::error_code ec;
    if (std::filesystem::exists(m_lrec.OutFile, ec)) {
      // "Filnamnet existerar redan. Skriva över"
      if (ShowMessage(101, "Filnamnet existerar redan. Skriva \xF6ver") != Answer::Yes) {
        // "Ändra filnamnet för import/exportfil."
        fail("\xC4ndra filnamnet f\xF6r import/exportfil.", DialogField::OutFile);
        return false;
      }
    }
    m_confirmedOutFile = m_lrec.OutFile;
  }
  return true;
}

bool ApplyChoices(ScheduleDialog& dialog, const DialogChoices& choices) {
  if (choices.playTimes) dialog.setPlayTimes(*choices.playTimes);
  if (choices.matchesPerPlayTime) dialog.setMatchesPerPlayTime(*choices.matchesPerPlayTime);
  if (choices.oneMatchPerDay) dialog.setOneMatchPerDay(*choices.oneMatchPerDay);
  if (choices.refineSteps) dialog.setRefineSteps(*choices.refineSteps);
  if (choices.roundOrder) dialog.setRoundOrderIndex(*choices.roundOrder - 1);
  if (choices.homeAwayMode) dialog.setHomeAwayIndex(*choices.homeAwayMode - 1);
  if (choices.improve) dialog.setImprove(*choices.improve);
  if (choices.improveSeconds) dialog.setImproveSeconds(*choices.improveSeconds);
  if (choices.maskFile) dialog.setMaskFile(*choices.maskFile);
  if (choices.outFile) dialog.setOutFile(*choices.outFile);
  return dialog.ok();
}

}  // namespace liga::scheduling
