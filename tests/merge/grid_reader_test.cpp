#include "merge/grid_reader.h"

#include "files_test_util.h"
#include "merge/mailing_grid.h"
#include "merge/text_file.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace quillory;
using namespace quillory::merge;
using quillory::fixtures::dataFile;
using quillory::fixtures::shape;
using Lines = std::vector<std::string>;

namespace {

const UserMessage cannotOpenFile{"Error", MessageIcon::Error, "cannot open file"};

// A grid the user already has, to show that a failed read leaves it alone.
struct Before {
    GridTable buffer = fixtures::table({{"Kept", "Email"}, {"k", "k@x.org"}});
    GridTable mailing;
    Before() {
        GridTable b = buffer;
        normalise(b, mailing);
    }
};

} // namespace

TEST(DelimitedText, LineAndFieldRules) {
    struct Case {
        const char* file;
        char sep;
        Lines grid;
    };
    const Case cases[] = {
        // Blank lines are skipped: no empty rows, consecutive row numbers.
        {"blank_lines_between_records.txt", '\t', {"Name|Email", "Ann|ann@x.org", "Bob|bob@x.org"}},
        // No unquoting: the comma inside quotes splits, the extra field's heading is empty and goes.
        {"quoted_comma_in_field.csv", ',', {"Name|Email|City", "\"Smith| Ann\"|ann@x.org", "Bob|bob@x.org|\"Rome\""}},
        // A .csv read with the tab filter is one column per line.
        {"quoted_comma_in_field.csv",
         '\t',
         {"Name,Email,City", "\"Smith, Ann\",ann@x.org,Paris", "Bob,bob@x.org,\"Rome\""}},
        // LF and CR LF end lines, a lone CR is dropped, blanks stay, Ctrl-Z ends the file.
        {"line_ends_lf_crlf_lone_cr_ctrl_z.csv", ',', {"Name|Email", "Ann|ann@x.org", "Bob |bob@x.org"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.file) + " sep " + (c.sep == '\t' ? "tab" : "comma"));
        GridTable buffer, mailing;
        const auto result = readDelimitedText(dataFile(c.file), c.sep, buffer, mailing);
        EXPECT_EQ(shape(mailing), c.grid);
        EXPECT_TRUE(result.messages.empty());
        for (int r = firstDataRow; r < mailing.rowCount(); ++r) EXPECT_EQ(mailing.cell(0, r), std::to_string(r));
    }
}

TEST(DelimitedText, LineEndingInSeparatorHasEmptyLastField) {
    GridTable buffer, mailing;
    readDelimitedText(dataFile("line_ends_lf_crlf_lone_cr_ctrl_z.csv"), ',', buffer, mailing);
    // "Bob ,bob@x.org," is three fields; the third column's heading is missing, so the buffer
    // keeps it only until normalisation dropped it.
    EXPECT_EQ(buffer.columnCount(), 2);
    EXPECT_EQ(buffer.rowCount(), 3);
}

