#include "merge/job_file.h"

#include "files_test_util.h"
#include "merge/mailing_grid.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>

using namespace quillory;
using namespace quillory::merge;
using quillory::fixtures::shape;
using Lines = std::vector<std::string>;

namespace {

void setGrid(app::Job& job, std::vector<std::vector<std::string>> rows) {
    job.bufferGrid = fixtures::table(std::move(rows));
    normalise(job.bufferGrid, job.mailingGrid);
}

// The job of the fourteen-line example.
void helloJob(app::Job& job) {
    job.subject = "Hello";
    setGrid(job, {{"Name", "Email"}, {"Ann", "ann@example.org"}});
    job.addressCol = findColumnByHeading(job.mailingGrid, "Email");
}

const char* const helloFile = "QUILLORY\r\n"
                              "[[FILE VERSION]]=1\r\n"
                              "[[VERSION]]=v0.97\r\n"
                              "[[SUBJECT]]=Hello\r\n"
                              "[[GRID]]\r\n"
                              "Name\tEmail\r\n"
                              "Ann\tann@example.org\r\n"
                              "[[END GRID]]\r\n"
                              "[[ADDRESS COLUMN]]=Email\r\n"
                              "[[TEMPLATE]]\r\n"
                              "Dear {{Name}}\r\n"
                              "[[END TEMPLATE]]\r\n"
                              "[[ATTACHMENTS]]\r\n"
                              "[[END ATTACHMENTS]]\r\n";

auto noFiles = [](const std::string&) { return false; };

class JobFile : public fixtures::ScratchDir {
protected:
    std::function<bool(const std::string&)> existing(std::set<std::string> files) {
        return [files = std::move(files)](const std::string& p) { return files.count(p) > 0; };
    }
};

} // namespace

TEST_F(JobFile, SaveWritesTheFourteenLines) {
    app::Job job;
    helloJob(job);
    const std::string file = path("hello.dor");
    saveJobFile(file, job, "Dear {{Name}}");
    EXPECT_EQ(text::readFile(file), helloFile);
    EXPECT_EQ(job.jobFileName, file);
}

TEST_F(JobFile, ReadBackRestoresTheJobAndTheAddressColumnFromTheFile) {
    // Both columns hold "@" in the first record; the file's choice wins over detection.
    const std::string file = write("two_at_columns.dor", "QUILLORY\r\n[[SUBJECT]]=Hi there\r\n[[GRID]]\r\nName\tEmail\tCc\r\n"
                                                         "a@x\tb@x\tc@x\r\n[[END GRID]]\r\n[[ADDRESS COLUMN]]=Email\r\n"
                                                         "[[TEMPLATE]]\r\nline 1\r\n\r\nline 3\r\n[[END TEMPLATE]]\r\n"
                                                         "[[ATTACHMENTS]]\r\n[[END ATTACHMENTS]]\r\n");
    app::Job job;
    job.attachmentList = {"/old"};
    const JobReadResult r = readJobFile(file, JobReadMode::WholeJob, job, noFiles);
    EXPECT_EQ(job.subject, "Hi there");
    EXPECT_EQ(shape(job.mailingGrid), (Lines{"Name|Email|Cc", "a@x|b@x|c@x"}));
    EXPECT_TRUE(r.gridReplaced && r.addressColumnRead && r.subjectRead && r.attachmentsRead && r.complete);
    EXPECT_EQ(job.addressCol, 2);
    EXPECT_EQ(r.templateText, "line 1\r\n\r\nline 3");
    EXPECT_TRUE(job.attachmentList.empty());
    EXPECT_EQ(job.jobFileName, file);
    EXPECT_TRUE(r.messages.empty());
}

TEST_F(JobFile, SavingAndReadingDoesNotChangeTheTemplate) {
    for (const char* templ : {"", "one line", "a\r\nb", "ends with a break\r\n", "\r\n\r\n", "x\r\n\r\n", " \r\n"}) {
        SCOPED_TRACE(::testing::PrintToString(templ));
        app::Job job;
        helloJob(job);
        const std::string file = path("t.dor");
        std::string current = templ;
        for (int round = 0; round < 2; ++round) {
            saveJobFile(file, job, current);
            current = readJobFile(file, JobReadMode::WholeJob, job, noFiles).templateText.value();
            EXPECT_EQ(current, templ);
        }
    }
}

