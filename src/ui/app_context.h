#pragma once
// What the windows are given instead of looking it up themselves, so tests can set it.

#include "ui/prompter.h"

#include <functional>
#include <string>

namespace quillory::ui {

struct AppContext {
    std::string exeDir;       // folder of the executable, ending in a separator
    std::string documentsDir; // the user's documents folder, empty when the system has none
    std::string settingsPath; // the settings file
    std::string logDir;       // folder of the default log, ending in a separator
    std::string startupJob;   // a job file to open once the window is up (may be empty)
    Prompter* prompter = nullptr;
    FileChooser* fileChooser = nullptr;
    std::function<double()> now; // local date-time as days since 1899-12-30
};

} // namespace quillory::ui
