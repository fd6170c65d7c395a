#include "log/log_format.h"
#include "ui/configure_le_form.h"
#include "ui/failed_form.h"
#include "ui/main_form.h"
#include "ui/options_form.h"
#include "ui/startup.h"

#include "window_fixture.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace quillory::ui;
using fakes::ShownMessage;

namespace {

class DialogsTest : public fakes::WindowFixture {
protected:
    DialogsTest() : WindowFixture("dialogs") {
        start();
        options = windows->optionsForm.get();
    }

    // Runs `act` once the modal dialog is up, then lets exec() return.
    void whileShown(QDialog* dialog, const std::function<void()>& act) {
        QTimer::singleShot(0, dialog, [dialog, act] {
            act();
            if (dialog->isVisible()) dialog->done(0);
        });
        dialog->exec();
    }

    ToptionsForm* options = nullptr;
};

} // namespace

TEST_F(DialogsTest, OptionsCloseCheckRunsAllFourTestsInOrder) {
    struct Case {
        std::string port;
        std::string logFile;
        std::vector<std::string> messages;
        std::string logFileAfter;
        bool closes;
    };
    const std::string good = path("mail.log");
    const Case cases[] = {
        {"abc", path("mail.txt"), {"Entry for SMTP port is not an integer", "The log file extension has beeen changed to .log"},
         path("mail.log"), false},
        {"25", path("MAIL.LOG"), {}, path("MAIL.LOG"), true},
        {"25", "", {"The log file extension has beeen changed to .log", "Invalid file name", "Invalid log directory"},
         ".log", false},
        {"25", "mail.log", {"Invalid log directory"}, "mail.log", false},
        {"25", path("nowhere/mail.log"), {"Invalid log directory"}, path("nowhere/mail.log"), false},
        {"99999999999", good, {"Entry for SMTP port is not an integer"}, good, false},
        {"587", path("mail"), {"The log file extension has beeen changed to .log"}, good, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.port + " " + c.logFile);
        prompter.shown.clear();
        bool closed = false;
        whileShown(options, [&] {
            options->PortEdit->setText(QString::fromStdString(c.port));
            options->logFilesComboBox->setEditText(QString::fromStdString(c.logFile));
            options->pageControl->setCurrentIndex(1);
            options->OKButtonClick();
            closed = !options->isVisible();
            if (!closed) {
                EXPECT_EQ(options->logFilesComboBox->currentText().toStdString(), c.logFileAfter);
                if (c.messages.size() > 1 && c.messages.back().rfind("Invalid", 0) == 0) {
                    EXPECT_EQ(options->pageControl->currentIndex(), 0); // back on the Log tab
                }
            }
        });
        EXPECT_EQ(closed, c.closes);
        std::vector<std::string> texts;
        for (const auto& m : prompter.shown) {
            EXPECT_EQ(m.caption, "");
            texts.push_back(m.text);
        }
        EXPECT_EQ(texts, c.messages);
    }
}

TEST_F(DialogsTest, OptionsOkAppliesEveryValue) {
    whileShown(options, [&] {
        options->HostEdit->setText("smtp.example.org");
        options->PortEdit->setText("2525");
        options->TimeoutNumericEditor->setText("4000");
        options->textSizeSpinEditor->setValue(12);
        options->AutoGridResizeCheckBox->setChecked(false);
        options->warnSendModeCheckBox->setChecked(true);
        options->confirmAliasCheckBox->setChecked(true);
        options->confirmLogFileCheckBox->setChecked(false);
        options->confirmLogSavedCheckBox->setChecked(false);
        options->logFilesComboBox->setEditText(QString::fromStdString(path("a.log")));
        options->OKButtonClick();
    });
    EXPECT_TRUE(prompter.shown.empty());
    const auto& job = form->job();
    const auto& s = form->settings();
    EXPECT_EQ(job.hostName, "smtp.example.org");
    EXPECT_EQ(job.hostPort, 2525);
    EXPECT_EQ(job.connectionTimeout, 4000);
    EXPECT_EQ(s.textSize, 12);
    EXPECT_EQ(form->fontSizedxBarSpinEdit->value(), 12);
    EXPECT_FALSE(s.autoGridResize);
    EXPECT_FALSE(form->autoGridResizeButton->isChecked());
    EXPECT_TRUE(s.warnSendMode);
    EXPECT_TRUE(s.confirmAlias);
    EXPECT_FALSE(s.confirmLogFile);
    EXPECT_FALSE(s.confirmSaved);
    EXPECT_EQ(s.currentLogFile, path("a.log"));
    EXPECT_EQ(s.savedLogFiles, std::vector<std::string>{path("a.log")});

    // An empty time-out keeps the old value.
    whileShown(options, [&] {
        options->TimeoutNumericEditor->setText("");
        options->OKButtonClick();
    });
    EXPECT_EQ(form->job().connectionTimeout, 4000);
}

