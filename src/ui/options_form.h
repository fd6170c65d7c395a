#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QSpinBox;
class QTabWidget;

namespace quillory::ui {

class TmainForm;

// The settings that can be edited: log file, connection, appearance, warnings. Values are
// read from the main window each time it is shown and written back only when confirmed.
class ToptionsForm final : public QDialog {
    Q_OBJECT
public:
    explicit ToptionsForm(TmainForm& mainForm);

    void showLogTab();

    QTabWidget* pageControl = nullptr;
    QWidget* logTabSheet = nullptr;
    QComboBox* logFilesComboBox = nullptr;
    QPushButton* BrowseButton = nullptr;
    QCheckBox* confirmLogSavedCheckBox = nullptr;
    QLineEdit* HostEdit = nullptr;
    QLineEdit* PortEdit = nullptr;
    QLineEdit* TimeoutNumericEditor = nullptr;
    QSpinBox* textSizeSpinEditor = nullptr;
    QCheckBox* AutoGridResizeCheckBox = nullptr;
    QCheckBox* warnTestModeCheckBox = nullptr;
    QCheckBox* warnSendModeCheckBox = nullptr;
    QCheckBox* warnSubjectBlankCheckBox = nullptr;
    QCheckBox* confirmAliasCheckBox = nullptr;
    QCheckBox* confirmLogFileCheckBox = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;

    static constexpr int maxLogFiles = 7;

public slots:
    void OKButtonClick();
    void CancelButtonClick();
    void BrowseButtonClick();
    void HostEditChange();
    void reject() override; // Esc closes like the title bar's button

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormShow();
    bool FormCloseQuery();
    void FormClose();
    void apply();

    TmainForm& m_mainForm;
    bool m_loading = false;
    bool m_changed = false;
    bool m_ok = false;
    bool m_cancel = false;
};

} // namespace quillory::ui
