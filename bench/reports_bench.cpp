// Every report and every view of the largest competition (9 classes, 160 teams, 4,800
// matches on 300 play times), to a PDF file through QPrinter and to the grid with its PDF
// export. Run: build with -DLIGA_BENCH=ON, then bench/reports_bench.
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QGuiApplication>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "common/ui_port.h"
#include "database/database.h"
#include "paint/pdf_printer.h"
#include "reports/grid_export.h"
#include "reports/labels.h"
#include "reports/lists.h"
#include "reports/protocols.h"
#include "reports/results.h"

namespace {

using namespace liga;
using namespace liga::reports;

struct Season {
  std::filesystem::path dir;
  Database db;
  std::unique_ptr<TeamSelection> selection;
  RecNos classes, teams, playTimes;
};

Season& season() {
  static Season* s = [] {
    auto* s = new Season;
    char tmpl[] = "/tmp/liga_bench_reports_XXXXXX";
    s->dir = mkdtemp(tmpl);
    Database& db = s->db;
    db.initialise({});
    db.setDataDir(s->dir.string());
    db.createCatalogue();
    db.selectCompetition(0, true);
    db.comp().setCompetitionName("STORA SERIEN");
    db.comp().setOrganiser("FÖRBUNDET");
    db.storeCompetition(true);
    db.createCompetitionFiles();
    constexpr int kClasses = 9, kTeams = 160, kMatches = 4800, kPerPlayTime = 16;
    for (int c = 0; c < kClasses; ++c) {
      db.resetClassBuffer();
      db.cls().setClassName("KLASS " + std::to_string(c + 1));
      db.cls().setRounds(4);
      db.cls().setFirstTeamNumber(100 * (c + 1));
      db.setClassRecNo(0);
      db.storeClass(true);
      s->classes.push_back(db.classRecNo());
    }
    std::vector<RecNos> byClass(kClasses);
    for (int t = 0; t < kTeams; ++t) {
      const int c = t % kClasses;
      db.readClass(s->classes[c]);
      db.resetTeamBuffer();
      db.team().setTeamName("LAG NUMMER " + std::to_string(t + 1) + " IF");
      db.team().setDivisionRecNo(s->classes[c]);
      db.team().setNumberAndKey(100 * (c + 1) + static_cast<int>(byClass[c].size()));
      for (int r = 0; r <= 3; ++r) {
        ContactRow row;
        row.setName("PERSON " + std::to_string(r));
        row.setStreet("GATAN " + std::to_string(t));
        row.setTown("12345 STADEN");
        db.team().setContactRow(r, row);
      }
      db.setTeamRecNo(0);
      db.storeTeam(true);
      s->teams.push_back(db.teamRecNo());
      byClass[c].push_back(db.teamRecNo());
    }
    // Round-robin pairs of every class, round after round, until 4,800 matches.
    std::vector<std::pair<std::int32_t, std::int32_t>> pairs;
    for (int round = 0; pairs.size() < kMatches; ++round)
      for (int c = 0; c < kClasses && pairs.size() < kMatches; ++c)
        for (std::size_t i = 0; i < byClass[c].size() && pairs.size() < kMatches; ++i)
          for (std::size_t j = i + 1; j < byClass[c].size() && pairs.size() < kMatches; ++j)
            pairs.emplace_back(round % 2 ? byClass[c][j] : byClass[c][i],
                               round % 2 ? byClass[c][i] : byClass[c][j]);
    std::map<std::int32_t, std::vector<TeamMatchEntry>> entries;
    for (int p = 0; p * kPerPlayTime < kMatches; ++p) {
      db.resetPlayTimeBuffer();
      char when[32];
      std::snprintf(when, sizeof when, "2027-%02d-%02d %02d:00", 1 + p / 112, 1 + (p / 4) % 28,
                    9 + 3 * (p % 4));
      db.playTime().setPlayTime(when);
      db.playTime().setGameLeader("IDROTTSPLATSEN " + std::to_string(p % 7));
      for (int r = 1; r <= kPerPlayTime; ++r) {
        const int m = p * kPerPlayTime + r - 1;
        MatchEntry e;
        e.setMatchNumber(m + 1);
        e.setHomeTeamRecNo(pairs[m].first);
        e.setAwayTeamRecNo(pairs[m].second);
        const bool played = m % 4 != 3;
        e.setHomeScore(played ? m % 5 : kNoResult);
        e.setAwayScore(played ? (m * 7) % 4 : kNoResult);
        db.playTime().setMatch(r, e);
      }
      db.playTime().setUsedRows(kPerPlayTime);
      db.setPlayTimeRecNo(0);
      db.storePlayTime(true);
      s->playTimes.push_back(db.playTimeRecNo());
      for (int r = 1; r <= kPerPlayTime; ++r) {
        const MatchEntry e = db.playTime().match(r);
        TeamMatchEntry home, away;
        home.setMatchNumber(e.matchNumber());
        home.setOpponentRecNo(e.awayTeamRecNo());
        home.setPlayTimeRecNo(db.playTimeRecNo());
        home.setOwnScore(e.homeScore());
        home.setOpponentScore(e.awayScore());
        away.setMatchNumber(e.matchNumber());
        away.setOpponentRecNo(-e.homeTeamRecNo());
        away.setPlayTimeRecNo(db.playTimeRecNo());
        away.setOwnScore(e.awayScore());
        away.setOpponentScore(e.homeScore());
        entries[e.homeTeamRecNo()].push_back(home);
        entries[e.awayTeamRecNo()].push_back(away);
      }
    }
    for (const auto& [team, list] : entries) {
      db.readTeam(team);
      for (std::size_t i = 0; i < list.size(); ++i)
        db.team().setMatch(static_cast<int>(i + 1), list[i]);
      db.team().setTeamMatchCount(static_cast<int>(list.size()));
      db.readClass(db.team().divisionRecNo());
      db.computeTeamStatistics();
      db.rewriteTeam(team);
    }
    s->selection = std::make_unique<TeamSelection>(db);
    return s;
  }();
  return *s;
}

ReportContext context() {
  Season& s = season();
  return ReportContext{s.db, *s.selection, ReportSettings{}, {}};
}

template <typename Print>
void printToPdf(benchmark::State& state, Print print) {
  Season& s = season();
  const std::string path = (s.dir / "bench.pdf").string();
  for (auto _ : state) {
    liga::paint::PdfReportPrinter printer(path, true);
    ScopedPrinter scoped(printer);
    auto ctx = context();
    print(ctx);
    printer.finishAll();
  }
  state.counters["bytes"] = static_cast<double>(std::filesystem::file_size(path));
}

template <typename View>
void viewToPdf(benchmark::State& state, View view) {
  Season& s = season();
  const std::string path = (s.dir / "grid.pdf").string();
  int rows = 0;
  for (auto _ : state) {
    auto ctx = context();
    const GridModel g = view(ctx);
    rows = g.rowCount();
    const PublishSettings publish;
    const PdfOptions options;
    ExportPdf(g, path, publish, options, true);
  }
  state.counters["rows"] = rows;
}

#define REPORT(name, body)                               \
  void name(benchmark::State& state) {                   \
    printToPdf(state, [](ReportContext& ctx) { body; }); \
  }                                                      \
  BENCHMARK(name)->Unit(benchmark::kMillisecond)->Iterations(3);
#define VIEW(name, body)                                       \
  void name(benchmark::State& state) {                         \
    viewToPdf(state, [](ReportContext& ctx) { return body; }); \
  }                                                            \
  BENCHMARK(name)->Unit(benchmark::kMillisecond)->Iterations(3);

REPORT(Print_laglista, PrintTeamList(ctx, season().classes))
REPORT(Print_lagspelprogram, PrintTeamSchedules(ctx, season().teams))
REPORT(Print_seriespelprogram, PrintLeagueSchedule(ctx, season().classes, season().playTimes, true))
REPORT(Print_haltmatcher, PrintRemainingMatches(ctx, season().classes))
REPORT(Print_resultat, PrintResults(ctx, season().classes, season().playTimes))
REPORT(Print_protokoll_en_speltid,
       PrintProtocols(ctx, ProtocolLayout::Individual, {season().playTimes[0]}))
REPORT(Print_etiketter,
       PrintLabels(ctx, LabelSheet{}, season().classes, true, PersonSet::AllMembers))
REPORT(Print_giro, PrintGiro(ctx, season().teams, PersonSet::Leader))

VIEW(View_laglista, ViewTeamList(ctx, season().classes))
VIEW(View_lagspelprogram, ViewTeamSchedules(ctx, season().teams))
VIEW(View_seriespelprogram, ViewLeagueSchedule(ctx, season().classes, season().playTimes))
VIEW(View_haltmatcher, ViewRemainingMatches(ctx, season().classes))
VIEW(View_resultat, ViewResults(ctx, season().classes, season().playTimes).front())

}  // namespace

int main(int argc, char** argv) {
  qputenv("QT_QPA_PLATFORM", "offscreen");
  QGuiApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  std::filesystem::remove_all(season().dir);
  return 0;
}
