// The report writer: one print job laid out line by line on a drawing surface.
//
// Geometry (device units of the surface):
//  * usable width W = page width - left - right margin; with n text columns the gap g is
//    the configured gap, or 5 % of W divided by n when none is configured and n > 1; the
//    column width is (W - (n - 1) g) / n, so the last column ends at the right margin;
//  * character column c of text column k lies at
//      x = (k - 1) (column width + g) + left margin + c * average character width
//    of the current font;
//  * usable height H = page height - top - bottom margin; the last three small-font
//    lines of H hold the footer.
// Line accounting:
//  1. Every report announces each line or block with keepTogether(heading, k) before it
//     prints it. When the used height plus k lines of the current font plus the footer
//     reaches H, the column (or page) ends first, with `heading` as continuation title;
//     then the k lines are added to the used height.
//  2. Drawing (text, line, newLine) moves the position but never changes the used height;
//     a rule adds the small font's descent.
//  3. A page or column that ends early carries the continuation footer ("heading" forts...)
//     and the next page starts with the header "forts.. "heading" sida: NNN".
//  4. Once the job is aborted every drawing operation does nothing; closeJob and finish
//     still end the document.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "reports/report_settings.h"
#include "reports/surface.h"

namespace liga::reports {

// The date and time in footers and grid titles, "YYYY-MM-DD HH:MM:SS"; tests fix it.
using ReportClock = std::function<std::string()>;
std::string NowText();

class ReportWriter {
 public:
  explicit ReportWriter(ReportSettings settings, ReportClock clock = {});
  ~ReportWriter();
  ReportWriter(const ReportWriter&) = delete;
  ReportWriter& operator=(const ReportWriter&) = delete;

  // Opens the job on the current printer. False when no printer is installed, or (after
  // the message "Kan ej skapa vald skrivare enligt inställningar") when it cannot be used.
  bool openJob(const std::string& name);
  // Prints the report pictures, the final footer and ends the document.
  void closeJob();
  // Closes the job if still open, closes the progress window and pops fonts still pushed
  // (reporting their count with " savefontc<>0 prexit").
  void finish();
  bool isOpen() const { return m_surface != nullptr; }
  // Forms placed by hand (labels, giro slips): no footers, page headers or pictures.
  // Set before openJob.
  void setPlain(bool on) { m_plain = on; }
  // Ends the page and starts the next one at the top (in plain jobs: no footer).
  void newPage();
  double resolution() const { return m_surface ? m_surface->resolution() : 72; }
  double pageWidth() const { return m_surface ? m_surface->pageWidth() : 0; }
  double pageHeight() const { return m_surface ? m_surface->pageHeight() : 0; }

  // 'N', 'B', 'S' select the normal, bold and small font, 'L' the large one; 'n', 'b', 's',
  // 'l' the same at half size. At most 12 fonts are held; further pushes change nothing.
  void pushFont(char kind);
  void popFont();
  int pushedFonts() const { return static_cast<int>(m_fontStack.size()); }

  void column(int c);  // c >= 0: character column c; c < 0: |c| characters right
  void text(const std::string& s);
  void line(const std::string& s = {});
  void newLine(int dc, int dy);
  // Returns the height the rule was drawn at (0 once aborted).
  double rule();
  void keepTogether(const std::string& heading, int lines);
  // As keepTogether for a block of `height` device units (lines of several fonts).
  void keepHeight(const std::string& heading, double height);
  bool needLines(bool breakPage, int lines);
  // The centred bold title and an empty line.
  void title(const std::string& s);
  // `s` right-aligned on the current line.
  void rightAligned(const std::string& s);

  double currentX() const { return m_x; }
  double currentY() const { return m_y; }
  void moveTo(double x, double y);
  void lineTo(double x, double y);
  double textWidth(const std::string& s) const;
  double lineHeight() const { return m_metrics.height + m_metrics.externalLeading; }
  double smallLineHeight() const { return m_smallLine; }
  // Average-width characters on a line of the current text column in the current font.
  int charsPerLine() const;
  // The x of character column c in the current text column.
  double columnX(double c) const;
  double columnRight() const;

  void progress(int i, int n);
  void status(int line, const std::string& s);  // line 1..3

  bool aborted() const;
  void abort() { m_aborted = true; }

  int page() const { return m_page; }
  int textColumn() const { return m_column; }
  double usedHeight() const { return m_used; }
  double usableHeight() const { return m_usableHeight; }
  const std::string& jobTitle() const { return m_title; }

 private:
  void selectFont(const FontSpec& f);
  void endColumnOrPage(const std::string& heading, bool continues);
  void footer(const std::string& heading, bool continues);
  void pageHeader(const std::string& heading);
  void printPictures();
  double toDevice(int value) const;
  bool drawing() const { return m_surface && !aborted(); }

  ReportSettings m_settings;
  ReportClock m_clock;
  DrawSurface* m_surface = nullptr;
  ReportPrinter* m_printer = nullptr;
  bool m_progressOpen = false;
  bool m_aborted = false;
  bool m_plain = false;

  std::string m_title;
  int m_page = 1;
  int m_pageCount = 1;
  int m_column = 1;
  double m_x = 0, m_y = 0, m_used = 0;
  double m_freshUsed = 0;  // used height right after the page or column began
  double m_left = 0, m_top = 0, m_usableWidth = 0, m_usableHeight = 0;
  double m_columnWidth = 0, m_gap = 0;
  double m_smallLine = 0, m_smallDescent = 0;
  FontSpec m_font;
  TextMetrics m_metrics;
  std::vector<FontSpec> m_fontStack;
};

}  // namespace liga::reports
