// Entering a season by hand from the command line: competition, class, team, playtime,
// match, matches, move and result.
//
// Every command drives the same controllers as the desktop windows: it opens the register
// or window, fills the editor's fields from its arguments and presses OK. A refusal prints
// the message the window would show (UTF-8, on stderr), cancels the editor and exits 1, so
// nothing of a refused command is stored.
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <variant>
#include <vector>

#include "app/shell.h"
#include "cli/command.h"
#include "cli/session.h"
#include "common/encoding.h"
#include "common/messages.h"
#include "common/text.h"
#include "editing/game.h"
#include "editing/info_dlg.h"
#include "editing/klass.h"
#include "editing/lag.h"
#include "editing/move_game.h"
#include "editing/result_form.h"
#include "editing/select.h"
#include "editing/team_matches.h"
#include "model/matches.h"

namespace liga::cli {
namespace {

// The subcommand's arguments: positionals and "--name value" options. Every option takes a
// value; "--contact" takes two and may repeat.
struct Args {
  std::vector<std::string> positional;
  std::map<std::string, std::string> options;
  std::vector<std::pair<std::string, std::string>> contacts;

  std::optional<std::string> get(const std::string& name) const {
    auto it = options.find(name);
    if (it == options.end()) return std::nullopt;
    return it->second;
  }
};

// Parses ctx.args from `first`; false for an unknown option or a missing value.
bool parseArgs(const Context& ctx, std::size_t first, const std::vector<std::string>& allowed,
               Args& out) {
  for (std::size_t i = first; i < ctx.args.size(); ++i) {
    const std::string& a = ctx.args[i];
    if (a.rfind("--", 0) != 0) {
      out.positional.push_back(a);
      continue;
    }
    const std::string name = a.substr(2);
    bool known = false;
    for (const auto& n : allowed) known = known || n == name;
    if (!known) return false;
    if (name == "contact") {
      if (i + 2 >= ctx.args.size()) return false;
      out.contacts.emplace_back(ctx.args[i + 1], ctx.args[i + 2]);
      i += 2;
      continue;
    }
    if (i + 1 >= ctx.args.size()) return false;
    out.options[name] = ctx.args[++i];
  }
  return true;
}

int needCompetition(Context& ctx, Database& db) {
  if (!db.catalogueAvailable()) return refuse(ctx, MessageText(msg::kNoDatabase));
  return refuseWithoutCompetition(ctx, db);
}

// Prints the refusal of an editor's OK step. An OK that failed without a text is a declined
// question, whose text `declined` then stands for.
int refuseResult(Context& ctx, const OkResult& r, const std::string& declined = {}) {
  return refuse(ctx, r.message.empty() ? declined : r.message);
}

bool parseInt(const std::string& s, int& v) {
  const auto parsed = ParseEditorNumber(s);
  if (!parsed || s.empty()) return false;
  v = *parsed;
  return true;
}

// ---------------------------------------------------------------------------------------
// competition

int runCompetition(Context& ctx) {
  const Command& self = *findCommand("competition");
  if (ctx.args.empty() || (ctx.args[0] != "add" && ctx.args[0] != "edit"))
    return usageError(ctx, self);
  const bool add = ctx.args[0] == "add";
  Args args;
  if (!parseArgs(ctx, 1,
                 {"organiser", "name", "sport", "rounds", "postgiro", "bankgiro", "giro", "payee",
                  "fee", "amount-filled", "contact"},
                 args) ||
      !args.positional.empty())
    return usageError(ctx, self);
  const auto giro = args.get("giro");
  if (giro && *giro != "pg" && *giro != "bg") return usageError(ctx, self);
  const auto filled = args.get("amount-filled");
  if (filled && *filled != "0" && *filled != "1") return usageError(ctx, self);
  for (const auto& [n, lines] : args.contacts) {
    if (n.size() != 1 || n[0] < '1' || n[0] > '4') return usageError(ctx, self);
  }
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.catalogueAvailable() || (!add && !db.competitionOpen()))
      return needCompetition(ctx, db);
    OkResult result;
    bool opened = false;
    const bool ok = InputInfo(db, add, [&](TInfoDlgForm& f) {
      opened = true;
      if (auto v = args.get("organiser")) f.edArr = W(*v);
      if (auto v = args.get("name")) f.edTvl = W(*v);
      if (auto v = args.get("sport")) f.edTyp = W(*v);
      if (auto v = args.get("rounds")) f.edOmg = *v;
      if (auto v = args.get("postgiro")) f.edPostgiro = W(*v);
      if (auto v = args.get("bankgiro")) f.edBankgiro = W(*v);
      if (giro) *giro == "pg" ? f.chooseUsePG() : f.chooseUseBG();
      if (auto v = args.get("payee")) f.edBetMottagare = W(*v);
      if (auto v = args.get("fee")) f.edAvgift = *v;
      if (filled) f.cbAttbetala = *filled == "1";
      for (const auto& [n, lines] : args.contacts) {
        std::string memo = W(lines);
        for (char& c : memo)
          if (c == '|') c = '\n';
        f.btnKontaktClick(n[0] - '0', [&](TadressDlg& d) {
          d.adressMemo = memo;
          d.okClick();
        });
      }
      result = f.okButtonClick();
    });
    if (!opened) return refuse(ctx, StatusMessage());
    if (!ok) return refuseResult(ctx, result);
    ctx.out << FormatInt(db.currentCompetition(), 2) << " "
            << Cp1252ToUtf8(db.comp().competitionName()) << "\n";
    return kExitOk;
  });
}

