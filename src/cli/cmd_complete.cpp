// complete: the words bash completion offers, one per line (share/bash-completion/liga).
//
//   liga complete commands      the subcommands
//   liga complete args COMMAND  COMMAND's flags and keywords (report and view kinds, ...),
//                               read from its usage line and its help, so a new flag is
//                               completed as soon as it is documented
//   liga complete classes       class names of the current competition (UTF-8)
//   liga complete teams         team numbers of the current competition
//
// Completion runs on every Tab: the data directory is only read, under the shared lock,
// and the configuration is never written back. Nothing to offer (no competition, a data
// directory held by a writer) prints nothing and exits 1.
#include <cctype>
#include <set>
#include <sstream>
#include <string>

#include "cli/command.h"
#include "cli/session.h"
#include "common/encoding.h"
#include "common/text.h"
#include "model/team_selection.h"

namespace liga::cli {
namespace {

bool isKeywordStart(char c) {
  return (c >= 'a' && c <= 'z') || static_cast<unsigned char>(c) >= 0x80;
}

// Flags ("--x") anywhere in the usage and the help, keywords (lower-case words) in the
// usage only: upper-case words there are placeholders (FIL, NAMN), numbers are ranges.
std::set<std::string> commandWords(const Command& c) {
  std::set<std::string> words;
  auto scan = [&](const std::string& text, bool keywords) {
    std::string word;
    auto flush = [&] {
      if (word.size() > 2 && word.compare(0, 2, "--") == 0 && isKeywordStart(word[2])) {
        words.insert(word);
      } else if (keywords && !word.empty() && isKeywordStart(word[0])) {
        words.insert(word);
      }
      word.clear();
    };
    for (char ch : text) {
      const bool part = std::isalnum(static_cast<unsigned char>(ch)) || ch == '-' ||
                        static_cast<unsigned char>(ch) >= 0x80;
      if (part) {
        word += ch;
      } else {
        flush();
      }
    }
    flush();
  };
  scan(c.usage, true);
  scan(c.details, false);
  return words;
}

// Runs `body(db)` on the configured (or --data) data directory without writing anything.
template <typename Body>
int readCompetition(Context& ctx, Body body) {
  Shell shell;
  StartupOptions options;
  options.configFile = ctx.options.configFile;
  options.dataDir = ctx.options.dataDir;
  options.access = DataDirAccess::Read;
  options.keepWorkingDirectory = true;
  shell.startup(ctx.ui, options);
  int status = kExitRefused;
  if (!shell.db().lockRefused() && shell.db().competitionOpen()) {
    ScopedUi scoped(ctx.ui);
    body(shell.db());
    status = kExitOk;
  }
  shell.shutdown(ctx.ui, false);
  return status;
}

int runComplete(Context& ctx) {
  const Command& self = *findCommand("complete");
  const std::string kind = ctx.args.empty() ? "" : ctx.args[0];
  if (kind == "commands" && ctx.args.size() == 1) {
    for (const Command* c : allCommands()) ctx.out << c->name << "\n";
    return kExitOk;
  }
  if (kind == "args" && ctx.args.size() == 2) {
    const Command* c = findCommand(ctx.args[1]);
    if (!c) return kExitRefused;
    for (const std::string& w : commandWords(*c)) ctx.out << w << "\n";
    return kExitOk;
  }
  if (kind == "classes" && ctx.args.size() == 1) {
    return readCompetition(ctx, [&](Database& db) {
      std::string key;
      std::int32_t recNo = 0;
      db.browseClass(BrowseMode::Clear, key, recNo);
      for (;;) {
        const BrowseResult r = db.browseClass(BrowseMode::Next, key, recNo);
        if (r.atEnd) break;
        if (r.found) ctx.out << Cp1252ToUtf8(db.cls().className()) << "\n";
      }
    });
  }
  if (kind == "teams" && ctx.args.size() == 1) {
    return readCompetition(ctx, [&](Database& db) {
      TeamSelection selection(db);
      SelectionRequest request;
      request.kind = kSortClassNumber;
      selection.select(request);
      for (const std::int32_t recNo : selection.selected()) {
        if (db.readTeam(recNo)) ctx.out << FormatInt(db.team().teamNumber(), 4, '0') << "\n";
      }
    });
  }
  return usageError(ctx, self, "ange commands, args KOMMANDO, classes eller teams");
}

const CommandRegistrar kComplete{
    {"complete", "commands|args KOMMANDO|classes|teams",
     "skriver ord för bash-kompletteringen, ett per rad", runComplete,
     "  commands          alla kommandon\n"
     "  args KOMMANDO     kommandots flaggor och nyckelord (rapport- och visningsslag)\n"
     "  classes           klassnamnen i den öppna tävlingen\n"
     "  teams             lagnumren i den öppna tävlingen\n"
     "Läser bara: datakatalogen ändras inte och konfigurationen skrivs inte.\n"}};

}  // namespace
}  // namespace liga::cli
