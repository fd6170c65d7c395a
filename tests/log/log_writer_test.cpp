#include "log/file_lock.h"
#include "log/log_format.h"
#include "log/log_writer.h"
#include "log_test_util.h"
#include "text/error.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <limits>

using namespace quillory;
using namespace quillory::log;
using namespace quillory::log::testing;

namespace {

struct Record {
    MailingRecordRef ref;
    std::vector<std::uint8_t> bytes;
    std::vector<std::string> lines;
    std::vector<std::uint8_t> status;
};

std::vector<Record> readLog(const std::string& path) {
    const auto file = LockedFile::openForReading(path);
    std::vector<Record> out;
    for (const auto& ref : listRecords(*file)) {
        Record r{ref, std::vector<std::uint8_t>(ref.end() - ref.offset), readGridLines(*file, ref),
                 readStatusBlock(*file, ref)};
        file->readAt(ref.offset, r.bytes);
        out.push_back(std::move(r));
    }
    return out;
}

TlogFileHeader readFileHeader(const std::string& path) {
    const auto file = LockedFile::openForReading(path);
    return RecordWalk(*file).fileHeader();
}

class LogWriterTest : public ::testing::Test {
protected:
    LogWriterTest() { settings.confirmSaved = false; }

    // One mailing from start to end; the grid has one status per row unless told otherwise.
    bool runMailing(const app::Job& job, const std::vector<std::uint8_t>& results, const std::string& templ = "T") {
        writer.beginMailing(logPath, job, templ);
        return writer.finishMailing(results);
    }

    ScratchDir dir;
    std::string logPath = dir.path("mail.log");
    app::Settings settings;
    RecordingObserver observer;
    double now = 40000.5;
    TlogWriter writer{settings, observer, [this] { return now; }};
    std::unique_ptr<app::Job> jobOwner = makeJob({"Name", "Email"}, {{"Ann", "ann@x"}, {"Bob", "bob@y"}}, 1);
    app::Job& job = *jobOwner;
};

TEST_F(LogWriterTest, TwoMailingsAppendedToANewFile) {
    EXPECT_TRUE(runMailing(job, {1, 2}));
    const double firstAppend = now;
    now += 1;
    const auto secondOwner = makeJob({"X"}, {{"a@b"}}, 0);
    app::Job& second = *secondOwner;
    second.subject = "Second";
    EXPECT_TRUE(runMailing(second, {1}));

    const auto records = readLog(logPath);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].ref.offset, 1576u);
    EXPECT_EQ(records[1].ref.offset, 1576u + static_cast<std::uint64_t>(records[0].ref.header.recordLength));
    EXPECT_EQ(records[0].lines, (std::vector<std::string>{"Name\tEmail", "Ann\tann@x", "Bob\tbob@y"}));
    EXPECT_EQ(records[0].status, (std::vector<std::uint8_t>{1, 2}));
    EXPECT_EQ(records[1].lines, (std::vector<std::string>{"X", "a@b"}));
    EXPECT_EQ(records[1].ref.header.addressColumn, 0);

    const TlogFileHeader fh = readFileHeader(logPath);
    EXPECT_EQ(fh.mailingCount, 2);
    EXPECT_EQ(static_cast<std::uint64_t>(fh.newestMailingOffset), records[1].ref.offset);
    EXPECT_EQ(fh.created, firstAppend); // created by the first mailing, never changed after
    EXPECT_EQ(fh.lastAppend, now);
    EXPECT_EQ(std::filesystem::file_size(logPath), records[1].ref.end());
}

