// Choosing the file an export or a report is written to, and saying what was written.
//
// Every "save as" of the program goes through PickSaveFile, so no export ever replaces a
// file the person did not agree to replace, whichever front end or picker is in use.
#pragma once

#include <optional>
#include <string>

namespace liga {

// The file picker of the user-interface port. A name without an extension gets
// `extension` (".pdf"; empty: none). When the chosen file exists, the person is asked
// whether to replace it; "Nej" opens the picker again. nullopt when the person cancels.
std::optional<std::string> PickSaveFile(const std::string& title, const std::string& startPath,
                                        const std::string& filter,
                                        const std::string& extension = {});

// The status line after a file was written: "skrev " + the absolute path, never cut.
void ReportWritten(const std::string& path);
// The same text, for front ends that print it themselves (UTF-8 in, UTF-8 out).
std::string WrittenText(const std::string& path);

}  // namespace liga
