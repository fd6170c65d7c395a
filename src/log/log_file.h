#pragma once
// What the log code needs from an open file: positioned reads and writes. The native file
// (file_lock.h) implements it; tests put wrappers around it that fail on purpose.

#include <cstdint>
#include <memory>
#include <span>
#include <string>

namespace quillory::log {

class ReadableFile {
public:
    virtual ~ReadableFile() = default;
    virtual std::uint64_t size() const = 0;
    // Reads exactly out.size() bytes or throws FileError.
    virtual void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const = 0;
};

class WritableFile : public ReadableFile {
public:
    // Writes all bytes or throws FileError; a failure may leave any prefix written.
    virtual void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) = 0;
    virtual void truncate(std::uint64_t size) = 0;
    // Returns once everything written so far is on the disk.
    virtual void flush() = 0;
};

// Where the writer opens its files. Every file it hands out is held exclusively until released.
class LogFileSystem {
public:
    virtual ~LogFileSystem() = default;
    virtual bool exists(const std::string& path) = 0;
    // Creates the file, replacing one of that name; throws FileError.
    virtual std::unique_ptr<WritableFile> create(const std::string& path) = 0;
    // Opens an existing file for reading and writing without waiting for a lock someone else
    // holds; throws FileError with ErrorCode::FileBusy when it is held, FileNotFound when missing.
    virtual std::unique_ptr<WritableFile> openForUpdate(const std::string& path) = 0;
};

} // namespace quillory::log
