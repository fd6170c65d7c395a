#include "ui/failed_form.h"

#include "ui/main_form.h"
#include "ui/qtext.h"

#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace quillory::ui {

TfailedForm::TfailedForm(TmainForm& mainForm) : QDialog(&mainForm), m_mainForm(mainForm) {
    setObjectName(QStringLiteral("TfailedForm"));
    setWindowTitle(QStringLiteral("failed emails"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    failedMemo = new QPlainTextEdit(this);
    failedMemo->setObjectName(QStringLiteral("failedMemo"));
    layout->addWidget(failedMemo);
    resize(374, 451);
}

void TfailedForm::showFailed(const std::vector<std::string>& failedList) {
    for (const auto& address : failedList) failedMemo->appendPlainText(toQ(address));
    if (isVisible()) {
        raise();
        activateWindow();
    } else {
        show();
    }
}

void TfailedForm::showEvent(QShowEvent* event) {
    QFont f = failedMemo->font();
    f.setPointSize(m_mainForm.settings().textSize);
    failedMemo->setFont(f);
    failedMemo->clear();
    for (const auto& address : m_mainForm.job().failedList) failedMemo->appendPlainText(toQ(address));
    QDialog::showEvent(event);
}

} // namespace quillory::ui
