// The hard cases of head-to-head, end to end: a competition built with `liga`, its results
// entered match by match, then the table `liga standings` prints and the one the results
// report prints in its PDF, each with the notes that say why teams on equal points stand as
// they do. Every expected table is worked out by hand in the comments.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunResult;

class StandingsCases : public ::testing::Test {
 protected:
  void SetUp() override { fs::create_directories(m_root / "data"); }

  RunResult liga(const std::string& args) { return liga::testing::RunConfiguredLiga(m_root, args); }
  void ok(const std::string& args) {
    const RunResult r = liga(args);
    ASSERT_EQ(r.status, 0) << args << ": " << r.out;
  }
  // A match on a play time of its own; matches are numbered 1, 2, ... in this order.
  void match(int home, int away) {
    ++m_day;
    const std::string when =
        "'2027-02-" + std::string(m_day < 10 ? "0" : "") + std::to_string(m_day) + " 10:00'";
    ok("playtime add " + when);
    ok("match set " + when + " 1 " + std::to_string(home) + " " + std::to_string(away));
  }

  // Three classes, one per case. Team numbers: CIRKEL 1-3, DELAD 14-17, OMÖTT 28-30.
  void season() {
    ok("init");
    ok("competition add --name Serien");
    ok("class add Cirkel --tiebreak inbördes,lagnummer");
    ok("class add Delad --tiebreak inbördes");
    ok("class add Omött --tiebreak inbördes,gjorda");
    int number = 0;
    auto teams = [&](const char* cls, std::initializer_list<const char*> names, int first) {
      number = first;
      for (const char* n : names)
        ok(std::string("team add --class ") + cls + " --name " + n + " --number " +
           std::to_string(number++));
    };
    teams("Cirkel", {"Ett", "Två", "Tre"}, 1);
    teams("Delad", {"Alfa", "Beta", "Gamma", "Delta"}, 14);
    teams("Omött", {"Norr", "Syd", "Väst"}, 28);
    // A circle of wins: 1 beats 2, 2 beats 3, 3 beats 1, all 1-0.
    match(1, 2), match(2, 3), match(3, 1);
    // Alfa, Beta and Gamma among themselves: Alfa-Beta 3-0, Gamma-Alfa 2-1, Beta-Gamma 2-0;
    // each beats Delta 1-0.
    match(14, 15), match(16, 14), match(15, 16), match(17, 14), match(17, 15), match(17, 16);
    // Norr and Syd have not met: their one match has a home score only, which counts for
    // nothing. Norr-Väst 2-0, Syd-Väst 5-4.
    match(28, 30), match(29, 30), match(28, 29);
    const char* results[] = {"1 1 0", "2 1 0", "3 1 0", "4 3 0",  "5 2 1",  "6 2 0",
                             "7 0 1", "8 0 1", "9 0 1", "10 2 0", "11 5 4", "12 3 -1"};
    for (const char* r : results) ok(std::string("result ") + r);
  }

  liga::testing::TempDir m_root{"standcases"};
  int m_day = 0;
};

// The report's text with the runs of blanks a layout leaves cut to one and no empty lines.
std::string Squeezed(const std::string& text) {
  std::istringstream in(text);
  std::string out, line;
  while (std::getline(in, line)) {
    std::string s;
    for (const char c : line) {
      if (c == ' ' && (s.empty() || s.back() == ' ')) continue;
      s += c;
    }
    while (!s.empty() && s.back() == ' ') s.pop_back();
    if (!s.empty()) out += s + "\n";
  }
  return out;
}

TEST_F(StandingsCases, HardCasesOfHeadToHeadInTheTableAndTheResultsReport) {
  season();
  const RunResult table = liga("standings");
  ASSERT_EQ(table.status, 0) << table.out;
  // The circle: head-to-head leaves all three level (2 p, 1-1 each), so team number decides.
  EXPECT_NE(table.out.find("CIRKEL\n"
                           " pl.  lag                             sp   v   o   f   mål       p\n"
                           "   1  Ett                              2   1   0   1    1-1      2\n"
                           "   2  Två                              2   1   0   1    1-1      2\n"
                           "   3  Tre                              2   1   0   1    1-1      2\n"
                           "  Ett före Två: lagnummer 1–2\n"
                           "  Två före Tre: lagnummer 2–3\n"),
            std::string::npos)
      << table.out;
  // Among the three on 4 p: each has 2 p, Alfa +2 in goals (4-2), Beta and Gamma -1 with
  // two goals each; Beta and Gamma are compared again on their own match, 2-0 to Beta.
  EXPECT_NE(table.out.find("DELAD\n"
                           " pl.  lag                             sp   v   o   f   mål       p\n"
                           "   1  Alfa                             3   2   0   1    5-2      4\n"
                           "   2  Beta                             3   2   0   1    3-3      4\n"
                           "   3  Gamma                            3   2   0   1    3-3      4\n"
                           "   4  Delta                            3   0   0   3    0-3      0\n"
                           "  Alfa före Beta: inbördes möte 2–2 p, målskillnad +2 mot -1\n"
                           "  Beta före Gamma: inbördes möte 2–0 p\n"),
            std::string::npos)
      << table.out;
  // Norr and Syd, 2 p each, never met (the half-entered match counts for nothing, not even
  // as played): goals scored decide, 5 to 2.
  EXPECT_NE(table.out.find("OMÖTT\n"
                           " pl.  lag                             sp   v   o   f   mål       p\n"
                           "   1  Syd                              1   1   0   0    5-4      2\n"
                           "   2  Norr                             1   1   0   0    2-0      2\n"
                           "   3  Väst                             2   0   0   2    4-7      0\n"
                           "  Syd före Norr: gjorda mål 5–2\n"),
            std::string::npos)
      << table.out;

  const fs::path pdf = m_root / "resultat.pdf";
  ok("--yes report resultat --pdf '" + pdf.string() + "'");
  const RunResult text = liga::testing::RunCommand("pdftotext -layout '" + pdf.string() + "' -");
  ASSERT_EQ(text.status, 0) << text.out;
  const std::string report = Squeezed(text.out);
  EXPECT_NE(report.find("ETT 2 1 0 1 1- 1 2\n"
                        "TVÅ 2 1 0 1 1- 1 2\n"
                        "TRE 2 1 0 1 1- 1 2\n"
                        "ETT före TVÅ: lagnummer 1–2\n"
                        "TVÅ före TRE: lagnummer 2–3\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("ALFA 3 2 0 1 5- 2 4\n"
                        "BETA 3 2 0 1 3- 3 4\n"
                        "GAMMA 3 2 0 1 3- 3 4\n"
                        "DELTA 3 0 0 3 0- 3 0\n"
                        "ALFA före BETA: inbördes möte 2–2 p, målskillnad +2 mot -1\n"
                        "BETA före GAMMA: inbördes möte 2–0 p\n"),
            std::string::npos)
      << report;
  EXPECT_NE(report.find("SYD 1 1 0 0 5- 4 2\n"
                        "NORR 1 1 0 0 2- 0 2\n"
                        "VÄST 2 0 0 2 4- 7 0\n"
                        "SYD före NORR: gjorda mål 5–2\n"),
            std::string::npos)
      << report;
  // The half-entered match is not among those played.
  EXPECT_EQ(report.find("Norr <-> 0029 Syd"), std::string::npos) << report;
}

}  // namespace
