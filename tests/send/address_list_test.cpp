#include "send/address_list.h"

#include "text/error.h"

#include <gtest/gtest.h>

namespace quillory::send {
namespace {

struct GoodCell {
    const char* cell;
    std::vector<Mailbox> mailboxes;
    std::vector<std::string> headerItems;
};

TEST(AddressList, ReadsTheFormsPeopleType) {
    const GoodCell cases[] = {
        {"ann@example.com", {{"", "ann@example.com"}}, {"ann@example.com"}},
        {"  <ann@example.com>  ", {{"", "ann@example.com"}}, {"ann@example.com"}},
        {"Ann Smith <ann@example.com>", {{"Ann Smith", "ann@example.com"}}, {"Ann Smith <ann@example.com>"}},
        {"\"Smith, Ann\" <ann@example.com>, bob@example.com",
         {{"Smith, Ann", "ann@example.com"}, {"", "bob@example.com"}},
         {"\"Smith, Ann\" <ann@example.com>", "bob@example.com"}},
        {"bob@example.com (Bob Jones)", {{"Bob Jones", "bob@example.com"}}, {"Bob Jones <bob@example.com>"}},
        {"(work) Ann <ann@example.com> (home)", {{"Ann", "ann@example.com"}}, {"Ann <ann@example.com>"}},
        {"J. Smith <j.smith@mail.example.com>",
         {{"J. Smith", "j.smith@mail.example.com"}},
         {"\"J. Smith\" <j.smith@mail.example.com>"}},
        {" ann@example.com ,, bob@example.com, ",
         {{"", "ann@example.com"}, {"", "bob@example.com"}},
         {"ann@example.com", "bob@example.com"}},
        {"Friends: ann@example.com, Bob <bob@example.com>;, carl@example.com",
         {{"", "ann@example.com"}, {"Bob", "bob@example.com"}, {"", "carl@example.com"}},
         {"Friends: ann@example.com, Bob <bob@example.com>;", "carl@example.com"}},
        {"\"a \\\"b\\\" c\"@example.com", {{"", "\"a \\\"b\\\" c\"@example.com"}}, {"\"a \\\"b\\\" c\"@example.com"}},
        {"Jos\xE9 <jose@example.com>",
         {{"Jos\xE9", "jose@example.com"}},
         {"=?windows-1252?Q?Jos=E9?= <jose@example.com>"}},
        {"x@[192.0.2.1]", {{"", "x@[192.0.2.1]"}}, {"x@[192.0.2.1]"}},
    };
    for (const GoodCell& c : cases) {
        SCOPED_TRACE(c.cell);
        AddressList list = parseAddressList(c.cell);
        EXPECT_EQ(list.mailboxes, c.mailboxes);
        EXPECT_EQ(list.headerItems, c.headerItems);
    }
}

TEST(AddressList, RefusesCellsThatAreNotAddressLists) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "no e-mail address in \"\""},
        {"   ", "no e-mail address"},
        {"undisclosed-recipients:;", "no e-mail address"},
        {"Ann Smith", "(no @)"},
        {"ann@example.com\r\nRCPT TO:<evil@example.com>", "contains a line break"},
        {"ann@example.com\nbob@example.com", "contains a line break"},
        {"ann@example.com\r", "contains a line break"},
        {"ann@example.com, not an address", "invalid e-mail address"},
        {"ann@example.com; bob@example.com", "unexpected \";\""},
        {"Ann <ann@example.com", "invalid e-mail address"},
        {"\"Ann <ann@example.com>", "unclosed quotation mark"},
        {"ann@example.com (note", "unclosed comment"},
        {"jos\xE9@example.com", "characters a mail server does not accept"},
        {"a..b@example.com", "invalid e-mail address"},
        {"ann@", "invalid e-mail address"},
        {"@example.com", "invalid e-mail address"},
        {"Group: ann@example.com", "unclosed group"},
    };
    for (const auto& [cell, expected] : cases) {
        SCOPED_TRACE(cell);
        try {
            parseAddressList(cell);
            ADD_FAILURE() << "accepted";
        } catch (const Error& e) {
            EXPECT_NE(std::string(e.what()).find(expected), std::string::npos) << e.what();
            // The message quotes the cell, but never with a line break in it.
            EXPECT_EQ(std::string(e.what()).find_first_of("\r\n"), std::string::npos);
        }
    }
}

} // namespace
} // namespace quillory::send
