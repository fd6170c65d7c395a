#include "merge/job_file.h"

#include "merge/attachments.h"
#include "merge/grid_reader.h"
#include "merge/mailing_grid.h"
#include "merge/text_file.h"
#include "text/error.h"
#include "text/file_io.h"

#include <algorithm>

namespace quillory::merge {

namespace {

constexpr std::string_view fileMarker = "QUILLORY";
constexpr std::string_view subjectMarker = "[[SUBJECT]]=";
constexpr std::string_view gridMarker = "[[GRID]]";
constexpr std::string_view endGridMarker = "[[END GRID]]";
constexpr std::string_view addressMarker = "[[ADDRESS COLUMN]]=";
constexpr std::string_view templateMarker = "[[TEMPLATE]]";
constexpr std::string_view endTemplateMarker = "[[END TEMPLATE]]";
constexpr std::string_view attachmentsMarker = "[[ATTACHMENTS]]";
constexpr std::string_view attachmentMarker = "[[ATTACHMENT";
constexpr std::string_view endAttachmentMarker = "[[END ATTACHMENT]]";
constexpr std::string_view endAttachmentsMarker = "[[END ATTACHMENTS]]";

void appendClean(std::string& out, std::string_view text, bool tabsToo) {
    for (char c : text) {
        const bool bad = c == '\r' || c == '\n' || c == '\x1A' || (tabsToo && c == '\t');
        out.push_back(bad ? ' ' : c);
    }
}

void appendLine(std::string& out, std::string_view marker, std::string_view text = {}, bool tabsToo = false) {
    out.append(marker);
    appendClean(out, text, tabsToo);
    out.append("\r\n");
}

// Reads the lines of a job file front to back, as the sections follow each other.
class LineCursor final {
public:
    explicit LineCursor(const TextLines& lines) : m_lines(lines) {}
    bool atEnd() const { return m_next >= m_lines.size(); }
    std::string_view next() { return m_lines[m_next++]; }
    // Skips to just after the first line starting with `prefix`; its remainder, or nothing at the end.
    std::optional<std::string_view> findPrefix(std::string_view prefix) {
        while (!atEnd()) {
            const std::string_view line = next();
            if (line.starts_with(prefix)) return line.substr(prefix.size());
        }
        return std::nullopt;
    }
    bool findLine(std::string_view whole) {
        while (!atEnd())
            if (next() == whole) return true;
        return false;
    }
    // The lines up to (not including) `end`; `ended` tells whether `end` was found.
    std::span<const std::string_view> until(std::string_view end, bool& ended) {
        const std::size_t first = m_next;
        ended = false;
        while (!atEnd()) {
            if (next() == end) {
                ended = true;
                return m_lines.all().subspan(first, m_next - 1 - first);
            }
        }
        return m_lines.all().subspan(first, m_next - first);
    }

private:
    const TextLines& m_lines;
    std::size_t m_next = 1; // line 1 is the marker
};

std::string joinCrLf(std::span<const std::string_view> lines) {
    std::string out;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) out.append("\r\n");
        out.append(lines[i]);
    }
    return out;
}

UserMessage incompleteMessage(const std::string& path, std::string_view missing) {
    return {"", MessageIcon::Error,
            path + pathBreak + "job file incomplete: it ends before \"" + std::string(missing) +
                "\"; the parts read up to there were kept"};
}

} // namespace

std::string jobFileText(const app::Job& job, std::string_view templateText) {
    const GridTable& grid = job.mailingGrid;
    std::string out;
    out.reserve(256 + templateText.size() + static_cast<std::size_t>(grid.rowCount()) * 64);
    appendLine(out, fileMarker);
    appendLine(out, "[[FILE VERSION]]=1");
    appendLine(out, "[[VERSION]]=v0.97");
    appendLine(out, subjectMarker, job.subject);
    appendLine(out, gridMarker);
    auto gridLine = [&](int row) {
        bool first = true;
        for (const std::string& cell : grid.rowCells(row, firstDataCol)) {
            if (!first) out.push_back('\t');
            appendClean(out, cell, true);
            first = false;
        }
        out.append("\r\n");
    };
    gridLine(0);
    for (int r = firstDataRow; r < grid.rowCount(); ++r) gridLine(r);
    appendLine(out, endGridMarker);
    const bool haveAddress = job.addressCol >= firstDataCol && job.addressCol < grid.columnCount();
    appendLine(out, addressMarker, haveAddress ? std::string_view(grid.cell(job.addressCol, 0)) : "", true);
    appendLine(out, templateMarker);
    if (!templateText.empty()) {
        std::string t = withCrLfLineBreaks(templateText);
        std::replace(t.begin(), t.end(), '\x1A', ' ');
        out.append(t);
        out.append("\r\n");
    }
    appendLine(out, endTemplateMarker);
    appendLine(out, attachmentsMarker);
    for (std::size_t i = 0; i < job.attachmentList.size(); ++i) {
        appendLine(out, std::string(attachmentMarker) + std::to_string(i + 1) + "]]");
        appendLine(out, "", job.attachmentList[i]);
        appendLine(out, endAttachmentMarker);
    }
    appendLine(out, endAttachmentsMarker);
    return out;
}

