#include "ui/main_form.h"

#include "app/settings_file.h"
#include "merge/mailing_grid.h"
#include "merge/user_message.h"
#include "text/error.h"
#include "text/file_io.h"
#include "ui/about_form.h"
#include "ui/artwork.h"
#include "ui/configure_le_form.h"
#include "ui/log_form.h"
#include "ui/mailing_grid_model.h"
#include "ui/options_form.h"
#include "ui/send_pump.h"
#include "ui/qtext.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QUrl>
#include <QWidgetAction>
#include <QComboBox>
#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QScrollBar>
#include <QSpinBox>
#include <QSplitter>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QTableWidget>
#include <QTextBlock>
#include <QTextLayout>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace quillory::ui {

namespace {

QAction* command(QObject* owner, const char* name, const QString& caption, const QString& hint, bool enabled,
                 bool checkable = false, bool checked = false) {
    auto* a = new QAction(caption, owner);
    a->setObjectName(QString::fromLatin1(name));
    a->setToolTip(hint);
    a->setStatusTip(hint);
    a->setEnabled(enabled);
    a->setCheckable(checkable);
    if (checkable) a->setChecked(checked);
    return a;
}

} // namespace

TmainForm::TmainForm(const AppContext& context, QWidget* parent) : QMainWindow(parent), m_context(context) {
    setObjectName(QStringLiteral("mainForm"));
    setWindowTitle(QStringLiteral("Quillory"));
    createControls();
    createCommands();

    // The Job and the Settings start with their defaults (nothing selected, no address
    // column, empty lists) until the settings file has been read.
    m_exeDir = m_context.exeDir;
    if (!m_exeDir.empty() && m_exeDir.back() != '/' && m_exeDir.back() != '\\') m_exeDir.push_back('/');
    loadSettings();

    QPalette pal = ProfGrid->palette();
    pal.setColor(QPalette::Highlight, QColor(0, 0, 255));
    pal.setColor(QPalette::HighlightedText, Qt::white);
    ProfGrid->setPalette(pal);

    attachmentProfGrid->setHorizontalHeaderLabels({QStringLiteral(" file name "), QStringLiteral(" directory ")});
    showSender();

    // The clipboard's change signal stands in for the system's clipboard viewer chain.
    connect(QApplication::clipboard(), &QClipboard::dataChanged, this, &TmainForm::clipboardChanged);
    clipboardChanged();

    // Scrolling the template pane by any means (scroll bar, wheel, keys, caret) moves its
    // scroll bar, which is the one event the generated pane needs to follow.
    connect(templateMemo->verticalScrollBar(), &QScrollBar::valueChanged, this, &TmainForm::syncPreviewScroll);

    layoutMessagePanes();
    m_initialDir = m_context.documentsDir.empty() ? m_exeDir : m_context.documentsDir;
    refreshCommandStates();
}

TmainForm::~TmainForm() {
    // The pumps refer to this window: they go first.
    joinPumps();
    setBusyCursor(false);
    // The child widgets outlive the Job (a member) by a moment; the grid model reads the Job.
    ProfGrid->setModel(nullptr);
    delete gridModel;
    gridModel = nullptr;
}

