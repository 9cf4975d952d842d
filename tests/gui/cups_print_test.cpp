// Printing to a real CUPS queue: a private cupsd (its own configuration, spool and socket
// in the test's folder) with one queue whose device is a file. The window's team list is
// printed the way the print dialog leaves the printer: a QPrinter naming the queue, in its
// native format, with the paper size the person chose. The job must arrive at the queue's
// file with as many pages as the same list printed to a PDF file, on that paper.
//
// The queue's driver passes the PDF that Qt sends straight to the device file, so the file
// is what the printer would get.
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QPrinter>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <optional>
#include <regex>
#include <thread>

#include "editing/pick.h"
#include "gui/report_commands.h"
#include "gui_test_env.h"
#include "support/file_io.h"

extern char** environ;

namespace liga::gui {
namespace {

namespace fs = std::filesystem;
using liga::testing::ReadFile;
using liga::testing::RunCommand;
using liga::testing::RunResult;
using liga::testing::WriteFile;

const char* kQueue = "ligatest";

// Answers every pick window with all its lines.
class AllPicks : public PickWindowRunner {
 public:
  void run(TEPickForm& form) override {
    for (int i = 0; i < form.count(); ++i) form.setSelected(i, true);
    form.okBtnClick();
  }
};

std::string ppd(const fs::path& filter) {
  std::string sizes;
  for (const char* key : {"PageSize", "PageRegion"}) {
    sizes += std::string("*OpenUI *") + key +
             "/Media Size: PickOne\n*OrderDependency: 10 AnySetup *" + key + "\n*Default" + key +
             ": A4\n*" + key + " A4/A4: \"<</PageSize[595 842]>>setpagedevice\"\n*" + key +
             " Letter/US Letter: \"<</PageSize[612 792]>>setpagedevice\"\n*CloseUI: *" + key + "\n";
  }
  return "*PPD-Adobe: \"4.3\"\n*FormatVersion: \"4.3\"\n*FileVersion: \"1.0\"\n"
         "*LanguageVersion: English\n*LanguageEncoding: ISOLatin1\n*PCFileName: \"LIGATEST.PPD\"\n"
         "*Manufacturer: \"LigaWin32\"\n*Product: \"(Liga Test)\"\n*ModelName: \"Liga Test\"\n"
         "*ShortNickName: \"Liga Test\"\n*NickName: \"Liga Test file printer\"\n"
         "*PSVersion: \"(3010.000) 0\"\n*LanguageLevel: \"3\"\n*ColorDevice: False\n"
         "*DefaultColorSpace: Gray\n*FileSystem: False\n*Throughput: \"1\"\n"
         "*cupsFilter: \"application/pdf 0 " +
         filter.string() + "\"\n" + sizes +
         "*DefaultImageableArea: A4\n*ImageableArea A4/A4: \"0 0 595 842\"\n"
         "*ImageableArea Letter/US Letter: \"0 0 612 792\"\n*DefaultPaperDimension: A4\n"
         "*PaperDimension A4/A4: \"595 842\"\n*PaperDimension Letter/US Letter: \"612 792\"\n";
}

class CupsPrintTest : public testing::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    m_cups = m_dir / "cups";
    // cupsd runs the queue's filter as the user "lp": it must reach the folder and write
    // the device file.
    ::chmod(m_dir.c_str(), 0755);
    for (const char* sub : {"", "spool", "tmp", "state", "cache", "log"})
      fs::create_directories(m_cups / sub);
    ::chmod(m_cups.c_str(), 0755);
    m_socket = m_cups / "cups.sock";
    m_device = m_cups / "out.prn";
    WriteConfiguration();
    if (!StartCupsd()) {
      const std::string log = ReadFile(m_cups / "log" / "error_log");
      GTEST_SKIP() << "cupsd could not start here: " << log.substr(0, 400);
    }
    setenv("CUPS_SERVER", m_socket.c_str(), 1);
    const RunResult added =
        RunCommand(lp("lpadmin") + " -p " + kQueue + " -E -v 'file://" + m_device.string() +
                   "' -P '" + (m_cups / "liga.ppd").string() + "'");
    ASSERT_EQ(added.status, 0) << added.out;
    start();
    m_ui.setNextAnswer(Answer::Yes);
    m_form->offerDemo();
    ASSERT_TRUE(m_shell->db().competitionOpen());
    m_picks = std::make_unique<ScopedPickWindows>(m_runner);
  }
  void TearDown() override {
    if (m_previous) SetPreviewRunner(*m_previous);
    m_picks.reset();
    if (m_pid > 0) {
      ::kill(m_pid, SIGTERM);
      ::waitpid(m_pid, nullptr, 0);
    }
    unsetenv("CUPS_SERVER");
    GuiTest::TearDown();
  }

  std::string lp(const char* tool) { return "CUPS_SERVER='" + m_socket.string() + "' " + tool; }

