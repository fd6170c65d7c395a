#include "app/settings_file.h"

#include "text/file_io.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>

using namespace quillory;
using namespace quillory::app;

namespace {

struct Loaded {
    Settings settings;
    Job job;
};

// Job holds an atomic, so results are filled in place.
void load(Loaded& l, std::string_view ini, const std::set<std::string>& existing = {}) {
    loadSettingsText(ini, l.settings, l.job, "/opt/q/", [&](const std::string& p) { return existing.count(p) > 0; });
}

std::vector<std::string> paths(const std::vector<RecentEntry>& list) {
    std::vector<std::string> out;
    for (const auto& e : list) out.push_back(e.path);
    return out;
}

// Every stored value away from its default, so a key that is not read back shows.
void makeUnusual(Loaded& l) {
    Settings& s = l.settings;
    l.job.testMode = false;
    s.autoGridResize = false;
    l.job.hostName = "smtp.example.org";
    l.job.hostPort = 2525;
    l.job.fromName = "Ann \xC9lise";
    l.job.fromAddress = "ann@example.org";
    l.job.connectionTimeout = 4321;
    s.textSize = 14;
    s.warnTestMode = false;
    s.warnSendMode = true;
    s.warnSubjectBlank = true;
    s.warnNotLogged = false;
    s.trackTemplate = false;
    s.confirmLogFile = false;
    s.recentGrids = {{"g1.txt", RecentTag::Tab}, {"g2.csv", RecentTag::Csv}, {"g3.xls", RecentTag::Excel},
                     {"g4.dor", RecentTag::Dor}};
    s.recentTemplates = {{"t1.txt", RecentTag::Txt}, {"t2.dor", RecentTag::Dor}};
    s.recentFiles = {{"f1.dor", RecentTag::Dor}, {"f2.dor", RecentTag::Dor}};
    s.lastLogFile = "/logs/last.log";
    s.confirmSaved = false;
    s.fileOpen = 1;
    s.fileOpenLevel = 3;
    s.showDate = s.showTime = s.showAttachments = s.showSender = false;
    s.leftHostPanelWidth = 1;
    s.headerMemoHeight = 2;
    s.treeColWidth = 3;
    s.dateColWidth = 4;
    s.timeColWidth = 5;
    s.attachmentsColWidth = 6;
    s.senderColWidth = 7;
    s.treeFormWidth = 8;
    s.treeFormHeight = 9;
    s.treeFormTop = -10;
    s.treeFormLeft = 11;
    s.logFontSize = 12;
    s.searchPanelHeight = 13;
    s.mailingDate = s.mailingTime = s.mailingAttachment = s.mailingSubject = s.mailingSender = true;
    s.recipientDate = s.recipientTime = s.recipientAttachment = s.recipientSubject = s.recipientSender = true;
    s.savedLogFiles = {"/logs/a.log", "/logs/last.log"};
    s.viewedLogFiles = {"/logs/v.log"};
}

} // namespace

TEST(SettingsFile, EveryValueSurvivesSaveAndLoad) {
    Loaded before, after;
    makeUnusual(before);
    const std::string text = saveSettingsText("", before.settings, before.job);
    load(after, text, {"/logs/a.log", "/logs/last.log", "/logs/v.log"});
    // Saving what was loaded gives the same file only if every key was read back.
    EXPECT_EQ(saveSettingsText("", after.settings, after.job), text);
    EXPECT_EQ(after.settings.recentGrids, before.settings.recentGrids);
    EXPECT_EQ(after.job.fromName, "Ann \xC9lise");
    EXPECT_FALSE(after.job.testMode);
    EXPECT_EQ(after.settings.currentLogFile, "/logs/last.log");
}