TEST(DelimitedText, UnicodeFilesAreConvertedWithOneCount) {
    struct Case {
        const char* file;
        char sep;
        bool replacedOne;
    };
    const Case cases[] = {
        {"utf8_with_bom.csv", ',', true},
        {"utf8_without_bom.csv", ',', true},
        {"utf16le_with_bom.txt", '\t', true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        GridTable buffer, mailing;
        const auto result = readDelimitedText(dataFile(c.file), c.sep, buffer, mailing);
        EXPECT_EQ(shape(mailing), (Lines{"Name|Email", "Zo\xEB"
                                                       "e|z@x.org",
                                         "?mega|o@x.org"}));
        ASSERT_EQ(result.messages.size(), 1u);
        EXPECT_EQ(result.messages[0].icon, MessageIcon::Information);
        EXPECT_EQ(result.messages[0].text,
                  "1 character of the file could not be shown in the code page windows-1252 and was replaced by \"?\".");
    }
    GridTable buffer, mailing;
    const auto plain = readDelimitedText(dataFile("windows1252_accents.csv"), ',', buffer, mailing);
    EXPECT_EQ(shape(mailing), (Lines{"Name|Email", "Zo\xEB"
                                                   "e|z@x.org",
                                     "\x80uro|o@x.org"}));
    EXPECT_TRUE(plain.messages.empty());
}

class GridReaderFailures : public fixtures::ScratchDir {};

TEST_F(GridReaderFailures, LeaveTheGridAsItWasWithAClearMessage) {
    const std::string bigFile = path("huge.csv");
    { std::ofstream(text::nativePath(bigFile)) << "a,b\n"; }
    std::filesystem::resize_file(text::nativePath(bigFile), text::maxReadSize + 1); // sparse: costs no disk
    std::string manyFields(maxGridCells / 2, ',');
    const std::string wideFile = write("wide.csv", "h\n" + manyFields + "\n" + manyFields + "\n");

    struct Case {
        const char* what;
        std::string file;
        bool excel;
        std::string message; // exact, or a prefix when it ends in "..."
    };
    const std::string binary = dataFile("binary_with_nul_bytes.csv");
    const Case cases[] = {
        {"missing file", path("absent.csv"), false, cannotOpenFile.text},
        {"a folder", path(""), false, cannotOpenFile.text},
        {"binary data", binary, false, "cannot open file\n\r" + binary + ": it holds binary data, not text"},
        {"beyond the size limit", bigFile, false,
         "cannot open file\n\r" + bigFile + ": larger than 256 MiB, the most the program reads"},
        {"too many cells", wideFile, false,
         "cannot open file\n\r" + wideFile + ": the grid would have more than 10000000 cells"},
        {"missing workbook", path("absent.xls"), true, cannotOpenFile.text},
        {"a text file named .xls", dataFile("text_file_named_xls.xls"), true,
         "cannot read workbook\n\r" + dataFile("text_file_named_xls.xls") +
             "\n\rit is not an Excel 97-2003 workbook (.xls)"},
        {"a binary file named .xls", binary, true,
         "cannot read workbook\n\r" + binary +
             "\n\rit is an Excel 2007 or later workbook (.xlsx); save it as an Excel 97-2003 workbook (.xls) or as "
             "comma delimited text"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Before before;
        const GridTable mailingBefore = before.mailing;
        try {
            if (c.excel)
                readExcelWorkbook(c.file, before.buffer, before.mailing);
            else
                readDelimitedText(c.file, ',', before.buffer, before.mailing);
            ADD_FAILURE() << "no failure reported";
        } catch (const MessageError& e) {
            EXPECT_EQ(e.message(), (UserMessage{"Error", MessageIcon::Error, c.message}));
        }
        EXPECT_EQ(before.mailing, mailingBefore);
    }
}

TEST_F(GridReaderFailures, UnreadableFile) {
    const std::string file = write("locked.csv", "Name,Email\n");
    std::filesystem::permissions(text::nativePath(file), std::filesystem::perms::none);
    if (std::ifstream(text::nativePath(file)).good()) GTEST_SKIP() << "running with rights that read any file";
    Before before;
    try {
        readDelimitedText(file, ',', before.buffer, before.mailing);
        ADD_FAILURE() << "no failure reported";
    } catch (const MessageError& e) {
        EXPECT_EQ(e.message(), cannotOpenFile);
    }
}

TEST(ExcelWorkbook, FirstSheetEveryCellAsText) {
    GridTable buffer, mailing;
    const auto result = readExcelWorkbook(dataFile("two_sheets_numbers_dates_empty_cells.xls"), buffer, mailing);
    EXPECT_EQ(shape(mailing), (Lines{
                                  "Name|Email|Count|Ratio|Joined|Note",
                                  "Zo\xEB|zoe@example.org|42|0.1|2024-03-09|ohm ?",
                                  "Bob|bob@example.org|-7|2.5|1999-12-31|",
                                  "Big|big@example.org|1234567890123|0.3333333333333333||1e+20 below",
                                  "Huge|huge@example.org|1e+20|0||",
                              }));
    ASSERT_EQ(result.messages.size(), 1u); // the omega
    EXPECT_NE(result.messages[0].text.find("1 character"), std::string::npos);

    readExcelWorkbook(dataFile("blank_row_inside.xls"), buffer, mailing);
    EXPECT_EQ(shape(mailing), (Lines{"Email", "a@example.org"}));
}

TEST(ExcelWorkbook, NumberText) {
    const std::pair<double, const char*> cases[] = {
        {3.0, "3"},          {-7.0, "-7"},        {0.1, "0.1"},     {1.0 / 3.0, "0.3333333333333333"},
        {-0.0, "0"},         {1e20, "1e+20"},     {1.5e-7, "1.5e-07"}, {9007199254740992.0, "9007199254740992"},
        {123456.75, "123456.75"},
    };
    for (const auto& [v, text] : cases) EXPECT_EQ(numberText(v), text) << v;
}

TEST(Clipboard, PasteEqualsTheFileExceptForEmptyLines) {
    GridTable fileBuffer, fromFile, buffer, pasted;
    readDelimitedText(dataFile("blank_lines_between_records.txt"), '\t', fileBuffer, fromFile);
    pasteToGrid("Name\tEmail\r\n\r\nAnn\tann@x.org\r\n\r\n\r\nBob\tbob@x.org\r\n", buffer, pasted);
    EXPECT_EQ(pasted, fromFile);

    // Empty lines and lone CR or LF breaks all count as lines of the clipboard text.
    GridTable raw;
    splitLinesIntoGrid(splitAtAnyLineBreak("a\tb\r\n\nc\rd\n"), '\t', false, raw);
    EXPECT_EQ(raw, fixtures::table({{"a", "b"}, {""}, {"c"}, {"d"}}));
}

TEST(Clipboard, FewerThanTwoLinesLeaveTheGridAlone) {
    for (const char* text : {"", "Name\tEmail", "Name\tEmail\r\n", "Name\tEmail\n"}) {
        SCOPED_TRACE(::testing::PrintToString(text));
        Before before;
        const GridTable mailingBefore = before.mailing;
        try {
            pasteToGrid(text, before.buffer, before.mailing);
            ADD_FAILURE() << "pasted";
        } catch (const MessageError& e) {
            EXPECT_EQ(e.message(),
                      (UserMessage{"", MessageIcon::Information, "There is only one line of text on the Clipboard"}));
        }
        EXPECT_EQ(before.mailing, mailingBefore);
    }
}

TEST(Clipboard, CopyGridThenPasteGivesTheSameGrid) {
    Before before;
    const std::string copied = copyGridText(before.mailing);
    EXPECT_EQ(copied, "\tKept\tEmail\r\n1\tk\tk@x.org");
    GridTable buffer, pasted;
    pasteToGrid(copied, buffer, pasted);
    EXPECT_EQ(pasted, before.mailing);
}

TEST(TemplateFile, SplitAtEveryKindOfLineBreak) {
    const auto result = readTemplateFile(dataFile("template_cr_lf_crlf_breaks.txt"));
    // Character 26 means nothing special in a template.
    EXPECT_EQ(result.text, "Dear {{Name}},\r\nline two\r\nline three\r\n\x1A"
                           "kept\r\n");
    EXPECT_TRUE(result.messages.empty());
    EXPECT_THROW(readTemplateFile(dataFile("absent.txt")), MessageError);
    EXPECT_THROW(readTemplateFile(dataFile("binary_with_nul_bytes.csv")), MessageError);
}

TEST(TemplateFile, CopyTemplateTakesTheSelectionOrEverything) {
    EXPECT_EQ(copyTemplateText("Hello {{Name}}", 0, 0), "Hello {{Name}}");
    EXPECT_EQ(copyTemplateText("Hello {{Name}}", 6, 8), "{{Name}}");
}