void TmainForm::createControls() {
    resize(943, 716);

    auto* central = new QWidget(this);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(2, 2, 2, 2);
    splitter = new QSplitter(Qt::Vertical, central);
    splitter->setObjectName(QStringLiteral("splitter"));
    centralLayout->addWidget(splitter);
    setCentralWidget(central);

    auto* topPanel = new QWidget(splitter);
    auto* topLayout = new QVBoxLayout(topPanel);
    topLayout->setContentsMargins(0, 0, 0, 0);
    topLayout->setSpacing(0);
    progressBar = new QProgressBar(topPanel);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setVisible(false);
    topLayout->addWidget(progressBar);

    ProfGrid = new QTableView(topPanel);
    ProfGrid->setObjectName(QStringLiteral("ProfGrid"));
    gridModel = new MailingGridModel(m_job.mailingGrid, ProfGrid);
    ProfGrid->setModel(gridModel);
    ProfGrid->setItemDelegate(new RowMarkDelegate(ProfGrid));
    ProfGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ProfGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    ProfGrid->setSelectionBehavior(QAbstractItemView::SelectItems);
    ProfGrid->setWordWrap(false);
    ProfGrid->verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    ProfGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    // Heading cells act as the "insert token" buttons; they never select a whole column.
    ProfGrid->horizontalHeader()->setSectionsClickable(true);
    ProfGrid->horizontalHeader()->setHighlightSections(false);
    disconnect(ProfGrid->horizontalHeader(), &QHeaderView::sectionPressed, ProfGrid, &QTableView::selectColumn);
    connect(ProfGrid->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int section) { ProfGridButtonClicked(MailingGridModel::gridColumn(section), 0); });
    // A row number is a cell of its row: clicking it selects the row like any other cell.
    disconnect(ProfGrid->verticalHeader(), &QHeaderView::sectionPressed, ProfGrid, &QTableView::selectRow);
    connect(ProfGrid->verticalHeader(), &QHeaderView::sectionClicked, this, [this](int section) {
        setCurrentRow(MailingGridModel::gridRow(section));
        profgridClick();
    });
    connect(ProfGrid, &QTableView::clicked, this, [this](const QModelIndex&) { profgridClick(); });
    ProfGrid->installEventFilter(this);
    topLayout->addWidget(ProfGrid);

    BufferProfGrid = new QTableView(this);
    BufferProfGrid->setObjectName(QStringLiteral("BufferProfGrid"));
    BufferProfGrid->setVisible(false);

    mainPageControl = new QTabWidget(splitter);
    mainPageControl->setObjectName(QStringLiteral("mainPageControl"));

    // Email tab.
    emailTabSheet = new QWidget;
    emailTabSheet->setObjectName(QStringLiteral("emailTabSheet"));
    auto* emailLayout = new QVBoxLayout(emailTabSheet);
    generalGroupBox = new QGroupBox(QStringLiteral("general"), emailTabSheet);
    auto* general = new QGridLayout(generalGroupBox);
    subjectEdit = new QLineEdit(generalGroupBox);
    subjectEdit->setObjectName(QStringLiteral("subjectEdit"));
    addressColComboBox = new QComboBox(generalGroupBox);
    addressColComboBox->setObjectName(QStringLiteral("addressColComboBox"));
    addressColComboBox->setMinimumContentsLength(20);
    fromNameLabel = new QLabel(generalGroupBox);
    fromNameLabel->setObjectName(QStringLiteral("fromNameLabel"));
    fromAddressLabel = new QLabel(generalGroupBox);
    fromAddressLabel->setObjectName(QStringLiteral("fromAddressLabel"));
    showSenderSpeedButton1 = new QToolButton(generalGroupBox);
    showSenderSpeedButton1->setText(QStringLiteral("..."));
    showSenderSpeedButton1->setToolTip(QStringLiteral("Set sender..."));
    showSenderSpeedButton2 = new QToolButton(generalGroupBox);
    showSenderSpeedButton2->setText(QStringLiteral("..."));
    showSenderSpeedButton2->setToolTip(QStringLiteral("Set sender..."));
    for (QToolButton* b : {showSenderSpeedButton1, showSenderSpeedButton2})
        connect(b, &QToolButton::clicked, this, &TmainForm::showSenderSpeedButton1Click);
    general->addWidget(new QLabel(QStringLiteral("subject"), generalGroupBox), 0, 0);
    general->addWidget(subjectEdit, 0, 1, 1, 2);
    general->addWidget(new QLabel(QStringLiteral("address column"), generalGroupBox), 1, 0);
    general->addWidget(addressColComboBox, 1, 1, Qt::AlignLeft);
    general->addWidget(new QLabel(QStringLiteral("from name"), generalGroupBox), 2, 0);
    general->addWidget(fromNameLabel, 2, 1);
    general->addWidget(showSenderSpeedButton1, 2, 2);
    general->addWidget(new QLabel(QStringLiteral("from address"), generalGroupBox), 3, 0);
    general->addWidget(fromAddressLabel, 3, 1);
    general->addWidget(showSenderSpeedButton2, 3, 2);
    general->setColumnStretch(1, 1);
    emailLayout->addWidget(generalGroupBox);
    attachmentsGroupBox = new QGroupBox(QStringLiteral("Attachments"), emailTabSheet);
    auto* attachLayout = new QVBoxLayout(attachmentsGroupBox);
    attachmentProfGrid = new QTableWidget(0, 2, attachmentsGroupBox);
    attachmentProfGrid->setObjectName(QStringLiteral("attachmentProfGrid"));
    attachmentProfGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    attachmentProfGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    attachmentProfGrid->horizontalHeader()->setStretchLastSection(true);
    attachmentProfGrid->setColumnWidth(0, 220);
    attachLayout->addWidget(attachmentProfGrid);
    emailLayout->addWidget(attachmentsGroupBox, 1);
    mainPageControl->addTab(emailTabSheet, QStringLiteral("Email"));

    // Message tab: the two panes sit side by side and share the width by a fixed rule.
    messageTabSheet = new QWidget;
    messageTabSheet->setObjectName(QStringLiteral("messageTabSheet"));
    templateGroupBox = new QGroupBox(QStringLiteral("Message template"), messageTabSheet);
    templateGroupBox->setObjectName(QStringLiteral("templateGroupBox"));
    auto* templateLayout = new QVBoxLayout(templateGroupBox);
    templateMemo = new QPlainTextEdit(templateGroupBox);
    templateMemo->setObjectName(QStringLiteral("templateMemo"));
    templateMemo->setTabChangesFocus(false);
    templateMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    templateMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    templateLayout->addWidget(templateMemo);
    autoGroupBox = new QGroupBox(QStringLiteral("Generated message"), messageTabSheet);
    autoGroupBox->setObjectName(QStringLiteral("autoGroupBox"));
    auto* autoLayout = new QVBoxLayout(autoGroupBox);
    AutoMemo = new QPlainTextEdit(autoGroupBox);
    AutoMemo->setObjectName(QStringLiteral("AutoMemo"));
    AutoMemo->setReadOnly(true);
    AutoMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    AutoMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    AutoMemo->setWordWrapMode(QTextOption::WordWrap);
    autoLayout->addWidget(AutoMemo);
    mainPageControl->addTab(messageTabSheet, QStringLiteral("Message"));
    mainPageControl->setCurrentWidget(emailTabSheet);
    messageTabSheet->installEventFilter(this);

    splitter->addWidget(topPanel);
    splitter->addWidget(mainPageControl);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 1);

    autoUpdateThreadedTimer = new QTimer(this);
    autoUpdateThreadedTimer->setObjectName(QStringLiteral("autoUpdateThreadedTimer"));
    autoUpdateThreadedTimer->setInterval(500);
    autoUpdateThreadedTimer->setTimerType(Qt::PreciseTimer);
    autoUpdateThreadedTimer->setSingleShot(true);
    connect(autoUpdateThreadedTimer, &QTimer::timeout, this, &TmainForm::autoUpdateThreadedTimerTimer);
    connect(templateMemo, &QPlainTextEdit::textChanged, this, &TmainForm::templateMemoChange);
    templateMemo->installEventFilter(this);

    connect(subjectEdit, &QLineEdit::textChanged, this, &TmainForm::subjectEditChange);
    connect(addressColComboBox, &QComboBox::activated, this, [this](int) { addressColComboBoxChange(); });
}

