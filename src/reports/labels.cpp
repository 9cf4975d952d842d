#include "reports/labels.h"

#include <algorithm>
#include <fstream>
#include <memory>
#include <sstream>

#include "common/encoding.h"
#include "common/file_replace.h"
#include "common/messages.h"
#include "common/progress.h"
#include "common/text.h"
#include "common/ui_port.h"
#include "config/settings_blocks.h"

namespace liga::reports {
namespace {

std::string joinLines(const std::vector<std::string>& lines) {
  std::string out;
  for (std::size_t i = 0; i < lines.size(); ++i) out += (i ? "\r\n" : "") + lines[i];
  return out.substr(0, 240);
}

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> out;
  std::size_t at = 0;
  for (;;) {
    const std::size_t next = text.find("\r\n", at);
    out.push_back(text.substr(at, next == std::string::npos ? std::string::npos : next - at));
    if (next == std::string::npos) return out;
    at = next + 2;
  }
}

FontSpec fontFrom(const liga::FontSpec& f) {
  FontSpec out;
  out.name = f.name.empty() ? "DejaVu Sans" : f.name;
  out.size = f.size > 0 ? f.size : 10;
  out.bold = (f.style & liga::FontSpec::Bold) != 0;
  out.italic = (f.style & liga::FontSpec::Italic) != 0;
  return out;
}

// The teams a run goes through, with the class name the progress window shows.
std::vector<std::pair<std::int32_t, std::string>> runTeams(ReportContext& ctx, const RecNos& list,
                                                           bool byClass) {
  std::vector<std::pair<std::int32_t, std::string>> out;
  auto cls = std::make_unique<DivisionRec>();
  auto team = std::make_unique<TeamRec>();
  if (byClass) {
    ctx.selection.invalidateRequest();
    ctx.db.resetClassBuffer();
    for (std::int32_t c : list) {
      if (!ReadClassRec(ctx.db, c, *cls)) continue;
      for (std::int32_t t : SelectTeams(ctx, c, kSortClassNumber))
        out.emplace_back(t, cls->className());
    }
  } else {
    for (std::int32_t t : list) {
      if (!ReadTeamRec(ctx.db, t, *team)) continue;
      out.emplace_back(
          t, ReadClassRec(ctx.db, team->divisionRecNo(), *cls) ? cls->className() : std::string());
    }
  }
  return out;
}

std::string giroTypeText(GiroForm f) {
  switch (f) {
    case GiroForm::Plusgiro:
      return "PlusGiroblanketter: ";
    case GiroForm::Postgiro:
      return "PostGiroblanketter: ";
    case GiroForm::Bankgiro:
      return "BankGiroblanketter: ";
  }
  return {};
}

std::string money(double v) {
  return FormatReal(v, 9);
}

}  // namespace

std::vector<int> SetRows(PersonSet set) {
  std::vector<int> rows;
  switch (set) {
    case PersonSet::Leader:
      rows = {0};
      break;
    case PersonSet::AllMembers:
      for (int r = 1; r <= 22; ++r) rows.push_back(r);
      break;
    case PersonSet::FirstMember:
      rows = {1};
      break;
    case PersonSet::OtherMembers:
      for (int r = 2; r <= 22; ++r) rows.push_back(r);
      break;
  }
  return rows;
}

std::string LabelSetName(PersonSet set) {
  switch (set) {
    case PersonSet::Leader:
      return "lagledare";
    case PersonSet::AllMembers:
      return "alla lagmedlemmar";
    case PersonSet::FirstMember:
      return "lagmedlemmar 1..1";
    case PersonSet::OtherMembers:
      return "lagmedlemmar 2..22";
  }
  return {};
}

