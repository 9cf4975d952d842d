#include "common/encoding.h"

#include <gtest/gtest.h>

#include <string>

namespace liga {
namespace {

// Byte pairs written out by hand: a code page 850 byte and the same letter in code page 1252.
struct CodePair {
  unsigned char cp850;
  unsigned char cp1252;
};
constexpr CodePair kNordicPairs[] = {
    {0x8F, 0xC5}, {0x8E, 0xC4}, {0x99, 0xD6}, {0x90, 0xC9}, {0x9A, 0xDC}, {0x92, 0xC6},
    {0x86, 0xE5}, {0x84, 0xE4}, {0x94, 0xF6}, {0x82, 0xE9}, {0x81, 0xFC}, {0x91, 0xE6},
};

TEST(Encoding, Cp850LettersMapToTheirWindowsValues) {
  for (const auto& p : kNordicPairs) {
    EXPECT_EQ(Cp850ToCp1252(p.cp850), p.cp1252) << std::hex << int(p.cp850);
    EXPECT_EQ(Cp1252ToCp850(p.cp1252), p.cp850) << std::hex << int(p.cp1252);
  }
  // A few more letters and signs of the upper half.
  EXPECT_EQ(Cp850ToCp1252(0x80), 0xC7);  // Ç
  EXPECT_EQ(Cp850ToCp1252(0x9B), 0xF8);  // ø
  EXPECT_EQ(Cp850ToCp1252(0x9D), 0xD8);  // Ø
  EXPECT_EQ(Cp850ToCp1252(0x9C), 0xA3);  // £
  EXPECT_EQ(Cp850ToCp1252(0xE1), 0xDF);  // ß
  EXPECT_EQ(Cp850ToCp1252(0xF8), 0xB0);  // °
  EXPECT_EQ(Cp850ToCp1252(0xC4), '-');   // box drawing has no Windows letter
  EXPECT_EQ(Cp850ToCp1252('A'), 'A');
}

TEST(Encoding, DosTextIsRecognisedByItsMarkersAndConvertedWhole) {
  EXPECT_EQ(DosToWin("G\x94teborg"), "G\xF6teborg");
  EXPECT_EQ(DosToWin("G\xF6teborg"), "G\xF6teborg");
  // 0x94 is a closing quote in code page 1252, but it is a DOS marker: the text converts.
  EXPECT_EQ(DosToWin("\x94Hej\x94"), "\xF6Hej\xF6");
  // Once a marker is seen every byte converts, also the non-marker ones (0x9C is £).
  EXPECT_EQ(DosToWin("\x8F\x9C"), "\xC5\xA3");
  EXPECT_EQ(DosToWin(""), "");
  EXPECT_EQ(DosToWin(std::string(2000, 'a') + "\x84").size(), 1024u);
}

TEST(Encoding, WindowsToDosOnlyWhenTheSwitchIsOn) {
  ASSERT_FALSE(DosStorage());
  EXPECT_EQ(WinToDos("\xE5\xE4\xF6"), "\xE5\xE4\xF6");
  SetDosStorage(true);
  EXPECT_EQ(WinToDos("\xE5\xE4\xF6 \xC5\xC4\xD6"), "\x86\x84\x94 \x8F\x8E\x99");
  SetDosStorage(false);
}

TEST(Encoding, Utf8RoundTrip) {
  EXPECT_EQ(Cp1252ToUtf8("\xE5\xE4\xF6\xC5\xC4\xD6"), "\xC3\xA5\xC3\xA4\xC3\xB6\xC3\x85\xC3\x84\xC3\x96");
  EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");  // euro sign
  EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xC2\x81");      // undefined byte keeps its value
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  EXPECT_EQ(Utf8ToCp1252(Cp1252ToUtf8(all)), all);
}

TEST(Encoding, Utf8WithoutWindowsFormOrMalformedBecomesQuestionMark) {
  EXPECT_EQ(Utf8ToCp1252("\xE2\x98\x83"), "?");          // snowman
  EXPECT_EQ(Utf8ToCp1252("a\xC3"), "a?");                 // cut sequence
  EXPECT_EQ(Utf8ToCp1252("\xFF" "b"), "?b");              // invalid lead byte
  EXPECT_EQ(Utf8ToCp1252("\xC3" "A"), "?A");              // missing continuation
  EXPECT_EQ(Utf8ToCp1252("\xF0\x9F\x98\x80"), "?");      // outside the BMP
}

TEST(Encoding, HtmlEncodeUsesEntitiesAndEscapesMarkup) {
  EXPECT_EQ(HtmlEncode("\xC4\xC5\xC6\xC9\xD6\xDC\xE4\xE5\xE6\xE9\xF6\xFC"),
            "&Auml;&Aring;&AElig;&Eacute;&Ouml;&Uuml;&auml;&aring;&aelig;&eacute;&ouml;&uuml;");
  EXPECT_EQ(HtmlEncode("<b>IK \"Sol\" & Co</b>"),
            "&lt;b&gt;IK &quot;Sol&quot; &amp; Co&lt;/b&gt;");
  EXPECT_EQ(HtmlEncode("plain"), "plain");
}

TEST(Encoding, HtmlEncodeCutsAt255WithoutSplittingAnEntity) {
  EXPECT_EQ(HtmlEncode(std::string(300, 'x')).size(), 255u);
  // 251 letters then an "ö": the entity does not fit in the 4 places left, so it is dropped.
  const std::string encoded = HtmlEncode(std::string(251, 'x') + "\xF6" + "yyy");
  EXPECT_EQ(encoded, std::string(251, 'x'));
  EXPECT_EQ(HtmlEncode(std::string(249, 'x') + "\xF6").size(), 255u);
}

}  // namespace
}  // namespace liga
