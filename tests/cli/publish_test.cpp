// liga publish on the demo season with results: the pages pass Debian's tidy and
// python3-html5lib's strict parser, hold no script and nothing from another site, escape
// names, show the standings `liga standings` shows, in a real browser (headless Chromium)
// at a desktop and a phone width, and a second run updates the folder in place.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "support/file_io.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::ReadFile;
using liga::testing::RunCommand;
using liga::testing::RunResult;
using liga::testing::RunSplit;

const char* kOddName = "A & <B> \"C\"";

class PublishTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    m_root = new liga::testing::TempDir("publish");
    fs::create_directories(*m_root / "data");
    ASSERT_EQ(liga("datadir '" + (*m_root / "data").string() + "'").status, 0);
    ASSERT_EQ(liga("demo").status, 0);
    const std::string lot = (*m_root / "s.lot").string();
    ASSERT_EQ(liga("schedule --seed 1 --out '" + lot + "'").status, 0);
    ASSERT_EQ(liga("import '" + lot + "'").status, 0);
    for (int match : {1, 2, 3, 4, 5}) {
      ASSERT_EQ(
          liga("result " + std::to_string(match) + " " + std::to_string(match % 4) + " 1").status,
          0);
    }
    ASSERT_EQ(liga("team edit 0102 --name '" + std::string(kOddName) + "'").status, 0);
    // A team without matches, which leaves before the second run.
    ASSERT_EQ(liga("team add --class 'DAMER DIV 3' --name 'Avhoppare IK' --number 150").status, 0);
    ASSERT_EQ(liga("publish '" + site().string() + "'").status, 0);
  }
  static void TearDownTestSuite() { delete m_root; }

  static fs::path site() { return *m_root / "site"; }
  static RunResult liga(const std::string& args) {
    return RunCommand("XDG_CONFIG_HOME='" + (*m_root / "config").string() +
                      "' XDG_DOCUMENTS_DIR='" + (*m_root / "docs").string() + "' " + LIGA_BINARY +
                      " --quiet " + args);
  }
  static std::vector<fs::path> pages() {
    std::vector<fs::path> out;
    for (const auto& e : fs::directory_iterator(site())) {
      if (e.path().extension() == ".html") out.push_back(e.path());
    }
    return out;
  }
  // `liga standings` of one class as rows "pl|lag|sp|v|o|f|mål|p".
  static std::vector<std::string> standingsRows(const std::string& className) {
    const std::string text = liga("standings --class '" + className + "'").out;
    std::vector<std::string> rows;
    const std::regex row(
        R"(^\s*(\d+)  (.*?)\s+(\d+)\s+(\d+)\s+(\d+)\s+(\d+)\s+(\d+)-(\d+)\s+(\d+)\s*$)");
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
      std::smatch m;
      if (!std::regex_match(line, m, row)) continue;
      rows.push_back(m[1].str() + "|" + m[2].str() + "|" + m[3].str() + "|" + m[4].str() + "|" +
                     m[5].str() + "|" + m[6].str() + "|" + m[7].str() + "-" + m[8].str() + "|" +
                     m[9].str());
    }
    return rows;
  }
  // The heading of a page (plain text).
  static std::string heading(const fs::path& page) {
    std::smatch m;
    const std::string html = ReadFile(page);
    if (!std::regex_search(html, m, std::regex("<h1>([^<]*)</h1>"))) return {};
    return m[1];
  }

  static inline liga::testing::TempDir* m_root = nullptr;
};

TEST_F(PublishTest, WritesTheSiteFiles) {
  for (const char* name :
       {"index.html", "style.css", "klass-1.html", "lag-0101.html", "lag-0101.ics"}) {
    EXPECT_TRUE(fs::exists(site() / name)) << name;
  }
  const std::string team = ReadFile(site() / "lag-0101.html");
  EXPECT_NE(team.find("href=\"lag-0101.ics\""), std::string::npos);
  EXPECT_NE(ReadFile(site() / "lag-0101.ics").find("BEGIN:VCALENDAR"), std::string::npos);
  EXPECT_LT(fs::file_size(site() / "style.css"), 4096u);
}