TEST_F(JobFile, CellsWithTabsAndLineBreaksAreWrittenWithSpaces) {
    app::Job job;
    setGrid(job, {{"Na\tme", "Email"}, {"two\r\nlines", "a@x\x1A"}, {"tab\there", "b@x"}});
    job.addressCol = 1;
    job.subject = "multi\nline";
    const std::string file = path("odd.dor");
    saveJobFile(file, job, "");
    app::Job back;
    const auto r = readJobFile(file, JobReadMode::WholeJob, back, noFiles);
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(shape(back.mailingGrid), (Lines{"Na me|Email", "two  lines|a@x ", "tab here|b@x"}));
    EXPECT_EQ(back.addressCol, 1);
    EXPECT_EQ(back.subject, "multi line");
}

TEST_F(JobFile, AttachmentWhoseFileIsGoneIsLeftOutWithOneMessage) {
    app::Job job;
    helloJob(job);
    job.attachmentList = {"/docs/one.pdf", "/docs/two.pdf", "/docs/three.pdf"};
    const std::string file = path("attach.dor");
    saveJobFile(file, job, "t");
    app::Job back;
    const auto r = readJobFile(file, JobReadMode::WholeJob, back, existing({"/docs/one.pdf", "/docs/three.pdf"}));
    EXPECT_EQ(back.attachmentList, (Lines{"/docs/one.pdf", "/docs/three.pdf"}));
    EXPECT_EQ(r.messages, (std::vector<UserMessage>{{"", MessageIcon::Error, "Cannot find /docs/two.pdf for attaching"}}));
}

TEST_F(JobFile, GridOnlyAndTemplateOnlyTouchNothingElse) {
    const std::string file = write("hello.dor", helloFile);
    struct Case {
        JobReadMode mode;
        Lines grid;
        std::optional<std::string> templ;
    };
    const Case cases[] = {
        {JobReadMode::GridOnly, {"Name|Email", "Ann|ann@example.org"}, std::nullopt},
        {JobReadMode::TemplateOnly, {"Old|Email", "o|o@x"}, "Dear {{Name}}"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.mode));
        app::Job job;
        job.subject = "old subject";
        job.attachmentList = {"/old.pdf"};
        setGrid(job, {{"Old", "Email"}, {"o", "o@x"}});
        job.addressCol = 2;
        const auto r = readJobFile(file, c.mode, job, noFiles);
        EXPECT_EQ(shape(job.mailingGrid), c.grid);
        EXPECT_EQ(r.templateText, c.templ);
        EXPECT_EQ(job.subject, "old subject");
        EXPECT_EQ(job.attachmentList, Lines{"/old.pdf"});
        EXPECT_EQ(job.addressCol, 2);
        EXPECT_EQ(job.jobFileName, "");
        EXPECT_TRUE(r.complete);
        EXPECT_FALSE(r.addressColumnRead || r.subjectRead || r.attachmentsRead);
    }
}

TEST_F(JobFile, WrongFirstLineIsRefusedAndChangesNothing) {
    for (const char* content : {"", "QUILLORY2\r\n[[SUBJECT]]=x\r\n", "quillory\r\n", "\xEF\xBB\xBF" "XQUILLORY\r\n",
                                "Name,Email\r\nAnn,a@x\r\n"}) {
        SCOPED_TRACE(::testing::PrintToString(content));
        const std::string file = write("bad.dor", content);
        app::Job job;
        helloJob(job);
        const GridTable before = job.mailingGrid;
        try {
            readJobFile(file, JobReadMode::WholeJob, job, noFiles);
            ADD_FAILURE() << "accepted";
        } catch (const MessageError& e) {
            EXPECT_EQ(e.message(), (UserMessage{"", MessageIcon::Error, "Incorrect file format"}));
        }
        EXPECT_EQ(job.mailingGrid, before);
        EXPECT_EQ(job.subject, "Hello");
        EXPECT_EQ(job.jobFileName, "");
    }
    // A byte-order mark before the marker is not part of it.
    const std::string marked = write("bom.dor", std::string("\xEF\xBB\xBF") + helloFile);
    app::Job job;
    EXPECT_TRUE(readJobFile(marked, JobReadMode::WholeJob, job, noFiles).complete);
}