  void WriteConfiguration() {
    const std::string c = m_cups.string();
    WriteFile(m_cups / "cupsd.conf",
              "Listen " + m_socket.string() +
                  "\nLogLevel info\nWebInterface No\nBrowsing No\nDefaultAuthType None\n"
                  "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
                  "<Location /admin>\n  Order allow,deny\n  Allow all\n</Location>\n"
                  "<Policy default>\n  <Limit All>\n    Order allow,deny\n    Allow all\n"
                  "  </Limit>\n</Policy>\n");
    WriteFile(m_cups / "cups-files.conf",
              "ServerRoot " + c + "\nRequestRoot " + c + "/spool\nTempDir " + c +
                  "/tmp\nStateDir " + c + "/state\nCacheDir " + c +
                  "/cache\nServerBin /usr/lib/cups\nDataDir /usr/share/cups\nAccessLog " + c +
                  "/log/access_log\nErrorLog " + c + "/log/error_log\nPageLog " + c +
                  "/log/page_log\nFileDevice Yes\nSandboxing Relaxed\n");
    const fs::path filter = m_cups / "passthrough";
    WriteFile(filter, "#!/bin/sh\nexec cat \"${6:--}\"\n");
    ::chmod(filter.c_str(), 0755);
    WriteFile(m_cups / "liga.ppd", ppd(filter));
    WriteFile(m_device, "");
    ::chmod(m_device.c_str(), 0666);
  }

  bool StartCupsd() {
    const std::string conf = (m_cups / "cupsd.conf").string();
    const std::string files = (m_cups / "cups-files.conf").string();
    const char* argv[] = {"/usr/sbin/cupsd", "-f",   "-c", conf.c_str(), "-s",
                          files.c_str(),     nullptr};
    if (::access(argv[0], X_OK) != 0) return false;
    if (posix_spawn(&m_pid, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
      m_pid = -1;
      return false;
    }
    for (int i = 0; i < 100; ++i) {
      if (RunCommand(lp("lpstat") + " -r").out.find("scheduler is running") == 0) return true;
      if (::waitpid(m_pid, nullptr, WNOHANG) == m_pid) {
        m_pid = -1;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return false;
  }

  // Prints the team list from the window's menu onto `setUp`'s printer.
  void printTeamList(const std::function<void(QPrinter&)>& setUp) {
    auto previous =
        SetPreviewRunner([setUp](QWidget*, const std::function<void(QPrinter&)>& print) {
          QPrinter printer(QPrinter::HighResolution);
          setUp(printer);
          print(printer);
        });
    if (!m_previous) m_previous = previous;
    control<QAction>("laglista")->trigger();
  }

  // Waits until the queue has finished `jobs` jobs; the `lpstat` listing of them.
  std::string waitForCompleted(int jobs) {
    std::string listing;
    for (int i = 0; i < 200; ++i) {
      listing = RunCommand(lp("lpstat") + " -W completed -o " + kQueue).out;
      if (std::count(listing.begin(), listing.end(), '\n') >= jobs) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return listing;
  }

  // "Pages:" and "Page size:" of a PDF file as pdfinfo reads them.
  static std::pair<int, std::string> pdfInfo(const fs::path& pdf) {
    const std::string info = RunCommand("pdfinfo '" + pdf.string() + "'").out;
    std::smatch pages, size;
    std::regex_search(info, pages, std::regex("Pages:\\s+(\\d+)"));
    std::regex_search(info, size, std::regex("Page size:\\s+([^\\n]*)"));
    return {pages.empty() ? -1 : std::stoi(pages[1]), size.empty() ? "" : size[1].str()};
  }

  fs::path m_cups, m_socket, m_device;
  pid_t m_pid = -1;
  AllPicks m_runner;
  std::unique_ptr<ScopedPickWindows> m_picks;
  std::optional<PreviewRunner> m_previous;
};

TEST_F(CupsPrintTest, TeamListArrivesAtTheQueueWithEveryPageOnTheChosenPaper) {
  // The same list to a PDF file gives the number of pages to expect.
  const fs::path pdf = m_dir / "laglista.pdf";
  printTeamList([&](QPrinter& p) {
    p.setOutputFormat(QPrinter::PdfFormat);
    p.setOutputFileName(QString::fromStdString(pdf.string()));
    p.setPageSize(QPageSize(QPageSize::Letter));
  });
  const auto [expectedPages, pdfSize] = pdfInfo(pdf);
  ASSERT_GE(expectedPages, 2) << "the demo's team list fills more than one page";

  // What the print dialog leaves behind when the person picks the queue and US Letter.
  printTeamList([](QPrinter& p) {
    p.setPrinterName(QString::fromLatin1(kQueue));
    ASSERT_TRUE(p.isValid()) << "Qt does not list the queue";
    ASSERT_EQ(p.outputFormat(), QPrinter::NativeFormat);
    p.setPageSize(QPageSize(QPageSize::Letter));
  });
  const std::string listing = waitForCompleted(1);
  EXPECT_NE(listing.find(std::string(kQueue) + "-1 "), std::string::npos) << listing;
  const auto [pages, size] = pdfInfo(m_device);
  EXPECT_EQ(pages, expectedPages) << ReadFile(m_cups / "log" / "error_log");
  EXPECT_NE(size.find("letter"), std::string::npos) << size;
}

}  // namespace
}  // namespace liga::gui
