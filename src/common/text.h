// Swedish case mapping, title casing, the team name display form and the fixed-width
// number formatting every report and file uses. All texts are code page 1252 bytes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace liga {

// Upper case of one letter: a-z, the Nordic letters keep their accents (ä å æ ç é ñ ö ü
// become Ä Å Æ Ç É Ñ Ö Ü), other accented letters lose them (à á â è ê ë ì í î ï ò ó ô ù
// ú û ÿ become A E I O U Y). ã, õ and every other byte stay as they are.
unsigned char UpCaseLetter(unsigned char c);
// Lower case of one letter: A-Z and Ä Å Æ Ç É Ñ Ö Ü; every other byte stays (À stays À).
unsigned char LowCaseLetter(unsigned char c);

std::string UpCase(std::string_view text);
std::string LowCase(std::string_view text);

// Upper-cases the whole text, then lower-cases every character of a word but its first.
// Words are separated by blank, ",", "-", "." and "/". Accents removed by the upper-case
// step stay removed ("crème" becomes "Creme").
std::string TitleCase(std::string_view text);

// The form in which a team name is shown in lists, reports, labels and mails. Unless
// `force` or the competition's `TitleCaseNames` is set the name is returned as stored;
// otherwise it is title-cased and the club abbreviations standing between blanks
// ("IFK", "GOIF", "AIK", ...) are written in capitals.
std::string TeamDisplayName(std::string_view name, bool force, bool titleCaseNames);

// The decimal digits of |value| right-aligned in `width` positions filled with `fill`
// ("0" or blank). A negative value turns the first fill character into "-", or gets "-"
// in front when the digits leave no fill. A value wider than the field is never cut.
std::string FormatInt(int64_t value, int width, char fill = ' ');
// As FormatInt, with the value written with two decimals.
std::string FormatReal(double value, int width, char fill = ' ');

// `n` copies of `c`; empty when n <= 0.
std::string FillString(char c, int n);
// The text followed by blanks up to `width`; a longer text is kept whole.
std::string PadRight(std::string_view text, int width);
// The text without trailing blanks.
std::string TrimRight(std::string_view text);

// Luhn check over the digits of the text (other characters are ignored). Empty is valid.
bool Mod10Check(std::string_view digits);

}  // namespace liga
