#include "common/text.h"

#include <gtest/gtest.h>

#include "common/xml_escape.h"

namespace liga {
namespace {

struct CasePair {
  unsigned char in;
  unsigned char out;
};

TEST(Text, UpperCaseTableWrittenByHand) {
  constexpr CasePair kTable[] = {
      {'a', 'A'}, {'z', 'Z'}, {224, 'A'}, {225, 'A'}, {226, 'A'}, {227, 227}, {228, 196},
      {229, 197}, {230, 198}, {231, 199}, {232, 'E'}, {233, 201}, {234, 'E'}, {235, 'E'},
      {236, 'I'}, {237, 'I'}, {238, 'I'}, {239, 'I'}, {240, 240}, {241, 209}, {242, 'O'},
      {243, 'O'}, {244, 'O'}, {245, 245}, {246, 214}, {247, 247}, {248, 248}, {249, 'U'},
      {250, 'U'}, {251, 'U'}, {252, 220}, {253, 253}, {255, 'Y'}, {'A', 'A'}, {196, 196},
      {192, 192}, {'1', '1'}, {'{', '{'}, {'`', '`'},
  };
  for (const auto& p : kTable) EXPECT_EQ(UpCaseLetter(p.in), p.out) << int(p.in);
}

TEST(Text, LowerCaseTableWrittenByHand) {
  constexpr CasePair kTable[] = {
      {'A', 'a'}, {'Z', 'z'}, {196, 228}, {197, 229}, {198, 230}, {199, 231},
      {201, 233}, {209, 241}, {214, 246}, {220, 252}, {192, 192}, {200, 200},
      {216, 216}, {'a', 'a'}, {'@', '@'}, {'[', '['},
  };
  for (const auto& p : kTable) EXPECT_EQ(LowCaseLetter(p.in), p.out) << int(p.in);
}

TEST(Text, TitleCase) {
  EXPECT_EQ(TitleCase("anna-karin ek"), "Anna-Karin Ek");
  EXPECT_EQ(TitleCase("\xE5sa"), "\xC5sa");    // åsa -> Åsa
  EXPECT_EQ(TitleCase("cr\xE8me"), "Creme");   // accent dropped by upper case
  EXPECT_EQ(TitleCase("ren\xE9"), "Ren\xE9");  // é keeps its accent
  EXPECT_EQ(TitleCase("a.b/c,d e"), "A.B/C,D E");
  EXPECT_EQ(TitleCase("  "), "  ");
  EXPECT_EQ(TitleCase("\xF6STRA"), "\xD6stra");
}

TEST(Text, TeamDisplayName) {
  EXPECT_EQ(TeamDisplayName("IFK NORRBY", false, false), "IFK NORRBY");
  EXPECT_EQ(TeamDisplayName("IFK NORRBY", false, true), "IFK Norrby");
  EXPECT_EQ(TeamDisplayName("ifk norrby", true, false), "IFK Norrby");
  EXPECT_EQ(TeamDisplayName("NORRBY-IFK", false, true), "Norrby-Ifk");
  EXPECT_EQ(TeamDisplayName("SANDVIKENS AIK FK", false, true), "Sandvikens AIK FK");
  EXPECT_EQ(TeamDisplayName("KFUM \xD6REBRO", false, true), "KFUM \xD6rebro");
  // Only the first place an abbreviation stands is written in capitals.
  EXPECT_EQ(TeamDisplayName("IK BRAGE IK", false, true), "IK Brage Ik");
  EXPECT_EQ(TeamDisplayName("", false, true), "");
}

TEST(Text, FormatInt) {
  EXPECT_EQ(FormatInt(-5, 3, '0'), "-05");
  EXPECT_EQ(FormatInt(-5, 3, ' '), "- 5");
  EXPECT_EQ(FormatInt(42, 5, ' '), "   42");
  EXPECT_EQ(FormatInt(7, 3, '0'), "007");
  EXPECT_EQ(FormatInt(12345, 3, ' '), "12345");
  EXPECT_EQ(FormatInt(-123, 3, ' '), "-123");
  EXPECT_EQ(FormatInt(0, 0, ' '), "0");
  EXPECT_EQ(FormatInt(-2147483648LL, 1, ' '), "-2147483648");
}

TEST(Text, FormatReal) {
  EXPECT_EQ(FormatReal(600, 7, ' '), " 600.00");
  EXPECT_EQ(FormatReal(-1.5, 6, '0'), "-01.50");
  EXPECT_EQ(FormatReal(2.345, 0, ' '), "2.35");
  EXPECT_EQ(FormatReal(-0.001, 5, ' '), " 0.00");
}

TEST(Text, FillPadTrim) {
  EXPECT_EQ(FillString('-', 3), "---");
  EXPECT_EQ(FillString('-', 0), "");
  EXPECT_EQ(FillString('-', -2), "");
  EXPECT_EQ(PadRight("ab", 4), "ab  ");
  EXPECT_EQ(PadRight("abcdef", 4), "abcdef");
  EXPECT_EQ(TrimRight("ab  "), "ab");
  EXPECT_EQ(TrimRight("  "), "");
  EXPECT_EQ(TrimRight(" a\t"), " a\t");
}

TEST(Text, Mod10) {
  EXPECT_TRUE(Mod10Check("18"));
  EXPECT_TRUE(Mod10Check(""));
  EXPECT_TRUE(Mod10Check("79927398713"));
  EXPECT_FALSE(Mod10Check("79927398710"));
  EXPECT_TRUE(Mod10Check("7992-7398 713"));  // other characters are ignored
  EXPECT_FALSE(Mod10Check("19"));
}

TEST(Text, XmlEscapeKeepsNamesFromBecomingMarkup) {
  EXPECT_EQ(XmlEscape("<a & \"b\">"), "&lt;a &amp; &quot;b&quot;&gt;");
  // Control characters other than tab are not allowed in XML 1.0 text; code page 1252
  // letters pass unchanged.
  EXPECT_EQ(XmlEscape("a\x01\tb\r\n\xC5"), "a \tb  \xC5");
}

}  // namespace
}  // namespace liga
