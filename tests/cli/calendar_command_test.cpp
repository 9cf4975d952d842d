// liga export ical on the demo season, read back by a real iCalendar parser (python3's
// icalendar): every match of the schedule is an event once, at its play time, and a second
// export gives the same UIDs, so a calendar that imports it again updates its events.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/encoding.h"
#include "support/file_io.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using liga::testing::RunResult;

struct Event {
  std::string uid, start, zone, summary;
};

class CalendarCommandTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    m_root = new liga::testing::TempDir("calendar");
    fs::create_directories(*m_root / "data");
    ASSERT_EQ(liga("datadir '" + (*m_root / "data").string() + "'").status, 0);
    ASSERT_EQ(liga("demo").status, 0);
    const std::string schedule = (*m_root / "SPELDAG.LOT").string();
    ASSERT_EQ(liga("schedule --seed 1 --out '" + schedule + "'").status, 0);
    ASSERT_EQ(liga("import '" + schedule + "'").status, 0);
    ASSERT_EQ(liga("export spelmoten '" + (*m_root / "spel.lgw").string() + "'").status, 0);
  }
  static void TearDownTestSuite() { delete m_root; }

  static RunResult liga(const std::string& args) {
    return liga::testing::RunCommand("XDG_CONFIG_HOME='" + (*m_root / "config").string() +
                                     "' XDG_DOCUMENTS_DIR='" + (*m_root / "docs").string() + "' " +
                                     LIGA_BINARY + " --quiet " + args);
  }

  // The events of `file` as the parser reads them.
  static std::vector<Event> parse(const fs::path& file) {
    const RunResult r =
        liga::testing::RunSplit("/usr/bin/python3 '" + std::string(LIGA_SOURCE_DIR) +
                                "/tests/support/ical_events.py' '" + file.string() + "'");
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<Event> out;
    std::istringstream in(r.out);
    for (std::string line; std::getline(in, line);) {
      Event e;
      std::istringstream f(line);
      std::getline(f, e.uid, '|');
      std::getline(f, e.start, '|');
      std::getline(f, e.zone, '|');
      std::getline(f, e.summary);
      out.push_back(e);
    }
    return out;
  }

  // Matches per play time ("YYYY-MM-DD HH:MM") in the exported schedule, counting only
  // those with `team` (4 digits) when it is given.
  static std::map<std::string, int> matchesByPlayTime(const std::string& team = {}) {
    std::map<std::string, int> out;
    std::string current;
    std::istringstream in(liga::testing::ReadFile(*m_root / "spel.lgw"));
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (line.size() >= 16 && std::isdigit(static_cast<unsigned char>(line[0])))
        current = line.substr(0, 16);
      else if (line.rfind("*!", 0) == 0 &&
               (team.empty() || line.substr(2, 4) == team || line.substr(7, 4) == team))
        ++out[current];
    }
    return out;
  }

  static std::map<std::string, int> eventsByStart(const std::vector<Event>& events) {
    std::map<std::string, int> out;
    for (const Event& e : events) ++out[e.start];
    return out;
  }

  static liga::testing::TempDir* m_root;
};

liga::testing::TempDir* CalendarCommandTest::m_root = nullptr;

TEST_F(CalendarCommandTest, EveryMatchOnceAtItsPlayTimeWithStableUids) {
  const fs::path first = *m_root / "alla.ics", second = *m_root / "alla2.ics";
  ASSERT_EQ(liga("export ical '" + first.string() + "'").status, 0);
  ASSERT_EQ(liga("export ical '" + second.string() + "' --duration 60").status, 0);
  const std::vector<Event> events = parse(first);
  const std::map<std::string, int> expected = matchesByPlayTime();
  ASSERT_GT(events.size(), 90u);
  EXPECT_EQ(eventsByStart(events), expected);

  std::set<std::string> uids;
  for (const Event& e : events) {
    uids.insert(e.uid);
    EXPECT_EQ(e.zone, "Europe/Stockholm") << e.uid;
    EXPECT_NE(e.summary.find(" – "), std::string::npos) << e.summary;
  }
  EXPECT_EQ(uids.size(), events.size()) << "a UID was used twice";

  std::set<std::string> again;
  for (const Event& e : parse(second)) again.insert(e.uid);
  EXPECT_EQ(again, uids);
}

TEST_F(CalendarCommandTest, ATeamsCalendarHoldsItsMatchesOnly) {
  const fs::path file = *m_root / "lag101.ics";
  ASSERT_EQ(liga("export ical '" + file.string() + "' --team 101").status, 0);
  const std::vector<Event> events = parse(file);
  EXPECT_EQ(eventsByStart(events), matchesByPlayTime("0101"));
  EXPECT_FALSE(events.empty());
  // Long lines are folded at 75 octets.
  std::istringstream in(liga::testing::ReadFile(file));
  for (std::string line; std::getline(in, line);) EXPECT_LE(line.size(), 76u) << line;
}

}  // namespace
