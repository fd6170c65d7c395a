#include "log/file_lock.h"
#include "log/log_format.h"
#include "ui/failed_form.h"
#include "ui/main_form.h"
#include "ui/startup.h"

#include "window_fixture.h"
#include "smtp_server_fixture.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QGroupBox>
#include <QTabWidget>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

using namespace quillory::ui;
using fakes::ShownMessage;
using quillory::smtptest::SmtpServerOptions;
using quillory::smtptest::SmtpTestServer;

namespace {

class MailingTest : public fakes::WindowFixture {
protected:
    MailingTest() : WindowFixture("mailing") {
        start();
        auto& s = form->settings();
        s.currentLogFile = path("mail.log");
        s.savedLogFiles = {path("mail.log")};
        s.warnTestMode = false;
        s.confirmLogFile = false;
        s.confirmSaved = false;
        form->job().fromName = "Quillory Tests";
        form->job().fromAddress = "sender@example.org";
    }

    void useServer(const SmtpTestServer& server) {
        form->job().hostName = server.host();
        form->job().hostPort = server.port();
    }

    void loadRows(int n, const std::string& rejected = {}) {
        std::vector<std::vector<std::string>> rows{{"Name", "Email"}};
        for (int i = 1; i <= n; ++i)
            rows.push_back({"Person " + std::to_string(i), i == 3 && !rejected.empty() ? rejected
                                                                                      : "p" + std::to_string(i) + "@example.org"});
        form->job().bufferGrid.assignRows(std::move(rows));
        form->normaliseGrid();
        form->setTemplateText("Dear {{Name}},\r\nhello.");
    }

    void setTest(bool on) { form->testdxBarButton->setChecked(on); }

