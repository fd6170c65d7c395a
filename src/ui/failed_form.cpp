#include "ui/failed_form.h"

#include "ui/main_form.h"

namespace quillory::ui {

TfailedForm::TfailedForm(TmainForm& mainForm) : QDialog(&mainForm), m_mainForm(mainForm) {
    setObjectName(QStringLiteral("TfailedForm"));
    setWindowTitle(QStringLiteral("Quillory"));
}

} // namespace quillory::ui
