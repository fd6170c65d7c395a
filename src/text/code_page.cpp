#include "text/code_page.h"

namespace quillory::text {

namespace {

constexpr char32_t k1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

// Decodes one UTF-8 sequence at s[i]; returns the code point and advances i, or returns
// 0xFFFFFFFF for an invalid sequence (advancing by one byte).
char32_t decodeUtf8(std::string_view s, std::size_t& i) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    int extra = 0;
    char32_t cp = 0;
    char32_t min = 0;
    if ((b0 & 0xE0) == 0xC0) {
        extra = 1, cp = b0 & 0x1F, min = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        extra = 2, cp = b0 & 0x0F, min = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        extra = 3, cp = b0 & 0x07, min = 0x10000;
    } else {
        ++i;
        return 0xFFFFFFFF;
    }
    if (i + extra >= s.size()) {
        ++i;
        return 0xFFFFFFFF;
    }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return 0xFFFFFFFF;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
        ++i;
        return 0xFFFFFFFF;
    }
    i += extra + 1;
    return cp;
}

} // namespace

const CodePage& CodePage::windows1252() {
    static const CodePage cp = [] {
        CodePage p;
        p.m_name = "windows-1252";
        for (int b = 0; b < 256; ++b) {
            p.m_toUnicode[b] = (b >= 0x80 && b < 0xA0) ? k1252High[b - 0x80] : static_cast<char32_t>(b);
            p.m_lower[b] = static_cast<unsigned char>(b);
        }
        for (int b = 'A'; b <= 'Z'; ++b) p.m_lower[b] = static_cast<unsigned char>(b + 32);
        for (int b = 0xC0; b <= 0xDE; ++b)
            if (b != 0xD7) p.m_lower[b] = static_cast<unsigned char>(b + 32);
        p.m_lower[0x8A] = 0x9A; // Š
        p.m_lower[0x8C] = 0x9C; // Œ
        p.m_lower[0x8E] = 0x9E; // Ž
        p.m_lower[0x9F] = 0xFF; // Ÿ
        return p;
    }();
    return cp;
}

char CodePage::fromUnicode(char32_t cp, bool& ok) const {
    ok = true;
    if (cp < 0x80 || (cp >= 0xA0 && cp < 0x100)) return static_cast<char>(cp);
    for (int b = 0x80; b < 0xA0; ++b)
        if (m_toUnicode[b] == cp) return static_cast<char>(b);
    ok = false;
    return '?';
}

std::string CodePage::toUtf8(std::string_view bytes) const {
    std::string out;
    out.reserve(bytes.size() + bytes.size() / 8);
    for (unsigned char b : bytes) appendUtf8(out, m_toUnicode[b]);
    return out;
}

std::string CodePage::fromUtf8(std::string_view utf8, std::size_t* replaced) const {
    std::string out;
    out.reserve(utf8.size());
    std::size_t bad = 0;
    for (std::size_t i = 0; i < utf8.size();) {
        const char32_t cp = decodeUtf8(utf8, i);
        bool ok = cp != 0xFFFFFFFF;
        out.push_back(ok ? fromUnicode(cp, ok) : '?');
        if (!ok) ++bad;
    }
    if (replaced) *replaced = bad;
    return out;
}

std::u16string CodePage::toUtf16(std::string_view bytes) const {
    std::u16string out(bytes.size(), u'\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        out[i] = static_cast<char16_t>(m_toUnicode[static_cast<unsigned char>(bytes[i])]);
    return out;
}

std::string CodePage::fromUtf16(std::u16string_view utf16, std::size_t* replaced) const {
    std::string out;
    out.reserve(utf16.size());
    std::size_t bad = 0;
    for (std::size_t i = 0; i < utf16.size(); ++i) {
        char32_t cp = utf16[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < utf16.size() && utf16[i + 1] >= 0xDC00 && utf16[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (utf16[i + 1] - 0xDC00);
            ++i;
        }
        bool ok = true;
        out.push_back(fromUnicode(cp, ok));
        if (!ok) ++bad;
    }
    if (replaced) *replaced = bad;
    return out;
}

std::string CodePage::toLower(std::string_view s) const {
    std::string out(s);
    for (auto& c : out) c = static_cast<char>(m_lower[static_cast<unsigned char>(c)]);
    return out;
}

bool CodePage::equalsIgnoringCase(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (m_lower[static_cast<unsigned char>(a[i])] != m_lower[static_cast<unsigned char>(b[i])]) return false;
    return true;
}

std::string asciiUpper(std::string_view s) {
    std::string out(s);
    for (auto& c : out) c = asciiUpper(c);
    return out;
}

bool equalsAsciiCaseInsensitive(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (asciiUpper(a[i]) != asciiUpper(b[i])) return false;
    return true;
}

} // namespace quillory::text
