// The calendar's text rules: folding at 75 octets outside UTF-8 sequences, TEXT escaping and
// the play-time forms a calendar accepts.
#include <gtest/gtest.h>

#include "publish/ical.h"
#include "support/file_io.h"
#include "support/run_liga.h"
#include "support/temp_dir.h"

namespace liga::publish {
namespace {

TEST(CalendarText, FoldsAt75OctetsNeverInsideAUtf8Sequence) {
  std::string line = "SUMMARY:";
  for (int i = 0; i < 60; ++i) line += "\xC3\xB6";  // ö, two octets each
  const std::string folded = FoldCalendarLine(line);
  std::string unfolded;
  std::size_t start = 0;
  while (start < folded.size()) {
    const std::size_t end = folded.find("\r\n", start);
    ASSERT_NE(end, std::string::npos);
    const std::string part = folded.substr(start, end - start);
    EXPECT_LE(part.size(), 75u);
    // A part never ends in the lead byte of a sequence nor starts with a continuation byte.
    EXPECT_NE(static_cast<unsigned char>(part.back()), 0xC3);
    unfolded += start == 0 ? part : part.substr(1);
    if (start != 0) {
      EXPECT_EQ(part[0], ' ');
    }
    start = end + 2;
  }
  EXPECT_EQ(unfolded, line);
  EXPECT_EQ(FoldCalendarLine("SHORT"), "SHORT\r\n");
}

TEST(CalendarText, EscapesBackslashSemicolonCommaAndLineBreaks) {
  EXPECT_EQ(EscapeCalendarText("A,B;C\\D\nE\r\nF\tG"), "A\\,B\\;C\\\\D\\nE\\nF G");
}

TEST(CalendarText, ReadsDatesAndTimesAndRefusesPlaceholders) {
  CalendarTime t;
  ASSERT_TRUE(ParseCalendarTime("2027-04-10 10:00", t));
  EXPECT_EQ(t.year * 10000 + t.month * 100 + t.day, 20270410);
  EXPECT_TRUE(t.hasTime);
  EXPECT_EQ(t.hour * 100 + t.minute, 1000);
  ASSERT_TRUE(ParseCalendarTime("2028-02-29", t));
  EXPECT_FALSE(t.hasTime);
  EXPECT_FALSE(ParseCalendarTime("2027-02-29 10:00", t));
  EXPECT_FALSE(ParseCalendarTime("2027-04-10 24:00", t));
  EXPECT_FALSE(ParseCalendarTime("\xC4ndrtid001", t));
}

}  // namespace
}  // namespace liga::publish

namespace liga::publish {
namespace {

// Names with the characters TEXT must escape, letters outside ASCII and a summary long
// enough to be folded, read back by python3's icalendar exactly as written.
TEST(CalendarText, ARealParserReadsEscapedAndFoldedNamesBack) {
  CalendarEvent e;
  e.competition = 3;
  e.matchNumber = 17;
  ParseCalendarTime("2027-04-10 10:00", e.start);
  e.home = "Nord, Syd; IK \\ Föreningen";
  e.away = "Åsbo Idrottsförening med ett mycket långt namn som måste vikas";
  e.hasResult = true;
  e.homeScore = 3;
  e.awayScore = 1;
  e.className = "HERRAR DIV 4";
  const liga::testing::TempDir dir("ical");
  const auto file = dir / "cal.ics";
  ASSERT_TRUE(liga::testing::WriteFile(file, BuildCalendar({e}, 90, "Test", 1800000000)));
  const auto r = liga::testing::RunSplit("/usr/bin/python3 '" + std::string(LIGA_SOURCE_DIR) +
                                         "/tests/support/ical_events.py' '" + file.string() + "'");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string line = r.out.substr(0, r.out.find('\n'));
  EXPECT_EQ(line.substr(0, line.find('|')), "liga-03-0017@ligawin32");
  EXPECT_NE(line.find("|2027-04-10 10:00|Europe/Stockholm|"), std::string::npos) << line;
  EXPECT_EQ(line.substr(line.rfind('|') + 1), e.home + " – " + e.away + " (3-1)");
}

}  // namespace
}  // namespace liga::publish
