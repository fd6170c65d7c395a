#include "log/log_format.h"

#include "text/error.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <limits>

namespace quillory::log {

namespace {

constexpr std::uint64_t maxInt32 = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());

void putText(std::uint8_t* at, std::string_view text) {
    const std::size_t n = std::min<std::size_t>(text.size(), fileHeaderAt::textFieldSize - 1);
    at[0] = static_cast<std::uint8_t>(n);
    std::copy_n(text.begin(), n, at + 1);
}

std::string getText(const std::uint8_t* at) {
    return std::string(reinterpret_cast<const char*>(at + 1), at[0]);
}

std::int32_t checkedLength(std::size_t n) {
    if (n > maxInt32) throw Error("a text of the mailing is too long for the log file", ErrorCode::TooLarge);
    return static_cast<std::int32_t>(n);
}

std::int32_t readInt32At(const ReadableFile& file, std::uint64_t offset) {
    std::array<std::uint8_t, 4> b{};
    file.readAt(offset, b);
    return getInt32(b.data());
}

[[noreturn]] void badRecord(const MailingRecordRef& record, const char* what) {
    throw FormatError("mailing record " + std::to_string(record.number) + " of the log file is damaged (" + what + ")");
}

// Days from 1970-01-01 to a proleptic Gregorian date.
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

} // namespace

void putInt32(std::uint8_t* at, std::int32_t value) {
    const auto u = static_cast<std::uint32_t>(value);
    at[0] = static_cast<std::uint8_t>(u);
    at[1] = static_cast<std::uint8_t>(u >> 8);
    at[2] = static_cast<std::uint8_t>(u >> 16);
    at[3] = static_cast<std::uint8_t>(u >> 24);
}

std::int32_t getInt32(const std::uint8_t* at) {
    const std::uint32_t u = static_cast<std::uint32_t>(at[0]) | static_cast<std::uint32_t>(at[1]) << 8 |
                            static_cast<std::uint32_t>(at[2]) << 16 | static_cast<std::uint32_t>(at[3]) << 24;
    return static_cast<std::int32_t>(u);
}

void putDouble(std::uint8_t* at, double value) {
    const auto u = std::bit_cast<std::uint64_t>(value);
    for (int i = 0; i < 8; ++i)
        at[i] = static_cast<std::uint8_t>(u >> (8 * i));
}

double getDouble(const std::uint8_t* at) {
    std::uint64_t u = 0;
    for (int i = 0; i < 8; ++i)
        u |= static_cast<std::uint64_t>(at[i]) << (8 * i);
    return std::bit_cast<double>(u);
}

void encodeFileHeader(const TlogFileHeader& h, std::span<std::uint8_t> out) {
    std::fill_n(out.begin(), fileHeaderSize, std::uint8_t{0});
    std::uint8_t* p = out.data();
    putText(p + fileHeaderAt::magic, h.magic);
    putText(p + fileHeaderAt::version, h.version);
    putInt32(p + fileHeaderAt::one, h.one);
    putInt32(p + fileHeaderAt::firstMailing, h.firstMailingOffset);
    putInt32(p + fileHeaderAt::newestMailing, h.newestMailingOffset);
    putDouble(p + fileHeaderAt::created, h.created);
    putDouble(p + fileHeaderAt::lastAppend, h.lastAppend);
    putInt32(p + fileHeaderAt::mailingCount, h.mailingCount);
}

TlogFileHeader decodeFileHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < static_cast<std::size_t>(fileHeaderSize)) throw FormatError("the log file header is cut short");
    const std::uint8_t* p = bytes.data();
    TlogFileHeader h;
    h.magic = getText(p + fileHeaderAt::magic);
    h.version = getText(p + fileHeaderAt::version);
    h.one = getInt32(p + fileHeaderAt::one);
    h.firstMailingOffset = getInt32(p + fileHeaderAt::firstMailing);
    h.newestMailingOffset = getInt32(p + fileHeaderAt::newestMailing);
    h.created = getDouble(p + fileHeaderAt::created);
    h.lastAppend = getDouble(p + fileHeaderAt::lastAppend);
    h.mailingCount = getInt32(p + fileHeaderAt::mailingCount);
    return h;
}

