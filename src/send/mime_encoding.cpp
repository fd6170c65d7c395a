#include "send/mime_encoding.h"

#include <array>
#include <cstdint>
#include <vector>

namespace quillory::send {
namespace {

constexpr char hexDigits[] = "0123456789ABCDEF";
constexpr std::size_t preferredLineLength = 78;
// Longest run without a space that an unstructured header may carry unencoded; beyond it
// the value becomes encoded words, which can be folded anywhere.
constexpr std::size_t longestPlainWord = 900;

bool isControl(unsigned char c) {
    return c < 0x20 || c == 0x7F;
}


// Characters that stand for themselves inside a Q-encoded word in any header position.
bool isQLiteral(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '!' || c == '*' ||
           c == '+' || c == '-' || c == '/';
}

void appendHex(std::string& out, unsigned char c, char prefix) {
    out += prefix;
    out += hexDigits[c >> 4];
    out += hexDigits[c & 0x0F];
}

} // namespace

bool isAtext(unsigned char c) {
    if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')) return true;
    switch (c) {
    case '!':
    case '#':
    case '$':
    case '%':
    case '&':
    case '\'':
    case '*':
    case '+':
    case '-':
    case '/':
    case '=':
    case '?':
    case '^':
    case '_':
    case '`':
    case '{':
    case '|':
    case '}':
    case '~':
        return true;
    default:
        return false;
    }
}

bool needsHeaderEncoding(std::string_view text) {
    for (unsigned char c : text)
        if (c >= 0x80 || (isControl(c) && c != '\t')) return true;
    return false;
}

std::string foldLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    bool inBreak = false;
    for (char c : text) {
        if (c == '\r' || c == '\n') {
            if (!inBreak) out += ' ';
            inBreak = true;
        } else {
            out += c;
            inBreak = false;
        }
    }
    return out;
}

std::string encodeWords(std::string_view text) {
    static constexpr std::string_view prefix = "=?windows-1252?Q?";
    static constexpr std::string_view suffix = "?=";
    // RFC 2047 allows 75; shorter words fit beside "Subject: " on a 78-character line, and
    // a folded value must not start with its own line break (readers keep that blank).
    static constexpr std::size_t maxWord = 66;
    std::string out;
    std::string word;
    auto flush = [&] {
        if (!out.empty()) out += ' ';
        out += prefix;
        out += word;
        out += suffix;
        word.clear();
    };
    for (unsigned char c : text) {
        std::size_t need = (c == ' ' || isQLiteral(c)) ? 1 : 3;
        if (prefix.size() + word.size() + need + suffix.size() > maxWord) flush();
        if (c == ' ')
            word += '_';
        else if (isQLiteral(c))
            word += static_cast<char>(c);
        else
            appendHex(word, c, '=');
    }
    if (!word.empty() || out.empty()) flush();
    return out;
}

std::string unstructuredHeaderValue(std::string_view text) {
    bool plain = !needsHeaderEncoding(text) && text.find("=?") == std::string_view::npos;
    std::size_t run = 0;
    for (char c : text) {
        run = (c == ' ' || c == '\t') ? 0 : run + 1;
        if (run > longestPlainWord) plain = false;
    }
    // Leading or trailing blanks would be lost to unfolding and trimming by readers.
    if (!text.empty() && (text.front() == ' ' || text.back() == ' ' || text.front() == '\t' || text.back() == '\t'))
        plain = false;
    return plain ? std::string(text) : encodeWords(text);
}

std::string phrase(std::string_view name) {
    if (needsHeaderEncoding(name)) return encodeWords(name);
    bool atoms = !name.empty() && name.front() != ' ' && name.back() != ' ';
    for (std::size_t i = 0; atoms && i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c == ' ') {
            if (name[i + 1] == ' ') atoms = false; // runs of blanks would collapse
        } else if (!isAtext(c)) {
            atoms = false;
        }
    }
    if (atoms) return std::string(name);
    std::string out = "\"";
    for (char c : name) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
    return out;
}