// ---------------------------------------------------------------------------------------
// class

void fillClass(TklassDlg& dlg, const Args& args) {
  if (auto v = args.get("rounds")) dlg.edOmg = *v;
  if (auto v = args.get("win")) dlg.edWin = *v;
  if (auto v = args.get("draw")) dlg.edOavg = *v;
  if (auto v = args.get("first")) dlg.edNummerStart = *v;
  if (auto v = args.get("tiebreak")) dlg.edOrdning = W(*v);
}

int runClass(Context& ctx) {
  const Command& self = *findCommand("class");
  if (ctx.args.size() < 2) return usageError(ctx, self);
  const std::string verb = ctx.args[0];
  Args args;
  std::vector<std::string> allowed{"rounds", "win", "draw", "first", "tiebreak"};
  if (verb == "edit") allowed.push_back("name");
  if ((verb != "add" && verb != "edit" && verb != "delete") || !parseArgs(ctx, 1, allowed, args) ||
      args.positional.size() != 1 || (verb == "delete" && !args.options.empty()))
    return usageError(ctx, self);
  const std::string name = W(args.positional[0]);
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return needCompetition(ctx, db);
    TlgKLassRegForm reg(db);
    reg.start();
    OkResult result;
    bool opened = false;
    reg.runEditor = [&](TklassDlg& dlg) {
      opened = true;
      if (verb == "add") dlg.edKlass = name;
      if (auto v = args.get("name")) dlg.edKlass = W(*v);
      fillClass(dlg, args);
      result = dlg.BitBtn1Click();
    };
    if (verb == "add") {
      reg.EditEntry(true);
      if (!opened) return refuse(ctx, reg.statusText());
      if (!result.ok) return refuseResult(ctx, result);
      ctx.out << Cp1252ToUtf8(db.cls().className()) << "\n";
      return kExitOk;
    }
    std::string key = UpCase(name);
    std::int32_t recNo = 0;
    if (!SelectClass(db, BrowseMode::Find, key, recNo).found)
      return refuse(ctx, W("klassen finns inte: ") + name);
    const int index = reg.indexOf(recNo);
    reg.setSelected(index, true);
    if (verb == "edit") {
      reg.EditEntry(false);
      if (!result.ok) return refuseResult(ctx, result);
      ctx.out << Cp1252ToUtf8(db.cls().className()) << "\n";
      return kExitOk;
    }
    reg.EraseEntry();
    if (reg.indexOf(recNo) >= 0) return refuse(ctx, StatusMessage());
    ctx.out << Cp1252ToUtf8(StatusMessage()) << "\n";
    return kExitOk;
  });
}