TEST_F(LogWriterTest, EveryBlockInItsPlace) {
    const auto fullOwner = makeJob({"A", "B", "C"}, std::vector<std::vector<std::string>>(10, {"1", "2", "x@y"}), 2);
    app::Job& full = *fullOwner;
    full.subject = "Subj";
    full.fromName = "Me";
    full.fromAddress = "me@here";
    full.attachmentList = {"C:\\a\\x.txt", "/b/y.pdf"};
    const std::string templ(100, 't');
    writer.beginMailing(logPath, full, templ);
    EXPECT_TRUE(writer.finishMailing({1, 2, 1})); // stopped after 3 of 10 rows

    const auto file = LockedFile::openForReading(logPath);
    const auto rec = listRecords(*file).at(0);
    const TmailingHeader& h = rec.header;
    EXPECT_EQ(h.lineCount, 11);
    EXPECT_EQ(h.columnCount, 3);
    EXPECT_EQ(h.attachmentCount, 2);
    EXPECT_EQ(h.statusCount, 3);
    EXPECT_EQ(h.testFlag, 0);
    // Blocks follow one another: grid, template, subject, sender name, sender address, attachments, status.
    const std::int32_t gridEnd = 1104 + 4 + 5 + 10 * (4 + 7);
    EXPECT_EQ(h.templateOffset, gridEnd);
    EXPECT_EQ(h.subjectOffset, h.templateOffset + 4 + 101);
    EXPECT_EQ(h.senderNameOffset, h.subjectOffset + 4 + 5);
    EXPECT_EQ(h.senderAddressOffset, h.senderNameOffset + 4 + 3);
    EXPECT_EQ(h.attachmentsOffset, h.senderAddressOffset + 4 + 8);
    EXPECT_EQ(h.statusOffset, h.attachmentsOffset + 4 + 11 + 4 + 9);
    EXPECT_EQ(h.recordLength, h.statusOffset + 3);
    EXPECT_EQ(readStringBlock(*file, rec, h.templateOffset), templ + '\0');
    EXPECT_EQ(readStringBlock(*file, rec, h.senderAddressOffset), std::string("me@here", 8));
    EXPECT_EQ(readAttachmentBlocks(*file, rec),
              (std::vector<std::string>{std::string("C:\\a\\x.txt", 11), std::string("/b/y.pdf", 9)}));
    EXPECT_EQ(readStatusBlock(*file, rec), (std::vector<std::uint8_t>{1, 2, 1}));
}

TEST_F(LogWriterTest, EmptyTextsAndAMailingStoppedBeforeAnyRow) {
    writer.beginMailing(logPath, job, "");
    EXPECT_TRUE(writer.finishMailing({}));
    const auto rec = readLog(logPath).at(0);
    const TmailingHeader& h = rec.ref.header;
    EXPECT_EQ(h.templateOffset, 0);
    EXPECT_EQ(h.subjectOffset, 0);
    EXPECT_EQ(h.senderNameOffset, 0);
    EXPECT_EQ(h.senderAddressOffset, 0);
    EXPECT_EQ(h.attachmentsOffset, 0);
    EXPECT_EQ(h.attachmentCount, 0);
    EXPECT_EQ(h.statusCount, 0);
    EXPECT_EQ(h.statusOffset, 1104 + 4 + 10 + 4 + 9 + 4 + 9); // right after the grid
    EXPECT_EQ(h.recordLength, h.statusOffset);
}

TEST_F(LogWriterTest, GridLineOfAnEmptyRow) {
    struct Case {
        std::vector<std::string> headings;
        std::string line;
    };
    const Case cases[] = {{{"Email"}, ""}, {{"A", "B", "Email"}, "\t\t"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.headings.size());
        std::filesystem::remove(logPath);
        const std::vector<std::string> empty(c.headings.size());
        runMailing(*makeJob(c.headings, {empty}, 0), {2});
        EXPECT_EQ(readLog(logPath).at(0).lines.at(1), c.line);
    }
}

