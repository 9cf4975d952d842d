#include "gui/reports/grid_form.h"

#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "common/encoding.h"
#include "common/file_replace.h"
#include "common/messages.h"
#include "common/save_pick.h"
#include "common/ui_port.h"
#include "gui/reports/qt_surface.h"
#include "reports/grid_export.h"
#include "reports/grid_print.h"
#include "reports/picture.h"

namespace liga::gui {
namespace {

QString toQt(const std::string& cp1252) {
  return QString::fromStdString(Cp1252ToUtf8(cp1252));
}

}  // namespace

QImage RenderGrid(const reports::GridModel& grid) {
  QFont font("DejaVu Sans Mono");
  font.setPixelSize(static_cast<int>(grid.fontSize() * 1.3));
  const QFontMetrics fm(font);
  const int rowHeight = fm.height() + 4;
  std::vector<int> widths(grid.columnCount(), 0);
  for (int c = 0; c < grid.columnCount(); ++c) {
    widths[c] = grid.columnWidth(c);
    for (int r = 0; r < grid.rowCount(); ++r)
      widths[c] = std::max(widths[c], fm.horizontalAdvance(toQt(grid.cell(c, r))) + 4);
  }
  int width = 1;
  for (int w : widths) width += w;
  const int titleHeight = rowHeight + 8;
  const int height = titleHeight + std::max(1, grid.rowCount()) * rowHeight + 1;
  QImage image(std::max(width, fm.horizontalAdvance(toQt(grid.title())) + 8), height,
               QImage::Format_RGB888);
  image.fill(Qt::white);
  QPainter p(&image);
  p.setFont(font);
  p.setPen(Qt::black);
  p.drawText(QRect(4, 0, image.width() - 8, titleHeight), Qt::AlignVCenter | Qt::AlignLeft,
             toQt(grid.title()));
  int y = titleHeight;
  for (int r = 0; r < grid.rowCount(); ++r) {
    int x = 0;
    if (r == 0) p.fillRect(QRect(0, y, width, rowHeight), QColor(0x70, 0x70, 0x70));
    p.setPen(r == 0 ? Qt::white : Qt::black);
    for (int c = 0; c < grid.columnCount(); ++c) {
      p.drawText(QRect(x + 2, y, widths[c] - 4, rowHeight), Qt::AlignVCenter | Qt::AlignLeft,
                 toQt(grid.cell(c, r)));
      x += widths[c];
    }
    p.setPen(QColor(0xc0, 0xc0, 0xc0));
    p.drawLine(0, y + rowHeight, width, y + rowHeight);
    y += rowHeight;
  }
  int x = 0;
  for (int w : widths) {
    p.drawLine(x, titleHeight, x, y);
    x += w;
  }
  p.drawLine(x, titleHeight, x, y);
  return image;
}

bool ExportGridJpeg(const reports::GridModel& grid, const std::string& path, int quality) {
  const QImage image = RenderGrid(grid).convertToFormat(QImage::Format_RGB888);
  reports::Picture picture;
  picture.width = image.width();
  picture.height = image.height();
  picture.rgb.resize(std::size_t(picture.width) * picture.height * 3);
  for (int y = 0; y < picture.height; ++y)
    std::memcpy(picture.rgb.data() + std::size_t(y) * picture.width * 3, image.constScanLine(y),
                std::size_t(picture.width) * 3);
  const std::vector<std::uint8_t> bytes = reports::EncodeJpeg(picture, quality);
  const bool ok = !bytes.empty() &&
                  ReplaceFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()),
                                                     bytes.size()));
  if (!ok) {
    ShowMessage(400, W("Kan ej öppna/skapa ixportfilen \"") + path + "\"");
    return false;
  }
  return true;
}