void TmainForm::createCommands() {
    openFileButton = command(this, "openFileButton", QStringLiteral("Open File"), QStringLiteral("Open File"), true);
    openGridButton = command(this, "openGridButton", QStringLiteral("&Open Grid"), QStringLiteral("Open grid"), true);
    openTemplateButton =
        command(this, "openTemplateButton", QStringLiteral("O&pen Template"), QStringLiteral("Open Template"), true);
    saveFileButton = command(this, "saveFileButton", QStringLiteral("Save File"), QStringLiteral("Save File"), false);
    exitButton = command(this, "exitButton", QStringLiteral("&Exit"), QStringLiteral("Exit"), true);
    SendDXBarButton = command(this, "SendDXBarButton", QStringLiteral("&Send"), QStringLiteral("Send email"), false);
    attachButton = command(this, "attachButton", QStringLiteral("&Attach"), QStringLiteral("Add attachments"), true);
    removeAttachmentButton = command(this, "removeAttachmentButton", QStringLiteral("&Remove attachment"),
                                     QStringLiteral("Remove attachments"), false);
    senderButton = command(this, "senderButton", QStringLiteral("S&ender"), QStringLiteral("Set sender..."), true);
    autoGridResizeButton = command(this, "autoGridResizeButton", QStringLiteral("Auto Grid Resize"),
                                   QStringLiteral("Auto Grid Resize"), true, true, true);
    configureButton = command(this, "configureButton", QStringLiteral("Configure..."), QStringLiteral("Configure"), true);
    viewLogButton = command(this, "viewLogButton", QStringLiteral("&View Log"), QStringLiteral("View Log"), false);
    showToolbarButton = command(this, "showToolbarButton", QStringLiteral("Show Toolbar"),
                                QStringLiteral("Show Toolbar"), true, true, true);
    helpButton = command(this, "helpButton", QStringLiteral("&Help"), QStringLiteral("Help"), true);
    aboutButton = command(this, "aboutButton", QStringLiteral("&About"), QStringLiteral("About"), true);
    copyGridButton = command(this, "copyGridButton", QStringLiteral("&Copy Grid"), QStringLiteral("Copy Grid"), false);
    pasteGridButton =
        command(this, "pasteGridButton", QStringLiteral("&Paste to Grid"), QStringLiteral("Paste to Grid"), false);
    copyTemplateButton =
        command(this, "copyTemplateButton", QStringLiteral("C&opy Template"), QStringLiteral("Copy Template"), false);
    pasteTemplateButton = command(this, "pasteTemplateButton", QStringLiteral("P&aste to Template"),
                                  QStringLiteral("Paste to Template"), false);
    testdxBarButton = command(this, "testdxBarButton", QStringLiteral("Test"), QStringLiteral("Test"), false, true, true);
    runEmaildxBarButton = command(this, "runEmaildxBarButton", QStringLiteral("Run"), QStringLiteral("Run"), false);
    PauseEmaildxBarButton =
        command(this, "PauseEmaildxBarButton", QStringLiteral("Pause"), QStringLiteral("Pause"), false);
    stopEmaildxBarButton = command(this, "stopEmaildxBarButton", QStringLiteral("Stop"), QStringLiteral("Stop"), false);

    fileMenu = menuBar()->addMenu(QStringLiteral("&File"));
    createFileMenu();

    emailMenu = menuBar()->addMenu(QStringLiteral("E&mail"));
    emailMenu->addAction(SendDXBarButton);
    emailMenu->addSeparator();
    emailMenu->addAction(attachButton);
    emailMenu->addAction(removeAttachmentButton);
    emailMenu->addSeparator();
    emailMenu->addAction(senderButton);
    emailMenu->setEnabled(false);

    optionsMenu = menuBar()->addMenu(QStringLiteral("&Options"));
    optionsMenu->addAction(autoGridResizeButton);
    optionsMenu->addAction(configureButton);

    logMenu = menuBar()->addMenu(QStringLiteral("&Log"));
    logMenu->addAction(viewLogButton);

    windowsMenu = menuBar()->addMenu(QStringLiteral("&Windows"));
    windowsMenu->addAction(showToolbarButton);
    windowsMenu->addAction(helpButton);
    windowsMenu->addAction(aboutButton);

    generalToolBar = addToolBar(QStringLiteral("Toolbar"));
    generalToolBar->setObjectName(QStringLiteral("generalToolBar"));
    // Icons keep the whole toolbar on one row at the window's restored width; the hints name
    // each command.
    generalToolBar->setToolButtonStyle(Qt::ToolButtonIconOnly);
    generalToolBar->setIconSize(QSize(24, 24));
    const std::pair<QAction*, const char*> icons[] = {
        {openFileButton, "openFile"},       {openGridButton, "openGrid"},
        {openTemplateButton, "openTemplate"}, {saveFileButton, "saveFile"},
        {copyGridButton, "copyGrid"},       {pasteGridButton, "pasteGrid"},
        {copyTemplateButton, "copyTemplate"}, {pasteTemplateButton, "pasteTemplate"},
        {testdxBarButton, "test"},          {attachButton, "attach"},
        {removeAttachmentButton, "removeAttachment"}, {SendDXBarButton, "send"},
        {autoGridResizeButton, "autoGridResize"}, {viewLogButton, "viewLog"},
        {runEmaildxBarButton, "run"},       {PauseEmaildxBarButton, "pause"},
        {stopEmaildxBarButton, "stop"}};
    for (const auto& [action, icon] : icons) action->setIcon(commandIcon(QString::fromLatin1(icon)));
    for (QAction* a : {openFileButton, openGridButton, openTemplateButton, saveFileButton})
        generalToolBar->addAction(a);
    generalToolBar->addSeparator();
    for (QAction* a : {copyGridButton, pasteGridButton, copyTemplateButton, pasteTemplateButton})
        generalToolBar->addAction(a);
    generalToolBar->addSeparator();
    for (QAction* a : {testdxBarButton, attachButton, removeAttachmentButton, SendDXBarButton})
        generalToolBar->addAction(a);
    generalToolBar->addSeparator();
    generalToolBar->addAction(autoGridResizeButton);
    generalToolBar->addAction(viewLogButton);
    fontSizedxBarSpinEdit = new QSpinBox(generalToolBar);
    fontSizedxBarSpinEdit->setObjectName(QStringLiteral("fontSizedxBarSpinEdit"));
    fontSizedxBarSpinEdit->setRange(8, 14);
    fontSizedxBarSpinEdit->setToolTip(QStringLiteral("Font size"));
    fontSizedxBarSpinEdit->setValue(m_settings.textSize);
    generalToolBar->addWidget(fontSizedxBarSpinEdit);
    // The Options menu shows the same number box.
    auto* fontSizeMenuAction = new QWidgetAction(this);
    auto* fontSizeRow = new QWidget;
    auto* fontSizeLayout = new QHBoxLayout(fontSizeRow);
    fontSizeLayout->setContentsMargins(24, 2, 8, 2);
    fontSizeLayout->addWidget(new QLabel(QStringLiteral("Font size"), fontSizeRow));
    fontSizeMenuSpinEdit = new QSpinBox(fontSizeRow);
    fontSizeMenuSpinEdit->setRange(8, 14);
    fontSizeMenuSpinEdit->setToolTip(QStringLiteral("Font size"));
    fontSizeMenuSpinEdit->setValue(m_settings.textSize);
    fontSizeLayout->addWidget(fontSizeMenuSpinEdit);
    fontSizeMenuAction->setDefaultWidget(fontSizeRow);
    optionsMenu->insertAction(autoGridResizeButton, fontSizeMenuAction);
    for (QSpinBox* box : {fontSizedxBarSpinEdit, fontSizeMenuSpinEdit}) {
        connect(box, &QSpinBox::valueChanged, this, [this](int v) {
            if (v != m_settings.textSize) setTextSize(v);
        });
    }

    emailControlToolBar = addToolBar(QStringLiteral("Email Control"));
    emailControlToolBar->setObjectName(QStringLiteral("emailControlToolBar"));
    emailControlToolBar->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    emailControlToolBar->setIconSize(QSize(20, 20));
    emailControlToolBar->addAction(runEmaildxBarButton);
    emailControlToolBar->addAction(PauseEmaildxBarButton);
    emailControlToolBar->addAction(stopEmaildxBarButton);
    emailControlToolBar->setVisible(false);

    connect(exitButton, &QAction::triggered, this, &QWidget::close);
    connect(openFileButton, &QAction::triggered, this, &TmainForm::openFileClick);
    connect(openGridButton, &QAction::triggered, this, &TmainForm::openGridClick);
    connect(openTemplateButton, &QAction::triggered, this, &TmainForm::openTemplateClick);
    connect(saveFileButton, &QAction::triggered, this, &TmainForm::saveFileClick);
    connect(copyGridButton, &QAction::triggered, this, &TmainForm::copyGridClick);
    connect(pasteGridButton, &QAction::triggered, this, &TmainForm::pasteGridClick);
    connect(copyTemplateButton, &QAction::triggered, this, &TmainForm::copyTemplateClick);
    connect(pasteTemplateButton, &QAction::triggered, this, &TmainForm::pasteTemplateClick);
    connect(attachButton, &QAction::triggered, this, &TmainForm::attachClick);
    connect(SendDXBarButton, &QAction::triggered, this, &TmainForm::SendDXBarButtonClick);
    connect(runEmaildxBarButton, &QAction::triggered, this, &TmainForm::runEmaildxBarButtonClick);
    connect(PauseEmaildxBarButton, &QAction::triggered, this, &TmainForm::PauseEmaildxBarButtonClick);
    connect(stopEmaildxBarButton, &QAction::triggered, this, &TmainForm::stopEmaildxBarButtonClick);
    connect(removeAttachmentButton, &QAction::triggered, this, &TmainForm::removeAttachmentClick);

    m_attachmentMenu = new QMenu(this);
    m_attachmentMenu->addAction(QStringLiteral("add"), this, &TmainForm::attachClick);
    m_attachmentMenu->addSeparator();
    m_attachmentMenu->addAction(QStringLiteral("remove"), this, &TmainForm::removeAttachmentClick);
    m_attachmentMenu->addAction(QStringLiteral("remove all"), this, &TmainForm::removeAllAttachments);
    attachmentProfGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(attachmentProfGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { m_attachmentMenu->popup(attachmentProfGrid->viewport()->mapToGlobal(pos)); });
    m_attachmentViewport = attachmentProfGrid->viewport();
    m_attachmentViewport->installEventFilter(this);
    attachmentProfGrid->installEventFilter(this);
    connect(showToolbarButton, &QAction::triggered, this, &TmainForm::showToolbarClick);
    connect(windowsMenu, &QMenu::aboutToShow, this,
            [this] { showToolbarButton->setChecked(generalToolBar->isVisible()); });
    connect(autoGridResizeButton, &QAction::triggered, this, &TmainForm::autoGridResizeClick);
    connect(helpButton, &QAction::triggered, this, &TmainForm::helpClick);
    connect(aboutButton, &QAction::triggered, this, &TmainForm::aboutClick);
    connect(configureButton, &QAction::triggered, this, &TmainForm::configureClick);
    connect(senderButton, &QAction::triggered, this, &TmainForm::dxBarButton2Click);
    connect(testdxBarButton, &QAction::toggled, this, [this](bool on) { m_job.testMode = on; });
}

