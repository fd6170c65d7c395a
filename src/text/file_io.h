#pragma once
// The few places where the model touches the file system. Paths arrive as code-page text,
// like every other text of the program, and become native paths in `nativePath` only.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace quillory::text {

// Nothing the program reads legitimately comes near this size; refusing larger files before
// allocating keeps a wrong choice in a file dialog (a disk image, a video) from exhausting memory.
inline constexpr std::uintmax_t maxReadSize = 256ull * 1024 * 1024;

// Code-page text to a native path (UTF-16 on Windows, UTF-8 elsewhere).
std::filesystem::path nativePath(std::string_view codePageText);
// A native path back to code-page text; characters the code page lacks become '?'.
std::string pathText(const std::filesystem::path& path);

// Reads a whole file. Throws FileError with code FileNotFound (missing), FileUnreadable
// (a directory, no permission, a read error) or TooLarge (beyond `limit`, checked before
// anything is allocated). The message names the reason in a few words.
std::string readFile(std::string_view path, std::uintmax_t limit = maxReadSize);
// The same checks as readFile without reading: for readers that hand the path to a library.
void checkReadableFile(std::string_view path, std::uintmax_t limit = maxReadSize);

// Writes `bytes` to a temporary file in the same folder, flushes it and renames it over
// `path`, so a crash or a full disk leaves the previous file whole. Throws FileError
// (code FileUnwritable) with the system's reason.
void writeFileAtomically(std::string_view path, std::string_view bytes);

// True for an existing regular file (a directory is not a file to open or attach).
bool fileExists(std::string_view path);
// True when a file can be created in the folder (tried, not guessed from permission bits).
bool isWritableDirectory(std::string_view path);

// The folder part of a path as the program writes folders: with a trailing separator.
std::string withTrailingSeparator(std::string folder);

} // namespace quillory::text
