#pragma once

#include <QDialog>

#include <string>
#include <vector>

class QPlainTextEdit;

namespace quillory::ui {

class TmainForm;

// Lists the addresses whose message failed. Modeless: it stays open, and a later mailing's
// failures are added below while it is open; once closed, the next showing starts afresh.
class TfailedForm final : public QDialog {
    Q_OBJECT
public:
    explicit TfailedForm(TmainForm& mainForm);

    void showFailed(const std::vector<std::string>& failedList);

    QPlainTextEdit* failedMemo = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    TmainForm& m_mainForm;
};

} // namespace quillory::ui
