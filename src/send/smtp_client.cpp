#include "send/smtp_client.h"

#include "send/socket_probe.h"
#include "text/error.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>

namespace quillory::send {
namespace {

// libcurl wants its global set-up done once, before the first handle, on one thread.
void initialiseCurlOnce() {
    static const CURLcode result = curl_global_init(CURL_GLOBAL_DEFAULT);
    if (result != CURLE_OK) throw NetworkError(std::string("cannot start libcurl: ") + curl_easy_strerror(result));
}

std::size_t discardBody(char*, std::size_t size, std::size_t count, void*) {
    return size * count;
}

struct Upload {
    std::string_view data;
    std::size_t offset = 0;
};

std::size_t readUpload(char* buffer, std::size_t size, std::size_t count, void* userdata) {
    auto* upload = static_cast<Upload*>(userdata);
    std::size_t n = std::min(size * count, upload->data.size() - upload->offset);
    std::memcpy(buffer, upload->data.data() + upload->offset, n);
    upload->offset += n;
    return n;
}

// RAII for a recipient list handed to libcurl.
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using Slist = std::unique_ptr<curl_slist, SlistDeleter>;

bool hasLineBreak(std::string_view s) {
    return s.find_first_of("\r\n") != std::string_view::npos;
}

void check(CURLcode rc) {
    if (rc != CURLE_OK) throw NetworkError(std::string("cannot set up the SMTP transfer: ") + curl_easy_strerror(rc));
}

} // namespace

void SmtpClient::CurlDeleter::operator()(void* handle) const {
    curl_easy_cleanup(static_cast<CURL*>(handle));
}

MessageTime SmtpClient::systemTime() {
    auto now = std::chrono::system_clock::now();
    return MessageTime{now, localUtcOffsetMinutes(now)};
}

SmtpClient::SmtpClient(Clock clock) : m_clock(std::move(clock)), m_errorBuffer(CURL_ERROR_SIZE + 1, '\0') {
    initialiseCurlOnce();
    m_curl.reset(curl_easy_init());
    if (!m_curl) throw NetworkError("cannot create an SMTP session");
    CURL* curl = m_curl.get();
    check(curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L));
    check(curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, m_errorBuffer.data()));
    check(curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, &SmtpClient::onReplyLine));
    check(curl_easy_setopt(curl, CURLOPT_HEADERDATA, this));
    check(curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &discardBody));
    // One server, one connection: a connection to a host no longer configured is closed
    // rather than kept in the cache.
    check(curl_easy_setopt(curl, CURLOPT_MAXCONNECTS, 1L));
}

SmtpClient::~SmtpClient() = default;

std::string SmtpClient::url() const {
    std::string host = m_host;
    if (host.find(':') != std::string::npos && host.front() != '[') host = "[" + host + "]"; // IPv6 literal
    return "smtp://" + host + ":" + std::to_string(m_port);
}

// libcurl hands every server reply line to the header callback. Replies are kept whole
// (multi-line replies joined) so that an error can carry exactly what the server said.
std::size_t SmtpClient::onReplyLine(char* data, std::size_t size, std::size_t count, void* self) {
    auto* client = static_cast<SmtpClient*>(self);
    std::string_view line(data, size * count);
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
        line.remove_suffix(1);
    if (!client->m_partialReply.empty()) client->m_partialReply += ' ';
    client->m_partialReply += line;
    bool last = line.size() < 4 || line[3] != '-';
    if (last) {
        client->m_lastReply = std::move(client->m_partialReply);
        client->m_partialReply.clear();
        ++client->m_repliesThisTransfer;
        if (!client->m_lastReply.empty() && (client->m_lastReply[0] == '4' || client->m_lastReply[0] == '5'))
            client->m_lastErrorReply = client->m_lastReply;
    }
    return size * count;
}

bool SmtpClient::isConnected() {
    if (!m_connected) return false;
    curl_socket_t socket = CURL_SOCKET_BAD;
    if (curl_easy_getinfo(m_curl.get(), CURLINFO_ACTIVESOCKET, &socket) != CURLE_OK || idleSocketLooksClosed(socket))
        m_connected = false;
    return m_connected;
}

