#include "app/main_commands.h"

#include "common/encoding.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <utility>

#include "common/text.h"

namespace liga {
namespace {

struct Rule {
  std::string_view control;
  Need need;
};

// The enabling table of the main window. Menus carry the rule of their items where the
// whole menu depends on one fact ("register", "rapporter", "visningar").
constexpr Rule kRules[] = {
    // data present
    {"vlj1", Need::Data},
    {"new", Need::Data},
    {"importera1", Need::Data},
    {"importera", Need::Data},
    {"mnuXregister", Need::Data},
    {"plusgiroMenu", Need::Data},
    {"postgiroMenu", Need::Data},
    {"bankgiroMenu", Need::Data},
    {"etikettMenu", Need::Data},
    {"tbKopiera", Need::Data},
    {"aterstall1", Need::Data},
    // competition open
    {"change", Need::Competition},
    {"exportera1", Need::Competition},
    {"freningen1", Need::Competition},
    {"tvlingar1", Need::Competition},
    {"resultat3", Need::Competition},
    {"kalender1", Need::Competition},
    {"publicera1", Need::Competition},
    {"spelfrdela1", Need::Competition},
    {"kopiera1", Need::Competition},
    {"indexbygg1", Need::Competition},
    {"radera1", Need::Competition},
    {"mnuRegister", Need::Competition},
    {"mnuRapporter", Need::Competition},
    {"mnuVisningar", Need::Competition},
    {"tbKlass", Need::Competition},
    {"tbLag", Need::Competition},
    // teams present
    {"raderaallamedl", Need::Teams},
    {"medlemmar1", Need::Teams},
    {"lag1", Need::Teams},
    {"tbGame", Need::Teams},
    {"tbResultat", Need::Teams},
};

}  // namespace

MainState ReadMainState(Database& db) {
  MainState s;
  s.items = db.refreshCompetitionMenus();
  s.dataPresent = db.catalogueAvailable();
  s.competitionOpen = s.dataPresent && db.competitionOpen();
  if (s.competitionOpen) {
    s.teamsPresent = db.teamsInUse() > 0;
    s.scheduled = db.comp().scheduled();
    s.competitionName = db.comp().competitionName();
  }
  return s;
}

bool IsEnabled(Need need, const MainState& state) {
  switch (need) {
    case Need::Always:
      return true;
    case Need::Data:
      return state.dataPresent;
    case Need::Competition:
      return state.competitionOpen;
    case Need::Teams:
      return state.competitionOpen && state.teamsPresent;
  }
  return false;
}

Need NeedOf(std::string_view control) {
  for (const Rule& r : kRules) {
    if (r.control == control) return r.need;
  }
  return Need::Always;
}

const std::vector<std::string_view>& RuledControls() {
  static const std::vector<std::string_view> names = [] {
    std::vector<std::string_view> v;
    for (const Rule& r : kRules) v.push_back(r.control);
    return v;
  }();
  return names;
}

std::string DataPanelText(const MainState& state) {
  std::string text;
  if (state.competitionOpen) {
    text = "T\xE4vling: " + state.competitionName;
    if (text.size() > 49) text.resize(49);
    if (!state.teamsPresent) text += " <inga lag inmatade>";
  } else if (state.dataPresent) {
    text = "<t\xE4vling ej vald/inmatad>";
  } else {
    text = "<datafiler saknas>";
  }
  return text;
}

std::string NextStepText(const MainState& state) {
  if (!state.dataPresent)
    return W(
        "Här finns inga datafiler ännu. Börja med \"skapa nya\" i menyn arkiv, lägg sedan "
        "in en tävling med \"ny\" (eller läs in en utbytesfil med \"importera\").");
  if (!state.competitionOpen)
    return W("Välj en tävling under \"välj\" i menyn arkiv, eller lägg in en ny med \"ny\".");
  if (!state.teamsPresent)
    return W("Lägg in klasser och lag under menyn register (eller \"importera\" dem).");
  return {};
}

bool MessageBar::drop(const std::string& text) {
  bool changed = false;
  for (int k = 0; k < 3; ++k) {
    if (text.empty() || m_panels[k] != text) continue;
    for (int j = k; j < 2; ++j) m_panels[j] = m_panels[j + 1];
    m_panels[2].clear();
    changed = true;
    --k;
  }
  return changed;
}

bool MessageBar::show(const std::string& text) {
  if (text == m_panels[0]) return false;
  m_panels[2] = std::move(m_panels[1]);
  m_panels[1] = std::move(m_panels[0]);
  m_panels[0] = text;
  return true;
}

std::vector<std::vector<std::string>> EditorCandidates(const std::string& folder) {
  std::vector<std::vector<std::string>> out;
  for (const char* var : {"VISUAL", "EDITOR"}) {
    const char* v = std::getenv(var);
    if (v != nullptr && *v != '\0') out.push_back({v, folder});
  }
  out.push_back({"xdg-open", folder});
  return out;
}

std::string EditorFailureText(const std::string& reason) {
  return "winexecfel: " + reason + " \"editor\"";
}

bool SelectCompetitionCommand(Database& db, int n) {
  db.closeCompetition();
  db.setCurrentCompetition(n);
  return db.selectCompetition(n, false);
}

bool DeleteCompetitionCommand(Database& db, int n) {
  if (!db.catalogueAvailable() || n < 1 || n >= db.catalogueFileLen()) return false;
  const int previous = db.currentCompetition();
  const bool wasOpen = db.competitionOpen();
  if (db.deleteCompetition(n)) return true;
  // A refused or failed deletion has closed the open competition; it is opened again so
  // that "No" to the question leaves everything as it was.
  if (wasOpen && previous != 0 && !db.competitionOpen()) {
    db.setCurrentCompetition(previous);
    if (!db.selectCompetition(previous, false)) db.setCurrentCompetition(0);
  }
  return false;
}

InputInfoOutcome InputInfo(Database& db, bool add) {
  if (!db.catalogueAvailable()) {
    db.setCurrentCompetition(0);
    return InputInfoOutcome::NoData;
  }
  if (add && db.catalogueUsedRecs() > 9) return InputInfoOutcome::TooMany;
  return InputInfoOutcome::OpenEditor;
}

}  // namespace liga

