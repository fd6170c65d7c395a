#include "log/log_writer.h"

#include "log/file_lock.h"
#include "merge/mailing_grid.h"
#include "text/code_page.h"
#include "text/error.h"

#include <algorithm>
#include <array>
#include <limits>

namespace quillory::log {

namespace {

constexpr std::uint64_t maxInt32 = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());

[[noreturn]] void tooLarge() {
    throw Error("the mailing is too large to be logged (a log record holds at most 2 GB)", ErrorCode::TooLarge);
}

// The record's size as a 32-bit block offset or length.
std::int32_t position(const std::vector<std::uint8_t>& record) {
    if (record.size() > maxInt32) tooLarge();
    return static_cast<std::int32_t>(record.size());
}

bool samePath(const std::string& a, const std::string& b) {
    return text::CodePage::windows1252().equalsIgnoringCase(a, b);
}

std::string notLoggedText(const std::string& path, const std::string& reason) {
    return "the mailing could not be logged in\n\r" + path + "\n\r" + reason;
}

} // namespace

TlogWriter::TlogWriter(app::Settings& settings, LogWriterObserver& observer, DateTimeClock clock,
                       std::shared_ptr<LogFileSystem> files)
    : m_settings(settings), m_observer(observer), m_clock(std::move(clock)),
      m_files(files ? std::move(files) : std::make_shared<NativeLogFileSystem>()) {}

void TlogWriter::createLogFile(const std::string& path) {
    TlogFileHeader h;
    h.created = h.lastAppend = m_clock();
    std::array<std::uint8_t, fileHeaderSize> bytes{};
    encodeFileHeader(h, bytes);
    auto file = m_files->create(path);
    file->writeAt(0, bytes);
    file->flush();
}

void TlogWriter::beginMailing(const std::string& path, const app::Job& job, std::string_view templateText) {
    m_inProgress = false;
    m_record.clear();
    m_header = TmailingHeader{};
    m_logPath = path;
    if (!m_files->exists(path)) createLogFile(path);

    const merge::GridTable& grid = job.mailingGrid;
    if (job.attachmentList.size() > maxInt32) tooLarge();
    m_header.started = m_clock();
    m_header.lineCount = grid.rowCount();
    m_header.columnCount = merge::dataColumnCount(grid);
    m_header.addressColumn = job.addressCol - merge::firstDataCol;
    m_header.attachmentCount = static_cast<std::int32_t>(job.attachmentList.size());

    m_record.assign(static_cast<std::size_t>(mailingHeaderSize), 0);
    std::size_t lineNumber = 0;
    merge::forEachGridLine(grid, '\t', [&](std::string_view line) {
        appendGridLine(m_record, line);
        // Growing a large record by doubling costs more than copying the grid itself; rows
        // tend to be alike, so the first data line tells roughly how much room all of them need.
        if (++lineNumber == 2) {
            const std::size_t perLine = line.size() + 4 + 1; // the line and its status byte
            m_record.reserve(m_record.size() + perLine * static_cast<std::size_t>(grid.rowCount()) * 9 / 8 + 4096);
        }
    });

    auto textBlock = [&](std::string_view text, std::int32_t& offset) {
        if (text.empty()) return;
        offset = position(m_record);
        appendStringBlock(m_record, text);
    };
    textBlock(templateText, m_header.templateOffset);
    textBlock(job.subject, m_header.subjectOffset);
    textBlock(job.fromName, m_header.senderNameOffset);
    textBlock(job.fromAddress, m_header.senderAddressOffset);
    if (!job.attachmentList.empty()) {
        m_header.attachmentsOffset = position(m_record);
        for (const auto& p : job.attachmentList)
            appendStringBlock(m_record, p);
    }
    // Leave room for a status byte per data row, so finishing can never overflow the record.
    if (m_record.size() + static_cast<std::uint64_t>(grid.rowCount()) > maxInt32) tooLarge();
    m_inProgress = true;
}

bool TlogWriter::finishMailing(const std::vector<std::uint8_t>& resultList) {
    if (!m_inProgress) return false;
    m_inProgress = false;
    if (m_record.size() + resultList.size() > maxInt32) tooLarge();
    m_header.statusCount = static_cast<std::int32_t>(resultList.size());
    m_header.statusOffset = position(m_record);
    m_record.insert(m_record.end(), resultList.begin(), resultList.end());
    m_header.recordLength = position(m_record);
    encodeMailingHeader(m_header, std::span(m_record).first(static_cast<std::size_t>(mailingHeaderSize)));

    KeptRecord current;
    current.path = m_logPath;
    current.bytes = std::move(m_record);
    m_record.clear();

    // Records kept from earlier mailings go first, so each log keeps the order the mailings ran in.
    auto [failures, saved] = appendKept();
    const auto blocker =
        std::find_if(failures.begin(), failures.end(), [&](const auto& f) { return samePath(f.first, current.path); });
    bool savedNow = false;
    if (blocker != failures.end()) {
        current.reason = blocker->second;
    } else {
        try {
            append(current, current.path);
            noteSaved(current.path);
            saved = savedNow = true;
        } catch (const Error& e) {
            current.reason = e.what();
            failures.emplace_back(current.path, current.reason);
        }
    }
    if (savedNow) {
        // The buffer keeps its room for the next mailing.
        m_record = std::move(current.bytes);
        m_record.clear();
    } else {
        m_kept.push_back(std::move(current));
    }

    if (saved && m_settings.confirmSaved) m_observer.info("", logSavedText);
    for (const auto& [path, reason] : failures)
        m_observer.error("Error", notLoggedText(path, reason) +
                                      "\n\rThe record is kept: it is added to the log as soon as the file can be "
                                      "written, or saved in a new log file when the program ends.");
    return savedNow;
}

