#include "text/file_io.h"

#include "text/code_page.h"
#include "text/error.h"
#include "text/large_block.h"

#include <cerrno>
#include <cstdio>
#include <memory>
#include <random>
#include <system_error>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace quillory::text {

namespace fs = std::filesystem;

namespace {

std::string reason(int err, const char* fallback) {
    return err != 0 ? std::generic_category().message(err) : std::string(fallback);
}

std::string sizeText(std::uintmax_t bytes) {
    if (bytes % (1024 * 1024) == 0) return std::to_string(bytes / (1024 * 1024)) + " MiB";
    return std::to_string(bytes) + " bytes";
}

// Opens for reading after the checks that name a clear reason; returns the size.
std::uintmax_t checkFile(const fs::path& p, std::string_view path, std::uintmax_t limit) {
    std::error_code ec;
    const fs::file_status st = fs::status(p, ec);
    if (st.type() == fs::file_type::not_found)
        throw FileError(std::string(path) + ": no such file", ErrorCode::FileNotFound);
    if (ec) throw FileError(std::string(path) + ": " + ec.message(), ErrorCode::FileUnreadable);
    if (st.type() == fs::file_type::directory)
        throw FileError(std::string(path) + ": is a folder, not a file", ErrorCode::FileUnreadable);
    const std::uintmax_t size = fs::file_size(p, ec);
    if (ec) throw FileError(std::string(path) + ": " + ec.message(), ErrorCode::FileUnreadable);
    if (size > limit)
        throw FileError(std::string(path) + ": larger than " + sizeText(limit) + ", the most the program reads",
                        ErrorCode::TooLarge);
    return size;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr openFile(const fs::path& p, const char* mode) {
#ifdef _WIN32
    std::wstring wmode(mode, mode + std::char_traits<char>::length(mode));
    return FilePtr(_wfopen(p.c_str(), wmode.c_str()));
#else
    return FilePtr(std::fopen(p.c_str(), mode));
#endif
}

// Pushes the file's bytes to the disk, so a rename after it never exposes an empty file.
bool syncToDisk(std::FILE* f) {
#ifdef _WIN32
    return _commit(_fileno(f)) == 0;
#else
    return fsync(fileno(f)) == 0;
#endif
}

std::string uniqueSuffix() {
    std::random_device rd;
    std::uniform_int_distribution<unsigned> dist;
    char buf[16];
    std::snprintf(buf, sizeof buf, "%08x", dist(rd));
    return buf;
}

} // namespace

fs::path nativePath(std::string_view codePageText) {
    const std::string utf8 = CodePage::windows1252().toUtf8(codePageText);
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string pathText(const fs::path& path) {
    const std::u8string u8 = path.u8string();
    return CodePage::windows1252().fromUtf8(std::string_view(reinterpret_cast<const char*>(u8.data()), u8.size()));
}

void checkReadableFile(std::string_view path, std::uintmax_t limit) {
    const fs::path p = nativePath(path);
    checkFile(p, path, limit);
    errno = 0;
    if (!openFile(p, "rb"))
        throw FileError(std::string(path) + ": " + reason(errno, "cannot be opened"), ErrorCode::FileUnreadable);
}

std::string readFile(std::string_view path, std::uintmax_t limit) {
    const fs::path p = nativePath(path);
    const std::uintmax_t size = checkFile(p, path, limit);
    errno = 0;
    FilePtr f = openFile(p, "rb");
    if (!f) throw FileError(std::string(path) + ": " + reason(errno, "cannot be opened"), ErrorCode::FileUnreadable);
    std::string bytes;
    bytes.reserve(static_cast<std::size_t>(size));
    adviseLargeBlock(bytes.data(), bytes.capacity()); // before the first touch of its pages
    bytes.resize(static_cast<std::size_t>(size));
    const std::size_t got = size == 0 ? 0 : std::fread(bytes.data(), 1, bytes.size(), f.get());
    if (std::ferror(f.get()))
        throw FileError(std::string(path) + ": " + reason(errno, "read error"), ErrorCode::FileUnreadable);
    bytes.resize(got); // a file that shrank meanwhile
    return bytes;
}

void writeFileAtomically(std::string_view path, std::string_view bytes) {
    const fs::path target = nativePath(path);
    fs::path temp = target;
    temp += fs::path(".tmp" + uniqueSuffix());
    auto fail = [&](const std::string& why) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return FileError(std::string(path) + ": " + why, ErrorCode::FileUnwritable);
    };
    {
        errno = 0;
        FilePtr f = openFile(temp, "wb");
        if (!f) throw fail(reason(errno, "cannot be created"));
        if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), f.get()) != bytes.size())
            throw fail(reason(errno, "write error"));
        if (std::fflush(f.get()) != 0 || !syncToDisk(f.get())) throw fail(reason(errno, "write error"));
        if (std::fclose(f.release()) != 0) throw fail(reason(errno, "write error"));
    }
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (ec) throw fail(ec.message());
}

bool fileExists(std::string_view path) {
    if (path.empty()) return false;
    std::error_code ec;
    return fs::is_regular_file(nativePath(path), ec);
}

bool isWritableDirectory(std::string_view path) {
    std::error_code ec;
    const fs::path dir = nativePath(path);
    if (!fs::is_directory(dir, ec)) return false;
    const fs::path probe = dir / (".quillory-write-test-" + uniqueSuffix());
    FilePtr f = openFile(probe, "wbx");
    if (!f) return false;
    f.reset();
    fs::remove(probe, ec);
    return true;
}

std::string withTrailingSeparator(std::string folder) {
    if (folder.empty() || folder.back() == '/' || folder.back() == '\\') return folder;
#ifdef _WIN32
    folder.push_back('\\');
#else
    folder.push_back('/');
#endif
    return folder;
}

} // namespace quillory::text
