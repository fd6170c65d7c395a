#include "merge/grid_reader.h"

#include "merge/mailing_grid.h"
#include "merge/text_file.h"
#include "text/code_page.h"
#include "text/file_io.h"

#include <freexl.h>

#include <charconv>
#include <cmath>
#include <cstring>
#include <fstream>
#include <memory>

namespace quillory::merge {

namespace {

std::size_t fieldCount(std::string_view line, char sep) {
    std::size_t n = 1;
    const char* p = line.data();
    const char* end = p + line.size();
    while ((p = static_cast<const char*>(std::memchr(p, sep, static_cast<std::size_t>(end - p)))) != nullptr) {
        ++n;
        ++p;
    }
    return n;
}

UserMessage cannotOpen(const std::string& detail) {
    return {"Error", MessageIcon::Error, std::string("cannot open file") + pathBreak + detail};
}

// Moves a workbook that was read whole into the BufferGrid and on into the MailingGrid.
void commit(GridTable&& fresh, GridTable& buffer, GridTable& mailing) {
    buffer = std::move(fresh);
    normalise(buffer, mailing);
}

GridReadResult withReplacedNotice(std::size_t replaced) {
    GridReadResult result;
    if (auto m = replacedCharactersMessage(replaced)) result.messages.push_back(std::move(*m));
    return result;
}

struct WorkbookCloser {
    void operator()(const void* handle) const { freexl_close(handle); }
};
using Workbook = std::unique_ptr<const void, WorkbookCloser>;

std::string workbookProblem(int rc) {
    switch (rc) {
    case FREEXL_FILE_NOT_FOUND:
        return "the file cannot be opened";
    case FREEXL_INSUFFICIENT_MEMORY:
        return "there is not enough memory to read it";
    case FREEXL_INVALID_CFBF_HEADER:
    case FREEXL_BIFF_WORKBOOK_NOT_FOUND:
    case FREEXL_BIFF_INVALID_BOF:
        return "it is not an Excel 97-2003 workbook (.xls)";
    case FREEXL_UNSUPPORTED_CHARSET:
    case FREEXL_INVALID_CHARACTER:
        return "its text is in a character set the program cannot read";
    default:
        return "the workbook is damaged or in a form the program cannot read (FreeXL error " + std::to_string(rc) +
               ")";
    }
}

[[noreturn]] void workbookError(const std::string& path, const std::string& why) {
    throw MessageError({"Error", MessageIcon::Error, std::string("cannot read workbook") + pathBreak + path + pathBreak + why},
                       ErrorCode::BadFormat);
}

} // namespace

UserMessage cannotOpenFileMessage() { return {"Error", MessageIcon::Error, "cannot open file"}; }

std::string readTextFileOrThrow(const std::string& path, std::size_t& replaced, bool refuseBinary) {
    std::string bytes;
    try {
        bytes = text::readFile(path);
    } catch (const FileError& e) {
        if (e.code() == ErrorCode::TooLarge) throw MessageError(cannotOpen(e.what()), e.code());
        throw MessageError(cannotOpenFileMessage(), e.code());
    }
    DecodedText decoded = decodeText(std::move(bytes));
    if (refuseBinary) {
        const std::string_view t(decoded.text);
        if (holdsBinaryData(t.substr(0, t.find('\x1A'))))
            throw MessageError(cannotOpen(path + ": it holds binary data, not text"), ErrorCode::BadFormat);
    }
    replaced = decoded.replaced;
    return std::move(decoded.text);
}

void splitLinesIntoGrid(std::span<const std::string_view> lines, char sep, bool skipEmptyLines, GridTable& out,
                        const std::string& source) {
    // Sizes first, so the table is allocated once and a runaway line is refused before it costs memory.
    std::size_t rows = 0, cols = 1;
    for (std::string_view line : lines) {
        if (skipEmptyLines && line.empty()) continue;
        ++rows;
        cols = std::max(cols, fieldCount(line, sep));
        if (rows * cols > maxGridCells) {
            const std::string what = "the grid would have more than " + std::to_string(maxGridCells) + " cells";
            throw MessageError(source.empty() ? UserMessage{"Error", MessageIcon::Error, what}
                                              : cannotOpen(source + ": " + what),
                               ErrorCode::TooLarge);
        }
    }
    // Nothing below can fail on the input, so `out` may be the live BufferGrid: refilling its
    // storage saves allocating and faulting in a table of this size on every read.
    out.reset(static_cast<int>(cols), static_cast<int>(rows));
    int r = 0;
    for (std::string_view line : lines) {
        if (skipEmptyLines && line.empty()) continue;
        const std::span<std::string> cells = out.rowCellsRef(r++);
        std::size_t k = 0;
        const char* p = line.data();
        const char* const end = p + line.size();
        while (p != end) {
            const auto* s = static_cast<const char*>(std::memchr(p, sep, static_cast<std::size_t>(end - p)));
            if (s == nullptr) break;
            cells[k++].assign(p, static_cast<std::size_t>(s - p));
            p = s + 1;
        }
        cells[k].assign(p, static_cast<std::size_t>(end - p));
    }
}

GridReadResult readDelimitedText(const std::string& path, char sep, GridTable& buffer, GridTable& mailing) {
    std::size_t replaced = 0;
    const std::string content = readTextFileOrThrow(path, replaced, true);
    const TextLines lines(content);
    splitLinesIntoGrid(lines.all(), sep, true, buffer, path);
    normalise(buffer, mailing);
    return withReplacedNotice(replaced);
}

std::string numberText(double value) {
    // Up to 2^53 every whole number is exact, and people keep IDs and postcodes as numbers:
    // print them digit for digit rather than as 1.234e+15.
    if (std::isfinite(value) && value == std::trunc(value) && std::fabs(value) <= 9007199254740992.0)
        return std::to_string(static_cast<long long>(value));
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, value);
    return std::string(buf, res.ptr);
}

