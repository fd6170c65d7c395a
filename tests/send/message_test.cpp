#include "send/message.h"

#include "send_test_util.h"
#include "smtp_server_fixture.h"
#include "text/error.h"
#include "text/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

namespace quillory::send {
namespace {

using quillory::smtptest::MimeDump;
using quillory::smtptest::parseMime;
using test::headerBlock;
using test::linesAreWellFormed;
using test::withCrLf;

// Tuesday 5 March 2024, 13:04:05 UTC, shown at UTC+1.
MessageTime fixedTime() {
    using namespace std::chrono;
    return MessageTime{sys_days{year{2024} / 3 / 5} + hours{13} + minutes{4} + seconds{5}, 60};
}

bool isAscii(std::string_view s) {
    for (unsigned char c : s)
        if (c >= 0x80) return false;
    return true;
}

Message simpleMessage() {
    Message m;
    m.setSubject("Hello");
    m.setSenderName("Ann Smith");
    m.setSenderAddress("ann@example.com");
    m.setRecipientsFromCell("Bob Jones <bob@example.com>");
    m.setBodyLines({"Dear Bob,", "", "see you."});
    return m;
}

class TempDir {
public:
    TempDir() {
        char t[] = "/tmp/quillory-msg-XXXXXX";
        if (!mkdtemp(t)) throw std::runtime_error("mkdtemp");
        m_path = t;
    }
    ~TempDir() { std::filesystem::remove_all(m_path); }
    // Writes a file whose name is Windows-1252 text; returns its path as program text.
    std::string write(const std::string& name, const std::string& bytes) const {
        std::string path = m_path.string() + "/" + name;
        std::ofstream(text::nativePath(path), std::ios::binary) << bytes;
        return path;
    }

private:
    std::filesystem::path m_path;
};

TEST(Message, PlainAsciiMessageHasEveryHeaderAndItsLines) {
    Message m = simpleMessage();
    std::string raw = m.compose(fixedTime());
    EXPECT_TRUE(linesAreWellFormed(raw));

    MimeDump d = parseMime(raw);
    EXPECT_TRUE(d.defects.empty()) << d.defects.front();
    EXPECT_EQ(d.header("date"), "Tue, 05 Mar 2024 14:04:05 +0100");
    EXPECT_EQ(d.header("from"), "Ann Smith <ann@example.com>");
    EXPECT_EQ(d.header("to"), "Bob Jones <bob@example.com>");
    EXPECT_EQ(d.header("subject"), "Hello");
    EXPECT_EQ(d.header("mime-version"), "1.0");
    EXPECT_NE(d.header("message-id").find("@example.com>"), std::string::npos);
    ASSERT_EQ(d.parts.size(), 1u);
    EXPECT_EQ(d.parts[0].contentType, "text/plain");
    EXPECT_EQ(d.parts[0].charset, "windows-1252");
    EXPECT_EQ(d.parts[0].transferEncoding, "7bit");
    EXPECT_EQ(withCrLf(d.parts[0].payload), "Dear Bob,\r\n\r\nsee you.\r\n");

    std::string again = m.compose(fixedTime());
    EXPECT_NE(parseMime(again).header("message-id"), d.header("message-id"));
}

TEST(Message, BodyThatIsNotShortAsciiGoesQuotedPrintable) {
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::string expected;
    };
    const std::string longAscii(2000, 'a');
    const std::string long8bit = std::string(300, '\xE9') + " end ";
    const Case cases[] = {
        {"8-bit",
         {"Caf\xE9 cr\xE8me", "1 + 1 = 2", "trailing blank "},
         "Caf\xE9 cr\xE8me\r\n1 + 1 = 2\r\ntrailing blank \r\n"},
        {"long 8-bit line", {long8bit}, long8bit + "\r\n"},
        {"ASCII line beyond 998 bytes", {longAscii, "x"}, longAscii + "\r\nx\r\n"},
        {"control byte", {std::string("bell\x07")}, "bell\x07\r\n"},
        {"breaks inside an entry", {"one\r\ntwo\nthree\rfour\xE9"}, "one\r\ntwo\r\nthree\r\nfour\xE9\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Message m = simpleMessage();
        m.setBodyLines(c.lines);
        std::string raw = m.compose(fixedTime());
        EXPECT_TRUE(linesAreWellFormed(raw, 78));
        MimeDump d = parseMime(raw);
        EXPECT_TRUE(d.defects.empty());
        ASSERT_EQ(d.parts.size(), 1u);
        EXPECT_EQ(d.parts[0].transferEncoding, "quoted-printable");
        EXPECT_EQ(d.parts[0].charset, "windows-1252");
        EXPECT_EQ(withCrLf(d.parts[0].payload), c.expected);
    }
}

TEST(Message, SubjectIsEncodedWhenItMustBeAndNeverBreaksTheHeaderBlock) {
    const std::string long8bit = [] {
        std::string s;
        for (int i = 0; i < 40; ++i)
            s += "d\xE9j\xE0 vu ";
        return s;
    }();
    const std::string longWord(1200, 'w');
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"Caf\xE9 au lait", "Caf\xE9 au lait"},
        {long8bit, long8bit},
        {longWord, longWord},
        {"Looks =?utf-8?Q?encoded?= but is not", "Looks =?utf-8?Q?encoded?= but is not"},
        {"A subject with enough plain words to need folding across more than one line of the header",
         "A subject with enough plain words to need folding across more than one line of the header"},
        {"Hi\r\nBcc: evil@example.com", "Hi Bcc: evil@example.com"},
        {"Hi\n\nX-Evil: 1\r", "Hi X-Evil: 1 "},
    };
    for (const auto& [subject, shown] : cases) {
        SCOPED_TRACE(subject.substr(0, 60));
        Message m = simpleMessage();
        m.setSubject(subject);
        std::string raw = m.compose(fixedTime());
        EXPECT_TRUE(linesAreWellFormed(headerBlock(raw), 78));
        MimeDump d = parseMime(raw);
        EXPECT_TRUE(d.defects.empty());
        EXPECT_EQ(d.header("subject"), shown);
        EXPECT_EQ(d.headerCount("bcc"), 0);
        EXPECT_EQ(d.headerCount("x-evil"), 0);
        EXPECT_EQ(d.headers.size(),
                  8u); // Date From To Subject Message-ID MIME-Version Content-Type, -Transfer-Encoding
        EXPECT_TRUE(isAscii(headerBlock(raw)));
    }
}