TEST_F(PublishTest, PagesAreValidHtml5ForTidyAndStrictHtml5lib) {
  std::string all;
  for (const fs::path& page : pages()) {
    const RunResult tidy = RunCommand("tidy -q -e -utf8 '" + page.string() + "'");
    EXPECT_EQ(tidy.status, 0) << page << "\n" << tidy.out;
    all += " '" + page.string() + "'";
  }
  const RunResult parse = RunCommand("/usr/bin/python3 '" + std::string(LIGA_SOURCE_DIR) +
                                     "/tests/support/html5_strict.py'" + all);
  EXPECT_EQ(parse.status, 0) << parse.out;
}

TEST_F(PublishTest, NoScriptNothingRemoteAndReadableOnAPhone) {
  for (const fs::path& page : pages()) {
    const std::string html = ReadFile(page);
    EXPECT_EQ(html.find("<script"), std::string::npos) << page;
    EXPECT_EQ(html.find(" on"), html.find(" on=")) << page;  // no event handler attributes
    EXPECT_EQ(html.find("//"), std::string::npos) << page;   // no http://, https://, //host
    EXPECT_NE(html.find("<meta charset=\"utf-8\">"), std::string::npos) << page;
    EXPECT_NE(html.find("name=\"viewport\""), std::string::npos) << page;
    // One style sheet, the folder's own.
    const std::regex link("<link [^>]*>");
    EXPECT_EQ(
        std::distance(std::sregex_iterator(html.begin(), html.end(), link), std::sregex_iterator()),
        1)
        << page;
    EXPECT_NE(html.find("<link rel=\"stylesheet\" href=\"style.css\">"), std::string::npos);
  }
  const std::string css = ReadFile(site() / "style.css");
  EXPECT_NE(css.find("@media (max-width: 600px)"), std::string::npos);
  EXPECT_EQ(css.find("@import"), std::string::npos);
  EXPECT_EQ(css.find("url("), std::string::npos);
}

TEST_F(PublishTest, NamesAreEscaped) {
  // The display form `liga teams` prints, escaped.
  const std::string listed = liga("teams").out;
  const auto at = listed.find("0102  ");
  ASSERT_NE(at, std::string::npos);
  std::string name = listed.substr(at + 22, listed.find('\n', at) - at - 22);
  ASSERT_EQ(name.size(), std::string(kOddName).size()) << name;
  for (const auto& [raw, ref] : std::vector<std::pair<std::string, std::string>>{
           {"&", "&amp;"}, {"<", "&lt;"}, {">", "&gt;"}, {"\"", "&quot;"}}) {
    std::string out;
    for (const char c : name) out += std::string(1, c) == raw ? ref : std::string(1, c);
    name = out;
  }
  EXPECT_EQ(heading(site() / "lag-0102.html"), name);
  for (const fs::path& page : pages()) {
    EXPECT_EQ(ReadFile(page).find("<B>"), std::string::npos) << page;
  }
}

TEST_F(PublishTest, RerunUpdatesInPlaceAndRemovesTeamsThatLeft) {
  liga::testing::WriteFile(site() / "egen.txt", "the organiser's own file");
  ASSERT_EQ(liga("result 1 7 0").status, 0);
  ASSERT_TRUE(fs::exists(site() / "lag-0150.html"));
  ASSERT_EQ(liga("--yes team delete 0150").status, 0);
  const RunResult again = liga("publish '" + site().string() + "'");
  ASSERT_EQ(again.status, 0) << again.out;
  EXPECT_NE(again.out.find("borttagen: lag-0150.html"), std::string::npos) << again.out;
  EXPECT_FALSE(fs::exists(site() / "lag-0150.html"));
  EXPECT_FALSE(fs::exists(site() / "lag-0150.ics"));
  EXPECT_TRUE(fs::exists(site() / "lag-0103.html"));
  EXPECT_EQ(ReadFile(site() / "egen.txt"), "the organiser's own file");
  for (const fs::path& page : pages())
    EXPECT_EQ(ReadFile(page).find("lag-0150."), std::string::npos) << page;
  bool newResult = false;
  for (const fs::path& page : pages())
    newResult |= ReadFile(page).find(">7–0<") != std::string::npos;
  EXPECT_TRUE(newResult) << "the result entered after the first run is on no page";
}

