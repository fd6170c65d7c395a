#pragma once
// The command-line tool's only contact with the console and the operating system's signals,
// so that the rest of the tool stays portable.

#include <string>
#include <vector>

namespace quillory::cli::console {

// Standard output takes bytes as they are (no newline translation); the console shows UTF-8.
void prepareStreams();

// The program's arguments (without the program name) as code-page text, converted once from
// the encoding the system hands them in.
std::vector<std::string> arguments(int argc, char** argv);

bool standardErrorIsTerminal();

// From now on Ctrl+C only raises a flag: the mailing stops after the row in hand, so its
// record still reaches the log.
void catchInterrupt();
bool interruptRequested();

} // namespace quillory::cli::console
