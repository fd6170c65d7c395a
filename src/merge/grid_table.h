#pragma once
// A table of text cells addressed by (column, row), both from 0. It always has at least one
// column and one row; cells are stored row by row.

#include "text/large_block.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::merge {

class GridTable final {
public:
    GridTable() : m_cells(1) {}

    int columnCount() const { return m_cols; }
    int rowCount() const { return m_rows; }

    // Out-of-range reads and writes throw std::out_of_range: a caller bug, never user input.
    const std::string& cell(int col, int row) const { return m_cells[index(col, row)]; }
    void setCell(int col, int row, std::string text) { m_cells[index(col, row)] = std::move(text); }
    std::string& cellRef(int col, int row) { return m_cells[index(col, row)]; }

    // Resizes keeping the cells that stay inside; new cells are empty. Sizes below 1 are raised to 1.
    void resize(int cols, int rows);
    // Back to one empty cell.
    void clear();
    // Refused (returns false, table unchanged) when it is the last row or column.
    bool removeRow(int row);
    bool removeColumn(int col);

    // Replaces the whole table by ragged rows, as a reader produces them: the table gets as
    // many columns as the longest row, and short rows are padded with empty cells.
    void assignRows(std::vector<std::vector<std::string>>&& rows);

    // The cells of one row from column `firstCol` on; rows are stored contiguously.
    std::span<const std::string> rowCells(int row, int firstCol = 0) const;
    std::span<std::string> rowCellsRef(int row);

    // Makes the table cols x rows of empty cells (sizes below 1 are raised to 1). Unlike clear()
    // followed by resize(), the table keeps the storage it holds, the cells' text buffers
    // included, so refilling it with a grid of similar size hardly allocates. Storage far
    // larger than the new size is given back.
    void reset(int cols, int rows);
    // Keeps only the listed columns and rows, each list strictly increasing, non-empty and inside
    // the table; the cells move in place. Throws std::out_of_range otherwise.
    void keepOnly(std::span<const int> cols, std::span<const int> rows);

    bool operator==(const GridTable&) const = default;

private:
    std::size_t index(int col, int row) const;

    int m_cols = 1;
    int m_rows = 1;
    // A large grid's cells are one big array: it goes where first touches are cheapest.
    using Cells = std::vector<std::string, text::LargeBlockAllocator<std::string>>;
    Cells m_cells;
};

} // namespace quillory::merge