// The standings table as Chromium renders it (innerText of the first table), at a desktop
// and a phone width, against `liga standings`; and where the second section lands: beside
// the standings on a desktop, below them on a phone.
TEST_F(PublishTest, BrowserShowsTheStandingsAtDesktopAndPhoneWidth) {
  const std::string harness =
      "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>\n"
      "<iframe id=\"desktop\" src=\"site/klass-1.html\" style=\"width:1280px;height:900px\">"
      "</iframe>\n"
      "<iframe id=\"phone\" src=\"site/klass-1.html\" style=\"width:390px;height:844px\">"
      "</iframe>\n<pre id=\"out\"></pre>\n<script>\n"
      "window.addEventListener('load', function () {\n"
      "  var out = [];\n"
      "  ['desktop', 'phone'].forEach(function (id) {\n"
      "    var doc = document.getElementById(id).contentDocument;\n"
      "    var s = doc.querySelectorAll('main > section');\n"
      "    var a = s[0].getBoundingClientRect(), b = s[1].getBoundingClientRect();\n"
      "    out.push('== ' + id + ' ' + (Math.abs(a.top - b.top) < 1 ? 'beside' : 'below'));\n"
      "    out.push(s[0].querySelector('table').innerText);\n"
      "  });\n"
      "  document.getElementById('out').textContent = out.join('\\n');\n"
      "});\n</script></body></html>\n";
  liga::testing::WriteFile(*m_root / "harness.html", harness);
  const RunResult dom = RunSplit(
      "timeout 120 chromium --headless --no-sandbox --disable-gpu --disable-background-networking "
      "--disable-component-update --disable-sync --no-first-run --user-data-dir='" +
      (*m_root / "chromium").string() +
      "' --allow-file-access-from-files --virtual-time-budget=5000 --dump-dom 'file://" +
      (*m_root / "harness.html").string() + "'");
  ASSERT_EQ(dom.status, 0) << dom.err;
  const auto from = dom.out.find("<pre id=\"out\">");
  ASSERT_NE(from, std::string::npos) << dom.out;
  std::string text = dom.out.substr(from + 14, dom.out.find("</pre>") - from - 14);
  text = std::regex_replace(text, std::regex("&lt;"), "<");
  text = std::regex_replace(text, std::regex("&gt;"), ">");
  text = std::regex_replace(text, std::regex("&amp;"), "&");

  const std::vector<std::string> expected = standingsRows(heading(site() / "klass-1.html"));
  ASSERT_GE(expected.size(), 4u);
  std::map<std::string, std::vector<std::string>> rendered;
  std::map<std::string, std::string> layout;
  std::string current;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (std::regex_match(line, m, std::regex("== (\\w+) (\\w+)"))) {
      current = m[1];
      layout[current] = m[2];
    } else if (!current.empty() && !line.empty() && std::isdigit((unsigned char)line[0])) {
      rendered[current].push_back(std::regex_replace(line, std::regex("\t"), "|"));
    }
  }
  EXPECT_EQ(rendered["desktop"], expected);
  EXPECT_EQ(rendered["phone"], expected);
  EXPECT_EQ(layout["desktop"], "beside");
  EXPECT_EQ(layout["phone"], "below");
}

}  // namespace
