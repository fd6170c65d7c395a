#include "log/file_lock.h"

#include "log/log_format.h"
#include "text/error.h"

#include <algorithm>
#include <chrono>
#include <ctime>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "text/code_page.h"
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace quillory::log {

namespace {

std::string quoted(const std::string& path) {
    return "\"" + path + "\"";
}

} // namespace

std::unique_ptr<LockedFile> LockedFile::openForUpdate(const std::string& path) {
    return open(path, Mode::Update);
}
std::unique_ptr<LockedFile> LockedFile::openForReading(const std::string& path) {
    return open(path, Mode::Read);
}
std::unique_ptr<LockedFile> LockedFile::create(const std::string& path) {
    return open(path, Mode::Create);
}

#ifdef _WIN32

namespace {

HANDLE asHandle(std::intptr_t h) {
    return reinterpret_cast<HANDLE>(h);
}

std::wstring nativePath(const std::string& path) {
    const std::u16string u = text::CodePage::windows1252().toUtf16(path);
    return std::wstring(u.begin(), u.end());
}

[[noreturn]] void fail(const std::string& path, const char* what, ErrorCode fallback) {
    const DWORD e = GetLastError();
    if (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION)
        throw FileError("the log file " + quoted(path) + " is in use by another window or program",
                        ErrorCode::FileBusy);
    if (e == ERROR_FILE_NOT_FOUND || e == ERROR_PATH_NOT_FOUND)
        throw FileError("the log file " + quoted(path) + " does not exist", ErrorCode::FileNotFound);
    throw FileError(std::string(what) + " " + quoted(path) + " (system error " + std::to_string(e) + ")", fallback);
}

} // namespace

std::unique_ptr<LockedFile> LockedFile::open(const std::string& path, Mode mode) {
    const DWORD access = mode == Mode::Read ? GENERIC_READ : GENERIC_READ | GENERIC_WRITE;
    const DWORD disposition = mode == Mode::Create ? CREATE_ALWAYS : OPEN_EXISTING;
    HANDLE h = CreateFileW(nativePath(path).c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) fail(path, "cannot open the log file", ErrorCode::FileUnwritable);
    return std::unique_ptr<LockedFile>(new LockedFile(path, reinterpret_cast<std::intptr_t>(h)));
}

bool LockedFile::exists(const std::string& path) {
    const DWORD a = GetFileAttributesW(nativePath(path).c_str());
    return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

LockedFile::~LockedFile() {
    CloseHandle(asHandle(m_handle));
}

std::uint64_t LockedFile::size() const {
    LARGE_INTEGER s{};
    if (!GetFileSizeEx(asHandle(m_handle), &s)) fail(m_path, "cannot read the size of", ErrorCode::FileUnreadable);
    return static_cast<std::uint64_t>(s.QuadPart);
}

void LockedFile::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    std::size_t done = 0;
    while (done < out.size()) {
        OVERLAPPED ov{};
        const std::uint64_t at = offset + done;
        ov.Offset = static_cast<DWORD>(at);
        ov.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(out.size() - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(asHandle(m_handle), out.data() + done, want, &got, &ov))
            fail(m_path, "cannot read", ErrorCode::FileUnreadable);
        if (got == 0) throw FileError("the log file " + quoted(m_path) + " ends too early", ErrorCode::FileUnreadable);
        done += got;
    }
}

void LockedFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        OVERLAPPED ov{};
        const std::uint64_t at = offset + done;
        ov.Offset = static_cast<DWORD>(at);
        ov.OffsetHigh = static_cast<DWORD>(at >> 32);
        const DWORD want = static_cast<DWORD>(std::min<std::size_t>(bytes.size() - done, 1u << 30));
        DWORD put = 0;
        if (!WriteFile(asHandle(m_handle), bytes.data() + done, want, &put, &ov) || put == 0)
            fail(m_path, "cannot write", ErrorCode::FileUnwritable);
        done += put;
    }
}

void LockedFile::truncate(std::uint64_t size) {
    FILE_END_OF_FILE_INFO info{};
    info.EndOfFile.QuadPart = static_cast<LONGLONG>(size);
    if (!SetFileInformationByHandle(asHandle(m_handle), FileEndOfFileInfo, &info, sizeof info))
        fail(m_path, "cannot shorten", ErrorCode::FileUnwritable);
}

