#pragma once

#include "app/file_commands.h"
#include "app/job.h"
#include "app/settings.h"
#include "merge/template_engine.h"
#include "send/mailing_run.h"
#include "send/message.h"
#include "send/smtp_client.h"
#include "ui/app_context.h"

#include <QElapsedTimer>
#include <QMainWindow>

#include <memory>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QPoint;
class QProgressBar;
class QSpinBox;
class QSplitter;
class QTabWidget;
class QTableView;
class QTableWidget;
class QTimer;
class QToolBar;
class QToolButton;

namespace quillory::ui {

class MailingGridModel;
class ToptionsForm;
class TfailedForm;
class TlogForm;
class TlogTreeForm;
class TconfigureLEForm;
class TaboutForm;
class TThread1;

class TmainForm final : public QMainWindow {
    Q_OBJECT
public:
    explicit TmainForm(const AppContext& context, QWidget* parent = nullptr);
    ~TmainForm() override;

    // The other windows exist only after the main window; start-up hands them over.
    struct Windows {
        ToptionsForm* optionsForm = nullptr;
        TfailedForm* failedForm = nullptr;
        TlogForm* logForm = nullptr;
        TlogTreeForm* logTreeForm = nullptr;
        TconfigureLEForm* configureLEForm = nullptr;
        TaboutForm* aboutForm = nullptr;
    };
    void attachWindows(const Windows& windows) { m_windows = windows; }

    Prompter& prompter() { return *m_context.prompter; }
    FileChooser& fileChooser() { return *m_context.fileChooser; }
    const AppContext& context() const { return m_context; }
    const Windows& windows() const { return m_windows; }
    app::Job& job() { return m_job; }
    app::Settings& settings() { return m_settings; }
    const std::string& exeDir() const { return m_exeDir; }
    const std::string& initialDir() const { return m_initialDir; }

    std::string templateText() const;
    void setTemplateText(const std::string& text);
    std::string generatedText() const;

    // Mailing grid operations.
    void normaliseGrid(); // BufferGrid -> MailingGrid, then decorate and detect
    void setAddressColumn(int dataColumn);
    void selectRow(int row);
    // Moves the grid's current row; `scroll` false leaves the scrolling for later (see sendNextRow).
    void setCurrentRow(int row, bool scroll = true);
    void mark(bool markSelected);

    // Message generation.
    void generateMessage(int row);
    bool checkTemplateTokens(const std::string& templ);
    void syncPreviewScroll();

    void refreshCommandStates();
    // The sender labels show fromName and fromAddress.
    void showSender();
    void setTextSize(int size);
    void setAutoGridResize(bool on);
    void fitGridRowHeights();
    // Where the options and sender dialogs open: 20 pixels right of and below the grid's corner.
    QPoint dialogPlace() const;

    // Controls, named as the rest of the program refers to them.
    QTableView* ProfGrid = nullptr;
    MailingGridModel* gridModel = nullptr;
    QTableView* BufferProfGrid = nullptr; // never shown
    QProgressBar* progressBar = nullptr;
    QSplitter* splitter = nullptr;
    QTabWidget* mainPageControl = nullptr;
    QWidget* emailTabSheet = nullptr;
    QWidget* messageTabSheet = nullptr;
    QGroupBox* generalGroupBox = nullptr;
    QLineEdit* subjectEdit = nullptr;
    QComboBox* addressColComboBox = nullptr;
    QLabel* fromNameLabel = nullptr;
    QLabel* fromAddressLabel = nullptr;
    QToolButton* showSenderSpeedButton1 = nullptr;
    QToolButton* showSenderSpeedButton2 = nullptr;
    QGroupBox* attachmentsGroupBox = nullptr;
    QTableWidget* attachmentProfGrid = nullptr;
    QGroupBox* templateGroupBox = nullptr;
    QPlainTextEdit* templateMemo = nullptr;
    QGroupBox* autoGroupBox = nullptr;
    QPlainTextEdit* AutoMemo = nullptr;
    QTimer* autoUpdateThreadedTimer = nullptr;
    QToolBar* generalToolBar = nullptr;
    QToolBar* emailControlToolBar = nullptr;
    QSpinBox* fontSizedxBarSpinEdit = nullptr;
    QSpinBox* fontSizeMenuSpinEdit = nullptr;

