#include "merge/text_file.h"

#include "text/code_page.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quillory::merge {

namespace {

bool allAscii(std::string_view s) {
    // Eight bytes at a time: a grid file of several megabytes is scanned before anything else.
    std::size_t i = 0;
    for (; i + 8 <= s.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, s.data() + i, sizeof word);
        if ((word & 0x8080808080808080ULL) != 0) return false;
    }
    for (; i < s.size(); ++i)
        if (static_cast<unsigned char>(s[i]) >= 0x80) return false;
    return true;
}

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool validUtf8(std::string_view s) {
    const auto* p = reinterpret_cast<const unsigned char*>(s.data());
    const std::size_t n = s.size();
    std::size_t i = 0;
    while (i < n) {
        const unsigned char b = p[i];
        if (b < 0x80) {
            ++i;
            continue;
        }
        int extra;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2;
            if (b == 0xE0) lo = 0xA0;
            if (b == 0xED) hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3;
            if (b == 0xF0) lo = 0x90;
            if (b == 0xF4) hi = 0x8F;
        } else {
            return false;
        }
        if (i + extra >= n) return false;
        if (p[i + 1] < lo || p[i + 1] > hi) return false;
        for (int k = 2; k <= extra; ++k)
            if ((p[i + k] & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

DecodedText fromUtf16(std::string_view bytes, bool bigEndian) {
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t k = 0; k < units.size(); ++k) {
        const auto b0 = static_cast<unsigned char>(bytes[2 * k]);
        const auto b1 = static_cast<unsigned char>(bytes[2 * k + 1]);
        units[k] = static_cast<char16_t>(bigEndian ? (b0 << 8 | b1) : (b1 << 8 | b0));
    }
    DecodedText out;
    out.text = text::CodePage::windows1252().fromUtf16(units, &out.replaced);
    if (bytes.size() % 2 != 0) ++out.replaced; // half a character at the end
    return out;
}

} // namespace

DecodedText decodeText(std::string bytes) {
    const std::string_view b(bytes);
    if (b.starts_with("\xEF\xBB\xBF")) {
        DecodedText out;
        out.text = text::CodePage::windows1252().fromUtf8(b.substr(3), &out.replaced);
        return out;
    }
    if (b.starts_with("\xFF\xFE")) return fromUtf16(b.substr(2), false);
    if (b.starts_with("\xFE\xFF")) return fromUtf16(b.substr(2), true);
    if (!allAscii(b) && validUtf8(b)) {
        DecodedText out;
        out.text = text::CodePage::windows1252().fromUtf8(b, &out.replaced);
        return out;
    }
    return DecodedText{std::move(bytes), 0};
}

std::optional<UserMessage> replacedCharactersMessage(std::size_t replaced) {
    if (replaced == 0) return std::nullopt;
    const std::string count = std::to_string(replaced);
    return UserMessage{"", MessageIcon::Information,
                       count + (replaced == 1 ? " character" : " characters") +
                           " of the file could not be shown in the code page " +
                           text::CodePage::windows1252().name() + " and " + (replaced == 1 ? "was" : "were") +
                           " replaced by \"?\"."};
}

bool holdsBinaryData(std::string_view text) { return text.find('\0') != std::string_view::npos; }

TextLines::TextLines(std::string_view text) {
    if (const auto eof = text.find('\x1A'); eof != std::string_view::npos) text = text.substr(0, eof);
    const char* p = text.data();
    const char* const end = p + text.size();
    m_lines.reserve(static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1);
    std::size_t withLoneCr = 0;
    while (p < end) {
        const char* nl = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* lineEnd = nl ? nl : end;
        std::string_view line(p, static_cast<std::size_t>(lineEnd - p));
        if (nl && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (std::memchr(line.data(), '\r', line.size()) != nullptr) ++withLoneCr;
        m_lines.push_back(line);
        p = nl ? nl + 1 : end;
    }
    if (withLoneCr == 0) return;
    // Reserved up front, so the views of cleaned lines never move.
    m_cleaned.reserve(withLoneCr);
    for (std::string_view& line : m_lines) {
        if (std::memchr(line.data(), '\r', line.size()) == nullptr) continue;
        std::string clean;
        clean.reserve(line.size());
        for (char c : line)
            if (c != '\r') clean.push_back(c);
        m_cleaned.push_back(std::move(clean));
        line = m_cleaned.back();
    }
}

std::vector<std::string_view> splitAtAnyLineBreak(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

std::string withCrLfLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            out.append("\r\n");
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

} // namespace quillory::merge
