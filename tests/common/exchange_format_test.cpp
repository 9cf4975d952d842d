#include "common/exchange_format.h"

#include <gtest/gtest.h>

#include <sstream>

#include "common/encoding.h"

namespace liga::exchange {
namespace {

TEST(ExchangeFormat, SectionRecognition) {
  struct Case {
    const char* line;
    std::optional<Section> expected;
  };
  const Case cases[] = {
      {"*Bas", Section::Base},
      {"01*Bas", Section::Base},
      {"*bas", Section::Base},
      {"*KLASSER", Section::Classes},
      {"02*Klasser", Section::Classes},
      {"*Lagen i serien", Section::Teams},
      {"*LAG", Section::Teams},
      {"*Lottad", Section::Scheduled},
      {"*Speldag", Section::PlayTimes},
      {"*#1,A. LEDARE,STORGATAN 1,STAD,", Section::Contact},
      {"*!12-15,3-7,", Section::Matches},
      {"*zz", Section::Reserved1},
      // Free text in a sub-record line never decides its kind.
      {"*#2,JAZZKLUBBEN,*BASTUGATAN 1,,", Section::Contact},
      // "*Bas" is tried before "*Lag".
      {"*Lag *Bas", Section::Base},
      {"*Okänt", std::nullopt},
      {"*", std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FindSection(Utf8ToCp1252(c.line)), c.expected) << c.line;
  }
  EXPECT_EQ(SectionRecordLines(Section::Base), 7);
  EXPECT_EQ(SectionRecordLines(Section::Teams), 1);
}

TEST(ExchangeFormat, FieldsAreSplitAtCommasWithoutTrimming) {
  const std::string line = "A-KLASS               ,2,2,1,0001";
  EXPECT_EQ(Field(line, 1), "A-KLASS               ");
  EXPECT_EQ(Field(line, 5), "0001");
  EXPECT_EQ(Field(line, 6), "");
  EXPECT_EQ(Field(line, 0), "");
  EXPECT_EQ(Field("a,,b", 2), "");
  EXPECT_EQ(Field("a\tb,c", 1), "a b");
  const auto all = SplitFields("a,,b,");
  ASSERT_EQ(all.size(), 4u);
  EXPECT_EQ(all[2], "b");
  EXPECT_EQ(all[3], "");
}

TEST(ExchangeFormat, LineReaderAcceptsCrLfAndLfAndCutsLongLines) {
  std::string input = "first\r\nsecond\nthird\r\n\r\n" + std::string(100000, 'x') + "\r\nlast";
  std::istringstream in(input);
  LineReader reader(in);
  std::string line;
  std::vector<std::string> lines;
  while (reader.next(line)) lines.push_back(line);
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "first");
  EXPECT_EQ(lines[1], "second");
  EXPECT_EQ(lines[2], "third");
  EXPECT_EQ(lines[3], "");
  EXPECT_EQ(lines[4], std::string(255, 'x'));
  EXPECT_EQ(lines[5], "last");
  EXPECT_EQ(reader.lineNumber(), 6);
}

TEST(ExchangeFormat, LineReaderTurnsControlCharactersIntoBlanks) {
  std::istringstream in(
      std::string("a\x01"
                  "b\rc\n",
                  6));
  LineReader reader(in);
  std::string line;
  ASSERT_TRUE(reader.next(line));
  EXPECT_EQ(line, "a b c");
  EXPECT_FALSE(reader.next(line));
}

TEST(ExchangeFormat, BothMatchLineFormsGiveTheSameMatches) {
  const auto scheduleItems = MatchItems("*!12-15,3-7,");
  ASSERT_EQ(scheduleItems.size(), 2u);
  const MatchItem a = ParseMatchItem(scheduleItems[0]);
  const MatchItem b = ParseMatchItem(scheduleItems[1]);
  const MatchItem c = ParseMatchItem(MatchItems("*!0012-0015")[0]);
  const MatchItem d = ParseMatchItem(MatchItems("*!0003-0007")[0]);
  EXPECT_EQ(std::make_pair(a.home, a.away), std::make_pair(c.home, c.away));
  EXPECT_EQ(std::make_pair(b.home, b.away), std::make_pair(d.home, d.away));
  EXPECT_EQ(a.home, 12);
  EXPECT_EQ(b.away, 7);
  EXPECT_TRUE(MatchItems("*!,12-15").empty());
}

TEST(ExchangeFormat, MatchItemsWithResultsAndFaults) {
  const MatchItem r = ParseMatchItem("12-15=2-1");
  EXPECT_TRUE(r.hasResult);
  EXPECT_EQ(r.homeScore, 2);
  EXPECT_EQ(r.awayScore, 1);
  EXPECT_TRUE(r.teamError.empty());

  const MatchItem noDash = ParseMatchItem("12-15=21");
  EXPECT_FALSE(noDash.hasResult);
  EXPECT_EQ(noDash.resultError, "Syntaxfel (resultat)! (-)");
  EXPECT_TRUE(noDash.teamError.empty());

  const MatchItem letters = ParseMatchItem("12-15=a-1");
  EXPECT_FALSE(letters.hasResult);
  EXPECT_EQ(Cp1252ToUtf8(letters.resultError), "Otillåtna tecken (resultat), numerer!");

  EXPECT_EQ(ParseMatchItem("1215").teamError, "Syntaxfel (lagnummer)! (-)");
  EXPECT_EQ(Cp1252ToUtf8(ParseMatchItem("12-x").teamError),
            "Otillåtna tecken (lagnummer), numerer!");
  EXPECT_FALSE(ParseMatchItem("99999999999-1").teamError.empty());
}

TEST(ExchangeFormat, WholeNumbers) {
  EXPECT_EQ(ParseWholeNumber("0012"), 12);
  EXPECT_EQ(ParseWholeNumber(" 7 "), 7);
  EXPECT_EQ(ParseWholeNumber("-3"), -3);
  EXPECT_EQ(ParseWholeNumber(""), std::nullopt);
  EXPECT_EQ(ParseWholeNumber("1 2"), std::nullopt);
  EXPECT_EQ(ParseWholeNumber("1234567890"), std::nullopt);
}

TEST(ExchangeFormat, GiroCodes) {
  EXPECT_EQ(GiroTypeOf("BG"), 4);
  EXPECT_EQ(GiroTypeOf("bn"), 3);
  EXPECT_EQ(GiroTypeOf("PG"), 2);
  EXPECT_EQ(GiroTypeOf("xx"), std::nullopt);
  EXPECT_EQ(GiroTypeOf("BGPL"), 0);  // "PL" is looked for first
  EXPECT_EQ(GiroCode(3), "BN");
}

}  // namespace
}  // namespace liga::exchange
