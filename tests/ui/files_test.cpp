#include "ui/main_form.h"
#include "ui/startup.h"

#include "window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

using namespace quillory::ui;
using fakes::ShownMessage;

namespace {

std::string readAll(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeAll(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream out(p, std::ios::binary);
    out << bytes;
}

class FilesTest : public fakes::WindowFixture {
protected:
    FilesTest() : WindowFixture("files") {
        context.settingsPath = path("quillory.ini");
        start();
    }

    static std::string data(const std::string& name) { return std::string(QUILLORY_TEST_DATA) + "/" + name; }

    std::vector<std::string> texts() const {
        std::vector<std::string> out;
        for (const auto& m : prompter.shown) out.push_back(m.text);
        return out;
    }
};

} // namespace

TEST_F(FilesTest, SaveFileWritesTheFourteenLinesAndOpenFileReadsThemBack) {
    form->job().bufferGrid.assignRows({{"Name", "Email"}, {"Ann", "ann@example.org"}});
    form->normaliseGrid();
    form->subjectEdit->setText("Hello");
    form->setTemplateText("Dear {{Name}}");
    chooser.saves = {FileChoice{path("job"), 0}}; // no extension: ".dor" is added
    form->saveFileButton->trigger();
    const std::string expected = "QUILLORY\r\n[[FILE VERSION]]=1\r\n[[VERSION]]=v0.97\r\n[[SUBJECT]]=Hello\r\n"
                                 "[[GRID]]\r\nName\tEmail\r\nAnn\tann@example.org\r\n[[END GRID]]\r\n"
                                 "[[ADDRESS COLUMN]]=Email\r\n[[TEMPLATE]]\r\nDear {{Name}}\r\n[[END TEMPLATE]]\r\n"
                                 "[[ATTACHMENTS]]\r\n[[END ATTACHMENTS]]\r\n";
    EXPECT_EQ(readAll(path("job.dor")), expected);
    EXPECT_EQ(form->job().jobFileName, path("job.dor"));
    EXPECT_TRUE(prompter.shown.empty());

    // A fresh window opens it whole; the file's address column wins over the detection,
    // even when the first record has '@' in two columns.
    writeAll(path("two.dor"), "QUILLORY\r\n[[FILE VERSION]]=1\r\n[[VERSION]]=v0.97\r\n[[SUBJECT]]=Hi\r\n"
                              "[[GRID]]\r\nMail\tAlt\r\na@x\tb@x\r\n[[END GRID]]\r\n[[ADDRESS COLUMN]]=Alt\r\n"
                              "[[TEMPLATE]]\r\nT\r\n[[END TEMPLATE]]\r\n[[ATTACHMENTS]]\r\n[[ATTACHMENT1]]\r\n" +
                                  path("gone.pdf") + "\r\n[[END ATTACHMENT]]\r\n[[END ATTACHMENTS]]\r\n");
    start();
    EXPECT_FALSE(form->emailMenu->isEnabled());
    chooser.opens = {FileChoice{path("two.dor"), 0}};
    form->openFileButton->trigger();
    EXPECT_EQ(form->job().addressCol, 2);
    EXPECT_EQ(form->addressColComboBox->currentText(), QStringLiteral("Alt"));
    EXPECT_EQ(form->subjectEdit->text(), QStringLiteral("Hi"));
    EXPECT_EQ(form->templateText(), "T");
    EXPECT_TRUE(form->emailMenu->isEnabled());
    EXPECT_EQ(texts(), std::vector<std::string>{"Cannot find " + path("gone.pdf") + " for attaching"});
    EXPECT_EQ(form->settings().recentFiles.front().path, path("two.dor"));
}

TEST_F(FilesTest, OpenGridUsesTheChosenFilterAndRemembersTheFile) {
    chooser.opens = {FileChoice{data("quoted_comma_in_field.csv"), 2}};
    form->openGridButton->trigger();
    EXPECT_GT(form->ProfGrid->model()->rowCount(), 0);
    ASSERT_FALSE(form->settings().recentGrids.empty());
    EXPECT_EQ(form->settings().recentGrids.front().path, data("quoted_comma_in_field.csv"));
    bool listed = false;
    for (QAction* a : form->fileMenu->actions())
        listed = listed || a->text().endsWith(QString::fromStdString(data("quoted_comma_in_field.csv")));
    EXPECT_TRUE(listed);

    // A recent entry whose file is gone.
    form->settings().recentGrids.insert(form->settings().recentGrids.begin(), {path("gone.csv"), quillory::app::RecentTag::Csv});
    prompter.shown.clear();
    form->openRecent(0, 0);
    EXPECT_EQ(prompter.shown, (std::vector<ShownMessage>{{"Open", MessageIcon::Error, path("gone.csv") + "\n\rFile not found.",
                                                          MessageButtons::Ok}}));

    // An unreadable grid leaves the grid as it was.
    const int rows = form->ProfGrid->model()->rowCount();
    chooser.opens = {FileChoice{path("missing.txt"), 1}};
    prompter.shown.clear();
    form->openGridButton->trigger();
    EXPECT_EQ(texts(), std::vector<std::string>{"cannot open file"});
    EXPECT_EQ(form->ProfGrid->model()->rowCount(), rows);
}

TEST_F(FilesTest, ClipboardGridAndTemplateCommands) {
    form->job().bufferGrid.assignRows({{"Name", "Email"}, {"Ann", "ann@x"}, {"Bob", "bob@x"}});
    form->normaliseGrid();
    const auto before = form->job().mailingGrid;
    form->copyGridButton->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("\tName\tEmail\r\n1\tAnn\tann@x\r\n2\tBob\tbob@x"));
    form->pasteGridButton->trigger();
    EXPECT_EQ(form->job().mailingGrid, before);

