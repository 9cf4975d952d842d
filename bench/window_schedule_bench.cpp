// The scheduling run of the largest competition through the desktop program's progress
// windows against the same run through the port `liga schedule` uses (whose progress
// windows draw nothing). The difference is what the window's progress display costs.
//
// Largest: 10 classes of 16 teams, 4 rounds (4,800 matches) on 300 play times, 16 matches per
// play time, 10 repair steps, a 200-line mask file; the schedule file is written each time.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "common/text.h"
#include "common/ui_port.h"
#include "gui/qt_ui.h"
#include "schedule_input.h"
#include "scheduling/run.h"

namespace {

using namespace liga;
using namespace liga::scheduling;
using namespace liga::bench;

// The port of `liga schedule`: progress windows are not drawn, messages go nowhere.
class CommandLinePort : public UiPort {
 public:
  Answer showMessage(MessageKind, const std::string&, const std::string&) override {
    return Answer::Yes;
  }
  void setStatus(const std::string&) override {}
  void progressOpened(int, const std::string&, int, bool) override {}
  void progressRow(int, int, const std::string&) override {}
  void progressClosed(int) override {}
  std::optional<std::string> pickOpenFile(const std::string&, const std::string&,
                                          const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> pickSaveFile(const std::string&, const std::string&,
                                          const std::string&) override {
    return std::nullopt;
  }
  std::optional<std::string> pickFolder(const std::string&, const std::string&) override {
    return std::nullopt;
  }
  void beep(int, int) override {}
};

void RunLargest(benchmark::State& state, UiPort& port) {
  static const ScheduleInput input =
      MakeInput(std::vector<int>(10, 16), 4, 150, {"10:00", "14:00"});
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "liga_window_schedule_bench";
  fs::create_directories(dir);
  std::ofstream(dir / "lag.msk", std::ios::binary) << MaskText(200, 160, 150);
  ScheduleConfig config{(dir / "x.lot").string(), dir.string()};
  ScopedUi scoped(port);
  std::uint64_t seed = 1;
  for (auto _ : state) {
    SeededRandom random(seed++);
    RunOptions options{&random, nullptr};
    RunSummary s = RunSchedule(
        input, config,
        [&](ScheduleDialog& d) {
          d.setMatchesPerPlayTime(16);
          d.setRefineSteps(10);
          d.setMaskFile((dir / "lag.msk").string());
          d.setOutFile((dir / "SPELDAG.LOT").string());
          fs::remove(dir / "SPELDAG.LOT");
          return d.ok();
        },
        options);
    if (s.outcome != RunOutcome::Written) state.SkipWithError("run did not write its file");
  }
  fs::remove_all(dir);
}

void BM_LargestRunCommandLine(benchmark::State& state) {
  CommandLinePort port;
  RunLargest(state, port);
}
BENCHMARK(BM_LargestRunCommandLine)->Unit(benchmark::kMillisecond)->MinTime(2.0);

void BM_LargestRunWindow(benchmark::State& state) {
  QWidget main;
  main.resize(545, 312);
  main.show();
  gui::QtUi port;
  port.setScripted(true);  // the closing messages are answered; the progress windows are real
  port.setMainWindow(&main);
  RunLargest(state, port);
  state.counters["repaints"] = port.progressFlushes();
}
BENCHMARK(BM_LargestRunWindow)->Unit(benchmark::kMillisecond)->MinTime(2.0);

}  // namespace

int main(int argc, char** argv) {
  if (std::getenv("DISPLAY") == nullptr) setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
