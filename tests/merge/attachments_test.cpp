#include "merge/attachments.h"

#include <gtest/gtest.h>

using namespace quillory::merge;
using Lines = std::vector<std::string>;

TEST(Attachments, RemoveRowsTwoAndThreeOfFour) {
    Lines list{"/a/1", "/a/2", "/a/3", "/a/4"};
    // Selection order does not matter; the heading row and rows past the end are ignored.
    EXPECT_EQ(removeAttachmentRows(list, {2, 0, 3, 9, 3}), 2);
    EXPECT_EQ(list, (Lines{"/a/1", "/a/4"}));
    clearAttachments(list);
    EXPECT_TRUE(list.empty());
}

TEST(Attachments, NoDuplicatesWithoutRegardToCase) {
    Lines list;
    EXPECT_EQ(attachFiles(list, {"/Docs/Caf\xC9.pdf", "/docs/caf\xE9.PDF", "/docs/b.pdf", ""}), 2);
    EXPECT_EQ(list, (Lines{"/Docs/Caf\xC9.pdf", "/docs/b.pdf"}));
    auto exists = [](const std::string& p) { return p != "/gone.pdf"; };
    EXPECT_FALSE(addAttachment(list, "/gone.pdf", exists));
    EXPECT_FALSE(addAttachment(list, "/DOCS/B.PDF", exists));
    EXPECT_TRUE(addAttachment(list, "/docs/c.pdf", exists));
    EXPECT_EQ(list.size(), 3u);
}

TEST(Attachments, DisplayRows) {
    const std::pair<const char*, AttachmentRow> cases[] = {
        {"C:\\Users\\ann\\report.pdf", {"report.pdf", "C:\\Users\\ann"}},
        {"/home/ann/report.pdf", {"report.pdf", "/home/ann"}},
        {"C:\\report.pdf", {"report.pdf", "C:\\"}},
        {"/report.pdf", {"report.pdf", "/"}},
        {"report.pdf", {"report.pdf", ""}},
    };
    for (const auto& [path, row] : cases) EXPECT_EQ(attachmentDisplayRow(path), row) << path;
}
