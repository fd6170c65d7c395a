#include "app/file_commands.h"

#include "merge/mailing_grid.h"
#include "text/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quillory;
using namespace quillory::app;
using Lines = std::vector<std::string>;

namespace {

class FileCommands : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("quillory-commands-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
        m_csv = write("people.csv", "Name,Email\r\nAnn,ann@x.org\r\n");
        m_job = write("job.dor", "QUILLORY\r\n[[SUBJECT]]=Subj\r\n[[GRID]]\r\nWho\tMail\r\nBob\tbob@x.org\r\n"
                                 "[[END GRID]]\r\n[[ADDRESS COLUMN]]=Mail\r\n[[TEMPLATE]]\r\nHi\r\n[[END TEMPLATE]]\r\n"
                                 "[[ATTACHMENTS]]\r\n[[END ATTACHMENTS]]\r\n");
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string path(const std::string& name) const { return text::pathText(m_dir / name); }
    std::string write(const std::string& name, std::string_view bytes) const {
        text::writeFileAtomically(path(name), bytes);
        return path(name);
    }
    static bool exists(const std::string& p) { return text::fileExists(p); }

    std::filesystem::path m_dir;
    std::string m_csv, m_job;
    Job job;
    Settings settings;
};

} // namespace

TEST_F(FileCommands, OpenGridAddsToRecentGridsEvenWhenReadingFails) {
    openGrid(m_csv, GridFilter::CommaDelimited, job, settings, exists);
    EXPECT_EQ(merge::headings(job.mailingGrid)[1], "Email");
    EXPECT_THROW(openGrid(path("gone.txt"), GridFilter::TabDelimited, job, settings, exists), merge::MessageError);
    const auto r = openGrid(m_job, GridFilter::JobFile, job, settings, exists);
    EXPECT_TRUE(r.gridReplaced);
    EXPECT_FALSE(r.addressColumnRead);
    EXPECT_EQ(settings.recentGrids, (std::vector<RecentEntry>{{m_job, RecentTag::Dor},
                                                              {path("gone.txt"), RecentTag::Tab},
                                                              {m_csv, RecentTag::Csv}}));
    EXPECT_EQ(job.subject, "") << "a job file opened as a grid leaves the subject";
    EXPECT_EQ(job.jobFileName, "");
}

TEST_F(FileCommands, RecentEntryWhoseFileIsGoneSaysFileNotFound) {
    settings.recentGrids = {{m_csv, RecentTag::Csv}, {path("gone.csv"), RecentTag::Csv}};
    settings.recentTemplates = {{path("gone.txt"), RecentTag::Txt}};
    settings.recentFiles = {{path("gone.dor"), RecentTag::Dor}};
    const auto before = settings.recentGrids;
    struct Case {
        std::function<void()> open;
        std::string path;
    };
    const Case cases[] = {
        {[&] { openRecentGrid(1, job, settings, exists); }, path("gone.csv")},
        {[&] { openRecentTemplate(0, job, settings, exists); }, path("gone.txt")},
        {[&] { openRecentFile(0, job, settings, exists); }, path("gone.dor")},
    };
    for (const auto& c : cases) {
        try {
            c.open();
            ADD_FAILURE() << "opened " << c.path;
        } catch (const merge::MessageError& e) {
            EXPECT_EQ(e.message(), (merge::UserMessage{"Open", merge::MessageIcon::Error, c.path + "\n\rFile not found."}));
        }
    }
    EXPECT_EQ(settings.recentGrids, before);
}

TEST_F(FileCommands, RecentEntryMovesToTopAndItsTagPicksTheReader) {
    const std::string tabFile = write("people.txt", "Name\tEmail\r\nCy\tcy@x.org\r\n");
    settings.recentGrids = {{m_csv, RecentTag::Csv}, {tabFile, RecentTag::Tab}, {m_job, RecentTag::Dor}};
    openRecentGrid(1, job, settings, exists);
    EXPECT_EQ(merge::rowValues(job.mailingGrid, 1)[0], "Cy");
    EXPECT_EQ(settings.recentGrids[0].path, tabFile);
    openRecentGrid(2, job, settings, exists);
    EXPECT_EQ(merge::rowValues(job.mailingGrid, 1)[0], "Bob");
    EXPECT_EQ(settings.recentGrids[0], (RecentEntry{m_job, RecentTag::Dor}));
    EXPECT_EQ(settings.recentGrids.size(), 3u);
}

TEST_F(FileCommands, TemplatesFromTextAndJobFiles) {
    const std::string txt = write("letter.txt", "Dear {{Name}}\nBye");
    auto r = openTemplate(txt, TemplateFilter::Text, job, settings, exists);
    EXPECT_EQ(r.templateText, "Dear {{Name}}\r\nBye");
    r = openTemplate(m_job, TemplateFilter::JobFile, job, settings, exists);
    EXPECT_EQ(r.templateText, "Hi");
    EXPECT_FALSE(r.gridReplaced);
    EXPECT_EQ(settings.recentTemplates,
              (std::vector<RecentEntry>{{m_job, RecentTag::Dor}, {txt, RecentTag::Txt}}));
    r = openRecentTemplate(1, job, settings, exists);
    EXPECT_EQ(r.templateText, "Dear {{Name}}\r\nBye");
    EXPECT_EQ(settings.recentTemplates[0].path, txt);
}

TEST_F(FileCommands, OpenAndSaveJobKeepTheRecentFiles) {
    const auto r = openJobFile(m_job, job, settings, exists);
    EXPECT_TRUE(r.gridReplaced && r.addressColumnRead && r.subjectRead && r.attachmentsRead);
    EXPECT_EQ(job.addressCol, 2);
    EXPECT_EQ(job.jobFileName, m_job);
    const std::string copy = path("copy.dor");
    saveJob(copy, job, settings, *r.templateText);
    EXPECT_EQ(job.jobFileName, copy);
    EXPECT_EQ(settings.recentFiles, (std::vector<RecentEntry>{{copy, RecentTag::Dor}, {m_job, RecentTag::Dor}}));
    EXPECT_EQ(text::readFile(copy).rfind("QUILLORY\r\n[[FILE VERSION]]=1\r\n[[VERSION]]=v0.97\r\n[[SUBJECT]]=Subj\r\n", 0), 0u);

    EXPECT_THROW(saveJob(path("missing/dir.dor"), job, settings, ""), merge::MessageError);
    EXPECT_EQ(job.jobFileName, copy);
    EXPECT_EQ(settings.recentFiles.size(), 2u);

    // A file that is no job is refused before anything is recorded.
    EXPECT_THROW(openJobFile(m_csv, job, settings, exists), merge::MessageError);
    EXPECT_EQ(settings.recentFiles.size(), 2u);
    EXPECT_EQ(job.jobFileName, copy);
}
