// quillory-cli run as a child process against job files, the test SMTP server and real logs.
#include "cli_test_util.h"
#include "smtp_server_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

using namespace quillory::clitest;
using quillory::smtptest::SmtpServerOptions;
using quillory::smtptest::SmtpTestServer;
using quillory::smtptest::unusedLoopbackPort;

const std::string threeRecipients = dataDir + "/cli_three_recipients.dor";

// The settings file that the window would have written: only the keys a mailing reads.
std::string settingsText(const std::string& host, int port, const std::string& fromAddress, const std::string& lastLog) {
    std::string ini = "[SMTP]\r\nHost Name=" + host + "\r\nHost Port=" + std::to_string(port) + "\r\n";
    ini += "[MAIL]\r\nFrom Name=Quillory Test\r\nFrom Address=" + fromAddress + "\r\n";
    if (!lastLog.empty()) ini += "[LOG]\r\nlast log=" + lastLog + "\r\n";
    return ini;
}

std::string bodyOf(const quillory::smtptest::ReceivedMessage& m) {
    for (const auto& part : m.mime.parts)
        if (part.contentType == "text/plain") return part.payload;
    return "<no text part>";
}

TEST(CliCommandLine, VersionHelpAndUsageErrors) {
    const RunResult version = runCli({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out, "quillory v0.97\n");

    const RunResult help = runCli({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* word : {"preview JOB.dor ROW", "check JOB.dor", "send JOB.dor", "--grid FILE", "--template FILE",
                             "--subject TEXT", "--attach FILE", "--address-column HEADING", "--live", "--host H",
                             "--port N", "--timeout MS", "--from-name TEXT", "--from-address ADDR", "--log FILE",
                             "--wrap N", "--settings FILE", "--force", "--version"}) {
        SCOPED_TRACE(word);
        EXPECT_NE(help.out.find(word), std::string::npos);
    }

    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{}, "no command given"},
        {{"mail", threeRecipients}, "unknown command mail"},
        {{"check", threeRecipients, "--live"}, "unknown option --live for check"},
        {{"send", threeRecipients, "--port", "70000"}, "--port needs a whole number from 1 to 65535"},
        {{"send", threeRecipients, "--wrap", "-3"}, "--wrap needs a whole number"},
        {{"send", threeRecipients, "--host"}, "--host needs a value"},
        {{"preview", threeRecipients}, "preview needs a row number"},
        {{"check"}, "check needs a job file, or --grid and --template"},
        {{"check", "--grid", "g.csv"}, "--grid and --template go together"},
        {{"check", threeRecipients, "--subject", "Hi"}, "--subject, --attach and --address-column go with --grid"},
        {{"check", threeRecipients, "extra"}, "unexpected argument \"extra\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        const RunResult r = runCli(c.args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(CliPreview, WritesTheGeneratedMessageBytesOfOneRow) {
    struct Case {
        std::string job;
        std::string row;
        std::string message;
    };
    const Case cases[] = {
        {threeRecipients, "2", "Dear Bob,\r\nsee you in York.\r\n"},
        {threeRecipients, "3", "Dear Cid,\r\nsee you in Hull.\r\n"},
        // ASCII case folding, three braces read from the last two, an inserted value never
        // scanned again, a name never trimmed.
        {dataDir + "/cli_token_examples.dor", "1", "Dear Ann\r\n{Ann\r\nsee {{Email}}\r\n{{ Name }}\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.job + " row " + c.row);
        const RunResult r = runCli({"preview", c.job, c.row});
        EXPECT_EQ(r.exitCode, 0) << r.err;
        EXPECT_EQ(r.out, c.message);
    }
}

TEST(CliPreview, RefusesRowsOutsideTheDataAndUnreadableFiles) {
    for (const char* row : {"0", "4", "-1", "two", "1x"}) {
        SCOPED_TRACE(row);
        const RunResult r = runCli({"preview", threeRecipients, row});
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(std::string("row ") + row + " is not a data row (the grid has 3)"), std::string::npos)
            << r.err;
    }
    const RunResult missing = runCli({"preview", dataDir + "/cli_no_such_job.dor", "1"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("cannot open file"), std::string::npos) << missing.err;

    const RunResult notAJob = runCli({"preview", dataDir + "/quoted_comma_in_field.csv", "1"});
    EXPECT_EQ(notAJob.exitCode, 2);
    EXPECT_NE(notAJob.err.find("Incorrect file format"), std::string::npos) << notAJob.err;
}

TEST(CliCheck, PrintsTheReportTheWindowWouldShowAndExitsOneForIt) {
    Scratch scratch;
    const std::string grid = scratch.write("grid.txt", "Name\tEmail\r\nAnn\tann@example.com\r\n");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string report;
    };
    const Case cases[] = {
        {{dataDir + "/cli_missing_tokens.dor"}, 1, "missing tokens: Town, Town.\n"},
        {{threeRecipients}, 0, ""},
        // Unbalanced brackets and a missing name, on two lines.
        {{"--grid", grid, "--template", scratch.write("a.txt", "{{{Name}}")},
         1,
         "Incorrect token brackets\nmissing tokens: {Name.\n"},
        {{"--grid", grid, "--template", scratch.write("b.txt", "Hi {{Name}")}, 1, "Unbalanced token brackets\n"},
        // The bracket warning alone shows no message.
        {{"--grid", grid, "--template", scratch.write("c.txt", "{{Name}}}")}, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.back());
        std::vector<std::string> args = {"check"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const RunResult r = runCli(args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
        EXPECT_EQ(r.out, c.report);
    }
}

class CliSend : public ::testing::Test {
protected:
    Scratch scratch;
    std::string logPath = scratch.path("mailings.log");

    std::string settingsFor(const SmtpTestServer& server) {
        return scratch.write("settings.ini", settingsText(server.host(), server.port(), "news@example.com", ""));
    }
    RunResult send(std::vector<std::string> args) {
        args.insert(args.begin(), "send");
        return runCli(args);
    }
};

TEST_F(CliSend, TestModeConnectsHandsNothingOverAndLogsEveryRow) {
    SmtpTestServer server({.reject = {"bob@example.com"}});
    const RunResult r = send({threeRecipients, "--settings", settingsFor(server), "--log", logPath});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "3 handled, 0 failed\n");
    EXPECT_TRUE(server.messages().empty());
    EXPECT_GE(server.connections(), 1);
    EXPECT_EQ(logStatuses(logPath), (std::vector<std::vector<std::uint8_t>>{{1, 1, 1}}));
}

TEST_F(CliSend, LiveSendReportsTheRejectedRowAndLogsItsStatus) {
    SmtpTestServer server({.reject = {"bob@example.com"}});
    const RunResult r = send({threeRecipients, "--live", "--settings", settingsFor(server), "--log", logPath});
    EXPECT_EQ(r.exitCode, 3) << r.err;
    EXPECT_EQ(r.out, "2 handled, 1 failed\n"
                     "row 2: bob@example.com: 550 5.1.1 <bob@example.com>: Recipient address rejected\n");
    EXPECT_EQ(logStatuses(logPath), (std::vector<std::vector<std::uint8_t>>{{1, 2, 1}}));

    const auto messages = server.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0].rcptTo, std::vector<std::string>{"ann@example.com"});
    EXPECT_EQ(messages[1].rcptTo, std::vector<std::string>{"cid@example.com"});
    EXPECT_EQ(messages[0].mailFrom, "news@example.com");
    EXPECT_EQ(messages[0].mime.header("subject"), "Monthly news");
    EXPECT_EQ(bodyOf(messages[0]), "Dear Ann,\r\nsee you in Leeds.\r\n");
    EXPECT_EQ(bodyOf(messages[1]), "Dear Cid,\r\nsee you in Hull.\r\n");

    // A second mailing goes to the same log, after the first.
    const RunResult again = send({threeRecipients, "--settings", settingsFor(server), "--log", logPath});
    EXPECT_EQ(again.exitCode, 0) << again.err;
    EXPECT_EQ(logStatuses(logPath), (std::vector<std::vector<std::uint8_t>>{{1, 2, 1}, {1, 1, 1}}));
}

TEST_F(CliSend, UnreachableServerExitsFourWithoutALogRecord) {
    const std::string settings =
        scratch.write("settings.ini", settingsText("127.0.0.1", unusedLoopbackPort(), "news@example.com", ""));
    const RunResult r = send({threeRecipients, "--live", "--settings", settings, "--log", logPath});
    EXPECT_EQ(r.exitCode, 4);
    EXPECT_NE(r.err.find("Unable to connect"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    // As in the window, the log is created when the mailing begins, but no record reaches it.
    EXPECT_TRUE(logStatuses(logPath).empty());
}

TEST_F(CliSend, RefusesInTheWindowsOrderBeforeAnythingIsSent) {
    SmtpTestServer server;
    const std::string noHostNoSender = scratch.write("empty.ini", "");
    const std::string noSender = scratch.write("nosender.ini", settingsText(server.host(), server.port(), "", ""));
    const std::string ok = settingsFor(server);
    const std::string noAddressGrid = scratch.write("names.txt", "Name\tTown\r\nAnn\tLeeds\r\n");
    const std::string templ = scratch.write("t.txt", "Hello {{Name}}");
    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const Case cases[] = {
        {{threeRecipients, "--settings", noHostNoSender}, "quillory-cli: must enter a host name\n"},
        {{threeRecipients, "--settings", noSender}, "quillory-cli: must enter a from address\n"},
        {{"--grid", noAddressGrid, "--template", templ, "--settings", ok}, "quillory-cli: must select an address column\n"},
        {{dataDir + "/cli_missing_tokens.dor", "--settings", ok},
         "missing tokens: Town, Town.\n"
         "quillory-cli: the template check found problems; use --force to send anyway\n"},
        {{dataDir + "/cli_missing_attachment.dor", "--settings", ok},
         "quillory-cli: Cannot find /nonexistent/quillory/cli_gone.pdf for attaching\n"
         "quillory-cli: the job did not open cleanly; use --force to send it as it is\n"},
        {{threeRecipients, "--settings", ok, "--log", "/nonexistent/quillory/x.log"},
         "quillory-cli: Invalid log file directory\n"},
        {{threeRecipients, "--settings", scratch.path("missing.ini")},
         "quillory-cli: cannot read the settings file " + scratch.path("missing.ini") + "\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        std::vector<std::string> args = c.args;
        if (std::find(args.begin(), args.end(), "--log") == args.end()) args.insert(args.end(), {"--log", logPath});
        args.push_back("--live");
        const RunResult r = send(args);
        EXPECT_EQ(r.exitCode, 2);
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "");
    }
    EXPECT_EQ(server.connections(), 0);
    EXPECT_FALSE(std::filesystem::exists(logPath));

    // Host and sender on the command line stand in for the settings; --force accepts the
    // template check's findings.
    const RunResult forced = send({dataDir + "/cli_missing_tokens.dor", "--settings", noHostNoSender, "--host",
                                   server.host(), "--port", std::to_string(server.port()), "--from-address",
                                   "me@example.com", "--live", "--force", "--log", logPath});
    EXPECT_EQ(forced.exitCode, 0) << forced.err;
    ASSERT_EQ(server.messages().size(), 1u);
    EXPECT_EQ(server.messages()[0].mailFrom, "me@example.com");
    EXPECT_EQ(bodyOf(server.messages()[0]), "Dear Ann, see {{Town}} and {{Town}}\r\n");
}

TEST_F(CliSend, GridAndTemplateFilesWithSubjectAttachmentAndAddressColumn) {
    SmtpTestServer server;
    // Two columns hold '@', so the detection chooses none and the heading decides.
    const std::string grid = scratch.write("people.CSV", "Name,Email,Reply\r\nAnn,ann@example.com,desk@example.com\r\n"
                                                         "Bob,bob@example.com,desk@example.com\r\n");
    const std::string templ = scratch.write("letter.txt", "Hi {{Name}}\r\nwrite to {{Reply}}");
    const std::string attachment = scratch.write("prices.txt", "pear 3\r\n");
    const std::vector<std::string> common = {"--grid", grid, "--template", templ, "--settings", settingsFor(server),
                                             "--log", logPath, "--live"};

    std::vector<std::string> undecided = common;
    EXPECT_EQ(send(undecided).err, "quillory-cli: must select an address column\n");

    std::vector<std::string> args = common;
    args.insert(args.end(), {"--address-column", "Email", "--subject", "Prices", "--attach", attachment, "--attach",
                             attachment});
    const RunResult r = send(args);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "2 handled, 0 failed\n");
    const auto messages = server.messages();
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[1].rcptTo, std::vector<std::string>{"bob@example.com"});
    EXPECT_EQ(messages[1].mime.header("subject"), "Prices");
    EXPECT_EQ(bodyOf(messages[1]), "Hi Bob\r\nwrite to desk@example.com\r\n");
    ASSERT_EQ(messages[1].mime.parts.size(), 2u); // the same file named twice is attached once
    EXPECT_EQ(messages[1].mime.parts[1].fileName, "prices.txt");
    EXPECT_EQ(messages[1].mime.parts[1].payload, "pear 3\r\n");
    EXPECT_EQ(logAttachments(logPath), std::vector<std::string>{attachment});

    std::vector<std::string> unknownHeading = common;
    unknownHeading.insert(unknownHeading.end(), {"--address-column", "email"});
    const RunResult bad = send(unknownHeading);
    EXPECT_EQ(bad.exitCode, 2);
    EXPECT_EQ(bad.err, "quillory-cli: no column is headed \"email\"\n");

    std::vector<std::string> missingAttachment = common;
    missingAttachment.insert(missingAttachment.end(), {"--address-column", "Email", "--attach", scratch.path("gone")});
    const RunResult gone = send(missingAttachment);
    EXPECT_EQ(gone.exitCode, 2);
    EXPECT_EQ(gone.err, "quillory-cli: Cannot find " + scratch.path("gone") + " for attaching\n");
    EXPECT_EQ(server.messages().size(), 2u);
}

TEST_F(CliSend, WrapsBodyLinesAtWordBoundaries) {
    SmtpTestServer server;
    const std::string grid = scratch.write("g.txt", "Name\tEmail\r\nAnn\tann@example.com\r\n");
    const std::string longLine = "Dear {{Name}}, the meeting moves to the large hall on the second floor of the "
                                 "town library next Thursday.";
    const std::string templ = scratch.write("t.txt", longLine);
    struct Case {
        std::vector<std::string> wrap;
        std::string body;
    };
    const Case cases[] = {
        {{},
         "Dear Ann, the meeting moves to the large hall on the second floor of the\r\n"
         "town library next Thursday.\r\n"},
        {{"--wrap", "30"},
         "Dear Ann, the meeting moves to\r\nthe large hall on the second\r\nfloor of the town library next\r\n"
         "Thursday.\r\n"},
        {{"--wrap", "0"},
         "Dear Ann, the meeting moves to the large hall on the second floor of the town library next Thursday.\r\n"},
    };
    std::size_t sent = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.wrap.empty() ? "default" : c.wrap[1]);
        std::vector<std::string> args = {"--grid", grid, "--template", templ, "--settings", settingsFor(server),
                                         "--log", logPath, "--live"};
        args.insert(args.end(), c.wrap.begin(), c.wrap.end());
        const RunResult r = send(args);
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const auto messages = server.messages();
        ASSERT_EQ(messages.size(), ++sent);
        EXPECT_EQ(bodyOf(messages.back()), c.body);
    }
}

