#pragma once
// The one place that talks to the operating system for log files. A log file is held with
// an exclusive lock while it is open: on POSIX an advisory flock() lock, which every
// Quillory window takes, on Windows a share mode of none. Nothing ever waits for the lock:
// a file someone else holds is reported as busy at once.

#include "log/log_file.h"

#include <cstdint>
#include <memory>
#include <string>

namespace quillory::log {

class LockedFile final : public WritableFile {
public:
    // Existing file, read and write. Throws FileError: FileNotFound, FileBusy, FileUnwritable.
    static std::unique_ptr<LockedFile> openForUpdate(const std::string& path);
    // Existing file, read only (the log browser's hold on the log it shows).
    static std::unique_ptr<LockedFile> openForReading(const std::string& path);
    // Creates the file or empties the one there; a file someone else holds is left alone (FileBusy).
    static std::unique_ptr<LockedFile> create(const std::string& path);
    static bool exists(const std::string& path);

    ~LockedFile() override;
    LockedFile(const LockedFile&) = delete;
    LockedFile& operator=(const LockedFile&) = delete;

    std::uint64_t size() const override;
    void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override;
    void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override;
    void truncate(std::uint64_t size) override;
    void flush() override;

    const std::string& path() const { return m_path; }

private:
    enum class Mode { Update, Read, Create };
    static std::unique_ptr<LockedFile> open(const std::string& path, Mode mode);
    LockedFile(std::string path, std::intptr_t handle) : m_path(std::move(path)), m_handle(handle) {}

    std::string m_path;
    std::intptr_t m_handle; // a file descriptor, or a HANDLE on Windows
};

// The log files of the real file system.
class NativeLogFileSystem final : public LogFileSystem {
public:
    bool exists(const std::string& path) override { return LockedFile::exists(path); }
    std::unique_ptr<WritableFile> create(const std::string& path) override { return LockedFile::create(path); }
    std::unique_ptr<WritableFile> openForUpdate(const std::string& path) override {
        return LockedFile::openForUpdate(path);
    }
};

// The local date and time now, as days since 30 December 1899.
double localDateTimeNow();

} // namespace quillory::log
