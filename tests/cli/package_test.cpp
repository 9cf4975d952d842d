// The Debian package as a user gets it: unpacked with dpkg-deb into a temporary root, its
// programs run from there with a private home, and every file the desktop looks for is where
// the desktop looks (the desktop file's Exec and Icon resolve inside the package).
//
// The package is the one scripts/package made: $LIGA_PACKAGE_DEB (scripts/test sets it, and
// then a missing package fails), else build-release/deb/ in the checkout; without either the
// tests are skipped with that reason.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>

#include "support/file_io.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::ReadFile;
using liga::testing::RunCommand;
using liga::testing::RunResult;

std::string findPackage() {
  if (const char* given = std::getenv("LIGA_PACKAGE_DEB")) return given;
  const fs::path dir = fs::path(LIGA_SOURCE_DIR) / "build-release" / "deb";
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    if (entry.path().extension() == ".deb") return entry.path().string();
  }
  return {};
}

class PackageTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    m_deb = findPackage();
    if (m_deb.empty() || !fs::exists(m_deb)) return;
    m_root = new liga::testing::TempDir("package");
    m_unpacked = RunCommand("dpkg-deb -x '" + m_deb + "' '" + (*m_root / "root").string() + "'");
    m_listing = RunCommand("dpkg-deb -c '" + m_deb + "'").out;
  }
  static void TearDownTestSuite() {
    delete m_root;
    m_root = nullptr;
  }
  void SetUp() override {
    if (m_deb.empty()) GTEST_SKIP() << "no package: run scripts/package build-release/deb";
    ASSERT_TRUE(fs::exists(m_deb)) << "LIGA_PACKAGE_DEB names no file: " << m_deb;
    ASSERT_EQ(m_unpacked.status, 0) << m_unpacked.out;
  }

  static fs::path usr() { return *m_root / "root" / "usr"; }
  // A program of the package run with a home of its own (configuration and documents in
  // the temporary folder, never the user's) from `dir`.
  static RunResult run(const std::string& program, const std::string& args,
                       const fs::path& dir = {}) {
    const fs::path home = *m_root / "home";
    fs::create_directories(home);
    const std::string cd = dir.empty() ? "" : "cd '" + dir.string() + "' && ";
    return RunCommand(cd + "env -i PATH=/usr/bin:/bin HOME='" + home.string() +
                      "' LANG=C.UTF-8 QT_QPA_PLATFORM=offscreen '" +
                      (usr() / "bin" / program).string() + "' " + args);
  }
  // The value of `key` in the desktop file.
  static std::string desktopKey(const std::string& key) {
    const std::string text = ReadFile(usr() / "share/applications/ligawin32.desktop");
    std::smatch m;
    if (!std::regex_search(text, m, std::regex("\n" + key + "=([^\n]*)"))) return {};
    return m[1];
  }

  static inline std::string m_deb;
  static inline liga::testing::TempDir* m_root = nullptr;
  static inline RunResult m_unpacked{-1, {}};
  static inline std::string m_listing;
};

TEST_F(PackageTest, ProgramsPrintTheProjectVersion) {
  const RunResult liga = run("liga", "--version");
  EXPECT_EQ(liga.status, 0);
  EXPECT_EQ(liga.out, "liga " LIGA_PROJECT_VERSION "\n");
  const RunResult window = run("ligawin32", "--version");
  EXPECT_EQ(window.status, 0);
  EXPECT_EQ(window.out, "ligawin32 " LIGA_PROJECT_VERSION "\n");
}

TEST_F(PackageTest, DemoAndAPdfReportRunFromTheUnpackedRoot) {
  const fs::path work = *m_root / "work";
  fs::create_directories(work / "data");
  ASSERT_EQ(run("liga", "--quiet datadir data", work).status, 0);
  const RunResult demo = run("liga", "--quiet demo", work);
  ASSERT_EQ(demo.status, 0) << demo.out;
  const RunResult report = run("liga", "--quiet report laglista --pdf laglista.pdf", work);
  ASSERT_EQ(report.status, 0) << report.out;
  const RunResult text = RunCommand("pdftotext '" + (work / "laglista.pdf").string() + "' -");
  ASSERT_EQ(text.status, 0);
  const RunResult teams = run("liga", "--quiet complete teams", work);
  ASSERT_EQ(teams.status, 0);
  ASSERT_FALSE(teams.out.empty());
  // The first team's number (printed without its leading zeros) is on the list.
  const std::string first = std::to_string(std::stoi(teams.out.substr(0, 4)));
  EXPECT_NE(text.out.find("\n" + first + "\n"), std::string::npos) << text.out;
  // The private home holds the configuration; the program wrote nowhere else.
  EXPECT_TRUE(fs::exists(*m_root / "home" / ".config" / "LigaWin32" / "LigaWin32.P32"));
}

TEST_F(PackageTest, DesktopFilesAreWhereTheDesktopLooks) {
  for (const char* path :
       {"./usr/bin/liga", "./usr/bin/ligawin32", "./usr/share/applications/ligawin32.desktop",
        "./usr/share/icons/hicolor/48x48/apps/ligawin32.png",
        "./usr/share/icons/hicolor/128x128/apps/ligawin32.png",
        "./usr/share/icons/hicolor/256x256/apps/ligawin32.png",
        "./usr/share/icons/hicolor/scalable/apps/ligawin32.svg",
        "./usr/share/metainfo/se.ligawin32.LigaWin32.metainfo.xml",
        "./usr/share/man/man1/liga.1.gz", "./usr/share/man/man1/ligawin32.1.gz",
        "./usr/share/bash-completion/completions/liga", "./usr/share/doc/ligawin32/copyright"}) {
    EXPECT_NE(m_listing.find(std::string(" ") + path + "\n"), std::string::npos) << path;
  }
  // Every file listed was unpacked.
  std::istringstream in(m_listing);
  for (std::string line; std::getline(in, line);) {
    const std::string path = line.substr(line.rfind(' ') + 1);
    EXPECT_TRUE(fs::exists(*m_root / "root" / path)) << path;
  }
  // Exec names a program of the package; Icon a themed icon of it; the menu has a category.
  const std::string exec = desktopKey("Exec");
  ASSERT_FALSE(exec.empty());
  EXPECT_TRUE(fs::exists(usr() / "bin" / exec.substr(0, exec.find(' ')))) << exec;
  EXPECT_TRUE(
      fs::exists(usr() / "share/icons/hicolor/256x256/apps" / (desktopKey("Icon") + ".png")));
  EXPECT_NE(desktopKey("Categories").find("Office;"), std::string::npos);
  // The metainfo names this desktop file.
  EXPECT_NE(ReadFile(usr() / "share/metainfo/se.ligawin32.LigaWin32.metainfo.xml")
                .find("<launchable type=\"desktop-id\">ligawin32.desktop</launchable>"),
            std::string::npos);
}

TEST_F(PackageTest, DependsOnQtSwedishTextsAndTheLibraries) {
  const RunResult control = RunCommand("dpkg-deb -f '" + m_deb + "' Depends");
  ASSERT_EQ(control.status, 0);
  EXPECT_NE(control.out.find("qt6-translations-l10n"), std::string::npos) << control.out;
  EXPECT_NE(control.out.find("libqt6widgets6"), std::string::npos) << control.out;
  EXPECT_NE(control.out.find("libc6"), std::string::npos) << control.out;
}

}  // namespace
