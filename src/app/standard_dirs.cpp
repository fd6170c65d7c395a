#include "app/standard_dirs.h"

#include "text/file_io.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quillory::app {

namespace {

constexpr const char* programFolder = "quillory";

bool isAbsolute(const std::string& path) {
    if (path.empty()) return false;
    if (path[0] == '/' || path[0] == '\\') return true;
    return path.size() > 2 && path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

std::string programDirIn(const std::string& base) {
    if (base.empty()) return {};
    return text::withTrailingSeparator(text::withTrailingSeparator(base) + programFolder);
}

} // namespace

UserDirs userDirsFrom(const EnvironmentLookup& env) {
    auto value = [&](const char* name) {
        std::optional<std::string> v = env(name);
        return v ? *v : std::string();
    };
#ifdef _WIN32
    return {programDirIn(value("APPDATA")), programDirIn(value("LOCALAPPDATA"))};
#else
    const std::string home = value("HOME");
    auto base = [&](const char* variable, const char* underHome) {
        // A relative XDG value is invalid and must be ignored.
        const std::string v = value(variable);
        if (isAbsolute(v)) return v;
        return home.empty() ? std::string() : text::withTrailingSeparator(home) + underHome;
    };
    return {programDirIn(base("XDG_CONFIG_HOME", ".config")), programDirIn(base("XDG_DATA_HOME", ".local/share"))};
#endif
}

UserDirs userDirs() {
    return userDirsFrom([](const char* name) -> std::optional<std::string> {
#ifdef _WIN32
        std::wstring wide(name, name + std::char_traits<char>::length(name));
        const wchar_t* v = _wgetenv(wide.c_str());
#else
        const char* v = std::getenv(name);
#endif
        if (!v) return std::nullopt;
        return text::pathText(std::filesystem::path(v));
    });
}

std::string runningExecutablePath() {
#ifdef _WIN32
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) return {};
        if (n < buffer.size()) {
            buffer.resize(n);
            return text::pathText(std::filesystem::path(buffer));
        }
        buffer.resize(buffer.size() * 2);
    }
#else
    std::error_code ec;
    const std::filesystem::path p = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec ? std::string() : text::pathText(p);
#endif
}

} // namespace quillory::app
