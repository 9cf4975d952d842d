// Address labels and giro payment slips: one item per chosen team contact, with a first
// item that names the run and a last one that sums it up.
//
// The texts of a run are computed first (LabelTexts, ComputeGiroRun) and then placed on
// the sheet or form, so the content can be checked without a printer.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "reports/lists.h"

namespace liga {
class LabelSettingsBlock;
}

namespace liga::reports {

// Which contact rows of a team a run takes.
enum class PersonSet {
  Leader = 1,        // the leader row only
  AllMembers = 2,    // member rows 1..22
  FirstMember = 3,   // member row 1
  OtherMembers = 4,  // member rows 2..22 (labels only)
};
std::vector<int> SetRows(PersonSet set);
// "lagledare", "alla lagmedlemmar", "lagmedlemmar 1..1", "lagmedlemmar 2..22".
std::string LabelSetName(PersonSet set);

// The label sheet, in device-independent units: lengths in millimetres.
struct LabelSheet {
  int across = 3, rows = 8, copies = 1;
  double top = 4.5, left = 0, height = 36, width = 70, rowPitch = 36, columnPitch = 70;
  FontSpec large{"DejaVu Sans", 12, false, false, 0};
  FontSpec medium{"DejaVu Sans", 10, false, false, 0};
  FontSpec small{"DejaVu Sans", 8, false, false, 0};
};
LabelSheet LabelSheetFrom(const liga::LabelSettingsBlock& block);

// Every label of a run (lines joined by CR LF, at most 240 characters), first and last
// included. `byClass`: the teams are the classes' teams in class and number order.
std::vector<std::string> LabelTexts(ReportContext& ctx, const RecNos& classesOrTeams, bool byClass,
                                    PersonSet set);
// Prints the labels across, then down, `copies` times each; when the sheet asks for no
// copies (0 or less), `askCopies` gives the number ("Antal kopior:"; 1 when it gives none).
// Returns the number of labels printed (the counter of the last label).
int PrintLabels(ReportContext& ctx, const LabelSheet& sheet, const RecNos& classesOrTeams,
                bool byClass, PersonSet set,
                const std::function<std::optional<int>()>& askCopies = {});

// ---- giro slips ----

enum class GiroForm { Plusgiro, Postgiro, Bankgiro };
// The form of the competition's giro type: 0, 1 plusgiro; 2 postgiro; 3, 4 bankgiro.
GiroForm GiroFormOf(int giroType);

struct GiroSlip {
  std::vector<std::string> message;  // the slip's message lines
  std::vector<std::string> payer;    // name, street, town
  std::string amount;                // empty when the competition leaves amounts out
};

struct GiroRun {
  std::string title;
  std::string giroNumber, payee;
  std::vector<GiroSlip> slips;  // first, one per person, last
  int count = 0;                // person slips
  double sum = 0;               // of the shares
};

// The run for `teams`; nullopt after "Inga deltagande lag!" or when the user answers the
// question about a missing payee or giro number with yes.
// `form` overrides the form of the competition's giro type.
std::optional<GiroRun> ComputeGiroRun(ReportContext& ctx, const RecNos& teams, PersonSet set,
                                      std::optional<GiroForm> form = {});
// Prints one slip per page; returns false when nothing was printed.
bool PrintGiro(ReportContext& ctx, const RecNos& teams, PersonSet set,
               std::optional<GiroForm> form = {});

// The giro register: layouts of the three giro forms, kept by payee and littera.
struct GiroLayout {
  GiroForm form = GiroForm::Plusgiro;
  std::string payee, giroNumber, littera, message;
  int amount = 0;  // whole kronor
  int copies = 1;
};

class GiroRegister {
 public:
  // The register key: payee, and "_" + littera when one is given, cut to 30 characters.
  static std::string Key(const GiroLayout& layout);

  // The "ok" step of the giro dialogs: refuses a key already registered (other than
  // `replacing`) and a giro number that is not empty and fails the mod-10 check; the refusal
  // is the status text (and a beep). Saves the layout and returns an empty text.
  std::string store(const GiroLayout& layout, const std::string& replacing = {});
  bool remove(const std::string& key);
  const std::vector<GiroLayout>& layouts() const { return m_layouts; }

  // One layout per line, fields separated by tabs (code page 1252).
  bool load(const std::string& path);
  bool save(const std::string& path) const;

 private:
  std::vector<GiroLayout> m_layouts;
};

}  // namespace liga::reports
