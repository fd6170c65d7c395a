#include "send/message.h"

#include "send/mime_encoding.h"
#include "text/error.h"
#include "text/file_io.h"
#include "text/path_text.h"

#include <array>
#include <cctype>
#include <cstdio>
#include <ctime>

namespace quillory::send {
namespace {

constexpr std::size_t maxTextLine = 998;

std::string twoDigits(int v) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

// RFC 5322 date-time; the calendar is computed from the offset-shifted instant, so no
// time-zone database or hidden clock is involved.
std::string dateHeaderValue(const MessageTime& time) {
    using namespace std::chrono;
    static constexpr std::array<const char*, 7> days = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static constexpr std::array<const char*, 12> months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    auto local = floor<seconds>(time.when) + minutes(time.utcOffsetMinutes);
    auto day = floor<std::chrono::days>(local);
    year_month_day ymd{day};
    hh_mm_ss hms{local - day};
    int offset = time.utcOffsetMinutes;
    char sign = offset < 0 ? '-' : '+';
    if (offset < 0) offset = -offset;
    std::string out = days[weekday{day}.c_encoding()];
    out += ", " + twoDigits(static_cast<int>(static_cast<unsigned>(ymd.day()))) + " " +
           months[static_cast<unsigned>(ymd.month()) - 1] + " " + std::to_string(static_cast<int>(ymd.year())) + " " +
           twoDigits(static_cast<int>(hms.hours().count())) + ":" + twoDigits(static_cast<int>(hms.minutes().count())) +
           ":" + twoDigits(static_cast<int>(hms.seconds().count())) + " " + sign + twoDigits(offset / 60) +
           twoDigits(offset % 60);
    return out;
}

std::string hex64(std::uint64_t v) {
    char buf[20];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

// The body as text lines: entries split again at any CR, LF or CR LF they hold.
std::vector<std::string_view> splitBody(const std::vector<std::string>& entries) {
    std::vector<std::string_view> lines;
    lines.reserve(entries.size());
    for (const std::string& entry : entries) {
        std::string_view rest = entry;
        for (;;) {
            std::size_t br = rest.find_first_of("\r\n");
            if (br == std::string_view::npos) {
                lines.push_back(rest);
                break;
            }
            lines.push_back(rest.substr(0, br));
            br += (rest[br] == '\r' && br + 1 < rest.size() && rest[br + 1] == '\n') ? 2 : 1;
            rest = rest.substr(br);
        }
    }
    return lines;
}

// 7bit only when every line is short printable ASCII; anything else is quoted-printable.
bool fitsSevenBit(const std::vector<std::string_view>& lines) {
    for (std::string_view line : lines) {
        if (line.size() > maxTextLine) return false;
        for (unsigned char c : line)
            if (c >= 0x80 || c == 0 || (c < 0x20 && c != '\t')) return false;
    }
    return true;
}

std::string encodedBody(const std::vector<std::string_view>& lines, bool sevenBit) {
    std::string out;
    std::size_t size = 0;
    for (std::string_view line : lines)
        size += line.size() + 2;
    out.reserve(sevenBit ? size : size + size / 4);
    for (std::string_view line : lines) {
        if (sevenBit)
            out += line;
        else
            appendQuotedPrintableLine(out, line);
        out += "\r\n";
    }
    return out;
}

std::string trimmed(std::string_view s) {
    std::size_t b = s.find_first_not_of(" \t");
    if (b == std::string_view::npos) return {};
    std::size_t e = s.find_last_not_of(" \t");
    return std::string(s.substr(b, e + 1 - b));
}

} // namespace

std::string_view contentTypeName(ContentType type) {
    return type == ContentType::MultipartMixed ? "multipart/mixed" : "text/plain";
}

std::optional<ContentType> contentTypeFromName(std::string_view name) {
    if (name == "text/plain") return ContentType::TextPlain;
    if (name == "multipart/mixed") return ContentType::MultipartMixed;
    return std::nullopt;
}

int localUtcOffsetMinutes(std::chrono::system_clock::time_point when) {
    std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local = *std::localtime(&t);
    std::tm utc = *std::gmtime(&t);
    int dayDiff = local.tm_year != utc.tm_year ? (local.tm_year > utc.tm_year ? 1 : -1) : local.tm_yday - utc.tm_yday;
    return dayDiff * 1440 + (local.tm_hour - utc.tm_hour) * 60 + (local.tm_min - utc.tm_min);
}

Message::Message() : m_random(std::random_device{}()) {}

void Message::clear() {
    m_contentType = ContentType::TextPlain;
    m_subject.clear();
    m_senderName.clear();
    m_senderAddress.clear();
    m_attachments.clear();
    m_recipientCell.clear();
    m_recipients.reset();
    m_recipientError.clear();
    m_bodyLines.clear();
}

std::string Message::envelopeSender() const {
    std::string address = trimmed(foldLineBreaks(m_senderAddress));
    if (address.size() >= 2 && address.front() == '<' && address.back() == '>')
        address = trimmed(std::string_view(address).substr(1, address.size() - 2));
    return address;
}

AttachmentPart& Message::addAttachment(std::string path) {
    AttachmentPart part;
    part.fileName = text::fileName(path);
    part.path = std::move(path);
    m_attachments.push_back(std::move(part));
    return m_attachments.back();
}

void Message::setRecipientsFromCell(std::string_view cell) {
    m_recipientCell = std::string(cell);
    m_recipients.reset();
    m_recipientError.clear();
    try {
        m_recipients = parseAddressList(cell);
    } catch (const Error& e) {
        // Kept, not ignored: compose() throws it, so the row fails when it is sent.
        m_recipientError = e.what();
    }
}

std::vector<std::string> Message::recipients() const {
    return m_recipients ? m_recipients->addresses() : std::vector<std::string>{};
}

std::string Message::newMessageId(const MessageTime& time) {
    std::string address = envelopeSender();
    std::size_t at = address.rfind('@');
    std::string domain = at == std::string::npos ? std::string() : address.substr(at + 1);
    bool usable = !domain.empty();
    for (unsigned char c : domain)
        if (!(std::isalnum(c) || c == '.' || c == '-')) usable = false;
    if (!usable) domain = "quillory.invalid";
    auto seconds = std::chrono::duration_cast<std::chrono::seconds>(time.when.time_since_epoch()).count();
    return "<" + std::to_string(seconds) + "." + std::to_string(++m_sequence) + "." + hex64(m_random()) + "@" + domain +
           ">";
}

std::string Message::newBoundary(std::string_view body) {
    // "=_" cannot occur in quoted-printable or base64 text; the search covers a 7bit body.
    for (;;) {
        std::string boundary = "=_quillory_" + hex64(m_random());
        if (body.find(boundary) == std::string_view::npos) return boundary;
    }
}

std::string Message::compose(const MessageTime& time) {
    if (!m_recipientError.empty()) throw Error(m_recipientError);
    if (!m_recipients) throw Error("no recipient address");

    // Read the parts first: a missing file fails the message before any work is wasted.
    std::vector<std::string> contents;
    contents.reserve(m_attachments.size());
    for (const AttachmentPart& part : m_attachments) {
        try {
            contents.push_back(text::readFile(part.path));
        } catch (const FileError& e) {
            throw FileError(std::string("attachment ") + e.what(), e.code());
        }
    }

    std::vector<std::string_view> lines = splitBody(m_bodyLines);
    bool sevenBit = fitsSevenBit(lines);
    std::string body = encodedBody(lines, sevenBit);
    std::string_view transferEncoding = sevenBit ? "7bit" : "quoted-printable";

    std::string out;
    std::size_t attachmentSize = 0;
    for (const std::string& c : contents)
        attachmentSize += c.size() / 3 * 4 + c.size() / 57 * 2 + 256;
    out.reserve(1024 + body.size() + attachmentSize);

    appendHeader(out, "Date", dateHeaderValue(time));
    appendHeader(out, "From", renderMailbox(foldLineBreaks(m_senderName), envelopeSender()));
    {
        // Joined so that the header folds between addresses, never inside one.
        std::string to;
        for (std::size_t i = 0; i < m_recipients->headerItems.size(); ++i) {
            if (i > 0) to += ", ";
            to += m_recipients->headerItems[i];
        }
        appendHeader(out, "To", to);
    }
    appendHeader(out, "Subject", unstructuredHeaderValue(foldLineBreaks(m_subject)));
    appendHeader(out, "Message-ID", newMessageId(time));
    appendHeader(out, "MIME-Version", "1.0");

    std::string textType = "text/plain; charset=" + std::string(messageCharset);
    bool multipart = m_contentType == ContentType::MultipartMixed || !m_attachments.empty();
    if (!multipart) {
        appendHeader(out, "Content-Type", textType);
        appendHeader(out, "Content-Transfer-Encoding", transferEncoding);
        out += "\r\n";
        out += body;
        return out;
    }

    std::string boundary = newBoundary(body);
    appendHeader(out, "Content-Type", "multipart/mixed; boundary=\"" + boundary + "\"");
    out += "\r\nThis is a multi-part message in MIME format.\r\n";
    out += "\r\n--" + boundary + "\r\n";
    appendHeader(out, "Content-Type", textType);
    appendHeader(out, "Content-Transfer-Encoding", transferEncoding);
    out += "\r\n";
    out += body;
    for (std::size_t i = 0; i < m_attachments.size(); ++i) {
        const AttachmentPart& part = m_attachments[i];
        std::string fileName = foldLineBreaks(part.fileName);
        std::string disposition = trimmed(foldLineBreaks(part.disposition));
        if (disposition.empty()) disposition = "attachment";
        out += "\r\n--" + boundary + "\r\n";
        appendHeader(out, "Content-Type", "application/octet-stream; " + mimeParameter("name", fileName));
        appendHeader(out, "Content-Transfer-Encoding", "base64");
        appendHeader(out, "Content-Disposition", disposition + "; " + mimeParameter("filename", fileName));
        out += "\r\n";
        appendBase64(out, contents[i]);
    }
    out += "\r\n--" + boundary + "--\r\n";
    return out;
}

} // namespace quillory::send