// ---- settings -------------------------------------------------------------------------------

void TmainForm::loadSettings() {
    if (!m_context.settingsPath.empty())
        app::loadSettings(m_context.settingsPath, m_settings, m_job, m_context.logDir,
                          [](const std::string& p) { return text::fileExists(p); });
    testdxBarButton->setChecked(m_job.testMode);
    setTextSize(m_settings.textSize);
    setAutoGridResize(m_settings.autoGridResize);
    rebuildRecentMenus();
}

void TmainForm::saveSettings() {
    if (m_context.settingsPath.empty()) return;
    try {
        app::saveSettings(m_context.settingsPath, m_settings, m_job);
    } catch (const Error& e) {
        prompter().error("Error", std::string("cannot write the settings file") + merge::pathBreak + e.what());
    }
}

void TmainForm::closeEvent(QCloseEvent* event) {
    if (m_inStep > 0) {
        // Asked from inside a step (a message box it showed): the step's pump waits for it, so
        // the window closes as soon as the step is over.
        event->ignore();
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    autoUpdateThreadedTimer->stop();
    // A mailing still running or paused ends here; the rows it handled are logged.
    joinPumps();
    completeMailing();
    // Records the log could not take get their last chance before anything else is saved.
    if (m_windows.logForm) m_windows.logForm->writer().saveKeptRecordsAtExit();
    saveSettings();
    event->accept();
}

// ---- layout ---------------------------------------------------------------------------------

void TmainForm::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    layoutMessagePanes();
}