TEST_F(DialogsTest, OptionsLogFileListKeepsSevenMostRecentFirst) {
    auto& s = form->settings();
    for (int i = 1; i <= 7; ++i) s.savedLogFiles.push_back(path("log" + std::to_string(i) + ".log"));
    whileShown(options, [&] {
        EXPECT_EQ(options->logFilesComboBox->count(), 7);
        EXPECT_EQ(options->logFilesComboBox->currentText().toStdString(), path("log1.log"));
        options->logFilesComboBox->setEditText(QString::fromStdString(path("new.log")));
        options->OKButtonClick();
    });
    ASSERT_EQ(s.savedLogFiles.size(), 7u);
    EXPECT_EQ(s.savedLogFiles.front(), path("new.log"));
    EXPECT_EQ(s.savedLogFiles.back(), path("log6.log"));

    whileShown(options, [&] {
        options->logFilesComboBox->setEditText(QString::fromStdString(path("log3.log")));
        options->OKButtonClick();
    });
    EXPECT_EQ(s.savedLogFiles.size(), 7u);
    EXPECT_EQ(s.savedLogFiles[0], path("log3.log"));
    EXPECT_EQ(s.savedLogFiles[1], path("new.log"));
    EXPECT_EQ(s.currentLogFile, path("log3.log"));
}

TEST_F(DialogsTest, OptionsClosedByTheTitleBarAsksOnlyAfterEdits) {
    form->settings().savedLogFiles = {path("a.log")};
    form->job().hostName = "old";
    whileShown(options, [&] { options->close(); });
    EXPECT_TRUE(prompter.shown.empty());

    prompter.answers = {MessageAnswer::No};
    whileShown(options, [&] {
        options->HostEdit->setText("new");
        options->close();
    });
    ASSERT_EQ(prompter.shown.size(), 1u);
    EXPECT_EQ(prompter.shown[0], (ShownMessage{"", MessageIcon::Question, "Save changes", MessageButtons::YesNo}));
    EXPECT_EQ(form->job().hostName, "old");

    prompter.answers = {MessageAnswer::Yes};
    whileShown(options, [&] {
        options->HostEdit->setText("new");
        options->close();
    });
    EXPECT_EQ(form->job().hostName, "new");
}

TEST_F(DialogsTest, BrowseCreatesANewLogAtOnceAndCancelKeepsIt) {
    form->settings().savedLogFiles = {path("a.log")};
    const std::string fresh = path("fresh.log");
    chooser.saves = {quillory::ui::FileChoice{fresh, 0}};
    whileShown(options, [&] {
        options->BrowseButtonClick();
        options->CancelButtonClick();
    });
    ASSERT_TRUE(std::filesystem::exists(fresh));
    EXPECT_EQ(std::filesystem::file_size(fresh), static_cast<std::uintmax_t>(quillory::log::fileHeaderSize));
    EXPECT_EQ(form->settings().currentLogFile, fresh);
    EXPECT_EQ(form->settings().savedLogFiles, std::vector<std::string>{path("a.log")});

    chooser.saves = {quillory::ui::FileChoice{"", 0}};
    whileShown(options, [&] {
        options->BrowseButtonClick();
        options->CancelButtonClick();
    });
    EXPECT_EQ(prompter.shown.back(), (ShownMessage{"", MessageIcon::Error, "Must enter a log file", MessageButtons::Ok}));
}

TEST_F(DialogsTest, SenderDialogOkAndEscTakeTheEditsTheCloseBoxDoesNot) {
    auto* sender = windows->configureLEForm.get();
    form->job().fromName = "Ann";
    form->job().fromAddress = "ann@x";
    whileShown(sender, [&] {
        EXPECT_EQ(sender->fromNameEdit->text(), QStringLiteral("Ann"));
        sender->fromNameEdit->setText("Bob");
        sender->close();
    });
    EXPECT_EQ(form->job().fromName, "Ann");

    whileShown(sender, [&] {
        sender->fromNameEdit->setText("Bob");
        sender->FromAddressEdit->setText("");
        QTest::keyClick(sender, Qt::Key_Escape);
    });
    EXPECT_EQ(form->job().fromName, "Bob");
    EXPECT_EQ(form->job().fromAddress, "");
    EXPECT_EQ(form->fromNameLabel->text(), QStringLiteral("Bob"));

    whileShown(sender, [&] {
        sender->fromNameEdit->setText("Cy");
        sender->OKButtonClick();
    });
    EXPECT_EQ(form->job().fromName, "Cy");
}

TEST_F(DialogsTest, SenderDialogPlacementIsClampedAtZero) {
    auto* sender = windows->configureLEForm.get();
    sender->resize(311, 107);
    sender->placeAboveButton(QPoint(400, 300));
    EXPECT_EQ(sender->pos(), QPoint(400 - sender->width() / 2, 300 - sender->height()));
    sender->placeAboveButton(QPoint(10, 20));
    EXPECT_EQ(sender->pos(), QPoint(0, 0));
}

TEST_F(DialogsTest, FailedWindowStartsAfreshOnlyWhenItWasClosed) {
    auto* failed = windows->failedForm.get();
    EXPECT_EQ(failed->windowTitle(), QStringLiteral("failed emails"));
    form->job().failedList = {"a@x", "b@x"};
    failed->showFailed(form->job().failedList);
    EXPECT_EQ(failed->failedMemo->toPlainText(), QStringLiteral("a@x\nb@x"));
    form->job().failedList = {"c@x"};
    failed->showFailed(form->job().failedList); // still open: added below
    EXPECT_EQ(failed->failedMemo->toPlainText(), QStringLiteral("a@x\nb@x\nc@x"));
    failed->close();
    form->job().failedList = {"d@x"};
    failed->showFailed(form->job().failedList);
    EXPECT_EQ(failed->failedMemo->toPlainText(), QStringLiteral("d@x"));
}
