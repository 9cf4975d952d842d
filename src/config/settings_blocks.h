// The byte layout of the report and printer settings block (15,956 bytes) and of the label
// and payment-slip settings block (9,720 bytes) of the configuration file.
//
// Both are little-endian fixed records. string[N] is one length byte and N character bytes
// (code page 1252); char[N] is NUL-terminated. Bytes no accessor names are reserved: they
// are zero in a default block and are never touched, so a block is written back as read.
//
// Lengths are in the block's unit: with the inch flag clear, report lengths are hundredths
// of a millimetre and label lengths tenths of a millimetre; with it set, report lengths are
// thousandths of an inch and label lengths hundredths of an inch. (The label fields are
// 16-bit values edited in -999..9999, so tenths of a millimetre let one label span a page.)
//
// FontSpec (80 bytes, at each font offset below):
//   OFFSET SIZE FIELD
//        0    1 character set (0 = default)
//        1    1 pitch (0 default, 1 fixed, 2 variable)
//        2    1 style bits: 1 bold, 2 italic, 4 underline, 8 strike-out
//        3    1 reserved
//        4    4 colour, 0x00BBGGRR
//        8    2 size in points (i16)
//       10    2 height in device pixels (i16; 0 = follow the size)
//       12   64 family name, string[63]
//       76    4 reserved
//
// PageLayoutSpec (44 bytes): the printer page a block was set up for.
//        0    4 page width, hundredths of a millimetre (i32)
//        4    4 page height, hundredths of a millimetre (i32)
//        8    1 orientation: 0 portrait, 1 landscape
//        9    1 reserved
//       10    2 page-size id of the print dialog (i16; -1 = custom size)
//       12   32 page-size name, string[31] ("A4", "Letter", ...)
//
// PictureSpec (1,032 bytes; report pictures 0..4):
//        0    1 active flag (0/1)
//        1    1 size: the picture takes 1/n of the report width, n = 1..9
//        2    2 reserved
//        4 1025 file path, char[1025] (file-system bytes)
//     1029    3 reserved
//
// Report settings block (15,956 bytes):
//   OFFSET SIZE FIELD
//        0    4 format mark "LRB1" (a block without it was never set up: use defaults)
//        4   65 footer text, string[64]
//       69   64 printer name, string[63] (empty = the system's default printer)
//      133   64 printer driver, string[63]
//      197   64 printer port, string[63]
//      261    3 reserved
//      264   80 large font (headings)
//      344   80 medium font (body text)
//      424   80 small font (footers)
//      504    1 columns per page, 1..9
//      505    1 inch flag (0 = millimetre units, 1 = inch units)
//      506    2 reserved
//      508    4 left margin (i32)
//      512    4 top margin (i32)
//      516    4 right margin (i32)
//      520    4 bottom margin (i32)
//      524    4 gap between text columns (i32; 0 = 5 % of the usable width)
//      528   44 page layout
//      572 5160 pictures 0..4 (5 x 1,032)
//     5732    2 length of the saved device settings, 0..8193 (u16)
//     5734 8193 saved device settings (printer driver data)
//    13927 2029 reserved
//
// Label settings block (9,720 bytes):
//   OFFSET SIZE FIELD
//        0    4 format mark "LLB1"
//        4   64 printer name, string[63]
//       68   64 printer driver, string[63]
//      132   64 printer port, string[63]
//      196   80 large font
//      276   80 medium font
//      356   80 small font
//      436    2 labels across a sheet (u16, 1..9)
//      438    2 label rows per sheet (u16, 1..99)
//      440    2 copies of each label (i16; 0 or less = ask at each run)
//      442    2 top margin of the first row (i16)
//      444    2 left margin of the first column (i16)
//      446    2 label height (u16)
//      448    2 label width (u16)
//      450    2 row pitch (u16)
//      452    2 column pitch (u16)
//      454    1 inch flag
//      455    1 reserved
//      456   44 page layout
//      500    2 length of the saved device settings, 0..8193 (u16)
//      502 8193 saved device settings
//     8695 1025 reserved
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "database/fixed_record.h"

