#include "log/file_lock.h"
#include "log/log_format.h"
#include "log/log_writer.h"
#include "log_test_util.h"
#include "text/error.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstring>

using namespace quillory;
using namespace quillory::log;
using namespace quillory::log::testing;

namespace {

// Written independently of the library's encoders, so both sides cannot share a mistake.
void put32(std::vector<std::uint8_t>& f, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void put64(std::vector<std::uint8_t>& f, std::size_t at, double d) {
    const auto v = std::bit_cast<std::uint64_t>(d);
    for (int i = 0; i < 8; ++i)
        f[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
void putText(std::vector<std::uint8_t>& f, std::size_t at, std::string_view s) {
    std::memcpy(f.data() + at, s.data(), s.size());
}

const double createdAt = dateTimeFromCivil(2024, 3, 5, 9, 30);
const double startedAt = dateTimeFromCivil(2024, 3, 5, 10, 0);
const double appendedAt = dateTimeFromCivil(2024, 3, 5, 10, 7, 30);
const std::string templ = "Hi {{Name}}"; // 11 characters

// The small mailing everyone can check by hand: Name/Mail, Ann/A1, subject Hello, one row sent.
std::string writeWorkedExample(const ScratchDir& dir) {
    app::Settings settings;
    settings.confirmSaved = false;
    RecordingObserver observer;
    double now = createdAt;
    TlogWriter writer(settings, observer, [&] { return now; });
    const std::string path = dir.path("example.log");
    const auto owner = makeJob({"Name", "Mail"}, {{"Ann", "A1"}}, 1);
    app::Job& job = *owner;
    job.subject = "Hello";
    writer.beginMailing(path, job, templ); // creates the file at createdAt...
    EXPECT_EQ(writer.header().started, createdAt);
    now = startedAt;
    writer.beginMailing(path, job, templ); // ...and the mailing starts later
    now = appendedAt;
    EXPECT_TRUE(writer.finishMailing({1}));
    EXPECT_TRUE(observer.messages.empty());
    return path;
}

} // namespace

TEST(LogFormat, WorkedExampleByteForByte) {
    ScratchDir dir;
    const std::string path = writeWorkedExample(dir);

    std::vector<std::uint8_t> want(2730, 0);
    want[0] = 8;
    putText(want, 1, "Quillory");
    want[256] = 5;
    putText(want, 257, "v0.97");
    put32(want, 512, 1);
    put32(want, 516, 1576);
    put32(want, 520, 1576);
    put64(want, 528, createdAt);
    put64(want, 536, appendedAt);
    put32(want, 544, 1);
    const std::size_t r = 1576;
    put32(want, r + 0, 1154);
    put64(want, r + 8, startedAt);
    put32(want, r + 16, 1);
    put32(want, r + 20, 2);    // lines
    put32(want, r + 24, 2);    // columns
    put32(want, r + 28, 1);    // address column
    put32(want, r + 40, 1);    // status count
    put32(want, r + 44, 1143); // subject
    put32(want, r + 48, 1104); // grid
    put32(want, r + 60, 1127); // template
    put32(want, r + 72, 1153); // status
    put32(want, r + 1104, 9);
    putText(want, r + 1108, "Name\tMail");
    put32(want, r + 1117, 6);
    putText(want, r + 1121, "Ann\tA1");
    put32(want, r + 1127, 12);
    putText(want, r + 1131, templ); // and the NUL already there
    put32(want, r + 1143, 6);
    putText(want, r + 1147, "Hello");
    want[r + 1153] = 1;

    const auto got = fileBytes(path);
    ASSERT_EQ(got.size(), 2730u);
    for (std::size_t i = 0; i < want.size(); ++i)
        ASSERT_EQ(got[i], want[i]) << "at byte " << i;
}

TEST(LogFormat, WalkAndBlockReadersReturnWhatWasWritten) {
    ScratchDir dir;
    const auto file = LockedFile::openForReading(writeWorkedExample(dir));
    RecordWalk walk(*file);
    const TlogFileHeader& fh = walk.fileHeader();
    EXPECT_EQ(fh.magic, "Quillory");
    EXPECT_EQ(fh.version, "v0.97");
    EXPECT_EQ(fh.one, 1);
    EXPECT_EQ(fh.firstMailingOffset, 1576);
    EXPECT_EQ(fh.newestMailingOffset, 1576);
    EXPECT_EQ(fh.created, createdAt);
    EXPECT_EQ(fh.lastAppend, appendedAt);
    EXPECT_EQ(fh.mailingCount, 1);

    MailingRecordRef rec;
    ASSERT_TRUE(walk.next(rec));
    EXPECT_EQ(rec.number, 1);
    EXPECT_EQ(rec.offset, 1576u);
    TmailingHeader h;
    h.recordLength = 1154;
    h.started = startedAt;
    h.lineCount = 2;
    h.columnCount = 2;
    h.addressColumn = 1;
    h.statusCount = 1;
    h.subjectOffset = 1143;
    h.templateOffset = 1127;
    h.statusOffset = 1153;
    EXPECT_EQ(rec.header, h);
    EXPECT_EQ(readGridLines(*file, rec), (std::vector<std::string>{"Name\tMail", "Ann\tA1"}));
    EXPECT_EQ(readStringBlock(*file, rec, rec.header.templateOffset), templ + '\0');
    EXPECT_EQ(readStringBlock(*file, rec, rec.header.subjectOffset), std::string("Hello\0", 6));
    EXPECT_EQ(readStringBlock(*file, rec, rec.header.senderNameOffset), std::nullopt);
    EXPECT_TRUE(readAttachmentBlocks(*file, rec).empty());
    EXPECT_EQ(readStatusBlock(*file, rec), std::vector<std::uint8_t>{1});
    EXPECT_FALSE(walk.next(rec));
    EXPECT_EQ(walk.endOfRecords(), 2730u);
}

TEST(LogFormat, HeaderOnlyFileIsALogWithoutRecords) {
    ScratchDir dir;
    app::Settings settings;
    RecordingObserver observer;
    TlogWriter writer(settings, observer, [] { return createdAt; });
    const std::string path = dir.path("empty.log");
    writer.createLogFile(path);
    EXPECT_EQ(fileBytes(path).size(), 1576u);
    const auto file = LockedFile::openForReading(path);
    RecordWalk walk(*file);
    EXPECT_EQ(walk.fileHeader().mailingCount, 0);
    EXPECT_EQ(walk.fileHeader().created, createdAt);
    EXPECT_EQ(walk.endOfRecords(), 1576u);
}

TEST(LogFormat, BytesAfterTheCountedRecordsAreNotVisited) {
    ScratchDir dir;
    const std::string path = writeWorkedExample(dir);
    auto bytes = fileBytes(path);
    bytes.resize(bytes.size() + 700, 0xAB); // a record cut off by a crash
    writeBytes(path, bytes);
    const auto file = LockedFile::openForReading(path);
    EXPECT_EQ(listRecords(*file).size(), 1u);
    EXPECT_EQ(RecordWalk(*file).endOfRecords(), 2730u);
}

// Every length, offset and count read from the file is checked before it is used.
TEST(LogFormat, DamagedFilesAreRefusedBeforeAnythingIsAllocated) {
    struct Case {
        const char* what;
        std::function<void(std::vector<std::uint8_t>&)> damage;
    };
    const std::size_t r = 1576;
    const Case cases[] = {
        {"shorter than a file header", [](auto& f) { f.resize(1575); }},
        {"wrong magic", [](auto& f) { f[1] = 'q'; }},
        {"magic length byte", [](auto& f) { f[0] = 9; }},
        {"count beyond the file", [](auto& f) { put32(f, 544, 2); }},
        {"negative count", [](auto& f) { put32(f, 544, 0xFFFFFFFF); }},
        {"first record beyond the file", [](auto& f) { put32(f, 516, 5000); }},
        {"first record inside the file header", [](auto& f) { put32(f, 516, 100); }},
        {"record length past the end", [r](auto& f) { put32(f, r, 1155); }},
        {"record length below its header", [r](auto& f) { put32(f, r, 1000); }},
        {"record cut short", [](auto& f) { f.resize(2729); }},
        {"line count beyond the record", [r](auto& f) { put32(f, r + 20, 0x40000000); }},
        {"negative line count", [r](auto& f) { put32(f, r + 20, 0xFFFFFFFF); }},
        {"subject offset past the record", [r](auto& f) { put32(f, r + 44, 1152); }},
        {"subject offset inside the header", [r](auto& f) { put32(f, r + 44, 8); }},
        {"attachment count without block", [r](auto& f) { put32(f, r + 32, 1); }},
        {"status count past the record", [r](auto& f) { put32(f, r + 40, 2); }},
        {"grid line longer than the record", [r](auto& f) { put32(f, r + 1117, 0x7FFFFFF0); }},
        {"negative grid line length", [r](auto& f) { put32(f, r + 1104, 0xFFFFFFFF); }},
        {"string block longer than the record", [r](auto& f) { put32(f, r + 1143, 11); }},
        {"negative string block length", [r](auto& f) { put32(f, r + 1127, 0x80000000); }},
    };
    ScratchDir dir;
    const auto good = fileBytes(writeWorkedExample(dir));
    const std::string path = dir.path("damaged.log");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto bytes = good;
        c.damage(bytes);
        writeBytes(path, bytes);
        const auto file = LockedFile::openForReading(path);
        EXPECT_THROW(
            {
                for (const auto& rec : listRecords(*file)) {
                    readGridLines(*file, rec);
                    readStringBlock(*file, rec, rec.header.templateOffset);
                    readStringBlock(*file, rec, rec.header.subjectOffset);
                    readAttachmentBlocks(*file, rec);
                    readStatusBlock(*file, rec);
                }
            },
            FormatError);
    }
}

TEST(LogFormat, DateTimesCountDaysFrom1899December30) {
    EXPECT_EQ(dateTimeFromCivil(1899, 12, 30), 0.0);
    EXPECT_EQ(dateTimeFromCivil(1900, 1, 1), 2.0);
    EXPECT_EQ(dateTimeFromCivil(2000, 1, 1, 18), 36526.75);
}
