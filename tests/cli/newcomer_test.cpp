// What a newcomer meets on the command line after the README: directories made when
// asked for, quiet output that still names written files, error lines that say what is
// wrong and start with "fel:", help for every flag.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunResult;

class NewcomerTest : public ::testing::Test {
 protected:
  // `liga ARGS` started in the folder `cwd` (default the test's root), stdout and stderr apart.
  RunResult liga(const std::string& args, const fs::path& cwd = {}) {
    const fs::path where = cwd.empty() ? m_root.path() : cwd;
    return liga::testing::RunSplit("cd '" + where.string() + "' && XDG_CONFIG_HOME='" +
                                   (m_root / "config").string() + "' XDG_DOCUMENTS_DIR='" +
                                   (m_root / "docs").string() + "' " + LIGA_BINARY + " " + args);
  }
  void demo() {
    ASSERT_EQ(liga("datadir ./data").status, 0);
    ASSERT_EQ(liga("demo").status, 0);
  }
  static std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
  }
  liga::testing::TempDir m_root{"newcomer"};
};

TEST_F(NewcomerTest, DatadirMakesTheDirectoryWhenItsParentExists) {
  const RunResult r = liga("datadir ./data");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(fs::is_directory(m_root / "data"));
  EXPECT_NE(r.out.find("skapade katalogen " + (m_root / "data").string()), std::string::npos)
      << r.out;
  const RunResult missingParent = liga("datadir ./saknas/data");
  EXPECT_EQ(missingParent.status, 1);
  EXPECT_EQ(missingParent.err.rfind("fel: ", 0), 0u) << missingParent.err;
  EXPECT_FALSE(fs::exists(m_root / "saknas"));
}

TEST_F(NewcomerTest, TerminalOutputIsQuietButNamesWrittenFiles) {
  const RunResult made = liga("datadir ./data");
  ASSERT_EQ(made.status, 0);
  const RunResult d = liga("demo");
  ASSERT_EQ(d.status, 0) << d.err;
  // No status lines and no 50-line import log; the log is named.
  EXPECT_EQ(d.err.find("Filerna"), std::string::npos) << d.err;
  EXPECT_LE(lines(d.out).size() + lines(d.err).size(), 3u) << d.out << d.err;
  EXPECT_NE(d.err.find("importlogg: "), std::string::npos) << d.err;
  const RunResult verbose = liga("--verbose info");
  EXPECT_NE(verbose.err.find("Filerna"), std::string::npos) << verbose.err;

  const RunResult html = liga("view laglista --html lista.htm");
  EXPECT_EQ(html.status, 0) << html.err;
  EXPECT_EQ(html.out, "skrev " + (m_root / "lista.htm").string() + "\n");
  // Over an existing file only with --yes; --quiet asks nothing and says why.
  const RunResult again = liga("--quiet view laglista --html lista.htm");
  EXPECT_EQ(again.status, 1);
  EXPECT_EQ(again.out, "");
  for (const std::string& l : lines(again.err)) EXPECT_EQ(l.rfind("fel: ", 0), 0u) << l;
  EXPECT_NE(again.err.find("--yes"), std::string::npos) << again.err;
  EXPECT_EQ(liga("--yes --quiet view rattvisa --html lista.htm").status, 0);
}

TEST_F(NewcomerTest, ErrorsSayWhatIsWrong) {
  demo();
  struct Case {
    const char* args;
    int status;
    const char* says;
  };
  const Case cases[] = {
      {"view resultat", 2, "ange vart visningen ska"},
      {"report laglist --pdf x.pdf", 2, "okänd rapport \"laglist\""},
      {"result 99999 1 1", 2, "MATCHNR måste vara"},
      {"result 1 3 x", 2, "BORTA måste vara ett heltal"},
      {"view laglista --pdf saknas/lista.pdf", 1, "mappen finns inte: "},
      {"export resultat saknas/r.lgw", 1, "mappen finns inte: "},
      {"playtime add \"2027-13-01 10:00\"", 1, "månad som inte finns"},
      {"msg 12345", 1, "finns inte i katalogen"},
  };
  for (const Case& c : cases) {
    const RunResult r = liga(c.args);
    EXPECT_EQ(r.status, c.status) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << "\n" << r.err;
    EXPECT_EQ(r.err.rfind("fel: ", 0), 0u) << c.args << "\n" << r.err;
  }
}

TEST_F(NewcomerTest, HelpExplainsEveryFlagOfTheBusyCommands) {
  const std::pair<const char*, std::vector<const char*>> topics[] = {
      {"report", {"--set 1..4", "--kind 0..3", "--playtime P", "--pdf FIL"}},
      {"view", {"--html FIL", "--xml FIL", "--text", "rattvisa"}},
      {"mail", {"--subject S", "--body FILE", "--settings FILE", "test ADDRESS"}},
      {"matches", {"--playtime SPELTID"}},
      {"match", {"set SPELTID PLATS", "clear SPELTID PLATS"}},
      {"result", {"MATCHNR", "HEMMA", "BORTA"}},
      {"playtime", {"ÅÅÅÅ-MM-DD TT:MM", "--time NY", "--leader T"}},
  };
  for (const auto& [command, words] : topics) {
    const RunResult r = liga(std::string("help ") + command);
    EXPECT_EQ(r.status, 0);
    for (const char* w : words) EXPECT_NE(r.out.find(w), std::string::npos) << command << ": " << w;
  }
  const RunResult noSettings =
      liga("mail test a@b.c --settings '" + (m_root / "saknas.ini").string() + "'");
  EXPECT_EQ(noSettings.status, 1);
  EXPECT_NE(noSettings.err.find("smtp_host="), std::string::npos) << noSettings.err;
}

}  // namespace