namespace liga {

inline constexpr std::size_t kLabelBlockSize = 9720;
inline constexpr std::size_t kReportBlockSize = 15956;
inline constexpr std::size_t kFontSpecSize = 80;
inline constexpr std::size_t kPageLayoutSize = 44;
inline constexpr std::size_t kPictureSpecSize = 1032;
inline constexpr int kReportPictures = 5;
inline constexpr std::size_t kMaxDeviceSettings = 8193;
inline constexpr std::size_t kMaxPrinterName = 63;
inline constexpr std::size_t kMaxFooterText = 64;
inline constexpr std::size_t kMaxPicturePath = 1024;

// The three fonts of a block, in their order in the block.
enum class FontSize { Large = 0, Medium = 1, Small = 2 };

struct FontSpec {
  enum Style : std::uint8_t { Bold = 1, Italic = 2, Underline = 4, StrikeOut = 8 };
  int charset = 0;
  int pitch = 0;
  int style = 0;
  std::uint32_t colour = 0;  // 0x00BBGGRR
  int size = 10;             // points
  int height = 0;            // device pixels, 0 = follow the size
  std::string name;          // code page 1252, at most 63 bytes
  bool operator==(const FontSpec&) const = default;
};

struct PageLayoutSpec {
  std::int32_t width = 21000;  // hundredths of a millimetre
  std::int32_t height = 29700;
  bool landscape = false;
  int pageSizeId = 0;  // the print dialog's id of the size; -1 = custom
  std::string pageSizeName = "A4";
  bool operator==(const PageLayoutSpec&) const = default;
};

struct PictureSpec {
  bool active = false;
  int size = 1;      // 1/n of the report width
  std::string path;  // file-system bytes, at most 1024
  bool operator==(const PictureSpec&) const = default;
};

// The printer identity both kinds of block carry.
struct PrinterSpec {
  std::string name;  // empty = the system's default printer
  std::string driver;
  std::string port;
  bool operator==(const PrinterSpec&) const = default;
};

// Report and printer settings. Accessors clamp what they read to the field's range, so a
// damaged block never gives zero columns or a picture size of 0.
class ReportSettingsBlock : public FixedRecord<kReportBlockSize> {
 public:
  static constexpr std::size_t kMark = 0, kFooter = 4, kPrinterName = 69, kPrinterDriver = 133,
                               kPrinterPort = 197, kFonts = 264, kColumns = 504, kInch = 505,
                               kMargins = 508, kPage = 528, kPictures = 572, kDeviceLen = 5732,
                               kDevice = 5734;

  bool isSetUp() const;  // carries the format mark
  void markSetUp();

