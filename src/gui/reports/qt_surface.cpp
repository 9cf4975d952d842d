#include "gui/reports/qt_surface.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPrinterInfo>
#include <cstring>

#include "common/encoding.h"
#include "common/save_pick.h"
#include "reports/picture.h"

namespace liga::gui {
namespace {

QString toQt(const std::string& cp1252) {
  return QString::fromStdString(Cp1252ToUtf8(cp1252));
}

}  // namespace

PainterSurface::PainterSurface(QPainter& painter, QPagedPaintDevice* device, double width,
                               double height, double dpi)
    : m_painter(painter), m_device(device), m_width(width), m_height(height), m_dpi(dpi) {
  m_painter.setPen(QPen(Qt::black, std::max(1.0, dpi / 150)));
}

void PainterSurface::newPage() {
  if (m_device) m_device->newPage();
}

void PainterSurface::setFont(const reports::FontSpec& f) {
  QFont font(QString::fromStdString(Cp1252ToUtf8(f.name)));
  font.setPointSizeF(std::max(1.0, f.size));
  font.setBold(f.bold);
  font.setItalic(f.italic);
  m_font = font;
  m_painter.setFont(m_font);
  m_metrics = std::make_unique<QFontMetricsF>(m_painter.font(), m_painter.device());
  QPen pen = m_painter.pen();
  pen.setColor(QColor::fromRgb(f.colour));
  m_painter.setPen(pen);
}

reports::TextMetrics PainterSurface::metrics() const {
  const QFontMetricsF& fm = fontMetrics();
  reports::TextMetrics m;
  m.avgCharWidth = fm.averageCharWidth();
  m.height = fm.height();
  m.externalLeading = fm.leading();
  m.descent = fm.descent();
  return m;
}

const QFontMetricsF& PainterSurface::fontMetrics() const {
  if (!m_metrics) m_metrics = std::make_unique<QFontMetricsF>(m_painter.font(), m_painter.device());
  return *m_metrics;
}

double PainterSurface::textWidth(const std::string& text) const {
  const QFontMetricsF& fm = fontMetrics();
  return fm.horizontalAdvance(toQt(text));
}

void PainterSurface::drawText(double x, double y, const std::string& text) {
  const QFontMetricsF& fm = fontMetrics();
  m_painter.drawText(QPointF(x, y + fm.ascent()), toQt(text));
}

void PainterSurface::drawLine(double x1, double y1, double x2, double y2) {
  m_painter.drawLine(QPointF(x1, y1), QPointF(x2, y2));
}

void PainterSurface::drawRect(double x, double y, double w, double h) {
  m_painter.drawRect(QRectF(x, y, w, h));
}

void PainterSurface::drawPicture(double x, double y, double w, double h,
                                 const reports::Picture& p) {
  if (!p.valid()) return;
  QImage image(p.rgb.data(), p.width, p.height, p.width * 3, QImage::Format_RGB888);
  m_painter.drawImage(QRectF(x, y, w, h), image);
}

QtReportPrinter::QtReportPrinter(Mode mode, std::string target, bool combine)
    : m_mode(mode), m_target(std::move(target)), m_combine(combine) {}

QtReportPrinter::QtReportPrinter(QPrinter& external)
    : m_mode(Mode::Printer),
      m_target(external.printerName().toStdString()),
      m_combine(true),
      m_printer(&external) {}

QtReportPrinter::~QtReportPrinter() {
  finishAll();
}

std::string QtReportPrinter::description() const {
  return Utf8ToCp1252(m_mode == Mode::Pdf
                          ? "PDF-fil: " + m_target
                          : (m_target.empty() ? std::string("standardskrivare") : m_target));
}

reports::DrawSurface* QtReportPrinter::begin(const std::string& documentName) {
  if (m_combine && m_painter) {
    m_printer->newPage();
    ++m_jobs;
    return m_surface.get();
  }
  const bool external = m_printer && !m_owned;
  if (!external) {
    m_owned = std::make_unique<QPrinter>(QPrinter::HighResolution);
    m_printer = m_owned.get();
  }
  if (external) {
    // Set up by the preview dialog.
  } else if (m_mode == Mode::Pdf) {
    m_printer->setOutputFormat(QPrinter::PdfFormat);
    m_printer->setOutputFileName(QString::fromStdString(m_target));
  } else {
    if (!m_target.empty()) m_printer->setPrinterName(QString::fromStdString(m_target));
    if (!m_printer->isValid()) {
      m_owned.reset();
      m_printer = nullptr;
      return nullptr;
    }
  }
  if (!external) {
    m_printer->setDocName(toQt(documentName));
    m_printer->setPageSize(QPageSize(QPageSize::A4));
  }
  m_printer->setFullPage(true);
  m_painter = std::make_unique<QPainter>();
  if (!m_painter->begin(m_printer)) {
    m_painter.reset();
    if (!external) {
      m_owned.reset();
      m_printer = nullptr;
    }
    return nullptr;
  }
  const QRect page = m_printer->pageLayout().fullRectPixels(m_printer->resolution());
  m_surface = std::make_unique<PainterSurface>(*m_painter, m_printer, page.width(), page.height(),
                                               m_printer->resolution());
  ++m_jobs;
  return m_surface.get();
}

void QtReportPrinter::end() {
  if (m_combine) return;
  finishAll();
}

void QtReportPrinter::finishAll() {
  m_surface.reset();
  if (m_painter) m_painter->end();
  m_painter.reset();
  if (m_owned) {
    m_owned.reset();
    m_printer = nullptr;
  }
}

void ReportPrintedFile(const QPrinter& printer) {
  if (printer.outputFormat() != QPrinter::PdfFormat) return;
  const QString file = printer.outputFileName();
  if (!file.isEmpty() && QFileInfo::exists(file)) ReportWritten(file.toStdString());
}

void InstallQtPictureLoader() {
  reports::SetPictureLoader([](const std::string& path) -> std::optional<reports::Picture> {
    QImage image;
    if (!image.load(QString::fromStdString(path))) return std::nullopt;
    image = image.convertToFormat(QImage::Format_RGB888);
    reports::Picture p;
    p.width = image.width();
    p.height = image.height();
    p.rgb.resize(std::size_t(p.width) * p.height * 3);
    for (int y = 0; y < p.height; ++y)
      std::memcpy(p.rgb.data() + std::size_t(y) * p.width * 3, image.constScanLine(y),
                  std::size_t(p.width) * 3);
    return p;
  });
}

std::vector<std::string> AvailablePrinters() {
  std::vector<std::string> out;
  for (const QString& name : QPrinterInfo::availablePrinterNames())
    out.push_back(name.toStdString());
  return out;
}

}  // namespace liga::gui