void encodeMailingHeader(const TmailingHeader& h, std::span<std::uint8_t> out) {
    std::fill_n(out.begin(), mailingHeaderSize, std::uint8_t{0});
    std::uint8_t* p = out.data();
    namespace at = mailingHeaderAt;
    putInt32(p + at::recordLength, h.recordLength);
    putDouble(p + at::started, h.started);
    putInt32(p + at::one, h.one);
    putInt32(p + at::lineCount, h.lineCount);
    putInt32(p + at::columnCount, h.columnCount);
    putInt32(p + at::addressColumn, h.addressColumn);
    putInt32(p + at::attachmentCount, h.attachmentCount);
    putInt32(p + at::reserved, h.reserved);
    putInt32(p + at::statusCount, h.statusCount);
    putInt32(p + at::subject, h.subjectOffset);
    putInt32(p + at::grid, h.gridOffset);
    putInt32(p + at::senderName, h.senderNameOffset);
    putInt32(p + at::senderAddress, h.senderAddressOffset);
    putInt32(p + at::templateText, h.templateOffset);
    putInt32(p + at::attachments, h.attachmentsOffset);
    putInt32(p + at::status, h.statusOffset);
    p[at::testFlag] = h.testFlag;
}

TmailingHeader decodeMailingHeader(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < static_cast<std::size_t>(mailingHeaderSize)) throw FormatError("a mailing header is cut short");
    const std::uint8_t* p = bytes.data();
    namespace at = mailingHeaderAt;
    TmailingHeader h;
    h.recordLength = getInt32(p + at::recordLength);
    h.started = getDouble(p + at::started);
    h.one = getInt32(p + at::one);
    h.lineCount = getInt32(p + at::lineCount);
    h.columnCount = getInt32(p + at::columnCount);
    h.addressColumn = getInt32(p + at::addressColumn);
    h.attachmentCount = getInt32(p + at::attachmentCount);
    h.reserved = getInt32(p + at::reserved);
    h.statusCount = getInt32(p + at::statusCount);
    h.subjectOffset = getInt32(p + at::subject);
    h.gridOffset = getInt32(p + at::grid);
    h.senderNameOffset = getInt32(p + at::senderName);
    h.senderAddressOffset = getInt32(p + at::senderAddress);
    h.templateOffset = getInt32(p + at::templateText);
    h.attachmentsOffset = getInt32(p + at::attachments);
    h.statusOffset = getInt32(p + at::status);
    h.testFlag = p[at::testFlag];
    return h;
}

void appendInt32(std::vector<std::uint8_t>& record, std::int32_t value) {
    const std::size_t at = record.size();
    record.resize(at + 4);
    putInt32(record.data() + at, value);
}

void appendStringBlock(std::vector<std::uint8_t>& record, std::string_view text) {
    const std::int32_t length = checkedLength(text.size() + 1);
    const std::size_t at = record.size();
    record.resize(at + 4 + text.size() + 1);
    putInt32(record.data() + at, length);
    if (!text.empty()) std::memcpy(record.data() + at + 4, text.data(), text.size());
    record.back() = 0;
}

void appendGridLine(std::vector<std::uint8_t>& record, std::string_view line) {
    const std::int32_t length = checkedLength(line.size());
    const std::size_t at = record.size();
    record.resize(at + 4 + line.size());
    putInt32(record.data() + at, length);
    if (!line.empty()) std::memcpy(record.data() + at + 4, line.data(), line.size());
}

bool hasLogMagic(std::span<const std::uint8_t> bytes) {
    if (bytes.size() < 1 + logMagic.size() || bytes[0] != logMagic.size()) return false;
    return std::equal(logMagic.begin(), logMagic.end(), bytes.begin() + 1);
}

