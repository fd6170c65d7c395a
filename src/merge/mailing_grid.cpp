#include "merge/mailing_grid.h"

#include <cstring>

namespace quillory::merge {

void normalise(GridTable& buffer, GridTable& mailing) {
    // Removing columns and rows one at a time would cost a copy of the table per removal;
    // choosing the survivors first gives the same table in one pass.
    std::vector<int> keptCols;
    for (int c = 0; c < buffer.columnCount(); ++c)
        if (!buffer.cell(c, 0).empty()) keptCols.push_back(c);
    if (keptCols.empty()) keptCols.push_back(0); // the last column cannot be removed

    std::vector<int> keptRows;
    keptRows.reserve(static_cast<std::size_t>(buffer.rowCount()));
    for (int r = 0; r < buffer.rowCount(); ++r) {
        for (int c : keptCols) {
            if (!buffer.cell(c, r).empty()) {
                keptRows.push_back(r);
                break;
            }
        }
    }
    if (keptRows.empty()) keptRows.push_back(0); // nor can the last row

    const int cols = static_cast<int>(keptCols.size());
    const int rows = static_cast<int>(keptRows.size());
    GridTable pruned;
    pruned.resize(cols, rows);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) pruned.cellRef(c, r) = std::move(buffer.cellRef(keptCols[c], keptRows[r]));

    mailing.clear();
    mailing.resize(cols + firstDataCol, rows + firstDataRow - 1);
    for (int c = 0; c < cols; ++c) mailing.cellRef(c + firstDataCol, 0) = pruned.cell(c, 0);
    for (int r = 1; r < rows; ++r)
        for (int c = 0; c < cols; ++c) mailing.cellRef(c + firstDataCol, r + firstDataRow - 1) = pruned.cell(c, r);
    for (int r = firstDataRow; r < mailing.rowCount(); ++r)
        mailing.cellRef(0, r) = std::to_string(r - firstDataRow + 1);
    buffer = std::move(pruned);
}

AddressDetection detectAddressColumn(const GridTable& mailing) {
    AddressDetection d;
    if (mailing.rowCount() <= firstDataRow) return d;
    for (int c = firstDataCol; c < mailing.columnCount(); ++c) {
        if (mailing.cell(c, firstDataRow).find('@') != std::string::npos) {
            ++d.columnsWithAt;
            d.lastColumn = c;
        }
    }
    return d;
}

int dataColumnCount(const GridTable& mailing) { return mailing.columnCount() - firstDataCol; }
int dataRowCount(const GridTable& mailing) { return mailing.rowCount() - firstDataRow; }
bool isDataRow(const GridTable& mailing, int row) { return row >= firstDataRow && row < mailing.rowCount(); }
bool holdsData(const GridTable& mailing) { return dataColumnCount(mailing) >= 1 && dataRowCount(mailing) >= 1; }

std::span<const std::string> headings(const GridTable& mailing) { return mailing.rowCells(0, firstDataCol); }

std::span<const std::string> rowValues(const GridTable& mailing, int row) {
    return mailing.rowCells(row, firstDataCol);
}

int findColumnByHeading(const GridTable& mailing, std::string_view text) {
    for (int c = firstDataCol; c < mailing.columnCount(); ++c)
        if (mailing.cell(c, 0) == text) return c;
    return -1;
}

void forEachGridLine(const GridTable& mailing, char sep, const std::function<void(std::string_view)>& line) {
    std::string buf;
    auto emit = [&](int row) {
        buf.clear();
        bool first = true;
        for (const auto& cell : mailing.rowCells(row, firstDataCol)) {
            if (!first) buf.push_back(sep);
            buf.append(cell);
            first = false;
        }
        line(buf);
    };
    emit(0);
    for (int r = firstDataRow; r < mailing.rowCount(); ++r) emit(r);
}

std::vector<std::string> gridLines(const GridTable& mailing, char sep) {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(mailing.rowCount()));
    forEachGridLine(mailing, sep, [&](std::string_view l) { out.emplace_back(l); });
    return out;
}

} // namespace quillory::merge
