// Escaping of stored texts for XML and HTML: a name never becomes markup.
#pragma once

#include <string>

namespace liga {

// `&`, `<`, `>` and `"` as entities; control characters other than tab (not allowed in
// XML 1.0 text) as blanks. Bytes of code page 1252 pass through unchanged.
std::string XmlEscape(const std::string& cp1252);

}  // namespace liga
