// The main window's side of a mailing: the checks and questions before it, the set-up, one
// step per row handed over by the send pump, Pause, Run, Stop and the completion.
#include "ui/main_form.h"

#include "text/error.h"
#include "text/path_text.h"
#include "ui/configure_le_form.h"
#include "ui/failed_form.h"
#include "ui/log_form.h"
#include "ui/options_form.h"
#include "ui/qtext.h"
#include "ui/send_pump.h"

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLayout>
#include <QStyle>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextLayout>
#include <QToolBar>

namespace quillory::ui {

void TmainForm::SendDXBarButtonClick() {
    if (m_job.hostName.empty()) {
        prompter().error("Error", "must enter a host name");
        return;
    }
    if (m_job.fromAddress.empty()) {
        prompter().error("Error", "must enter a from address");
        return;
    }
    if (m_job.addressCol == -1 || m_job.addressCol >= m_job.mailingGrid.columnCount()) {
        prompter().error("Error", "must select an address column");
        return;
    }
    if (m_settings.confirmAlias &&
        !prompter().ask("", MessageIcon::Question,
                        "Are these sender details correct?\n\rname: " + m_job.fromName + "\n\raddress: " +
                            m_job.fromAddress)) {
        mainPageControl->setCurrentWidget(emailTabSheet);
        if (m_windows.configureLEForm) {
            m_windows.configureLEForm->placeCentred();
            m_windows.configureLEForm->exec();
        }
        return;
    }
    if (m_settings.confirmLogFile &&
        !prompter().ask("", MessageIcon::Question, "Is this the correct log file?\n\r   " + m_settings.currentLogFile)) {
        if (m_windows.optionsForm) {
            m_windows.optionsForm->showLogTab();
            m_windows.optionsForm->exec();
        }
        return;
    }
    if (checkTemplateTokens(templateText())) return;
    startMailing();
}

void TmainForm::setBusyCursor(bool busy) {
    if (busy == m_busyCursor) return;
    m_busyCursor = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TmainForm::startMailing() {
    const bool test = testdxBarButton->isChecked();
    if (test && m_settings.warnTestMode &&
        !prompter().ask("Test mode", MessageIcon::Question, "In test mode. Do you want to continue?"))
        return;
    if (!test && m_settings.warnSendMode &&
        !prompter().ask("Test mode", MessageIcon::Question, "NOT in test mode. Do you want to continue?"))
        return;
    if (subjectEdit->text().isEmpty() && m_settings.warnSubjectBlank &&
        !prompter().ask("", MessageIcon::Question, "No subject entered. Do you want to continue?"))
        return;

    // A mailing still running or paused ends here with what it has done: its rows went out,
    // so its record goes to the log before the new mailing replaces it.
    if (m_mailing) completeMailing();

    emailControlToolBar->setVisible(true);
    setBusyCursor(true);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setVisible(true);
    m_job.failedList.clear();
    m_job.resultList.clear();

    const std::string logDir = text::fileDir(m_settings.currentLogFile);
    if (logDir.empty() || !text::directoryExists(logDir)) {
        prompter().error("", "Invalid log file directory");
        setBusyCursor(false);
        if (m_windows.optionsForm) {
            m_windows.optionsForm->showLogTab();
            m_windows.optionsForm->exec();
        }
        return;
    }
    try {
        m_windows.logForm->writer().beginMailing(m_settings.currentLogFile, m_job, templateText());
    } catch (const Error& e) {
        setBusyCursor(false);
        prompter().error("Error", e.what());
        return;
    }

    m_run = std::make_unique<send::MailingRun>(m_job, SMTP, MailMessage);
    try {
        m_run->start();
    } catch (const Error&) {
        m_run.reset();
        setBusyCursor(false);
        prompter().error("Error", "Unable to connect");
        return;
    }

    PauseEmaildxBarButton->setEnabled(true);
    stopEmaildxBarButton->setEnabled(true);
    m_mailing = true;
    startPump();
}

void TmainForm::startPump() {
    // The pump of a paused or replaced mailing may still be waiting for a step to be served:
    // it is cancelled, never two pumps hand steps over, and it is joined later.
    if (m_pump) {
        m_pump->cancel();
        m_retiredPumps.push_back(std::move(m_pump));
    }
    std::erase_if(m_retiredPumps, [](const auto& p) { return p->isFinished(); });
    m_job.stopFlag = false;
    m_pump = std::make_unique<TThread1>(*this, m_job.stopFlag);
    m_pump->start();
}

void TmainForm::joinPumps() {
    m_job.stopFlag = true;
    if (m_pump) {
        m_pump->cancel();
        m_retiredPumps.push_back(std::move(m_pump));
    }
    // A cancelled pump stops waiting for its step at once; nothing needs to be served here.
    for (auto& pump : m_retiredPumps) pump->wait();
    m_retiredPumps.clear();
}

qreal TmainForm::generatedPaneTextWidth() {
    const qreal margins = 2 * AutoMemo->document()->documentMargin();
    if (AutoMemo->isVisible()) return AutoMemo->viewport()->width() - margins;
    // On the Email tab the pane is hidden, and Qt sizes hidden pages only when they are shown:
    // the Message tab is given the size of the page on show and laid out now, so the body
    // breaks where the pane will.
    if (QWidget* page = mainPageControl->currentWidget(); page && page != messageTabSheet)
        messageTabSheet->resize(page->size());
    layoutMessagePanes();
    autoGroupBox->layout()->activate();
    const int scrollBar = AutoMemo->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, AutoMemo);
    return AutoMemo->width() - 2 * AutoMemo->frameWidth() - scrollBar - margins;
}

std::vector<std::string> TmainForm::displayedBodyLines() {
    // The pane wraps long lines at word boundaries to its width; the body breaks where it does.
    std::vector<std::string> out;
    const qreal width = generatedPaneTextWidth();
    QTextOption option = AutoMemo->document()->defaultTextOption();
    option.setWrapMode(AutoMemo->wordWrapMode());
    for (const std::string& line : send::bodyLines(m_generatedText, 0)) {
        if (line.empty() || width <= 0) {
            out.push_back(line);
            continue;
        }
        const QString q = toQ(line);
        QTextLayout layout(q, AutoMemo->font());
        layout.setTextOption(option);
        layout.beginLayout();
        std::vector<std::pair<int, int>> pieces;
        for (QTextLine l = layout.createLine(); l.isValid(); l = layout.createLine()) {
            l.setLineWidth(width);
            pieces.emplace_back(l.textStart(), l.textLength());
        }
        layout.endLayout();
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            QString piece = q.mid(pieces[i].first, pieces[i].second);
            // The blank where the pane broke the line is the break, not text of the line.
            if (i + 1 < pieces.size())
                while (piece.endsWith(QLatin1Char(' '))) piece.chop(1);
            out.push_back(fromQ(piece));
        }
    }
    return out;
}

