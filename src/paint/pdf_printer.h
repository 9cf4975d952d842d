// Print jobs into a PDF file through QPdfWriter: A4, the whole page printable, 1200 units
// per inch, each job's name as the document title.
#pragma once

#include <QPdfWriter>
#include <memory>
#include <string>

#include "paint/painter_surface.h"

namespace liga::paint {

// Every job goes to `path`; with `combine` set all jobs of this printer go into that one
// file, one after the other, each starting on a new page, and the file is finished by
// finishAll (or the destructor). Without it each job rewrites the file.
class PdfReportPrinter : public PagedReportPrinter {
 public:
  explicit PdfReportPrinter(std::string path, bool combine = false);
  ~PdfReportPrinter() override;

  std::string description() const override;

 protected:
  QPagedPaintDevice* openDevice(const std::string& documentName) override;
  double deviceResolution() const override;
  void closeDevice() override;

 private:
  std::string m_path;
  std::unique_ptr<QPdfWriter> m_writer;
};

}  // namespace liga::paint
