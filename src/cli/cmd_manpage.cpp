// manpage: the manual page liga(1), written from the texts `liga help` prints.
//
// The build runs `liga manpage` to make liga.1, so the page and the help cannot disagree:
// every command's synopsis, summary and details come from the registry, and the global
// flags and the exit status are the very lines of `liga help` (taken from its output).
// Only the sections a terminal help has no room for (files, an example season) are
// written here.
#include <sstream>
#include <string>
#include <vector>

#include "cli/command.h"

namespace liga::cli {
namespace {

// Text as roff reads it: backslashes and minus signs escaped, a line never starting with
// a control character.
std::string roff(const std::string& text) {
  std::string out;
  bool lineStart = true;
  for (char c : text) {
    if (lineStart && (c == '.' || c == '\'')) out += "\\&";
    if (c == '\\') {
      out += "\\e";
    } else if (c == '-') {
      out += "\\-";
    } else {
      out += c;
    }
    lineStart = c == '\n';
  }
  return out;
}

// A usage line that may break after each "|" of a long list of alternatives.
std::string breakable(const std::string& text) {
  std::string out;
  for (char c : text) {
    out += c;
    if (c == '|') out += "\\:";
  }
  return out;
}

// Preformatted lines (the help's own layout, columns aligned with blanks).
std::string verbatim(const std::string& lines) {
  if (lines.empty()) return {};
  return ".RS 4\n.nf\n" + roff(lines) + (lines.back() == '\n' ? "" : "\n") + ".fi\n.RE\n";
}

// The lines of `liga help` from the one starting with `heading` up to the next blank line,
// without the heading line itself when `dropHeading` is set.
std::string helpSection(const std::string& help, const std::string& heading, bool dropHeading) {
  const auto start = help.find("\n" + heading);
  if (start == std::string::npos) return {};
  std::size_t from = start + 1;
  if (dropHeading) from = help.find('\n', from) + 1;
  const auto end = help.find("\n\n", from);
  return help.substr(from, end == std::string::npos ? std::string::npos : end + 1 - from);
}

const char* kFiles =
    ".TP\n"
    ".I $XDG_CONFIG_HOME/LigaWin32/LigaWin32.P32\n"
    "Konfigurationsfilen (normalt i \\fI~/.config/LigaWin32/\\fR): senaste tävling, datakatalog,\n"
    "rapport\\- och etikettinställningar. \\fB\\-\\-config\\fR väljer en annan.\n"
    ".TP\n"
    ".I $XDG_CONFIG_HOME/LigaWin32/sendemail.ini\n"
    "E\\-postinställningarna (läge 0600, eftersom filen kan hålla ett lösenord).\n"
    ".TP\n"
    ".I XDG_DOCUMENTS_DIR/LigaWin32/data/\n"
    "Datakatalogen (normalt \\fI~/Documents/LigaWin32/data/\\fR): katalogen \\fIcupfiles\\fR och\n"
    "per tävling \\fIklassNN\\fR, \\fIlgNN\\fR och \\fIgameNN\\fR, var och en som .DAT, .IX och "
    ".DIA.\n"
    "\\fBliga datadir\\fR byter den; \\fB\\-\\-data\\fR gäller ett kommando.\n"
    ".TP\n"
    ".I XDG_DOCUMENTS_DIR/LigaWin32/text/\n"
    "Importloggar och exporterade filer.\n";

const char* kExamples =
    "En säsong från början till tabell:\n"
    ".PP\n"
    ".RS 4\n.nf\n"
    "mkdir \\-p ~/säsong/data && cd ~/säsong\n"
    "liga datadir ./data\n"
    "liga demo\n"
    "liga schedule \\-\\-seed 1 \\-\\-out säsong.lot\n"
    "liga import säsong.lot\n"
    "liga export resultat resultat.lgw\n"
    "liga \\-\\-yes import resultat.lgw\n"
    "liga standings\n"
    "liga report laglista \\-\\-pdf laglista.pdf\n"
    "liga publish webb\n"
    ".fi\n.RE\n";

int runManpage(Context& ctx) {
  if (!ctx.args.empty()) return usageError(ctx, *findCommand("manpage"));
  std::ostringstream help;
  Context helpCtx{ctx.options, {}, help, ctx.err, ctx.ui};
  if (findCommand("help")->run(helpCtx) != kExitOk) return kExitRefused;
  const std::string text = help.str();

  std::ostream& o = ctx.out;
  o << ".TH LIGA 1 \"\" \"LigaWin32 " << LIGA_VERSION << "\" \"Användarkommandon\"\n"
    << ".SH NAMN\n"
    << roff(text.substr(0, text.find('\n'))) << "\n"
    << ".SH SYNOPSIS\n.B liga\n"
    << roff("[--data KATALOG] [--config FIL] [--yes|--no] [--quiet] KOMMANDO [ARGUMENT]") << "\n"
    << ".br\n.B liga \\-\\-version\n"
    << ".SH BESKRIVNING\n"
    << "\\fBliga\\fR är kommandoradsversionen av \\fBligawin32\\fR(1): samma tävlingar, samma\n"
    << "datakatalog och samma filer. Relativa sökvägar gäller katalogen där liga startades.\n"
    << ".SH KOMMANDON\n";
  for (const Command* c : allCommands()) {
    o << ".TP\n\\fBliga " << roff(c->name) << "\\fR";
    if (!c->usage.empty()) o << " \\fI" << breakable(roff(c->usage)) << "\\fR";
    o << "\n" << roff(c->summary) << "\n";
    if (!c->details.empty()) o << ".PP\n" << verbatim(c->details);
  }
  o << ".SH GLOBALA FLAGGOR\n"
    << verbatim(helpSection(text, "globala flaggor:", true))
    << ".TP\n.B \\-\\-version\nvisar programmets version\n"
    << ".SH SLUTSTATUS\n"
    << verbatim(helpSection(text, "slutstatus:", false)) << ".SH FILER\n"
    << kFiles << ".SH EXEMPEL\n"
    << kExamples << ".SH SE ÄVEN\n\\fBligawin32\\fR(1)\n";
  return kExitOk;
}

const CommandRegistrar kManpage{
    {"manpage", "", "skriver manualsidan liga(1) (roff) från hjälptexterna", runManpage}};

}  // namespace
}  // namespace liga::cli