void LockedFile::flush() {
    if (!FlushFileBuffers(asHandle(m_handle))) fail(m_path, "cannot write", ErrorCode::FileUnwritable);
}

double localDateTimeNow() {
    SYSTEMTIME t{};
    GetLocalTime(&t);
    return dateTimeFromCivil(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond + t.wMilliseconds / 1000.0);
}

#else

namespace {

int asFd(std::intptr_t h) {
    return static_cast<int>(h);
}

[[noreturn]] void fail(const std::string& path, const char* what, int err, ErrorCode fallback) {
    if (err == ENOENT) throw FileError("the log file " + quoted(path) + " does not exist", ErrorCode::FileNotFound);
    throw FileError(std::string(what) + " " + quoted(path) + ": " + std::strerror(err), fallback);
}

} // namespace

std::unique_ptr<LockedFile> LockedFile::open(const std::string& path, Mode mode) {
    // A file being created is not emptied until the lock is ours, so a log the browser
    // holds is never cut short under it.
    const int flags = mode == Mode::Read ? O_RDONLY : mode == Mode::Update ? O_RDWR : O_RDWR | O_CREAT;
    int fd;
    do {
        fd = ::open(path.c_str(), flags | O_CLOEXEC, 0666);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) fail(path, "cannot open the log file", errno, ErrorCode::FileUnwritable);
    auto file = std::unique_ptr<LockedFile>(new LockedFile(path, fd));
    int r;
    do {
        r = ::flock(fd, LOCK_EX | LOCK_NB);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        if (errno == EWOULDBLOCK)
            throw FileError("the log file " + quoted(path) + " is in use by another window or program",
                            ErrorCode::FileBusy);
        fail(path, "cannot lock the log file", errno, ErrorCode::FileUnwritable);
    }
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode))
        throw FileError(quoted(path) + " is a folder, not a log file", ErrorCode::FileUnwritable);
    if (mode == Mode::Create) file->truncate(0);
    return file;
}

bool LockedFile::exists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

LockedFile::~LockedFile() {
    ::close(asFd(m_handle));
}

std::uint64_t LockedFile::size() const {
    struct stat st {};
    if (::fstat(asFd(m_handle), &st) != 0) fail(m_path, "cannot read the size of", errno, ErrorCode::FileUnreadable);
    return static_cast<std::uint64_t>(st.st_size);
}

void LockedFile::readAt(std::uint64_t offset, std::span<std::uint8_t> out) const {
    std::size_t done = 0;
    while (done < out.size()) {
        const ssize_t n =
            ::pread(asFd(m_handle), out.data() + done, out.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) fail(m_path, "cannot read", errno, ErrorCode::FileUnreadable);
        if (n == 0) throw FileError("the log file " + quoted(m_path) + " ends too early", ErrorCode::FileUnreadable);
        done += static_cast<std::size_t>(n);
    }
}

void LockedFile::writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n =
            ::pwrite(asFd(m_handle), bytes.data() + done, bytes.size() - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail(m_path, "cannot write", n < 0 ? errno : ENOSPC, ErrorCode::FileUnwritable);
        done += static_cast<std::size_t>(n);
    }
}

void LockedFile::truncate(std::uint64_t size) {
    if (::ftruncate(asFd(m_handle), static_cast<off_t>(size)) != 0)
        fail(m_path, "cannot shorten", errno, ErrorCode::FileUnwritable);
}

void LockedFile::flush() {
    if (::fsync(asFd(m_handle)) != 0) fail(m_path, "cannot write", errno, ErrorCode::FileUnwritable);
}

double localDateTimeNow() {
    const auto now = std::chrono::system_clock::now();
    const std::time_t secs = std::chrono::system_clock::to_time_t(now);
    const auto sub = now - std::chrono::system_clock::from_time_t(secs);
    std::tm t{};
    localtime_r(&secs, &t);
    return dateTimeFromCivil(t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min,
                             t.tm_sec + std::chrono::duration<double>(sub).count());
}

#endif

} // namespace quillory::log
