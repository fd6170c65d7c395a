#pragma once
// Starts the test SMTP server (smtp_test_server.py, aiosmtpd on a free loopback port) for
// one test and stops it afterwards, and reads back what it received. Link the CMake target
// quillory_smtp_fixture to use it. Test code only: it uses POSIX process calls directly.

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace quillory::smtptest {

#ifndef QUILLORY_SMTP_DIR
#error "link the quillory_smtp_fixture target"
#endif

inline const char* pythonExe = "/usr/bin/python3"; // the one that sees python3-aiosmtpd

struct MimeAddress {
    std::string displayName;
    std::string address;
};

struct MimePart {
    std::string contentType; // "text/plain"
    std::string charset;     // "windows-1252", or "-"
    std::string transferEncoding;
    std::string disposition; // "attachment", "inline" or "-"
    std::string fileName;    // Windows-1252; empty when none
    bool hasFileName = false;
    std::string payload; // decoded bytes
};

// A message as Python's MIME parser reads it; texts are Windows-1252 bytes.
struct MimeDump {
    std::vector<std::pair<std::string, std::string>> headers;   // lower-case name, decoded value
    std::vector<std::pair<std::string, MimeAddress>> addresses; // "from"/"to", mailbox
    std::vector<MimePart> parts;                                // leaf parts in order
    std::vector<std::string> defects;

    // The decoded value of the first header of that (lower-case) name; "<none>" if absent.
    std::string header(const std::string& name) const {
        for (const auto& [n, v] : headers)
            if (n == name) return v;
        return "<none>";
    }
    int headerCount(const std::string& name) const {
        return static_cast<int>(
            std::count_if(headers.begin(), headers.end(), [&](auto& h) { return h.first == name; }));
    }
    std::vector<MimeAddress> addressesOf(const std::string& name) const {
        std::vector<MimeAddress> out;
        for (const auto& [n, a] : addresses)
            if (n == name) out.push_back(a);
        return out;
    }
};

namespace detail {

inline std::string readAll(const std::filesystem::path& p) {
    std::ifstream f(p, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

inline std::string unhex(const std::string& field) {
    if (field == "-") return {};
    if (field.empty() || field[0] != 'x') throw std::runtime_error("bad dump field " + field);
    std::string out;
    for (std::size_t i = 1; i + 1 < field.size(); i += 2)
        out += static_cast<char>(std::stoi(field.substr(i, 2), nullptr, 16));
    return out;
}

inline MimeDump parseDump(const std::string& text) {
    MimeDump dump;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string kind;
        fields >> kind;
        if (kind == "header") {
            std::string name, value;
            fields >> name >> value;
            dump.headers.emplace_back(name, unhex(value));
        } else if (kind == "address") {
            std::string header, name, addr;
            fields >> header >> name >> addr;
            dump.addresses.emplace_back(header, MimeAddress{unhex(name), unhex(addr)});
        } else if (kind == "part") {
            MimePart p;
            std::string fileName, payload;
            fields >> p.contentType >> p.charset >> p.transferEncoding >> p.disposition >> fileName >> payload;
            p.hasFileName = fileName != "-";
            p.fileName = unhex(fileName);
            p.payload = unhex(payload);
            dump.parts.push_back(std::move(p));
        } else if (kind == "defect") {
            std::string name;
            fields >> name;
            dump.defects.push_back(name);
        }
    }
    return dump;
}

} // namespace detail

// Runs the MIME parser on a message that was composed but not sent.
inline MimeDump parseMime(const std::string& raw) {
    char dirTemplate[] = "/tmp/quillory-mime-XXXXXX";
    if (!mkdtemp(dirTemplate)) throw std::runtime_error("mkdtemp failed");
    std::filesystem::path dir = dirTemplate;
    { std::ofstream(dir / "m.eml", std::ios::binary) << raw; }
    std::string command = std::string(pythonExe) + " " QUILLORY_SMTP_DIR "/mime_dump.py " + (dir / "m.eml").string();
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[65536];
        std::size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0)
            out.append(buf, n);
        if (pclose(p) != 0) out.clear();
    }
    std::filesystem::remove_all(dir);
    if (out.empty()) throw std::runtime_error("mime_dump.py failed");
    return detail::parseDump(out);
}

