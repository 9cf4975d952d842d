#include "common/email_address.h"

#include <cstdio>

namespace liga {

bool ValidEmailAddress(std::string_view address) {
  const std::size_t at = address.find('@');
  if (at == std::string_view::npos || at == 0 || at + 1 == address.size()) return false;
  if (address.find('@', at + 1) != std::string_view::npos) return false;
  constexpr std::string_view kDelimiters = " <>,;:()[]\"\\";
  for (char c : address) {
    const auto u = static_cast<unsigned char>(c);
    if (u < 0x20 || u == 0x7F || kDelimiters.find(c) != std::string_view::npos) return false;
  }
  const std::string_view domain = address.substr(at + 1);
  return domain.front() != '.' && domain.back() != '.' &&
         domain.find("..") == std::string_view::npos;
}

std::string ShownEmailAddress(std::string_view address) {
  std::string out;
  for (char c : address) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (u < 0x20 || u == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", u);
      out += buf;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace liga
