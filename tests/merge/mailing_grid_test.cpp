#include "merge/mailing_grid.h"

#include <gtest/gtest.h>

using namespace quillory::merge;

namespace {

GridTable table(std::vector<std::vector<std::string>> rows) {
    GridTable t;
    t.assignRows(std::move(rows));
    return t;
}

// The MailingGrid's rows as lines of its data cells, "|" between them (headings first).
std::vector<std::string> shape(const GridTable& g) { return gridLines(g, '|'); }

} // namespace

TEST(GridTable, RefusesToRemoveTheLastRowOrColumn) {
    GridTable t = table({{"a", "b"}, {"c", "d"}});
    EXPECT_TRUE(t.removeColumn(0));
    EXPECT_FALSE(t.removeColumn(0));
    EXPECT_TRUE(t.removeRow(1));
    EXPECT_FALSE(t.removeRow(0));
    EXPECT_EQ(t.cell(0, 0), "b");
    EXPECT_THROW(t.cell(1, 0), std::out_of_range);
}

TEST(Normalise, Cases) {
    struct Case {
        const char* what;
        std::vector<std::vector<std::string>> buffer;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"empty heading drops the column with its data",
         {{"Name", "Email", "", "Notes"}, {"Ann", "ann@x", "lost", "n1"}},
         {"Name|Email|Notes", "Ann|ann@x|n1"}},
        {"fields beyond the headings are dropped",
         {{"Name", "Email"}, {"Ann", "ann@x", "extra", "more"}},
         {"Name|Email", "Ann|ann@x"}},
        {"a record with every field empty is no data row",
         {{"Name", "Email"}, {"Ann", "a@x"}, {"", ""}, {"Bob", "b@x"}},
         {"Name|Email", "Ann|a@x", "Bob|b@x"}},
        {"a row empty only in kept columns is removed",
         {{"Name", ""}, {"", "only in dropped column"}, {"Cy", ""}},
         {"Name", "Cy"}},
        {"a heading line without any heading: the first record becomes the heading line",
         {{"", ""}, {"Name", "x"}, {"Ann", "y"}},
         {"Name", "Ann"}},
        {"short records get empty cells",
         {{"A", "B", "C"}, {"1"}},
         {"A|B|C", "1||"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GridTable buffer = table(c.buffer);
        GridTable mailing;
        normalise(buffer, mailing);
        EXPECT_EQ(shape(mailing), c.lines);
        EXPECT_EQ(mailing.cell(0, 0), "");
        for (int r = firstDataRow; r < mailing.rowCount(); ++r) EXPECT_EQ(mailing.cell(0, r), std::to_string(r));
        EXPECT_EQ(mailing.columnCount(), firstDataCol + static_cast<int>(headings(mailing).size()));
    }
}

TEST(Normalise, AnAllEmptyBufferLeavesOneHeadingCellAndNoDataRow) {
    GridTable buffer;
    GridTable mailing = table({{"old", "grid"}, {"1", "2"}});
    normalise(buffer, mailing);
    EXPECT_EQ(mailing.columnCount(), 2);
    EXPECT_EQ(mailing.rowCount(), 1);
    EXPECT_FALSE(holdsData(mailing));
}

TEST(AddressDetection, CountsColumnsWithAnAtSignInTheFirstRecord) {
    struct Case {
        const char* what;
        std::vector<std::vector<std::string>> buffer;
        int count;
        int column;
    };
    const Case cases[] = {
        {"one column", {{"Name", "Email"}, {"Ann", "ann@x.org"}, {"Bob", "none"}}, 1, 2},
        {"none in the first record", {{"Name", "Email"}, {"Ann", ""}, {"Bob", "b@x"}}, 0, -1},
        {"two columns: no choice", {{"Mail", "Alt"}, {"a@x", "b@x"}}, 2, 2},
        {"heading row only", {{"Name", "Email@"}}, 0, -1},
        {"'@' anywhere in the cell", {{"A", "B", "C"}, {"x", "mail me at b @ x", "y"}}, 1, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        GridTable buffer = table(c.buffer);
        GridTable mailing;
        normalise(buffer, mailing);
        const auto d = detectAddressColumn(mailing);
        EXPECT_EQ(d.columnsWithAt, c.count);
        EXPECT_EQ(d.lastColumn, c.column);
    }
}

TEST(MailingGrid, ReadOuts) {
    GridTable buffer = table({{"Name", "Email", "name"}, {"Ann", "a@x", "low"}, {"", "b@x", ""}});
    GridTable mailing;
    normalise(buffer, mailing);
    EXPECT_EQ(findColumnByHeading(mailing, "name"), 3);
    EXPECT_EQ(findColumnByHeading(mailing, "Name"), 1);
    EXPECT_EQ(findColumnByHeading(mailing, "NAME"), -1);
    EXPECT_EQ(findColumnByHeading(mailing, ""), -1);
    EXPECT_EQ(gridLines(mailing, '\t'), (std::vector<std::string>{"Name\tEmail\tname", "Ann\ta@x\tlow", "\tb@x\t"}));
    EXPECT_EQ(dataRowCount(mailing), 2);
    EXPECT_TRUE(isDataRow(mailing, 2));
    EXPECT_FALSE(isDataRow(mailing, 3));
    EXPECT_FALSE(isDataRow(mailing, 0));
    EXPECT_TRUE(holdsData(mailing));
}

TEST(MailingGrid, OneDataColumnAndOneRowHoldsDataButTheStartUpGridDoesNot) {
    EXPECT_FALSE(holdsData(GridTable()));
    GridTable buffer = table({{"Email"}, {"a@x"}});
    GridTable mailing;
    normalise(buffer, mailing);
    EXPECT_TRUE(holdsData(mailing));
}

TEST(GridTable, ResetAndKeepOnlyLeaveNoOldTextBehind) {
    GridTable t = table({{"a", "b", "c"}, {"d", "e", "f"}, {"g", "h", "i"}});
    const std::vector<int> cols{0, 2};
    const std::vector<int> rows{1, 2};
    t.keepOnly(cols, rows);
    EXPECT_EQ(t, table({{"d", "f"}, {"g", "i"}}));
    const std::vector<int> unordered{1, 0};
    EXPECT_THROW(t.keepOnly(unordered, rows), std::out_of_range);
    const std::vector<int> none;
    EXPECT_THROW(t.keepOnly(none, std::vector<int>{0}), std::out_of_range);
    const std::vector<int> outside{0, 5};
    EXPECT_THROW(t.keepOnly(std::vector<int>{0}, outside), std::out_of_range);

    t.reset(3, 1);
    EXPECT_EQ(t.columnCount(), 3);
    EXPECT_EQ(t.rowCount(), 1);
    for (int c = 0; c < 3; ++c) EXPECT_EQ(t.cell(c, 0), "");
    t.reset(0, 0);
    EXPECT_EQ(t, GridTable());
}

TEST(Normalise, ASmallerGridReadOverALargerOneKeepsNothingOfIt) {
    GridTable mailing;
    GridTable big = table({{"A", "B", "C"}, {"1", "2", "3"}, {"4", "5", "6"}, {"7", "8", "9"}});
    normalise(big, mailing);
    GridTable small = table({{"X"}, {"only"}});
    normalise(small, mailing);
    EXPECT_EQ(gridLines(mailing, '|'), (std::vector<std::string>{"X", "only"}));
    EXPECT_EQ(mailing.columnCount(), 2);
    EXPECT_EQ(mailing.rowCount(), 2);
}
