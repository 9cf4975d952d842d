// The report and printer settings a print job reads when it opens: margins, columns,
// fonts, pictures and the footer text. The configuration's report settings block is
// turned into this value by a small adapter, so the writer does not depend on its bytes.
#pragma once

#include <array>
#include <string>

#include "reports/surface.h"

namespace liga::reports {

struct ReportPictureSetting {
  bool on = false;
  std::string path;
  int size = 1;  // the picture takes 1/size of the column width (1..9)
};

struct ReportSettings {
  std::string printerName;  // empty: the system's default printer
  int columns = 1;          // text columns per page, at least 1
  // Margins and the column gap in hundredths of a millimetre, or in thousandths of an
  // inch when `inch` is set.
  bool inch = false;
  int marginLeft = 1500, marginTop = 1500, marginRight = 1500, marginBottom = 1500;
  int columnGap = 0;  // 0 with several columns: 5 % of the usable width, shared out
  // The title line is set in `large`; 'B' lines in `bold`, the body in `normal`, footers
  // and contact rows in `small`.
  FontSpec large{"DejaVu Sans Mono", 12, true, false, 0};
  FontSpec normal{"DejaVu Sans Mono", 9, false, false, 0};
  FontSpec bold{"DejaVu Sans Mono", 9, true, false, 0};
  FontSpec small{"DejaVu Sans Mono", 7, false, false, 0};
  std::array<ReportPictureSetting, 5> pictures{};
  std::string footerText;  // at most 64 characters; code page 1252
};

// The maker's addresses that published pages and PDF files name. They are configuration
// values; every default is empty or neutral, and an empty one leaves its line out.
struct PublishSettings {
  std::string programLogoUrl;        // picture shown under the page title
  std::string companyLogoUrl;        // picture at the page foot
  std::string webAddress;            // e.g. "https://example.org"
  std::string mailAddress;           // e.g. "info@example.org"
  std::string makerName;             // who made the report ("databehandlingen utförd av ...")
  std::string author = "LigaWin32";  // PDF /Author
  std::array<std::string, 5> backgrounds{};  // background pictures of the XSL page
};

}  // namespace liga::reports

namespace liga {
class ReportSettingsBlock;
}

namespace liga::reports {

// The settings of a report settings block of the configuration (a block never set up reads
// as the default block). The block's large font sets the title; its medium font is the
// body font, and in bold the font of the headings, so that bold lines keep the body's
// character columns; its small font is the small font.
ReportSettings ReportSettingsFrom(const liga::ReportSettingsBlock& block);

}  // namespace liga::reports