LabelSheet LabelSheetFrom(const liga::LabelSettingsBlock& stored) {
  const liga::LabelSettingsBlock b = liga::EffectiveLabelSettings(stored);
  // Lengths: tenths of a millimetre, or hundredths of an inch with the inch flag.
  const double unit = b.inchUnits() ? 0.254 : 0.1;
  LabelSheet s;
  s.across = std::clamp(b.across(), 1, 8);
  s.rows = std::max(1, b.rows());
  s.copies = b.copies();
  s.top = b.topMargin() * unit;
  s.left = b.leftMargin() * unit;
  s.height = b.labelHeight() * unit;
  s.width = b.labelWidth() * unit;
  s.rowPitch = b.rowPitch() * unit;
  s.columnPitch = b.columnPitch() * unit;
  s.large = fontFrom(b.font(liga::FontSize::Large));
  s.medium = fontFrom(b.font(liga::FontSize::Medium));
  s.small = fontFrom(b.font(liga::FontSize::Small));
  return s;
}

std::vector<std::string> LabelTexts(ReportContext& ctx, const RecNos& list, bool byClass,
                                    PersonSet set) {
  Database& db = ctx.db;
  std::vector<std::string> labels;
  const std::string title = (byClass ? "klassvis " : "lagvis ") + LabelSetName(set);
  labels.push_back(
      joinLines({"etiketter", db.comp().organiser(), db.comp().competitionName(), title}));
  auto team = std::make_unique<TeamRec>();
  int count = 0;
  for (const auto& [t, className] : runTeams(ctx, list, byClass)) {
    if (!ReadTeamRec(db, t, *team)) continue;
    for (int r : SetRows(set)) {
      const ContactRow row = team->contactRow(r);
      if (TrimRight(row.name()).empty() && TrimRight(row.street()).empty() &&
          TrimRight(row.town()).empty())
        continue;
      labels.push_back(joinLines({DisplayName(db, team->teamName()), DisplayName(db, row.name()),
                                  row.street(), row.town()}));
      ++count;
    }
  }
  labels.push_back(joinLines({"Utskrivna etiketter:" + FormatInt(count, 3)}));
  return labels;
}

int PrintLabels(ReportContext& ctx, const LabelSheet& sheet, const RecNos& list, bool byClass,
                PersonSet set, const std::function<std::optional<int>()>& askCopies) {
  int copies = sheet.copies;
  if (copies <= 0) {
    const std::optional<int> asked = askCopies ? askCopies() : std::nullopt;
    copies = asked && *asked > 0 ? *asked : 1;
  }
  const std::vector<std::string> labels = LabelTexts(ctx, list, byClass, set);
  ReportSettings settings = ctx.settings;
  settings.columns = 1;
  settings.marginLeft = settings.marginTop = settings.marginRight = settings.marginBottom = 0;
  settings.large = sheet.large;
  settings.normal = sheet.medium;
  settings.small = sheet.small;
  ReportWriter w(settings, ctx.clock);
  w.setPlain(true);
  if (!w.openJob("etiketter")) return 0;
  const double mm = w.resolution() / 25.4;
  const int perSheet = sheet.across * sheet.rows;
  const double pad = 2 * mm;
  int slot = 0;
  for (std::size_t i = 0; i < labels.size(); ++i) {
    // Abort ends the run after the current label; the last label is still printed.
    if (w.aborted() && i + 1 < labels.size()) continue;
    if (i > 0 && i + 1 < labels.size())
      w.status(1, "etikett " + FormatInt(static_cast<long>(i), 4) +
                      " antal: " + FormatInt(static_cast<long>(labels.size() - 2), 4));
    const auto lines = splitLines(labels[i]);
    for (int c = 0; c < (i == 0 || i + 1 == labels.size() ? 1 : copies); ++c) {
      if (slot > 0 && slot % perSheet == 0) w.newPage();
      const int k = slot % perSheet;
      const double x = (sheet.left + (k % sheet.across) * sheet.columnPitch) * mm + pad;
      double y = (sheet.top + (k / sheet.across) * sheet.rowPitch) * mm + pad;
      // The largest font in which every line fits the label.
      char font = 'S';
      for (char f : {'L', 'N'}) {
        w.pushFont(f);
        bool fits = lines.size() * w.lineHeight() <= sheet.height * mm - 2 * pad;
        for (const auto& l : lines) fits = fits && w.textWidth(l) <= sheet.width * mm - 2 * pad;
        w.popFont();
        if (fits) {
          font = f;
          break;
        }
      }
      w.pushFont(font);
      for (const auto& l : lines) {
        w.moveTo(x, y);
        w.text(l);
        y += w.lineHeight();
      }
      w.popFont();
      ++slot;
    }
  }
  w.finish();
  return static_cast<int>(labels.size()) - 2;
}

