#include "common/xml_escape.h"

namespace liga {

std::string XmlEscape(std::string_view text, Apostrophe apostrophe) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      case '\'':
        out += apostrophe == Apostrophe::Escaped ? "&#39;" : "'";
        break;
      default:
        // Control characters are not allowed in XML 1.0 text.
        out += (static_cast<unsigned char>(c) < 0x20 && c != '\t') ? ' ' : c;
    }
  }
  return out;
}

}  // namespace liga