// ---------------------------------------------------------------------------------------
// team

std::int32_t findTeam(Database& db, int number) {
  std::string key = ZeroPad(number, 4);
  std::int32_t recNo = 0;
  return SelectTeam(db, BrowseMode::Find, key, recNo).found ? recNo : 0;
}

// A `team` command line read and checked: the verb, its options, the team number it names
// (edit, delete, contact), the contact row, and the new number asked for (-1: none).
struct TeamRequest {
  std::string verb;
  Args args;
  int number = 0;
  int row = 0;
  int newNumber = -1;
};

// Reads the command line; an exit code when it is not a valid one.
std::variant<TeamRequest, int> parseTeamRequest(Context& ctx) {
  const Command& self = *findCommand("team");
  if (ctx.args.empty()) return usageError(ctx, self);
  TeamRequest req;
  req.verb = ctx.args[0];
  const std::string& verb = req.verb;
  std::vector<std::string> allowed;
  std::size_t positionals = 0;
  if (verb == "add" || verb == "edit") {
    allowed = {"class", "name", "number", "ranking", "points", "goals-for", "goals-against"};
    positionals = verb == "add" ? 0 : 1;
  } else if (verb == "delete") {
    positionals = 1;
  } else if (verb == "contact") {
    allowed = {"name", "street", "town", "line4", "email"};
    positionals = 2;
  } else {
    return usageError(ctx, self);
  }
  const Args& args = req.args;
  if (!parseArgs(ctx, 1, allowed, req.args) || args.positional.size() != positionals)
    return usageError(ctx, self);
  if (verb == "add" && (!args.get("class") || !args.get("name"))) return usageError(ctx, self);
  if (positionals >= 1 &&
      (!parseInt(args.positional[0], req.number) || req.number < 0 || req.number > 9999))
    return usageError(ctx, self);
  if (verb == "contact" &&
      (!parseInt(args.positional[1], req.row) || req.row < 0 || req.row >= TeamRec::kContactRows))
    return usageError(ctx, self);
  if (auto v = args.get("number")) {
    if (!parseInt(*v, req.newNumber) || req.newNumber < 0 || req.newNumber > 9999)
      return refuse(ctx, NumericInputError());
  }
  return req;
}

// Fills the team editor from the request and presses OK. `declined` is set, and nothing
// pressed, when the class named is missing and was not to be added.
OkResult fillTeamEditor(TLagForm& f, Database& db, const TeamRequest& req, std::string& declined) {
  const Args& args = req.args;
  if (auto v = args.get("class")) {
    f.cbKlass = W(*v);
    f.cbKlassChange();
    if (db.team().divisionRecNo() == 0) {
      declined = "Klassen\"" + UpCase(f.cbKlass).substr(0, 30) + "\" saknas.";
      return {};
    }
  }
  if (req.newNumber >= 0) f.setNummer(req.newNumber);
  if (req.verb != "contact") {
    if (auto v = args.get("name")) f.edNamn = W(*v);
  }
  if (auto v = args.get("ranking")) f.edRanking = *v;
  if (auto v = args.get("points")) f.edPoint = *v;
  if (auto v = args.get("goals-for")) f.edWin = *v;
  if (auto v = args.get("goals-against")) f.edLost = *v;
  if (req.verb == "contact") {
    const std::pair<const char*, int> cols[] = {
        {"name", 1}, {"street", 2}, {"town", 3}, {"line4", 4}, {"email", 5}};
    for (const auto& [opt, col] : cols) {
      if (auto v = args.get(opt)) f.setCell(req.row + 1, col, W(*v));
    }
  }
  return f.okButtonClick();
}

