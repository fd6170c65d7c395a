#pragma once
// Runs quillory-cli as a user would: a child process with its own standard output and error,
// in a scratch folder, and reads back the log records it wrote. Test code only: POSIX calls.

#include "log/file_lock.h"
#include "log/log_format.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace quillory::clitest {

#ifndef QUILLORY_CLI
#error "QUILLORY_CLI names the executable under test"
#endif

inline const std::string cliExe = QUILLORY_CLI;
inline const std::string dataDir = QUILLORY_TEST_DATA;

inline std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeAll(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

class Scratch {
public:
    Scratch() {
        char dirTemplate[] = "/tmp/quillory-cli-XXXXXX";
        if (!mkdtemp(dirTemplate)) throw std::runtime_error("mkdtemp failed");
        m_dir = dirTemplate;
    }
    ~Scratch() {
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    std::string path(const std::string& name) const { return (m_dir / name).string(); }
    std::string write(const std::string& name, const std::string& bytes) const {
        writeAll(m_dir / name, bytes);
        return path(name);
    }

private:
    std::filesystem::path m_dir;
};

struct RunResult {
    int exitCode = -1; // 128 + signal when the child was killed by one
    std::string out;
    std::string err;
};

// Runs `exe args...` with standard input empty and the output captured. `whileRunning` is
// called with the child's process id before the test waits for it to end.
inline RunResult runCli(const std::vector<std::string>& args, const std::string& exe = cliExe,
                        const std::function<void(pid_t)>& whileRunning = {}) {
    Scratch capture;
    const std::string outPath = capture.path("out"), errPath = capture.path("err");
    std::vector<std::string> all = {exe};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = -1;
    const int rc = posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) throw std::runtime_error("cannot start " + exe);
    if (whileRunning) whileRunning(pid);
    int status = 0;
    waitpid(pid, &status, 0);

    RunResult r;
    r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = readAll(outPath);
    r.err = readAll(errPath);
    return r;
}

// The status bytes of each record of a log file, oldest first.
inline std::vector<std::vector<std::uint8_t>> logStatuses(const std::string& logPath) {
    auto file = log::LockedFile::openForReading(logPath);
    std::vector<std::vector<std::uint8_t>> out;
    for (const auto& record : log::listRecords(*file)) out.push_back(log::readStatusBlock(*file, record));
    return out;
}

inline std::vector<std::string> logAttachments(const std::string& logPath) {
    auto file = log::LockedFile::openForReading(logPath);
    std::vector<std::string> out;
    for (const auto& record : log::listRecords(*file))
        for (std::string block : log::readAttachmentBlocks(*file, record)) {
            if (!block.empty() && block.back() == '\0') block.pop_back();
            out.push_back(block);
        }
    return out;
}

// Waits (up to a generous limit) until `ready` holds.
inline bool waitFor(const std::function<bool()>& ready) {
    const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (std::chrono::steady_clock::now() < until) {
        if (ready()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return false;
}

} // namespace quillory::clitest
