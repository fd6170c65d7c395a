#include "merge/template_engine.h"

#include "text/code_page.h"

#include <algorithm>
#include <cstring>
#include <cstdint>

namespace quillory::merge {

namespace {

// Heading lookup by folded name; the leftmost heading wins. Token names are looked up once
// per token of the template, so this is an open-addressing table over the few headings rather
// than a node-based map.
class HeadingIndex {
public:
    explicit HeadingIndex(std::span<const std::string> headings) : m_headings(headings) {
        std::size_t size = 16;
        while (size < headings.size() * 4) size <<= 1;
        m_mask = size - 1;
        m_slots.assign(size, Slot{});
        for (std::size_t i = 0; i < headings.size(); ++i) {
            const std::uint64_t h = hash(headings[i]);
            std::size_t s = h & m_mask;
            bool duplicate = false;
            while (m_slots[s].used) {
                if (m_slots[s].hash == h && text::equalsAsciiCaseInsensitive(headings[m_slots[s].index], headings[i])) {
                    duplicate = true; // a heading further left already answers to this name
                    break;
                }
                s = (s + 1) & m_mask;
            }
            if (!duplicate) m_slots[s] = Slot{h, i, true};
        }
    }

    // Index of the leftmost matching heading, or npos.
    std::size_t find(std::string_view name) const {
        const std::uint64_t h = hash(name);
        for (std::size_t s = h & m_mask; m_slots[s].used; s = (s + 1) & m_mask) {
            const Slot& slot = m_slots[s];
            if (slot.hash == h && text::equalsAsciiCaseInsensitive(m_headings[slot.index], name)) return slot.index;
        }
        return std::string_view::npos;
    }

private:
    struct Slot {
        std::uint64_t hash = 0;
        std::size_t index = 0;
        bool used = false;
    };
    static std::uint64_t hash(std::string_view s) {
        std::uint64_t h = 1469598103934665603ull;
        for (char c : s) h = (h ^ static_cast<unsigned char>(text::asciiUpper(c))) * 1099511628211ull;
        return h ^ (h >> 29);
    }
    std::span<const std::string> m_headings;
    std::vector<Slot> m_slots;
    std::size_t m_mask = 0;
};

} // namespace

CompiledTemplate::CompiledTemplate(std::string_view templ, std::span<const std::string> headings) : m_text(templ) {
    const HeadingIndex index(headings);
    const char* t = m_text.data();
    const std::size_t n = m_text.size();
    std::size_t literalBegin = 0;
    std::size_t p = 0;
    // The first '}' at or after some position: it only moves forward as p does, which keeps
    // the scan linear even for long runs of "{{" without a closing pair.
    std::size_t close = 0;
    bool closeKnown = false;
    while (p + 1 < n) {
        const void* brace = std::memchr(t + p, '{', n - p);
        if (!brace) break;
        p = static_cast<std::size_t>(static_cast<const char*>(brace) - t);
        if (p + 1 >= n) break;
        if (t[p + 1] != '{') {
            p += 2; // t[p+1] is not '{', so no token can start at p or p+1
            continue;
        }
        if (!closeKnown || (close != std::string_view::npos && close < p + 2)) {
            const void* c = p + 2 < n ? std::memchr(t + p + 2, '}', n - p - 2) : nullptr;
            close = c ? static_cast<std::size_t>(static_cast<const char*>(c) - t) : std::string_view::npos;
            closeKnown = true;
        }
        if (close == std::string_view::npos) break; // no '}' left: nothing further can be a token
        if (close + 1 < n && t[close + 1] == '}' && close > p + 2) {
            const std::size_t column = index.find(std::string_view(t + p + 2, close - p - 2));
            if (column != std::string_view::npos) {
                m_pieces.push_back({literalBegin, p - literalBegin, column});
                p = close + 2;
                literalBegin = p;
                continue;
            }
        }
        ++p;
    }
    m_tailBegin = literalBegin;
}

void CompiledTemplate::renderTo(std::span<const std::string> values, std::string& out) const {
    for (const Piece& piece : m_pieces) {
        out.append(m_text, piece.literalBegin, piece.literalLength);
        if (piece.column < values.size()) out.append(values[piece.column]);
    }
    out.append(m_text, m_tailBegin, std::string::npos);
}

std::string CompiledTemplate::render(std::span<const std::string> values) const {
    std::string out;
    std::size_t size = m_text.size();
    for (const Piece& piece : m_pieces)
        if (piece.column < values.size()) size += values[piece.column].size();
    out.reserve(size);
    renderTo(values, out);
    return out;
}

std::string mergeTemplate(std::string_view templ, std::span<const std::string> headings,
                          std::span<const std::string> values) {
    return CompiledTemplate(templ, headings).render(values);
}

const CompiledTemplate& TemplateCache::get(std::string_view templ, std::span<const std::string> headings) {
    const bool same = m_valid && m_compiled.text() == templ &&
                      std::equal(m_headings.begin(), m_headings.end(), headings.begin(), headings.end());
    if (!same) {
        m_compiled = CompiledTemplate(templ, headings);
        m_headings.assign(headings.begin(), headings.end());
        m_valid = true;
    }
    return m_compiled;
}

std::string TokenCheck::questionText() const { return report + "\r\nDo you wish to continue?"; }

TokenCheck checkTemplateTokens(std::string_view t, std::span<const std::string> headings) {
    TokenCheck result;
    auto addLine = [&](std::string_view line) {
        if (!result.report.empty()) result.report += "\r\n";
        result.report += line;
    };

    if (t.find("{{{") != std::string_view::npos || t.find("}}}") != std::string_view::npos)
        result.report = "Incorrect token brackets";

    struct Mark {
        std::size_t pos;
        bool opening;
    };
    std::vector<Mark> marks;
    for (std::size_t p = t.find("{{"); p != std::string_view::npos; p = t.find("{{", p + 2)) marks.push_back({p, true});
    for (std::size_t p = t.find("}}"); p != std::string_view::npos; p = t.find("}}", p + 2)) marks.push_back({p, false});
    if (marks.empty()) return result;
    std::sort(marks.begin(), marks.end(), [](const Mark& a, const Mark& b) { return a.pos < b.pos; });

    bool unbalanced = !marks.front().opening || marks.back().opening;
    for (std::size_t i = 1; i < marks.size() && !unbalanced; ++i)
        unbalanced = marks[i - 1].opening == marks[i].opening;
    if (unbalanced) addLine("Unbalanced token brackets");

    while (!marks.empty() && marks.back().opening) marks.pop_back();
    std::size_t lead = 0;
    while (lead < marks.size() && !marks[lead].opening) ++lead;
    marks.erase(marks.begin(), marks.begin() + static_cast<std::ptrdiff_t>(lead));
    // From the last mark towards the first: of two openings keep the later, of two closings
    // the earlier, so each name runs from the innermost "{{" to the nearest "}}".
    std::vector<Mark> paired;
    paired.reserve(marks.size());
    for (std::size_t i = marks.size(); i-- > 0;) {
        const Mark& m = marks[i];
        if (!paired.empty() && paired.back().opening == m.opening) {
            if (!m.opening) paired.back() = m; // two closings: the later (already kept) goes
            continue;                          // two openings: the earlier (this one) goes
        }
        paired.push_back(m);
    }
    std::reverse(paired.begin(), paired.end());

    const HeadingIndex index(headings);
    bool anyMissing = false;
    for (std::size_t i = 0; i + 1 < paired.size(); i += 2) {
        const std::size_t open = paired[i].pos;
        const std::size_t close = paired[i + 1].pos;
        const std::string_view name = t.substr(open + 2, close - open - 2);
        if (index.find(name) != std::string_view::npos) continue;
        if (!anyMissing) {
            addLine("missing tokens: ");
            result.report += name;
            anyMissing = true;
        } else {
            result.report += ", ";
            result.report += name;
        }
    }
    if (anyMissing) result.report += ".";
    result.askToContinue = unbalanced || anyMissing;
    return result;
}

} // namespace quillory::merge
