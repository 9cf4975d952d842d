// The grid of the report window: text cells filled row by row by the views, then shown,
// printed or exported. Row 0 is the heading row of the exports.
//
// Cells are stored as " " + text + "   ", as the window shows them. Column widths are in
// points of the grid font: a column is widened to hold its widest cell set in a
// fixed-pitch font of the grid's size (0.6 of the size per character), scaled by the
// configured percentage, so the PDF export's Courier text fits its columns.
#pragma once

#include <string>
#include <vector>

namespace liga::reports {

class GridModel {
 public:
  static constexpr int kDefaultColumnWidth = 64;

  explicit GridModel(std::string title = {}, double fontSize = 10, int percent = 100);

  void addCell(const std::string& text);
  // Adds `text` as a last cell when it is not empty, then moves to column 0 of the next row.
  void endRow(const std::string& text = {});

  const std::string& title() const { return m_title; }
  void setTitle(std::string t) { m_title = std::move(t); }
  double fontSize() const { return m_fontSize; }
  int columnCount() const { return static_cast<int>(m_widths.size()); }
  // Rows used: up to the row of the write position, including it when it holds a cell.
  int rowCount() const;
  // The stored cell ("" outside the used area).
  const std::string& cell(int column, int row) const;
  // The text as it was added (the padding taken off).
  std::string text(int column, int row) const;
  int columnWidth(int column) const { return m_widths.at(column); }
  int totalWidth() const;
  double measure(const std::string& stored) const;

 private:
  std::string m_title;
  double m_fontSize;
  int m_percent;
  std::vector<std::vector<std::string>> m_rows;
  std::vector<int> m_widths;
  int m_x = 0, m_y = 0;
};

// Several grids as one, each after a "--" row, under `title` (empty: the title of the
// first). The results view gives one grid per class; a file or a window shows them
// together.
GridModel JoinGrids(const std::vector<GridModel>& grids, const std::string& title = {});

}  // namespace liga::reports