GiroForm GiroFormOf(int giroType) {
  if (giroType >= 3) return GiroForm::Bankgiro;
  if (giroType == 2) return GiroForm::Postgiro;
  return GiroForm::Plusgiro;
}

std::optional<GiroRun> ComputeGiroRun(ReportContext& ctx, const RecNos& teams, PersonSet set,
                                      std::optional<GiroForm> chosenForm) {
  Database& db = ctx.db;
  const CompetitionRec& comp = db.comp();
  if (reports::AllTeams(db).empty()) {
    ShowMessage(200, "Inga deltagande lag!");
    return std::nullopt;
  }
  GiroRun run;
  const GiroForm form = chosenForm ? *chosenForm : GiroFormOf(comp.giroType());
  run.giroNumber =
      TrimRight(form == GiroForm::Bankgiro ? comp.bankgiroNumber() : comp.postgiroNumber());
  run.payee = TrimRight(comp.payee());
  if (run.giroNumber.empty() || run.payee.empty()) {
    if (ShowMessage(100, "Betalningsmottagare/GiroNr ej angivna. Avbryta") == Answer::Yes)
      return std::nullopt;
  }
  const bool amounts = !comp.amountFilled();
  run.title = giroTypeText(form) + (amounts ? "med betalningsuppgift!" : "utan betalningsuppgift!");
  GiroSlip first;
  first.message = {run.title, comp.organiser(), comp.competitionName(),
                   "Avgift/match:" + money(comp.fee()), std::string(10, '=')};
  run.slips.push_back(first);
  auto team = std::make_unique<TeamRec>();
  auto cls = std::make_unique<DivisionRec>();
  for (std::int32_t t : teams) {
    if (!ReadTeamRec(db, t, *team)) continue;
    const int registered = ReadClassRec(db, team->divisionRecNo(), *cls) ? cls->teamCount() : 0;
    const int rounds = registered ? cls->rounds() : 0;
    const int matches = std::max(0, registered - 1) * rounds;
    const double teamFee =
        comp.feePerMatch() ? static_cast<double>(comp.fee()) * matches : comp.fee();
    const std::vector<int> rows = SetRows(set);
    std::vector<int> named;
    for (int r : rows)
      if (!TrimRight(team->contactRow(r).name()).empty()) named.push_back(r);
    const int n = static_cast<int>(named.size());
    const double share = n > 0 ? teamFee / n : teamFee;
    // A team without a named contact still gets one slip, so that its fee is billed.
    const std::vector<int> slipRows = n > 0 ? named : std::vector<int>{rows.back()};
    for (int r : slipRows) {
      const ContactRow row = team->contactRow(r);
      const std::string person = n > 0 ? DisplayName(db, row.name()) : "Namnuppgift saknas!";
      GiroSlip slip;
      slip.message = {person, "Antal matcher :" + FormatInt(matches, 4),
                      "Avgift        :" + money(comp.fee()), "Lagavgift     :" + money(teamFee)};
      if (n > 0) slip.message.push_back("Delad avgift  :" + money(share));
      slip.payer = {person, row.street(), row.town()};
      if (amounts) slip.amount = money(share);
      run.slips.push_back(std::move(slip));
      ++run.count;
      run.sum += share;
    }
  }
  GiroSlip last;
  last.message = {"Utskrivna blanketter:" + FormatInt(run.count, 3),
                  "Sammanlagda avgifter:" + money(run.sum)};
  run.slips.push_back(last);
  return run;
}