void checkFileHeader(const TlogFileHeader& h, std::uint64_t fileSize) {
    auto fail = [](const char* what) { throw FormatError(std::string("not a mailing log file (") + what + ")"); };
    if (fileSize < static_cast<std::uint64_t>(fileHeaderSize)) fail("too short");
    if (h.magic != logMagic) fail("no log file header");
    if (h.firstMailingOffset < fileHeaderSize || static_cast<std::uint64_t>(h.firstMailingOffset) > fileSize)
        fail("first record outside the file");
    if (h.mailingCount < 0) fail("negative record count");
    const std::uint64_t room = fileSize - static_cast<std::uint64_t>(h.firstMailingOffset);
    if (static_cast<std::uint64_t>(h.mailingCount) > room / mailingHeaderSize) fail("more records than the file holds");
    if (h.newestMailingOffset < h.firstMailingOffset || static_cast<std::uint64_t>(h.newestMailingOffset) > fileSize)
        fail("newest record outside the file");
}

void checkMailingHeader(const TmailingHeader& h, std::uint64_t recordOffset, std::uint64_t fileSize) {
    auto fail = [](const char* what) { throw FormatError(std::string("damaged mailing record (") + what + ")"); };
    if (h.recordLength < mailingHeaderSize) fail("length below the header size");
    const auto length = static_cast<std::uint64_t>(h.recordLength);
    if (recordOffset > fileSize || length > fileSize - recordOffset) fail("record runs past the end of the file");
    if (h.lineCount < 0 || h.columnCount < 0 || h.attachmentCount < 0 || h.statusCount < 0) fail("negative count");

    // Offsets are non-negative from here, so 64-bit sums cannot wrap.
    auto inside = [&](std::int32_t offset, std::uint64_t atLeast) {
        return offset >= mailingHeaderSize && static_cast<std::uint64_t>(offset) <= length &&
               atLeast <= length - static_cast<std::uint64_t>(offset);
    };
    if (!inside(h.gridOffset, 4 * static_cast<std::uint64_t>(h.lineCount))) fail("grid block outside the record");
    for (std::int32_t offset : {h.templateOffset, h.subjectOffset, h.senderNameOffset, h.senderAddressOffset})
        if (offset != 0 && !inside(offset, 4)) fail("text block outside the record");
    if ((h.attachmentCount > 0 || h.attachmentsOffset != 0) &&
        !inside(h.attachmentsOffset, 4 * static_cast<std::uint64_t>(h.attachmentCount)))
        fail("attachments block outside the record");
    if ((h.statusCount > 0 || h.statusOffset != 0) &&
        !inside(h.statusOffset, static_cast<std::uint64_t>(h.statusCount)))
        fail("status block outside the record");
}

RecordWalk::RecordWalk(const ReadableFile& file) : m_file(file), m_size(file.size()) {
    if (m_size < static_cast<std::uint64_t>(fileHeaderSize)) throw FormatError("not a mailing log file (too short)");
    std::array<std::uint8_t, fileHeaderSize> bytes{};
    m_file.readAt(0, bytes);
    if (!hasLogMagic(bytes)) throw FormatError("not a mailing log file (no log file header)");
    m_header = decodeFileHeader(bytes);
    checkFileHeader(m_header, m_size);
    m_position = static_cast<std::uint64_t>(m_header.firstMailingOffset);
}

bool RecordWalk::next(MailingRecordRef& record) {
    if (m_visited >= m_header.mailingCount) return false;
    MailingRecordRef r;
    r.number = m_visited + 1;
    r.offset = m_position;
    if (m_position > m_size || m_size - m_position < static_cast<std::uint64_t>(mailingHeaderSize))
        badRecord(r, "header past the end of the file");
    std::array<std::uint8_t, mailingHeaderSize> bytes{};
    m_file.readAt(m_position, bytes);
    r.header = decodeMailingHeader(bytes);
    try {
        checkMailingHeader(r.header, m_position, m_size);
    } catch (const FormatError& e) {
        throw FormatError("mailing record " + std::to_string(r.number) + ": " + e.what());
    }
    m_position = r.end();
    ++m_visited;
    record = r;
    return true;
}