    QApplication::clipboard()->setText(QStringLiteral("just one line"));
    form->pasteGridButton->trigger();
    EXPECT_EQ(prompter.shown.back(), (ShownMessage{"", MessageIcon::Information,
                                                   "There is only one line of text on the Clipboard", MessageButtons::Ok}));
    EXPECT_EQ(form->job().mailingGrid, before);

    form->setTemplateText("line one\r\nline two");
    QTextCursor c = form->templateMemo->textCursor();
    c.setPosition(3);
    form->templateMemo->setTextCursor(c);
    form->copyTemplateButton->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("line one\r\nline two"));
    EXPECT_EQ(form->templateMemo->textCursor().position(), 3);

    QApplication::clipboard()->setText(QStringLiteral("X"));
    form->pasteTemplateButton->trigger();
    EXPECT_EQ(form->templateText(), "linXe one\r\nline two");
    EXPECT_EQ(form->mainPageControl->currentWidget(), form->messageTabSheet);
}

TEST_F(FilesTest, RemovingArmedRowsTwoAndThreeOfFourLeavesOneAndFour) {
    std::vector<std::string> files;
    for (const char* n : {"a.pdf", "b.pdf", "c.pdf", "d.pdf"}) {
        writeAll(path(n), "x");
        files.push_back(path(n));
    }
    chooser.multiOpens = {files};
    form->attachButton->trigger();
    ASSERT_EQ(form->attachmentProfGrid->rowCount(), 4);
    EXPECT_EQ(form->attachmentProfGrid->item(1, 0)->text(), QStringLiteral("b.pdf"));
    EXPECT_EQ(form->attachmentProfGrid->item(1, 1)->text().toStdString(), dir.string());
    EXPECT_FALSE(form->removeAttachmentButton->isEnabled());

    QTableWidget* list = form->attachmentProfGrid;
    const QRect row2 = list->visualRect(list->model()->index(1, 0));
    QTest::mousePress(list->viewport(), Qt::LeftButton, {}, row2.center());
    QTest::mouseRelease(list->viewport(), Qt::LeftButton, {}, row2.center());
    EXPECT_TRUE(form->removeArmed());
    EXPECT_TRUE(form->removeAttachmentButton->isEnabled());
    const QRect row3 = list->visualRect(list->model()->index(2, 0));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, row3.center());
    form->removeAttachmentButton->trigger();
    EXPECT_EQ(form->job().attachmentList, (std::vector<std::string>{path("a.pdf"), path("d.pdf")}));
    EXPECT_EQ(list->rowCount(), 2);
    EXPECT_FALSE(form->removeArmed());
    EXPECT_FALSE(form->removeAttachmentButton->isEnabled());

    // Attaching a file already there (whatever its letter case) adds nothing.
    chooser.multiOpens = {{path("A.PDF")}};
    form->attachButton->trigger();
    EXPECT_EQ(list->rowCount(), 2);
    form->removeAllAttachments();
    EXPECT_TRUE(form->job().attachmentList.empty());
    EXPECT_EQ(list->rowCount(), 0);
}

TEST_F(FilesTest, SettingsAreReadAtStartAndWrittenWhenTheWindowCloses) {
    writeAll(context.settingsPath, "[SMTP]\r\nHost Name=mail.example.org\r\nHost Port=2525\r\n"
                                   "[OPTIONS]\r\nText Size=12\r\nAuto grid resize=0\r\n[BUTTONS]\r\ntest mode=0\r\n"
                                   "[MAIL]\r\nFrom Name=Ann\r\nFrom Address=ann@x\r\n");
    start();
    EXPECT_EQ(form->job().hostName, "mail.example.org");
    EXPECT_EQ(form->job().hostPort, 2525);
    EXPECT_EQ(form->settings().textSize, 12);
    EXPECT_EQ(form->fontSizedxBarSpinEdit->value(), 12);
    EXPECT_FALSE(form->autoGridResizeButton->isChecked());
    EXPECT_FALSE(form->testdxBarButton->isChecked());
    EXPECT_EQ(form->fromNameLabel->text(), QStringLiteral("Ann"));

    form->job().hostName = "other.example.org";
    form->close();
    const std::string written = readAll(context.settingsPath);
    EXPECT_NE(written.find("Host Name=other.example.org"), std::string::npos);
    EXPECT_NE(written.find("Auto grid resize=0"), std::string::npos);

    // Closing writes the file even when nothing changed.
    std::filesystem::remove(context.settingsPath);
    start();
    form->close();
    EXPECT_TRUE(std::filesystem::exists(context.settingsPath));
}