int runTeam(Context& ctx) {
  auto parsed = parseTeamRequest(ctx);
  if (const int* exitCode = std::get_if<int>(&parsed)) return *exitCode;
  const TeamRequest& req = std::get<TeamRequest>(parsed);
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return needCompetition(ctx, db);
    TlgLagRegForm reg(db);
    reg.start();
    OkResult result;
    bool opened = false;
    std::string declined;
    reg.runEditor = [&](TLagForm& f) {
      opened = true;
      result = fillTeamEditor(f, db, req, declined);
    };
    if (req.verb == "add") {
      reg.EditEntry(true);
      if (!opened) return refuse(ctx, reg.statusText());
    } else {
      const std::int32_t recNo = findTeam(db, req.number);
      if (recNo == 0) return refuse(ctx, "laget finns inte: " + ZeroPad(req.number, 4));
      reg.setSelected(reg.indexOf(recNo), true);
      if (req.verb == "delete") {
        ShowMessage(1, "");
        reg.EraseEntry();
        // Without a new message the question about the team's matches was answered No.
        if (reg.indexOf(recNo) >= 0)
          return refuse(ctx, StatusMessage().empty()
                                 ? W("laget har matcher och raderades inte (--yes raderar det "
                                     "med dess matcher)")
                                 : StatusMessage());
        ctx.out << Cp1252ToUtf8(StatusMessage()) << "\n";
        return kExitOk;
      }
      reg.EditEntry(false);
    }
    if (!declined.empty()) return refuse(ctx, declined);
    if (!result.ok) return refuseResult(ctx, result);
    ctx.out << Cp1252ToUtf8(reg.list()[reg.focused()].text) << "\n";
    return kExitOk;
  });
}

// ---------------------------------------------------------------------------------------
// playtime, match

std::int32_t findPlayTime(Database& db, const std::string& text) {
  std::string key = UpCase(W(text)).substr(0, 16);
  std::int32_t recNo = 0;
  return SelectPlayTime(db, BrowseMode::Find, key, recNo).found ? recNo : 0;
}

int noPlayTime(Context& ctx, const std::string& text) {
  return refuse(ctx, "speltiden finns inte: " + W(text));
}

// Runs the play-time editor on `recNo` (0: a new play time) with `edit` at the editor.
int editPlayTime(Context& ctx, Database& db, std::int32_t recNo,
                 const std::function<void(TGameForm&)>& edit) {
  TlgGameRegForm reg(db);
  reg.start();
  OkResult result;
  bool opened = false;
  reg.runEditor = [&](TGameForm& f) {
    opened = true;
    edit(f);
    result = f.okButtonClick();
  };
  if (recNo == 0) {
    reg.EditEntry(true);
    if (!opened) return refuse(ctx, reg.statusText());
  } else {
    reg.setSelected(reg.indexOf(recNo), true);
    reg.EditEntry(false);
  }
  if (!result.ok) return refuseResult(ctx, result);
  ctx.out << Cp1252ToUtf8(db.playTime().playTime()) << "\n";
  return kExitOk;
}

int runPlayTime(Context& ctx) {
  const Command& self = *findCommand("playtime");
  if (ctx.args.empty()) return usageError(ctx, self);
  const std::string verb = ctx.args[0];
  Args args;
  std::vector<std::string> allowed;
  if (verb == "add") allowed = {"leader"};
  if (verb == "edit") allowed = {"time", "leader"};
  if ((verb != "add" && verb != "edit" && verb != "delete") || !parseArgs(ctx, 1, allowed, args) ||
      args.positional.size() != 1)
    return usageError(ctx, self);
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return needCompetition(ctx, db);
    if (verb == "add") {
      return editPlayTime(ctx, db, 0, [&](TGameForm& f) {
        f.edSpeltid = W(args.positional[0]);
        if (auto v = args.get("leader")) f.edLedare = W(*v);
      });
    }
    const std::int32_t recNo = findPlayTime(db, args.positional[0]);
    if (recNo == 0) return noPlayTime(ctx, args.positional[0]);
    if (verb == "edit") {
      return editPlayTime(ctx, db, recNo, [&](TGameForm& f) {
        if (auto v = args.get("time")) f.edSpeltid = W(*v);
        if (auto v = args.get("leader")) f.edLedare = W(*v);
      });
    }
    TlgGameRegForm reg(db);
    reg.start();
    reg.setSelected(reg.indexOf(recNo), true);
    ShowMessage(1, "");
    reg.EraseEntry();
    // Without a new message the question about the play time's matches was answered No.
    if (reg.indexOf(recNo) >= 0)
      return refuse(ctx, StatusMessage().empty()
                             ? W("speltiden har matcher och raderades inte (--yes raderar den "
                                 "med dess matcher)")
                             : StatusMessage());
    ctx.out << Cp1252ToUtf8(StatusMessage()) << "\n";
    return kExitOk;
  });
}