TEST_F(LogWriterTest, SavedLogFilesMoveOrGainTheLogAtTheTop) {
    struct Case {
        const char* what;
        std::vector<std::string> before;
        std::vector<std::string> after; // "LOG" stands for the log's own path
    };
    const Case cases[] = {
        {"absent: inserted at the top", {"a.log", "b.log"}, {"LOG", "a.log", "b.log"}},
        {"third: moved to the top", {"a.log", "b.log", "LOG", "c.log"}, {"LOG", "a.log", "b.log", "c.log"}},
        {"first: unchanged", {"LOG", "a.log"}, {"LOG", "a.log"}},
        {"empty list", {}, {"LOG"}},
        {"other letter case: moved as spelt", {"a.log", "UPPER"}, {"UPPER", "a.log"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto resolve = [&](std::vector<std::string> v) {
            for (auto& s : v) {
                if (s == "LOG") s = logPath;
                if (s == "UPPER") s = dir.path("MAIL.LOG");
            }
            return v;
        };
        settings.savedLogFiles = resolve(c.before);
        settings.lastLogFile = "old.log";
        runMailing(job, {1});
        EXPECT_EQ(settings.savedLogFiles, resolve(c.after));
        EXPECT_EQ(settings.lastLogFile, logPath);
    }
}

TEST_F(LogWriterTest, LogFileSavedMessageFollowsConfirmSaved) {
    settings.confirmSaved = true;
    runMailing(job, {1});
    EXPECT_EQ(observer.messages, (std::vector<Message>{{"info", "", "Log file saved"}}));
    observer.messages.clear();
    settings.confirmSaved = false;
    runMailing(job, {1});
    EXPECT_TRUE(observer.messages.empty());
    EXPECT_EQ(readLog(logPath).size(), 2u);
}

TEST_F(LogWriterTest, ANewMailingDiscardsOneThatNeverFinished) {
    writer.beginMailing(logPath, *makeJob({"Lost"}, {{"x"}}, 0), "");
    EXPECT_TRUE(runMailing(job, {1, 1}));
    EXPECT_FALSE(writer.finishMailing({1})); // nothing in progress any more
    const auto records = readLog(logPath);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].lines.at(0), "Name\tEmail");
}

TEST_F(LogWriterTest, CreateLogFileReplacesAFileButNotOneThatIsHeld) {
    runMailing(job, {1});
    writer.createLogFile(logPath);
    EXPECT_EQ(std::filesystem::file_size(logPath), 1576u);
    EXPECT_EQ(readFileHeader(logPath).mailingCount, 0);

    runMailing(job, {1});
    const auto before = fileBytes(logPath);
    const auto held = LockedFile::openForReading(logPath);
    try {
        writer.createLogFile(logPath);
        ADD_FAILURE() << "created over a held file";
    } catch (const FileError& e) {
        EXPECT_EQ(e.code(), ErrorCode::FileBusy);
    }
    EXPECT_EQ(fileBytes(logPath), before);
}

TEST_F(LogWriterTest, AFileThatIsNotALogIsLeftUntouched) {
    std::vector<std::uint8_t> header(1576, 0);
    header[0] = 8;
    std::memcpy(header.data() + 1, "Quillory", 8);
    auto withField = [&](std::size_t at, std::int32_t v) {
        auto h = header;
        putInt32(h.data() + at, v);
        return h;
    };
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty file", {}},
        {"short text", {'h', 'e', 'l', 'l', 'o', '\r', '\n'}},
        {"long file of other bytes", std::vector<std::uint8_t>(5000, 'x')},
        {"log magic, first record beyond the file", withField(516, 9000)},
        {"log magic, count beyond the file", withField(544, 3)},
        {"log magic, record runs past the end",
         [&] {
             auto h = withField(544, 1);
             putInt32(h.data() + 516, 1576);
             h.resize(1576 + 1104, 0);
             putInt32(h.data() + 1576, 5000);
             return h;
         }()},
    };
    settings.confirmSaved = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes(logPath, c.bytes);
        settings.savedLogFiles = {"a.log"};
        settings.lastLogFile = "a.log";
        observer.messages.clear();
        EXPECT_FALSE(runMailing(job, {1}));
        EXPECT_EQ(fileBytes(logPath), c.bytes);
        ASSERT_EQ(observer.messages.size(), 1u);
        EXPECT_EQ(observer.messages[0].kind, "error");
        EXPECT_EQ(observer.messages[0].caption, "Error");
        EXPECT_NE(observer.messages[0].text.find(logPath), std::string::npos);
        EXPECT_NE(observer.messages[0].text.find("mailing log file"), std::string::npos);
        EXPECT_EQ(settings.savedLogFiles, std::vector<std::string>{"a.log"});
        EXPECT_EQ(settings.lastLogFile, "a.log");
        std::filesystem::remove(logPath);
        writer.saveKeptRecordsAtExit(); // clears the kept record before the next case
    }
}

