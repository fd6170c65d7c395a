#include "send/smtp_client.h"

#include "send_test_util.h"
#include "smtp_server_fixture.h"
#include "text/error.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include <chrono>

namespace quillory::send {
namespace {

using quillory::smtptest::ReceivedMessage;
using quillory::smtptest::SmtpServerOptions;
using quillory::smtptest::SmtpTestServer;
using test::linesAreWellFormed;
using test::withCrLf;

Message rowMessage(const std::string& cell, std::vector<std::string> body = {"Hello,", "this is your row."}) {
    Message m;
    m.setSubject("Row mail");
    m.setSenderName("Ann Smith");
    m.setSenderAddress("ann@example.com");
    m.setRecipientsFromCell(cell);
    m.setBodyLines(std::move(body));
    return m;
}

// What the send loop does for every row.
void sendRow(SmtpClient& client, Message& m, int timeoutMs = 2000) {
    if (!client.isConnected()) client.connect(timeoutMs);
    client.send(m);
}

std::string networkErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const NetworkError& e) {
        return e.what();
    }
    return "<no NetworkError>";
}

TEST(SmtpClient, DeliversAMessageThatArrivesIntact) {
    SmtpTestServer server;
    SmtpClient client;
    client.setHost(server.host());
    client.setPort(server.port());
    EXPECT_FALSE(client.isConnected());
    client.connect(2000);
    EXPECT_TRUE(client.isConnected());
    EXPECT_TRUE(server.messages().empty()); // connecting alone delivers nothing

    // Lines starting with a dot must survive the SMTP end-of-data convention.
    Message m = rowMessage("Bob Jones <bob@example.com>", {"Dear Bob,", ".", ".hidden", "Caf\xE9"});
    client.send(m);

    auto got = server.messages();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].mailFrom, "ann@example.com");
    EXPECT_EQ(got[0].rcptTo, std::vector<std::string>{"bob@example.com"});
    EXPECT_TRUE(linesAreWellFormed(got[0].data));
    EXPECT_TRUE(got[0].mime.defects.empty());
    EXPECT_EQ(got[0].mime.header("subject"), "Row mail");
    EXPECT_EQ(got[0].mime.header("from"), "Ann Smith <ann@example.com>");
    EXPECT_EQ(got[0].mime.header("to"), "Bob Jones <bob@example.com>");
    ASSERT_EQ(got[0].mime.parts.size(), 1u);
    EXPECT_EQ(withCrLf(got[0].mime.parts[0].payload), "Dear Bob,\r\n.\r\n.hidden\r\nCaf\xE9\r\n");
    EXPECT_TRUE(client.isConnected());
}

TEST(SmtpClient, OneCellWithTwoAddressesReachesBoth) {
    SmtpTestServer server;
    SmtpClient client;
    client.setHost(server.host());
    client.setPort(server.port());
    // No connect first: send opens the connection itself.
    Message m = rowMessage("\"Smith, Bob\" <bob@example.com>, carl@example.com (Carl)");
    client.send(m);
    auto got = server.messages();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].rcptTo, (std::vector<std::string>{"bob@example.com", "carl@example.com"}));
    auto to = got[0].mime.addressesOf("to");
    ASSERT_EQ(to.size(), 2u);
    EXPECT_EQ(to[0].displayName, "Smith, Bob");
    EXPECT_EQ(to[1].displayName, "Carl");
}

TEST(SmtpClient, ARejectedRecipientFailsTheWholeMessageWithTheServersReply) {
    SmtpTestServer server(SmtpServerOptions{.reject = {"bob@example.com"}});
    SmtpClient client;
    client.setHost(server.host());
    client.setPort(server.port());
    client.connect(2000);

    for (const char* cell : {"bob@example.com", "ann@example.com, bob@example.com, carl@example.com"}) {
        SCOPED_TRACE(cell);
        Message m = rowMessage(cell);
        std::string error = networkErrorOf([&] { sendRow(client, m); });
        EXPECT_EQ(error, "550 5.1.1 <bob@example.com>: Recipient address rejected");
    }
    EXPECT_TRUE(server.messages().empty());

    // The next row goes out as usual.
    Message good = rowMessage("carl@example.com");
    sendRow(client, good);
    auto got = server.messages();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].rcptTo, std::vector<std::string>{"carl@example.com"});
}

TEST(SmtpClient, KeepsOneConnectionForManyMessages) {
    SmtpTestServer server;
    SmtpClient client;
    client.setHost(server.host());
    client.setPort(server.port());
    for (int i = 0; i < 5; ++i) {
        Message m = rowMessage("row" + std::to_string(i) + "@example.com");
        sendRow(client, m);
        client.connect(2000); // a connect while connected changes nothing
    }
    auto got = server.messages();
    ASSERT_EQ(got.size(), 5u);
    for (const ReceivedMessage& r : got)
        EXPECT_EQ(r.connection, 1);
    EXPECT_EQ(server.connections(), 1);
}

