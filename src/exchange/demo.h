// The demo competition shipped with the program (examples/demo.lgw, compiled in).
#pragma once

#include <string>
#include <string_view>

namespace liga {
class Database;
}

namespace liga::exchange {

// The demo competition as an exchange file (code page 1252, CR LF).
std::string_view DemoCompetitionText();
// The demo mask file.
std::string_view DemoMaskText();

// Creates a catalogue in the database's data directory, which must have none, and imports
// the demo competition into it; the competition is then open. The import log goes to
// `logDir` (may be empty). Returns false when the catalogue could not be created.
// `logFile`, when given, receives the path of the import log written.
bool CreateDemoCompetition(Database& db, const std::string& logDir, std::string* logFile = nullptr);

}  // namespace liga::exchange
