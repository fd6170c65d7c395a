#pragma once
// Parts of a path held as text. Both '/' and '\\' separate folders, so a path typed or stored
// on Windows splits the same way everywhere.

#include <string>
#include <string_view>

namespace quillory::text {

// Folder part without the final separator ("" when there is none; "/" for a file at the root).
std::string fileDir(std::string_view path);
// Name part after the last separator.
std::string fileName(std::string_view path);
// Extension of the name part, dot included ("" when the name has none).
std::string fileExt(std::string_view path);
// The path with its extension replaced by `ext` (dot included), or `ext` appended.
std::string changeFileExt(std::string_view path, std::string_view ext);
// True for an existing folder.
bool directoryExists(std::string_view path);

} // namespace quillory::text
