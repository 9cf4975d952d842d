// Code-page conversion for texts stored in the competition files.
//
// Every text inside the program is a byte string in the Windows code page 1252. Older
// records may hold texts in the DOS code page 850; they are recognised by the DOS marker
// letters and converted when read. The front ends speak UTF-8 and convert at their edge.
#pragma once

#include <string>
#include <string_view>

namespace liga {

// True when the text holds at least one of the twelve DOS marker bytes
// (0x8F Å, 0x8E Ä, 0x99 Ö, 0x90 É, 0x9A Ü, 0x92 Æ, 0x86 å, 0x84 ä, 0x94 ö, 0x82 é,
// 0x81 ü, 0x91 æ).
bool HasDosMarker(std::string_view text);

// Converts a whole text (at most 1024 bytes; a longer text is cut) from code page 850 to
// code page 1252 when it holds a DOS marker byte; otherwise returns it unchanged, so text
// already in the Windows code page passes untouched.
std::string DosToWin(std::string_view text);

// Byte-wise conversions between the two code pages. Characters without a counterpart get
// the nearest look-alike (box drawing becomes "+", "-", "|"; shading "#"; others "?").
unsigned char Cp850ToCp1252(unsigned char c);
unsigned char Cp1252ToCp850(unsigned char c);

// The DOS storage switch. It is off throughout this system: every stored text and key is
// in the Windows code page.
void SetDosStorage(bool on);
bool DosStorage();

// Converts to code page 850 (at most 1024 bytes) when the DOS storage switch is on, else
// returns the text unchanged.
std::string WinToDos(std::string_view text);

// Code page 1252 <-> UTF-8 for the front ends. The five bytes 1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1 controls of the same value and back.
// Characters 1252 cannot hold, and malformed UTF-8, become "?".
std::string Cp1252ToUtf8(std::string_view text);
std::string Utf8ToCp1252(std::string_view text);
// True when `text` holds at least one byte above 127 and is well-formed UTF-8 throughout:
// text written by a UTF-8 editor, not code page 1252 (whose letters above 127 almost never
// form valid UTF-8 sequences).
bool LooksLikeUtf8(std::string_view text);

// HTML encoding for published pages: the Nordic letters become their named entities and,
// so that no stored text can inject markup, "&", "<", ">" and '"' become "&amp;", "&lt;",
// "&gt;" and "&quot;". The result holds at most 255 characters and is never cut inside
// an entity.
std::string HtmlEncode(std::string_view text);

// The code page 1252 bytes of a text written in UTF-8 in the source: the one way the code
// writes a Swedish literal for the core, which keeps its texts in code page 1252
// (W("Filerna öppna") holds ö as the byte F6).
inline std::string W(std::string_view utf8) {
  return Utf8ToCp1252(utf8);
}

}  // namespace liga
