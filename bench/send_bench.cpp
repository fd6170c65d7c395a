// Composing and sending a 10,000-row mailing: the message composer alone, then composer and
// SMTP client against a sink on loopback. The sink is Postfix's smtp-sink when its port is
// given (`bench_send PORT`), otherwise a minimal in-process sink that answers every command
// at once, so the figure is the client's own cost.
#include "bench_util.h"
#include "send/smtp_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

using namespace quillory::send;

namespace {

constexpr int rows = 10000;

// Accepts connections one after the other and says yes to everything.
class Sink {
public:
    Sink() {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || ::listen(m_listen, 4) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &len) != 0) {
            std::perror("sink");
            std::exit(1);
        }
        m_port = ntohs(a.sin_port);
        m_thread = std::thread([this] { run(); });
    }
    ~Sink() {
        ::shutdown(m_listen, SHUT_RDWR);
        ::close(m_listen);
        m_thread.join();
    }
    int port() const { return m_port; }
    long messages() const { return m_messages; }

private:
    void run() {
        for (;;) {
            int c = ::accept(m_listen, nullptr, nullptr);
            if (c < 0) return;
            serve(c);
            ::close(c);
        }
    }
    static bool say(int c, const char* text) { return ::write(c, text, std::strlen(text)) > 0; }
    void serve(int c) {
        say(c, "220 sink ready\r\n");
        std::string buf;
        bool inData = false;
        char chunk[65536];
        for (;;) {
            ssize_t n = ::read(c, chunk, sizeof chunk);
            if (n <= 0) return;
            buf.append(chunk, static_cast<std::size_t>(n));
            for (;;) {
                if (inData) {
                    std::size_t end = buf.find("\r\n.\r\n");
                    if (end == std::string::npos) {
                        if (buf.size() > 8) buf.erase(0, buf.size() - 8);
                        break;
                    }
                    buf.erase(0, end + 5);
                    inData = false;
                    ++m_messages;
                    say(c, "250 ok\r\n");
                    continue;
                }
                std::size_t eol = buf.find("\r\n");
                if (eol == std::string::npos) break;
                std::string cmd = buf.substr(0, 4);
                buf.erase(0, eol + 2);
                if (cmd == "EHLO")
                    say(c, "250-sink\r\n250 8BITMIME\r\n");
                else if (cmd == "DATA") {
                    say(c, "354 go\r\n");
                    buf.insert(0, "\r\n"); // the data may end right away
                    inData = true;
                } else if (cmd == "QUIT") {
                    say(c, "221 bye\r\n");
                    return;
                } else
                    say(c, "250 ok\r\n");
            }
        }
    }
    int m_listen = -1;
    int m_port = 0;
    std::atomic<long> m_messages{0};
    std::thread m_thread;
};

Message mailing() {
    Message m;
    m.setSubject("Your order, r\xE9"
                 "f. 2024");
    m.setSenderName("Quillory Bench");
    m.setSenderAddress("bench@example.com");
    std::vector<std::string> body;
    for (int i = 0; i < 25; ++i)
        body.push_back("Line " + std::to_string(i) + " of the letter, caf\xE9 and cr\xE8me, about sixty bytes.");
    m.setBodyLines(body);
    return m;
}

} // namespace

int main(int argc, char** argv) {
    MessageTime time = SmtpClient::systemTime();
    {
        Message m = mailing();
        double ms = bench::medianMs(5, [&] {
            for (int r = 0; r < rows; ++r) {
                m.setRecipientsFromCell("Reader " + std::to_string(r) + " <reader" + std::to_string(r) +
                                        "@example.com>");
                bench::keep(m.compose(time));
            }
        });
        std::printf("compose %d messages (text, 1.5 KB): median %.1f ms, %.0f messages/s\n", rows, ms,
                    rows * 1000.0 / ms);
    }

    std::unique_ptr<Sink> sink;
    int port = argc > 1 ? std::atoi(argv[1]) : 0;
    if (port == 0) {
        sink = std::make_unique<Sink>();
        port = sink->port();
    }
    SmtpClient client;
    client.setHost("127.0.0.1");
    client.setPort(port);
    Message m = mailing();
    double ms = bench::medianMs(3, [&] {
        for (int r = 0; r < rows; ++r) {
            m.setRecipientsFromCell("reader" + std::to_string(r) + "@example.com");
            if (!client.isConnected()) client.connect(1000);
            client.send(m);
        }
    });
    std::printf("compose + send %d messages to %s on port %d: median %.1f ms, %.0f messages/s\n", rows,
                sink ? "the in-process sink" : "the given sink", port, ms, rows * 1000.0 / ms);
    if (sink && sink->messages() != 3L * rows) {
        std::printf("sink counted %ld messages, expected %d\n", sink->messages(), 3 * rows);
        return 1;
    }
    return 0;
}
