#pragma once
// Template tokens: `{{name}}` stands for the current row's value in the column whose heading
// equals the name after ASCII upper-casing. Inserted values are never scanned again.

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::merge {

// A template parsed against one heading list: literal runs and column references, so that
// generating many rows from one text costs one scan of the text, not one per row.
class CompiledTemplate final {
public:
    CompiledTemplate() = default;
    CompiledTemplate(std::string_view templ, std::span<const std::string> headings);

    // Appends the message for one row. A column the row lacks gives the empty text.
    void renderTo(std::span<const std::string> values, std::string& out) const;
    std::string render(std::span<const std::string> values) const;

    const std::string& text() const { return m_text; }
    std::size_t tokenCount() const { return m_pieces.size(); }

private:
    struct Piece {
        std::size_t literalBegin; // literal text before the token, in m_text
        std::size_t literalLength;
        std::size_t column; // heading index of the value
    };
    std::string m_text;
    std::vector<Piece> m_pieces;
    std::size_t m_tailBegin = 0; // literal text after the last token
};

std::string mergeTemplate(std::string_view templ, std::span<const std::string> headings,
                          std::span<const std::string> values);

// Reuses the compiled form while neither the template nor the headings change: the preview,
// the send loop and the log search each generate many rows from one text.
class TemplateCache final {
public:
    const CompiledTemplate& get(std::string_view templ, std::span<const std::string> headings);

private:
    CompiledTemplate m_compiled;
    std::vector<std::string> m_headings;
    bool m_valid = false;
};

// The result of checking a template's brackets and token names before a mailing.
struct TokenCheck {
    std::string report;        // the lines of the report, CR LF between them
    bool askToContinue = false; // unbalanced brackets or an unknown name: the user must be asked
    // The text the question shows: the report, CR LF and the question itself.
    std::string questionText() const;
};

TokenCheck checkTemplateTokens(std::string_view templ, std::span<const std::string> headings);

} // namespace quillory::merge