void TmainForm::layoutMessagePanes() {
    // Each pane gets half the width with a 6-pixel gap between them.
    const int w = messageTabSheet->width();
    const int h = messageTabSheet->height();
    templateGroupBox->setGeometry(0, 0, w / 2 - 3, h);
    autoGroupBox->setGeometry(w / 2 + 3, 0, w / 2 - 3, h);
}

bool TmainForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == messageTabSheet && event->type() == QEvent::Resize) layoutMessagePanes();
    if (watched == templateMemo && event->type() == QEvent::KeyPress) autoUpdateThreadedTimer->stop();
    if (watched == m_attachmentViewport && event->type() == QEvent::MouseButtonPress) {
        // A left click on a row arms it for removal; the list then selects whole rows.
        if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            m_removeArmed = true;
            attachmentProfGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
        }
        removeAttachmentButton->setEnabled(m_removeArmed);
    }
    if (watched == attachmentProfGrid && event->type() == QEvent::Enter && m_removeArmed)
        removeAttachmentButton->setEnabled(true);
    if (watched == attachmentProfGrid && event->type() == QEvent::Leave) removeAttachmentButton->setEnabled(false);
    if (watched == ProfGrid && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto mods = key->modifiers() & (Qt::ControlModifier | Qt::ShiftModifier | Qt::AltModifier);
        const bool ctrl = mods == Qt::ControlModifier;
        const bool shift = mods == Qt::ShiftModifier;
        if ((ctrl && key->key() == Qt::Key_C) || (ctrl && key->key() == Qt::Key_Insert)) {
            gridCopy(false);
            return true;
        }
        if ((ctrl && key->key() == Qt::Key_X) || (shift && key->key() == Qt::Key_Delete)) {
            gridCopy(true);
            return true;
        }
        if ((ctrl && key->key() == Qt::Key_V) || (shift && key->key() == Qt::Key_Insert)) {
            gridPaste();
            return true;
        }
        if (key->key() == Qt::Key_Delete) return true; // plain Delete changes nothing
    }
    return QMainWindow::eventFilter(watched, event);
}

