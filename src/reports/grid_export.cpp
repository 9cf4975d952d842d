#include "reports/grid_export.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

#include "common/clock.h"
#include "common/encoding.h"
#include "common/file_replace.h"
#include "common/messages.h"
#include "common/text.h"
#include "common/xml_escape.h"
#include "reports/picture.h"

namespace liga::reports {
namespace {

namespace fs = std::filesystem;

// The export-file writer: lines in memory, converted by the DOS switch, CR LF, written
// beside the target and renamed over it.
class ExportFile {
 public:
  void line(const std::string& s) {
    m_text += WinToDos(s);
    m_text += "\r\n";
    ++m_lines;
  }
  void raw(const std::string& bytes) { m_text += bytes; }
  std::size_t offset() const { return m_text.size(); }
  int lines() const { return m_lines; }

  bool save(const std::string& path, bool quiet) {
    if (!ReplaceFile(path, m_text)) {
      ShowMessage(400, W("Kan ej öppna/skapa ixportfilen \"") + path + "\"");
      return false;
    }
    if (!quiet) ShowMessage(0, "Import/export av " + FormatInt(m_lines, 4) + " rader ");
    return true;
  }

 private:
  std::string m_text;
  int m_lines = 0;
};

std::string fileName(const std::string& path) {
  return fs::path(path).filename().string();
}

}  // namespace

std::string PdfString(const std::string& s) {
  std::string out;
  for (char c : s) {
    if (c == '(' || c == ')' || c == '\\') out += '\\';
    out += static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
  }
  return out;
}

std::string StylesheetPath(const std::string& xmlPath) {
  fs::path p(xmlPath);
  p.replace_extension(".xsl");
  return p.string();
}

std::string GridText(const GridModel& grid) {
  std::string out;
  for (int r = 0; r < grid.rowCount(); ++r) {
    int last = grid.columnCount() - 1;
    while (last >= 0 && grid.cell(last, r).empty()) --last;
    for (int c = 0; c <= last; ++c) {
      if (c) out += '\t';
      out += grid.text(c, r);
    }
    out += '\n';
  }
  return out;
}

ExportOutcome ExportHtml(const GridModel& grid, const std::string& path,
                         const PublishSettings& publish, bool quiet) {
  ExportFile f;
  const std::string title = HtmlEncode(grid.title());
  f.line("<HTML>");
  f.line("<HEAD>");
  f.line("<meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1252\">");
  f.line("<title> " + title + "</title>");
  f.line("<meta name=\"generator\" content=\"LigaWin32\">");
  f.line(W(
      "<meta name=\"description\" content=\"publikation till internet för idrottstävlingar mm\">"));
  f.line("</HEAD>");
  f.line(
      "<body alink=\"#ff00ff\" text=\"#000000\" link=\"#0000ff\" vlink=\"#008000\" "
      "bgcolor=\"#ffffff\">");
  f.line("<h1><b><font color=\"#000000\" face=\"Arial\">");
  f.line(title);
  f.line("</font></b></h1>");
  if (!publish.programLogoUrl.empty())
    f.line("<IMG SRC=\"" + HtmlEncode(publish.programLogoUrl) + "\" ALT=\"LigaWin32\" >");
  f.line("<table width=\"100%\" bgcolor=\"#ccccc0\" border=\"2\">");
  f.line("<tr>");
  for (int c = 0; c < grid.columnCount(); ++c) {
    f.line(
        "<td bgcolor=\"#707070\" width=\"700*\"><font size=\"+1\" color=\"#FFFFFF\" "
        "face=\"Arial\"><b>");
    f.line(HtmlEncode(grid.cell(c, 0)));
    f.line("</b></font></td>");
  }
  f.line("</tr>");
  for (int r = 0; r < grid.rowCount(); ++r) {
    f.line("<tr>");
    for (int c = 0; c < grid.columnCount(); ++c)
      f.line("<td>" + HtmlEncode(grid.cell(c, r)) + "</td>");
    f.line("</tr>");
  }
  f.line("</table>");
  f.line("<p>");
  f.line("<font size=\"-2\" face=\"Verdana, Tahoma, Arial\">");
  f.line("<hr size=\"0\" width=\"137\" align=\"left\">");
  if (!publish.webAddress.empty()) {
    const std::string web = HtmlEncode(publish.webAddress);
    f.line("<a href=\"" + web + "\">" + web + "</a><br>");
  }
  f.line("<hr size=\"0\" width=\"137\" align=\"left\">");
  f.line("</font>");
  if (!publish.companyLogoUrl.empty())
    f.line("<IMG SRC=\"" + HtmlEncode(publish.companyLogoUrl) + "\" ALT=\"\" >");
  if (!publish.webAddress.empty() || !publish.mailAddress.empty()) {
    std::string l = "<p align=\"center\">";
    if (!publish.webAddress.empty()) l += HtmlEncode(publish.webAddress);
    if (!publish.mailAddress.empty())
      l += " <a href=\"mailto:" + HtmlEncode(publish.mailAddress) + "\">" +
           HtmlEncode(publish.mailAddress) + "</a>";
    f.line(l + "</p>");
  }
  f.line("</body>");
  f.line("</html>");
  ExportOutcome out;
  out.written = f.save(path, quiet);
  out.lines = f.lines();
  return out;
}

namespace {

bool writeStylesheet(const GridModel& grid, const std::string& path,
                     const PublishSettings& publish) {
  ExportFile f;
  f.line("<?xml version=\"1.0\" encoding=\"windows-1252\"?>");
  f.line("<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">");
  f.line("<xsl:template match=\"/\">");
  f.line("<html>");
  f.line("<head>");
  f.line("<title><xsl:value-of select=\"visa/huvud\"/></title>");
  f.line("</head>");
  std::vector<std::string> backgrounds;
  for (const auto& b : publish.backgrounds)
    if (!b.empty()) backgrounds.push_back(b);
  if (backgrounds.empty()) {
    f.line("<body>");
  } else {
    std::random_device rd;
    const std::string& b = backgrounds[rd() % backgrounds.size()];
    f.line("<body background=\"" + XmlEscape(b) + "\">");
  }
  f.line("<h2><xsl:value-of select=\"visa/huvud\"/></h2>");
  f.line("<xsl:for-each select=\"visa/tabell\">");
  f.line("<br/>");
  f.line("<table border=\"2\">");
  f.line("<xsl:for-each select=\"rad\">");
  f.line("<tr>");
  for (int c = 0; c < grid.columnCount(); ++c)
    f.line(" <td><xsl:value-of select=\"kolumn" + std::to_string(c) + "\"/></td>");
  f.line("</tr>");
  f.line("</xsl:for-each>");
  f.line("</table>");
  f.line("</xsl:for-each>");
  f.line("<br/><hr/>");
  if (!publish.makerName.empty())
    f.line(W("<address>databehandlingen utförd av ") + XmlEscape(publish.makerName) + "</address>");
  if (!publish.webAddress.empty() || !publish.mailAddress.empty()) {
    f.line("<address>");
    if (!publish.webAddress.empty())
      f.line("<a href=\"" + XmlEscape(publish.webAddress) + "\">" + XmlEscape(publish.webAddress) +
             "</a><br/>");
    if (!publish.mailAddress.empty())
      f.line("<a href=\"mailto:" + XmlEscape(publish.mailAddress) + "\">" +
             XmlEscape(publish.mailAddress) + "</a>");
    f.line("</address>");
  }
  if (!publish.companyLogoUrl.empty()) {
    const std::string logo = "<img src=\"" + XmlEscape(publish.companyLogoUrl) + "\" alt=\"\"/>";
    if (!publish.webAddress.empty())
      f.line("<a href=\"" + XmlEscape(publish.webAddress) + "\">" + logo + "</a>");
    else
      f.line(logo);
  }
  f.line("</body>");
  f.line("</html>");
  f.line("</xsl:template>");
  f.line("</xsl:stylesheet>");
  return f.save(path, true);
}

}  // namespace

ExportOutcome ExportXml(const GridModel& grid, const std::string& path,
                        const PublishSettings& publish, bool quiet) {
  ExportFile f;
  const std::string xsl = StylesheetPath(path);
  f.line("<?xml version=\"1.0\" encoding=\"windows-1252\"?>");
  f.line("<?xml-stylesheet href=\"" + XmlEscape(fileName(xsl)) + "\" type=\"text/xsl\" ?>");
  // "--" may not appear inside an XML comment.
  std::string comment = grid.title();
  for (std::size_t i; (i = comment.find("--")) != std::string::npos;) comment.replace(i, 2, "- -");
  f.line("<!-- " + XmlEscape(comment) + " -->");
  f.line("<visa>");
  f.line("<huvud>" + XmlEscape(grid.title()) + "</huvud>");
  f.line("<tabell>");
  for (int r = 0; r < grid.rowCount(); ++r) {
    if (grid.cell(0, r).find(" -- ") != std::string::npos) {
      f.line("</tabell>");
      f.line("<tabell>");
      continue;
    }
    f.line("<rad>");
    for (int c = 0; c < grid.columnCount(); ++c) {
      const std::string tag = "kolumn" + std::to_string(c);
      f.line("<" + tag + ">");
      f.line(XmlEscape(grid.cell(c, r)) + " ");
      f.line("</" + tag + ">");
    }
    f.line("</rad>");
  }
  f.line("</tabell>");
  f.line("</visa>");
  ExportOutcome out;
  out.written = f.save(path, quiet) && writeStylesheet(grid, xsl, publish);
  out.lines = f.lines();
  return out;
}

// ---------------------------------------------------------------------------------------
// PDF

namespace {

double g_pdfPageHeight = 792;

std::string num(double v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", v);
  std::string s = buf;
  while (s.size() > 1 && s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  return s;
}

std::string nowPdfDate() {
  return FormatLocalTime(std::time(nullptr), "D:%Y%m%d%H%M%S");
}

// The document body with its cross-reference table. Objects are numbered as they are
// given; the table is written as subsections of consecutive numbers.
class PdfBuilder {
 public:
  PdfBuilder() { m_f.line("%PDF-1.4"); }
  void begin(int number) {
    m_offsets.emplace_back(number, m_f.offset());
    m_f.line(std::to_string(number) + " 0 obj");
  }
  void line(const std::string& s) { m_f.line(s); }
  void endObject() { m_f.line("endobj"); }
  // A stream object `number` with its length held directly.
  void stream(int number, const std::string& dict, const std::string& bytes) {
    begin(number);
    line(dict + " /Length " + std::to_string(bytes.size()) + " >>");
    line("stream");
    m_f.raw(bytes);
    line("");
    line("endstream");
    endObject();
  }
  ExportFile& file() { return m_f; }

  void finish(int root, int info) {
    std::sort(m_offsets.begin(), m_offsets.end());
    const std::size_t xref = m_f.offset();
    m_f.line("xref");
    m_f.line("0 1");
    m_f.raw("0000000000 65535 f\r\n");
    std::size_t i = 0;
    while (i < m_offsets.size()) {
      std::size_t j = i;
      while (j + 1 < m_offsets.size() && m_offsets[j + 1].first == m_offsets[j].first + 1) ++j;
      m_f.line(std::to_string(m_offsets[i].first) + " " + std::to_string(j - i + 1));
      for (std::size_t k = i; k <= j; ++k) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010zu 00000 n\r\n", m_offsets[k].second);
        m_f.raw(entry);
      }
      i = j + 1;
    }
    const int size = m_offsets.empty() ? 1 : m_offsets.back().first + 1;
    m_f.line("trailer");
    m_f.line("  << /Size " + std::to_string(size));
    m_f.line("     /Root " + std::to_string(root) + " 0 R");
    m_f.line("     /Info " + std::to_string(info) + " 0 R");
    m_f.line(">>");
    m_f.line("startxref");
    m_f.line(std::to_string(xref));
    m_f.line("%%EOF");
  }

 private:
  ExportFile m_f;
  std::vector<std::pair<int, std::size_t>> m_offsets;
};

struct EmbeddedJpeg {
  int width = 0, height = 0;
  std::string bytes;
};

// The document's fixed objects; pages follow the images.
constexpr int kInfo = 10, kCatalog = 11, kOutlines = 12, kPages = 13, kResources = 2;
constexpr int kFirstImage = 20, kPageCount = 9998, kKids = 9999;

// The sizes of one document: the page, the three fonts and their line steps.
struct PdfLayout {
  double width = 0, height = 0;
  double titleSize = 0, tableSize = 0, footerSize = 0;
  double titleStep = 0, tableStep = 0, footerStep = 0;
  std::vector<std::string> titleLines;
  double top = 0, rowsTop = 0, rowsBottom = 0;
  int rowsPerPage = 1;
};

// The pictures that are readable JPEG files; the others are left out.
std::vector<EmbeddedJpeg> LoadJpegs(const std::vector<std::string>& paths) {
  std::vector<EmbeddedJpeg> images;
  for (const std::string& p : paths) {
    std::ifstream in(p, std::ios::binary);
    if (!in) continue;
    std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), {}};
    EmbeddedJpeg img;
    if (!JpegSize(bytes, img.width, img.height)) continue;
    img.bytes.assign(bytes.begin(), bytes.end());
    images.push_back(std::move(img));
  }
  return images;
}

// A title wider than the page is wrapped at blanks, so all of it stays on the page.
std::vector<std::string> WrapTitle(std::string rest, double width, double titleSize) {
  std::vector<std::string> lines;
  const std::size_t maxChars =
      std::max<std::size_t>(8, static_cast<std::size_t>((width - 60) / (0.6 * titleSize)));
  while (rest.size() > maxChars) {
    std::size_t cut = rest.rfind(' ', maxChars);
    if (cut == std::string::npos || cut == 0) cut = maxChars;
    lines.push_back(rest.substr(0, cut));
    rest = rest.substr(cut + (rest[cut] == ' ' ? 1 : 0));
  }
  lines.push_back(rest);
  return lines;
}

// Page layout: a margin of 40 at top and bottom, the title block, rows, the footer.
PdfLayout LayoutFor(const GridModel& grid, double width, double height) {
  PdfLayout l;
  const double s = grid.fontSize();
  l.width = width;
  l.height = height;
  l.titleSize = 15 * s / 12;
  l.tableSize = s;
  l.footerSize = 10 * s / 12;
  l.titleStep = l.titleSize * 20 / 15;
  l.tableStep = l.tableSize * 20 / 15;
  l.footerStep = l.footerSize * 20 / 15;
  l.titleLines = WrapTitle(grid.title(), width, l.titleSize);
  l.top = height - 40;
  l.rowsTop = l.top - (1.5 + l.titleLines.size()) * l.titleStep;
  l.rowsBottom = 40 + 2 * l.footerStep;
  l.rowsPerPage = std::max(1, static_cast<int>((l.rowsTop - l.rowsBottom) / l.tableStep));
  return l;
}

// Info, catalogue, outlines, the page tree, resources, fonts and images.
void WriteDocumentObjects(PdfBuilder& pdf, const GridModel& grid, const PublishSettings& publish,
                          const PdfOptions& options, const PdfLayout& l,
                          const std::vector<EmbeddedJpeg>& images) {
  pdf.begin(kInfo);
  pdf.line("  << /Title (" + PdfString(grid.title()) + ")");
  pdf.line("     /Author (" + PdfString(publish.author) + ")");
  pdf.line("     /Creator (" + PdfString(options.creator) + ")");
  pdf.line("     /Producer (LigaWin32: visningar)");
  pdf.line("     /Subject (visningarPDF)");
  pdf.line("     /CreationDate (" +
           PdfString(options.creationDate.empty() ? nowPdfDate() : options.creationDate) + ")");
  pdf.line("  >>");
  pdf.endObject();
  pdf.begin(kCatalog);
  pdf.line("  << /Type /Catalog");
  pdf.line("     /Outlines " + std::to_string(kOutlines) + " 0 R");
  pdf.line("     /Pages " + std::to_string(kPages) + " 0 R");
  pdf.line("  >>");
  pdf.endObject();
  pdf.begin(kOutlines);
  pdf.line("  << /Type /Outlines");
  pdf.line("     /Count 0");
  pdf.line("  >>");
  pdf.endObject();
  pdf.begin(kPages);
  pdf.line("  <<");
  pdf.line("     /Type /Pages");
  pdf.line("     /Kids " + std::to_string(kKids) + " 0 R");
  pdf.line("     /MediaBox [0 0 " + num(l.width) + " " + num(l.height) + "]");
  pdf.line("     /Resources " + std::to_string(kResources) + " 0 R");
  pdf.line("     /Count " + std::to_string(kPageCount) + " 0 R");
  pdf.line("  >>");
  pdf.endObject();
  pdf.begin(kResources);
  pdf.line("<< /ProcSet [/PDF /Text /ImageB /ImageC /ImageI]");
  pdf.line("   /Font << /F1 15 0 R /F2 16 0 R /F3 17 0 R >>");
  if (!images.empty()) {
    pdf.line("   /XObject <<");
    for (std::size_t i = 0; i < images.size(); ++i)
      pdf.line("     /Im" + std::to_string(i + 1) + " " + std::to_string(kFirstImage + i) + " 0 R");
    pdf.line("   >>");
  }
  pdf.line(">>");
  pdf.endObject();
  const char* baseFonts[] = {"Courier", "Courier-Bold", "Courier-Oblique"};
  for (int i = 0; i < 3; ++i) {
    pdf.begin(15 + i);
    pdf.line("  << /Type /Font");
    pdf.line("     /Subtype /Type1");
    pdf.line("     /Name /F" + std::to_string(i + 1));
    pdf.line("     /BaseFont /" + std::string(baseFonts[i]));
    pdf.line("     /Encoding /WinAnsiEncoding");
    pdf.line("  >>");
    pdf.endObject();
  }
  for (std::size_t i = 0; i < images.size(); ++i) {
    pdf.stream(kFirstImage + static_cast<int>(i),
               "<< /Type /XObject /Subtype /Image /Width " + std::to_string(images[i].width) +
                   " /Height " + std::to_string(images[i].height) +
                   " /ColorSpace /DeviceRGB /BitsPerComponent 8 /Filter /DCTDecode",
               images[i].bytes);
  }
}

// The content stream of page `p` (0-based): its number and the title, its rows, the footer,
// and on the last page the pictures side by side under the last row when they fit there.
std::string PageContent(const GridModel& grid, const PublishSettings& publish, const PdfLayout& l,
                        int p, bool last, const std::vector<EmbeddedJpeg>& images) {
  std::string content;
  auto put = [&](const std::string& line) { content += line + "\r\n"; };
  double lx = 0, ly = 0;
  auto moveTo = [&](double x, double y) {
    put("    " + num(x - lx) + " " + num(y - ly) + " Td");
    lx = x;
    ly = y;
  };
  put("  BT");
  put("    /F1 " + num(l.titleSize) + " Tf");
  moveTo(40, l.top);
  put("    (Sida " + std::to_string(p + 1) + ") Tj");
  for (std::size_t i = 0; i < l.titleLines.size(); ++i) {
    moveTo(40, l.top - (1 + i) * l.titleStep);
    put("    (" + PdfString(l.titleLines[i]) + ") Tj");
  }
  put("    /F2 " + num(l.tableSize) + " Tf");
  double y = l.rowsTop;
  for (int r = p * l.rowsPerPage; r < std::min(grid.rowCount(), (p + 1) * l.rowsPerPage); ++r) {
    double x = 40;
    for (int c = 0; c < grid.columnCount(); ++c) {
      const std::string& cell = grid.cell(c, r);
      if (!TrimRight(cell).empty()) {
        moveTo(x, y);
        put("    (" + PdfString(cell) + ") Tj");
      }
      x += grid.columnWidth(c);
    }
    y -= l.tableStep;
  }
  put("    /F3 " + num(l.footerSize) + " Tf");
  moveTo(40, 40);
  put("    (" +
      PdfString(publish.webAddress.empty() ? std::string("LigaWin32") : publish.webAddress) +
      ") Tj");
  put("  ET");
  if (!last) return content;
  double ix = 40;
  for (std::size_t i = 0; i < images.size(); ++i) {
    const double h = std::min(y - l.rowsBottom - l.tableStep, 120.0);
    if (h < 20) break;
    const double w = h * images[i].width / images[i].height;
    if (ix + w > l.width - 20) break;
    put("  q " + num(w) + " 0 0 " + num(h) + " " + num(ix) + " " + num(y - l.tableStep - h) +
        " cm /Im" + std::to_string(i + 1) + " Do Q");
    ix += w + 10;
  }
  return content;
}

// A page is three objects: the page, its contents and the contents' length.
void WritePage(PdfBuilder& pdf, int obj, const std::string& content) {
  const std::string bytes = WinToDos(content);
  pdf.begin(obj);
  pdf.line("  << /Type /Page");
  pdf.line("     /Parent " + std::to_string(kPages) + " 0 R");
  pdf.line("     /Contents [" + std::to_string(obj + 1) + " 0 R");
  pdf.line("                ]");
  pdf.line("  >>");
  pdf.endObject();
  pdf.begin(obj + 1);
  pdf.line("  << /Length " + std::to_string(obj + 2) + " 0 R >>");
  pdf.line("stream");
  pdf.file().raw(bytes);
  pdf.line("endstream");
  pdf.endObject();
  pdf.begin(obj + 2);
  pdf.line("  " + std::to_string(bytes.size()));
  pdf.endObject();
}

}  // namespace

