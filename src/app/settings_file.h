#pragma once
// The settings file: read once when the main window is created, written once when it closes.
// Keys and sections match without regard to case; a missing file or key, or a value of the
// wrong form, gives the default.

#include "app/job.h"
#include "app/settings.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::app {

using FileExists = std::function<bool(const std::string&)>;

// "tab", "csv", "excel", "dor", "txt"; nullptr for a tag without a word.
const char* typeWord(RecentTag tag);
std::optional<RecentTag> tagForTypeWord(std::string_view word);

// Puts `path` on top of a recent list: an empty path is ignored; a full list first loses its
// last entry (even when the path is already further up); a path already in the list (compared
// without regard to case) moves to the top keeping its tag, any other is inserted with `tag`.
void addRecent(std::vector<RecentEntry>& list, const std::string& path, RecentTag tag);
// Moves entry `index` to the top, as opening a recent file does.
void moveRecentToTop(std::vector<RecentEntry>& list, std::size_t index);

struct SettingsLocation {
    std::string settingsFile; // the INI file
    std::string logDir;       // folder of the default log, with a trailing separator
};
// A portable copy whose folder is writable keeps its settings file (named after the
// executable, extension ".ini") and default log beside the executable; an installed one, whose
// folder the user cannot write, keeps them in the user's configuration and data folders.
SettingsLocation settingsLocation(const std::string& exePath, const std::string& userConfigDir,
                                  const std::string& userDataDir,
                                  const std::function<bool(const std::string&)>& isWritableDir);

// The INI text into the Settings and the Job fields that come from it. `logDir` supplies the
// default of "last log"; `exists` decides which log files are kept.
void loadSettingsText(std::string_view iniText, Settings& settings, Job& job, const std::string& logDir,
                      const FileExists& exists);
// Reads the settings file. A file that is missing or cannot be read leaves the defaults and
// returns false; the program says nothing about it.
bool loadSettings(const std::string& path, Settings& settings, Job& job, const std::string& logDir,
                  const FileExists& exists);

// The INI text to write: `existing` (the file as it is, possibly empty) with every key of the
// program written over it and the list sections erased and rewritten. Lines end in CR LF.
std::string saveSettingsText(std::string_view existing, const Settings& settings, const Job& job);
// Writes the settings file through a temporary file; throws FileError when it cannot.
void saveSettings(const std::string& path, const Settings& settings, const Job& job);

} // namespace quillory::app