    // Commands.
    QAction* openFileButton = nullptr;
    QAction* openGridButton = nullptr;
    QAction* openTemplateButton = nullptr;
    QAction* saveFileButton = nullptr;
    QAction* exitButton = nullptr;
    QAction* SendDXBarButton = nullptr;
    QAction* attachButton = nullptr;
    QAction* removeAttachmentButton = nullptr;
    QAction* senderButton = nullptr;
    QAction* autoGridResizeButton = nullptr;
    QAction* configureButton = nullptr;
    QAction* viewLogButton = nullptr;
    QAction* showToolbarButton = nullptr;
    QAction* helpButton = nullptr;
    QAction* aboutButton = nullptr;
    QAction* copyGridButton = nullptr;
    QAction* pasteGridButton = nullptr;
    QAction* copyTemplateButton = nullptr;
    QAction* pasteTemplateButton = nullptr;
    QAction* testdxBarButton = nullptr;
    QAction* runEmaildxBarButton = nullptr;
    QAction* PauseEmaildxBarButton = nullptr;
    QAction* stopEmaildxBarButton = nullptr;
    QMenu* fileMenu = nullptr;
    QMenu* emailMenu = nullptr;
    QMenu* optionsMenu = nullptr;
    QMenu* logMenu = nullptr;
    QMenu* windowsMenu = nullptr;

    // File commands.
    void openGridClick();
    void openTemplateClick();
    void openFileClick();
    void saveFileClick();
    void openRecent(int list, int index); // 0 grids, 1 templates, 2 files
    void pasteGridClick();
    void copyGridClick();
    void copyTemplateClick();
    void pasteTemplateClick();
    void openJob(const std::string& path);
    void rebuildRecentMenus();

    // Sending.
    void SendDXBarButtonClick();
    void startMailing();
    void sendNextRow(TThread1* pump);
    void runEmaildxBarButtonClick();
    void PauseEmaildxBarButtonClick();
    void stopEmaildxBarButtonClick();
    void completeMailing();
    bool mailingInProgress() const { return m_mailing; }
    // The generated message as the pane shows it: one entry per displayed line.
    std::vector<std::string> displayedBodyLines();
    qreal generatedPaneTextWidth();
    const send::MailingRun* mailingRun() const { return m_run.get(); }
    send::SmtpClient SMTP;
    send::Message MailMessage;

    // Attachments.
    void attachClick();
    void removeAttachmentClick();
    void removeAllAttachments();
    bool addAttachment(const std::string& path);
    void clearAttachments();
    void showAttachments();
    bool removeArmed() const { return m_removeArmed; }

signals:
    // A step of the mailing has handled this grid row.
    void rowHandled(int row);

public slots:
    void profgridClick();
    void ProfGridButtonClicked(int col, int row);
    void templateMemoChange();
    void autoUpdateThreadedTimerTimer();
    void addressColComboBoxChange();
    void subjectEditChange();
    void clipboardChanged();
    void showToolbarClick();
    void autoGridResizeClick();
    void helpClick();
    void aboutClick();
    void configureClick();
    void showSenderSpeedButton1Click();
    void dxBarButton2Click();
    void gridCopy(bool cut);
    void gridPaste();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void createControls();
    void createFileMenu();
    // Shows what a file command changed; `jobFileRead` enables the Email menu.
    void applyFileResult(const app::FileCommandResult& result, bool jobFileRead);
    template <class Command> void runFileCommand(Command&& command, bool jobFileRead);
    void gridReplaced();
    void createCommands();
    void layoutMessagePanes();
    void decorateAndDetect();
    void setSendEnabled(bool enabled);
    void loadSettings();
    void saveSettings();

    AppContext m_context;
    app::Job m_job;
    app::Settings m_settings;
    std::string m_exeDir;
    std::string m_initialDir;
    Windows m_windows;
    merge::TemplateCache m_templateCache;
    bool m_removeArmed = false;
    std::string m_generatedText; // what the generated-message pane shows, as bytes

    void setBusyCursor(bool busy);
    void startPump();
    // Cancels every pump and waits for each to end.
    void joinPumps();
    std::unique_ptr<send::MailingRun> m_run;
    std::unique_ptr<TThread1> m_pump;
    std::vector<std::unique_ptr<TThread1>> m_retiredPumps;
    bool m_mailing = false; // a mailing was started and not yet completed (running or paused)
    bool m_busyCursor = false;
    int m_inStep = 0;
    QElapsedTimer m_lastScroll; // when a mailing step last scrolled the grid
    QMenu* m_attachmentMenu = nullptr;
    QObject* m_attachmentViewport = nullptr; // compared only, never used: events may arrive while it is being built
};

} // namespace quillory::ui
