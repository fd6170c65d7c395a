#include "text/code_page.h"

#include <gtest/gtest.h>

using quillory::text::CodePage;

TEST(CodePage, EveryByteSurvivesARoundTripThroughUtf8AndUtf16) {
    const auto& cp = CodePage::windows1252();
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    std::size_t replaced = 99;
    EXPECT_EQ(cp.fromUtf8(cp.toUtf8(all), &replaced), all);
    EXPECT_EQ(replaced, 0u);
    EXPECT_EQ(cp.fromUtf16(cp.toUtf16(all), &replaced), all);
    EXPECT_EQ(replaced, 0u);
}

TEST(CodePage, MapsTheWindowsSpecificCharacters) {
    const auto& cp = CodePage::windows1252();
    EXPECT_EQ(cp.toUtf8("\x80"), "\xE2\x82\xAC");          // euro sign
    EXPECT_EQ(cp.toUtf8("\xE9"), "\xC3\xA9");              // e acute
    EXPECT_EQ(cp.fromUtf8("\xE2\x80\x9C" "a\xE2\x80\x9D"), "\x93" "a\x94"); // curly quotes
}

TEST(CodePage, CharactersOutsideTheCodePageBecomeQuestionMarksAndAreCounted) {
    const auto& cp = CodePage::windows1252();
    std::size_t replaced = 0;
    // Greek alpha, an emoji (4-byte sequence) and a stray continuation byte.
    EXPECT_EQ(cp.fromUtf8("a\xCE\xB1" "b\xF0\x9F\x98\x80" "c\x80", &replaced), "a?b?c?");
    EXPECT_EQ(replaced, 3u);
    EXPECT_EQ(cp.fromUtf16(u"x\u03B1\U0001F600", &replaced), "x??");
    EXPECT_EQ(replaced, 2u);
}

TEST(CodePage, LowerCaseFollowsTheCodePageAndAsciiFoldingDoesNot) {
    const auto& cp = CodePage::windows1252();
    EXPECT_EQ(cp.toLower("ABC \xC9\x43OLE \x8A\x9F \xD7"), "abc \xE9\x63ole \x9A\xFF \xD7");
    EXPECT_EQ(quillory::text::asciiUpper("name \xE9\x63ole"), "NAME \xE9\x43OLE");
    EXPECT_TRUE(quillory::text::equalsAsciiCaseInsensitive("Email", "eMAIL"));
    EXPECT_FALSE(quillory::text::equalsAsciiCaseInsensitive("\xC9", "\xE9"));
}
