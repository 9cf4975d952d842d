#include "editing/editor_result.h"

#include <algorithm>
#include <cctype>

#include "common/encoding.h"

namespace liga {
namespace {

std::optional<int> parseDigits(std::string_view s) {
  bool negative = false;
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
    negative = s[0] == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) return std::nullopt;
  long value = 0;
  for (char c : s) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return std::nullopt;
    value = value * 10 + (c - '0');
    if (value > 32768) return std::nullopt;
  }
  if (negative) value = -value;
  if (value < -32768 || value > 32767) return std::nullopt;
  return static_cast<int>(value);
}

}  // namespace

const std::string& NumericInputError() {
  static const std::string text = W("fel vid inmatning, endast numerer tillåtna");
  return text;
}

std::optional<int> ParseEditorNumber(std::string_view text) {
  if (text.empty()) return 0;
  return parseDigits(text);
}

std::optional<int> ParseScoreCell(std::string_view text) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  return parseDigits(text);
}

bool TextLess(std::string_view a, std::string_view b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
  });
}

std::string FitText(std::string_view text, std::size_t n) {
  std::string s(text.substr(0, n));
  s.resize(n, ' ');
  return s;
}

}  // namespace liga
