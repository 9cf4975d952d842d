// The numbered message catalogue and the one display routine every message goes through.
//
// The dialog kind of a message is its number / 100: 0 status line, 1 yes/no question,
// 2 warning, 3 abort/retry/ignore, 4 and above error box. Callers compose texts into the
// shared message buffer (at most 160 characters) and then show it. Texts are code page 1252.
#pragma once

#include <string>
#include <string_view>

#include "common/ui_port.h"

namespace liga {

// The numbers of the catalogue texts the code shows or composes by number; the texts
// themselves are only in the catalogue.
namespace msg {
inline constexpr int kDataFilesMissing = 324;
inline constexpr int kFilesOpen = 325;
inline constexpr int kFilesClosed = 326;
inline constexpr int kPrintDone = 329;
inline constexpr int kNoDatabase = 330;
inline constexpr int kDestroyExisting = 504;
inline constexpr int kTuDataBas = 512;
inline constexpr int kCopiedTo = 513;
inline constexpr int kCopySucceeded = 515;
inline constexpr int kCopyFailed = 516;
inline constexpr int kCannotRename = 518;
inline constexpr int kIndexBuildFailed = 519;
inline constexpr int kIndexingFile = 520;
inline constexpr int kDone = 521;
inline constexpr int kIndexNeedsTuBas = 522;
inline constexpr int kMaxCompetitionsReached = 526;
}  // namespace msg

inline constexpr std::size_t kMessageTextMax = 100;

// The catalogue text of `number`. Storage errors (9500..10499) carry the prefix "Btree: "
// and, without an entry of their own, read "Btree: errornr=" + the number in 6 positions.
// Any other number without an entry gives "Okänt nummer i msgtextanrop= " + the number in
// 6 positions. The result is cut to 100 characters.
std::string MessageText(int number);

// Shows `text` in the dialog kind number / 100, converted from the DOS code page when it holds
// Å Ä Ö å ä ö in that code page. The text reaches the person whole: a message that names a file
// or a folder is never cut off, however long the path.
Answer ShowMessage(int number, std::string_view text);

// An information box (OK, caption "info"), whole: what a finished piece of work did.
void ShowInfo(std::string_view text);

// Posts `text` to the status line whole (no cut): for texts that name a file.
void ShowStatus(std::string_view text);

// For numbers ending in 07, 31, 33, 36 or 39 the buffer first gets catalogue text 324, 325,
// 326, 329 or 330; then the buffer is shown. True for OK, Yes, Retry and Ignore.
bool Ask(int number);

// The shared message buffer.
const std::string& MessageBuffer();
void SetMessageBuffer(std::string_view text);  // cut to 160 characters
void AppendMessageBuffer(std::string_view text);

// The last text posted to the status line.
const std::string& StatusMessage();

}  // namespace liga