std::uint64_t RecordWalk::endOfRecords() {
    MailingRecordRef r;
    while (next(r)) {
    }
    return m_position;
}

std::vector<MailingRecordRef> listRecords(const ReadableFile& file) {
    RecordWalk walk(file);
    std::vector<MailingRecordRef> out;
    MailingRecordRef r;
    while (walk.next(r))
        out.push_back(r);
    return out;
}

std::optional<std::string> readStringBlock(const ReadableFile& file, const MailingRecordRef& record,
                                           std::int32_t blockOffset) {
    if (blockOffset == 0) return std::nullopt;
    const auto length = static_cast<std::uint64_t>(record.header.recordLength);
    if (blockOffset < mailingHeaderSize || static_cast<std::uint64_t>(blockOffset) + 4 > length)
        badRecord(record, "text block outside the record");
    const std::int32_t n = readInt32At(file, record.offset + static_cast<std::uint64_t>(blockOffset));
    if (n < 0 || static_cast<std::uint64_t>(n) > length - static_cast<std::uint64_t>(blockOffset) - 4)
        badRecord(record, "text block runs past the record");
    std::string text(static_cast<std::size_t>(n), '\0');
    file.readAt(record.offset + static_cast<std::uint64_t>(blockOffset) + 4,
                std::span(reinterpret_cast<std::uint8_t*>(text.data()), text.size()));
    return text;
}

std::vector<std::string> readGridLines(const ReadableFile& file, const MailingRecordRef& record) {
    const std::uint64_t end = record.end();
    std::uint64_t pos = record.offset + static_cast<std::uint64_t>(record.header.gridOffset);
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(record.header.lineCount));
    for (std::int32_t i = 0; i < record.header.lineCount; ++i) {
        if (end - pos < 4) badRecord(record, "grid line past the record");
        const std::int32_t n = readInt32At(file, pos);
        pos += 4;
        if (n < 0 || static_cast<std::uint64_t>(n) > end - pos) badRecord(record, "grid line runs past the record");
        std::string& line = lines.emplace_back(static_cast<std::size_t>(n), '\0');
        file.readAt(pos, std::span(reinterpret_cast<std::uint8_t*>(line.data()), line.size()));
        pos += static_cast<std::uint64_t>(n);
    }
    return lines;
}

std::vector<std::string> readAttachmentBlocks(const ReadableFile& file, const MailingRecordRef& record) {
    std::vector<std::string> out;
    if (record.header.attachmentCount <= 0) return out;
    const std::uint64_t end = record.end();
    std::uint64_t pos = record.offset + static_cast<std::uint64_t>(record.header.attachmentsOffset);
    for (std::int32_t i = 0; i < record.header.attachmentCount; ++i) {
        if (end - pos < 4) badRecord(record, "attachment past the record");
        const std::int32_t n = readInt32At(file, pos);
        pos += 4;
        if (n < 0 || static_cast<std::uint64_t>(n) > end - pos) badRecord(record, "attachment runs past the record");
        std::string& path = out.emplace_back(static_cast<std::size_t>(n), '\0');
        file.readAt(pos, std::span(reinterpret_cast<std::uint8_t*>(path.data()), path.size()));
        pos += static_cast<std::uint64_t>(n);
    }
    return out;
}

std::vector<std::uint8_t> readStatusBlock(const ReadableFile& file, const MailingRecordRef& record) {
    // checkMailingHeader has bounded the count by the record, which lies inside the file.
    std::vector<std::uint8_t> status(static_cast<std::size_t>(record.header.statusCount));
    if (!status.empty()) file.readAt(record.offset + static_cast<std::uint64_t>(record.header.statusOffset), status);
    return status;
}

double dateTimeFromCivil(int year, int month, int day, int hour, int minute, double second) {
    const std::int64_t days =
        daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - daysFromCivil(1899, 12, 30);
    return static_cast<double>(days) + (hour * 3600.0 + minute * 60.0 + second) / 86400.0;
}

} // namespace quillory::log
