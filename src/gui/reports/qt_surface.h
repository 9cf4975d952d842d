// The printers the desktop program's reports print on: a CUPS printer, or the printer the
// print dialog or preview set up (which may be "print to PDF file"), both through QPrinter
// and painted on the report surface of paint/.
#pragma once

#include <QPrinter>
#include <memory>
#include <string>
#include <vector>

#include "paint/painter_surface.h"

namespace liga::gui {

class QtReportPrinter : public paint::PagedReportPrinter {
 public:
  // Prints each job on the CUPS printer `name` (empty: the default printer).
  explicit QtReportPrinter(std::string name);
  // Prints on a printer set up elsewhere (the print preview's); every job goes into it,
  // one after the other, until finishAll.
  explicit QtReportPrinter(QPrinter& external);
  ~QtReportPrinter() override;

  std::string description() const override;

 protected:
  QPagedPaintDevice* openDevice(const std::string& documentName) override;
  double deviceResolution() const override;
  void closeDevice() override;

 private:
  std::string m_name;
  QPrinter* m_external = nullptr;
  std::unique_ptr<QPrinter> m_owned;
};

// After a print dialog: when `printer` printed to a PDF file, the status line names it.
void ReportPrintedFile(const QPrinter& printer);

// The printer names CUPS offers, and whether one is installed.
std::vector<std::string> AvailablePrinters();

}  // namespace liga::gui