void TmainForm::gridCopy(bool cut) {
    const QModelIndex current = ProfGrid->currentIndex();
    if (!current.isValid()) return;
    const int col = MailingGridModel::gridColumn(current.column());
    const int row = MailingGridModel::gridRow(current.row());
    QApplication::clipboard()->setText(toQ(m_job.mailingGrid.cell(col, row)));
    if (cut) {
        m_job.mailingGrid.setCell(col, row, std::string());
        gridModel->cellsChanged();
    }
}

void TmainForm::gridPaste() {
    const QModelIndex current = ProfGrid->currentIndex();
    if (!current.isValid()) return;
    // Clipboard cells: tab between cells, a line break between rows; they go in from the
    // selected cell rightwards and downwards, as far as the grid reaches. No normalisation.
    QString text = QApplication::clipboard()->text();
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (text.endsWith(QLatin1Char('\n'))) text.chop(1);
    const QStringList lines = text.split(QLatin1Char('\n'));
    const int col0 = MailingGridModel::gridColumn(current.column());
    const int row0 = MailingGridModel::gridRow(current.row());
    auto& grid = m_job.mailingGrid;
    for (int i = 0; i < lines.size() && row0 + i < grid.rowCount(); ++i) {
        const QStringList cells = lines[i].split(QLatin1Char('\t'));
        for (int j = 0; j < cells.size() && col0 + j < grid.columnCount(); ++j)
            grid.setCell(col0 + j, row0 + i, fromQ(cells[j]));
    }
    gridModel->cellsChanged();
}

void TmainForm::showToolbarClick() {
    if (!generalToolBar->isVisible()) {
        generalToolBar->setVisible(true);
        emailControlToolBar->setVisible(true);
    } else {
        emailControlToolBar->setVisible(false);
    }
    showToolbarButton->setChecked(generalToolBar->isVisible());
}

void TmainForm::autoGridResizeClick() { setAutoGridResize(autoGridResizeButton->isChecked()); }

void TmainForm::setAutoGridResize(bool on) {
    m_settings.autoGridResize = on;
    autoGridResizeButton->setChecked(on);
    if (on) {
        ProfGrid->resizeColumnsToContents();
        fitGridRowHeights();
    }
}

void TmainForm::fitGridRowHeights() {
    // Cells show one line each, so every row fits the height the first row needs: one
    // setting instead of measuring each of maybe 100,000 rows.
    int height = QFontMetrics(ProfGrid->font()).height() + 4;
    if (gridModel->rowCount() > 0) {
        height = 0;
        for (int c = 0; c < std::min(gridModel->columnCount(), 64); ++c)
            height = std::max(height, ProfGrid->sizeHintForIndex(gridModel->index(0, c)).height());
        if (ProfGrid->showGrid()) ++height;
    }
    ProfGrid->verticalHeader()->setMinimumSectionSize(1);
    ProfGrid->verticalHeader()->setDefaultSectionSize(height);
}

void TmainForm::helpClick() {
    // A missing file is the desktop's to report.
    QDesktopServices::openUrl(QUrl::fromLocalFile(toQ(m_exeDir + "quillory.chm")));
}

void TmainForm::aboutClick() {
    if (m_windows.aboutForm) m_windows.aboutForm->exec();
}

QPoint TmainForm::dialogPlace() const { return ProfGrid->mapToGlobal(QPoint(0, 0)) + QPoint(20, 20); }

