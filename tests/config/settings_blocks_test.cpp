#include "config/settings_blocks.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "common/recording_ui.h"
#include "config/config.h"
#include "support/file_io.h"
#include "support/temp_dir.h"

namespace liga {
namespace {

namespace fs = std::filesystem;

// Little-endian helpers that build a block by hand, independent of FixedRecord.
template <typename Block>
void put16(Block& b, std::size_t off, int v) {
  b.data()[off] = static_cast<std::uint8_t>(v & 0xFF);
  b.data()[off + 1] = static_cast<std::uint8_t>((v >> 8) & 0xFF);
}
template <typename Block>
void put32(Block& b, std::size_t off, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) b.data()[off + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
template <typename Block>
void putStr(Block& b, std::size_t off, const char* s) {
  const std::size_t n = std::strlen(s);
  b.data()[off] = static_cast<std::uint8_t>(n);
  std::memcpy(b.data() + off + 1, s, n);
}

TEST(ReportSettingsBlockTest, ReadsHandBuiltBytes) {
  ReportSettingsBlock b;
  std::memcpy(b.data(), "LRB1", 4);
  putStr(b, 4, "Sidfot \xE5\xE4\xF6");
  putStr(b, 69, "HP_LaserJet");
  putStr(b, 133, "hpcups");
  putStr(b, 197, "usb://hp");
  // medium font at 344: charset 1, pitch 2, bold+italic, colour 0x00123456, 11 pt,
  // height -15, "Liberation Serif"
  b.data()[344] = 1;
  b.data()[345] = 2;
  b.data()[346] = 3;
  put32(b, 348, 0x00123456);
  put16(b, 352, 11);
  put16(b, 354, -15);
  putStr(b, 356, "Liberation Serif");
  b.data()[504] = 4;
  b.data()[505] = 1;
  put32(b, 508, 2500);
  put32(b, 512, 1200);
  put32(b, 516, 1100);
  put32(b, 520, 1000);
  put32(b, 524, 300);
  put32(b, 528, 21590);
  put32(b, 532, 27940);
  b.data()[536] = 1;
  put16(b, 538, 2);
  putStr(b, 540, "Letter");
  // picture 3 at 572 + 3 * 1032
  const std::size_t pic3 = 572 + 3 * 1032;
  b.data()[pic3] = 1;
  b.data()[pic3 + 1] = 5;
  std::strcpy(reinterpret_cast<char*>(b.data() + pic3 + 4), "/home/u/logo.png");
  put16(b, 5732, 3);
  b.data()[5734] = 0xAA;
  b.data()[5735] = 0xBB;
  b.data()[5736] = 0xCC;

  EXPECT_TRUE(b.isSetUp());
  EXPECT_EQ(b.footerText(), "Sidfot \xE5\xE4\xF6");
  EXPECT_EQ(b.printer(), (PrinterSpec{"HP_LaserJet", "hpcups", "usb://hp"}));
  const FontSpec f = b.font(FontSize::Medium);
  EXPECT_EQ(f.charset, 1);
  EXPECT_EQ(f.pitch, 2);
  EXPECT_EQ(f.style, FontSpec::Bold | FontSpec::Italic);
  EXPECT_EQ(f.colour, 0x00123456u);
  EXPECT_EQ(f.size, 11);
  EXPECT_EQ(f.height, -15);
  EXPECT_EQ(f.name, "Liberation Serif");
  EXPECT_EQ(b.columns(), 4);
  EXPECT_TRUE(b.inchUnits());
  EXPECT_EQ(b.marginLeft(), 2500);
  EXPECT_EQ(b.marginTop(), 1200);
  EXPECT_EQ(b.marginRight(), 1100);
  EXPECT_EQ(b.marginBottom(), 1000);
  EXPECT_EQ(b.columnGap(), 300);
  EXPECT_EQ(b.pageLayout(), (PageLayoutSpec{21590, 27940, true, 2, "Letter"}));
  EXPECT_EQ(b.picture(3), (PictureSpec{true, 5, "/home/u/logo.png"}));
  EXPECT_EQ(b.picture(2), (PictureSpec{false, 1, ""}));
  EXPECT_EQ(b.deviceSettings(), (std::vector<std::uint8_t>{0xAA, 0xBB, 0xCC}));
}

TEST(ReportSettingsBlockTest, WritersTouchOnlyTheirFieldsAndClampDamagedValues) {
  ReportSettingsBlock b;
  for (std::size_t i = 0; i < b.size(); ++i) b.data()[i] = 0x5A;
  const ReportSettingsBlock before = b;
  b.setFont(FontSize::Small, FontSpec{0, 0, 0, 0, 8, 0, "Mono"});
  for (std::size_t i = 0; i < b.size(); ++i) {
    const bool inSmallFont = i >= 424 && i < 504;
    if (!inSmallFont) {
      EXPECT_EQ(b.data()[i], before.data()[i]) << i;
    }
  }
  EXPECT_EQ(b.font(FontSize::Small).name, "Mono");
  EXPECT_EQ(b.font(FontSize::Large), before.font(FontSize::Large));

  b.data()[504] = 0;  // damaged: no columns
  EXPECT_EQ(b.columns(), 1);
  b.data()[504] = 200;
  EXPECT_EQ(b.columns(), 9);
  put16(b, 5732, 0xFFFF);  // a length beyond the area reads as the whole area only
  EXPECT_EQ(b.deviceSettings().size(), kMaxDeviceSettings);
  b.setDeviceSettings(std::vector<std::uint8_t>(kMaxDeviceSettings + 50, 1));
  EXPECT_EQ(b.deviceSettings().size(), kMaxDeviceSettings);
  EXPECT_EQ(b.data()[5734 + kMaxDeviceSettings], 0x5A);  // nothing written past the area
  b.setPicture(7, PictureSpec{true, 2, "x"});            // out of range: ignored
  EXPECT_EQ(b.data()[572 + 4 * 1032], 0x5A);
  EXPECT_EQ(b.data()[572 + 5 * 1032 - 1], 0x5A);
}

TEST(LabelSettingsBlockTest, ReadsHandBuiltBytes) {
  LabelSettingsBlock b;
  std::memcpy(b.data(), "LLB1", 4);
  putStr(b, 4, "Zebra");
  putStr(b, 196, "DejaVu Serif");  // large font name is at 196 + 12
  putStr(b, 196 + 12, "DejaVu Serif");
  put16(b, 436, 2);
  put16(b, 438, 7);
  put16(b, 440, -1);
  put16(b, 442, -50);
  put16(b, 444, 30);
  put16(b, 446, 40000);  // unsigned field above 32767
  put16(b, 448, 990);
  put16(b, 450, 410);
  put16(b, 452, 1000);
  b.data()[454] = 1;
  put32(b, 456, 10000);
  put32(b, 460, 15000);
  put16(b, 500, 2);
  b.data()[502] = 7;
  b.data()[503] = 8;

  EXPECT_TRUE(b.isSetUp());
  EXPECT_EQ(b.printer().name, "Zebra");
  EXPECT_EQ(b.font(FontSize::Large).name, "DejaVu Serif");
  EXPECT_EQ(b.across(), 2);
  EXPECT_EQ(b.rows(), 7);
  EXPECT_EQ(b.copies(), -1);
  EXPECT_EQ(b.topMargin(), -50);
  EXPECT_EQ(b.leftMargin(), 30);
  EXPECT_EQ(b.labelHeight(), 40000);
  EXPECT_EQ(b.labelWidth(), 990);
  EXPECT_EQ(b.rowPitch(), 410);
  EXPECT_EQ(b.columnPitch(), 1000);
  EXPECT_TRUE(b.inchUnits());
  EXPECT_EQ(b.pageLayout().width, 10000);
  EXPECT_EQ(b.pageLayout().height, 15000);
  EXPECT_EQ(b.deviceSettings(), (std::vector<std::uint8_t>{7, 8}));
}

TEST(SettingsDefaultsTest, ReportDefaultIsAUsableA4Page) {
  const ReportSettingsBlock b = DefaultReportSettings(1);
  EXPECT_TRUE(b.isSetUp());
  const PageLayoutSpec page = b.pageLayout();
  EXPECT_EQ(page.width, 21000);
  EXPECT_EQ(page.height, 29700);
  EXPECT_FALSE(page.landscape);
  EXPECT_EQ(b.columns(), 1);
  EXPECT_FALSE(b.inchUnits());
  // The usable area is positive and most of the page.
  EXPECT_GT(page.width - b.marginLeft() - b.marginRight(), 15000);
  EXPECT_GT(page.height - b.marginTop() - b.marginBottom(), 24000);
  for (FontSize k : {FontSize::Large, FontSize::Medium, FontSize::Small}) {
    EXPECT_FALSE(b.font(k).name.empty());
    EXPECT_GT(b.font(k).size, 0);
  }
  EXPECT_GT(b.font(FontSize::Large).size, b.font(FontSize::Medium).size);
  EXPECT_GT(b.font(FontSize::Medium).size, b.font(FontSize::Small).size);
  for (int n = 0; n < kReportPictures; ++n) EXPECT_FALSE(b.picture(n).active);
}

TEST(SettingsDefaultsTest, LabelDefaultIsAThreeByEightSheetThatFitsA4) {
  const LabelSettingsBlock b = DefaultLabelSettings(1);
  EXPECT_EQ(b.across(), 3);
  EXPECT_EQ(b.rows(), 8);
  EXPECT_EQ(b.copies(), 1);
  // tenths of a millimetre: the sheet fits a 210 x 297 mm page
  EXPECT_LE(b.leftMargin() + 2 * b.columnPitch() + b.labelWidth(), 2100);
  EXPECT_LE(b.topMargin() + 7 * b.rowPitch() + b.labelHeight(), 2970);
  EXPECT_GE(b.columnPitch(), b.labelWidth());
  EXPECT_GE(b.rowPitch(), b.labelHeight());
  EXPECT_GT(b.labelHeight(), 0);
}

TEST(SettingsDefaultsTest, ABlockNeverSetUpReadsAsDefaults) {
  const ReportSettingsBlock zero;
  EXPECT_FALSE(zero.isSetUp());
  EXPECT_EQ(EffectiveReportSettings(zero), DefaultReportSettings(1));
  LabelSettingsBlock custom = DefaultLabelSettings(1);
  custom.setRows(5);
  EXPECT_EQ(EffectiveLabelSettings(custom).rows(), 5);
  EXPECT_EQ(EffectiveLabelSettings(LabelSettingsBlock()).rows(), 8);
}

TEST(SettingsDefaultsTest, FontDisplayText) {
  FontSpec f;
  f.size = 12;
  f.name = "DejaVu Sans";
  EXPECT_EQ(FontDisplayText(f), "12 \"DejaVu Sans\"");
  f.name = std::string(63, 'x');
  f.size = 100;
  EXPECT_EQ(FontDisplayText(f).size(), 69u);
}

class SettingsFileTest : public ::testing::Test {
 protected:
  void SetUp() override { m_file = (m_dir / "LigaWin32.P32").string(); }
  liga::testing::TempDir m_dir{"blocks"};
  std::string m_file;
  RecordingUi m_ui;
  ScopedUi m_scoped{m_ui};
};

TEST_F(SettingsFileTest, ADefaultFileHoldsDefaultBlocksInEverySlot) {
  Configuration c;
  ASSERT_TRUE(c.writeDefaults(m_file, "/data"));
  for (int i = 1; i <= kSettingsBlocks; ++i) {
    ASSERT_TRUE(c.selectReportBlock(i));
    EXPECT_EQ(c.report(), DefaultReportSettings(i));
    ASSERT_TRUE(c.selectLabelBlock(i));
    EXPECT_EQ(c.label(), DefaultLabelSettings(i));
  }
}

TEST_F(SettingsFileTest, SwitchingBlocksStoresTheShownOneAndReadsTheNext) {
  Configuration c;
  ASSERT_TRUE(c.writeDefaults(m_file, "/data"));
  ASSERT_TRUE(c.selectReportBlock(3));
  c.report().setColumns(7);
  ASSERT_TRUE(c.storeReportBlock());
  ASSERT_TRUE(c.selectReportBlock(5));
  EXPECT_EQ(c.main().reportSettingsNo(), 5);
  EXPECT_EQ(c.report().columns(), 1);
  // Block 3 is on disk, block 5 is unchanged there.
  const std::vector<unsigned char> bytes = liga::testing::ReadBytes(m_file);
  ASSERT_EQ(bytes.size(), kConfigFileSize);
  EXPECT_EQ(bytes[ReportBlockOffset(3) + ReportSettingsBlock::kColumns], 7);
  EXPECT_EQ(bytes[ReportBlockOffset(5) + ReportSettingsBlock::kColumns], 1);
  ASSERT_TRUE(c.selectReportBlock(3));
  EXPECT_EQ(c.report().columns(), 7);
}

TEST_F(SettingsFileTest, WithoutAFileBlocksGetDefaultsAndStoresFail) {
  Configuration c;  // no path
  EXPECT_FALSE(c.selectLabelBlock(4));
  EXPECT_EQ(c.main().labelSettingsNo(), 4);
  EXPECT_EQ(c.label(), DefaultLabelSettings(4));
  EXPECT_FALSE(c.storeLabelBlock());
  EXPECT_FALSE(c.selectReportBlock(11));  // out of range reads block 1
  EXPECT_EQ(c.main().reportSettingsNo(), 1);
}

}  // namespace
}  // namespace liga
