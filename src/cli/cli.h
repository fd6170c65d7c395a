#pragma once
// The command-line tool: preview, check and send a saved job without the window, through the
// same model operations the window uses. Everything the tool needs from its surroundings is
// passed in, so it can run inside a test as well as from main().

#include "app/standard_dirs.h"
#include "log/log_writer.h"

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace quillory::cli {

inline constexpr int exitOk = 0;
inline constexpr int exitCheckWouldAsk = 1; // check: the template check would show its message
inline constexpr int exitRefused = 2;       // bad arguments, unreadable files, a failed send check
inline constexpr int exitRowsFailed = 3;
inline constexpr int exitUnreachable = 4;
inline constexpr int exitInterrupted = 130; // the shells' code for a run ended by Ctrl+C

struct Surroundings {
    std::string exePath; // this executable, code-page text
    app::UserDirs userDirs;
    std::ostream& out;
    std::ostream& err;
    bool progressBar = false;             // standard error is a terminal
    std::function<void()> catchInterrupt; // called when a mailing starts
    std::function<bool()> interrupted;
    log::DateTimeClock now;
};

// `args` are the arguments after the program name, already in the code page.
int run(const std::vector<std::string>& args, Surroundings& surroundings);

std::string helpText();

// Code-page text as the console shows it: UTF-8, and each line break (CR LF, LF CR, CR or LF)
// a single LF.
std::string consoleText(std::string_view codePageText);

} // namespace quillory::cli
