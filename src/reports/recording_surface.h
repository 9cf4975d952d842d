// A surface that keeps every drawing operation, for layout tests and for the text form of
// a print job. Its fonts are fixed-pitch: a character is 0.6 of the font size wide, a line
// is the font size high with a descent of a fifth of it and no external leading, all at
// 72 device units per inch, so a test can compute positions by hand.
#pragma once

#include <string>
#include <vector>

#include "reports/surface.h"

namespace liga::reports {

struct DrawOp {
  enum Kind { Text, Line, Rect, Picture } kind;
  int page = 1;  // page of the document, from 1
  double x = 0, y = 0, x2 = 0, y2 = 0;
  std::string text;  // Text: the text; Picture: "WxH"
  FontSpec font;     // Text: the font it was drawn in
};

struct RecordedDocument {
  std::string name;
  int pages = 0;
  bool ended = false;
  std::vector<DrawOp> ops;

  std::vector<const DrawOp*> texts(int page = 0) const;  // page 0: every page
  // The texts of a page in drawing order, joined by "\n" when their y differs.
  std::string pageText(int page) const;
  // True when some text of the document contains `needle`.
  bool contains(const std::string& needle) const;
  int count(DrawOp::Kind kind) const;
};

class RecordingSurface : public DrawSurface {
 public:
  // A4 at 72 units per inch unless told otherwise.
  explicit RecordingSurface(RecordedDocument& doc, double width = 595, double height = 842)
      : m_doc(doc), m_width(width), m_height(height) {
    m_doc.pages = 1;
  }

  double pageWidth() const override { return m_width; }
  double pageHeight() const override { return m_height; }
  double resolution() const override { return 72; }
  void newPage() override { ++m_doc.pages; }
  void setFont(const FontSpec& font) override { m_font = font; }
  TextMetrics metrics() const override;
  double textWidth(const std::string& text) const override;
  void drawText(double x, double y, const std::string& text) override;
  void drawLine(double x1, double y1, double x2, double y2) override;
  void drawRect(double x, double y, double w, double h) override;
  void drawPicture(double x, double y, double w, double h,
                   const liga::reports::Picture& p) override;

 private:
  RecordedDocument& m_doc;
  double m_width, m_height;
  FontSpec m_font;
};

// A printer whose every job is recorded as a document of its own.
class RecordingPrinter : public ReportPrinter {
 public:
  std::vector<RecordedDocument> documents;
  double width = 595, height = 842;
  bool refuse = false;  // begin fails, as a printer that cannot be selected does

  std::string description() const override { return "testskrivare"; }
  DrawSurface* begin(const std::string& documentName) override;
  void end() override;

 private:
  std::unique_ptr<RecordingSurface> m_surface;
};

}  // namespace liga::reports