Tgridform::Tgridform(reports::GridModel grid, reports::ReportSettings report,
                     reports::PublishSettings publish, QWidget* parent)
    : QDialog(parent),
      m_grid(std::move(grid)),
      m_report(std::move(report)),
      m_publish(std::move(publish)) {
  setObjectName("Tgridform");
  setWindowTitle(toQt(m_grid.title()));
  auto* layout = new QVBoxLayout(this);
  m_table = new QTableWidget(m_grid.rowCount(), m_grid.columnCount(), this);
  m_table->setObjectName("estringgrid");
  m_table->horizontalHeader()->hide();
  m_table->verticalHeader()->hide();
  m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  for (int r = 0; r < m_grid.rowCount(); ++r)
    for (int c = 0; c < m_grid.columnCount(); ++c)
      if (!m_grid.cell(c, r).empty())
        m_table->setItem(r, c, new QTableWidgetItem(toQt(m_grid.cell(c, r))));
  m_table->resizeColumnsToContents();
  layout->addWidget(m_table);
  auto* group = new QGroupBox("export", this);
  group->setObjectName("export");
  auto* buttons = new QHBoxLayout(group);
  auto add = [&](const char* name, const char* text, void (Tgridform::*slot)()) {
    auto* b = new QPushButton(QString::fromUtf8(text), group);
    b->setObjectName(name);
    connect(b, &QPushButton::clicked, this, slot);
    buttons->addWidget(b);
    return b;
  };
  add("htm", "htm", &Tgridform::htmClick)
      ->setToolTip(QString::fromUtf8("exportera till htm-fil för publicering på weben"));
  add("xml", "xml/xslt", &Tgridform::xmlClick);
  add("skriv", "skriv", &Tgridform::skrivClick);
  add("pdf", "pdf", &Tgridform::pdfClick);
  add("jpg", "jpg", &Tgridform::jpgClick);
  auto* close = new QPushButton(QString::fromUtf8("stäng"), this);
  close->setObjectName("stang");
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addStretch();
  buttons->addWidget(close);
  layout->addWidget(group);
  // What the last export wrote, by absolute path; the text wraps rather than being cut.
  m_status = new QLabel(this);
  m_status->setObjectName(QStringLiteral("status"));
  m_status->setWordWrap(true);
  m_status->setTextInteractionFlags(Qt::TextSelectableByMouse);
  layout->addWidget(m_status);
  resize(900, 600);
}

std::optional<std::string> Tgridform::chooseFile(const char* filter, const char* extension) {
  return PickSaveFile("Spara fil som...", "", filter, extension);
}

void Tgridform::written(const std::string& path, bool ok) {
  if (!ok) return;
  ReportWritten(path);
  m_status->setText(QString::fromStdString(WrittenText(path)));
}

bool Tgridform::exportHtml(const std::string& path) {
  return reports::ExportHtml(m_grid, path, m_publish).written;
}
bool Tgridform::exportXml(const std::string& path) {
  return reports::ExportXml(m_grid, path, m_publish).written;
}
bool Tgridform::exportPdf(const std::string& path) {
  reports::PdfOptions options;
  for (const auto& p : m_report.pictures)
    if (p.on && reports::IsJpegPath(p.path)) options.jpegPictures.push_back(p.path);
  return reports::ExportPdf(m_grid, path, m_publish, options).written;
}
bool Tgridform::exportJpeg(const std::string& path) {
  return ExportGridJpeg(m_grid, path);
}
bool Tgridform::print() {
  return reports::PrintGrid(m_grid, m_report);
}

void Tgridform::htmClick() {
  if (auto f = chooseFile("*.htm *.html", ".htm")) written(*f, exportHtml(*f));
}
void Tgridform::xmlClick() {
  if (auto f = chooseFile("*.xml", ".xml")) written(*f, exportXml(*f));
}
void Tgridform::pdfClick() {
  if (auto f = chooseFile("*.pdf", ".pdf")) written(*f, exportPdf(*f));
}
void Tgridform::jpgClick() {
  if (auto f = chooseFile("*.jpg *.jpeg", ".jpg")) written(*f, exportJpeg(*f));
}
void Tgridform::skrivClick() {
  PreviewAndPrint(this, [this] { print(); });
}

void PreviewAndPrint(QWidget* parent, const std::function<void()>& job) {
  QPrinter printer(QPrinter::HighResolution);
  printer.setPageSize(QPageSize(QPageSize::A4));
  QPrintPreviewDialog dialog(&printer, parent);
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, [&](QPrinter* target) {
    QtReportPrinter onTarget(*target);
    reports::ScopedPrinter scoped(onTarget);
    job();
    onTarget.finishAll();
  });
  dialog.exec();
  ReportPrintedFile(printer);
}

}  // namespace liga::gui