bool PrintGiro(ReportContext& ctx, const RecNos& teams, PersonSet set,
               std::optional<GiroForm> form) {
  const auto run = ComputeGiroRun(ctx, teams, set, form);
  if (!run) return false;
  ReportSettings settings = ctx.settings;
  settings.columns = 1;
  settings.marginLeft = settings.marginTop = settings.marginRight = settings.marginBottom = 0;
  ReportWriter w(settings, ctx.clock);
  w.setPlain(true);
  if (!w.openJob("giro")) return false;
  const double mm = w.resolution() / 25.4;
  // The slip: message area at the top, payer below it on the left, amount on the right,
  // the giro number and payee at the foot of the form.
  auto block = [&](double xmm, double ymm, const std::vector<std::string>& lines) {
    double y = ymm * mm;
    for (const auto& l : lines) {
      w.moveTo(xmm * mm, y);
      w.text(l);
      y += w.lineHeight();
    }
  };
  for (std::size_t i = 0; i < run->slips.size(); ++i) {
    if (w.aborted() && i + 1 < run->slips.size()) continue;
    if (i > 0) w.newPage();
    const GiroSlip& s = run->slips[i];
    if (i > 0 && i + 1 < run->slips.size())
      w.status(3, s.payer.empty() ? std::string() : s.payer[0]);
    w.pushFont('N');
    block(15, 20, s.message);
    block(15, 75, s.payer);
    if (!s.amount.empty()) block(140, 75, {"Belopp kr:", s.amount});
    w.pushFont('B');
    block(15, 105, {run->payee, run->giroNumber});
    w.popFont();
    w.popFont();
  }
  w.finish();
  return true;
}

// ---------------------------------------------------------------------------------------

std::string GiroRegister::Key(const GiroLayout& l) {
  std::string key = TrimRight(l.payee);
  if (!TrimRight(l.littera).empty()) key += "_" + TrimRight(l.littera);
  return key.substr(0, 30);
}

std::string GiroRegister::store(const GiroLayout& layout, const std::string& replacing) {
  const std::string key = Key(layout);
  for (const GiroLayout& l : m_layouts) {
    if (Key(l) == key && key != replacing) {
      Ui().beep();
      return W("Mottagare och littera finns redan registrerad. ") + "\"" + key + "\"" +
             W(" Måste vara unik.");
    }
  }
  if (!Mod10Check(layout.giroNumber)) {
    Ui().beep();
    return W("fel på gironummer");
  }
  if (!replacing.empty()) remove(replacing);
  m_layouts.push_back(layout);
  return {};
}

bool GiroRegister::remove(const std::string& key) {
  const auto it = std::find_if(m_layouts.begin(), m_layouts.end(),
                               [&](const GiroLayout& l) { return Key(l) == key; });
  if (it == m_layouts.end()) return false;
  m_layouts.erase(it);
  return true;
}

bool GiroRegister::load(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  if (!f) return false;
  m_layouts.clear();
  std::string line;
  while (std::getline(f, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::vector<std::string> fields;
    std::stringstream ss(line);
    std::string field;
    while (std::getline(ss, field, '\t')) fields.push_back(field);
    if (fields.size() < 7) continue;
    GiroLayout l;
    l.form = static_cast<GiroForm>(std::clamp(std::atoi(fields[0].c_str()), 0, 2));
    l.payee = fields[1];
    l.giroNumber = fields[2];
    l.littera = fields[3];
    l.message = fields[4];
    for (char& c : l.message)
      if (c == '\x1f') c = '\n';
    l.amount = std::atoi(fields[5].c_str());
    l.copies = std::atoi(fields[6].c_str());
    m_layouts.push_back(l);
  }
  return true;
}

bool GiroRegister::save(const std::string& path) const {
  auto clean = [](std::string s) {
    for (char& c : s) {
      if (c == '\t' || c == '\r') c = ' ';
      if (c == '\n') c = '\x1f';
    }
    return s;
  };
  std::ostringstream f;
  for (const GiroLayout& l : m_layouts)
    f << static_cast<int>(l.form) << '\t' << clean(l.payee) << '\t' << clean(l.giroNumber) << '\t'
      << clean(l.littera) << '\t' << clean(l.message) << '\t' << l.amount << '\t' << l.copies
      << "\r\n";
  return ReplaceFile(path, f.str());
}

}  // namespace liga::reports
