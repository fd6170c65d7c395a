#pragma once
// The mailing log file: one file header, then the mailing records in the order the mailings
// ran. Everything is little-endian with no padding; headers are encoded field by field so the
// layout never depends on the compiler.

#include "log/log_file.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::log {

inline constexpr std::string_view logMagic = "Quillory";
inline constexpr std::string_view logVersion = "v0.97";
inline constexpr std::int32_t fileHeaderSize = 1576;
inline constexpr std::int32_t mailingHeaderSize = 1104;

// Byte offsets inside the file header.
namespace fileHeaderAt {
inline constexpr std::size_t magic = 0;     // length byte, then the text; 256 bytes in all
inline constexpr std::size_t version = 256; // same shape
inline constexpr std::size_t textFieldSize = 256;
inline constexpr std::size_t one = 512;
inline constexpr std::size_t firstMailing = 516;
inline constexpr std::size_t newestMailing = 520;
inline constexpr std::size_t created = 528;
inline constexpr std::size_t lastAppend = 536;
inline constexpr std::size_t mailingCount = 544;
inline constexpr std::size_t zeros = 548;
inline constexpr std::size_t zerosSize = 1023;
} // namespace fileHeaderAt

// Byte offsets inside a mailing header. Block offsets count from the header's first byte.
namespace mailingHeaderAt {
inline constexpr std::size_t recordLength = 0;
inline constexpr std::size_t started = 8;
inline constexpr std::size_t one = 16;
inline constexpr std::size_t lineCount = 20;
inline constexpr std::size_t columnCount = 24;
inline constexpr std::size_t addressColumn = 28;
inline constexpr std::size_t attachmentCount = 32;
inline constexpr std::size_t reserved = 36;
inline constexpr std::size_t statusCount = 40;
inline constexpr std::size_t subject = 44;
inline constexpr std::size_t grid = 48;
inline constexpr std::size_t senderName = 52;
inline constexpr std::size_t senderAddress = 56;
inline constexpr std::size_t templateText = 60;
inline constexpr std::size_t attachments = 64;
inline constexpr std::size_t zero68 = 68;
inline constexpr std::size_t status = 72;
inline constexpr std::size_t testFlag = 76;
} // namespace mailingHeaderAt

struct TlogFileHeader {
    std::string magic{logMagic};
    std::string version{logVersion};
    std::int32_t one = 1;
    std::int32_t firstMailingOffset = fileHeaderSize;
    std::int32_t newestMailingOffset = fileHeaderSize;
    double created = 0;
    double lastAppend = 0;
    std::int32_t mailingCount = 0;

    bool operator==(const TlogFileHeader&) const = default;
};

struct TmailingHeader {
    std::int32_t recordLength = 0;
    double started = 0;
    std::int32_t one = 1;
    std::int32_t lineCount = 0;
    std::int32_t columnCount = 0;
    std::int32_t addressColumn = 0;
    std::int32_t attachmentCount = 0;
    std::int32_t reserved = 0;
    std::int32_t statusCount = 0;
    std::int32_t subjectOffset = 0;
    std::int32_t gridOffset = mailingHeaderSize;
    std::int32_t senderNameOffset = 0;
    std::int32_t senderAddressOffset = 0;
    std::int32_t templateOffset = 0;
    std::int32_t attachmentsOffset = 0;
    std::int32_t statusOffset = 0;
    std::uint8_t testFlag = 0;

    bool operator==(const TmailingHeader&) const = default;
};

// Little-endian fields at a position in a byte buffer.
void putInt32(std::uint8_t* at, std::int32_t value);
std::int32_t getInt32(const std::uint8_t* at);
void putDouble(std::uint8_t* at, double value);
double getDouble(const std::uint8_t* at);

// Undefined bytes are written as zeros. `out` must hold fileHeaderSize / mailingHeaderSize bytes.
void encodeFileHeader(const TlogFileHeader& header, std::span<std::uint8_t> out);
TlogFileHeader decodeFileHeader(std::span<const std::uint8_t> bytes);
void encodeMailingHeader(const TmailingHeader& header, std::span<std::uint8_t> out);
TmailingHeader decodeMailingHeader(std::span<const std::uint8_t> bytes);

// Blocks, appended to a record under construction. Lengths beyond 32 bits throw Error(TooLarge).
void appendInt32(std::vector<std::uint8_t>& record, std::int32_t value);
// Length (text + 1), the text, one NUL.
void appendStringBlock(std::vector<std::uint8_t>& record, std::string_view text);
// Length (text only), the text.
void appendGridLine(std::vector<std::uint8_t>& record, std::string_view line);

// True when the bytes start with the length-prefixed magic of a mailing log.
bool hasLogMagic(std::span<const std::uint8_t> fileHeaderBytes);

// Throw FormatError unless the header describes records that can lie inside a file of
// `fileSize` bytes. A file that fails these is not treated as a mailing log.
void checkFileHeader(const TlogFileHeader& header, std::uint64_t fileSize);
// Throw FormatError unless the record at `recordOffset` and every block offset, length and
// count its header gives stay inside the record, and the record inside the file.
void checkMailingHeader(const TmailingHeader& header, std::uint64_t recordOffset, std::uint64_t fileSize);

struct MailingRecordRef {
    int number = 0;           // 1 for the first record of the file
    std::uint64_t offset = 0; // file offset of the record's header
    TmailingHeader header;
    std::uint64_t end() const { return offset + static_cast<std::uint32_t>(header.recordLength); }
};

// The walk over a file's records: reads and checks the file header, then hands out each
// counted record with its header checked against the file. Bytes after the last counted
// record (a record cut off by a crash) are never visited.
class RecordWalk final {
public:
    explicit RecordWalk(const ReadableFile& file);

    const TlogFileHeader& fileHeader() const { return m_header; }
    // False once every counted record has been handed out; throws FormatError on a record
    // that does not fit.
    bool next(MailingRecordRef& record);
    // Where the next record goes: the end of the last counted record. Walks the rest if needed.
    std::uint64_t endOfRecords();

private:
    const ReadableFile& m_file;
    std::uint64_t m_size = 0;
    TlogFileHeader m_header;
    int m_visited = 0;
    std::uint64_t m_position = 0;
};

std::vector<MailingRecordRef> listRecords(const ReadableFile& file);

// Block readers; every length is checked against the record before anything is allocated.
// A string block's bytes as stored (text and NUL), or nullopt when the offset is 0.
std::optional<std::string> readStringBlock(const ReadableFile& file, const MailingRecordRef& record,
                                           std::int32_t blockOffset);
std::vector<std::string> readGridLines(const ReadableFile& file, const MailingRecordRef& record);
// Each attachment's string block as stored.
std::vector<std::string> readAttachmentBlocks(const ReadableFile& file, const MailingRecordRef& record);
std::vector<std::uint8_t> readStatusBlock(const ReadableFile& file, const MailingRecordRef& record);

// Date-times: days since 30 December 1899, the fraction the time of day.
double dateTimeFromCivil(int year, int month, int day, int hour = 0, int minute = 0, double second = 0);

} // namespace quillory::log
