#include "publish/site_html.h"

#include "common/xml_escape.h"

namespace liga::publish {

std::string HtmlText(std::string_view utf8) {
  return XmlEscape(utf8, Apostrophe::Escaped);
}

std::string Page(const std::string& title, const std::string& competition, const std::string& body,
                 const std::string& updated) {
  return "<!DOCTYPE html>\n<html lang=\"sv\">\n<head>\n<meta charset=\"utf-8\">\n"
         "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n<title>" +
         HtmlText(title) + "</title>\n<link rel=\"stylesheet\" href=\"style.css\">\n</head>\n" +
         "<body>\n<header>\n<p class=\"tavling\"><a href=\"index.html\">" + HtmlText(competition) +
         "</a></p>\n<h1>" + HtmlText(title) + "</h1>\n</header>\n<main>\n" + body +
         "</main>\n<footer>\n<p>Uppdaterad " + HtmlText(updated) +
         " med LigaWin32.</p>\n</footer>\n</body>\n</html>\n";
}

const std::string& StyleSheet() {
  static const std::string css =
      "body { margin: 0; font-family: system-ui, sans-serif; line-height: 1.4; color: #1b1b1b;"
      " background: #fff; }\n"
      "header, main, footer { max-width: 72rem; margin: 0 auto; padding: 0 1rem; }\n"
      "header { border-bottom: 3px solid #1d5a8c; }\n"
      "h1 { font-size: 1.6rem; margin: 0.2rem 0 0.6rem; }\n"
      "h2 { font-size: 1.2rem; margin: 1.2rem 0 0.4rem; }\n"
      ".tavling { margin: 0.6rem 0 0; }\n"
      "a { color: #1d5a8c; }\n"
      "main { display: grid; grid-template-columns: 1fr 1fr; gap: 0 2rem; }\n"
      "main > section.bred { grid-column: 1 / -1; }\n"
      ".tabell { overflow-x: auto; }\n"
      "table { border-collapse: collapse; width: 100%; }\n"
      "th, td { text-align: left; padding: 0.25rem 0.5rem; border-bottom: 1px solid #d8d8d8; }\n"
      "th { background: #eef3f8; }\n"
      "td.tal, th.tal { text-align: right; font-variant-numeric: tabular-nums; }\n"
      "footer { color: #555; font-size: 0.85rem; margin-top: 1.5rem; }\n"
      "@media (max-width: 600px) {\n"
      "  main { grid-template-columns: 1fr; }\n"
      "  h1 { font-size: 1.3rem; }\n"
      "  th, td { padding: 0.2rem 0.3rem; font-size: 0.9rem; }\n"
      "}\n";
  return css;
}

}  // namespace liga::publish
