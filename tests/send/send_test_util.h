#pragma once
// Checks shared by the message and client tests.

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace quillory::send::test {

// Every line ends in CR LF, no bare CR or LF anywhere, no line beyond `limit` bytes.
inline ::testing::AssertionResult linesAreWellFormed(std::string_view raw, std::size_t limit = 998) {
    std::size_t start = 0;
    int number = 1;
    while (start < raw.size()) {
        std::size_t lf = raw.find('\n', start);
        if (lf == std::string_view::npos) return ::testing::AssertionFailure() << "last line has no CR LF";
        if (lf == start || raw[lf - 1] != '\r') return ::testing::AssertionFailure() << "bare LF in line " << number;
        std::string_view line = raw.substr(start, lf - 1 - start);
        if (line.find('\r') != std::string_view::npos)
            return ::testing::AssertionFailure() << "bare CR in line " << number;
        if (line.size() > limit)
            return ::testing::AssertionFailure() << "line " << number << " has " << line.size() << " bytes";
        start = lf + 1;
        ++number;
    }
    return ::testing::AssertionSuccess();
}

// The parser hands 7bit text back with its CR LF and quoted-printable text with LF; the
// tests compare lines, whatever the parser made of the breaks.
inline std::string withCrLf(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        if (text[i] == '\n') out += '\r';
        out += text[i];
    }
    return out;
}

// The header block of a raw message, up to the first empty line.
inline std::string headerBlock(std::string_view raw) {
    return std::string(raw.substr(0, raw.find("\r\n\r\n") + 2));
}

} // namespace quillory::send::test
