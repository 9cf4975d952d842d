// The drawing surface the report writer prints on, and the printer that hands one out.
//
// A surface is one open document: pages, text in a chosen font with its metrics, lines,
// rectangles and pictures. Coordinates are device units from the page's top-left corner;
// a text is drawn with the top of its line at y. Texts are code page 1252 bytes; a surface
// that draws with another encoding converts them itself.
//
// The desktop program implements surfaces with QPainter on a QPrinter (a CUPS printer or a
// PDF file), the tests with RecordingSurface, which keeps every operation.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace liga::reports {

struct FontSpec {
  std::string name;  // family name
  double size = 10;  // points
  bool bold = false;
  bool italic = false;
  std::uint32_t colour = 0;  // 0xRRGGBB
};

struct TextMetrics {
  double avgCharWidth = 0;
  double height = 0;  // ascent + descent
  double externalLeading = 0;
  double descent = 0;
};

// A decoded picture: 8-bit RGB rows, top row first.
struct Picture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // width * height * 3 bytes
  bool valid() const {
    return width > 0 && height > 0 && rgb.size() >= std::size_t(width) * height * 3;
  }
};

class DrawSurface {
 public:
  virtual ~DrawSurface() = default;

  virtual double pageWidth() const = 0;
  virtual double pageHeight() const = 0;
  // Device units per inch, for converting the configured margins.
  virtual double resolution() const = 0;

  virtual void newPage() = 0;
  virtual void setFont(const FontSpec& font) = 0;
  virtual TextMetrics metrics() const = 0;
  virtual double textWidth(const std::string& text) const = 0;
  virtual void drawText(double x, double y, const std::string& text) = 0;
  virtual void drawLine(double x1, double y1, double x2, double y2) = 0;
  virtual void drawRect(double x, double y, double w, double h) = 0;
  virtual void drawPicture(double x, double y, double w, double h, const Picture& picture) = 0;
};

// Where print jobs go. `begin` opens a document named `documentName` and returns its
// surface, or nullptr when the printer cannot be used; `end` finishes the document the
// last `begin` opened (the surface is invalid afterwards).
class ReportPrinter {
 public:
  virtual ~ReportPrinter() = default;
  virtual std::string description() const = 0;
  virtual DrawSurface* begin(const std::string& documentName) = 0;
  virtual void end() = 0;
};

// The printer reports print on. nullptr (the default) means that no printer is installed,
// and every print job refuses to open.
ReportPrinter* CurrentPrinter();
// Installs `printer` (not owned); returns the previous one.
ReportPrinter* SetPrinter(ReportPrinter* printer);

class ScopedPrinter {
 public:
  explicit ScopedPrinter(ReportPrinter& p) : m_previous(SetPrinter(&p)) {}
  ~ScopedPrinter() { SetPrinter(m_previous); }
  ScopedPrinter(const ScopedPrinter&) = delete;
  ScopedPrinter& operator=(const ScopedPrinter&) = delete;

 private:
  ReportPrinter* m_previous;
};

}  // namespace liga::reports
