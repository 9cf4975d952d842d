// The main window's rules without a window: which commands are enabled in which state, the
// data panel text, the message bar's shifting and how the external
// editor is chosen. The desktop program shows what these return; the tests check them here.
//
// The state is made of three facts, each implying the one before:
//   data present       the competitions catalogue exists in the data directory;
//   competition open   a competition's files are open;
//   teams present      the open competition's team file holds a used record.
#pragma once

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "app/config.h"
#include "database/database.h"

namespace liga {

enum class Need { Always, Data, Competition, Teams };

struct MainState {
  bool dataPresent = false;
  bool competitionOpen = false;
  bool teamsPresent = false;
  bool scheduled = false;  // the "spelfördela" check mark
  std::string competitionName;
  std::array<CompetitionMenuItem, kMaxCompetitions> items;  // "välj" and "&radera"
};

// Reads the three facts and rebuilds the twenty competition items (which writes the open
// competition's record back to the catalogue, as the menu refresh does).
MainState ReadMainState(Database& db);

// Whether a command needing `need` is enabled in `state`.
bool IsEnabled(Need need, const MainState& state);

// The condition of each control of the main window, by its object name; Always for a name
// that is not in the table.
Need NeedOf(std::string_view control);

// All control names the rule covers, in the order of the table.
const std::vector<std::string_view>& RuledControls();

// The second panel of the data panel (code page 1252): "Tävling: " + the competition name,
// the whole cut to 49 characters, "<tävling ej vald/inmatad>" or "<datafiler saknas>", and
// " <inga lag inmatade>" when a competition without teams is open.
std::string DataPanelText(const MainState& state);

// The three-panel message bar: a new text enters the first panel and pushes the older texts
// one panel to the right; the text of the third panel falls off. A text equal to the one
// already in the first panel is not shown again.
class MessageBar {
 public:
  // Returns true when the bar changed.
  bool show(const std::string& text);
  const std::array<std::string, 3>& panels() const { return m_panels; }
  // Takes `text` off the bar (the later ones move left): a message that is no longer true.
  // Returns true when the bar changed.
  bool drop(const std::string& text);

 private:
  std::array<std::string, 3> m_panels;
};

// What to do next, for a window that shows little yet (code page 1252; empty when the
// competition has teams): without data files "skapa nya", then "ny"; without an open
// competition choosing or adding one; without teams the registers.
std::string NextStepText(const MainState& state);

// The programs "editor" tries in order for the exchange-file folder: $VISUAL with the
// folder, $EDITOR with the folder, then xdg-open on the folder. An unset or empty variable
// is skipped. Each entry is a program followed by its arguments.
std::vector<std::vector<std::string>> EditorCandidates(const std::string& folder);

// The message after no editor could be started: "winexecfel: " + reason + " \"editor\"".
std::string EditorFailureText(const std::string& reason);

// "v00".."v09": closes the open competition, makes competition n current and opens it.
// Returns whether it opened.
bool SelectCompetitionCommand(Database& db, int n);

// "r00".."r09": deletes competition n (the database asks for confirmation); when another
// competition was current it is opened again, otherwise none is current. Refuses when n is
// not an existing competition. When the deletion is refused (No to the question) or fails,
// the competition that was open is open again. Returns whether it was deleted.
bool DeleteCompetitionCommand(Database& db, int n);

// What `InputInfo` decides before the competition editor would open.
enum class InputInfoOutcome { NoData, TooMany, OpenEditor };
// Without data the current competition number is cleared. Adding when more than nine
// competitions are in use gives "Max antal tävlingar uppnått!" (the caller shows it in
// the first message panel and beeps).
InputInfoOutcome InputInfo(Database& db, bool add);
inline constexpr const char* kMaxCompetitionsText = "Max antal t\xE4vlingar uppn\xE5tt!";

// The text a command that is not yet built shows.
inline constexpr const char* kNotImplementedText = "\xE4nnu ej implementerat";

}  // namespace liga

namespace liga {
// The window scale in use, in percent: `configured` from 100 up to `maxScale` is taken as
// it is; otherwise the automatic scale 100 x max(1, min(screenH / 312, screenW / 545) / 3)
// (integer divisions).
int WindowScaleInUse(int configured, int screenWidth, int screenHeight, int maxScale);
}  // namespace liga

namespace liga {
// Whether `dir` holds nothing but the data directory's lock file: the first start, when the
// window offers the demo competition. False when the folder cannot be read.
bool DataDirIsEmpty(const std::string& dir);
}  // namespace liga

namespace liga {
// "datadir": closes the open competition, lets the user pick the data directory (a cancelled
// choice keeps it), reads the catalogue there and opens the configuration's current
// competition again when that catalogue has it; otherwise none is current. The
// configuration's DataDir follows the database.
void ChangeDataDirectoryCommand(Database& db, MainConfig& main);

// The folder "editor" opens: the folder of the last exchange file when it still exists,
// otherwise `textDir`.
std::string ExchangeFolder(const std::string& lastExchangePath, const std::string& textDir);
}  // namespace liga