// A loopback port where nothing listens (bound, then released).
inline int unusedLoopbackPort() {
    int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    if (s < 0 || ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) != 0)
        throw std::runtime_error("cannot find a free port");
    ::close(s);
    return ntohs(a.sin_port);
}

struct SmtpServerOptions {
    std::vector<std::string> reject = {}; // RCPT TO for these gets 550
    int dropAfter = 0;                    // close each connection after its N-th message
    bool neverGreet = false;              // accept TCP, say nothing
};

struct ReceivedMessage {
    int connection = 0; // 1 for the first connection the server accepted
    std::string mailFrom;
    std::vector<std::string> rcptTo;
    std::string data; // as received
    MimeDump mime;
};

class SmtpTestServer {
public:
    explicit SmtpTestServer(SmtpServerOptions options = {}) {
        char dirTemplate[] = "/tmp/quillory-smtp-XXXXXX";
        if (!mkdtemp(dirTemplate)) throw std::runtime_error("mkdtemp failed");
        m_dir = dirTemplate;

        std::vector<std::string> args = {pythonExe, QUILLORY_SMTP_DIR "/smtp_test_server.py", "--dir", m_dir.string()};
        for (const std::string& r : options.reject)
            args.insert(args.end(), {"--reject", r});
        if (options.dropAfter > 0) args.insert(args.end(), {"--drop-after", std::to_string(options.dropAfter)});
        if (options.neverGreet) args.push_back("--never-greet");
        std::vector<char*> argv;
        for (std::string& a : args)
            argv.push_back(a.data());
        argv.push_back(nullptr);

        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) throw std::runtime_error("pipe failed");
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);
        int rc = posix_spawn(&m_pid, pythonExe, &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(in[0]);
        ::close(out[1]);
        m_stdin = in[1];
        if (rc != 0) {
            ::close(out[0]);
            throw std::runtime_error("cannot start the test SMTP server");
        }
        // The first line is "PORT <n>"; end of file instead means the script failed (its
        // error went to stderr, which the test output shows).
        std::string line;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            line += c;
        ::close(out[0]);
        if (line.rfind("PORT ", 0) != 0) {
            stop();
            throw std::runtime_error("the test SMTP server did not start: \"" + line + "\"");
        }
        m_port = std::stoi(line.substr(5));
    }

    ~SmtpTestServer() {
        stop();
        std::error_code ec;
        std::filesystem::remove_all(m_dir, ec);
    }

    SmtpTestServer(const SmtpTestServer&) = delete;
    SmtpTestServer& operator=(const SmtpTestServer&) = delete;

    std::string host() const { return "127.0.0.1"; }
    int port() const { return m_port; }
    const std::filesystem::path& directory() const { return m_dir; }

    // Every message accepted so far, in arrival order.
    std::vector<ReceivedMessage> messages() const {
        std::vector<std::filesystem::path> envs;
        for (const auto& e : std::filesystem::directory_iterator(m_dir))
            if (e.path().extension() == ".env") envs.push_back(e.path());
        std::sort(envs.begin(), envs.end());
        std::vector<ReceivedMessage> out;
        for (const auto& env : envs) {
            ReceivedMessage m;
            std::istringstream in(detail::readAll(env));
            std::string key, value;
            while (in >> key) {
                std::getline(in >> std::ws, value);
                if (key == "connection") m.connection = std::stoi(value);
                if (key == "from") m.mailFrom = value;
                if (key == "rcpt") m.rcptTo.push_back(value);
            }
            std::filesystem::path stem = env;
            m.data = detail::readAll(stem.replace_extension(".eml"));
            m.mime = detail::parseDump(detail::readAll(stem.replace_extension(".mime")));
            out.push_back(std::move(m));
        }
        return out;
    }

    // Connections accepted so far.
    int connections() const {
        std::string n = detail::readAll(m_dir / "connections");
        return n.empty() ? 0 : std::stoi(n);
    }

private:
    void stop() {
        if (m_stdin >= 0) ::close(m_stdin);
        m_stdin = -1;
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            int status = 0;
            ::waitpid(m_pid, &status, 0);
            m_pid = -1;
        }
    }

    std::filesystem::path m_dir;
    pid_t m_pid = -1;
    int m_stdin = -1;
    int m_port = 0;
};

} // namespace quillory::smtptest
