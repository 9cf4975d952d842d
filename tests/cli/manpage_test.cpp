// The manual pages and the bash completion against the program itself: liga(1) lists every
// command `liga help` lists, with the help's global flags and exit status, and renders
// without a warning; ligawin32(1) names every flag `ligawin32 --help` shows; the completion
// offers commands, kinds, flags, and the class names and team numbers of the demo.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <regex>
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

// The command names of `liga help`, in its order.
std::vector<std::string> helpCommands() {
  const RunResult help = RunCommand(std::string(LIGA_BINARY) + " help");
  std::vector<std::string> names;
  std::istringstream in(help.out);
  bool inList = false;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("kommandon", 0) == 0) {
      inList = true;
    } else if (inList && line.rfind("  ", 0) == 0) {
      names.push_back(line.substr(2, line.find(' ', 2) - 2));
    } else if (inList) {
      break;
    }
  }
  return names;
}

// The page as man renders it for an 80-column terminal; warnings in `warnings`.
std::string render(const std::string& page, std::string* warnings = nullptr) {
  const RunResult r = RunSplit("LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l '" + page + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  if (warnings) *warnings = r.err;
  return r.out;
}

TEST(ManPage, LigaPageHasEveryCommandOfTheHelp) {
  const std::string page = ReadFile(LIGA_MANPAGE);
  const std::vector<std::string> names = helpCommands();
  ASSERT_GT(names.size(), 20u);
  for (const std::string& name : names) {
    std::string roffName = std::regex_replace(name, std::regex("-"), "\\-");
    EXPECT_NE(page.find(".TP\n\\fBliga " + roffName + "\\fR"), std::string::npos) << name;
  }
  std::string warnings;
  const std::string text = render(LIGA_MANPAGE, &warnings);
  EXPECT_EQ(warnings, "");
  // The global flags and the exit status are the help's own lines.
  const std::string help = RunCommand(std::string(LIGA_BINARY) + " help").out;
  for (const char* line : {"  --quiet          inga statusrader (fel skrivs alltid)",
                           "slutstatus: 0 klart, 1 avvisat, avböjt eller misslyckat kommando"}) {
    ASSERT_NE(help.find(line), std::string::npos) << "help changed: " << line;
    EXPECT_NE(text.find(std::string(line).substr(2)), std::string::npos) << line;
  }
  for (const char* section : {"NAMN", "SYNOPSIS", "KOMMANDON", "GLOBALA FLAGGOR", "SLUTSTATUS",
                              "FILER", "EXEMPEL", "SE ÄVEN"}) {
    EXPECT_NE(text.find("\n" + std::string(section) + "\n"), std::string::npos) << section;
  }
}

TEST(ManPage, LigaExamplesUseExistingCommands) {
  const std::string text = render(LIGA_MANPAGE);
  const auto at = text.find("\nEXEMPEL\n");
  ASSERT_NE(at, std::string::npos);
  const std::vector<std::string> names = helpCommands();
  std::istringstream in(text.substr(at, text.find("\nSE ÄVEN") - at));
  int examples = 0;
  for (std::string line; std::getline(in, line);) {
    std::smatch m;
    if (!std::regex_search(line, m, std::regex("^\\s+liga (--\\S+ )*([a-z]+)"))) continue;
    ++examples;
    EXPECT_NE(std::find(names.begin(), names.end(), m[2].str()), names.end()) << line;
  }
  EXPECT_GE(examples, 6);
}

TEST(ManPage, LigawinPageNamesEveryFlagOfItsHelp) {
  const std::string page = std::string(LIGA_SOURCE_DIR) + "/share/man/ligawin32.1";
  std::string warnings;
  const std::string text = render(page, &warnings);
  EXPECT_EQ(warnings, "");
  const RunResult help = RunCommand(std::string(LIGAWIN32_BINARY) + " --help");
  ASSERT_EQ(help.status, 0);
  const std::string usage = help.out.substr(0, help.out.find('\n'));
  std::smatch m;
  std::string rest = usage;
  int flags = 0;
  while (std::regex_search(rest, m, std::regex("(--[a-z-]+|/[A-Z]+)"))) {
    ++flags;
    EXPECT_NE(text.find(m[1].str()), std::string::npos) << m[1];
    rest = m.suffix();
  }
  EXPECT_GE(flags, 3);
  EXPECT_NE(text.find("--version"), std::string::npos);
}

class CompletionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    m_root = new liga::testing::TempDir("completion");
    fs::create_directories(*m_root / "data");
    ASSERT_EQ(liga("datadir '" + (*m_root / "data").string() + "'").status, 0);
    ASSERT_EQ(liga("demo").status, 0);
  }
  static void TearDownTestSuite() { delete m_root; }

  static std::string env() {
    return "XDG_CONFIG_HOME='" + (*m_root / "config").string() + "' XDG_DOCUMENTS_DIR='" +
           (*m_root / "docs").string() + "' ";
  }
  static RunResult liga(const std::string& args) {
    return RunCommand(env() + LIGA_BINARY + " --quiet " + args);
  }
  // What Tab offers after `line` (the last word is the one being completed).
  static std::vector<std::string> complete(const std::string& line) {
    const std::string script =
        "source '" + std::string(LIGA_SOURCE_DIR) + "/share/bash-completion/liga'; " + "PATH='" +
        fs::path(LIGA_BINARY).parent_path().string() + "':$PATH; " + "COMP_WORDS=(" + line +
        "); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); " + "[[ '" + line +
        "' == *' ' ]] && COMP_WORDS+=('') && COMP_CWORD=$((COMP_CWORD + 1)); " +
        "_liga; printf '%s\\n' \"${COMPREPLY[@]}\"";
    liga::testing::WriteFile(*m_root / "complete.sh", script);
    const RunResult r = RunCommand(env() + "bash '" + (*m_root / "complete.sh").string() + "'");
    EXPECT_EQ(r.status, 0) << r.out;
    std::vector<std::string> words;
    std::istringstream in(r.out);
    for (std::string w; std::getline(in, w);) {
      if (!w.empty()) words.push_back(w);
    }
    return words;
  }
  static bool has(const std::vector<std::string>& words, const std::string& w) {
    return std::find(words.begin(), words.end(), w) != words.end();
  }

  static inline liga::testing::TempDir* m_root = nullptr;
};