int runMatch(Context& ctx) {
  const Command& self = *findCommand("match");
  if (ctx.args.empty()) return usageError(ctx, self);
  const std::string verb = ctx.args[0];
  const std::size_t want = verb == "set" ? 5 : verb == "clear" ? 3 : 0;
  if (want == 0 || ctx.args.size() != want) return usageError(ctx, self);
  int slot = 0, home = 0, away = 0;
  if (!parseInt(ctx.args[2], slot) || slot < 1 || slot > PlayTimeRec::kMaxRows)
    return usageError(ctx, self);
  if (verb == "set" && (!parseInt(ctx.args[3], home) || !parseInt(ctx.args[4], away) || home < 0 ||
                        away < 0 || home > 9999 || away > 9999))
    return usageError(ctx, self);
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return needCompetition(ctx, db);
    const std::int32_t pt = findPlayTime(db, ctx.args[1]);
    if (pt == 0) return noPlayTime(ctx, ctx.args[1]);
    std::int32_t homeNo = 0, awayNo = 0;
    if (verb == "set") {
      homeNo = findTeam(db, home);
      if (homeNo == 0) return refuse(ctx, "laget finns inte: " + ZeroPad(home, 4));
      awayNo = findTeam(db, away);
      if (awayNo == 0) return refuse(ctx, "laget finns inte: " + ZeroPad(away, 4));
    }
    const int status = editPlayTime(ctx, db, pt, [&](TGameForm& f) {
      if (verb == "set") {
        f.setSide(slot, TGameForm::kHomePick, homeNo);
        f.setSide(slot, TGameForm::kAwayPick, awayNo);
      } else {
        f.clearCell(slot, TGameForm::kHomePick);
        f.clearCell(slot, TGameForm::kAwayPick);
      }
    });
    // A team without room in its match list leaves the slot unregistered.
    if (status == kExitOk && verb == "set" && !model::SlotMatch(db, pt, slot))
      return refuse(ctx, StatusMessage());
    return status;
  });
}

std::string scoreText(int score) {
  return ScorePresent(score) ? FormatInt(score, 3) : std::string("  -");
}

int runMatches(Context& ctx) {
  const Command& self = *findCommand("matches");
  Args args;
  if (!parseArgs(ctx, 0, {"playtime"}, args) || !args.positional.empty())
    return usageError(ctx, self);
  return withShell(
      ctx,
      [&](Shell& shell) {
        Database& db = shell.db();
        if (!db.competitionOpen()) return needCompetition(ctx, db);
        std::vector<std::int32_t> times;
        if (auto p = args.get("playtime")) {
          const std::int32_t pt = findPlayTime(db, *p);
          if (pt == 0) return noPlayTime(ctx, *p);
          times.push_back(pt);
        } else {
          times = db.playTimesInKeyOrder();
        }
        PlayTimeRec p;
        for (const std::int32_t pt : times) {
          if (!db.readPlayTimeRecord(pt, p)) continue;
          ctx.out << Cp1252ToUtf8(p.playTime());
          if (!p.gameLeader().empty()) ctx.out << "  " << Cp1252ToUtf8(p.gameLeader());
          ctx.out << "\n";
          for (const model::MatchValue& m : model::PlayTimeMatches(p, pt)) {
            ctx.out << FormatInt(m.slot, 4) << FormatInt(m.number, 6) << "  "
                    << Cp1252ToUtf8(TeamSideText(db, m.home, 30)) << " - "
                    << Cp1252ToUtf8(TeamSideText(db, m.away, 30)) << scoreText(m.homeScore) << " -"
                    << scoreText(m.awayScore) << "\n";
          }
        }
        return kExitOk;
      },
      DataDirAccess::Read);
}

