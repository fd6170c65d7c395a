#include "text/path_text.h"

#include "text/file_io.h"

#include <system_error>

namespace quillory::text {

namespace {
std::size_t lastSeparator(std::string_view path) { return path.find_last_of("/\\"); }

std::size_t extensionStart(std::string_view path) {
    const std::size_t dot = path.rfind('.');
    const std::size_t sep = lastSeparator(path);
    if (dot == std::string_view::npos || (sep != std::string_view::npos && dot < sep)) return path.size();
    return dot;
}
} // namespace

std::string fileDir(std::string_view path) {
    const std::size_t sep = lastSeparator(path);
    if (sep == std::string_view::npos) return {};
    if (sep == 0) return std::string(path.substr(0, 1));
    return std::string(path.substr(0, sep));
}

std::string fileName(std::string_view path) {
    const std::size_t sep = lastSeparator(path);
    return std::string(sep == std::string_view::npos ? path : path.substr(sep + 1));
}

std::string fileExt(std::string_view path) { return std::string(path.substr(extensionStart(path))); }

std::string changeFileExt(std::string_view path, std::string_view ext) {
    std::string out(path.substr(0, extensionStart(path)));
    out += ext;
    return out;
}

bool directoryExists(std::string_view path) {
    if (path.empty()) return false;
    std::error_code ec;
    return std::filesystem::is_directory(nativePath(path), ec);
}

} // namespace quillory::text
