#include "reports/recording_surface.h"

#include <algorithm>

namespace liga::reports {
namespace {
ReportPrinter* g_printer = nullptr;
}

ReportPrinter* CurrentPrinter() {
  return g_printer;
}

ReportPrinter* SetPrinter(ReportPrinter* printer) {
  ReportPrinter* old = g_printer;
  g_printer = printer;
  return old;
}

std::vector<const DrawOp*> RecordedDocument::texts(int page) const {
  std::vector<const DrawOp*> out;
  for (const DrawOp& op : ops)
    if (op.kind == DrawOp::Text && (page == 0 || op.page == page)) out.push_back(&op);
  return out;
}

std::string RecordedDocument::pageText(int page) const {
  std::string out;
  double lastY = -1;
  for (const DrawOp* op : texts(page)) {
    if (lastY >= 0 && op->y != lastY) out += "\n";
    out += op->text;
    lastY = op->y;
  }
  return out;
}

bool RecordedDocument::contains(const std::string& needle) const {
  return std::any_of(ops.begin(), ops.end(), [&](const DrawOp& op) {
    return op.kind == DrawOp::Text && op.text.find(needle) != std::string::npos;
  });
}

int RecordedDocument::count(DrawOp::Kind kind) const {
  return static_cast<int>(
      std::count_if(ops.begin(), ops.end(), [&](const DrawOp& op) { return op.kind == kind; }));
}

TextMetrics RecordingSurface::metrics() const {
  TextMetrics m;
  m.avgCharWidth = m_font.size * 0.6;
  m.height = m_font.size;
  m.externalLeading = 0;
  m.descent = m_font.size / 5;
  return m;
}

double RecordingSurface::textWidth(const std::string& text) const {
  return static_cast<double>(text.size()) * m_font.size * 0.6;
}

void RecordingSurface::drawText(double x, double y, const std::string& text) {
  m_doc.ops.push_back({DrawOp::Text, m_doc.pages, x, y, x + textWidth(text), y, text, m_font});
}

void RecordingSurface::drawLine(double x1, double y1, double x2, double y2) {
  m_doc.ops.push_back({DrawOp::Line, m_doc.pages, x1, y1, x2, y2, {}, {}});
}

void RecordingSurface::drawRect(double x, double y, double w, double h) {
  m_doc.ops.push_back({DrawOp::Rect, m_doc.pages, x, y, x + w, y + h, {}, {}});
}

void RecordingSurface::drawPicture(double x, double y, double w, double h,
                                   const liga::reports::Picture& p) {
  m_doc.ops.push_back({DrawOp::Picture,
                       m_doc.pages,
                       x,
                       y,
                       x + w,
                       y + h,
                       std::to_string(p.width) + "x" + std::to_string(p.height),
                       {}});
}

DrawSurface* RecordingPrinter::begin(const std::string& documentName) {
  if (refuse) return nullptr;
  documents.push_back({});
  documents.back().name = documentName;
  m_surface = std::make_unique<RecordingSurface>(documents.back(), width, height);
  return m_surface.get();
}

void RecordingPrinter::end() {
  if (!documents.empty()) documents.back().ended = true;
  m_surface.reset();
}

}  // namespace liga::reports