  std::string footerText() const { return str(kFooter, kMaxFooterText); }
  void setFooterText(std::string_view s) { setStr(kFooter, kMaxFooterText, s); }
  PrinterSpec printer() const;
  void setPrinter(const PrinterSpec& p);
  FontSpec font(FontSize k) const;
  void setFont(FontSize k, const FontSpec& f);
  int columns() const;  // 1..9
  void setColumns(int n);
  bool inchUnits() const { return u8(kInch) != 0; }
  void setInchUnits(bool on) { setU8(kInch, on ? 1 : 0); }
  std::int32_t marginLeft() const { return i32(kMargins); }
  std::int32_t marginTop() const { return i32(kMargins + 4); }
  std::int32_t marginRight() const { return i32(kMargins + 8); }
  std::int32_t marginBottom() const { return i32(kMargins + 12); }
  std::int32_t columnGap() const { return i32(kMargins + 16); }
  void setMargins(std::int32_t left, std::int32_t top, std::int32_t right, std::int32_t bottom);
  void setColumnGap(std::int32_t gap) { setI32(kMargins + 16, gap); }
  PageLayoutSpec pageLayout() const;
  void setPageLayout(const PageLayoutSpec& p);
  PictureSpec picture(int n) const;  // n = 0..4
  void setPicture(int n, const PictureSpec& p);
  std::vector<std::uint8_t> deviceSettings() const;
  void setDeviceSettings(const std::vector<std::uint8_t>& bytes);  // cut to 8193 bytes
};

// Label sheet and payment-slip settings.
class LabelSettingsBlock : public FixedRecord<kLabelBlockSize> {
 public:
  static constexpr std::size_t kMark = 0, kPrinterName = 4, kPrinterDriver = 68, kPrinterPort = 132,
                               kFonts = 196, kAcross = 436, kRows = 438, kCopies = 440,
                               kTopMargin = 442, kLeftMargin = 444, kHeight = 446, kWidth = 448,
                               kRowPitch = 450, kColumnPitch = 452, kInch = 454, kPage = 456,
                               kDeviceLen = 500, kDevice = 502;

  bool isSetUp() const;
  void markSetUp();

  PrinterSpec printer() const;
  void setPrinter(const PrinterSpec& p);
  FontSpec font(FontSize k) const;
  void setFont(FontSize k, const FontSpec& f);
  int across() const { return u16(kAcross); }
  void setAcross(int v) { setI16(kAcross, v); }
  int rows() const { return u16(kRows); }
  void setRows(int v) { setI16(kRows, v); }
  int copies() const { return i16(kCopies); }
  void setCopies(int v) { setI16(kCopies, v); }
  int topMargin() const { return i16(kTopMargin); }
  void setTopMargin(int v) { setI16(kTopMargin, v); }
  int leftMargin() const { return i16(kLeftMargin); }
  void setLeftMargin(int v) { setI16(kLeftMargin, v); }
  int labelHeight() const { return u16(kHeight); }
  void setLabelHeight(int v) { setI16(kHeight, v); }
  int labelWidth() const { return u16(kWidth); }
  void setLabelWidth(int v) { setI16(kWidth, v); }
  int rowPitch() const { return u16(kRowPitch); }
  void setRowPitch(int v) { setI16(kRowPitch, v); }
  int columnPitch() const { return u16(kColumnPitch); }
  void setColumnPitch(int v) { setI16(kColumnPitch, v); }
  bool inchUnits() const { return u8(kInch) != 0; }
  void setInchUnits(bool on) { setU8(kInch, on ? 1 : 0); }
  PageLayoutSpec pageLayout() const;
  void setPageLayout(const PageLayoutSpec& p);
  std::vector<std::uint8_t> deviceSettings() const;
  void setDeviceSettings(const std::vector<std::uint8_t>& bytes);

 private:
  int u16(std::size_t off) const { return static_cast<std::uint16_t>(i16(off)); }
};

// Default blocks: an A4 portrait report (one column, 20 mm left and 15 mm other margins,
// DejaVu Sans 14 bold / 10 / 8, footer "LigaWin32") and a 3 x 8 sheet of 70 x 36 mm
// labels on A4 with a 4.5 mm top margin. `i` is the block number 1..10; all ten defaults
// are the same today.
LabelSettingsBlock DefaultLabelSettings(int i);
ReportSettingsBlock DefaultReportSettings(int i);

// The block as a reader should use it: a block that was never set up (all zero, as files of
// earlier versions hold) reads as the default block.
ReportSettingsBlock EffectiveReportSettings(const ReportSettingsBlock& b);
LabelSettingsBlock EffectiveLabelSettings(const LabelSettingsBlock& b);

// The display text of a font on the configuration dialog: the size and the name in double
// quotes, e.g. `10 "DejaVu Sans"`, cut to 80 bytes.
std::string FontDisplayText(const FontSpec& f);

}  // namespace liga