std::size_t TlogWriter::retryKeptRecords() {
    if (appendKept().saved && m_settings.confirmSaved) m_observer.info("", logSavedText);
    return m_kept.size();
}

TlogWriter::KeptOutcome TlogWriter::appendKept() {
    std::vector<std::pair<std::string, std::string>> failed;
    bool saved = false;
    for (auto it = m_kept.begin(); it != m_kept.end();) {
        // A later record must not overtake an earlier one kept for the same log.
        const bool blocked =
            std::any_of(failed.begin(), failed.end(), [&](const auto& f) { return samePath(f.first, it->path); });
        if (blocked) {
            ++it;
            continue;
        }
        try {
            append(*it, it->path);
            noteSaved(it->path);
            saved = true;
            it = m_kept.erase(it);
        } catch (const Error& e) {
            it->reason = e.what();
            failed.emplace_back(it->path, it->reason);
            ++it;
        }
    }
    return {std::move(failed), saved};
}

void TlogWriter::append(KeptRecord& kept, const std::string& path) {
    auto file = m_files->openForUpdate(path);
    const std::int32_t count = RecordWalk(*file).fileHeader().mailingCount;

    std::array<std::uint8_t, fileHeaderSize> header{};
    file->readAt(0, header);
    auto writeHeader = [&](std::int32_t newCount, std::uint64_t newest) {
        // Only the three changing fields are touched, so bytes this program does not
        // interpret stay as they were.
        putInt32(header.data() + fileHeaderAt::mailingCount, newCount);
        putInt32(header.data() + fileHeaderAt::newestMailing, static_cast<std::int32_t>(newest));
        putDouble(header.data() + fileHeaderAt::lastAppend, m_clock());
        file->writeAt(0, header);
        file->flush();
    };

    if (kept.mayBeInFile) {
        // An earlier attempt failed while updating the header; if that update landed, the
        // record is counted already and only the header needs finishing.
        RecordWalk walk(*file);
        MailingRecordRef r;
        while (walk.next(r)) {
            if (r.offset != kept.writtenAt || r.end() - r.offset != kept.bytes.size()) continue;
            std::vector<std::uint8_t> there(kept.bytes.size());
            file->readAt(r.offset, there);
            if (there != kept.bytes) continue;
            if (r.number == count) writeHeader(count, r.offset);
            return;
        }
    }

    const std::uint64_t end = RecordWalk(*file).endOfRecords();
    if (count == std::numeric_limits<std::int32_t>::max() || end > maxInt32 || kept.bytes.size() > maxInt32 - end)
        throw Error("the log file is full (a log file holds at most 2 GB)", ErrorCode::TooLarge);

    // Record first, header last: until the header counts the record, readers stop before it,
    // and whatever an interrupted append left behind is overwritten by the next one.
    if (file->size() > end) file->truncate(end);
    file->writeAt(end, kept.bytes);
    file->flush();
    kept.mayBeInFile = true;
    kept.writtenAt = end;
    writeHeader(count + 1, end);
}

void TlogWriter::noteSaved(const std::string& path) {
    m_settings.lastLogFile = path;
    auto& list = m_settings.savedLogFiles;
    const auto it = std::find_if(list.begin(), list.end(), [&](const std::string& p) { return samePath(p, path); });
    if (it == list.end())
        list.insert(list.begin(), path);
    else
        std::rotate(list.begin(), it, it + 1);
}

std::string TlogWriter::recoveryPath(const std::string& path) const {
    std::string stem = path;
    if (stem.size() >= 4 && samePath(stem.substr(stem.size() - 4), ".log")) stem.resize(stem.size() - 4);
    for (int n = 1;; ++n) {
        std::string candidate = stem + "-recovered" + (n == 1 ? std::string() : "-" + std::to_string(n)) + ".log";
        if (!m_files->exists(candidate)) return candidate;
    }
}

void TlogWriter::saveKeptRecordsAtExit() {
    if (appendKept().saved && m_settings.confirmSaved) m_observer.info("", logSavedText);
    while (!m_kept.empty()) {
        const std::string path = m_kept.front().path;
        const std::string reason = m_kept.front().reason;
        const std::string newPath = recoveryPath(path);
        try {
            createLogFile(newPath);
            // Every record kept for the same log goes to the one new file, in order.
            for (auto& k : m_kept) {
                if (!samePath(k.path, path)) continue;
                k.mayBeInFile = false;
                append(k, newPath);
                k.path.clear();
            }
            if (std::none_of(m_settings.savedLogFiles.begin(), m_settings.savedLogFiles.end(),
                             [&](const std::string& p) { return samePath(p, newPath); }))
                m_settings.savedLogFiles.push_back(newPath);
            m_observer.error("Error",
                             notLoggedText(path, reason) + "\n\rIt was saved in the new log file\n\r" + newPath);
        } catch (const Error& e) {
            m_observer.error("Error", notLoggedText(path, reason) + "\n\rnor in a new log file\n\r" + newPath + "\n\r" +
                                          e.what() + "\n\rThe record of the mailing is lost.");
        }
        // Saved or not, nothing more can be done for this log's records before the program ends.
        std::erase_if(m_kept, [&](const KeptRecord& k) { return k.path.empty() || samePath(k.path, path); });
    }
}

} // namespace quillory::log
