#pragma once
// The mailing grid: row 0 holds the headings, column 0 the row numbers, and every reader's
// BufferGrid reaches it through `normalise`, so a grid always has the same shape.

#include "merge/grid_table.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::merge {

inline constexpr int firstDataRow = 1;
inline constexpr int firstDataCol = 1;

// Turns the BufferGrid into the MailingGrid: columns with an empty heading and rows whose
// cells are all empty are dropped from the buffer, the rest is copied behind the fixed row
// and column, and column 0 gets the row numbers 1, 2, ...
void normalise(GridTable& buffer, GridTable& mailing);

struct AddressDetection {
    int columnsWithAt = 0; // data columns whose first-record cell holds '@'
    int lastColumn = -1;   // the right-most of them, as a MailingGrid column
};
AddressDetection detectAddressColumn(const GridTable& mailing);

int dataColumnCount(const GridTable& mailing);
int dataRowCount(const GridTable& mailing);
bool isDataRow(const GridTable& mailing, int row);
// True when the grid has at least one data column and one data row.
bool holdsData(const GridTable& mailing);

// Headings of the data columns, in column order.
std::span<const std::string> headings(const GridTable& mailing);
// The data cells of one row (same columns as `headings`).
std::span<const std::string> rowValues(const GridTable& mailing, int row);

// The first data column whose heading equals `text` exactly, or -1.
int findColumnByHeading(const GridTable& mailing, std::string_view text);

// Calls `line` for the heading line and then each data row: the data cells joined by `sep`,
// nothing quoted. The view is valid only during the call.
void forEachGridLine(const GridTable& mailing, char sep, const std::function<void(std::string_view)>& line);
std::vector<std::string> gridLines(const GridTable& mailing, char sep);

} // namespace quillory::merge
