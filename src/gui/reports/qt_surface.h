// The report writer's surface on a QPainter, and the printers reports print on: a CUPS
// printer or a PDF file, both through one QPrinter.
//
// Texts arrive in code page 1252 and are converted to Unicode here. Device units are the
// printer's pixels; text is drawn with the top of its line at y.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPainter>
#include <QPrinter>
#include <memory>
#include <string>

#include "reports/surface.h"

namespace liga::gui {

class PainterSurface : public reports::DrawSurface {
 public:
  // `painter` is active on a device of `width` x `height` units at `dpi` units per inch.
  PainterSurface(QPainter& painter, QPagedPaintDevice* device, double width, double height,
                 double dpi);

  double pageWidth() const override { return m_width; }
  double pageHeight() const override { return m_height; }
  double resolution() const override { return m_dpi; }
  void newPage() override;
  void setFont(const reports::FontSpec& font) override;
  reports::TextMetrics metrics() const override;
  double textWidth(const std::string& text) const override;
  void drawText(double x, double y, const std::string& text) override;
  void drawLine(double x1, double y1, double x2, double y2) override;
  void drawRect(double x, double y, double w, double h) override;
  void drawPicture(double x, double y, double w, double h, const reports::Picture& p) override;

 private:
  QPainter& m_painter;
  QPagedPaintDevice* m_device;
  double m_width, m_height, m_dpi;
  const QFontMetricsF& fontMetrics() const;

  QFont m_font;
  mutable std::unique_ptr<QFontMetricsF> m_metrics;  // of m_font on the device
};

// A printer for print jobs. In PDF mode every job goes to `pdfPath`; with `combine` set all
// jobs of this printer go into that one file, one after the other, each starting on a new
// page, and the file is finished by `finishAll` (or the destructor).
class QtReportPrinter : public reports::ReportPrinter {
 public:
  enum class Mode { Pdf, Printer };
  QtReportPrinter(Mode mode, std::string target, bool combine = false);
  // Prints on a printer set up elsewhere (the print preview's); every job goes into it,
  // one after the other, until finishAll.
  explicit QtReportPrinter(QPrinter& external);
  ~QtReportPrinter() override;

  std::string description() const override;
  reports::DrawSurface* begin(const std::string& documentName) override;
  void end() override;
  void finishAll();

  QPrinter* printer() { return m_printer; }
  int jobs() const { return m_jobs; }

 private:
  Mode m_mode;
  std::string m_target;
  bool m_combine;
  std::unique_ptr<QPrinter> m_owned;
  QPrinter* m_printer = nullptr;
  std::unique_ptr<QPainter> m_painter;
  std::unique_ptr<PainterSurface> m_surface;
  int m_jobs = 0;
};

// Installs a loader for pictures other than JPEG (PNG, BMP, ...), through QImage.
void InstallQtPictureLoader();

// After a print dialog: when `printer` printed to a PDF file, the status line names it.
void ReportPrintedFile(const QPrinter& printer);

// The printer names CUPS offers, and whether one is installed.
std::vector<std::string> AvailablePrinters();

}  // namespace liga::gui