// The play time holding match `number` and its slot; {0, 0} when no play time holds it.
std::pair<std::int32_t, int> findMatch(Database& db, int number) {
  const std::optional<model::MatchValue> m = model::Match(db, number);
  return m ? std::pair{m->playTimeRecNo, m->slot} : std::pair<std::int32_t, int>{0, 0};
}

int noMatch(Context& ctx, int number) {
  return refuse(ctx, "matchen finns inte: " + std::to_string(number));
}

int runMove(Context& ctx) {
  const Command& self = *findCommand("move");
  int number = 0;
  if (ctx.args.size() != 2 || !parseInt(ctx.args[0], number) || number <= 0)
    return usageError(ctx, self);
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return needCompetition(ctx, db);
    const auto [from, slot] = findMatch(db, number);
    if (from == 0) return noMatch(ctx, number);
    const std::int32_t to = findPlayTime(db, ctx.args[1]);
    if (to == 0) return noPlayTime(ctx, ctx.args[1]);
    TMoveGameForm mover(db);
    for (int i = 0; i < static_cast<int>(mover.list().size()); ++i) {
      if (mover.list()[i].recNo == from) mover.selectPlayTime(1, i);
      if (mover.list()[i].recNo == to) mover.selectPlayTime(2, i);
    }
    const OkResult r = mover.doubleClickLeft(slot);
    if (!r.ok) return refuseResult(ctx, r);
    ctx.out << number << " -> " << Cp1252ToUtf8(mover.working(2).playTime()) << "\n";
    return kExitOk;
  });
}

int runResult(Context& ctx) {
  const Command& self = *findCommand("result");
  int number = 0;
  if (ctx.args.size() != 3)
    return usageError(ctx, self,
                      "ange matchnumret och båda resultaten (" + std::to_string(ctx.args.size()) +
                          " argument givna)");
  if (!parseInt(ctx.args[0], number) || number <= 0)
    return usageError(ctx, self, rangeProblem("MATCHNR", ctx.args[0], 1, 32767));
  for (int side = 1; side <= 2; ++side) {
    if (!ParseScoreCell(ctx.args[side]))
      return usageError(ctx, self,
                        std::string(side == 1 ? "HEMMA" : "BORTA") +
                            " måste vara ett heltal (negativt = inget resultat), inte \"" +
                            ctx.args[side] + "\"");
  }
  return withShell(ctx, [&](Shell& shell) {
    Database& db = shell.db();
    if (!db.competitionOpen()) return needCompetition(ctx, db);
    const auto [pt, slot] = findMatch(db, number);
    if (pt == 0) return noMatch(ctx, number);
    TResultForm form(db);
    int index = -1;
    for (int i = 0; i < static_cast<int>(form.list().size()); ++i)
      if (form.list()[i].recNo == pt) index = i;
    if (index != form.listIndex()) {
      const OkResult r = form.cbSpeltider1Change(index);
      if (!r.ok) return refuseResult(ctx, r);
    }
    form.setCell(slot, TResultForm::kHomeCol, ctx.args[1]);
    form.setCell(slot, TResultForm::kAwayCol, ctx.args[2]);
    const OkResult r = form.klarClick();
    if (!r.ok) return refuseResult(ctx, r);
    const std::optional<model::MatchValue> m = model::SlotMatch(db, pt, slot);
    if (!m) return refuse(ctx, StatusMessage());
    ctx.out << number << ":" << scoreText(m->homeScore) << " -" << scoreText(m->awayScore) << "\n";
    return kExitOk;
  });
}

const CommandRegistrar kCompetition{
    {"competition",
     "add|edit [--organiser T] [--name T] [--sport T] [--rounds N] [--postgiro T] [--bankgiro T] "
     "[--giro pg|bg] [--payee T] [--fee N] [--amount-filled 0|1] [--contact N \"RAD|RAD|...\"]",
     "lägger in en ny tävling eller ändrar den öppna (\"&ny\", \"&ändra\")", runCompetition}};
