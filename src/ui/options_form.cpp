#include "ui/options_form.h"

#include "text/code_page.h"
#include "text/error.h"
#include "text/file_io.h"
#include "text/path_text.h"
#include "ui/log_form.h"
#include "ui/main_form.h"
#include "ui/qtext.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <charconv>

namespace quillory::ui {

namespace {

QCheckBox* checkBox(const QString& caption, QWidget* parent) {
    auto* box = new QCheckBox(caption, parent);
    box->setLayoutDirection(Qt::RightToLeft); // caption to the left of the box
    return box;
}

// A whole number that fits 32 bits, nothing else around it.
bool parseInt32(const std::string& text, int& value) {
    const char* end = text.data() + text.size();
    const char* begin = text.data();
    if (begin != end && *begin == '+') ++begin;
    const auto [ptr, ec] = std::from_chars(begin, end, value);
    return ec == std::errc() && ptr == end && begin != end;
}

} // namespace

ToptionsForm::ToptionsForm(TmainForm& mainForm)
    : QDialog(&mainForm, Qt::Tool | Qt::WindowCloseButtonHint), m_mainForm(mainForm) {
    setObjectName(QStringLiteral("ToptionsForm"));
    setWindowTitle(QStringLiteral("Options"));
    setFont(QFont(QStringLiteral("Arial")));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    pageControl = new QTabWidget(this);
    layout->addWidget(pageControl);

    logTabSheet = new QWidget;
    auto* logLayout = new QVBoxLayout(logTabSheet);
    logLayout->addWidget(new QLabel(QStringLiteral("Log file"), logTabSheet));
    auto* logRow = new QHBoxLayout;
    logFilesComboBox = new QComboBox(logTabSheet);
    logFilesComboBox->setObjectName(QStringLiteral("logFilesComboBox"));
    logFilesComboBox->setEditable(true);
    logFilesComboBox->setInsertPolicy(QComboBox::NoInsert);
    logFilesComboBox->setMinimumContentsLength(40);
    logRow->addWidget(logFilesComboBox, 1);
    BrowseButton = new QPushButton(QStringLiteral("Browse"), logTabSheet);
    logRow->addWidget(BrowseButton);
    logLayout->addLayout(logRow);
    confirmLogSavedCheckBox = checkBox(QStringLiteral("Confirm log saved"), logTabSheet);
    logLayout->addWidget(confirmLogSavedCheckBox, 0, Qt::AlignLeft);
    logLayout->addStretch();
    pageControl->addTab(logTabSheet, QStringLiteral("Log"));

    auto* connection = new QWidget;
    auto* connLayout = new QFormLayout(connection);
    HostEdit = new QLineEdit(connection);
    PortEdit = new QLineEdit(connection);
    TimeoutNumericEditor = new QLineEdit(connection);
    TimeoutNumericEditor->setValidator(new QIntValidator(0, 2147483647, TimeoutNumericEditor));
    connLayout->addRow(QStringLiteral("SMTP Host"), HostEdit);
    connLayout->addRow(QStringLiteral("SMTP Port"), PortEdit);
    connLayout->addRow(QStringLiteral("Connection timeout (ms)"), TimeoutNumericEditor);
    pageControl->addTab(connection, QStringLiteral("Connection"));

    auto* appearance = new QWidget;
    auto* appLayout = new QFormLayout(appearance);
    textSizeSpinEditor = new QSpinBox(appearance);
    textSizeSpinEditor->setRange(6, 14);
    textSizeSpinEditor->setSingleStep(1);
    appLayout->addRow(QStringLiteral("Text size"), textSizeSpinEditor);
    AutoGridResizeCheckBox = checkBox(QStringLiteral("Automatic Grid Resizing"), appearance);
    appLayout->addRow(AutoGridResizeCheckBox);
    pageControl->addTab(appearance, QStringLiteral("Appearance"));

    auto* warnings = new QWidget;
    auto* warnLayout = new QVBoxLayout(warnings);
    warnTestModeCheckBox = checkBox(QStringLiteral("Warn if in test mode"), warnings);
    warnSendModeCheckBox = checkBox(QStringLiteral("Warn if in send mode"), warnings);
    warnSubjectBlankCheckBox = checkBox(QStringLiteral("Warn if subject is blank"), warnings);
    confirmAliasCheckBox = checkBox(QStringLiteral("Confirm sender"), warnings);
    confirmLogFileCheckBox = checkBox(QStringLiteral("Confirm log file"), warnings);
    for (QCheckBox* b : {warnTestModeCheckBox, warnSendModeCheckBox, warnSubjectBlankCheckBox, confirmAliasCheckBox,
                         confirmLogFileCheckBox})
        warnLayout->addWidget(b, 0, Qt::AlignLeft);
    warnLayout->addStretch();
    pageControl->addTab(warnings, QStringLiteral("Warnings"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    OKButton->setAutoDefault(false);
    CancelButton->setAutoDefault(false);
    buttons->addWidget(OKButton);
    buttons->addWidget(CancelButton);
    layout->addLayout(buttons);

    connect(OKButton, &QPushButton::clicked, this, &ToptionsForm::OKButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &ToptionsForm::CancelButtonClick);
    connect(BrowseButton, &QPushButton::clicked, this, &ToptionsForm::BrowseButtonClick);
    connect(logFilesComboBox, &QComboBox::editTextChanged, this, &ToptionsForm::HostEditChange);
    for (QLineEdit* e : {HostEdit, PortEdit, TimeoutNumericEditor})
        connect(e, &QLineEdit::textChanged, this, &ToptionsForm::HostEditChange);
    connect(textSizeSpinEditor, &QSpinBox::valueChanged, this, &ToptionsForm::HostEditChange);
    for (QCheckBox* b : {confirmLogSavedCheckBox, AutoGridResizeCheckBox, warnTestModeCheckBox, warnSendModeCheckBox,
                         warnSubjectBlankCheckBox, confirmAliasCheckBox, confirmLogFileCheckBox})
        connect(b, &QCheckBox::clicked, this, &ToptionsForm::HostEditChange);

    pageControl->setCurrentWidget(logTabSheet);
    adjustSize();
    setFixedSize(sizeHint());
}

void ToptionsForm::showLogTab() { pageControl->setCurrentWidget(logTabSheet); }

void ToptionsForm::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void ToptionsForm::FormShow() {
    m_loading = true;
    m_changed = false;
    const auto& s = m_mainForm.settings();
    const auto& job = m_mainForm.job();
    for (QWidget* w : std::initializer_list<QWidget*>{HostEdit, PortEdit, logFilesComboBox, TimeoutNumericEditor}) {
        QFont f = w->font();
        f.setPointSize(s.textSize);
        w->setFont(f);
    }
    HostEdit->setText(toQ(job.hostName));
    PortEdit->setText(QString::number(job.hostPort));
    TimeoutNumericEditor->setText(QString::number(job.connectionTimeout));
    warnTestModeCheckBox->setChecked(s.warnTestMode);
    warnSendModeCheckBox->setChecked(s.warnSendMode);
    warnSubjectBlankCheckBox->setChecked(s.warnSubjectBlank);
    AutoGridResizeCheckBox->setChecked(s.autoGridResize);
    confirmAliasCheckBox->setChecked(s.confirmAlias);
    confirmLogFileCheckBox->setChecked(s.confirmLogFile);
    textSizeSpinEditor->setValue(s.textSize);
    confirmLogSavedCheckBox->setChecked(s.confirmSaved);
    logFilesComboBox->clear();
    for (const auto& f : s.savedLogFiles) logFilesComboBox->addItem(toQ(f));
    logFilesComboBox->setEditText(s.savedLogFiles.empty() ? QString() : toQ(s.savedLogFiles.front()));
    confirmAliasCheckBox->setText(QStringLiteral("Confirm sender"));
    m_loading = false;
}

void ToptionsForm::HostEditChange() {
    if (!m_loading) m_changed = true;
}

void ToptionsForm::OKButtonClick() {
    m_ok = true;
    close();
}

void ToptionsForm::CancelButtonClick() {
    m_cancel = true;
    close();
}

void ToptionsForm::reject() { close(); }

void ToptionsForm::closeEvent(QCloseEvent* event) {
    if (!FormCloseQuery()) {
        // A refused close leaves no mark behind: a later close by the title bar must ask again.
        m_ok = m_cancel = false;
        event->ignore();
        return;
    }
    FormClose();
    event->accept();
    QDialog::done(QDialog::Accepted);
}

bool ToptionsForm::FormCloseQuery() {
    Prompter& prompter = m_mainForm.prompter();
    bool allow = true;
    int port = 0;
    if (!parseInt32(fromQ(PortEdit->text()), port)) {
        prompter.error("", "Entry for SMTP port is not an integer");
        allow = false;
    }
    std::string logFile = fromQ(logFilesComboBox->currentText());
    if (text::CodePage::windows1252().toLower(text::fileExt(logFile)) != ".log") {
        logFile = text::changeFileExt(logFile, ".log");
        {
            const QSignalBlocker block(logFilesComboBox);
            logFilesComboBox->setEditText(toQ(logFile));
        }
        prompter.information("", "The log file extension has beeen changed to .log");
    }
    if (text::changeFileExt(text::fileName(logFile), "").empty()) {
        prompter.error("", "Invalid file name");
        showLogTab();
        allow = false;
    }
    if (!text::directoryExists(text::fileDir(logFile))) {
        prompter.error("", "Invalid log directory");
        showLogTab();
        allow = false;
    }
    return allow;
}

void ToptionsForm::FormClose() {
    bool ok = m_ok;
    if (!m_ok && !m_cancel && m_changed)
        ok = m_mainForm.prompter().ask("", MessageIcon::Question, "Save changes");
    if (ok) apply();
    m_ok = m_cancel = false;
}

void ToptionsForm::apply() {
    auto& s = m_mainForm.settings();
    auto& job = m_mainForm.job();
    s.confirmSaved = confirmLogSavedCheckBox->isChecked();
    // The field takes whole numbers only, but it may be left empty: then the old value stays.
    int timeout = 0;
    if (parseInt32(fromQ(TimeoutNumericEditor->text()), timeout)) job.connectionTimeout = timeout;
    s.warnTestMode = warnTestModeCheckBox->isChecked();
    s.warnSendMode = warnSendModeCheckBox->isChecked();
    s.warnSubjectBlank = warnSubjectBlankCheckBox->isChecked();
    m_mainForm.setAutoGridResize(AutoGridResizeCheckBox->isChecked());
    m_mainForm.setTextSize(textSizeSpinEditor->value());
    s.confirmAlias = confirmAliasCheckBox->isChecked();
    s.confirmLogFile = confirmLogFileCheckBox->isChecked();
    job.hostName = fromQ(HostEdit->text());
    int port = job.hostPort;
    if (parseInt32(fromQ(PortEdit->text()), port)) job.hostPort = port;

    std::vector<std::string> files;
    for (int i = 0; i < logFilesComboBox->count(); ++i) files.push_back(fromQ(logFilesComboBox->itemText(i)));
    const std::string chosen = fromQ(logFilesComboBox->currentText());
    const auto found = std::find(files.begin(), files.end(), chosen);
    if (found == files.end()) {
        if (static_cast<int>(files.size()) >= maxLogFiles) files.pop_back();
    } else {
        files.erase(found);
    }
    files.insert(files.begin(), chosen);
    s.currentLogFile = files.front();
    s.savedLogFiles = files;
}

void ToptionsForm::BrowseButtonClick() {
    auto& s = m_mainForm.settings();
    std::string start;
    if (text::fileExists(s.currentLogFile))
        start = s.currentLogFile;
    else if (text::fileExists(s.lastLogFile))
        start = s.lastLogFile;
    const auto choice =
        m_mainForm.fileChooser().saveFile("Log file", start, {"quillory log (*.log)"}, 0, /*confirmOverwrite=*/false);
    if (!choice) return;
    std::string path = choice->path;
    if (path.empty()) {
        m_mainForm.prompter().error("", "Must enter a log file");
        return;
    }
    if (text::fileExt(path).empty()) path += ".log";
    if (!text::fileExists(path)) {
        try {
            m_mainForm.windows().logForm->writer().createLogFile(path);
        } catch (const Error& e) {
            m_mainForm.prompter().error("Error", e.what());
            return;
        }
    }
    logFilesComboBox->setEditText(toQ(path));
    s.currentLogFile = path;
}

} // namespace quillory::ui