void TmainForm::showSender() {
    fromNameLabel->setText(toQ(m_job.fromName));
    fromAddressLabel->setText(toQ(m_job.fromAddress));
}

void TmainForm::showSenderSpeedButton1Click() {
    if (!m_windows.configureLEForm) return;
    auto* button = qobject_cast<QWidget*>(sender());
    if (!button) button = showSenderSpeedButton1;
    m_windows.configureLEForm->placeAboveButton(button->mapToGlobal(QPoint(0, 0)));
    m_windows.configureLEForm->exec();
}

void TmainForm::dxBarButton2Click() {
    if (!m_windows.configureLEForm) return;
    m_windows.configureLEForm->placeBesideGrid();
    m_windows.configureLEForm->exec();
}

void TmainForm::configureClick() {
    if (!m_windows.optionsForm) return;
    m_windows.optionsForm->move(dialogPlace());
    m_windows.optionsForm->exec();
}

void TmainForm::setTextSize(int size) {
    m_settings.textSize = size;
    for (QSpinBox* box : {fontSizedxBarSpinEdit, fontSizeMenuSpinEdit}) {
        if (!box) continue;
        const QSignalBlocker block(box);
        box->setValue(size);
    }
    for (QWidget* w : std::initializer_list<QWidget*>{templateMemo, AutoMemo, attachmentProfGrid, ProfGrid}) {
        QFont f = w->font();
        f.setPointSize(size);
        w->setFont(f);
    }
    if (m_settings.autoGridResize) attachmentProfGrid->resizeColumnsToContents();
    attachmentProfGrid->resizeRowsToContents();
    if (m_settings.autoGridResize) ProfGrid->resizeColumnsToContents();
    fitGridRowHeights();
    // Row 0 leaves room for the heading buttons.
    const int h = QFontMetrics(ProfGrid->font()).height();
    ProfGrid->horizontalHeader()->setFixedHeight((3 * h + 9) / 2);
}

// ---- template pane --------------------------------------------------------------------------

std::string TmainForm::templateText() const { return paneText(templateMemo); }

void TmainForm::setTemplateText(const std::string& text) { setPaneText(templateMemo, text); }

std::string TmainForm::generatedText() const { return paneText(AutoMemo); }

void TmainForm::templateMemoChange() {
    if (!autoUpdateThreadedTimer->isActive()) autoUpdateThreadedTimer->start();
    refreshCommandStates();
}

void TmainForm::autoUpdateThreadedTimerTimer() {
    autoUpdateThreadedTimer->stop();
    generateMessage(m_job.selectedRow);
}

void TmainForm::subjectEditChange() { m_job.subject = fromQ(subjectEdit->text()); }

// ---- mailing grid ---------------------------------------------------------------------------

void TmainForm::normaliseGrid() {
    merge::normalise(m_job.bufferGrid, m_job.mailingGrid);
    gridReplaced();
}

void TmainForm::gridReplaced() {
    ProfGrid->setUpdatesEnabled(false);
    gridModel->setMarkedRow(0);
    gridModel->gridReset();
    decorateAndDetect();
}

void TmainForm::decorateAndDetect() {
    ProfGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    gridModel->setAddressColumns({});
    setTextSize(m_settings.textSize); // the heading row's height follows the font

    {
        const QSignalBlocker block(addressColComboBox);
        addressColComboBox->clear();
        for (const auto& h : merge::headings(m_job.mailingGrid)) addressColComboBox->addItem(toQ(h));
        addressColComboBox->setCurrentIndex(-1);
    }
    setSendEnabled(false);

    // A new grid chooses its address column afresh: an old choice may lie outside it.
    m_job.addressCol = -1;
    const auto found = merge::detectAddressColumn(m_job.mailingGrid);
    if (found.columnsWithAt == 1) {
        m_job.addressCol = found.lastColumn;
        gridModel->setAddressColumns({found.lastColumn});
        setSendEnabled(true);
        const QSignalBlocker block(addressColComboBox);
        addressColComboBox->setCurrentIndex(found.lastColumn - m_job.firstDataCol);
    }
    ProfGrid->resizeColumnsToContents();
    refreshCommandStates();
    ProfGrid->setUpdatesEnabled(true);
    if (found.columnsWithAt == 0)
        m_context.prompter->information("", "no email address found in first record");
}

void TmainForm::setSendEnabled(bool enabled) {
    SendDXBarButton->setEnabled(enabled);
    testdxBarButton->setEnabled(enabled);
}

void TmainForm::setAddressColumn(int dataColumn) {
    m_job.addressCol = dataColumn + m_job.firstDataCol;
    gridModel->setAddressColumns({m_job.addressCol});
    const QSignalBlocker block(addressColComboBox);
    addressColComboBox->clear();
    for (const auto& h : merge::headings(m_job.mailingGrid)) addressColComboBox->addItem(toQ(h));
    addressColComboBox->setCurrentIndex(dataColumn);
}