void TmainForm::sendNextRow(TThread1* pump) {
    // Steps handed over before Pause, Stop, the last row or a newer mailing do nothing.
    if (pump->cancelled() || pump != m_pump.get() || m_job.stopFlag || !m_mailing || !m_run) return;
    struct StepGuard {
        int& depth;
        explicit StepGuard(int& d) : depth(d) { ++depth; }
        ~StepGuard() { --depth; }
    } guard(m_inStep);

    if (m_run->hasNextRow()) {
        const int row = m_job.sendRow;
        // Scrolling repaints the whole grid; a screen shows a few dozen frames a second, so
        // the grid scrolls to the row being sent at most every 40 ms (and at the last row).
        const bool scroll = !m_lastScroll.isValid() || m_lastScroll.elapsed() >= 40 || row + 1 >= m_job.mailingGrid.rowCount();
        if (scroll) m_lastScroll.start();
        setCurrentRow(row, scroll);
        m_job.selectedRow = row;
        mark(true);
        generateMessage(row);
        m_run->handleNextRow(displayedBodyLines(), testdxBarButton->isChecked());
        progressBar->setValue(m_run->progress());
        emit rowHandled(row);
    }
    // The grid may have changed meanwhile: the mailing ends once no row is left to send.
    if (!m_run->hasNextRow()) {
        m_job.stopFlag = true;
        completeMailing();
        PauseEmaildxBarButton->setEnabled(false);
        stopEmaildxBarButton->setEnabled(false);
        runEmaildxBarButton->setEnabled(false);
    }
}

void TmainForm::PauseEmaildxBarButtonClick() {
    m_job.stopFlag = true;
    PauseEmaildxBarButton->setEnabled(false);
    stopEmaildxBarButton->setEnabled(true);
    runEmaildxBarButton->setEnabled(true);
}

void TmainForm::runEmaildxBarButtonClick() {
    if (!m_mailing) return;
    PauseEmaildxBarButton->setEnabled(true);
    stopEmaildxBarButton->setEnabled(true);
    runEmaildxBarButton->setEnabled(false);
    startPump();
}

void TmainForm::stopEmaildxBarButtonClick() {
    if (!prompter().ask("", MessageIcon::Question, "Stop sending emails?")) return;
    // The mailing may have completed while the question was open: it completes once.
    m_job.stopFlag = true;
    PauseEmaildxBarButton->setEnabled(false);
    stopEmaildxBarButton->setEnabled(false);
    runEmaildxBarButton->setEnabled(false);
    completeMailing();
}

void TmainForm::completeMailing() {
    if (!m_mailing) return;
    m_mailing = false;
    m_job.stopFlag = true;
    if (m_pump) m_pump->cancel(); // it ends by itself; the step that runs now may be its own
    m_windows.logForm->writer().finishMailing(m_job.resultList);
    progressBar->setVisible(false);
    if (!m_job.failedList.empty() && m_windows.failedForm) m_windows.failedForm->showFailed(m_job.failedList);
    setBusyCursor(false);
}

} // namespace quillory::ui
