#include "gui/reports/qt_surface.h"

#include <QFileInfo>
#include <QPrinterInfo>

#include "common/encoding.h"
#include "common/save_pick.h"

namespace liga::gui {

QtReportPrinter::QtReportPrinter(std::string name)
    : PagedReportPrinter(false), m_name(std::move(name)) {}

QtReportPrinter::QtReportPrinter(QPrinter& external)
    : PagedReportPrinter(true),
      m_name(external.printerName().toStdString()),
      m_external(&external) {}

QtReportPrinter::~QtReportPrinter() {
  finishAll();
}

std::string QtReportPrinter::description() const {
  return Utf8ToCp1252(m_name.empty() ? std::string("standardskrivare") : m_name);
}

QPagedPaintDevice* QtReportPrinter::openDevice(const std::string& documentName) {
  if (m_external) {
    // Set up by the print dialog or the preview.
    m_external->setFullPage(true);
    return m_external;
  }
  m_owned = std::make_unique<QPrinter>(QPrinter::HighResolution);
  if (!m_name.empty()) m_owned->setPrinterName(QString::fromStdString(m_name));
  if (!m_owned->isValid()) {
    m_owned.reset();
    return nullptr;
  }
  m_owned->setDocName(QString::fromStdString(Cp1252ToUtf8(documentName)));
  m_owned->setPageSize(QPageSize(QPageSize::A4));
  m_owned->setFullPage(true);
  return m_owned.get();
}

double QtReportPrinter::deviceResolution() const {
  return m_external ? m_external->resolution() : m_owned ? m_owned->resolution() : 0;
}

void QtReportPrinter::closeDevice() {
  m_owned.reset();
}

void ReportPrintedFile(const QPrinter& printer) {
  if (printer.outputFormat() != QPrinter::PdfFormat) return;
  const QString file = printer.outputFileName();
  if (!file.isEmpty() && QFileInfo::exists(file)) ReportWritten(file.toStdString());
}

std::vector<std::string> AvailablePrinters() {
  std::vector<std::string> out;
  for (const QString& name : QPrinterInfo::availablePrinterNames())
    out.push_back(name.toStdString());
  return out;
}

}  // namespace liga::gui
