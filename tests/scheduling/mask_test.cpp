#include "scheduling/mask.h"

#include <gtest/gtest.h>

namespace liga::scheduling {
namespace {

struct HitCase {
  const char* pattern;
  const char* playTime;
  bool hits;
};

class PatternHitsTest : public ::testing::TestWithParam<HitCase> {};

TEST_P(PatternHitsTest, Case) {
  const HitCase& c = GetParam();
  EXPECT_EQ(PatternHits(c.pattern, c.playTime), c.hits) << c.pattern << " in " << c.playTime;
}

INSTANTIATE_TEST_SUITE_P(
    Table, PatternHitsTest,
    ::testing::Values(HitCase{"2016-09-03", "2016-09-03 10:00", true},
                      HitCase{"2016-09-03", "2016-09-04 10:00", false},
                      HitCase{"2016-09-?\?", "2016-09-30 18:00", true},
                      HitCase{"2016-09-?\?", "2016-10-01 18:00", false},
                      HitCase{"10:00", "2016-09-03 10:00", true},
                      HitCase{"10:00", "2016-09-03 11:00", false},
                      // "?" only stands in for the characters at its own position from the
                      // start of the play time.
                      HitCase{"10:?\?", "2016-09-03 10:30", false},
                      HitCase{"?\?\?\?-09", "2016-09-03 10:00", true},
                      // The play time is padded with blanks to the pattern's length, so a
                      // pattern longer than a short play time may still hit.
                      HitCase{"2016-09-03  ", "2016-09-03", true},
                      HitCase{"2016-09-03 1", "2016-09-03", false},
                      HitCase{" 2016-09-03", "2016-09-03 10:00", false},  // blanks count
                      HitCase{"", "2016-09-03 10:00", false}));

TEST(MaskTest, FieldRules) {
  Mask mask = Mask::FromText(
      "LAG,EJ SPELBARA TIDER\r\n"       // a heading: field 1 is no number
      "123456,2016-09-03\r\n"           // field 1 longer than 5 characters
      "7\r\n"                           // no second field
      "8,\r\n"                          // empty second field
      "12,2016-09-03\r\n"               //
      " 13 ,2016-09-04,remark\n"        // blanks around the number; third field ignored
      "14,2016-09-05 10:00:00 extra\n"  // pattern cut to 16 characters
      "15,2016\t09\n"                   // a control character reads as a blank
      "99999,X\n"
      "1x,2016-09-03\n");
  ASSERT_EQ(mask.lines().size(), 5u);
  EXPECT_TRUE(mask.hits(12, "2016-09-03 10:00"));
  EXPECT_FALSE(mask.hits(12, "2016-09-04 10:00"));
  EXPECT_TRUE(mask.hits(13, "2016-09-04 18:00"));
  EXPECT_EQ(mask.lines()[2].pattern, "2016-09-05 10:00");
  EXPECT_TRUE(mask.hits(14, "2016-09-05 10:00"));
  EXPECT_EQ(mask.lines()[3].pattern, "2016 09");
  EXPECT_TRUE(mask.hits(99999, "X"));
  for (int team : {7, 8, 123456, 1}) EXPECT_FALSE(mask.hits(team, "2016-09-03 10:00")) << team;
}

TEST(MaskTest, LongLinesAreCutAt255) {
  std::string longLine = "5," + std::string(300, 'A');
  auto lines = TextLines(longLine + "\r\nsecond");
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), 255u);
  EXPECT_EQ(lines[1], "second");
}

TEST(MaskTest, TextLinesKeepEmptyLinesAndDropTheLastLineEnd) {
  EXPECT_EQ(TextLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(TextLines("a\nb"), (std::vector<std::string>{"a", "b"}));
  EXPECT_TRUE(TextLines("").empty());
}

TEST(MaskTest, MissingFileCannotBeLoaded) {
  EXPECT_FALSE(Mask::Load("/nonexistent/dir/x.msk").has_value());
}

}  // namespace
}  // namespace liga::scheduling