TEST_F(CliSend, ReadsTheSettingsFileOfTheWindowBesideIt) {
    SmtpTestServer server;
    // A portable copy: the window's settings file and the log it names sit beside the executable.
    const std::string exe = scratch.path("quillory-cli");
    std::filesystem::copy_file(cliExe, exe);
    const std::string lastLog = scratch.path("window.log");
    scratch.write("quillory.ini", settingsText(server.host(), server.port(), "window@example.com", lastLog));

    const RunResult r = runCli({"send", threeRecipients, "--live"}, exe);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    ASSERT_EQ(server.messages().size(), 3u);
    EXPECT_EQ(server.messages()[0].mailFrom, "window@example.com");
    // The log named in the settings is created when missing.
    EXPECT_EQ(logStatuses(lastLog), (std::vector<std::vector<std::uint8_t>>{{1, 1, 1}}));
}

TEST_F(CliSend, CtrlCStopsAfterTheCurrentRowAndStillLogsTheRowsHandled) {
    SmtpTestServer server;
    const int rows = 400;
    std::string grid = "Name\tEmail\r\n";
    for (int i = 1; i <= rows; ++i) grid += "P" + std::to_string(i) + "\tp" + std::to_string(i) + "@example.com\r\n";
    const std::vector<std::string> args = {"send", "--grid", scratch.write("many.txt", grid), "--template",
                                           scratch.write("t.txt", "Hi {{Name}}"), "--settings", settingsFor(server),
                                           "--log", logPath, "--live"};
    const RunResult r = runCli(args, cliExe, [&](pid_t pid) {
        EXPECT_TRUE(waitFor([&] { return server.messages().size() >= 5; }));
        kill(pid, SIGINT);
    });
    EXPECT_EQ(r.exitCode, 130) << r.err;
    const auto statuses = logStatuses(logPath);
    ASSERT_EQ(statuses.size(), 1u);
    const std::size_t handled = statuses[0].size();
    EXPECT_GE(handled, 5u);
    EXPECT_LT(handled, static_cast<std::size_t>(rows));
    EXPECT_EQ(statuses[0], std::vector<std::uint8_t>(handled, 1));
    // Every row that counts as handled reached the server, and no other.
    EXPECT_EQ(server.messages().size(), handled);
    EXPECT_EQ(r.out, std::to_string(handled) + " handled, 0 failed\n");
    EXPECT_NE(r.err.find("interrupted; " + std::to_string(handled) + " of 400 rows were handled and logged"),
              std::string::npos)
        << r.err;
}

TEST_F(CliSend, ProgressOnAPipeIsOneLinePerThousandRows) {
    SmtpTestServer server;
    std::string grid = "Name\tEmail\r\n";
    for (int i = 1; i <= 2500; ++i) grid += "P\tp" + std::to_string(i) + "@example.com\r\n";
    const RunResult r = send({"--grid", scratch.write("many.txt", grid), "--template", scratch.write("t.txt", "Hi"),
                              "--settings", settingsFor(server), "--log", logPath});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "2500 handled, 0 failed\n");
    EXPECT_NE(r.err.find("\n1000 of 2500 rows, 0 failed, "), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\n2000 of 2500 rows, 0 failed, "), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("3000 of"), std::string::npos);
    EXPECT_EQ(r.err.find('\r'), std::string::npos);
}

} // namespace