TEST_F(JobFile, CutOffInEverySectionKeepsWhatWasReadAndSaysSo) {
    app::Job full;
    helloJob(full);
    setGrid(full, {{"Name", "Email"}, {"Ann", "ann@x"}, {"Bob", "bob@x"}});
    full.addressCol = 2;
    full.attachmentList = {"/a.pdf"};
    const std::string text = jobFileText(full, "t1\r\nt2");
    // Every cut at a line end before the last line.
    std::vector<std::size_t> cuts;
    for (std::size_t at = text.find("\r\n"); at + 2 < text.size(); at = text.find("\r\n", at + 2)) cuts.push_back(at + 2);
    ASSERT_EQ(cuts.size(), 18u);
    for (std::size_t cut : cuts) {
        const std::string part = text.substr(0, cut);
        SCOPED_TRACE(part);
        const std::string file = write("cut.dor", part);
        app::Job job;
        job.subject = "old";
        setGrid(job, {{"Old", "Email"}, {"o", "o@x"}});
        job.attachmentList = {"/old.pdf"};
        const auto r = readJobFile(file, JobReadMode::WholeJob, job, [](const std::string&) { return true; });
        EXPECT_FALSE(r.complete);
        ASSERT_FALSE(r.messages.empty());
        EXPECT_EQ(r.messages.back().text.rfind(file + "\n\rjob file incomplete: it ends before ", 0), 0u);

        const bool gridStarted = part.find("[[GRID]]") != std::string::npos;
        EXPECT_EQ(r.gridReplaced, gridStarted);
        if (!gridStarted) {
            EXPECT_EQ(shape(job.mailingGrid), (Lines{"Old|Email", "o|o@x"}));
        } else {
            // The rows read so far: a prefix of the saved grid.
            const Lines saved{"Name|Email", "Ann|ann@x", "Bob|bob@x"};
            const Lines got = shape(job.mailingGrid);
            ASSERT_LE(got.size(), saved.size());
            if (got != Lines{""}) {
                EXPECT_TRUE(std::equal(got.begin(), got.end(), saved.begin()));
            }
        }
        EXPECT_EQ(job.subject, part.find("[[SUBJECT]]=") != std::string::npos ? "Hello" : "old");
        EXPECT_EQ(r.templateText.has_value(), part.find("[[TEMPLATE]]") != std::string::npos);
        if (part.find("[[ATTACHMENTS]]") == std::string::npos) {
            EXPECT_EQ(job.attachmentList, Lines{"/old.pdf"});
        } else if (part.find("[[END ATTACHMENT]]") != std::string::npos) {
            EXPECT_EQ(job.attachmentList, Lines{"/a.pdf"});
        }
    }
}

TEST_F(JobFile, NoAddressColumnStillReadsTemplateAndAttachments) {
    app::Job job;
    helloJob(job);
    job.addressCol = -1;
    job.attachmentList = {"/a.pdf"};
    const std::string file = path("none.dor");
    saveJobFile(file, job, "body");
    EXPECT_NE(text::readFile(file).find("[[ADDRESS COLUMN]]=\r\n[[TEMPLATE]]"), std::string::npos);
    app::Job back;
    const auto r = readJobFile(file, JobReadMode::WholeJob, back, [](const std::string&) { return true; });
    EXPECT_EQ(back.addressCol, -1);
    EXPECT_EQ(r.templateText, "body");
    EXPECT_EQ(back.attachmentList, Lines{"/a.pdf"});
}

TEST_F(JobFile, FailuresToOpenOrWrite) {
    app::Job job;
    helloJob(job);
    try {
        saveJobFile(path("no/such/folder/x.dor"), job, "");
        ADD_FAILURE() << "saved";
    } catch (const MessageError& e) {
        EXPECT_EQ(e.message().caption, "Error");
        EXPECT_EQ(e.message().text.rfind("cannot write file\n\r" + path("no/such/folder/x.dor") + ": ", 0), 0u);
    }
    EXPECT_EQ(job.jobFileName, "");
    try {
        readJobFile(path("absent.dor"), JobReadMode::WholeJob, job, noFiles);
        ADD_FAILURE() << "read";
    } catch (const MessageError& e) {
        EXPECT_EQ(e.message(), (UserMessage{"Error", MessageIcon::Error, "cannot open file"}));
    }
    EXPECT_EQ(job.subject, "Hello");
}
