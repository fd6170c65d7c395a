#include "app/standard_dirs.h"
#include "cli/cli.h"
#include "cli/console.h"
#include "log/file_lock.h"
#include "text/code_page.h"

#include <iostream>

int main(int argc, char** argv) {
    using namespace quillory;
    cli::console::prepareStreams();
    std::string exePath = app::runningExecutablePath();
    if (exePath.empty() && argc > 0) exePath = text::CodePage::windows1252().fromUtf8(argv[0]);
    cli::Surroundings surroundings{
        .exePath = exePath,
        .userDirs = app::userDirs(),
        .out = std::cout,
        .err = std::cerr,
        .progressBar = cli::console::standardErrorIsTerminal(),
        .catchInterrupt = cli::console::catchInterrupt,
        .interrupted = cli::console::interruptRequested,
        .now = log::localDateTimeNow,
    };
    return cli::run(cli::console::arguments(argc, argv), surroundings);
}
