#include "merge/mailing_grid.h"

#include <charconv>
#include <cstring>

namespace quillory::merge {

void normalise(GridTable& buffer, GridTable& mailing) {
    // Removing columns and rows one at a time would cost a copy of the table per removal;
    // choosing the survivors first prunes the buffer in one pass, in place.
    std::vector<int> keptCols;
    {
        const auto headingLine = buffer.rowCells(0);
        for (std::size_t c = 0; c < headingLine.size(); ++c)
            if (!headingLine[c].empty()) keptCols.push_back(static_cast<int>(c));
    }
    if (keptCols.empty()) keptCols.push_back(0); // the last column cannot be removed

    std::vector<int> keptRows;
    keptRows.reserve(static_cast<std::size_t>(buffer.rowCount()));
    for (int r = 0; r < buffer.rowCount(); ++r) {
        const auto cells = buffer.rowCells(r);
        for (int c : keptCols) {
            if (!cells[static_cast<std::size_t>(c)].empty()) {
                keptRows.push_back(r);
                break;
            }
        }
    }
    if (keptRows.empty()) keptRows.push_back(0); // nor can the last row

    if (static_cast<int>(keptCols.size()) != buffer.columnCount() ||
        static_cast<int>(keptRows.size()) != buffer.rowCount())
        buffer.keepOnly(keptCols, keptRows);

    // The buffer keeps the pruned grid, so the MailingGrid gets copies; reset() lets them land
    // in the text buffers of the grid it held before.
    const int cols = buffer.columnCount();
    const int rows = buffer.rowCount();
    mailing.reset(cols + firstDataCol, rows + firstDataRow - 1);
    auto copyRow = [&](int from, int to) {
        const auto src = buffer.rowCells(from);
        const auto dst = mailing.rowCellsRef(to).subspan(firstDataCol);
        for (std::size_t c = 0; c < src.size(); ++c) dst[c] = src[c];
    };
    copyRow(0, 0);
    char number[16];
    for (int r = 1; r < rows; ++r) {
        const int to = r + firstDataRow - 1;
        copyRow(r, to);
        const auto end = std::to_chars(number, number + sizeof number, to - firstDataRow + 1).ptr;
        mailing.rowCellsRef(to)[0].assign(number, end);
    }
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