void SmtpClient::perform(std::string url, bool retryOnDeadReuse) {
    CURL* curl = m_curl.get();
    check(curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, m_connectTimeoutMs));
    check(curl_easy_setopt(curl, CURLOPT_SERVER_RESPONSE_TIMEOUT, m_replyTimeoutSeconds));
    for (int attempt = 0;; ++attempt) {
        check(curl_easy_setopt(curl, CURLOPT_URL, url.c_str()));
        m_lastReply.clear();
        m_lastErrorReply.clear();
        m_partialReply.clear();
        m_repliesThisTransfer = 0;
        m_errorBuffer[0] = '\0';
        check(curl_easy_setopt(curl, CURLOPT_FRESH_CONNECT, attempt > 0 ? 1L : 0L));
        CURLcode rc = curl_easy_perform(curl);
        if (rc == CURLE_OK) {
            m_connected = true;
            m_connectedUrl = url;
            return;
        }
        m_connected = false;
        long newConnections = 0;
        curl_easy_getinfo(curl, CURLINFO_NUM_CONNECTS, &newConnections);
        // A kept connection can die between the liveness check and the first command. When
        // the server never answered anything in this transfer, nothing can have been
        // delivered, so one more attempt on a new connection is safe.
        // The new connection goes where a reconnect goes: to the host and port now set.
        if (retryOnDeadReuse && attempt == 0 && newConnections == 0 && m_repliesThisTransfer == 0) {
            url = this->url();
            continue;
        }
        std::string reason = !m_lastErrorReply.empty()  ? m_lastErrorReply
                             : m_errorBuffer[0] != '\0' ? std::string(m_errorBuffer.data())
                                                        : std::string(curl_easy_strerror(rc));
        throw NetworkError(reason);
    }
}

void SmtpClient::connect(int timeoutMs) {
    if (isConnected()) return;
    if (m_host.empty()) throw NetworkError("no SMTP host name");
    m_connectTimeoutMs = std::max(1, timeoutMs);
    CURL* curl = m_curl.get();
    // A NOOP with no sender and no recipients: libcurl connects, reads the greeting, says
    // EHLO and sends the command, which is all a connect needs.
    check(curl_easy_setopt(curl, CURLOPT_UPLOAD, 0L));
    check(curl_easy_setopt(curl, CURLOPT_MAIL_FROM, nullptr));
    check(curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, nullptr));
    check(curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, "NOOP"));
    check(curl_easy_setopt(curl, CURLOPT_NOBODY, 0L));
    perform(url(), false);
}

void SmtpClient::send(Message& message) {
    std::string data = message.compose(m_clock());
    sendRaw(message.envelopeSender(), message.recipients(), data);
}

void SmtpClient::sendRaw(std::string_view sender, const std::vector<std::string>& recipients, std::string_view data) {
    if (m_host.empty() && m_connectedUrl.empty()) throw NetworkError("no SMTP host name");
    if (recipients.empty()) throw Error("no recipient address");
    // The composer never lets a line break through; this guards other callers, since a CR or
    // LF here would become an SMTP command of its own.
    if (hasLineBreak(sender)) throw Error("the sender address contains a line break");
    Slist rcpt;
    for (const std::string& r : recipients) {
        if (hasLineBreak(r)) throw Error("the address \"" + r + "\" contains a line break");
        curl_slist* extended = curl_slist_append(rcpt.get(), r.c_str());
        if (!extended) throw NetworkError("out of memory for the recipient list");
        rcpt.release();
        rcpt.reset(extended);
    }
    std::string senderText(sender);
    Upload upload{data};
    CURL* curl = m_curl.get();
    check(curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, nullptr));
    check(curl_easy_setopt(curl, CURLOPT_MAIL_FROM, senderText.c_str()));
    check(curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, rcpt.get()));
    check(curl_easy_setopt(curl, CURLOPT_MAIL_RCPT_ALLLOWFAILS, 0L));
    check(curl_easy_setopt(curl, CURLOPT_UPLOAD, 1L));
    check(curl_easy_setopt(curl, CURLOPT_READFUNCTION, &readUpload));
    check(curl_easy_setopt(curl, CURLOPT_READDATA, &upload));
    check(curl_easy_setopt(curl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(data.size())));

    // The open connection is used as it is, even if the settings have changed since; a lost
    // one is reopened to the host and port now set.
    std::string target = isConnected() ? m_connectedUrl : url();
    struct Detach {
        CURL* curl;
        ~Detach() {
            // The list, sender and data live on this stack frame only.
            curl_easy_setopt(curl, CURLOPT_MAIL_RCPT, nullptr);
            curl_easy_setopt(curl, CURLOPT_MAIL_FROM, nullptr);
            curl_easy_setopt(curl, CURLOPT_READDATA, nullptr);
            curl_easy_setopt(curl, CURLOPT_UPLOAD, 0L);
        }
    } detach{curl};
    perform(target, true);
}

} // namespace quillory::send