void saveJobFile(const std::string& path, app::Job& job, std::string_view templateText) {
    try {
        text::writeFileAtomically(path, jobFileText(job, templateText));
    } catch (const FileError& e) {
        throw MessageError({"Error", MessageIcon::Error, std::string("cannot write file") + pathBreak + e.what()},
                           e.code());
    }
    job.jobFileName = path;
}

JobReadResult readJobFile(const std::string& path, JobReadMode mode, app::Job& job,
                          const std::function<bool(const std::string&)>& exists) {
    std::size_t replaced = 0;
    const std::string content = readTextFileOrThrow(path, replaced, false);
    const TextLines lines(content);
    if (lines.size() == 0 || lines[0] != fileMarker)
        throw MessageError({"", MessageIcon::Error, "Incorrect file format"}, ErrorCode::BadFormat);

    JobReadResult result;
    const bool whole = mode == JobReadMode::WholeJob;
    LineCursor cursor(lines);
    std::string_view missing; // the first end marker the file never reached

    if (whole) {
        if (auto subject = cursor.findPrefix(subjectMarker)) {
            job.subject = std::string(*subject);
            result.subjectRead = true;
        } else {
            missing = subjectMarker;
        }
    }

    if (whole || mode == JobReadMode::GridOnly) {
        if (cursor.findLine(gridMarker)) {
            bool ended = false;
            const auto gridLines = cursor.until(endGridMarker, ended);
            splitLinesIntoGrid(gridLines, '\t', true, job.bufferGrid, path);
            normalise(job.bufferGrid, job.mailingGrid);
            result.gridReplaced = true;
            if (!ended && missing.empty()) missing = endGridMarker;
        } else if (missing.empty()) {
            missing = gridMarker;
        }
    }

    if (whole) {
        if (auto heading = cursor.findPrefix(addressMarker)) {
            job.addressCol = findColumnByHeading(job.mailingGrid, *heading);
            result.addressColumnRead = true;
        } else if (missing.empty()) {
            missing = addressMarker;
        }
    }

    if (whole || mode == JobReadMode::TemplateOnly) {
        if (cursor.findLine(templateMarker)) {
            bool ended = false;
            result.templateText = joinCrLf(cursor.until(endTemplateMarker, ended));
            if (!ended && missing.empty()) missing = endTemplateMarker;
        } else if (missing.empty()) {
            missing = templateMarker;
        }
    }

    if (whole) {
        if (cursor.findLine(attachmentsMarker)) {
            std::vector<std::string> list;
            bool ended = false;
            while (!cursor.atEnd()) {
                const std::string_view line = cursor.next();
                if (line == endAttachmentsMarker) {
                    ended = true;
                    break;
                }
                if (!line.starts_with(attachmentMarker) || cursor.atEnd()) continue;
                const std::string file(cursor.next());
                if (exists(file))
                    attachFile(list, file);
                else
                    result.messages.push_back({"", MessageIcon::Error, "Cannot find " + file + " for attaching"});
                cursor.findLine(endAttachmentMarker);
            }
            job.attachmentList = std::move(list);
            result.attachmentsRead = true;
            if (!ended && missing.empty()) missing = endAttachmentsMarker;
        } else if (missing.empty()) {
            missing = attachmentsMarker;
        }
        job.jobFileName = path;
    }

    result.complete = missing.empty();
    if (!result.complete) result.messages.push_back(incompleteMessage(path, missing));
    if (auto m = replacedCharactersMessage(replaced)) result.messages.push_back(std::move(*m));
    return result;
}

} // namespace quillory::merge