TEST(Message, SenderNameIsQuotedOrEncodedAndLineBreaksCannotAddHeaders) {
    struct Case {
        std::string name, address, shownName, shownAddress;
    };
    const Case cases[] = {
        {"Ann Smith", "ann@example.com", "Ann Smith", "ann@example.com"},
        {"", "ann@example.com", "", "ann@example.com"},
        {"Smith, Ann (Sales)", "ann@example.com", "Smith, Ann (Sales)", "ann@example.com"},
        {"Say \"hi\"", "ann@example.com", "Say \"hi\"", "ann@example.com"},
        {"Jos\xE9 Garc\xED"
         "a",
         " <jose@example.com> ",
         "Jos\xE9 Garc\xED"
         "a",
         "jose@example.com"},
        {"Ann\r\nBcc: evil@example.com", "ann@example.com", "Ann Bcc: evil@example.com", "ann@example.com"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Message m = simpleMessage();
        m.setSenderName(c.name);
        m.setSenderAddress(c.address);
        std::string raw = m.compose(fixedTime());
        EXPECT_TRUE(isAscii(headerBlock(raw)));
        MimeDump d = parseMime(raw);
        EXPECT_TRUE(d.defects.empty());
        EXPECT_EQ(d.headerCount("bcc"), 0);
        auto from = d.addressesOf("from");
        ASSERT_EQ(from.size(), 1u);
        EXPECT_EQ(from[0].displayName, c.shownName);
        EXPECT_EQ(from[0].address, c.shownAddress);
        EXPECT_EQ(m.envelopeSender(), c.shownAddress);
    }
    // An address with a line break stays on its header line (and a server will refuse it).
    Message m = simpleMessage();
    m.setSenderAddress("ann@example.com\r\nBcc: evil@example.com");
    EXPECT_EQ(m.envelopeSender(), "ann@example.com Bcc: evil@example.com");
    MimeDump d = parseMime(m.compose(fixedTime()));
    EXPECT_EQ(d.headerCount("bcc"), 0);
}

TEST(Message, ToHeaderListsEveryAddressOfTheCellFoldedBetweenAddresses) {
    std::string cell = "\"Smith, Ann\" <ann@example.com>, Jos\xE9 <jose@example.com>";
    std::vector<std::string> expected = {"ann@example.com", "jose@example.com"};
    for (int i = 0; i < 40; ++i) {
        std::string a = "reader" + std::to_string(i) + "@example.com";
        cell += ", Reader " + std::to_string(i) + " <" + a + ">";
        expected.push_back(a);
    }
    Message m = simpleMessage();
    m.setRecipientsFromCell(cell);
    EXPECT_EQ(m.recipients(), expected);
    std::string raw = m.compose(fixedTime());
    EXPECT_TRUE(linesAreWellFormed(headerBlock(raw), 78));
    auto to = parseMime(raw).addressesOf("to");
    ASSERT_EQ(to.size(), expected.size());
    EXPECT_EQ(to[0].displayName, "Smith, Ann");
    EXPECT_EQ(to[1].displayName, "Jos\xE9");
    for (std::size_t i = 0; i < to.size(); ++i)
        EXPECT_EQ(to[i].address, expected[i]);
}

TEST(Message, AttachmentsFollowTheBodyInListOrderByteForByte) {
    TempDir dir;
    std::string binary;
    for (int i = 0; i < 5000; ++i)
        binary += static_cast<char>((i * 7) & 0xFF);
    const std::string accented = "r\xE9sum\xE9 of the year with a rather long file name, too.txt";
    std::string first = dir.write("report.pdf", binary);
    std::string second = dir.write(accented, "Caf\xE9\r\n");
    std::string third = dir.write("empty.dat", "");

    Message m = simpleMessage();
    m.setContentType(ContentType::MultipartMixed);
    m.setBodyLines({"Dear Bob,", "the r\xE9sum\xE9 is attached."});
    m.addAttachment(first);
    m.addAttachment(second);
    m.addAttachment(third);
    std::string raw = m.compose(fixedTime());
    EXPECT_TRUE(linesAreWellFormed(raw, 78));

    MimeDump d = parseMime(raw);
    EXPECT_TRUE(d.defects.empty());
    EXPECT_NE(d.header("content-type").find("multipart/mixed"), std::string::npos);
    ASSERT_EQ(d.parts.size(), 4u);
    EXPECT_EQ(d.parts[0].contentType, "text/plain");
    EXPECT_EQ(d.parts[0].charset, "windows-1252");
    EXPECT_EQ(d.parts[0].disposition, "-");
    EXPECT_EQ(withCrLf(d.parts[0].payload), "Dear Bob,\r\nthe r\xE9sum\xE9 is attached.\r\n");
    const std::pair<std::string, std::string> files[] = {
        {"report.pdf", binary}, {accented, "Caf\xE9\r\n"}, {"empty.dat", ""}};
    for (std::size_t i = 0; i < 3; ++i) {
        SCOPED_TRACE(files[i].first);
        const auto& part = d.parts[i + 1];
        EXPECT_EQ(part.transferEncoding, "base64");
        EXPECT_EQ(part.disposition, "attachment");
        EXPECT_EQ(part.fileName, files[i].first);
        EXPECT_EQ(part.payload, files[i].second);
    }
    // The 5000-byte part: full 76-character lines but the last.
    std::size_t pos = raw.find("\r\n\r\n", raw.find("report.pdf")) + 4;
    std::vector<std::size_t> lengths;
    for (std::size_t end; (end = raw.find("\r\n", pos)) != pos; pos = end + 2)
        lengths.push_back(end - pos);
    ASSERT_EQ(lengths.size(), (binary.size() * 4 / 3 + 75) / 76);
    for (std::size_t i = 0; i + 1 < lengths.size(); ++i)
        EXPECT_EQ(lengths[i], 76u);
}

TEST(Message, FileNameIsTheNamePartOfThePath) {
    const std::pair<const char*, const char*> cases[] = {
        {"/home/ann/report.pdf", "report.pdf"},
        {"C:\\Docs\\2024\\report.pdf", "report.pdf"},
        {"plain.txt", "plain.txt"},
        {"D:\\mixed/sep\\x y.doc", "x y.doc"},
    };
    for (const auto& [path, name] : cases) {
        Message m;
        EXPECT_EQ(m.addAttachment(path).fileName, name);
        EXPECT_EQ(m.attachments().back().disposition, "attachment");
    }
}

TEST(Message, MissingAttachmentOrUnreadableCellFailsTheMessage) {
    Message m = simpleMessage();
    m.addAttachment("/nonexistent/quillory/offer.pdf");
    try {
        m.compose(fixedTime());
        ADD_FAILURE() << "composed without its attachment";
    } catch (const FileError& e) {
        EXPECT_EQ(std::string(e.what()), "attachment /nonexistent/quillory/offer.pdf: no such file");
        EXPECT_EQ(e.code(), ErrorCode::FileNotFound);
    }

    Message bad = simpleMessage();
    bad.setRecipientsFromCell("Bob Jones");
    EXPECT_TRUE(bad.recipients().empty());
    EXPECT_NE(bad.recipientError().find("(no @)"), std::string::npos);
    EXPECT_THROW(bad.compose(fixedTime()), Error);

    Message none;
    none.setSenderAddress("ann@example.com");
    EXPECT_THROW(none.compose(fixedTime()), Error);

    // A later good cell clears the error; clear() empties everything.
    bad.setRecipientsFromCell("bob@example.com");
    EXPECT_EQ(bad.recipientError(), "");
    EXPECT_NO_THROW(bad.compose(fixedTime()));
    bad.clear();
    EXPECT_EQ(bad.contentType(), ContentType::TextPlain);
    EXPECT_TRUE(bad.subject().empty() && bad.attachments().empty() && bad.bodyLines().empty());
    EXPECT_THROW(bad.compose(fixedTime()), Error);
}

} // namespace
} // namespace quillory::send
