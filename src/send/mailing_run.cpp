#include "send/mailing_run.h"

#include "merge/mailing_grid.h"
#include "text/error.h"

namespace quillory::send {

MailingRun::MailingRun(app::Job& job, SmtpClient& client, Message& message)
    : m_job(job), m_client(client), m_message(message) {}

void MailingRun::start() {
    m_job.failedList.clear();
    m_job.resultList.clear();
    m_failures.clear();
    const int rows = m_job.mailingGrid.rowCount() - m_job.firstDataRow;

    m_message.clear();
    m_client.setHost(m_job.hostName);
    m_client.setPort(m_job.hostPort);
    if (!m_client.isConnected()) m_client.connect(m_job.connectionTimeout);

    m_message.setContentType(m_job.attachmentList.empty() ? ContentType::TextPlain : ContentType::MultipartMixed);
    m_message.setSubject(m_job.subject);
    m_message.setSenderName(m_job.fromName);
    m_message.setSenderAddress(m_job.fromAddress);
    for (const auto& path : m_job.attachmentList) m_message.addAttachment(path);

    m_job.sendRow = m_job.firstDataRow;
    m_job.sentCount = 0;
    m_job.rowTotal = rows < 0 ? 0 : rows;
}

bool MailingRun::hasNextRow() const { return m_job.sendRow >= m_job.firstDataRow && m_job.sendRow < m_job.mailingGrid.rowCount(); }

std::uint8_t MailingRun::handleNextRow(std::vector<std::string> lines, bool testMode) {
    const int row = m_job.sendRow;
    const auto& grid = m_job.mailingGrid;
    const bool haveColumn = m_job.addressCol >= m_job.firstDataCol && m_job.addressCol < grid.columnCount();
    const std::string cell = haveColumn && merge::isDataRow(grid, row) ? grid.cell(m_job.addressCol, row) : std::string();
    m_message.setBodyLines(std::move(lines));
    m_message.setRecipientsFromCell(cell);

    std::uint8_t status = statusHandled;
    try {
        if (!haveColumn) throw Error("no address column");
        // A cell that names no usable address fails in test mode too: finding such rows is
        // what a test run is for.
        if (!m_message.recipientError().empty()) throw Error(m_message.recipientError());
        if (!m_client.isConnected()) m_client.connect(m_job.connectionTimeout);
        if (!testMode) m_client.send(m_message);
        ++m_job.sentCount;
    } catch (const Error& e) {
        status = statusFailed;
        m_job.failedList.push_back(cell);
        m_failures.push_back({row, cell, e.what()});
    }
    m_job.resultList.push_back(status);
    m_job.sendRow = row + 1;
    return status;
}

int MailingRun::progress() const { return m_job.rowTotal > 0 ? m_job.sentCount * 100 / m_job.rowTotal : 0; }

std::vector<std::string> bodyLines(std::string_view text, std::size_t width) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find_first_of("\r\n", start);
        const bool last = end == std::string_view::npos;
        if (last) end = text.size();
        std::string_view line = text.substr(start, end - start);
        if (last && line.empty() && start > 0) break; // the empty line after a final break
        if (width == 0 || line.size() <= width) {
            lines.emplace_back(line);
        } else {
            while (line.size() > width) {
                // Break after the last blank that keeps the line within the width.
                std::size_t cut = line.rfind(' ', width);
                std::size_t next;
                if (cut == std::string_view::npos || cut == 0) {
                    cut = width;
                    next = width;
                } else {
                    next = cut + 1;
                }
                lines.emplace_back(line.substr(0, cut));
                line = line.substr(next);
            }
            lines.emplace_back(line);
        }
        if (last) break;
        start = end + ((text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n') ? 2 : 1);
        if (start == text.size()) break;
    }
    return lines;
}

} // namespace quillory::send