void appendHeader(std::string& out, std::string_view name, std::string_view value) {
    out += name;
    out += ':';
    std::size_t lineLength = name.size() + 1;
    std::size_t pos = 0;
    // Every piece keeps the space in front of it, so folding (CR LF before that space) and
    // unfolding give back the value unchanged.
    bool first = true;
    while (pos <= value.size()) {
        std::size_t next = value.find(' ', pos + 1);
        if (next == std::string_view::npos) next = value.size();
        std::string_view piece = value.substr(pos, next - pos);
        if (first) {
            out += ' ';
            ++lineLength;
            first = false;
        } else if (lineLength + piece.size() > preferredLineLength && lineLength > 1) {
            out += "\r\n";
            lineLength = 0;
        }
        out += piece;
        lineLength += piece.size();
        if (next >= value.size()) break;
        pos = next;
    }
    out += "\r\n";
}

void appendQuotedPrintableLine(std::string& out, std::string_view line) {
    static constexpr std::size_t maxLine = 76;
    std::size_t lineLength = 0;
    for (std::size_t i = 0; i < line.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(line[i]);
        bool last = i + 1 == line.size();
        bool literal = (c >= 33 && c <= 126 && c != '=') || ((c == ' ' || c == '\t') && !last);
        std::size_t width = literal ? 1 : 3;
        // Keep room for the soft break "=" unless this is the last character of the line.
        std::size_t limit = last ? maxLine : maxLine - 1;
        if (lineLength + width > limit) {
            out += "=\r\n";
            lineLength = 0;
        }
        if (literal)
            out += static_cast<char>(c);
        else
            appendHex(out, c, '=');
        lineLength += width;
    }
}

void appendBase64(std::string& out, std::string_view bytes) {
    static constexpr char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    static constexpr std::size_t groupsPerLine = 19; // 76 characters
    out.reserve(out.size() + (bytes.size() + 2) / 3 * 4 + (bytes.size() / 57 + 1) * 2);
    std::size_t groups = 0;
    std::size_t i = 0;
    auto byteAt = [&](std::size_t k) { return static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[k])); };
    for (; i + 3 <= bytes.size(); i += 3) {
        std::uint32_t v = byteAt(i) << 16 | byteAt(i + 1) << 8 | byteAt(i + 2);
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += alphabet[(v >> 6) & 63];
        out += alphabet[v & 63];
        if (++groups == groupsPerLine) {
            out += "\r\n";
            groups = 0;
        }
    }
    std::size_t rest = bytes.size() - i;
    if (rest > 0) {
        std::uint32_t v = byteAt(i) << 16 | (rest == 2 ? byteAt(i + 1) << 8 : 0);
        out += alphabet[v >> 18];
        out += alphabet[(v >> 12) & 63];
        out += rest == 2 ? alphabet[(v >> 6) & 63] : '=';
        out += '=';
        ++groups;
    }
    if (groups > 0) out += "\r\n";
}

std::string mimeParameter(std::string_view name, std::string_view value) {
    static constexpr std::size_t section = 40;
    bool plain = value.size() <= section && !needsHeaderEncoding(value);
    for (char c : value)
        if (c == '"' || c == '\\') plain = false;
    std::string out;
    if (plain) {
        out.append(name).append("=\"").append(value).append("\"");
        return out;
    }
    // RFC 2231: percent-encode everything but attribute characters; sections never split an
    // escape, and a value that fits one section needs no numbering.
    auto isAttributeChar = [](unsigned char c) {
        return c > 32 && c < 127 && !isControl(c) && c != '*' && c != '\'' && c != '%' && c != '(' && c != ')' &&
               c != '<' && c != '>' && c != '@' && c != ',' && c != ';' && c != ':' && c != '\\' && c != '"' &&
               c != '/' && c != '[' && c != ']' && c != '?' && c != '=';
    };
    std::vector<std::string> sections(1);
    for (unsigned char c : value) {
        std::size_t width = isAttributeChar(c) ? 1 : 3;
        if (sections.back().size() + width > section) sections.emplace_back();
        if (width == 1)
            sections.back() += static_cast<char>(c);
        else
            appendHex(sections.back(), c, '%');
    }
    for (std::size_t k = 0; k < sections.size(); ++k) {
        if (k > 0) out += "; ";
        out.append(name);
        if (sections.size() > 1) out.append("*").append(std::to_string(k));
        out += "*=";
        if (k == 0) out.append(messageCharset).append("''");
        out += sections[k];
    }
    return out;
}

} // namespace quillory::send
