#pragma once
// Getting a grid in from delimited text, a workbook or the clipboard, and the grid and the
// template out again as clipboard text. Every reader fills a fresh buffer and only when the
// whole source was read does it replace the BufferGrid and normalise it into the MailingGrid,
// so a source that cannot be read leaves the grid the user had.

#include "merge/grid_table.h"
#include "merge/user_message.h"

#include <cstddef>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::merge {

// The grid is a dense table: a file with one line of a million separators would otherwise
// ask for a million cells in every row. Ten million cells is a hundred times a large mailing.
inline constexpr std::size_t maxGridCells = 10'000'000;

struct GridReadResult {
    // Information to show once the new grid is on screen (characters lost in conversion).
    std::vector<UserMessage> messages;
};

// Splits each line at `sep` into one row of `out` (replaced whole): the text before each
// separator is a field, the rest of the line the last field; nothing is unquoted or trimmed.
// Empty lines are skipped when `skipEmptyLines`, else they become rows of one empty cell.
// Throws MessageError ("Error") when the table would exceed maxGridCells; `source` names the
// file in that message (empty for the clipboard).
void splitLinesIntoGrid(std::span<const std::string_view> lines, char sep, bool skipEmptyLines, GridTable& out,
                        const std::string& source = {});

// Tab- or comma-delimited text. Fails with MessageError {"Error", error, "cannot open file"}
// when the file is missing, a folder or unreadable; with "cannot open file\n\r<path>: <reason>"
// when it is too large, holds binary data or would make too large a grid.
GridReadResult readDelimitedText(const std::string& path, char sep, GridTable& buffer, GridTable& mailing);

// The first worksheet of an `.xls` workbook (the format does not record which sheet was
// showing when it was saved), A1 to the bottom-right cell of the used range, every cell as
// text. Fails with MessageError {"Error", error, "cannot read workbook\n\r<path>\n\r<reason>"},
// or the "cannot open file" message of readDelimitedText for a missing or unreadable file.
GridReadResult readExcelWorkbook(const std::string& path, GridTable& buffer, GridTable& mailing);

// The text of a workbook cell holding a number: whole numbers without a decimal point,
// others in the shortest form that reads back as the same number.
std::string numberText(double value);

// Clipboard text (already in the code page) as a grid: lines split at any line break, empty
// lines kept until normalisation, fields split at tabs. Throws MessageError
// {"", information, "There is only one line of text on the Clipboard"} for fewer than two
// lines, leaving the grid alone.
void pasteToGrid(std::string_view clipboardText, GridTable& buffer, GridTable& mailing);
// The box the window shows when the clipboard holds no text at all.
UserMessage noTextOnClipboardMessage();

// Every cell of the MailingGrid, the heading row and the row numbers included: cells joined
// by tabs, rows by CR LF.
std::string copyGridText(const GridTable& mailing);

struct TemplateReadResult {
    std::string text; // lines joined by CR LF; a line break at the end of the file stays
    std::vector<UserMessage> messages;
};
// A plain-text template file, split at CR LF, CR and LF. Same failures as readDelimitedText.
TemplateReadResult readTemplateFile(const std::string& path);

// What Copy Template puts on the clipboard: the selection, or the whole template when
// nothing is selected. Offsets are byte offsets into the template text.
std::string copyTemplateText(std::string_view templateText, std::size_t selectionStart, std::size_t selectionLength);

// Shared by the readers: the file's bytes as code-page text, or the reader's MessageError.
std::string readTextFileOrThrow(const std::string& path, std::size_t& replaced, bool refuseBinary);
UserMessage cannotOpenFileMessage();

} // namespace quillory::merge
