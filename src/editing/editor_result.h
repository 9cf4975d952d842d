// What every editor's OK step answers, and the number parsing all editors share.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace liga {

// The outcome of an editor's OK step (or of any checked command of a window). A view shows
// `message` in its status bar (code page 1252; empty: leave the bar as it is), beeps
// (440 Hz, 100 ms) when `beep` is set, and puts the focus on the control named `focus`
// (the component name; for a grid also the cell `row`, `col`). `ok` means the checks passed
// and the editor has closed with OK.
struct OkResult {
  bool ok = false;
  std::string message;
  std::string focus;
  int row = -1;
  int col = -1;
  bool beep = false;

  static OkResult Passed() {
    OkResult r;
    r.ok = true;
    return r;
  }
  static OkResult Refused(std::string message, std::string focus = {}, int row = -1, int col = -1) {
    OkResult r;
    r.message = std::move(message);
    r.focus = std::move(focus);
    r.row = row;
    r.col = col;
    r.beep = true;
    return r;
  }
};

// How an editor ended.
enum class EditorClose { Open, Ok, Cancel };

// "fel vid inmatning, endast numerer tillåtna" (code page 1252).
const std::string& NumericInputError();

// An editor's number field: a whole decimal integer with an optional sign, an empty text
// counting as 0. Values outside the 16-bit range are refused like any other bad text, so a
// stored field never wraps.
std::optional<int> ParseEditorNumber(std::string_view text);

// A score cell of a result grid: optional leading blanks, an optional sign and digits. An
// empty cell does not parse; values outside the 16-bit range are refused.
std::optional<int> ParseScoreCell(std::string_view text);

// The form a play time is typed in; play times sort by time because their texts sort so.
inline constexpr const char* kPlayTimeForm = "\xC5\xC5\xC5\xC5-MM-DD TT:MM";
// Why `text` is not a play time "YYYY-MM-DD HH:MM" of a real date and time (code page
// 1252), or empty when it is one.
std::string PlayTimeTextProblem(std::string_view text);

// "<what> saknas" when `text` holds nothing but blanks, else empty (code page 1252).
std::string MissingText(std::string_view text, std::string_view what);

// The order of sorted lists: byte by byte as unsigned bytes (code page 1252), so the Nordic
// capitals sort after Z.
bool TextLess(std::string_view a, std::string_view b);

// `text` cut to `n` bytes, or padded with blanks to `n`.
std::string FitText(std::string_view text, std::size_t n);

}  // namespace liga
