#include "app/settings_blocks.h"

#include <algorithm>
#include <cstring>

namespace liga {
namespace {

constexpr char kReportMark[4] = {'L', 'R', 'B', '1'};
constexpr char kLabelMark[4] = {'L', 'L', 'B', '1'};

// A font spec is an 80-byte sub-record; it is decoded and encoded on a copy of its own
// bytes, so the same code serves both block types and unnamed bytes are kept.
using FontBytes = FixedRecord<kFontSpecSize>;

FontSpec decodeFont(const FontBytes& b) {
  FontSpec f;
  f.charset = b.u8(0);
  f.pitch = b.u8(1);
  f.style = b.u8(2);
  f.colour = static_cast<std::uint32_t>(b.i32(4));
  f.size = b.i16(8);
  f.height = b.i16(10);
  f.name = b.str(12, 63);
  return f;
}

void encodeFont(FontBytes& b, const FontSpec& f) {
  b.setU8(0, static_cast<std::uint8_t>(f.charset));
  b.setU8(1, static_cast<std::uint8_t>(f.pitch));
  b.setU8(2, static_cast<std::uint8_t>(f.style));
  b.setI32(4, static_cast<std::int32_t>(f.colour));
  b.setI16(8, f.size);
  b.setI16(10, f.height);
  b.setStr(12, 63, f.name);
}

template <typename Block>
FontSpec readFont(const Block& b, std::size_t off) {
  return decodeFont(b.template sub<FontBytes>(off));
}

template <typename Block>
void writeFont(Block& b, std::size_t off, const FontSpec& f) {
  FontBytes bytes = b.template sub<FontBytes>(off);
  encodeFont(bytes, f);
  b.setSub(off, bytes);
}

// The page layout is a 44-byte sub-record, handled like a font spec.
using PageBytes = FixedRecord<44>;

PageLayoutSpec decodePage(const PageBytes& b) {
  PageLayoutSpec p;
  p.width = b.i32(0);
  p.height = b.i32(4);
  p.landscape = b.u8(8) != 0;
  p.pageSizeId = b.i16(10);
  p.pageSizeName = b.str(12, 31);
  return p;
}

void encodePage(PageBytes& b, const PageLayoutSpec& p) {
  b.setI32(0, p.width);
  b.setI32(4, p.height);
  b.setU8(8, p.landscape ? 1 : 0);
  b.setI16(10, p.pageSizeId);
  b.setStr(12, 31, p.pageSizeName);
}

static_assert(ReportSettingsBlock::kPictures - ReportSettingsBlock::kPage == PageBytes::kSize);
static_assert(LabelSettingsBlock::kDeviceLen - LabelSettingsBlock::kPage == PageBytes::kSize);

template <typename Block>
PageLayoutSpec readPage(const Block& b, std::size_t off) {
  return decodePage(b.template sub<PageBytes>(off));
}

template <typename Block>
void writePage(Block& b, std::size_t off, const PageLayoutSpec& p) {
  PageBytes bytes = b.template sub<PageBytes>(off);
  encodePage(bytes, p);
  b.setSub(off, bytes);
}

template <typename Block>
PrinterSpec readPrinter(const Block& b, std::size_t name, std::size_t driver, std::size_t port) {
  return {b.str(name, kMaxPrinterName), b.str(driver, kMaxPrinterName),
          b.str(port, kMaxPrinterName)};
}

template <typename Block>
void writePrinter(Block& b, std::size_t name, std::size_t driver, std::size_t port,
                  const PrinterSpec& p) {
  b.setStr(name, kMaxPrinterName, p.name);
  b.setStr(driver, kMaxPrinterName, p.driver);
  b.setStr(port, kMaxPrinterName, p.port);
}

template <typename Block>
std::vector<std::uint8_t> readDevice(const Block& b, std::size_t lenOff, std::size_t off) {
  const std::size_t n =
      std::min<std::size_t>(static_cast<std::uint16_t>(b.i16(lenOff)), kMaxDeviceSettings);
  return std::vector<std::uint8_t>(b.data() + off, b.data() + off + n);
}

template <typename Block>
void writeDevice(Block& b, std::size_t lenOff, std::size_t off,
                 const std::vector<std::uint8_t>& bytes) {
  const std::size_t n = std::min(bytes.size(), kMaxDeviceSettings);
  b.setI16(lenOff, static_cast<int>(n));
  std::memset(b.data() + off, 0, kMaxDeviceSettings);
  if (n > 0) std::memcpy(b.data() + off, bytes.data(), n);
}

FontSpec makeFont(int size, int style) {
  FontSpec f;
  f.size = size;
  f.style = style;
  f.name = "DejaVu Sans";
  return f;
}

}  // namespace

// ---------------------------------------------------------------------------------------

bool ReportSettingsBlock::isSetUp() const {
  return std::memcmp(data() + kMark, kReportMark, 4) == 0;
}
void ReportSettingsBlock::markSetUp() {
  std::memcpy(data() + kMark, kReportMark, 4);
}
PrinterSpec ReportSettingsBlock::printer() const {
  return readPrinter(*this, kPrinterName, kPrinterDriver, kPrinterPort);
}
void ReportSettingsBlock::setPrinter(const PrinterSpec& p) {
  writePrinter(*this, kPrinterName, kPrinterDriver, kPrinterPort, p);
}
FontSpec ReportSettingsBlock::font(FontSize k) const {
  return readFont(*this, kFonts + static_cast<std::size_t>(k) * kFontSpecSize);
}
void ReportSettingsBlock::setFont(FontSize k, const FontSpec& f) {
  writeFont(*this, kFonts + static_cast<std::size_t>(k) * kFontSpecSize, f);
}
int ReportSettingsBlock::columns() const {
  return std::clamp<int>(u8(kColumns), 1, 9);
}
void ReportSettingsBlock::setColumns(int n) {
  setU8(kColumns, static_cast<std::uint8_t>(std::clamp(n, 1, 9)));
}
void ReportSettingsBlock::setMargins(std::int32_t left, std::int32_t top, std::int32_t right,
                                     std::int32_t bottom) {
  setI32(kMargins, left);
  setI32(kMargins + 4, top);
  setI32(kMargins + 8, right);
  setI32(kMargins + 12, bottom);
}
PageLayoutSpec ReportSettingsBlock::pageLayout() const {
  return readPage(*this, kPage);
}
void ReportSettingsBlock::setPageLayout(const PageLayoutSpec& p) {
  writePage(*this, kPage, p);
}
PictureSpec ReportSettingsBlock::picture(int n) const {
  const std::size_t off =
      kPictures + static_cast<std::size_t>(std::clamp(n, 0, 4)) * kPictureSpecSize;
  PictureSpec p;
  p.active = u8(off) != 0;
  p.size = std::clamp<int>(u8(off + 1), 1, 9);
  p.path = cstr(off + 4, kMaxPicturePath + 1);
  return p;
}
void ReportSettingsBlock::setPicture(int n, const PictureSpec& p) {
  if (n < 0 || n >= kReportPictures) return;
  const std::size_t off = kPictures + static_cast<std::size_t>(n) * kPictureSpecSize;
  setU8(off, p.active ? 1 : 0);
  setU8(off + 1, static_cast<std::uint8_t>(std::clamp(p.size, 1, 9)));
  setCstr(off + 4, kMaxPicturePath + 1, p.path);
}
std::vector<std::uint8_t> ReportSettingsBlock::deviceSettings() const {
  return readDevice(*this, kDeviceLen, kDevice);
}
void ReportSettingsBlock::setDeviceSettings(const std::vector<std::uint8_t>& bytes) {
  writeDevice(*this, kDeviceLen, kDevice, bytes);
}

// ---------------------------------------------------------------------------------------

bool LabelSettingsBlock::isSetUp() const {
  return std::memcmp(data() + kMark, kLabelMark, 4) == 0;
}
void LabelSettingsBlock::markSetUp() {
  std::memcpy(data() + kMark, kLabelMark, 4);
}
PrinterSpec LabelSettingsBlock::printer() const {
  return readPrinter(*this, kPrinterName, kPrinterDriver, kPrinterPort);
}
void LabelSettingsBlock::setPrinter(const PrinterSpec& p) {
  writePrinter(*this, kPrinterName, kPrinterDriver, kPrinterPort, p);
}
FontSpec LabelSettingsBlock::font(FontSize k) const {
  return readFont(*this, kFonts + static_cast<std::size_t>(k) * kFontSpecSize);
}
void LabelSettingsBlock::setFont(FontSize k, const FontSpec& f) {
  writeFont(*this, kFonts + static_cast<std::size_t>(k) * kFontSpecSize, f);
}
PageLayoutSpec LabelSettingsBlock::pageLayout() const {
  return readPage(*this, kPage);
}
void LabelSettingsBlock::setPageLayout(const PageLayoutSpec& p) {
  writePage(*this, kPage, p);
}
std::vector<std::uint8_t> LabelSettingsBlock::deviceSettings() const {
  return readDevice(*this, kDeviceLen, kDevice);
}
void LabelSettingsBlock::setDeviceSettings(const std::vector<std::uint8_t>& bytes) {
  writeDevice(*this, kDeviceLen, kDevice, bytes);
}

// ---------------------------------------------------------------------------------------

ReportSettingsBlock DefaultReportSettings(int) {
  ReportSettingsBlock b;
  b.markSetUp();
  b.setFooterText("LigaWin32");
  b.setFont(FontSize::Large, makeFont(14, FontSpec::Bold));
  b.setFont(FontSize::Medium, makeFont(10, 0));
  b.setFont(FontSize::Small, makeFont(8, 0));
  b.setColumns(1);
  b.setInchUnits(false);
  b.setMargins(2000, 1500, 1500, 1500);
  b.setColumnGap(0);
  b.setPageLayout(PageLayoutSpec{});
  for (int n = 0; n < kReportPictures; ++n) b.setPicture(n, PictureSpec{false, 3, ""});
  return b;
}

LabelSettingsBlock DefaultLabelSettings(int) {
  LabelSettingsBlock b;
  b.markSetUp();
  b.setFont(FontSize::Large, makeFont(12, 0));
  b.setFont(FontSize::Medium, makeFont(10, 0));
  b.setFont(FontSize::Small, makeFont(8, 0));
  b.setAcross(3);
  b.setRows(8);
  b.setCopies(1);
  b.setTopMargin(45);
  b.setLeftMargin(0);
  b.setLabelHeight(360);
  b.setLabelWidth(700);
  b.setRowPitch(360);
  b.setColumnPitch(700);
  b.setInchUnits(false);
  b.setPageLayout(PageLayoutSpec{});
  return b;
}

ReportSettingsBlock EffectiveReportSettings(const ReportSettingsBlock& b) {
  return b.isSetUp() ? b : DefaultReportSettings(1);
}
LabelSettingsBlock EffectiveLabelSettings(const LabelSettingsBlock& b) {
  return b.isSetUp() ? b : DefaultLabelSettings(1);
}

std::string FontDisplayText(const FontSpec& f) {
  std::string s = std::to_string(f.size) + " \"" + f.name + "\"";
  if (s.size() > 80) s.resize(80);
  return s;
}

}  // namespace liga
