#include "reports/grid.h"

#include <cmath>

namespace liga::reports {

GridModel::GridModel(std::string title, double fontSize, int percent)
    : m_title(std::move(title)), m_fontSize(fontSize), m_percent(percent > 0 ? percent : 100) {}

double GridModel::measure(const std::string& stored) const {
  return static_cast<double>(stored.size()) * 0.6 * m_fontSize * m_percent / 100.0;
}

void GridModel::addCell(const std::string& text) {
  const std::string stored = " " + text + "   ";
  if (m_rows.size() <= static_cast<std::size_t>(m_y)) m_rows.resize(m_y + 1);
  auto& row = m_rows[m_y];
  if (row.size() <= static_cast<std::size_t>(m_x)) row.resize(m_x + 1);
  row[m_x] = stored;
  if (m_widths.size() <= static_cast<std::size_t>(m_x))
    m_widths.resize(m_x + 1, kDefaultColumnWidth);
  const int need = static_cast<int>(std::ceil(measure(stored)));
  if (need > m_widths[m_x]) m_widths[m_x] = need;
  ++m_x;
}

void GridModel::endRow(const std::string& text) {
  if (!text.empty()) addCell(text);
  if (m_rows.size() <= static_cast<std::size_t>(m_y)) m_rows.resize(m_y + 1);
  ++m_y;
  m_x = 0;
}

int GridModel::rowCount() const {
  return static_cast<int>(m_rows.size());
}

const std::string& GridModel::cell(int column, int row) const {
  static const std::string empty;
  if (row < 0 || row >= rowCount() || column < 0) return empty;
  const auto& r = m_rows[row];
  return static_cast<std::size_t>(column) < r.size() ? r[column] : empty;
}

std::string GridModel::text(int column, int row) const {
  const std::string& s = cell(column, row);
  if (s.size() < 4) return {};
  return s.substr(1, s.size() - 4);
}

int GridModel::totalWidth() const {
  int sum = 0;
  for (int w : m_widths) sum += w;
  return sum;
}

GridModel JoinGrids(const std::vector<GridModel>& grids, const std::string& title) {
  if (grids.size() == 1 && title.empty()) return grids[0];
  GridModel out(!title.empty() ? title : grids.empty() ? std::string() : grids[0].title());
  for (std::size_t i = 0; i < grids.size(); ++i) {
    if (i) out.endRow("--");
    for (int r = 0; r < grids[i].rowCount(); ++r) {
      int last = grids[i].columnCount() - 1;
      while (last >= 0 && grids[i].cell(last, r).empty()) --last;
      for (int c = 0; c <= last; ++c) out.addCell(grids[i].text(c, r));
      out.endRow();
    }
  }
  return out;
}

}  // namespace liga::reports
