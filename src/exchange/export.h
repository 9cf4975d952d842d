// The five export commands: the open competition, its classes, teams, play times with
// their matches, or play times with matches and results, each as one section of an
// exchange file.
#pragma once

#include <ctime>
#include <string>

#include "common/clock.h"

namespace liga {
class Database;
}

namespace liga::exchange {

enum class ExportKind {
  Competition,  // "tävling": "*Bas"
  Classes,      // "klasser": "*Klasser"
  Teams,        // "lag": "*Lag" with "*#" contact rows
  Schedule,     // "spelmöten": "*Speldag" with "*!" matches, without results
  Results,      // "resultat": "*Speldag" with "*!" matches and results
};

// "; " + the signature text + ", " + the date as year-month-day.
std::string SignatureLine(std::time_t now);
// "; " + name + " " + year-month-day hour:minute:second.
std::string CompetitionCommentLine(const std::string& competitionName, std::time_t now);
// "Import/export av " + lines in 4 positions + " rader " + the elapsed time as minutes in
// 3 digits, ":" and seconds in 2 digits (the seconds left out when 0).
std::string TransferMessage(int lines, int elapsedSeconds);

// The name the save dialog proposes for an export.
std::string ProposedFileName(ExportKind kind);

struct ExportResult {
  bool written = false;  // the file was created and replaced any earlier one
  int lines = 0;         // lines written, comment lines included
};

// Writes the section of `kind` of the open competition to `path` (code page 1252, CR LF).
// The file is written beside its target and renamed over it only when complete, so a
// failure never leaves a half-written file nor destroys the earlier one. A failure to
// create it shows "Kan ej öppna/skapa ixportfilen \"PATH\""; a stop from the progress window
// ends the section early. At the end the transfer message is shown.
// The comment lines' dates and the elapsed time come from `clock`.
ExportResult WriteExport(Database& db, ExportKind kind, const std::string& path,
                         const Clock& clock = SystemClock::instance());

// The menu command: asks for the file with the save dialog in the directory of
// `lastExchangePath`, remembers the choice there, and writes the export.
ExportResult RunExport(Database& db, ExportKind kind, std::string& lastExchangePath,
                       const Clock& clock = SystemClock::instance());

}  // namespace liga::exchange
