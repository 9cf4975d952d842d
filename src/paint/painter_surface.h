// The report writer's surface on a QPainter, and the print target that paints its jobs on
// a paged device (a PDF file here, a printer in the desktop program).
//
// Texts arrive in code page 1252 and are converted to Unicode here. Device units are the
// device's pixels; text is drawn with the top of its line at y.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QPagedPaintDevice>
#include <QPainter>
#include <memory>
#include <string>

#include "reports/surface.h"

namespace liga::paint {

class PainterSurface : public reports::DrawSurface {
 public:
  // `painter` is active on a device of `width` x `height` units at `dpi` units per inch;
  // `device` (may be null) is the one that starts new pages.
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

// A print target that paints each job on a paged device the derived class opens. The page
// is the device's whole page. With `combine` set, all jobs go onto one device, one after
// the other, each starting on a new page, until finishAll.
//
// REQUIRES: a derived class calls finishAll() in its destructor (the device it closes is
// its own).
class PagedReportPrinter : public reports::ReportPrinter {
 public:
  reports::DrawSurface* begin(const std::string& documentName) override;
  void end() override;
  // Ends the painting and closes the device; a later job opens a new one.
  void finishAll();
  // Jobs begun so far.
  int jobs() const { return m_jobs; }

 protected:
  explicit PagedReportPrinter(bool combine) : m_combine(combine) {}
  // The device for a job named `documentName`, set up to print; nullptr when there is none.
  virtual QPagedPaintDevice* openDevice(const std::string& documentName) = 0;
  // The open device's units per inch.
  virtual double deviceResolution() const = 0;
  // Called once the painter has ended on the device openDevice returned.
  virtual void closeDevice() = 0;

 private:
  bool m_combine;
  QPagedPaintDevice* m_device = nullptr;
  std::unique_ptr<QPainter> m_painter;
  std::unique_ptr<PainterSurface> m_surface;
  int m_jobs = 0;
};

// Installs a loader for pictures other than JPEG (PNG, BMP, ...), through QImage.
void InstallQtPictureLoader();

}  // namespace liga::paint
