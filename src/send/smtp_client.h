#pragma once
// The SMTP client: plain SMTP, no login, no encryption. One connection, opened by connect
// or by the first send, kept open between messages and between mailings, and opened again
// when the server has closed it.

#include "send/message.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::send {

class SmtpClient final {
public:
    using Clock = std::function<MessageTime()>;
    // The machine's clock and local offset, for the Date header.
    static MessageTime systemTime();

    explicit SmtpClient(Clock clock = &SmtpClient::systemTime);
    ~SmtpClient();
    SmtpClient(const SmtpClient&) = delete;
    SmtpClient& operator=(const SmtpClient&) = delete;

    // Host and port take effect at the next connect; an open connection stays as it is.
    void setHost(std::string host) { m_host = std::move(host); }
    const std::string& host() const { return m_host; }
    void setPort(int port) { m_port = port; }
    int port() const { return m_port; }

    // How long a send may wait for any one server reply before the connection counts as
    // dead (default 60 s); keeps a stalled server from hanging the caller for ever.
    void setReplyTimeoutSeconds(long seconds) { m_replyTimeoutSeconds = seconds; }

    // True while the connection is open and the server has not closed it.
    bool isConnected();

    // Opens the connection to host:port (greeting and EHLO included) unless one is open,
    // within `timeoutMs` for reaching the server and its greeting. The time-out also applies
    // to reconnects that send makes later. Throws NetworkError with the reason.
    void connect(int timeoutMs);

    // Composes the message (Date from the clock) and hands it to the server: sender,
    // recipients and data. Throws quillory::Error (unreadable recipient cell), FileError
    // (attachment) or NetworkError. A rejected recipient fails the whole message, nothing is
    // delivered, and the NetworkError carries the server's reply ("550 ..."). A connection
    // that was lost is opened again first.
    void send(Message& message);

    // The same for a message composed elsewhere.
    void sendRaw(std::string_view sender, const std::vector<std::string>& recipients, std::string_view data);

    // The last server reply of the last connect or send (lines joined by spaces).
    const std::string& lastReply() const { return m_lastReply; }

private:
    std::string url() const;
    // Runs a transfer; on failure throws NetworkError with the best reason at hand.
    void perform(std::string url, bool retryOnDeadReuse);
    static std::size_t onReplyLine(char* data, std::size_t size, std::size_t count, void* self);

    struct CurlDeleter {
        void operator()(void* handle) const;
    };
    std::unique_ptr<void, CurlDeleter> m_curl;
    Clock m_clock;
    std::string m_host;
    int m_port = 25;
    long m_connectTimeoutMs = 1000;
    long m_replyTimeoutSeconds = 60;
    bool m_connected = false;
    std::string m_connectedUrl;
    std::string m_lastReply;
    std::string m_lastErrorReply;
    std::string m_partialReply;
    int m_repliesThisTransfer = 0;
    std::vector<char> m_errorBuffer;
};

} // namespace quillory::send
