#pragma once
// The one message object of the program: set up once per mailing (content type, subject,
// sender, attachment parts), then given a new body and new recipients for every row, and
// composed into an Internet message when it is sent.

#include "send/address_list.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::send {

enum class ContentType { TextPlain, MultipartMixed };

// "text/plain" or "multipart/mixed"; and back (anything else gives nothing).
std::string_view contentTypeName(ContentType type);
std::optional<ContentType> contentTypeFromName(std::string_view name);

struct AttachmentPart {
    std::string path;     // code-page text; the file is read when the message is composed
    std::string fileName; // the name part of the path
    std::string disposition = "attachment";
};

// What the composer needs from the clock, passed in so that tests can fix it.
struct MessageTime {
    std::chrono::system_clock::time_point when;
    int utcOffsetMinutes = 0; // of the local time to show in the Date header
};

// Minutes east of UTC of the machine's local time at `when`.
int localUtcOffsetMinutes(std::chrono::system_clock::time_point when);

class Message final {
public:
    Message();

    // Empties everything: content type back to text/plain, no subject, sender, parts,
    // recipients or body.
    void clear();

    void setContentType(ContentType type) { m_contentType = type; }
    ContentType contentType() const { return m_contentType; }

    void setSubject(std::string subject) { m_subject = std::move(subject); }
    const std::string& subject() const { return m_subject; }
    void setSenderName(std::string name) { m_senderName = std::move(name); }
    const std::string& senderName() const { return m_senderName; }
    void setSenderAddress(std::string address) { m_senderAddress = std::move(address); }
    const std::string& senderAddress() const { return m_senderAddress; }
    // The sender address as it goes into MAIL FROM and the From header: line breaks folded
    // to spaces and surrounding blanks and angle brackets removed.
    std::string envelopeSender() const;

    // Adds a part for the file at `path`; the file name is the name part of the path. The
    // returned reference stays valid until the next addAttachment or clear.
    AttachmentPart& addAttachment(std::string path);
    const std::vector<AttachmentPart>& attachments() const { return m_attachments; }
    std::vector<AttachmentPart>& attachments() { return m_attachments; }

    // Replaces the recipients by the addresses of an address cell. Never throws: a cell that
    // cannot be read is remembered and makes compose() (and so sending) throw its error.
    void setRecipientsFromCell(std::string_view cell);
    const std::string& recipientCell() const { return m_recipientCell; }
    // The addresses for RCPT TO; empty when the cell could not be read.
    std::vector<std::string> recipients() const;
    // Why the cell could not be read; empty when it could.
    const std::string& recipientError() const { return m_recipientError; }

    // Replaces the body. Each entry is one line without its line break; a CR or LF inside an
    // entry breaks the line there.
    void setBodyLines(std::vector<std::string> lines) { m_bodyLines = std::move(lines); }
    const std::vector<std::string>& bodyLines() const { return m_bodyLines; }

    // The complete message, lines ended by CR LF, none longer than 998 bytes. Reads the
    // attachment files. Throws quillory::Error for an unreadable recipient cell or no
    // recipients, FileError for a missing or unreadable attachment. Each call gets a new
    // Message-ID.
    std::string compose(const MessageTime& time);

private:
    std::string newMessageId(const MessageTime& time);
    std::string newBoundary(std::string_view body);

    ContentType m_contentType = ContentType::TextPlain;
    std::string m_subject;
    std::string m_senderName;
    std::string m_senderAddress;
    std::vector<AttachmentPart> m_attachments;
    std::string m_recipientCell;
    std::optional<AddressList> m_recipients;
    std::string m_recipientError;
    std::vector<std::string> m_bodyLines;

    // Message-IDs and boundaries must not repeat across runs or across programs on one host.
    std::mt19937_64 m_random;
    std::uint64_t m_sequence = 0;
};

} // namespace quillory::send