TEST_F(CompletionTest, CommandsFlagsAndKinds) {
  EXPECT_EQ(complete("liga stan"), std::vector<std::string>{"standings"});
  const auto kinds = complete("liga report lag");
  EXPECT_TRUE(has(kinds, "laglista") && has(kinds, "lagspelprogram")) << kinds.size();
  EXPECT_FALSE(has(kinds, "resultat"));
  const auto flags = complete("liga report laglista --");
  EXPECT_TRUE(has(flags, "--pdf") && has(flags, "--class") && has(flags, "--team"));
  EXPECT_TRUE(has(complete("liga --"), "--data"));
  EXPECT_TRUE(has(complete("liga --quiet help sta"), "standings"));
}

TEST_F(CompletionTest, ClassNamesAndTeamNumbersOfTheCompetition) {
  const std::string classes = liga("classes").out;
  const auto offered = complete("liga standings --class ");
  ASSERT_FALSE(offered.empty());
  for (const std::string& c : offered) EXPECT_NE(classes.find(c), std::string::npos) << c;
  const std::string listed = liga("teams").out;
  const std::string teams = "\n" + listed;
  const auto numbers = complete("liga report laglista --team ");
  ASSERT_FALSE(numbers.empty());
  for (const std::string& n : numbers) {
    EXPECT_TRUE(std::regex_match(n, std::regex("[0-9]{4}"))) << n;
    EXPECT_NE(teams.find("\n" + n + "  "), std::string::npos) << n;
  }
  // Every team of `liga teams` is offered.
  EXPECT_EQ(numbers.size(),
            static_cast<std::size_t>(std::count(listed.begin(), listed.end(), '\n')));
}

TEST_F(CompletionTest, CompletingNeverWritesTheConfiguration) {
  const fs::path config = *m_root / "config" / "LigaWin32" / "LigaWin32.P32";
  const std::string before = ReadFile(config);
  const auto mtime = fs::last_write_time(config);
  complete("liga standings --class ");
  EXPECT_EQ(ReadFile(config), before);
  EXPECT_EQ(fs::last_write_time(config), mtime);
}

}  // namespace
