#include "send/address_list.h"

#include "send/mime_encoding.h"
#include "text/error.h"

#include <optional>

namespace quillory::send {
namespace {

[[noreturn]] void fail(const std::string& what) {
    throw Error(what, ErrorCode::General);
}

// A recursive-descent reader of RFC 5322 address lists. Names may hold 8-bit bytes (the cell
// is code-page text and the composer encodes them); addresses may not, since a server
// without SMTPUTF8 would take them for something else.
class Reader {
public:
    explicit Reader(std::string_view text) : m_text(text) {}

    AddressList readList() {
        AddressList list;
        for (;;) {
            skipCfws();
            if (atEnd()) break;
            if (peek() == ',') { // empty entries, as in "a@x.org,,b@y.org" or a trailing comma
                ++m_pos;
                continue;
            }
            readAddress(list);
            skipCfws();
            if (atEnd()) break;
            if (peek() != ',') fail(unexpected());
            ++m_pos;
        }
        if (list.mailboxes.empty()) fail("no e-mail address in \"" + std::string(m_text) + "\"");
        return list;
    }

private:
    bool atEnd() const { return m_pos >= m_text.size(); }
    unsigned char peek() const { return static_cast<unsigned char>(m_text[m_pos]); }

    std::string unexpected() const {
        return "invalid e-mail address \"" + std::string(m_text) + "\" (unexpected \"" + std::string(1, m_text[m_pos]) +
               "\")";
    }
    std::string incomplete() const { return "invalid e-mail address \"" + std::string(m_text) + "\""; }

    // Skips blanks and comments; returns the text of the last comment (a name, by old custom).
    std::optional<std::string> skipCfws() {
        std::optional<std::string> comment;
        for (;;) {
            while (!atEnd() && (peek() == ' ' || peek() == '\t'))
                ++m_pos;
            if (atEnd() || peek() != '(') return comment;
            comment = readComment();
        }
    }

    std::string readComment() {
        std::string text;
        int depth = 0;
        do {
            if (atEnd()) fail("unclosed comment in \"" + std::string(m_text) + "\"");
            char c = m_text[m_pos++];
            if (c == '\\') {
                if (atEnd()) fail(incomplete());
                text += m_text[m_pos++];
                continue;
            }
            if (c == '(') {
                if (depth++ > 0) text += c;
            } else if (c == ')') {
                if (--depth > 0) text += c;
            } else {
                text += c;
            }
        } while (depth > 0);
        return text;
    }

    std::string readQuoted() {
        std::string text;
        ++m_pos; // opening quote
        for (;;) {
            if (atEnd()) fail("unclosed quotation mark in \"" + std::string(m_text) + "\"");
            char c = m_text[m_pos++];
            if (c == '"') return text;
            if (c == '\\') {
                if (atEnd()) fail(incomplete());
                c = m_text[m_pos++];
            }
            text += c;
        }
    }

    std::string readAtom(bool allow8bit, bool allowDot) {
        std::size_t start = m_pos;
        while (!atEnd() && (isAtext(peek()) || (allow8bit && peek() >= 0x80) || (allowDot && peek() == '.')))
            ++m_pos;
        return std::string(m_text.substr(start, m_pos - start));
    }

    // A phrase's words, joined by single spaces. Dots are allowed, as many programs write
    // "J. Smith <j@x.org>" without quotes.
    std::string readPhrase() {
        std::string phrase;
        for (;;) {
            skipCfws();
            if (atEnd()) return phrase;
            std::string word;
            if (peek() == '"')
                word = readQuoted();
            else if (isAtext(peek()) || peek() >= 0x80 || peek() == '.')
                word = readAtom(true, true);
            else
                return phrase;
            if (!phrase.empty()) phrase += ' ';
            phrase += word;
        }
    }