TEST(SettingsFile, WritesTheExactKeySpellingsAndOrder) {
    Loaded l;
    l.settings.recentGrids = {{"a.txt", RecentTag::Tab}, {"b.xls", RecentTag::Excel}};
    l.settings.recentFiles = {{"j.dor", RecentTag::Dor}};
    l.settings.lastLogFile = "/x/q.log";
    l.settings.savedLogFiles = {"/x/q.log", "/x/r.log"};
    l.settings.viewedLogFiles = {"/x/v.log"};
    const std::string text = saveSettingsText("", l.settings, l.job);
    const char* expectedInOrder[] = {
        "[BUTTONS]\r\ntest mode=1\r\nauto grid resize=1\r\n",
        "[SMTP]\r\nHost Name=\r\nHost Port=25\r\n",
        "[MAIL]\r\nFrom Name=\r\nFrom Address=\r\n",
        "[OPTIONS]\r\nConnection Timeout=1000\r\nText Size=10\r\nWarn test mode=1\r\nWarn send mode=0\r\n"
        "Warn subject blank=0\r\nWarn not logged=1\r\nTrack template=1\r\nAuto grid resize=1\r\nConfirm log file=1\r\n",
        "[GRID FILES]\r\nfile[1]=a.txt\r\nfile type[1]=tab\r\nfile[2]=b.xls\r\nfile type[2]=excel\r\n",
        "[FILES]\r\nfile[1]=j.dor\r\nfile type[1]=dor\r\n",
        "[LOG]\r\nlast log=/x/q.log\r\nconfirm saved=1\r\nfile open=0\r\nfile open level=1\r\nshow date=1\r\n",
        "search panel height=100\r\nmailing date=0\r\n",
        "recipient sender=0\r\n",
        "[SAVED LOG FILES]\r\nsaved log files 1=/x/q.log\r\nsaved log files 2=/x/r.log\r\n",
        "[VIEWED LOG FILES]\r\nviewed log files 1]=/x/v.log\r\n",
    };
    std::size_t at = 0;
    for (const char* part : expectedInOrder) {
        SCOPED_TRACE(part);
        const auto found = text.find(part, at);
        ASSERT_NE(found, std::string::npos) << text;
        at = found;
    }
    EXPECT_EQ(text.find("[TEMPLATE FILES]"), std::string::npos) << "an empty list writes no section";
}