TEST(SmtpClient, ALostConnectionIsOpenedAgainForTheNextMessage) {
    SmtpTestServer server(SmtpServerOptions{.dropAfter = 2});
    SmtpClient client;
    client.setHost(server.host());
    client.setPort(server.port());
    for (int i = 0; i < 5; ++i) {
        Message m = rowMessage("row" + std::to_string(i) + "@example.com");
        sendRow(client, m);
    }
    // Without the loop's connect: send alone also reopens.
    for (int i = 5; i < 7; ++i) {
        Message m = rowMessage("row" + std::to_string(i) + "@example.com");
        client.send(m);
    }
    auto got = server.messages();
    ASSERT_EQ(got.size(), 7u);
    const int expectedConnection[] = {1, 1, 2, 2, 3, 3, 4};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(got[i].rcptTo, std::vector<std::string>{"row" + std::to_string(i) + "@example.com"});
        EXPECT_EQ(got[i].connection, expectedConnection[i]) << "message " << i;
    }
}

TEST(SmtpClient, AnOpenConnectionOutlivesNewSettingsUntilItIsLost) {
    SmtpTestServer first(SmtpServerOptions{.dropAfter = 2});
    SmtpTestServer second;
    SmtpClient client;
    client.setHost(first.host());
    client.setPort(first.port());
    client.connect(2000);
    client.setPort(second.port());
    Message m = rowMessage("bob@example.com");
    sendRow(client, m);
    sendRow(client, m); // the first server closes after this one
    // Once the loss is seen, the next connection goes to the port set now. (A send that races
    // the server's close is reconnected by curl itself, to the address it was using.)
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (client.isConnected() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_FALSE(client.isConnected());
    sendRow(client, m);
    EXPECT_EQ(first.messages().size(), 2u);
    EXPECT_EQ(second.messages().size(), 1u);
}

TEST(SmtpClient, ConnectFailsWithinTheTimeOutWhenTheServerNeverGreets) {
    SmtpTestServer server(SmtpServerOptions{.neverGreet = true});
    SmtpClient client;
    client.setHost(server.host());
    client.setPort(server.port());
    auto start = std::chrono::steady_clock::now();
    std::string error = networkErrorOf([&] { client.connect(300); });
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_NE(error, "<no NetworkError>");
    EXPECT_NE(error.find("timed out"), std::string::npos) << error;
    EXPECT_LT(elapsed, std::chrono::milliseconds(3000)); // generous: ten times the time-out
    EXPECT_FALSE(client.isConnected());
    EXPECT_EQ(server.connections(), 1);
}

TEST(SmtpClient, ConnectFailsWhenNothingListensOrTheHostIsUnknown) {
    struct Case {
        std::string host;
        int port;
    };
    const Case cases[] = {
        {"127.0.0.1", quillory::smtptest::unusedLoopbackPort()},
        {"no-such-host.invalid", 25},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.host);
        SmtpClient client;
        client.setHost(c.host);
        client.setPort(c.port);
        EXPECT_NE(networkErrorOf([&] { client.connect(1000); }), "<no NetworkError>");
        EXPECT_FALSE(client.isConnected());
        Message m = rowMessage("bob@example.com");
        EXPECT_NE(networkErrorOf([&] { client.send(m); }), "<no NetworkError>");
    }
    SmtpClient noHost;
    EXPECT_EQ(networkErrorOf([&] { noHost.connect(1000); }), "no SMTP host name");
}

TEST(SmtpClient, LineBreaksInFieldsNeverBecomeCommandsOrHeaders) {
    SmtpTestServer server;
    SmtpClient client;
    client.setHost(server.host());
    client.setPort(server.port());

    Message m = rowMessage("bob@example.com\r\nRCPT TO:<evil@example.com>");
    m.setSubject("Hi\r\nBcc: evil@example.com");
    m.setSenderName("Ann\r\nBcc: evil@example.com");
    EXPECT_THROW(sendRow(client, m), Error);
    EXPECT_TRUE(server.messages().empty());

    m.setRecipientsFromCell("bob@example.com");
    sendRow(client, m);
    auto got = server.messages();
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].rcptTo, std::vector<std::string>{"bob@example.com"});
    EXPECT_EQ(got[0].mime.headerCount("bcc"), 0);
    EXPECT_EQ(got[0].mime.header("subject"), "Hi Bcc: evil@example.com");

    EXPECT_THROW(client.sendRaw("ann@example.com\r\nRSET", {"bob@example.com"}, "Subject: x\r\n\r\nx\r\n"), Error);
    EXPECT_THROW(client.sendRaw("ann@example.com", {"bob@example.com>\r\nDATA"}, "Subject: x\r\n\r\nx\r\n"), Error);
    EXPECT_EQ(server.messages().size(), 1u);
}

TEST(SmtpClient, AMissingAttachmentFailsItsRowOnly) {
    SmtpTestServer server;
    SmtpClient client;
    client.setHost(server.host());
    client.setPort(server.port());
    Message m = rowMessage("bob@example.com");
    m.setContentType(ContentType::MultipartMixed);
    m.addAttachment("/nonexistent/quillory/offer.pdf");
    EXPECT_THROW(sendRow(client, m), FileError);
    EXPECT_TRUE(server.messages().empty());
    Message next = rowMessage("carl@example.com");
    sendRow(client, next);
    EXPECT_EQ(server.messages().size(), 1u);
}

} // namespace
} // namespace quillory::send
