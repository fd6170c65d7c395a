#pragma once
// Bytes of a text file on their way to the program's code page, and the two ways the program
// cuts text into lines.

#include "merge/user_message.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::merge {

struct DecodedText {
    std::string text;
    std::size_t replaced = 0; // characters the code page lacks, now '?'
};

// A UTF-8 or UTF-16 byte-order mark, or bytes that are valid UTF-8 and not all ASCII, mean the
// file was written by a Unicode editor: such text is converted to the code page and the mark
// dropped. Anything else is taken as code-page text unchanged.
DecodedText decodeText(std::string bytes);

// The information box that reports characters lost in the conversion; none when nothing was lost.
std::optional<UserMessage> replacedCharactersMessage(std::size_t replaced);

// NUL bytes never occur in text; a file holding them is something else opened by mistake.
bool holdsBinaryData(std::string_view text);

// The line rules of delimited grid files and job files: LF or CR LF ends a line, a CR that
// is not followed by LF is dropped, character 26 ends the text. The last line counts even
// without a line end; text that ends with a line end has no empty line after it.
class TextLines final {
public:
    explicit TextLines(std::string_view text);
    // The views point into the text and into this object's own cleaned lines.
    TextLines(const TextLines&) = delete;
    TextLines& operator=(const TextLines&) = delete;
    std::size_t size() const { return m_lines.size(); }
    std::string_view operator[](std::size_t i) const { return m_lines[i]; }
    std::span<const std::string_view> all() const { return m_lines; }

private:
    std::vector<std::string_view> m_lines;
    std::vector<std::string> m_cleaned; // lines that held a lone CR, without it
};

// Template text and clipboard text split at CR LF, at CR and at LF; a line break at the very
// end does not start another line.
std::vector<std::string_view> splitAtAnyLineBreak(std::string_view text);

// The same text with every line break written as CR LF.
std::string withCrLfLineBreaks(std::string_view text);

} // namespace quillory::merge
