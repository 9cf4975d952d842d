// scripts/setup against stand-ins for dpkg-query, apt-get, id and sudo: what it prints,
// what it installs and when it asks for root.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "support/file_io.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;

using liga::testing::RunResult;

std::vector<std::string> linesOf(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

class SetupScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(m_dir / "bin");
    // Only these tools are on the PATH, so a real apt-get or sudo can never run.
    for (const char* tool : {"mktemp", "tail", "rm", "cat"}) {
      for (const char* where : {"/usr/bin/", "/bin/"}) {
        if (fs::exists(std::string(where) + tool)) {
          fs::create_symlink(std::string(where) + tool, m_dir / "bin" / tool);
          break;
        }
      }
    }
    stub("dpkg-query",
         "for p in \"$@\"; do :; done\n"
         "if grep -qx -- \"$p\" \"" +
             (m_dir / "installed").string() +
             "\" 2>/dev/null; then\n"
             "  printf 'install ok installed'; else exit 1; fi\n");
    stub("apt-get", "echo \"apt-get $*\" >>\"" + (m_dir / "calls").string() +
                        "\"\n"
                        "for i in $(seq 1 40); do echo \"Unpacking package $i ...\"; done\n");
    stub("id", "echo \"${STUB_UID:-0}\"\n");
    // grep and seq for the stand-ins themselves.
    for (const char* tool : {"grep", "seq"}) {
      for (const char* where : {"/usr/bin/", "/bin/"}) {
        if (fs::exists(std::string(where) + tool)) {
          fs::create_symlink(std::string(where) + tool, m_dir / "bin" / tool);
          break;
        }
      }
    }
  }

  void stub(const std::string& name, const std::string& body) {
    const fs::path p = m_dir / "bin" / name;
    std::ofstream f(p);
    f << "#!/bin/bash\n" << body;
    f.close();
    fs::permissions(p, fs::perms::owner_all);
  }
  // Every package of the script's list installed except `missing`.
  void installedAllBut(const std::vector<std::string>& missing) {
    const std::string text =
        liga::testing::ReadFile(fs::path(LIGA_SOURCE_DIR) / "scripts" / "setup");
    const std::size_t a = text.find("packages=(") + 10, b = text.find(')', a);
    std::istringstream words(text.substr(a, b - a));
    std::ofstream out(m_dir / "installed");
    for (std::string w; words >> w;) {
      bool skip = false;
      for (const auto& m : missing) skip |= m == w;
      if (!skip) out << w << "\n";
    }
  }
  RunResult setup(const std::string& env = "") {
    return liga::testing::RunCommand(env + " PATH='" + (m_dir / "bin").string() + "' /bin/bash '" +
                                     LIGA_SOURCE_DIR + "/scripts/setup'");
  }
  std::string calls() { return liga::testing::ReadFile(m_dir / "calls"); }

  liga::testing::TempDir m_dir{"setup"};
};

TEST_F(SetupScriptTest, NothingMissingInstallsNothingAndSaysNothing) {
  installedAllBut({});
  const RunResult r = setup();
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(calls(), "");
}

TEST_F(SetupScriptTest, OneLinePerPackageSetAndOnlyTheMissingPackages) {
  installedAllBut({"cmake", "ninja-build", "libgtest-dev"});
  const RunResult r = setup();
  ASSERT_EQ(r.status, 0) << r.out;
  EXPECT_EQ(linesOf(r.out), (std::vector<std::string>{
                                "setup: updating the package lists",
                                "setup: installing build tools: cmake ninja-build",
                                "setup: installing test frameworks: libgtest-dev",
                                "setup: installed 3 packages",
                            }));
  EXPECT_EQ(calls(),
            "apt-get update -qq\n"
            "apt-get install -y -qq --no-install-recommends cmake ninja-build libgtest-dev\n");
}

TEST_F(SetupScriptTest, SaysWhenItNeedsRoot) {
  installedAllBut({"cmake"});
  // Without sudo: refused, with the reason, and apt-get never runs.
  const RunResult refused = setup("STUB_UID=1000");
  EXPECT_EQ(refused.status, 1);
  EXPECT_NE(refused.out.find("needs root"), std::string::npos) << refused.out;
  EXPECT_EQ(calls(), "");

  stub("sudo", "echo \"sudo\" >>\"" + (m_dir / "calls").string() + "\"\nexec \"$@\"\n");
  const RunResult withSudo = setup("STUB_UID=1000");
  EXPECT_EQ(withSudo.status, 0) << withSudo.out;
  EXPECT_NE(withSudo.out.find("needs root; using sudo"), std::string::npos) << withSudo.out;
  EXPECT_EQ(calls(),
            "sudo\napt-get update -qq\nsudo\napt-get install -y -qq --no-install-recommends "
            "cmake\n");
}

TEST_F(SetupScriptTest, AFailingAptShowsItsOutput) {
  installedAllBut({"cmake"});
  stub("apt-get", "echo \"E: Unable to locate package $*\"; exit 100\n");
  const RunResult r = setup();
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.out.find("apt-get update failed"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("E: Unable to locate package"), std::string::npos) << r.out;
}

}  // namespace
