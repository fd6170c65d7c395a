// The main window's file, clipboard and attachment commands: the dialogs, the wait cursor and
// the message boxes around the model's readers and writers.
#include "ui/main_form.h"

#include "app/settings_file.h"
#include "merge/attachments.h"
#include "merge/grid_reader.h"
#include "merge/user_message.h"
#include "text/error.h"
#include "text/file_io.h"
#include "text/path_text.h"
#include "ui/mailing_grid_model.h"
#include "ui/qtext.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEvent>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTabWidget>
#include <QTableWidget>
#include <QTextDocumentFragment>

namespace quillory::ui {

namespace {

bool exists(const std::string& path) { return text::fileExists(path); }

MessageIcon iconOf(merge::MessageIcon icon) {
    switch (icon) {
    case merge::MessageIcon::Information: return MessageIcon::Information;
    case merge::MessageIcon::Question: return MessageIcon::Question;
    case merge::MessageIcon::Error: break;
    }
    return MessageIcon::Error;
}

void showMessage(Prompter& prompter, const merge::UserMessage& m) {
    prompter.show(m.caption, iconOf(m.icon), m.text, MessageButtons::Ok);
}

// The wait cursor for the length of a command, whatever way it ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

const std::vector<std::string> kGridFilters{"quillory (*.dor)", "tab delimited text (*.txt)",
                                            "comma delimited text (*.csv)", "Excel (*.xls)"};
const std::vector<std::string> kTemplateFilters{"quillory (*.dor)", "text files (*.txt)"};
const std::vector<std::string> kOpenJobFilters{"quillory (*.dor)"};
const std::vector<std::string> kSaveJobFilters{"vellumo (*.dor)"};

} // namespace

// ---- menus ----------------------------------------------------------------------------------

void TmainForm::createFileMenu() {
    fileMenu->clear();
    fileMenu->addAction(openFileButton);
    fileMenu->addAction(openGridButton);
    fileMenu->addAction(openTemplateButton);
    fileMenu->addSeparator();
    fileMenu->addAction(saveFileButton);
    const struct {
        const char* label;
        const std::vector<app::RecentEntry>* list;
        int which;
    } lists[] = {{"Recent Files", &m_settings.recentFiles, 2},
                 {"Recent Grids", &m_settings.recentGrids, 0},
                 {"Recent Templates", &m_settings.recentTemplates, 1}};
    for (const auto& l : lists) {
        fileMenu->addSeparator();
        QAction* label = fileMenu->addAction(QString::fromLatin1(l.label));
        label->setEnabled(false);
        for (std::size_t i = 0; i < l.list->size(); ++i) {
            QAction* entry = fileMenu->addAction(QStringLiteral("%1 %2").arg(i + 1).arg(toQ((*l.list)[i].path)));
            entry->setObjectName(QStringLiteral("recent%1_%2").arg(l.which).arg(i));
            const int which = l.which;
            const int index = static_cast<int>(i);
            connect(entry, &QAction::triggered, this, [this, which, index] { openRecent(which, index); });
        }
    }
    fileMenu->addSeparator();
    fileMenu->addAction(exitButton);
}

void TmainForm::rebuildRecentMenus() {
    if (fileMenu) createFileMenu();
}

// ---- running a command ----------------------------------------------------------------------

template <class Command> void TmainForm::runFileCommand(Command&& command, bool jobFileRead) {
    app::FileCommandResult result;
    bool ok = false;
    {
        WaitCursor wait;
        try {
            result = command();
            ok = true;
        } catch (const merge::MessageError& e) {
            rebuildRecentMenus(); // a failed read may still have been added to a recent list
            showMessage(prompter(), e.message());
        } catch (const Error& e) {
            rebuildRecentMenus();
            prompter().error("Error", e.what());
        }
    }
    if (ok) applyFileResult(result, jobFileRead);
}

void TmainForm::applyFileResult(const app::FileCommandResult& result, bool jobFileRead) {
    const int fileAddressCol = m_job.addressCol;
    if (result.gridReplaced) gridReplaced();
    if (result.addressColumnRead) {
        // The file's choice overrides the detection.
        std::vector<int> lime;
        if (fileAddressCol >= m_job.firstDataCol && fileAddressCol < m_job.mailingGrid.columnCount()) {
            lime.push_back(fileAddressCol);
            m_job.addressCol = fileAddressCol;
        } else {
            m_job.addressCol = -1;
        }
        gridModel->setAddressColumns(lime);
        const QSignalBlocker block(addressColComboBox);
        addressColComboBox->setCurrentIndex(m_job.addressCol < 0 ? -1 : m_job.addressCol - m_job.firstDataCol);
    }
    if (result.subjectRead) {
        const QSignalBlocker block(subjectEdit);
        subjectEdit->setText(toQ(m_job.subject));
    }
    if (result.templateText) setTemplateText(*result.templateText);
    if (result.attachmentsRead) showAttachments();
    for (const auto& m : result.messages) showMessage(prompter(), m);
    if (jobFileRead) emailMenu->setEnabled(true);
    rebuildRecentMenus();
    refreshCommandStates();
}

// ---- grid, template and job commands --------------------------------------------------------

void TmainForm::openGridClick() {
    const auto choice = fileChooser().openFile("Open grid", m_initialDir, kGridFilters, 1);
    if (!choice) return;
    const auto filter = static_cast<app::GridFilter>(choice->filterIndex + 1);
    runFileCommand([&] { return app::openGrid(choice->path, filter, m_job, m_settings, exists); },
                   filter == app::GridFilter::JobFile);
}

void TmainForm::openTemplateClick() {
    const auto choice = fileChooser().openFile("Open Template", m_initialDir, kTemplateFilters, 1);
    if (!choice) return;
    const auto filter = static_cast<app::TemplateFilter>(choice->filterIndex + 1);
    if (filter == app::TemplateFilter::Text) mainPageControl->setCurrentWidget(messageTabSheet);
    runFileCommand([&] { return app::openTemplate(choice->path, filter, m_job, m_settings, exists); },
                   filter == app::TemplateFilter::JobFile);
}

void TmainForm::openFileClick() {
    const auto choice = fileChooser().openFile("Open File", m_initialDir, kOpenJobFilters, 0);
    if (!choice) return;
    openJob(choice->path);
}

void TmainForm::openJob(const std::string& path) {
    runFileCommand([&] { return app::openJobFile(path, m_job, m_settings, exists); }, true);
}

void TmainForm::openRecent(int list, int index) {
    const auto i = static_cast<std::size_t>(index);
    const auto& entries = list == 0 ? m_settings.recentGrids : list == 1 ? m_settings.recentTemplates : m_settings.recentFiles;
    if (i >= entries.size()) return;
    const bool jobFile = entries[i].tag == app::RecentTag::Dor;
    if (list != 0) mainPageControl->setCurrentWidget(messageTabSheet);
    runFileCommand(
        [&] {
            if (list == 0) return app::openRecentGrid(i, m_job, m_settings, exists);
            if (list == 1) return app::openRecentTemplate(i, m_job, m_settings, exists);
            return app::openRecentFile(i, m_job, m_settings, exists);
        },
        jobFile);
}

void TmainForm::saveFileClick() {
    const std::string proposed = m_job.jobFileName.empty() ? m_initialDir : m_job.jobFileName;
    const auto choice = fileChooser().saveFile("Save File", proposed, kSaveJobFilters, 0, true);
    if (!choice) return;
    std::string path = choice->path;
    if (text::fileExt(path).empty()) path += ".dor";
    WaitCursor wait;
    try {
        app::saveJob(path, m_job, m_settings, templateText());
    } catch (const merge::MessageError& e) {
        showMessage(prompter(), e.message());
    } catch (const Error& e) {
        prompter().error("Error", e.what());
    }
    rebuildRecentMenus();
}

void TmainForm::pasteGridClick() {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    if (!mime || !mime->hasText()) {
        showMessage(prompter(), merge::noTextOnClipboardMessage());
        return;
    }
    try {
        WaitCursor wait;
        merge::pasteToGrid(fromQ(mime->text()), m_job.bufferGrid, m_job.mailingGrid);
    } catch (const merge::MessageError& e) {
        showMessage(prompter(), e.message());
        return;
    }
    gridReplaced();
}

void TmainForm::copyGridClick() { QApplication::clipboard()->setText(toQ(merge::copyGridText(m_job.mailingGrid))); }

void TmainForm::copyTemplateClick() {
    QTextCursor cursor = templateMemo->textCursor();
    const int caret = cursor.position();
    QString text = cursor.hasSelection() ? cursor.selection().toPlainText() : templateMemo->toPlainText();
    text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    QApplication::clipboard()->setText(text);
    cursor.setPosition(caret);
    templateMemo->setTextCursor(cursor);
}

void TmainForm::pasteTemplateClick() {
    mainPageControl->setCurrentWidget(messageTabSheet);
    templateMemo->paste();
}

// ---- attachments ----------------------------------------------------------------------------

void TmainForm::showAttachments() {
    attachmentProfGrid->clearContents();
    attachmentProfGrid->setRowCount(static_cast<int>(m_job.attachmentList.size()));
    for (std::size_t i = 0; i < m_job.attachmentList.size(); ++i) {
        const auto row = merge::attachmentDisplayRow(m_job.attachmentList[i]);
        attachmentProfGrid->setItem(static_cast<int>(i), 0, new QTableWidgetItem(toQ(row.fileName)));
        attachmentProfGrid->setItem(static_cast<int>(i), 1, new QTableWidgetItem(toQ(row.directory)));
    }
    attachmentProfGrid->clearSelection();
    attachmentProfGrid->resizeColumnsToContents();
    attachmentProfGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_removeArmed = false;
    removeAttachmentButton->setEnabled(false);
}

void TmainForm::attachClick() {
    mainPageControl->setCurrentWidget(emailTabSheet);
    const auto paths = fileChooser().openFiles("Attach", m_initialDir, {});
    if (merge::attachFiles(m_job.attachmentList, paths) > 0) showAttachments();
}

bool TmainForm::addAttachment(const std::string& path) {
    if (!merge::addAttachment(m_job.attachmentList, path, exists)) return false;
    showAttachments();
    return true;
}

void TmainForm::removeAttachmentClick() {
    if (m_removeArmed) {
        mainPageControl->setCurrentWidget(emailTabSheet);
        std::vector<int> rows;
        for (const QModelIndex& index : attachmentProfGrid->selectionModel()->selectedRows()) rows.push_back(index.row() + 1);
        merge::removeAttachmentRows(m_job.attachmentList, rows);
        showAttachments();
    }
    m_removeArmed = false;
    removeAttachmentButton->setEnabled(false);
}

void TmainForm::removeAllAttachments() {
    merge::clearAttachments(m_job.attachmentList);
    showAttachments();
}

void TmainForm::clearAttachments() { removeAllAttachments(); }

} // namespace quillory::ui