double PdfCurrentPageHeight() {
  return g_pdfPageHeight;
}

void ResetPdfPageHeight() {
  g_pdfPageHeight = 792;
}

ExportOutcome ExportPdf(const GridModel& grid, const std::string& path,
                        const PublishSettings& publish, const PdfOptions& options, bool quiet) {
  const double width = 40 + grid.totalWidth();
  const double height = width > g_pdfPageHeight ? width / 1.375 : width * 1.375;
  g_pdfPageHeight = height;
  const PdfLayout layout = LayoutFor(grid, width, height);
  const std::vector<EmbeddedJpeg> images = LoadJpegs(options.jpegPictures);

  PdfBuilder pdf;
  WriteDocumentObjects(pdf, grid, publish, options, layout, images);
  // Pages are numbered after the images, three objects each (page, contents, length).
  const int firstPage = kFirstImage + static_cast<int>(images.size()) + 1;
  const int pages = (std::max(1, grid.rowCount()) + layout.rowsPerPage - 1) / layout.rowsPerPage;
  std::string kids = "  [";
  for (int p = 0; p < pages; ++p) {
    const int obj = firstPage + 3 * p;
    WritePage(pdf, obj, PageContent(grid, publish, layout, p, p == pages - 1, images));
    kids += " " + std::to_string(obj) + " 0 R";
  }
  pdf.begin(kPageCount);
  pdf.line("  " + std::to_string(pages));
  pdf.endObject();
  pdf.begin(kKids);
  pdf.line(kids + " ]");
  pdf.endObject();
  pdf.finish(kCatalog, kInfo);

  ExportOutcome out;
  out.written = pdf.file().save(path, quiet);
  out.lines = pdf.file().lines();
  return out;
}

}  // namespace liga::reports
