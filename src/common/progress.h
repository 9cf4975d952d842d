// The progress windows of long operations (backup, rebuild, scheduling, import, export,
// sorting).
//
// Invariants:
//  1. At most four windows are stacked; each shows a heading row (row 0) and 8 text rows.
//  2. Line n goes to row ((n - 2) mod 8) + 1 with the remainder taken towards zero, so
//     line 1 is the heading, lines 2..9 fill rows 1..8 and line 10 starts again at row 1.
//  3. Texts are converted from the DOS code page when they hold DOS letters.
//  4. Pressing "avbryt" sets the shared abort flag; from then on line updates are ignored
//     until the flag is cleared. The long loops test the flag between records.
//  5. Every line update lets the interface process pending input, so it stays responsive.
#pragma once

#include <string>
#include <string_view>

namespace liga {

inline constexpr int kMaxProgressWindows = 4;
inline constexpr int kProgressRows = 8;

// The row a line number is shown in (invariant 2).
int ProgressRowOfLine(int line);

// Opens a window on top of the stack. Returns false (and opens nothing) when four windows
// are already open. Opening the first window clears the abort flag.
bool OpenProgress(std::string_view title, int lines = kProgressRows, bool cancellable = true);
// Shows `text` as line `line` of the top window.
void ProgressLine(int line, std::string_view text);
// Closes the top window (nothing when none is open).
void CloseProgress();
int OpenProgressWindows();

// The shared abort flag.
bool ProgressAborted();
// What the "avbryt" button does.
void CancelProgress();
void ClearProgressAbort();

}  // namespace liga
