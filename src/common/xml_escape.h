// Escaping of stored texts for XML and HTML: a name never becomes markup.
#pragma once

#include <string>
#include <string_view>

namespace liga {

// Whether "'" becomes a reference too: the exports keep it (their bytes are fixed), the
// published pages escape it for attribute values in either quote.
enum class Apostrophe { Kept, Escaped };

// `&`, `<`, `>` and `"` as entities; control characters other than tab (not allowed in
// XML 1.0 or HTML text) as blanks. Every other byte passes through unchanged, so the text
// may be code page 1252 or UTF-8.
std::string XmlEscape(std::string_view text, Apostrophe apostrophe = Apostrophe::Kept);

}  // namespace liga
