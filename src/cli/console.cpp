#include "cli/console.h"

#include "text/code_page.h"

#include <atomic>
#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <shellapi.h>
#else
#include <csignal>
#include <unistd.h>
#endif

namespace quillory::cli::console {

namespace {

// A signal handler can reach nothing but a lock-free atomic object of static duration.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#ifdef _WIN32
BOOL WINAPI onConsoleControl(DWORD type) {
    if (type != CTRL_C_EVENT && type != CTRL_BREAK_EVENT) return FALSE;
    interrupted = true;
    return TRUE;
}
#else
void onInterrupt(int) { interrupted = true; }
#endif

} // namespace

void prepareStreams() {
#ifdef _WIN32
    _setmode(_fileno(stdout), _O_BINARY);
    SetConsoleOutputCP(CP_UTF8);
#endif
}

std::vector<std::string> arguments(int argc, char** argv) {
    std::vector<std::string> out;
    const text::CodePage& cp = text::CodePage::windows1252();
#ifdef _WIN32
    // argv holds the ANSI form, which may have lost characters already; the wide command line has them all.
    int count = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
        for (int i = 1; i < count; ++i)
            out.push_back(cp.fromUtf16(reinterpret_cast<const char16_t*>(wide[i])));
        LocalFree(wide);
        return out;
    }
#endif
    for (int i = 1; i < argc; ++i) out.push_back(cp.fromUtf8(argv[i]));
    return out;
}

bool standardErrorIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

void catchInterrupt() {
#ifdef _WIN32
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
#else
    struct sigaction action {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
#endif
}

bool interruptRequested() { return interrupted.load(); }

} // namespace quillory::cli::console
