#pragma once
// One mailing without the windows: the session and message set up when it starts, and the
// outcome of each row. The main window's send pump and the command-line tool both drive it,
// so a job behaves the same in both.

#include "app/job.h"
#include "send/message.h"
#include "send/smtp_client.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::send {

inline constexpr std::uint8_t statusHandled = 1;
inline constexpr std::uint8_t statusFailed = 2;

struct RowFailure {
    int row = 0;          // grid row
    std::string address;  // the address cell as the grid shows it
    std::string reason;   // the server's reply or the error text
};

class MailingRun final {
public:
    MailingRun(app::Job& job, SmtpClient& client, Message& message);

    // Empties the lists, then sets the client's host and port, connects unless a connection is
    // open (throws NetworkError when it cannot), prepares the message (content type, subject,
    // sender, attachment parts) and sets the counters for the first data row.
    void start();

    // The row the next step handles, while there is one: the grid may change during a
    // mailing, so this is asked anew before every step.
    bool hasNextRow() const;

    // Handles job.sendRow with the given body and moves on to the next row: recipients from the
    // address cell, a connection when there is none, the message handed over unless in test
    // mode, then status 1; any error makes status 2 and a failed-list entry, never an exception.
    std::uint8_t handleNextRow(std::vector<std::string> bodyLines, bool testMode);

    // sentCount x 100 / rowTotal; 0 for a grid without data rows.
    int progress() const;

    const std::vector<RowFailure>& failures() const { return m_failures; }

private:
    app::Job& m_job;
    SmtpClient& m_client;
    Message& m_message;
    std::vector<RowFailure> m_failures;
};

// The message body as lines: the text split at its line breaks, without the empty line after
// a final line break, each line wrapped at word boundaries to at most `width` characters
// (0: not wrapped). A word longer than the width is cut.
std::vector<std::string> bodyLines(std::string_view text, std::size_t width);

} // namespace quillory::send