    std::string readAddrSpec() {
        skipCfws();
        if (atEnd()) fail(incomplete());
        std::string local;
        if (peek() == '"') {
            std::string quoted = readQuoted();
            local = "\"";
            for (char c : quoted) {
                if (c == '"' || c == '\\') local += '\\';
                local += c;
            }
            local += '"';
        } else {
            local = readDotAtom();
        }
        skipCfws();
        if (atEnd() || peek() != '@') fail("invalid e-mail address \"" + std::string(m_text) + "\" (no @)");
        ++m_pos;
        skipCfws();
        std::string domain;
        if (!atEnd() && peek() == '[') {
            std::size_t close = m_text.find(']', m_pos);
            if (close == std::string_view::npos) fail(incomplete());
            domain = std::string(m_text.substr(m_pos, close + 1 - m_pos));
            m_pos = close + 1;
        } else {
            domain = readDotAtom();
        }
        for (unsigned char c : local + domain)
            if (c >= 0x80 || c < 0x20 || c == 0x7F)
                fail("invalid e-mail address \"" + std::string(m_text) +
                     "\" (characters a mail server does not accept)");
        return local + "@" + domain;
    }

    std::string readDotAtom() {
        // 8-bit bytes are read here so that the caller names them as the problem.
        std::string atom = readAtom(true, true);
        if (atom.empty()) fail(atEnd() ? incomplete() : unexpected());
        if (atom.front() == '.' || atom.back() == '.' || atom.find("..") != std::string::npos) fail(incomplete());
        return atom;
    }

    Mailbox readAngleAddr(std::string name) {
        ++m_pos; // '<'
        Mailbox box{std::move(name), readAddrSpec()};
        skipCfws();
        if (atEnd() || peek() != '>') fail(atEnd() ? incomplete() : unexpected());
        ++m_pos;
        return box;
    }

    // One address: a mailbox, or a group "name: mailbox, ...;".
    void readAddress(AddressList& list) {
        std::size_t start = m_pos;
        std::string name = readPhrase();
        skipCfws();
        if (!atEnd() && peek() == '<') {
            Mailbox box = readAngleAddr(std::move(name));
            list.headerItems.push_back(renderMailbox(box.displayName, box.address));
            list.mailboxes.push_back(std::move(box));
            return;
        }
        if (!atEnd() && peek() == ':' && !name.empty()) {
            ++m_pos;
            std::string item = phrase(name) + ":";
            bool firstMember = true;
            for (;;) {
                skipCfws();
                if (atEnd()) fail("unclosed group in \"" + std::string(m_text) + "\"");
                if (peek() == ';') {
                    ++m_pos;
                    break;
                }
                if (peek() == ',') {
                    ++m_pos;
                    continue;
                }
                Mailbox box = readMailbox();
                item += firstMember ? " " : ", ";
                item += renderMailbox(box.displayName, box.address);
                firstMember = false;
                list.mailboxes.push_back(std::move(box));
            }
            list.headerItems.push_back(item + ";");
            return;
        }
        // Neither an angle address nor a group: a bare address, read again from the start.
        m_pos = start;
        Mailbox box = readBareMailbox();
        list.headerItems.push_back(renderMailbox(box.displayName, box.address));
        list.mailboxes.push_back(std::move(box));
    }

    Mailbox readMailbox() {
        std::size_t start = m_pos;
        std::string name = readPhrase();
        skipCfws();
        if (!atEnd() && peek() == '<') return readAngleAddr(std::move(name));
        m_pos = start;
        return readBareMailbox();
    }

    // "addr@example.org (Name)": the trailing comment serves as the name.
    Mailbox readBareMailbox() {
        Mailbox box;
        box.address = readAddrSpec();
        if (std::optional<std::string> comment = skipCfws()) box.displayName = *comment;
        return box;
    }

    std::string_view m_text;
    std::size_t m_pos = 0;
};

} // namespace

std::vector<std::string> AddressList::addresses() const {
    std::vector<std::string> out;
    out.reserve(mailboxes.size());
    for (const Mailbox& box : mailboxes)
        out.push_back(box.address);
    return out;
}

AddressList parseAddressList(std::string_view cell) {
    if (cell.find_first_of("\r\n") != std::string_view::npos)
        throw Error("the address \"" + foldLineBreaks(cell) + "\" contains a line break", ErrorCode::General);
    return Reader(cell).readList();
}

std::string renderMailbox(std::string_view displayName, std::string_view address) {
    std::string addr(address);
    if (displayName.empty()) return addr;
    return phrase(displayName) + " <" + addr + ">";
}

} // namespace quillory::send
