#include "common/text.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace liga {

unsigned char UpCaseLetter(unsigned char c) {
  if (c >= 'a' && c <= 'z') return static_cast<unsigned char>(c - 32);
  switch (c) {
    case 224:
    case 225:
    case 226:
      return 'A';
    case 228:
    case 229:
    case 230:
    case 231:
      return static_cast<unsigned char>(c - 32);
    case 232:
    case 234:
    case 235:
      return 'E';
    case 233:
      return 201;
    case 236:
    case 237:
    case 238:
    case 239:
      return 'I';
    case 241:
      return 209;
    case 242:
    case 243:
    case 244:
      return 'O';
    case 246:
      return 214;
    case 249:
    case 250:
    case 251:
      return 'U';
    case 252:
      return 220;
    case 255:
      return 'Y';
    default:
      return c;
  }
}

unsigned char LowCaseLetter(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 196:
    case 197:
    case 198:
    case 199:
    case 201:
    case 209:
    case 214:
    case 220:
      return static_cast<unsigned char>(c + 32);
    default:
      return c;
  }
}

std::string UpCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(UpCaseLetter(static_cast<unsigned char>(c)));
  return out;
}

std::string LowCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = static_cast<char>(LowCaseLetter(static_cast<unsigned char>(c)));
  return out;
}

namespace {
bool isWordSeparator(char c) {
  return c == ' ' || c == ',' || c == '-' || c == '.' || c == '/';
}
}  // namespace

std::string TitleCase(std::string_view text) {
  std::string out = UpCase(text);
  bool wordStart = true;
  for (char& c : out) {
    if (isWordSeparator(c)) {
      wordStart = true;
    } else if (wordStart) {
      wordStart = false;
    } else {
      c = static_cast<char>(LowCaseLetter(static_cast<unsigned char>(c)));
    }
  }
  return out;
}

namespace {
// Club abbreviations in the order they are applied ("SOIK" stands twice).
constexpr std::array<std::string_view, 27> kClubAbbreviations = {
    "OK",   "GOIF", "IF", "IS",  "IK", "AIS", "SOK",  "SOIK", "AIF",
    "SOIK", "AIK",  "BK", "SF",  "OC", "GIF", "IFK",  "SK",   "FK",
    "OLG",  "OL",   "IL", "OLV", "OS", "OF",  "KFUM", "IBK",  "IBF"};
}  // namespace

std::string TeamDisplayName(std::string_view name, bool force, bool titleCaseNames) {
  if (!force && !titleCaseNames) return std::string(name);
  std::string wrapped = " " + TitleCase(name) + " ";
  for (std::string_view abbr : kClubAbbreviations) {
    const std::string needle = " " + std::string(abbr) + " ";
    const std::size_t pos = UpCase(wrapped).find(needle);
    if (pos != std::string::npos) wrapped.replace(pos + 1, abbr.size(), abbr);
  }
  return wrapped.substr(1, wrapped.size() - 2);
}

namespace {
std::string alignSigned(std::string digits, bool negative, int width, char fill) {
  const int fillCount = width - static_cast<int>(digits.size());
  std::string out = FillString(fill, fillCount) + digits;
  if (negative) {
    if (fillCount > 0) {
      out[0] = '-';
    } else {
      out.insert(out.begin(), '-');
    }
  }
  return out;
}
}  // namespace

std::string FormatInt(int64_t value, int width, char fill) {
  const uint64_t magnitude =
      value < 0 ? uint64_t(0) - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  return alignSigned(std::to_string(magnitude), value < 0, width, fill);
}

std::string FormatReal(double value, int width, char fill) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.2f", std::fabs(value));
  const bool negative = value < 0 && std::string_view(buf) != "0.00";
  return alignSigned(buf, negative, width, fill);
}

std::string FillString(char c, int n) {
  return n > 0 ? std::string(std::size_t(n), c) : "";
}

std::string PadRight(std::string_view text, int width) {
  std::string out(text);
  if (static_cast<int>(out.size()) < width) out.append(std::size_t(width) - out.size(), ' ');
  return out;
}

std::string TrimRight(std::string_view text) {
  const std::size_t end = text.find_last_not_of(' ');
  return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

bool Mod10Check(std::string_view digits) {
  int sum = 0;
  int weight = 1;
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it < '0' || *it > '9') continue;
    int product = (*it - '0') * weight;
    if (product > 9) product -= 9;
    sum += product;
    weight = 3 - weight;
  }
  return sum % 10 == 0;
}

}  // namespace liga
