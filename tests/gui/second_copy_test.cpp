// Two real programs on one data directory: the one that comes second is refused, says so,
// and leaves the configuration exactly as the first one keeps it.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "support/file_io.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::ReadFile;
using liga::testing::RunResult;

class SecondCopyTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(m_root / "data");
    m_env = "XDG_CONFIG_HOME='" + (m_root / "config").string() + "' XDG_DOCUMENTS_DIR='" +
            (m_root / "docs").string() + "' HOME='" + m_root.path().string() +
            "' QT_QPA_PLATFORM=offscreen ";
    ASSERT_EQ(liga("datadir '" + (m_root / "data").string() + "'").status, 0);
    const RunResult demo = liga("demo");
    ASSERT_EQ(demo.status, 0) << demo.out;
    m_config = m_root / "config" / "LigaWin32" / "LigaWin32.P32";
    ASSERT_TRUE(fs::exists(m_config));
  }
  void TearDown() override {
    if (m_first > 0) {
      kill(m_first, SIGKILL);
      waitpid(m_first, nullptr, 0);
    }
  }

  RunResult liga(const std::string& args) {
    return liga::testing::RunCommand(m_env + LIGA_BINARY + " --quiet " + args);
  }

  // Starts the window in the background and waits until it holds the data directory.
  void startFirstWindow() {
    m_first = fork();
    if (m_first == 0) {
      const std::string command = m_env + "exec " + LIGAWIN32_BINARY + " >/dev/null 2>&1";
      execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    const fs::path lock = m_root / "data" / "LigaWin32.lock";
    for (int i = 0; i < 400; ++i) {
      if (held(lock)) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    FAIL() << "the first window never took the data directory";
  }

  static bool held(const fs::path& lock) {
    const int fd = ::open(lock.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool busy = flock(fd, LOCK_SH | LOCK_NB) != 0;
    close(fd);
    return busy;
  }

  // Ends the first window as a session end does (SIGTERM) and returns its exit status.
  int endFirstWindow() {
    kill(m_first, SIGTERM);
    int raw = 0;
    waitpid(m_first, &raw, 0);
    m_first = 0;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }

  liga::testing::TempDir m_root{"second_copy"};
  std::string m_env;
  fs::path m_config;
  pid_t m_first = 0;
};

TEST_F(SecondCopyTest, RefusedWindowAndCommandLeaveTheConfigurationAlone) {
  const std::string before = ReadFile(m_config);
  startFirstWindow();
  ASSERT_GT(m_first, 0);

  // The second window is refused, ends by itself with status 1 and writes nothing. Its
  // message is recorded (scripted answers) instead of waiting for a click.
  const fs::path shots = m_root / "shots";
  const RunResult second = liga::testing::RunCommand(m_env + "timeout 60 " + LIGAWIN32_BINARY +
                                                     " --screenshot '" + shots.string() + "'");
  EXPECT_EQ(second.status, 1) << second.out;
  EXPECT_FALSE(fs::exists(shots / "main.png"));
  EXPECT_EQ(ReadFile(m_config), before);

  // The same for `liga`: refused with the holder named, configuration untouched.
  const RunResult cli = liga("select 1");
  EXPECT_EQ(cli.status, 1);
  EXPECT_NE(cli.out.find("används av"), std::string::npos) << cli.out;
  EXPECT_EQ(ReadFile(m_config), before);

  EXPECT_EQ(endFirstWindow(), 0);
  // The first window's configuration is the one that stays: it still names the demo
  // competition, so the next start opens it.
  const RunResult list = liga("info");
  EXPECT_EQ(list.status, 0) << list.out;
  EXPECT_NE(list.out.find("DEMO"), std::string::npos) << list.out;
}

}  // namespace
