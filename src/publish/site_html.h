// The HTML side of the published site: escaping, the page frame and the style sheet. The
// content (which tables, which rows) is chosen in site.cpp.
#pragma once

#include <string>
#include <string_view>

namespace liga::publish {

// UTF-8 text for an HTML text or attribute value: "&", "<", ">", '"' and "'" become
// references and control characters blanks; everything else is kept (the pages are UTF-8).
std::string HtmlText(std::string_view utf8);

// A whole page: doctype, language, charset, viewport, title, the style sheet, a header with
// the competition's name linking to index.html, `body` (already HTML) and the footer with
// `updated`. `title` and `competition` are plain text.
std::string Page(const std::string& title, const std::string& competition, const std::string& body,
                 const std::string& updated);

// style.css: two columns on wide screens, one column below 600 px.
const std::string& StyleSheet();

}  // namespace liga::publish
