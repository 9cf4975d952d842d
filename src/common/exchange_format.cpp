#include "common/exchange_format.h"

#include <array>

#include "common/encoding.h"
#include "common/text.h"

namespace liga::exchange {
namespace {

struct SectionEntry {
  Section section;
  std::string_view name;
  int recordLines;
};

constexpr std::array<SectionEntry, 9> kSections = {{
    {Section::Base, "*Bas", 7},
    {Section::Reserved1, "zz", 1},
    {Section::Classes, "*Klasser", 1},
    {Section::Teams, "*Lag", 1},
    {Section::Reserved4, "zz", 1},
    {Section::Scheduled, "*Lottad", 0},
    {Section::Contact, "*#", 0},
    {Section::PlayTimes, "*Speldag", 1},
    {Section::Matches, "*!", 0},
}};

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

}  // namespace

std::string_view SectionName(Section s) {
  return kSections[static_cast<int>(s)].name;
}

int SectionRecordLines(Section s) {
  return kSections[static_cast<int>(s)].recordLines;
}

std::optional<Section> FindSection(std::string_view line) {
  // The sub-record lines carry free text (names, streets); recognising them by their first
  // two characters keeps a contact called "JAZZKLUBBEN" from matching the reserved name
  // "zz" and silently dropping the rest of the team section.
  if (line.substr(0, 2) == "*#") return Section::Contact;
  if (line.substr(0, 2) == "*!") return Section::Matches;
  const std::string upper = UpCase(line);
  for (const auto& entry : kSections) {
    if (upper.find(UpCase(entry.name)) != std::string::npos) return entry.section;
  }
  return std::nullopt;
}

std::optional<std::size_t> SectionLineStart(std::string_view line) {
  const std::size_t star = line.find('*');
  if (star == std::string_view::npos) return std::nullopt;
  const std::string_view prefix = line.substr(0, star);
  if (prefix.find_first_not_of("0123456789 ") != std::string_view::npos) return std::nullopt;
  if (star > 0 && prefix.find_first_of("0123456789") == std::string_view::npos) return std::nullopt;
  return star;
}

std::string CleanLine(std::string_view raw) {
  std::string out(raw.substr(0, kMaxLineLength));
  for (char& c : out) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 32 || u == 127) c = ' ';
  }
  return out;
}

std::string Field(std::string_view line, int n) {
  if (n < 1) return {};
  std::size_t start = 0;
  for (int i = 1; i < n; ++i) {
    const std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) return {};
    start = comma + 1;
  }
  const std::size_t end = line.find(',', start);
  return CleanLine(line.substr(start, end == std::string_view::npos ? line.npos : end - start));
}

std::vector<std::string> SplitFields(std::string_view line) {
  std::vector<std::string> out;
  std::size_t start = 0;
  for (;;) {
    const std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) {
      out.push_back(CleanLine(line.substr(start)));
      return out;
    }
    out.push_back(CleanLine(line.substr(start, comma - start)));
    start = comma + 1;
  }
}

bool LineReader::next(std::string& line) {
  line.clear();
  std::string raw;
  int c;
  bool any = false;
  while ((c = m_in.get()) != std::char_traits<char>::eof()) {
    any = true;
    if (c == '\n') break;
    if (raw.size() <= kMaxLineLength) raw.push_back(static_cast<char>(c));
  }
  if (!any) return false;
  // A CR directly before the LF belongs to the line end, unless the line was cut.
  if (!raw.empty() && raw.back() == '\r' && raw.size() <= kMaxLineLength) raw.pop_back();
  line = CleanLine(raw);
  ++m_lineNumber;
  return true;
}

std::optional<long> ParseWholeNumber(std::string_view text) {
  text = trimBlanks(text);
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  if (text.empty() || text.size() > 9) return std::nullopt;
  long value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

namespace {
// Splits "a-b" into two whole numbers. Returns 0 on success, 1 when "-" is missing and
// 2 when a side is not a whole number. The first "-" after the first character divides
// the sides, so a negative first number cannot be confused with the separator.
int splitPair(std::string_view text, long& left, long& right) {
  const std::size_t dash = text.size() > 1 ? text.find('-', 1) : std::string_view::npos;
  if (dash == std::string_view::npos) return 1;
  const auto l = ParseWholeNumber(text.substr(0, dash));
  const auto r = ParseWholeNumber(text.substr(dash + 1));
  if (!l || !r) return 2;
  left = *l;
  right = *r;
  return 0;
}
}  // namespace

MatchItem ParseMatchItem(std::string_view item) {
  MatchItem m;
  std::string_view teams = item;
  const std::size_t eq = item.find('=');
  if (eq != std::string_view::npos) {
    teams = item.substr(0, eq);
    const std::string_view result = item.substr(eq + 1);
    switch (splitPair(result, m.homeScore, m.awayScore)) {
      case 0:
        m.hasResult = true;
        break;
      case 1:
        m.resultError = "Syntaxfel (resultat)! (-)";
        break;
      default:
        m.resultError = W("Otillåtna tecken (resultat), numerer!");
        break;
    }
    if (m.hasResult && (m.homeScore < 0 || m.awayScore < 0)) {
      m.hasResult = false;
      m.resultError = W("Otillåtna tecken (resultat), numerer!");
    }
  }
  switch (splitPair(teams, m.home, m.away)) {
    case 0:
      break;
    case 1:
      m.teamError = "Syntaxfel (lagnummer)! (-)";
      break;
    default:
      m.teamError = W("Otillåtna tecken (lagnummer), numerer!");
      break;
  }
  return m;
}

std::vector<std::string> MatchItems(std::string_view line) {
  if (line.substr(0, 2) == "*!") line.remove_prefix(2);
  std::vector<std::string> out;
  for (std::string& item : SplitFields(line)) {
    if (item.empty()) break;
    out.push_back(std::move(item));
  }
  return out;
}

std::string_view GiroCode(int giroType) {
  static constexpr std::array<std::string_view, 5> kCodes = {"PL", "PN", "PG", "BN", "BG"};
  return giroType >= 0 && giroType < 5 ? kCodes[giroType] : kCodes[0];
}

std::optional<int> GiroTypeOf(std::string_view field) {
  const std::string upper = UpCase(field);
  static constexpr std::array<std::pair<std::string_view, int>, 5> kOrder = {
      {{"PL", 0}, {"PN", 1}, {"PG", 2}, {"BG", 4}, {"BN", 3}}};
  for (const auto& [code, type] : kOrder) {
    if (upper.find(code) != std::string::npos) return type;
  }
  return std::nullopt;
}

}  // namespace liga::exchange