TEST_F(LogWriterTest, AHeldLogGetsItsRecordsInOrderOnceReleased) {
    runMailing(job, {1});
    settings.confirmSaved = true;
    observer.messages.clear();
    settings.savedLogFiles.clear();
    settings.lastLogFile.clear();
    auto browser = LockedFile::openForReading(logPath); // the log browser shows the log
    const auto before = fileBytes(logPath);

    EXPECT_FALSE(runMailing(*makeJob({"Second"}, {{"s@x"}}, 0), {2}));
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0].kind, "error");
    EXPECT_NE(observer.messages[0].text.find("the mailing could not be logged in\n\r" + logPath), std::string::npos);
    EXPECT_NE(observer.messages[0].text.find("in use"), std::string::npos);
    EXPECT_NE(observer.messages[0].text.find("The record is kept"), std::string::npos);
    EXPECT_EQ(writer.keptRecordCount(), 1u);
    EXPECT_EQ(writer.retryKeptRecords(), 1u); // still held: nothing happens, nothing said
    EXPECT_FALSE(runMailing(*makeJob({"Third"}, {{"t@x"}}, 0), {1}));
    EXPECT_EQ(writer.keptRecordCount(), 2u);
    EXPECT_EQ(fileBytes(logPath), before);
    EXPECT_TRUE(settings.savedLogFiles.empty());
    EXPECT_TRUE(settings.lastLogFile.empty());

    browser.reset();
    observer.messages.clear();
    EXPECT_EQ(writer.retryKeptRecords(), 0u);
    EXPECT_EQ(observer.messages, (std::vector<Message>{{"info", "", "Log file saved"}}));
    EXPECT_EQ(settings.lastLogFile, logPath);
    EXPECT_EQ(settings.savedLogFiles, std::vector<std::string>{logPath});

    const auto records = readLog(logPath);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].lines.at(0), "Second");
    EXPECT_EQ(records[2].lines.at(0), "Third");
}

TEST_F(LogWriterTest, AKeptRecordGoesFirstAtTheEndOfTheNextMailing) {
    runMailing(job, {1});
    auto browser = LockedFile::openForReading(logPath);
    EXPECT_FALSE(runMailing(*makeJob({"Second"}, {{"s@x"}}, 0), {2}));
    browser.reset();
    EXPECT_TRUE(runMailing(*makeJob({"Third"}, {{"t@x"}}, 0), {1}));
    EXPECT_EQ(writer.keptRecordCount(), 0u);
    const auto records = readLog(logPath);
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[1].lines.at(0), "Second");
    EXPECT_EQ(records[2].lines.at(0), "Third");
}

TEST_F(LogWriterTest, AtProgramEndAKeptRecordGoesToANewLogBesideTheChosenOne) {
    runMailing(job, {1});
    settings.savedLogFiles = {logPath};
    std::filesystem::remove(logPath); // deleted while the mailing ran
    writer.beginMailing(logPath, job, "T");
    std::filesystem::remove(logPath);
    EXPECT_FALSE(writer.finishMailing({1, 2}));
    EXPECT_NE(observer.messages.at(0).text.find("does not exist"), std::string::npos);

    writeBytes(dir.path("mail-recovered.log"), {'x'}); // a name already taken is not reused
    observer.messages.clear();
    writer.saveKeptRecordsAtExit();
    const std::string recovered = dir.path("mail-recovered-2.log");
    ASSERT_EQ(observer.messages.size(), 1u);
    EXPECT_EQ(observer.messages[0].kind, "error");
    EXPECT_NE(observer.messages[0].text.find("It was saved in the new log file\n\r" + recovered), std::string::npos);
    EXPECT_EQ(writer.keptRecordCount(), 0u);
    EXPECT_EQ(settings.savedLogFiles, (std::vector<std::string>{logPath, recovered}));
    const auto records = readLog(recovered);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].status, (std::vector<std::uint8_t>{1, 2}));
}

// A file system whose files fail once a number of bytes has been written, as a full disk or
// a crash would leave them: the bytes before the failure are on disk, the rest are not.
class FailingFileSystem final : public LogFileSystem {
public:
    std::uint64_t budget = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t written = 0;

