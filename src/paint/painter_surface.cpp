#include "paint/painter_surface.h"

#include <QImage>
#include <algorithm>
#include <cstring>

#include "common/encoding.h"
#include "reports/picture.h"

namespace liga::paint {
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
  QFont font(toQt(f.name));
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
  return fontMetrics().horizontalAdvance(toQt(text));
}

void PainterSurface::drawText(double x, double y, const std::string& text) {
  m_painter.drawText(QPointF(x, y + fontMetrics().ascent()), toQt(text));
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

reports::DrawSurface* PagedReportPrinter::begin(const std::string& documentName) {
  if (m_combine && m_painter) {
    m_device->newPage();
    ++m_jobs;
    return m_surface.get();
  }
  m_device = openDevice(documentName);
  if (!m_device) return nullptr;
  m_painter = std::make_unique<QPainter>();
  if (!m_painter->begin(m_device)) {
    m_painter.reset();
    closeDevice();
    m_device = nullptr;
    return nullptr;
  }
  const double dpi = deviceResolution();
  const QRect page = m_device->pageLayout().fullRectPixels(static_cast<int>(dpi));
  m_surface =
      std::make_unique<PainterSurface>(*m_painter, m_device, page.width(), page.height(), dpi);
  ++m_jobs;
  return m_surface.get();
}

void PagedReportPrinter::end() {
  if (m_combine) return;
  finishAll();
}

void PagedReportPrinter::finishAll() {
  m_surface.reset();
  if (m_painter) m_painter->end();
  m_painter.reset();
  if (m_device) {
    closeDevice();
    m_device = nullptr;
  }
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

}  // namespace liga::paint
