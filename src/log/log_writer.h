#pragma once
// Records each mailing in a mailing log: the Job is copied into an in-memory record when the
// mailing starts, and the record is appended with its status bytes when it ends. Nothing is
// written while messages are being sent.

#include "app/job.h"
#include "app/settings.h"
#include "log/log_file.h"
#include "log/log_format.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::log {

// How the writer speaks to the user; the hidden log window shows these as message boxes, a
// command-line tool can print them.
class LogWriterObserver {
public:
    virtual ~LogWriterObserver() = default;
    virtual void info(const std::string& caption, const std::string& text) = 0;
    virtual void error(const std::string& caption, const std::string& text) = 0;
};

// Returns the local date-time as days since 30 December 1899.
using DateTimeClock = std::function<double()>;

inline constexpr const char* logSavedText = "Log file saved";

class TlogWriter final {
public:
    // `settings` (last log, saved log files, confirm saved) and `observer` must outlive the
    // writer. Without a file system the real one is used.
    TlogWriter(app::Settings& settings, LogWriterObserver& observer, DateTimeClock clock,
               std::shared_ptr<LogFileSystem> files = nullptr);

    // A new log holding only its file header, replacing any file of that name. Throws Error.
    void createLogFile(const std::string& path);

    // Starts the record of a mailing, creating the log first when it does not exist. The
    // template is the editor's text, which the Job does not hold. Throws Error; a record of an
    // earlier mailing that never finished is discarded either way.
    void beginMailing(const std::string& path, const app::Job& job, std::string_view templateText);

    // Adds one status byte per processed row and appends the record. Records kept from earlier
    // failed appends go first, so the log keeps the order the mailings ran in. Failures are
    // reported through the observer and the record is kept; returns true when this mailing's
    // record reached the file (false too when no mailing was in progress).
    bool finishMailing(const std::vector<std::uint8_t>& resultList);

    // Tries the kept records again (call it when the log browser lets go of a log). Failures
    // stay silent, the user has been told already. Returns how many records are still kept.
    std::size_t retryKeptRecords();

    // At program end: a last attempt for every kept record, then each one still kept is
    // written to a new log file beside its own, and the user is told where.
    void saveKeptRecordsAtExit();

    bool mailingInProgress() const { return m_inProgress; }
    std::size_t keptRecordCount() const { return m_kept.size(); }
    const std::string& logPath() const { return m_logPath; }
    // The record of the mailing in progress; its header bytes are filled in by finishMailing.
    const TmailingHeader& header() const { return m_header; }
    std::span<const std::uint8_t> record() const { return m_record; }

private:
    struct KeptRecord {
        std::string path;
        std::vector<std::uint8_t> bytes;
        // Set when an append failed after the record was on disk, while the header was being
        // updated: the header may count it already, and it must not be added twice.
        bool mayBeInFile = false;
        std::uint64_t writtenAt = 0;
        std::string reason;
    };

    struct KeptOutcome {
        std::vector<std::pair<std::string, std::string>> failures; // path, reason
        bool saved = false;
    };

    void append(KeptRecord& kept, const std::string& path);
    // Appends the kept records in order; a log that fails holds back its later records.
    KeptOutcome appendKept();
    void noteSaved(const std::string& path);
    std::string recoveryPath(const std::string& path) const;

    app::Settings& m_settings;
    LogWriterObserver& m_observer;
    DateTimeClock m_clock;
    std::shared_ptr<LogFileSystem> m_files;

    std::string m_logPath;
    TmailingHeader m_header;
    std::vector<std::uint8_t> m_record;
    bool m_inProgress = false;

    std::deque<KeptRecord> m_kept;
};

} // namespace quillory::log