    // Serves the window until the mailing has completed.
    bool waitForCompletion(int ms = 20000) {
        QElapsedTimer t;
        t.start();
        while (form->mailingInProgress() && t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        return !form->mailingInProgress();
    }

    std::vector<std::vector<std::uint8_t>> loggedStatuses() {
        std::vector<std::vector<std::uint8_t>> out;
        if (!std::filesystem::exists(path("mail.log"))) return out;
        auto file = quillory::log::LockedFile::openForReading(path("mail.log"));
        for (const auto& record : quillory::log::listRecords(*file))
            out.push_back(quillory::log::readStatusBlock(*file, record));
        return out;
    }

};

using Statuses = std::vector<std::vector<std::uint8_t>>;

} // namespace

TEST_F(MailingTest, SendChecksRunInOrderAndStopAtTheFirstThatFails) {
    loadRows(2);
    struct Case {
        const char* what;
        std::function<void()> setUp;
        ShownMessage expected;
    };
    const Case cases[] = {
        {"host and sender both missing",
         [&] { form->job().hostName = ""; form->job().fromAddress = ""; },
         {"Error", MessageIcon::Error, "must enter a host name", MessageButtons::Ok}},
        {"sender missing",
         [&] { form->job().hostName = "h"; form->job().fromAddress = ""; },
         {"Error", MessageIcon::Error, "must enter a from address", MessageButtons::Ok}},
        {"no address column",
         [&] { form->job().hostName = "h"; form->job().fromAddress = "a@x"; form->job().addressCol = -1; },
         {"Error", MessageIcon::Error, "must select an address column", MessageButtons::Ok}},
        {"sender confirmation, empty name",
         [&] { form->job().addressCol = 2; form->job().fromName = ""; form->settings().confirmAlias = true; },
         {"", MessageIcon::Question, "Are these sender details correct?\n\rname: \n\raddress: a@x", MessageButtons::YesNo}},
        {"log file confirmation",
         [&] { form->settings().confirmAlias = false; form->settings().confirmLogFile = true; },
         {"", MessageIcon::Question, "Is this the correct log file?\n\r   " + path("mail.log"), MessageButtons::YesNo}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        prompter.shown.clear();
        c.setUp();
        // A dialog opened by a No answer is closed again at once.
        QTimer::singleShot(0, [] {
            if (QWidget* w = QApplication::activeModalWidget()) w->close();
        });
        form->SendDXBarButtonClick();
        ASSERT_FALSE(prompter.shown.empty());
        EXPECT_EQ(prompter.shown.front(), c.expected);
        EXPECT_EQ(prompter.shown.size(), 1u);
        EXPECT_FALSE(form->mailingInProgress());
        EXPECT_FALSE(form->progressBar->isVisible());
    }
}

TEST_F(MailingTest, TestModeConnectsButDeliversNothingAndLogsEveryRowAsHandled) {
    SmtpTestServer server;
    useServer(server);
    loadRows(4);
    setTest(true);
    form->settings().warnTestMode = true;
    prompter.answers = {MessageAnswer::No};
    form->SendDXBarButtonClick();
    EXPECT_EQ(prompter.shown.back(),
              (ShownMessage{"Test mode", MessageIcon::Question, "In test mode. Do you want to continue?", MessageButtons::YesNo}));
    EXPECT_FALSE(form->progressBar->isVisible());
    EXPECT_FALSE(form->mailingInProgress());

    prompter.answers = {MessageAnswer::Yes};
    form->SendDXBarButtonClick();
    EXPECT_TRUE(form->progressBar->isVisible());
    EXPECT_TRUE(form->emailControlToolBar->isVisible());
    ASSERT_TRUE(waitForCompletion());
    EXPECT_EQ(form->job().resultList, (std::vector<std::uint8_t>{1, 1, 1, 1}));
    EXPECT_EQ(form->progressBar->value(), 100);
    EXPECT_FALSE(form->progressBar->isVisible());
    EXPECT_TRUE(server.messages().empty());
    EXPECT_GE(server.connections(), 1);
    EXPECT_EQ(loggedStatuses(), (Statuses{{1, 1, 1, 1}}));
    EXPECT_FALSE(form->stopEmaildxBarButton->isEnabled());
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(MailingTest, ARejectedThirdRowFailsAloneAndIsListed) {
    SmtpTestServer server(SmtpServerOptions{{"bad@example.org"}});
    useServer(server);
    loadRows(5, "bad@example.org");
    form->subjectEdit->setText("Greetings");
    setTest(false);
    form->SendDXBarButtonClick();
    ASSERT_TRUE(waitForCompletion());
    EXPECT_EQ(form->job().resultList, (std::vector<std::uint8_t>{1, 1, 2, 1, 1}));
    EXPECT_EQ(form->job().failedList, std::vector<std::string>{"bad@example.org"});
    EXPECT_EQ(form->progressBar->value(), 80);
    EXPECT_TRUE(windows->failedForm->isVisible());
    EXPECT_EQ(windows->failedForm->failedMemo->toPlainText(), QStringLiteral("bad@example.org"));
    EXPECT_EQ(loggedStatuses(), (Statuses{{1, 1, 2, 1, 1}}));
    ASSERT_NE(form->mailingRun(), nullptr);
    ASSERT_EQ(form->mailingRun()->failures().size(), 1u);
    EXPECT_EQ(form->mailingRun()->failures()[0].reason.substr(0, 3), "550");

    const auto received = server.messages();
    ASSERT_EQ(received.size(), 4u);
    const auto& m = received[1].mime;
    EXPECT_EQ(received[1].rcptTo, std::vector<std::string>{"p2@example.org"});
    EXPECT_EQ(m.header("subject"), "Greetings");
    ASSERT_EQ(m.addressesOf("from").size(), 1u);
    EXPECT_EQ(m.addressesOf("from")[0].displayName, "Quillory Tests");
    EXPECT_EQ(m.addressesOf("from")[0].address, "sender@example.org");
    ASSERT_EQ(m.parts.size(), 1u);
    EXPECT_EQ(m.parts[0].contentType, "text/plain");
    EXPECT_EQ(m.parts[0].charset, "windows-1252");
    EXPECT_EQ(m.parts[0].payload, "Dear Person 2,\r\nhello.\r\n");
}

TEST_F(MailingTest, TwoAddressesInACellAndAttachmentsReachTheServer) {
    SmtpTestServer server;
    useServer(server);
    form->job().bufferGrid.assignRows({{"Name", "Email"}, {"Both", "Ann <ann@example.org>, bob@example.org"}});
    form->normaliseGrid();
    form->setTemplateText("Hi");
    const std::string attachment = path("report.bin");
    std::string bytes;
    for (int i = 0; i < 3000; ++i) bytes.push_back(static_cast<char>(i * 7));
    std::ofstream(attachment, std::ios::binary) << bytes;
    form->job().attachmentList = {attachment};
    setTest(false);
    form->SendDXBarButtonClick();
    ASSERT_TRUE(waitForCompletion());
    const auto received = server.messages();
    ASSERT_EQ(received.size(), 1u);
    EXPECT_EQ(received[0].rcptTo, (std::vector<std::string>{"ann@example.org", "bob@example.org"}));
    ASSERT_EQ(received[0].mime.parts.size(), 2u);
    EXPECT_EQ(received[0].mime.parts[0].payload, "Hi\r\n");
    EXPECT_EQ(received[0].mime.parts[1].fileName, "report.bin");
    EXPECT_EQ(received[0].mime.parts[1].disposition, "attachment");
    EXPECT_EQ(received[0].mime.parts[1].payload, bytes);
}

TEST_F(MailingTest, AnUnreachableServerSaysUnableToConnect) {
    form->job().hostName = "127.0.0.1";
    form->job().hostPort = quillory::smtptest::unusedLoopbackPort();
    loadRows(2);
    form->SendDXBarButtonClick();
    EXPECT_EQ(prompter.shown.back(), (ShownMessage{"Error", MessageIcon::Error, "Unable to connect", MessageButtons::Ok}));
    EXPECT_FALSE(form->mailingInProgress());
    EXPECT_FALSE(QApplication::overrideCursor());
    EXPECT_TRUE(loggedStatuses().empty()); // the log was created, nothing appended
    EXPECT_TRUE(std::filesystem::exists(path("mail.log")));
}

TEST_F(MailingTest, InvalidLogDirectoryStopsBeforeAnythingIsSent) {
    SmtpTestServer server;
    useServer(server);
    loadRows(2);
    form->settings().currentLogFile = path("missing/mail.log");
    QTimer::singleShot(0, [] {
        if (QWidget* w = QApplication::activeModalWidget()) w->close();
    });
    form->SendDXBarButtonClick();
    EXPECT_EQ(prompter.shown.front(), (ShownMessage{"", MessageIcon::Error, "Invalid log file directory", MessageButtons::Ok}));
    EXPECT_FALSE(form->mailingInProgress());
    EXPECT_FALSE(QApplication::overrideCursor());
}

TEST_F(MailingTest, PauseAndRunSendEachRowOnceAndLogOnce) {
    SmtpTestServer server;
    useServer(server);
    loadRows(5);
    setTest(false);
    bool paused = false;
    QObject::connect(form, &TmainForm::rowHandled, form, [&](int row) {
        if (row == 2 && !paused) {
            paused = true;
            form->PauseEmaildxBarButton->trigger();
        }
    });
    form->SendDXBarButtonClick();
    QElapsedTimer t;
    t.start();
    while (!paused && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    ASSERT_TRUE(paused);
    EXPECT_TRUE(form->mailingInProgress());
    EXPECT_EQ(form->job().resultList.size(), 2u);
    EXPECT_TRUE(form->runEmaildxBarButton->isEnabled());
    EXPECT_FALSE(form->PauseEmaildxBarButton->isEnabled());
    EXPECT_TRUE(QApplication::overrideCursor()); // busy while paused

    form->runEmaildxBarButton->trigger();
    ASSERT_TRUE(waitForCompletion());
    EXPECT_EQ(form->job().resultList, (std::vector<std::uint8_t>{1, 1, 1, 1, 1}));
    std::vector<std::string> to;
    for (const auto& m : server.messages()) to.push_back(m.rcptTo.at(0));
    EXPECT_EQ(to, (std::vector<std::string>{"p1@example.org", "p2@example.org", "p3@example.org", "p4@example.org",
                                            "p5@example.org"}));
    EXPECT_EQ(loggedStatuses(), (Statuses{{1, 1, 1, 1, 1}}));
}

TEST_F(MailingTest, StopAfterTwoRowsLogsTwoStatusesOnce) {
    SmtpTestServer server;
    useServer(server);
    loadRows(5);
    setTest(true);
    prompter.answers = {MessageAnswer::Yes, MessageAnswer::Yes};
    QObject::connect(form, &TmainForm::rowHandled, form, [&](int row) {
        if (row == 2) {
            form->stopEmaildxBarButton->trigger();
            // A second Stop after completion must not log again.
            form->stopEmaildxBarButtonClick();
        }
    });
    form->SendDXBarButtonClick();
    ASSERT_TRUE(waitForCompletion());
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    EXPECT_EQ(form->job().resultList, (std::vector<std::uint8_t>{1, 1}));
    EXPECT_EQ(loggedStatuses(), (Statuses{{1, 1}}));
    EXPECT_EQ(prompter.shown.back().text, "Stop sending emails?");
}

TEST_F(MailingTest, TurningTestModeOffMidwaySendsTheRemainingRowsForReal) {
    SmtpTestServer server;
    useServer(server);
    loadRows(4);
    setTest(true);
    QObject::connect(form, &TmainForm::rowHandled, form, [&](int row) {
        if (row == 2) form->testdxBarButton->setChecked(false);
    });
    form->SendDXBarButtonClick();
    ASSERT_TRUE(waitForCompletion());
    std::vector<std::string> to;
    for (const auto& m : server.messages()) to.push_back(m.rcptTo.at(0));
    EXPECT_EQ(to, (std::vector<std::string>{"p3@example.org", "p4@example.org"}));
}

TEST_F(MailingTest, ADroppedConnectionIsReopenedForTheRemainingRows) {
    SmtpTestServer server(SmtpServerOptions{{}, 2});
    useServer(server);
    loadRows(5);
    setTest(false);
    form->SendDXBarButtonClick();
    ASSERT_TRUE(waitForCompletion());
    EXPECT_EQ(form->job().resultList, (std::vector<std::uint8_t>{1, 1, 1, 1, 1}));
    EXPECT_EQ(server.messages().size(), 5u);
    EXPECT_GE(server.connections(), 3);
}

TEST_F(MailingTest, AGridWithoutDataRowsEndsWithoutSending) {
    SmtpTestServer server;
    useServer(server);
    form->job().bufferGrid.assignRows({{"Name", "Email"}, {"A", "a@example.org"}});
    form->normaliseGrid();
    form->job().bufferGrid.assignRows({{"Name", "Email"}});
    form->normaliseGrid();
    form->job().addressCol = 2;
    form->SendDXBarButtonClick();
    ASSERT_TRUE(waitForCompletion());
    EXPECT_TRUE(form->job().resultList.empty());
    EXPECT_EQ(loggedStatuses(), (Statuses{{}}));
}

TEST_F(MailingTest, ClosingTheWindowDuringAMailingEndsThePumpAndLogsTheRowsDone) {
    SmtpTestServer server;
    useServer(server);
    loadRows(50);
    setTest(true);
    bool closed = false;
    QObject::connect(form, &TmainForm::rowHandled, form, [&](int row) {
        if (row == 3 && !closed) {
            closed = true;
            QTimer::singleShot(0, form, [this] { form->close(); });
        }
    });
    form->SendDXBarButtonClick();
    QElapsedTimer t;
    t.start();
    while (form->mailingInProgress() && t.elapsed() < 10000) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    ASSERT_TRUE(closed);
    EXPECT_FALSE(form->mailingInProgress());
    const auto logged = loggedStatuses();
    ASSERT_EQ(logged.size(), 1u);
    EXPECT_GE(logged[0].size(), 3u);
    EXPECT_LT(logged[0].size(), 50u);
    windows.reset(); // the pump is gone: destroying the windows must not wait for ever
}

TEST_F(MailingTest, TheBodyBreaksWhereThePaneWrapsWhetherOrNotItsTabIsShown) {
    loadRows(1);
    std::string longLine;
    for (int i = 0; i < 60; ++i) longLine += "word" + std::to_string(i) + " ";
    form->setTemplateText(longLine + "\r\nshort");
    form->generateMessage(1);
    const qreal hiddenWidth = form->generatedPaneTextWidth();
    const auto hiddenLines = form->displayedBodyLines();
    form->mainPageControl->setCurrentWidget(form->messageTabSheet);
    QCoreApplication::processEvents();
    EXPECT_EQ(form->generatedPaneTextWidth(), hiddenWidth);
    const auto lines = form->displayedBodyLines();
    EXPECT_EQ(lines, hiddenLines);
    ASSERT_GT(lines.size(), 2u); // the long line was wrapped
    EXPECT_EQ(lines.back(), "short");
    std::string joined;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) joined += lines[i] + (i + 2 < lines.size() ? " " : "");
    EXPECT_EQ(joined, longLine);
    // Each displayed line is as the pane shows it.
    EXPECT_EQ(form->AutoMemo->document()->lineCount(), static_cast<int>(lines.size()) + 1);
}

TEST_F(MailingTest, TheQuestionsBeforeAMailingAnsweredNoChangeNothing) {
    form->job().hostName = "127.0.0.1";
    form->job().hostPort = quillory::smtptest::unusedLoopbackPort();
    loadRows(2);
    struct Case {
        bool test;
        bool warnTest, warnSend, warnSubject;
        ShownMessage question;
    };
    const Case cases[] = {
        {true, true, false, false,
         {"Test mode", MessageIcon::Question, "In test mode. Do you want to continue?", MessageButtons::YesNo}},
        {false, false, true, false,
         {"Test mode", MessageIcon::Question, "NOT in test mode. Do you want to continue?", MessageButtons::YesNo}},
        {true, false, false, true,
         {"", MessageIcon::Question, "No subject entered. Do you want to continue?", MessageButtons::YesNo}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.question.text);
        prompter.shown.clear();
        prompter.answers = {MessageAnswer::No};
        setTest(c.test);
        form->settings().warnTestMode = c.warnTest;
        form->settings().warnSendMode = c.warnSend;
        form->settings().warnSubjectBlank = c.warnSubject;
        form->SendDXBarButtonClick();
        ASSERT_EQ(prompter.shown.size(), 1u);
        EXPECT_EQ(prompter.shown[0], c.question);
        EXPECT_FALSE(form->progressBar->isVisible());
        EXPECT_FALSE(form->mailingInProgress());
        EXPECT_FALSE(QApplication::overrideCursor());
    }
    // With the subject warning off, an empty subject asks nothing and the mailing is tried.
    prompter.shown.clear();
    form->settings().warnSubjectBlank = false;
    form->settings().warnTestMode = false;
    form->SendDXBarButtonClick();
    EXPECT_EQ(prompter.shown.at(0).text, "Unable to connect");
}
