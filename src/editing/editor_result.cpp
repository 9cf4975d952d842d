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

std::string PlayTimeTextProblem(std::string_view text) {
  const std::string form = kPlayTimeForm;
  const std::string wrong =
      "speltiden ska skrivas " + form + ", inte \"" + std::string(text) + "\"";
  if (text.size() != 16) return wrong;
  for (std::size_t i = 0; i < 16; ++i) {
    const char c = text[i];
    const bool digit = c >= '0' && c <= '9';
    const char separator = i == 4 || i == 7 ? '-' : (i == 10 ? ' ' : (i == 13 ? ':' : 0));
    if (separator != 0 ? c != separator : !digit) return wrong;
  }
  auto number = [&](std::size_t at, std::size_t n) {
    int v = 0;
    for (std::size_t i = at; i < at + n; ++i) v = v * 10 + (text[i] - '0');
    return v;
  };
  const int year = number(0, 4), month = number(5, 2), day = number(8, 2);
  const int hour = number(11, 2), minute = number(14, 2);
  static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
  if (month < 1 || month > 12)
    return W("speltiden har en månad som inte finns: ") + std::string(text);
  const int days = month == 2 && !leap ? 28 : kDays[month - 1];
  if (year < 1900 || day < 1 || day > days)
    return W("speltiden har ett datum som inte finns: ") + std::string(text);
  if (hour > 23 || minute > 59)
    return W("speltiden har ett klockslag som inte finns: ") + std::string(text);
  return {};
}

std::string MissingText(std::string_view text, std::string_view what) {
  if (text.find_first_not_of(' ') != std::string_view::npos) return {};
  return std::string(what) + " saknas";
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
