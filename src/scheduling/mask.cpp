#include "scheduling/mask.h"

#include "common/file_read.h"

#include <fstream>
#include <iterator>
#include <sstream>

namespace liga::scheduling {
namespace {

constexpr std::size_t kLineMax = 255;
constexpr std::size_t kTeamFieldMax = 5;
constexpr std::size_t kPatternMax = 16;

// Field n (1-based) of a line: the text between the (n-1)-th and the n-th ",", with
// control characters as blanks; empty when the line has fewer fields.
std::string field(std::string_view line, int n) {
  std::size_t start = 0;
  for (int i = 1; i < n; ++i) {
    std::size_t comma = line.find(',', start);
    if (comma == std::string_view::npos) return {};
    start = comma + 1;
  }
  std::size_t end = line.find(',', start);
  std::string f(line.substr(start, end == std::string_view::npos ? line.npos : end - start));
  for (char& c : f) {
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  }
  return f;
}

std::optional<int> parseTeam(std::string_view f) {
  std::size_t i = 0;
  while (i < f.size() && f[i] == ' ') ++i;
  bool negative = false;
  if (i < f.size() && (f[i] == '-' || f[i] == '+')) negative = f[i++] == '-';
  std::size_t digits = i;
  int value = 0;
  while (i < f.size() && f[i] >= '0' && f[i] <= '9') value = value * 10 + (f[i++] - '0');
  if (i == digits) return std::nullopt;
  while (i < f.size() && f[i] == ' ') ++i;
  if (i != f.size()) return std::nullopt;
  return negative ? -value : value;
}

}  // namespace

std::vector<std::string> TextLines(std::string_view text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    std::size_t next = end == std::string_view::npos ? text.size() : end + 1;
    std::string_view line =
        text.substr(start, (end == std::string_view::npos ? text.size() : end) - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.emplace_back(line.substr(0, kLineMax));
    start = next;
  }
  return lines;
}

bool PatternHits(std::string_view pattern, std::string_view playTime) {
  if (pattern.empty()) return false;
  std::string k(playTime);
  if (k.size() < pattern.size()) k.resize(pattern.size(), ' ');
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '?') k[i] = '?';
  }
  return k.find(pattern) != std::string::npos;
}

Mask Mask::FromText(std::string_view text) {
  Mask mask;
  for (const std::string& line : TextLines(text)) {
    std::string first = field(line, 1);
    if (first.size() > kTeamFieldMax) continue;
    std::optional<int> team = parseTeam(first);
    if (!team) continue;
    std::string pattern = field(line, 2).substr(0, kPatternMax);
    if (pattern.empty()) continue;
    mask.m_lines.push_back({*team, std::move(pattern)});
  }
  return mask;
}

std::optional<std::string> ReadWholeFile(const std::string& path) {
  std::string content;
  if (ReadRegularFile(path, content).problem != ReadProblem::None) return std::nullopt;
  return content;
}

std::optional<Mask> Mask::Load(const std::string& path) {
  std::optional<std::string> text = ReadWholeFile(path);
  if (!text) return std::nullopt;
  return FromText(*text);
}

bool Mask::hits(int team, std::string_view playTime) const {
  for (const MaskLine& line : m_lines) {
    if (line.team == team && PatternHits(line.pattern, playTime)) return true;
  }
  return false;
}

}  // namespace liga::scheduling
