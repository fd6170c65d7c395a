#pragma once
// The program keeps all text as 8-bit bytes in one code page (Windows-1252 unless chosen
// otherwise). Conversion to Unicode happens only at the boundary with the windows and the
// system, through these functions.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace quillory::text {

class CodePage final {
public:
    static const CodePage& windows1252();

    // Unicode code point of a byte. Bytes the code page leaves undefined map to the C1
    // control of the same number, as Windows does, so every byte survives a round trip.
    char32_t toUnicode(unsigned char b) const { return m_toUnicode[b]; }
    // Byte for a code point, or '?' when the code page lacks it (and `ok` becomes false).
    char fromUnicode(char32_t cp, bool& ok) const;

    std::string toUtf8(std::string_view bytes) const;
    // Converts UTF-8 to the code page; invalid sequences and missing characters become '?'.
    // `replaced`, when given, receives how many characters were replaced.
    std::string fromUtf8(std::string_view utf8, std::size_t* replaced = nullptr) const;
    std::u16string toUtf16(std::string_view bytes) const;
    std::string fromUtf16(std::u16string_view utf16, std::size_t* replaced = nullptr) const;

    // The code page's own lower-case mapping (used by case-insensitive search).
    unsigned char toLower(unsigned char b) const { return m_lower[b]; }
    std::string toLower(std::string_view s) const;
    // Equal after the lower-case mapping: how paths are compared (they name files on a system
    // that ignores case).
    bool equalsIgnoringCase(std::string_view a, std::string_view b) const;

    const char* name() const { return m_name; }

private:
    CodePage() = default;
    const char* m_name = "";
    std::array<char32_t, 256> m_toUnicode{};
    std::array<unsigned char, 256> m_lower{};
};

// ASCII-only case folding: 'a'..'z' become 'A'..'Z', nothing else changes. Token names
// match headings this way, so accented letters must agree exactly.
constexpr char asciiUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }
std::string asciiUpper(std::string_view s);
bool equalsAsciiCaseInsensitive(std::string_view a, std::string_view b);

} // namespace quillory::text