TEST(SettingsFile, LoadParticulars) {
    struct Case {
        const char* what;
        const char* ini;
        std::set<std::string> existing;
        std::function<void(const Loaded&)> check;
    };
    const Case cases[] = {
        {"file[1] ends up on top", "[GRID FILES]\nfile[2]=b.txt\nfile type[2]=tab\nfile[1]=a.txt\nfile type[1]=csv\n",
         {},
         [](const Loaded& l) {
             EXPECT_EQ(l.settings.recentGrids,
                       (std::vector<RecentEntry>{{"a.txt", RecentTag::Csv}, {"b.txt", RecentTag::Tab}}));
         }},
        {"OPTIONS overrides BUTTONS, read back whatever the case of the g",
         "[BUTTONS]\nauto grid resize=1\n[OPTIONS]\nAuto grid resize=0\n", {},
         [](const Loaded& l) { EXPECT_FALSE(l.settings.autoGridResize); }},
        {"BUTTONS alone does not survive the OPTIONS default", "[BUTTONS]\nauto grid resize=0\n", {},
         [](const Loaded& l) { EXPECT_TRUE(l.settings.autoGridResize); }},
        {"missing last log and no saved logs: one empty entry", "[LOG]\nlast log=/gone.log\n", {},
         [](const Loaded& l) {
             EXPECT_EQ(l.settings.lastLogFile, "/gone.log");
             EXPECT_EQ(l.settings.currentLogFile, "");
             EXPECT_EQ(l.settings.savedLogFiles, std::vector<std::string>{""});
         }},
        {"no last log key: the default beside the program, current when it exists", "", {"/opt/q/quillory_default.log"},
         [](const Loaded& l) {
             EXPECT_EQ(l.settings.lastLogFile, "/opt/q/quillory_default.log");
             EXPECT_EQ(l.settings.savedLogFiles, std::vector<std::string>{"/opt/q/quillory_default.log"});
         }},
        {"saved and viewed logs in file order, missing files dropped, key names ignored",
         "[SAVED LOG FILES]\nzz=/b.log\nsaved log files 2=/gone.log\naa=/a.log\n"
         "[VIEWED LOG FILES]\nviewed log files 1]=/gone.log\nviewed log files 2]=/a.log\n",
         {"/a.log", "/b.log"},
         [](const Loaded& l) {
             EXPECT_EQ(l.settings.savedLogFiles, (std::vector<std::string>{"/b.log", "/a.log"}));
             EXPECT_EQ(l.settings.viewedLogFiles, std::vector<std::string>{"/a.log"});
         }},
        {"no viewed log survives: no fallback entry", "[VIEWED LOG FILES]\nviewed log files 1]=/gone.log\n", {},
         [](const Loaded& l) { EXPECT_TRUE(l.settings.viewedLogFiles.empty()); }},
        {"unknown or missing type words skip the entry; FILES ignores its type key",
         "[GRID FILES]\nfile[1]=a.txt\nfile type[1]=html\nfile[2]=b.txt\nfile[3]=c.txt\nfile type[3]=txt\n"
         "file[4]=d.dor\nfile type[4]=dor\n[TEMPLATE FILES]\nfile[1]=t.csv\nfile type[1]=csv\nfile[2]=t.txt\n"
         "file type[2]=txt\n[FILES]\nfile[1]=j.dor\nfile type[1]=tab\n",
         {},
         [](const Loaded& l) {
             EXPECT_EQ(paths(l.settings.recentGrids), std::vector<std::string>{"d.dor"});
             EXPECT_EQ(paths(l.settings.recentTemplates), std::vector<std::string>{"t.txt"});
             EXPECT_EQ(l.settings.recentFiles, (std::vector<RecentEntry>{{"j.dor", RecentTag::Dor}}));
         }},
        {"sections and keys match without regard to case", "[smtp]\nhost name=mx.example\nHOST PORT=587\n", {},
         [](const Loaded& l) {
             EXPECT_EQ(l.job.hostName, "mx.example");
             EXPECT_EQ(l.job.hostPort, 587);
         }},
        {"values of the wrong form give the default",
         "[BUTTONS]\ntest mode=yes\n[SMTP]\nHost Port=25abc\n[OPTIONS]\nText Size=99999999999999999999\n"
         "Connection Timeout=\nWarn send mode=2\n[LOG]\nfile open=300\nlog font size=-4\n",
         {},
         [](const Loaded& l) {
             EXPECT_TRUE(l.job.testMode);
             EXPECT_EQ(l.job.hostPort, 25);
             EXPECT_EQ(l.settings.textSize, 10);
             EXPECT_EQ(l.job.connectionTimeout, 1000);
             EXPECT_TRUE(l.settings.warnSendMode) << "any non-zero integer is true";
             EXPECT_EQ(l.settings.fileOpen, 0);
             EXPECT_EQ(l.settings.logFontSize, 9);
         }},
        {"garbage lines are passed over",
         "\x01\x02 binary junk\nno equals sign here\n[unclosed section\n=value without key\n[MAIL]\n"
         "From Address=me@example.org\n",
         {}, [](const Loaded& l) { EXPECT_EQ(l.job.fromAddress, "me@example.org"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Loaded l;
        load(l, c.ini, c.existing);
        c.check(l);
    }
}

TEST(SettingsFile, AddRecent) {
    const std::vector<RecentEntry> full = {{"1", RecentTag::Tab}, {"2", RecentTag::Csv}, {"3", RecentTag::Tab},
                                           {"4", RecentTag::Tab}, {"5", RecentTag::Tab}};
    struct Case {
        const char* what;
        std::vector<RecentEntry> list;
        std::string path;
        RecentTag tag;
        std::vector<RecentEntry> expected;
    };
    const Case cases[] = {
        {"an empty path changes nothing", full, "", RecentTag::Tab, full},
        {"a sixth entry drops the oldest",
         full,
         "6",
         RecentTag::Excel,
         {{"6", RecentTag::Excel}, {"1", RecentTag::Tab}, {"2", RecentTag::Csv}, {"3", RecentTag::Tab},
          {"4", RecentTag::Tab}}},
        {"the second of a full list moves up, after the trim: four remain",
         full,
         "2",
         RecentTag::Excel,
         {{"2", RecentTag::Csv}, {"1", RecentTag::Tab}, {"3", RecentTag::Tab}, {"4", RecentTag::Tab}}},
        {"the last of a full list is trimmed first, then added anew",
         full,
         "5",
         RecentTag::Csv,
         {{"5", RecentTag::Csv}, {"1", RecentTag::Tab}, {"2", RecentTag::Csv}, {"3", RecentTag::Tab},
          {"4", RecentTag::Tab}}},
        {"duplicates compare without regard to case and keep their tag and spelling",
         {{"/a/x.txt", RecentTag::Tab}, {"/A/\xC9T\xC9.TXT", RecentTag::Csv}},
         "/a/\xE9t\xE9.txt",
         RecentTag::Excel,
         {{"/A/\xC9T\xC9.TXT", RecentTag::Csv}, {"/a/x.txt", RecentTag::Tab}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto list = c.list;
        addRecent(list, c.path, c.tag);
        EXPECT_EQ(list, c.expected);
    }
}

TEST(SettingsFile, LocationFollowsTheWritabilityOfTheProgramFolder) {
    const auto portable = settingsLocation("/opt/q/quillory", "/home/u/.config/quillory", "/home/u/.local/share/q",
                                           [](const std::string& d) { return d == "/opt/q/"; });
    EXPECT_EQ(portable.settingsFile, "/opt/q/quillory.ini");
    EXPECT_EQ(portable.logDir, "/opt/q/");
    const auto installed = settingsLocation("C:\\Program Files\\Q\\quillory.exe", "C:\\Users\\u\\AppData\\Q\\",
                                            "D:\\data\\", [](const std::string&) { return false; });
    EXPECT_EQ(installed.settingsFile, "C:\\Users\\u\\AppData\\Q\\quillory.ini");
    EXPECT_EQ(installed.logDir, "D:\\data\\");
}

class SettingsFileOnDisk : public ::testing::Test {
protected:
    void SetUp() override {
        m_dir = std::filesystem::temp_directory_path() /
                ("quillory-settings-" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        std::filesystem::remove_all(m_dir);
        std::filesystem::create_directories(m_dir);
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }
    std::string path(const char* name) const { return text::pathText(m_dir / name); }
    std::filesystem::path m_dir;
};

TEST_F(SettingsFileOnDisk, SaveKeepsForeignKeysAndRewritesTheLists) {
    const std::string ini = path("q.ini");
    text::writeFileAtomically(ini, "[OTHER]\nkeep=me\n[GRID FILES]\nfile[1]=old1\nfile type[1]=tab\nfile[5]=old5\n"
                                   "file type[5]=tab\n[OPTIONS]\nAuto Grid Resize=1\n");
    Loaded l;
    l.settings.autoGridResize = false;
    l.settings.recentGrids = {{"new.csv", RecentTag::Csv}};
    saveSettings(ini, l.settings, l.job);

    Loaded back;
    ASSERT_TRUE(loadSettings(ini, back.settings, back.job, "/", [](const std::string&) { return false; }));
    EXPECT_EQ(back.settings.recentGrids, l.settings.recentGrids);
    EXPECT_FALSE(back.settings.autoGridResize);
    const std::string text = text::readFile(ini);
    EXPECT_NE(text.find("[OTHER]\r\nkeep=me"), std::string::npos);
    EXPECT_EQ(text.find("old5"), std::string::npos);
    // Only the settings file is left: the temporary file was renamed over it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), std::filesystem::directory_iterator()), 1);
}

TEST_F(SettingsFileOnDisk, UnicodeFileWithMarkIsConverted) {
    const std::string ini = path("bom.ini");
    text::writeFileAtomically(ini, "\xEF\xBB\xBF[MAIL]\r\nFrom Name=J\xC3\xBCrgen \xE2\x9C\x93\r\n");
    Loaded l;
    ASSERT_TRUE(loadSettings(ini, l.settings, l.job, "/", [](const std::string&) { return false; }));
    EXPECT_EQ(l.job.fromName, "J\xFCrgen ?");
}

TEST_F(SettingsFileOnDisk, MissingOrUnreadableFileGivesDefaultsSilently) {
    for (const std::string& p : {path("absent.ini"), text::pathText(m_dir)}) {
        SCOPED_TRACE(p);
        Loaded l;
        l.job.hostPort = 1;
        EXPECT_FALSE(loadSettings(p, l.settings, l.job, "/q/", [](const std::string&) { return false; }));
        EXPECT_EQ(l.job.hostPort, 25);
        EXPECT_EQ(l.settings.lastLogFile, "/q/quillory_default.log");
    }
}

TEST(SettingsFile, LineBreaksInValuesCannotInjectKeys) {
    Loaded l;
    l.job.hostName = "evil\r\n[SMTP]\r\nHost Port=1";
    Loaded back;
    load(back, saveSettingsText("", l.settings, l.job));
    EXPECT_EQ(back.job.hostPort, 25);
    EXPECT_EQ(back.job.hostName, "evil  [SMTP]  Host Port=1");
}