    bool exists(const std::string& path) override { return m_native.exists(path); }
    std::unique_ptr<WritableFile> create(const std::string& path) override {
        return std::make_unique<File>(*this, m_native.create(path));
    }
    std::unique_ptr<WritableFile> openForUpdate(const std::string& path) override {
        return std::make_unique<File>(*this, m_native.openForUpdate(path));
    }

private:
    class File final : public WritableFile {
    public:
        File(FailingFileSystem& fs, std::unique_ptr<WritableFile> inner) : m_fs(fs), m_inner(std::move(inner)) {}
        std::uint64_t size() const override { return m_inner->size(); }
        void readAt(std::uint64_t offset, std::span<std::uint8_t> out) const override { m_inner->readAt(offset, out); }
        void writeAt(std::uint64_t offset, std::span<const std::uint8_t> bytes) override {
            const std::uint64_t room = m_fs.budget - std::min(m_fs.budget, m_fs.written);
            const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(room, bytes.size()));
            m_inner->writeAt(offset, bytes.first(n));
            m_fs.written += n;
            if (n < bytes.size()) throw FileError("no space left on the disk", ErrorCode::FileUnwritable);
        }
        void truncate(std::uint64_t size) override { m_inner->truncate(size); }
        void flush() override {} // the test reads the file back in the same process

    private:
        FailingFileSystem& m_fs;
        std::unique_ptr<WritableFile> m_inner;
    };
    NativeLogFileSystem m_native;
};

TEST(LogWriterFailures, AnAppendCutAtAnyByteLeavesTheOldRecordsAndThenAddsTheNewOneOnce) {
    ScratchDir dir;
    const std::string base = dir.path("base.log");
    const std::string path = dir.path("cut.log");
    app::Settings settings;
    RecordingObserver observer;
    const auto clock = [] { return 45000.25; };
    const auto oldJob = makeJob({"Old"}, {{"o@x"}}, 0);
    const auto newJobOwner = makeJob({"Name", "Mail"}, {{"Ann", "a@x"}, {"Bob", "b@x"}}, 1);
    app::Job& newJob = *newJobOwner;
    newJob.subject = "News";

    // The old log, and the new record as a clean append writes it.
    {
        TlogWriter w(settings, observer, clock);
        w.beginMailing(base, *oldJob, "old");
        ASSERT_TRUE(w.finishMailing({1}));
    }
    const auto oldRecord = readLog(base).at(0).bytes;
    std::uint64_t appendBytes = 0;
    std::vector<std::uint8_t> newRecord;
    {
        std::filesystem::copy_file(base, path);
        auto fs = std::make_shared<FailingFileSystem>();
        TlogWriter w(settings, observer, clock, fs);
        w.beginMailing(path, newJob, "Dear {{Name}}");
        ASSERT_TRUE(w.finishMailing({1, 2}));
        appendBytes = fs->written;
        newRecord = readLog(path).at(1).bytes;
        std::filesystem::remove(path);
    }
    ASSERT_EQ(appendBytes, newRecord.size() + 1576);

    for (std::uint64_t n = 0; n < appendBytes; ++n) {
        SCOPED_TRACE("failing after " + std::to_string(n) + " bytes");
        std::filesystem::copy_file(base, path);
        auto fs = std::make_shared<FailingFileSystem>();
        fs->budget = n;
        observer.messages.clear();
        TlogWriter w(settings, observer, clock, fs);
        w.beginMailing(path, newJob, "Dear {{Name}}");
        ASSERT_FALSE(w.finishMailing({1, 2}));
        ASSERT_EQ(w.keptRecordCount(), 1u);
        ASSERT_EQ(observer.messages.size(), 1u);

        auto records = readLog(path);
        ASSERT_GE(records.size(), 1u);
        ASSERT_LE(records.size(), 2u);
        ASSERT_EQ(records[0].bytes, oldRecord);
        if (records.size() == 2) {
            ASSERT_EQ(records[1].bytes, newRecord);
        }

        fs->budget = std::numeric_limits<std::uint64_t>::max();
        ASSERT_EQ(w.retryKeptRecords(), 0u);
        records = readLog(path);
        ASSERT_EQ(records.size(), 2u);
        ASSERT_EQ(records[0].bytes, oldRecord);
        ASSERT_EQ(records[1].bytes, newRecord);
        ASSERT_EQ(std::filesystem::file_size(path), records[1].ref.end());
        std::filesystem::remove(path);
    }
}

} // namespace
