#include "send/mailing_run.h"

#include <gtest/gtest.h>

using quillory::send::bodyLines;

TEST(BodyLines, SplitsAtLineBreaksAndWrapsAtWordBoundaries) {
    struct Case {
        const char* text;
        std::size_t width;
        std::vector<std::string> lines;
    };
    const Case cases[] = {
        {"Hello\r\n", 0, {"Hello"}},            // the empty line after the final break is no line
        {"Hello\r\n\r\n", 0, {"Hello", ""}},
        {"\r\n", 0, {""}},
        {"a\r\nb", 0, {"a", "b"}},
        {"one two three four\r\n", 9, {"one two", "three", "four"}},
        {"abcdefghijkl\r\n", 5, {"abcde", "fghij", "kl"}}, // a word longer than the line is cut
        {"one two three\r\n", 0, {"one two three"}},
        {"exactly9!\r\n", 9, {"exactly9!"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(bodyLines(c.text, c.width), c.lines);
    }
}
