#include "config/settings_blocks.h"
#include "reports/report_settings.h"

namespace liga::reports {
namespace {

FontSpec fontFrom(const liga::FontSpec& f, bool bold) {
  FontSpec out;
  out.name = f.name.empty() ? "DejaVu Sans" : f.name;
  out.size = f.size > 0 ? f.size : 10;
  out.bold = bold || (f.style & liga::FontSpec::Bold) != 0;
  out.italic = (f.style & liga::FontSpec::Italic) != 0;
  // The block keeps 0x00BBGGRR.
  out.colour = ((f.colour & 0xFF) << 16) | (f.colour & 0xFF00) | ((f.colour >> 16) & 0xFF);
  return out;
}

}  // namespace

ReportSettings ReportSettingsFrom(const liga::ReportSettingsBlock& stored) {
  const liga::ReportSettingsBlock block = liga::EffectiveReportSettings(stored);
  ReportSettings s;
  s.printerName = block.printer().name;
  s.columns = block.columns();
  s.inch = block.inchUnits();
  s.marginLeft = block.marginLeft();
  s.marginTop = block.marginTop();
  s.marginRight = block.marginRight();
  s.marginBottom = block.marginBottom();
  s.columnGap = block.columnGap();
  s.large = fontFrom(block.font(liga::FontSize::Large), false);
  s.normal = fontFrom(block.font(liga::FontSize::Medium), false);
  s.bold = fontFrom(block.font(liga::FontSize::Medium), true);
  s.small = fontFrom(block.font(liga::FontSize::Small), false);
  for (int n = 0; n < liga::kReportPictures; ++n) {
    const liga::PictureSpec p = block.picture(n);
    s.pictures[n] = {p.active, p.path, p.size};
  }
  s.footerText = block.footerText();
  return s;
}

}  // namespace liga::reports
