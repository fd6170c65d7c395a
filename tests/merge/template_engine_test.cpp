#include "merge/template_engine.h"

#include <gtest/gtest.h>

using namespace quillory::merge;

namespace {
const std::vector<std::string> H{"Name", "Email"};
const std::vector<std::string> V{"Ann", "ann@x.org"};
} // namespace

TEST(MergeTemplate, Cases) {
    struct Case {
        const char* templ;
        std::vector<std::string> headings;
        std::vector<std::string> values;
        const char* expected;
    };
    const Case cases[] = {
        {"Dear {{name}}", {"NAME"}, {"Ann"}, "Dear Ann"},
        {"{{\xE9\x63ole}}", {"\xC9\x43OLE"}, {"x"}, "{{\xE9\x63ole}}"}, // accented letters are not folded
        {"{{ Name }}", H, V, "{{ Name }}"},
        {"{{}}", H, V, "{{}}"},
        {"{{}}", {""}, {"v"}, "{{}}"}, // an empty name never matches
        {"{{Name} and more text", H, V, "{{Name} and more text"},
        {"{{a}b}}", {"a}b", "a"}, {"x", "y"}, "{{a}b}}"},
        {"{{{Name}}", H, V, "{Ann"},
        {"{{{{Name}}", H, V, "{{Ann"},
        {"{{Name}}}", H, V, "Ann}"},
        {"{{Email}} and {{email}}", {"Email"}, {"{{Email}}"}, "{{Email}} and {{Email}}"}, // values never rescanned
        {"{{Name}}", {"Name", "name"}, {"left", "right"}, "left"},
        {"{{name}}", {"Name", "name"}, {"left", "right"}, "left"},
        {"[{{Email}}]", H, {"Ann", ""}, "[]"},
        {"[{{Email}}]", H, {"Ann"}, "[]"}, // a missing value is empty
        {"{{Town}}", H, V, "{{Town}}"},
        {"line1\r\n{{Na\r\nme}}", {"Na\r\nme"}, {"v"}, "line1\r\nv"},
        {"{{x}}{{Name}}{", H, V, "{{x}}Ann{"},
        {"{", H, V, "{"},
        {"", H, V, ""},
        {"}}{{Name}}{{", H, V, "}}Ann{{"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.templ);
        EXPECT_EQ(mergeTemplate(c.templ, c.headings, c.values), c.expected);
    }
}

TEST(MergeTemplate, LongValuesDoNotStopTheScan) {
    std::string templ;
    std::string expected;
    const std::string value(1000, 'v');
    for (int i = 0; i < 500; ++i) {
        templ += "t{{Name}}";
        expected += "t" + value;
    }
    templ += "{{Email}}";
    expected += "e";
    EXPECT_EQ(mergeTemplate(templ, H, std::vector<std::string>{value, "e"}), expected);
}

TEST(TemplateCache, RecompilesWhenTheTemplateOrHeadingsChange) {
    TemplateCache cache;
    EXPECT_EQ(cache.get("{{A}}", std::vector<std::string>{"A"}).render(std::vector<std::string>{"1"}), "1");
    EXPECT_EQ(cache.get("{{A}}", std::vector<std::string>{"B"}).render(std::vector<std::string>{"1"}), "{{A}}");
    EXPECT_EQ(cache.get("{{B}}!", std::vector<std::string>{"B"}).render(std::vector<std::string>{"2"}), "2!");
}

TEST(CheckTemplateTokens, Cases) {
    struct Case {
        const char* templ;
        std::vector<std::string> headings;
        const char* report;
        bool ask;
    };
    const Case cases[] = {
        {"Dear {{name}}, see {{Town}} and {{Town}}", H, "missing tokens: Town, Town.", true},
        {"no tokens at all", H, "", false},
        {"{{Name}} {{EMAIL}}", H, "", false},
        {"{{ Name }}", H, "missing tokens:  Name .", true},
        {"{{}}", H, "missing tokens: .", true},
        {"{{}}", {""}, "", false},
        {"{{Name} and text", H, "Unbalanced token brackets", true},
        {"{{a}b}}", H, "missing tokens: a}b.", true},
        {"{{{Name}}", H, "Incorrect token brackets\r\nmissing tokens: {Name.", true},
        {"{{Name}}}", H, "Incorrect token brackets", false},
        {"}}{{Name}}", H, "Unbalanced token brackets", true},
        {"{{Name}}{{", H, "Unbalanced token brackets", true},
        {"{{x {{Name}} y}} }}", H, "Unbalanced token brackets", true},
        {"{{{{Town}}", H, "Incorrect token brackets\r\nUnbalanced token brackets\r\nmissing tokens: Town.", true},
        {"}}}", H, "Incorrect token brackets\r\nUnbalanced token brackets", true},
        {"{{A}}{{B}}{{Name}}", H, "missing tokens: A, B.", true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.templ);
        const TokenCheck check = checkTemplateTokens(c.templ, c.headings);
        EXPECT_EQ(check.report, c.report);
        EXPECT_EQ(check.askToContinue, c.ask);
    }
}

TEST(CheckTemplateTokens, QuestionAddsTheLineAfterTheReport) {
    const TokenCheck check = checkTemplateTokens("Dear {{name}}, see {{Town}} and {{Town}}", H);
    EXPECT_EQ(check.questionText(), "missing tokens: Town, Town.\r\nDo you wish to continue?");
}
