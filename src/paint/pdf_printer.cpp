#include "paint/pdf_printer.h"

#include <QPageLayout>
#include <QPageSize>

#include "common/encoding.h"

namespace liga::paint {
namespace {

constexpr int kPdfResolution = 1200;

}  // namespace

PdfReportPrinter::PdfReportPrinter(std::string path, bool combine)
    : PagedReportPrinter(combine), m_path(std::move(path)) {}

PdfReportPrinter::~PdfReportPrinter() {
  finishAll();
}

std::string PdfReportPrinter::description() const {
  return Utf8ToCp1252("PDF-fil: " + m_path);
}

QPagedPaintDevice* PdfReportPrinter::openDevice(const std::string& documentName) {
  m_writer = std::make_unique<QPdfWriter>(QString::fromStdString(m_path));
  m_writer->setResolution(kPdfResolution);
  m_writer->setTitle(QString::fromStdString(Cp1252ToUtf8(documentName)));
  m_writer->setPageLayout(
      QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
  return m_writer.get();
}

double PdfReportPrinter::deviceResolution() const {
  return m_writer ? m_writer->resolution() : kPdfResolution;
}

void PdfReportPrinter::closeDevice() {
  m_writer.reset();
}

}  // namespace liga::paint
