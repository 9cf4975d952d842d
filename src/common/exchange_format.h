// The exchange file format shared by the exporters, the schedule run and the importer.
//
// Layout of a file (code page 1252; writers end lines with CR LF, the reader accepts CR LF
// and LF; a line holds at most 255 characters, the reader cuts longer ones):
//   ";..."        comment line, shown to the user on import
//   "*..."        section line or sub-record line ("*#" contact row, "*!" matches)
//   other text    data line of the current section; empty lines are skipped
// Fields are separated by "," without quoting; field n is the text between the (n-1)-th
// and the n-th ","; a missing field is empty; control characters count as blanks and
// blanks are kept.
#pragma once

#include <cstdint>
#include <ctime>
#include <istream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace liga::exchange {

inline constexpr std::size_t kMaxLineLength = 255;

// Sections in the order a "*" line is matched against them.
enum class Section {
  Base = 0,       // "*Bas": the competition, 7 data lines per record
  Reserved1 = 1,  // "zz": data lines read and ignored
  Classes = 2,    // "*Klasser"
  Teams = 3,      // "*Lag"
  Reserved4 = 4,  // "zz": like "*Lag", lines ignored
  Scheduled = 5,  // "*Lottad": marks the competition as scheduled
  Contact = 6,    // "*#": contact row of the last team line (sub-record line)
  PlayTimes = 7,  // "*Speldag"
  Matches = 8,    // "*!": matches of the last play time (sub-record line)
};

// The name a section is recognised by ("*Bas", "zz", "*Klasser", ...).
std::string_view SectionName(Section s);
// Data lines that make one record of the section.
int SectionRecordLines(Section s);

// The section a "*" line opens. A line that begins with "*#" or "*!" is that sub-record
// line, whatever text its fields hold; any other line is compared, upper-cased, with the
// section names in table order and the first name that occurs anywhere in it decides, so
// "01*Bas", "*bas" and "*Lagen" all work. nullopt: no name matches (a format error).
std::optional<Section> FindSection(std::string_view line);

// Control characters (below 32, and 127) become blanks; the line is cut to 255 characters.
std::string CleanLine(std::string_view raw);

// Field n (1-based) of a line; empty when the line has fewer fields.
std::string Field(std::string_view line, int n);
// All fields of a line ("a,,b," gives "a", "", "b", "").
std::vector<std::string> SplitFields(std::string_view line);

// Reads lines of at most 255 characters from a byte stream: CR LF and LF both end a line,
// a lone CR is kept as a control character (a blank after CleanLine), the rest of an
// overlong line is skipped. Lines are returned cleaned.
// Where the section name of a section line starts: 0 for a line that begins with "*", the
// position of its "*" for a line whose "*" follows nothing but digits and blanks (the
// numbered form "01*Bas" of installations that number their sections); nullopt for any
// other line.
std::optional<std::size_t> SectionLineStart(std::string_view line);

class LineReader {
 public:
  explicit LineReader(std::istream& in) : m_in(in) {}
  // False at the end of the input.
  bool next(std::string& line);
  // Number of lines returned so far.
  int lineNumber() const { return m_lineNumber; }

 private:
  std::istream& m_in;
  int m_lineNumber = 0;
};

// A whole decimal number: optional blanks around, an optional sign, 1..9 digits.
std::optional<long> ParseWholeNumber(std::string_view text);

// One match item of a "*!" line: "home-away", optionally followed by "=home-away" scores.
struct MatchItem {
  long home = 0;
  long away = 0;
  bool hasResult = false;
  long homeScore = 0;
  long awayScore = 0;
  // A faulty result is dropped and the match is still taken; resultError names the fault.
  std::string resultError;
  // A faulty team part ends the line; teamError names the fault. Messages are UTF-8-free
  // code page 1252 texts of the system.
  std::string teamError;
};
MatchItem ParseMatchItem(std::string_view item);

// The comma-separated items of a "*!" line, "*!" removed from the first, up to (not
// including) the first empty item.
std::vector<std::string> MatchItems(std::string_view line);

// Giro type codes "PL", "PN", "PG", "BN", "BG" = 0..4.
std::string_view GiroCode(int giroType);
// The giro type named in a field: "PL", "PN", "PG", "BG", "BN" are looked for in this
// order in the upper-cased field; nullopt when none occurs.
std::optional<int> GiroTypeOf(std::string_view field);

}  // namespace liga::exchange