const CommandRegistrar kClass{
    {"class",
     "add NAMN [--rounds N] [--win N] [--draw N] [--first N] [--tiebreak LISTA] | "
     "edit NAMN [--name NYTT] [samma flaggor] | delete NAMN",
     "lägger in, ändrar eller raderar en klass", runClass,
     "  --tiebreak LISTA  tabellordningen vid lika poäng: orden i tur och ordning, med\n"
     "                    komma emellan, av poäng, målskillnad, gjorda (gjorda mål), vunna\n"
     "                    (vunna matcher), inbördes (inbördes möten: poäng, målskillnad,\n"
     "                    gjorda mål i lagens matcher mot varandra), bortamål, och sist\n"
     "                    lottning eller lagnummer för helt lika lag. Poäng står alltid\n"
     "                    först. Förval: poäng,målskillnad.\n"}};
const CommandRegistrar kTeam{
    {"team",
     "add --class NAMN --name T [--number N] [--ranking N] [--points N] [--goals-for N] "
     "[--goals-against N] | edit NUMMER [--class NAMN] [--name T] [samma flaggor] | "
     "delete NUMMER | contact NUMMER RAD [--name T] [--street T] [--town T] [--line4 T] "
     "[--email T]",
     "lägger in, ändrar eller raderar ett lag; rad 0 är lagledaren", runTeam}};
const CommandRegistrar kPlayTime{
    {"playtime",
     "add \"ÅÅÅÅ-MM-DD TT:MM\" [--leader T] | edit SPELTID [--time NY] [--leader T] | "
     "delete SPELTID",
     "lägger in, ändrar eller raderar en speltid", runPlayTime,
     "  add TID         en ny speltid; TID skrivs ÅÅÅÅ-MM-DD TT:MM (\"2027-04-10 10:00\")\n"
     "                  och måste vara ett datum och klockslag som finns\n"
     "  edit SPELTID    ändrar speltiden SPELTID (skriven som \"liga matches\" visar den)\n"
     "    --time NY     ny tid, i samma form som vid add\n"
     "    --leader T    matchledaren, högst 56 tecken\n"
     "  delete SPELTID  raderar speltiden; har den matcher frågas först (--yes), och\n"
     "                  matcherna tas bort ur lagens matchlistor\n"}};
const CommandRegistrar kMatch{
    {"match", "set SPELTID PLATS HEMMALAG BORTALAG | clear SPELTID PLATS",
     "sätter eller tömmer en matchplats (lagnummer)", runMatch,
     "  set SPELTID PLATS HEMMALAG BORTALAG\n"
     "             lägger en match på plats PLATS (1..16) av speltiden SPELTID\n"
     "             (\"ÅÅÅÅ-MM-DD TT:MM\", som \"liga matches\" visar den); lagen anges med\n"
     "             sina lagnummer och måste spela i samma klass\n"
     "  clear SPELTID PLATS\n"
     "             tömmer platsen; matchen försvinner ur båda lagens matchlistor\n"}};
const CommandRegistrar kMatches{
    {"matches", "[--playtime SPELTID]", "visar speltidernas matcher: nummer, lag och resultat",
     runMatches,
     "  --playtime SPELTID  bara den speltiden (\"ÅÅÅÅ-MM-DD TT:MM\");\n"
     "                      standard: alla speltider i tidsordning\n"
     "Varje rad: matchnummer, hemmalag - bortalag och resultatet\n"
     "(tomt när inget resultat finns).\n"}};
const CommandRegistrar kMove{
    {"move", "MATCHNR SPELTID", "flyttar en match till en annan speltid", runMove}};
const CommandRegistrar kResult{
    {"result", "MATCHNR HEMMA BORTA", "för in ett resultat; negativt betyder inget resultat",
     runResult,
     "  MATCHNR  matchens nummer (\"liga matches\" visar dem), 1..32767\n"
     "  HEMMA    hemmalagets resultat, ett heltal 0..9998; negativt (-1) = inget resultat\n"
     "  BORTA    bortalagets resultat, som HEMMA\n"
     "Ett resultat är fullständigt när båda finns; tabellerna räknar bara fullständiga.\n"
     "Exempel: liga result 12 3 1    liga result 12 -1 -1 (tar bort resultatet)\n"}};

}  // namespace
}  // namespace liga::cli
