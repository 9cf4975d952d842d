#include "reports/report_writer.h"

#include <algorithm>
#include <ctime>
#include <filesystem>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/messages.h"
#include "common/progress.h"
#include "common/text.h"
#include "common/ui_port.h"
#include "reports/picture.h"

namespace liga::reports {
namespace {

constexpr int kMaxFonts = 12;
constexpr std::size_t kMaxTitle = 63;
constexpr std::size_t kMaxDocumentName = 32;

// Progress window lines of a print job.
constexpr int kLinePrinter = 2, kLineJob = 3, kLineCount = 4, kLinePage = 5, kLineStatus = 6;

}  // namespace

std::string NowText() {
  return FormatLocalTime(std::time(nullptr), "%Y-%m-%d %H:%M:%S");
}

ReportWriter::ReportWriter(ReportSettings settings, ReportClock clock)
    : m_settings(std::move(settings)), m_clock(clock ? std::move(clock) : ReportClock(NowText)) {
  m_settings.columns = std::max(1, m_settings.columns);
}

ReportWriter::~ReportWriter() {
  finish();
}

double ReportWriter::toDevice(int value) const {
  const double inches = m_settings.inch ? value / 1000.0 : value / 2540.0;
  return inches * m_surface->resolution();
}

bool ReportWriter::openJob(const std::string& name) {
  m_printer = CurrentPrinter();
  if (!m_printer) return false;
  m_title = name.substr(0, kMaxTitle);
  const std::string document = (std::string("LigaWin32") + ":" + name).substr(0, kMaxDocumentName);
  m_surface = m_printer->begin(document);
  if (!m_surface) {
    ShowMessage(400, W("Kan ej skapa vald skrivare enligt inställningar"));
    m_printer = nullptr;
    return false;
  }
  m_aborted = false;
  m_progressOpen = OpenProgress("rapport", 8, true);
  if (m_progressOpen) {
    ProgressLine(kLinePrinter, m_printer->description());
    ProgressLine(kLineJob, m_title);
  }

  const int n = m_settings.columns;
  m_left = toDevice(m_settings.marginLeft);
  m_top = toDevice(m_settings.marginTop);
  m_usableWidth = m_surface->pageWidth() - m_left - toDevice(m_settings.marginRight);
  m_usableHeight = m_surface->pageHeight() - m_top - toDevice(m_settings.marginBottom);
  m_gap = toDevice(m_settings.columnGap);
  if (n > 1 && m_settings.columnGap == 0) m_gap = 0.05 * m_usableWidth / n;
  if (n == 1) m_gap = 0;
  m_columnWidth = (m_usableWidth - (n - 1) * m_gap) / n;
  for (FontSpec* f : {&m_settings.large, &m_settings.normal, &m_settings.bold, &m_settings.small})
    f->size /= n;

  selectFont(m_settings.small);
  m_smallLine = lineHeight();
  m_smallDescent = m_metrics.descent;
  selectFont(m_settings.normal);
  m_fontStack.clear();
  m_page = 1;
  m_pageCount = 1;
  m_column = 1;
  m_used = 0;
  m_y = m_top;
  m_x = columnX(1);
  return true;
}

void ReportWriter::selectFont(const FontSpec& f) {
  m_font = f;
  if (!m_surface) return;
  m_surface->setFont(f);
  m_metrics = m_surface->metrics();
}

void ReportWriter::pushFont(char kind) {
  if (!m_surface || m_fontStack.size() >= kMaxFonts) return;
  m_fontStack.push_back(m_font);
  FontSpec f;
  switch (kind) {
    case 'B':
    case 'b':
      f = m_settings.bold;
      break;
    case 'L':
    case 'l':
      f = m_settings.large;
      break;
    case 'S':
    case 's':
      f = m_settings.small;
      break;
    default:
      f = m_settings.normal;
      break;
  }
  if (kind >= 'a' && kind <= 'z') f.size /= 2;
  selectFont(f);
}

void ReportWriter::popFont() {
  if (m_fontStack.empty()) return;
  FontSpec f = m_fontStack.back();
  m_fontStack.pop_back();
  selectFont(f);
}

double ReportWriter::columnX(double c) const {
  return (m_column - 1) * (m_columnWidth + m_gap) + m_left + c * m_metrics.avgCharWidth;
}

double ReportWriter::columnRight() const {
  return (m_column - 1) * (m_columnWidth + m_gap) + m_left + m_columnWidth;
}

int ReportWriter::charsPerLine() const {
  if (m_metrics.avgCharWidth <= 0) return 0;
  return static_cast<int>(m_columnWidth / m_metrics.avgCharWidth);
}

void ReportWriter::column(int c) {
  if (c >= 0)
    m_x = columnX(c);
  else
    m_x += -c * m_metrics.avgCharWidth;
}

double ReportWriter::textWidth(const std::string& s) const {
  return m_surface ? m_surface->textWidth(s) : 0;
}

void ReportWriter::text(const std::string& s) {
  if (!drawing()) return;
  m_surface->drawText(m_x, m_y, s);
  m_x += m_surface->textWidth(s);
}

void ReportWriter::line(const std::string& s) {
  if (!drawing()) return;
  text(s);
  m_y += lineHeight();
  m_x = columnX(1);
  Ui().processPendingInput();
}

void ReportWriter::newLine(int dc, int dy) {
  if (!drawing()) return;
  m_y += (dy < 0 ? 1 : dy) * lineHeight();
  column(dc);
}

void ReportWriter::rightAligned(const std::string& s) {
  if (!drawing()) return;
  m_surface->drawText(columnRight() - m_surface->textWidth(s), m_y, s);
}

double ReportWriter::rule() {
  if (!drawing()) return 0;
  const double y = m_y + m_smallDescent / 2;
  m_surface->drawLine(columnX(0), y, columnRight(), y);
  m_y += m_smallDescent;
  m_used += m_smallDescent;
  m_x = columnX(1);
  return y;
}

void ReportWriter::moveTo(double x, double y) {
  m_x = x;
  m_y = y;
}

void ReportWriter::lineTo(double x, double y) {
  if (drawing()) m_surface->drawLine(m_x, m_y, x, y);
  m_x = x;
  m_y = y;
}

void ReportWriter::title(const std::string& s) {
  if (!drawing()) return;
  pushFont('B');
  selectFont(m_settings.large);
  keepTogether("", 2);
  const int c = std::max(0, (charsPerLine() - static_cast<int>(s.size())) / 2);
  column(c);
  line(s);
  line();
  popFont();
}

void ReportWriter::keepTogether(const std::string& heading, int lines) {
  keepHeight(heading, lines * lineHeight());
}

void ReportWriter::keepHeight(const std::string& heading, double need) {
  if (!drawing()) return;
  // A block taller than a whole page goes where it is: moving it would only leave an
  // empty page behind.
  if (m_used + need + 3 * m_smallLine >= m_usableHeight && m_used > m_freshUsed)
    endColumnOrPage(heading, true);
  m_used += need;
}

bool ReportWriter::needLines(bool breakPage, int lines) {
  if (!drawing()) return false;
  const bool fewer = m_used + lines * lineHeight() + 3 * m_smallLine >= m_usableHeight;
  if (fewer && breakPage && m_used > m_freshUsed) endColumnOrPage("", true);
  return fewer;
}

void ReportWriter::newPage() {
  if (!drawing()) return;
  if (m_plain) {
    m_surface->newPage();
    ++m_page;
    ++m_pageCount;
    if (m_progressOpen) ProgressLine(kLinePage, "sida: " + FormatInt(m_page, 3));
    m_used = 0;
    m_y = m_top;
    m_x = columnX(1);
    return;
  }
  m_column = m_settings.columns;
  endColumnOrPage("", true);
}

void ReportWriter::footer(const std::string& heading, bool continues) {
  if (m_plain) return;
  pushFont('S');
  const double base = m_top + m_usableHeight - 3 * m_smallLine;
  m_surface->drawLine(columnRight(), base, columnX(0), base);
  std::string first;
  if (!heading.empty()) first = "\"" + heading + "\" ";
  if (continues) first += "forts... ";
  const std::string when = PadRight(m_clock(), 21);
  const std::string second = m_settings.footerText + " " + when;
  if (!first.empty())
    m_surface->drawText(columnRight() - m_surface->textWidth(first), base + m_smallDescent, first);
  m_surface->drawText(columnRight() - m_surface->textWidth(second),
                      base + m_smallDescent + m_smallLine, second);
  popFont();
}

void ReportWriter::endColumnOrPage(const std::string& heading, bool continues) {
  footer(heading, continues);
  m_used = 0;
  m_y = m_top;
  if (m_column < m_settings.columns) {
    ++m_column;
    m_x = columnX(1);
    m_freshUsed = 0;
    return;
  }
  m_surface->newPage();
  ++m_page;
  ++m_pageCount;
  m_column = 1;
  if (m_progressOpen) ProgressLine(kLinePage, "sida: " + FormatInt(m_page, 3));
  pageHeader(heading);
}

void ReportWriter::pageHeader(const std::string& heading) {
  pushFont('S');
  m_freshUsed = 1e30;  // the header itself never breaks
  keepTogether("", 2);
  std::string text = "forts.. ";
  if (!heading.empty()) text += "\"" + heading + "\"";
  text += " sida: " + FormatInt(m_page, 3);
  rightAligned(text);
  line();
  rule();
  line();
  popFont();
  m_x = columnX(1);
  m_freshUsed = m_used;
}

void ReportWriter::printPictures() {
  for (std::size_t i = 0; i < m_settings.pictures.size() && !aborted(); ++i) {
    const ReportPictureSetting& p = m_settings.pictures[i];
    if (!p.on || p.path.empty() || !std::filesystem::exists(p.path)) continue;
    std::optional<Picture> picture = LoadPicture(p.path);
    if (!picture) continue;
    if (m_progressOpen) ProgressLine(kLineStatus + 2, p.path);
    const double margin = 2;
    const double width = m_columnWidth / std::max(1, p.size) - 2 * margin;
    if (width <= 0) continue;
    const double height = width * picture->height / picture->width;
    const double bottom = m_top + m_usableHeight - 3 * m_smallLine;
    if (m_y + height + 2 * margin > bottom && m_used > m_freshUsed) endColumnOrPage("", true);
    const double x = columnX(0) + margin;
    const double y = m_y + margin;
    m_surface->drawPicture(x, y, width, height, *picture);
    m_surface->drawRect(x - margin, y - margin, width + 2 * margin, height + 2 * margin);
    m_y += height + 2 * margin;
    m_used += height + 2 * margin;
  }
}

void ReportWriter::closeJob() {
  if (!m_surface) return;
  if (!aborted() && !m_plain) {
    printPictures();
    footer("", false);
  }
  m_printer->end();
  m_surface = nullptr;
  m_printer = nullptr;
}

void ReportWriter::finish() {
  closeJob();
  if (m_progressOpen) {
    CloseProgress();
    m_progressOpen = false;
  }
  if (!m_fontStack.empty()) {
    ShowMessage(200, FormatInt(static_cast<long>(m_fontStack.size()), 3) + " savefontc<>0 prexit");
    m_fontStack.clear();
  }
}

void ReportWriter::progress(int i, int n) {
  if (m_progressOpen && !aborted())
    ProgressLine(kLineCount, FormatInt(i, 4) + " [" + FormatInt(n, 4) + "]" +
                                 (n > 0 ? "  " + FormatInt(i * 100L / n, 3) + " %" : ""));
}

void ReportWriter::status(int line, const std::string& s) {
  if (m_progressOpen && line >= 1 && line <= 3 && !aborted())
    ProgressLine(kLineStatus + line - 1, s);
}

bool ReportWriter::aborted() const {
  return m_aborted || (m_progressOpen && ProgressAborted());
}

}  // namespace liga::reports
