#pragma once
// Where an installed copy keeps its settings file and default log, and which executable is
// running: the window and the command-line tool ask the same questions here, so both find the
// same settings file.

#include <functional>
#include <optional>
#include <string>

namespace quillory::app {

struct UserDirs {
    std::string configDir; // code-page text with a trailing separator; empty when unknown
    std::string dataDir;
};

// An environment variable's value as code-page text, or nothing when it is not set.
using EnvironmentLookup = std::function<std::optional<std::string>(const char* name)>;

// The program's folders under the user's configuration and data folders, from the
// environment given: XDG_CONFIG_HOME / XDG_DATA_HOME (only when absolute, as the XDG rules
// ask), else $HOME/.config and $HOME/.local/share; on Windows %APPDATA% and %LOCALAPPDATA%.
UserDirs userDirsFrom(const EnvironmentLookup& env);
// The same for the running process.
UserDirs userDirs();

// The running executable's full path as code-page text; empty when the system cannot tell.
std::string runningExecutablePath();

} // namespace quillory::app
