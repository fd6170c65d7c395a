#include "merge/grid_table.h"

#include <stdexcept>

namespace quillory::merge {

std::size_t GridTable::index(int col, int row) const {
    if (col < 0 || row < 0 || col >= m_cols || row >= m_rows)
        throw std::out_of_range("grid cell (" + std::to_string(col) + ", " + std::to_string(row) + ") outside the table");
    return static_cast<std::size_t>(row) * static_cast<std::size_t>(m_cols) + static_cast<std::size_t>(col);
}

void GridTable::resize(int cols, int rows) {
    cols = cols < 1 ? 1 : cols;
    rows = rows < 1 ? 1 : rows;
    if (cols == m_cols) {
        m_cells.resize(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
        m_rows = rows;
        return;
    }
    Cells cells(static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows));
    const int keepCols = cols < m_cols ? cols : m_cols;
    const int keepRows = rows < m_rows ? rows : m_rows;
    for (int r = 0; r < keepRows; ++r)
        for (int c = 0; c < keepCols; ++c)
            cells[static_cast<std::size_t>(r) * cols + c] = std::move(m_cells[index(c, r)]);
    m_cells = std::move(cells);
    m_cols = cols;
    m_rows = rows;
}

void GridTable::clear() {
    m_cells.assign(1, std::string());
    m_cols = 1;
    m_rows = 1;
}

bool GridTable::removeRow(int row) {
    if (m_rows <= 1 || row < 0 || row >= m_rows) return false;
    const auto first = m_cells.begin() + static_cast<std::ptrdiff_t>(index(0, row));
    m_cells.erase(first, first + m_cols);
    --m_rows;
    return true;
}

bool GridTable::removeColumn(int col) {
    if (m_cols <= 1 || col < 0 || col >= m_cols) return false;
    Cells cells;
    cells.reserve(static_cast<std::size_t>(m_cols - 1) * m_rows);
    for (int r = 0; r < m_rows; ++r)
        for (int c = 0; c < m_cols; ++c)
            if (c != col) cells.push_back(std::move(m_cells[index(c, r)]));
    m_cells = std::move(cells);
    --m_cols;
    return true;
}

void GridTable::assignRows(std::vector<std::vector<std::string>>&& rows) {
    std::size_t cols = 1;
    for (const auto& r : rows) cols = r.size() > cols ? r.size() : cols;
    const std::size_t nrows = rows.empty() ? 1 : rows.size();
    Cells cells(cols * nrows);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (std::size_t c = 0; c < rows[r].size(); ++c) cells[r * cols + c] = std::move(rows[r][c]);
    m_cells = std::move(cells);
    m_cols = static_cast<int>(cols);
    m_rows = static_cast<int>(nrows);
}

std::span<const std::string> GridTable::rowCells(int row, int firstCol) const {
    if (firstCol >= m_cols) return {};
    return {m_cells.data() + index(firstCol, row), static_cast<std::size_t>(m_cols - firstCol)};
}

std::span<std::string> GridTable::rowCellsRef(int row) {
    return {m_cells.data() + index(0, row), static_cast<std::size_t>(m_cols)};
}

void GridTable::reset(int cols, int rows) {
    cols = cols < 1 ? 1 : cols;
    rows = rows < 1 ? 1 : rows;
    const std::size_t n = static_cast<std::size_t>(cols) * static_cast<std::size_t>(rows);
    // One large grid read after another must not pin the larger one's memory for good.
    if (m_cells.capacity() / 2 > n) {
        m_cells = Cells(n);
    } else {
        if (m_cells.size() > n) m_cells.resize(n);
        for (std::string& cell : m_cells) cell.clear();
        m_cells.resize(n);
    }
    m_cols = cols;
    m_rows = rows;
}

void GridTable::keepOnly(std::span<const int> cols, std::span<const int> rows) {
    auto valid = [](std::span<const int> kept, int limit) {
        if (kept.empty() || kept.front() < 0 || kept.back() >= limit) return false;
        for (std::size_t i = 1; i < kept.size(); ++i)
            if (kept[i] <= kept[i - 1]) return false;
        return true;
    };
    if (!valid(cols, m_cols) || !valid(rows, m_rows)) throw std::out_of_range("grid rows or columns to keep");
    // Every kept cell moves to an index no greater than its own, so a forward pass never
    // overwrites a cell it still needs.
    std::size_t to = 0;
    for (const int r : rows) {
        const std::size_t rowStart = static_cast<std::size_t>(r) * static_cast<std::size_t>(m_cols);
        for (const int c : cols) {
            const std::size_t from = rowStart + static_cast<std::size_t>(c);
            if (from != to) m_cells[to] = std::move(m_cells[from]);
            ++to;
        }
    }
    m_cells.resize(to);
    m_cols = static_cast<int>(cols.size());
    m_rows = static_cast<int>(rows.size());
}

} // namespace quillory::merge