namespace liga {
int WindowScaleInUse(int configured, int screenWidth, int screenHeight, int maxScale) {
  if (configured >= 100 && configured <= maxScale) return configured;
  int x = std::min(screenHeight / 312, screenWidth / 545) / 3;
  if (x < 1) x = 1;
  return 100 * x;
}
}  // namespace liga

namespace liga {
bool DataDirIsEmpty(const std::string& dir) {
  std::error_code ec;
  std::filesystem::directory_iterator it(dir, ec);
  if (ec) return false;
  for (const auto& entry : it) {
    if (entry.path().filename() != kLockFileName) return false;
  }
  return true;
}
}  // namespace liga

namespace liga {
void ChangeDataDirectoryCommand(Database& db, MainConfig& main) {
  db.changeDataDirectory();
  main.setDataDir(db.dataDir());
  const int current = main.currentCompetition();
  if (db.catalogueAvailable() && current >= 1 && current < db.catalogueFileLen()) {
    db.setCurrentCompetition(current);
    if (!db.selectCompetition(current, false)) db.setCurrentCompetition(0);
  } else {
    db.setCurrentCompetition(0);
  }
  main.setCurrentCompetition(db.currentCompetition());
}

std::string ExchangeFolder(const std::string& lastExchangePath, const std::string& textDir) {
  if (lastExchangePath.empty()) return textDir;
  std::error_code ec;
  const std::filesystem::path folder = std::filesystem::path(lastExchangePath).parent_path();
  if (!folder.empty() && std::filesystem::is_directory(folder, ec)) return folder.string();
  return textDir;
}
}  // namespace liga
