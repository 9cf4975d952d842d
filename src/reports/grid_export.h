// The grid window's file exports: an HTML page, an XML file with its XSL stylesheet, a
// PDF 1.4 document, and the tab-separated text of the cells.
//
// Guarantees of every export:
//  1. Cell texts and titles are escaped for the format ("&", "<", ">" in HTML and XML;
//     "(", ")", "\" in PDF strings), so no stored name breaks a file or injects markup.
//  2. Files are written in code page 1252 with CR LF, and say so: the HTML page carries a
//     windows-1252 meta tag, the XML file and the stylesheet declare encoding
//     "windows-1252".
//  3. A file is written beside its target and renamed over it only when complete.
//  4. The maker's addresses come from PublishSettings; an empty one leaves its line out.
#pragma once

#include <string>
#include <vector>

#include "common/grid.h"
#include "reports/report_settings.h"

namespace liga::reports {

struct ExportOutcome {
  bool written = false;
  int lines = 0;
};

// Shows "Kan ej öppna/skapa ixportfilen \"PATH\"" on failure, and "Import/export av N rader"
// when the file is written (unless `quiet`).
ExportOutcome ExportHtml(const GridModel& grid, const std::string& path,
                         const PublishSettings& publish, bool quiet = false);
// Writes `path` and, beside it, the stylesheet named like it with the extension ".xsl".
ExportOutcome ExportXml(const GridModel& grid, const std::string& path,
                        const PublishSettings& publish, bool quiet = false);

struct PdfOptions {
  std::string creator = "LigaWin32";      // the main window's caption
  std::string creationDate;               // "D:YYYYMMDDHHMMSS"; empty: now
  std::vector<std::string> jpegPictures;  // JPEG files embedded as images
};
ExportOutcome ExportPdf(const GridModel& grid, const std::string& path,
                        const PublishSettings& publish, const PdfOptions& options = {},
                        bool quiet = false);
// The page height the next PDF export starts from (792 before the first).
double PdfCurrentPageHeight();
void ResetPdfPageHeight();

// The path with its extension replaced by ".xsl".
std::string StylesheetPath(const std::string& xmlPath);

// One line per row, the cells as they were added, separated by tabs; trailing empty
// cells are left out.
std::string GridText(const GridModel& grid);

// A text as a PDF string literal (used by the PDF export).
std::string PdfString(const std::string& cp1252);

}  // namespace liga::reports