void TmainForm::addressColComboBoxChange() {
    m_job.addressCol = -1;
    const std::string chosen = fromQ(addressColComboBox->currentText());
    std::vector<int> lime;
    for (int c = m_job.firstDataCol; c < m_job.mailingGrid.columnCount(); ++c) {
        if (m_job.mailingGrid.cell(c, 0) == chosen) {
            m_job.addressCol = c;
            lime.push_back(c);
        }
    }
    gridModel->setAddressColumns(std::move(lime));
    setSendEnabled(true);
}

void TmainForm::setCurrentRow(int row, bool scroll) {
    if (!merge::isDataRow(m_job.mailingGrid, row) || gridModel->columnCount() == 0) return;
    QModelIndex current = ProfGrid->currentIndex();
    const int viewCol = current.isValid() ? current.column() : 0;
    const QModelIndex target = gridModel->index(row - 1, viewCol);
    // A new current cell scrolls the view by itself unless auto-scrolling is off for the move.
    ProfGrid->setAutoScroll(scroll);
    ProfGrid->setCurrentIndex(target);
    ProfGrid->setAutoScroll(true);
    if (scroll) ProfGrid->scrollTo(target);
}

void TmainForm::profgridClick() {
    const QModelIndex current = ProfGrid->currentIndex();
    if (!current.isValid()) return;
    selectRow(MailingGridModel::gridRow(current.row()));
}

void TmainForm::selectRow(int row) {
    if (row < m_job.firstDataRow) return;
    m_job.selectedRow = row;
    mark(true);
    generateMessage(row);
}

void TmainForm::mark(bool markSelected) {
    const auto& grid = m_job.mailingGrid;
    // The grid may have been replaced since the row was marked: only rows it still has change.
    if (m_job.markedRow > 0 && merge::isDataRow(grid, m_job.markedRow) && gridModel->markedRow() == m_job.markedRow)
        gridModel->setMarkedRow(0);
    if (markSelected && m_job.selectedRow >= m_job.firstDataRow && merge::isDataRow(grid, m_job.selectedRow)) {
        gridModel->setMarkedRow(m_job.selectedRow);
        m_job.markedRow = m_job.selectedRow;
    }
}

void TmainForm::ProfGridButtonClicked(int col, int row) {
    if (row != 0 || col < m_job.firstDataCol || col >= m_job.mailingGrid.columnCount()) return;
    QTextDocument* doc = templateMemo->document();
    const int s = templateMemo->textCursor().selectionStart();
    const QTextBlock block = doc->findBlock(s);
    int line = block.firstLineNumber();
    if (block.layout()) {
        const QTextLine textLine = block.layout()->lineForTextPosition(s - block.position());
        if (textLine.isValid()) line += textLine.lineNumber();
    }
    const QString heading = toQ(m_job.mailingGrid.cell(col, 0));
    QTextCursor insert(doc);
    insert.setPosition(s);
    insert.insertText(QStringLiteral("{{") + heading + QStringLiteral("}}"));

    mainPageControl->setCurrentWidget(messageTabSheet);
    templateMemo->setFocus();
    QTextCursor caret = templateMemo->textCursor();
    caret.setPosition(s + static_cast<int>(heading.size()) + 4);
    templateMemo->setTextCursor(caret);
    templateMemo->verticalScrollBar()->setValue(line);
    syncPreviewScroll();
}

// ---- message generation ---------------------------------------------------------------------

void TmainForm::generateMessage(int row) {
    const auto& grid = m_job.mailingGrid;
    if (!merge::isDataRow(grid, row)) return;
    const std::string working = templateText() + "\r\n";
    const auto& compiled = m_templateCache.get(working, merge::headings(grid));
    m_generatedText = compiled.render(merge::rowValues(grid, row));
    setPaneText(AutoMemo, m_generatedText);
    syncPreviewScroll();
}

bool TmainForm::checkTemplateTokens(const std::string& templ) {
    const merge::TokenCheck check = merge::checkTemplateTokens(templ, merge::headings(m_job.mailingGrid));
    if (!check.askToContinue) return false;
    return !m_context.prompter->ask("Error", MessageIcon::Error, check.questionText());
}

void TmainForm::syncPreviewScroll() {
    if (!m_settings.trackTemplate) return;
    QScrollBar* t = templateMemo->verticalScrollBar();
    QScrollBar* g = AutoMemo->verticalScrollBar();
    const int d = t->value() - g->value();
    g->setValue(g->value() + d);
}

// ---- command states -------------------------------------------------------------------------

void TmainForm::refreshCommandStates() {
    copyTemplateButton->setEnabled(!templateMemo->document()->isEmpty());
    const bool data = merge::holdsData(m_job.mailingGrid);
    saveFileButton->setEnabled(data);
    copyGridButton->setEnabled(data);
}

void TmainForm::clipboardChanged() {
    const QMimeData* mime = QApplication::clipboard()->mimeData();
    const bool text = mime && mime->hasText();
    pasteGridButton->setEnabled(text);
    pasteTemplateButton->setEnabled(text);
}

} // namespace quillory::ui
