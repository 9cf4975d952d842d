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
// On failure `failure` (when given) receives the import's own reason, code page 1252, when it
// named one (a full disk, say); empty when the storage status holds the reason.
bool CreateDemoCompetition(Database& db, const std::string& logDir, std::string* logFile = nullptr,
                           std::string* failure = nullptr);

}  // namespace liga::exchange
