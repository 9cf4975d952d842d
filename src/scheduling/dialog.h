// The logic of the scheduling dialog `TLottnDlgForm` ("spelfördelning"), without a window.
//
// The view shows three columns of five rows (current, wanted, allowed), the options, the
// two file buttons, OK and Cancel, and a status bar; it forwards every edit to this
// controller and shows what it returns. Only `ok()` writes the parameter block.
//
// Invariant of the two wanted values, with T = `MatchTotal` and ceil(a / b):
//  - after the play-time count P changes: M = ceil(T / P), then P = ceil(T / M);
//  - after the matches per play time M change: P = ceil(T / M), then M = ceil(T / P).
#pragma once

#include <optional>
#include <string>

#include "scheduling/input.h"
#include "scheduling/lrec.h"

namespace liga::scheduling {

// Texts of the dialog (code page 1252).
inline constexpr const char* kDialogCaption = "spelf\xF6rdelning";
inline constexpr const char* kRoundOrderItems[2] = {"I. 1,2,3 .... nn .... 3,2,1 omv\xE4nd",
                                                    "II. 1,2,3 .... nn .... 1,2,3 upprepad"};
inline constexpr const char* kImproveLabel = "f\xF6rb\xE4ttra schemat";
inline constexpr const char* kImproveSecondsLabel = "sekunder";
inline constexpr const char* kHomeAwayItems[2] = {"I. v\xE4xla hemma/borta",
                                                  "II. v\xE4xla inte hmma/borta"};

enum class DialogField { None, PlayTimes, MatchesPerPlayTime, OutFile };

struct DialogRow {
  const char* label;  // "antal klasser", ...
  int current;        // "aktuella värden"
  bool editable;      // a wanted value in the middle column
  int allowed;        // "tillåtna"
};

class ScheduleDialog {
 public:
  // Opens the dialog over a prepared block. `confirmedOutFile` and `config` must outlive
  // the dialog; a confirmed file choice writes its folder into config.LastExchangePath.
  ScheduleDialog(Lrec& lrec, std::string& confirmedOutFile, ScheduleConfig& config);

  // The five rows: classes, teams, play times, matches, matches per play time.
  DialogRow row(int index) const;

  int playTimes() const { return m_playTimes; }
  int matchesPerPlayTime() const { return m_matchesPerPlayTime; }
  bool oneMatchPerDay() const { return m_oneMatchPerDay; }
  int refineSteps() const { return m_refineSteps; }
  int roundOrderIndex() const { return m_roundOrderIndex; }
  int homeAwayIndex() const { return m_homeAwayIndex; }
  bool improve() const { return m_improve; }
  int improveSeconds() const { return m_improveSeconds; }
  const std::string& maskFile() const { return m_maskFile; }
  const std::string& outFile() const { return m_outFile; }
  const std::string& statusText() const { return m_status; }
  DialogField focus() const { return m_focus; }

  // Spin boxes: P in 1..4800, M in 1..16 (values outside are clamped), each followed by
  // the consistency rule above.
  void setPlayTimes(int p);
  void setMatchesPerPlayTime(int m);
  void setOneMatchPerDay(bool on) { m_oneMatchPerDay = on; }
  void setRefineSteps(int steps);      // 0..10
  void setRoundOrderIndex(int index);  // 0 or 1
  void setHomeAwayIndex(int index);    // 0 or 1
  // "förbättra schemat" and its budget in seconds (kMinImproveSeconds..kMaxImproveSeconds).
  void setImprove(bool on) { m_improve = on; }
  void setImproveSeconds(int seconds);
  void setMaskFile(std::string path) { m_maskFile = std::move(path); }
  void setOutFile(std::string path) { m_outFile = std::move(path); }

  // "utfil" and "maskfil": a file picker through the user-interface port, starting at the
  // current path. A confirmed choice (default extension "lot" or "msk" added when the
  // name has none) goes into the field and its folder into `LastExchangePath`.
  bool chooseOutFile();
  bool chooseMaskFile();

  // OK: stores the dialog into the block, then checks in order and stops at the first
  // failure (status-bar text, 440 Hz beep, focus):
  //  1. M > 16; 2. P > 4800; 3. empty output path; 4. an existing output file other than
  //  the confirmed one is overwritten only after Yes to "Filnamnet existerar redan. Skriva
  //  över". Returns true when the dialog closes with OK.
  bool ok();

 private:
  void fail(const char* message, DialogField focus);
  void chosen(const std::string& path, std::string& field);

  Lrec& m_lrec;
  std::string& m_confirmedOutFile;
  ScheduleConfig& m_config;
  int m_playTimes;
  int m_matchesPerPlayTime;
  bool m_oneMatchPerDay;
  int m_refineSteps;
  int m_roundOrderIndex;
  int m_homeAwayIndex;
  bool m_improve;
  int m_improveSeconds;
  std::string m_maskFile;
  std::string m_outFile;
  std::string m_status;
  DialogField m_focus = DialogField::None;
};

// What a non-interactive front end (`liga schedule`) passes instead of a person.
struct DialogChoices {
  std::optional<int> playTimes;           // P, as typed into its spin box
  std::optional<int> matchesPerPlayTime;  // M, typed after P when both are given
  std::optional<bool> oneMatchPerDay;
  std::optional<int> refineSteps;
  std::optional<int> roundOrder;    // 1 or 2
  std::optional<int> homeAwayMode;  // 1 or 2
  std::optional<bool> improve;
  std::optional<int> improveSeconds;
  std::optional<std::string> maskFile;
  std::optional<std::string> outFile;
};

// Enters the choices as a person would, then presses OK once. Returns what ok() returns;
// after a failure the dialog's statusText() holds the message.
bool ApplyChoices(ScheduleDialog& dialog, const DialogChoices& choices);

}  // namespace liga::scheduling