GridReadResult readExcelWorkbook(const std::string& path, GridTable& buffer, GridTable& mailing) {
    try {
        text::checkReadableFile(path);
    } catch (const FileError& e) {
        if (e.code() == ErrorCode::TooLarge) throw MessageError(cannotOpen(e.what()), e.code());
        throw MessageError(cannotOpenFileMessage(), e.code());
    }
    // FreeXL reports a file that is no workbook at all as a read error; the signature says it plainly.
    {
        char head[8] = {};
        std::ifstream in(text::nativePath(path), std::ios::binary);
        in.read(head, sizeof head);
        const std::string_view sig(head, static_cast<std::size_t>(in.gcount()));
        if (sig.starts_with("PK\x03\x04"))
            workbookError(path, "it is an Excel 2007 or later workbook (.xlsx); save it as an Excel 97-2003 "
                                "workbook (.xls) or as comma delimited text");
        if (sig != std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8))
            workbookError(path, "it is not an Excel 97-2003 workbook (.xls)");
    }
    const void* raw = nullptr;
    const std::string native = text::nativePath(path).string();
    const int rc = freexl_open(native.c_str(), &raw);
    Workbook book(raw); // a failed open may still hand out a handle to close
    if (rc != FREEXL_OK) workbookError(path, workbookProblem(rc));

    unsigned int info = 0;
    if (freexl_get_info(book.get(), FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED)
        workbookError(path, "the workbook is protected by a password");
    if (freexl_get_info(book.get(), FREEXL_BIFF_SHEET_COUNT, &info) != FREEXL_OK || info == 0)
        workbookError(path, "the workbook holds no worksheet");
    if (const int sel = freexl_select_active_worksheet(book.get(), 0); sel != FREEXL_OK)
        workbookError(path, workbookProblem(sel));
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (const int dim = freexl_worksheet_dimensions(book.get(), &rows, &cols); dim != FREEXL_OK)
        workbookError(path, workbookProblem(dim));
    if (static_cast<std::size_t>(rows) * cols > maxGridCells)
        workbookError(path, "the worksheet has more than " + std::to_string(maxGridCells) + " cells");

    GridTable fresh;
    fresh.resize(cols, static_cast<int>(rows));
    std::size_t replaced = 0;
    const auto& cp = text::CodePage::windows1252();
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            if (const int got = freexl_get_cell_value(book.get(), r, c, &v); got != FREEXL_OK)
                workbookError(path, workbookProblem(got));
            std::string& cell = fresh.cellRef(c, static_cast<int>(r));
            switch (v.type) {
            case FREEXL_CELL_INT:
                cell = std::to_string(v.value.int_value);
                break;
            case FREEXL_CELL_DOUBLE:
                cell = numberText(v.value.double_value);
                break;
            case FREEXL_CELL_TEXT:
            case FREEXL_CELL_SST_TEXT:
            case FREEXL_CELL_DATE:
            case FREEXL_CELL_DATETIME:
            case FREEXL_CELL_TIME:
                if (v.value.text_value) {
                    std::size_t lost = 0;
                    cell = cp.fromUtf8(v.value.text_value, &lost);
                    replaced += lost;
                }
                break;
            default: // empty, or a formula, whose result the format leaves to the spreadsheet
                break;
            }
        }
    }
    commit(std::move(fresh), buffer, mailing);
    return withReplacedNotice(replaced);
}

void pasteToGrid(std::string_view clipboardText, GridTable& buffer, GridTable& mailing) {
    const std::vector<std::string_view> lines = splitAtAnyLineBreak(clipboardText);
    if (lines.size() < 2)
        throw MessageError({"", MessageIcon::Information, "There is only one line of text on the Clipboard"});
    splitLinesIntoGrid(lines, '\t', false, buffer);
    normalise(buffer, mailing);
}

UserMessage noTextOnClipboardMessage() { return {"", MessageIcon::Information, "There is no text on the Clipboard"}; }

std::string copyGridText(const GridTable& mailing) {
    std::string out;
    for (int r = 0; r < mailing.rowCount(); ++r) {
        if (r > 0) out.append("\r\n");
        bool first = true;
        for (const std::string& cell : mailing.rowCells(r)) {
            if (!first) out.push_back('\t');
            out.append(cell);
            first = false;
        }
    }
    return out;
}

TemplateReadResult readTemplateFile(const std::string& path) {
    std::size_t replaced = 0;
    const std::string content = readTextFileOrThrow(path, replaced, true);
    TemplateReadResult result;
    result.text = withCrLfLineBreaks(content);
    if (auto m = replacedCharactersMessage(replaced)) result.messages.push_back(std::move(*m));
    return result;
}

std::string copyTemplateText(std::string_view templateText, std::size_t selectionStart, std::size_t selectionLength) {
    if (selectionLength == 0 || selectionStart >= templateText.size()) return std::string(templateText);
    return std::string(templateText.substr(selectionStart, selectionLength));
}

} // namespace quillory::merge
