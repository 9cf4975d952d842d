// The grid report window `Tgridform`: the cells of a view in the string grid `estringgrid`,
// and the export group "htm", "xml/xslt", "skriv", "pdf", "jpg" with "stäng".
#pragma once

#include <QDialog>
#include <QImage>
#include <functional>
#include <optional>
#include <string>

#include "reports/grid.h"
#include "reports/report_settings.h"

class QLabel;
class QTableWidget;

namespace liga::gui {

// The grid drawn as a picture: a heading band for row 0, cell texts, and grid lines.
QImage RenderGrid(const reports::GridModel& grid);
// Writes RenderGrid as a JPEG file through libjpeg-turbo; false when it cannot be written.
bool ExportGridJpeg(const reports::GridModel& grid, const std::string& path, int quality = 90);

class Tgridform : public QDialog {
  Q_OBJECT
 public:
  Tgridform(reports::GridModel grid, reports::ReportSettings report,
            reports::PublishSettings publish, QWidget* parent = nullptr);

  const reports::GridModel& grid() const { return m_grid; }

  // The buttons' work, with the file already chosen (the buttons ask through the
  // user-interface port's save dialog "Spara fil som...").
  bool exportHtml(const std::string& path);
  bool exportXml(const std::string& path);
  bool exportPdf(const std::string& path);
  bool exportJpeg(const std::string& path);
  // Prints on the current printer of the report writer.
  bool print();

 private Q_SLOTS:
  void htmClick();
  void xmlClick();
  void skrivClick();
  void pdfClick();
  void jpgClick();

 private:
  std::optional<std::string> chooseFile(const char* filter, const char* extension);
  // Names the file on the window's status line and the main window's, when `ok`.
  void written(const std::string& path, bool ok);

  reports::GridModel m_grid;
  reports::ReportSettings m_report;
  reports::PublishSettings m_publish;
  QTableWidget* m_table;
  QLabel* m_status = nullptr;
};

// Shows a print preview of `job` (which prints through the current report printer) and
// prints it on the chosen printer when the user accepts.
void PreviewAndPrint(QWidget* parent, const std::function<void()>& job);

}  // namespace liga::gui
