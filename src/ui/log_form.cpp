#include "ui/log_form.h"

#include "ui/main_form.h"

namespace quillory::ui {

TlogForm::TlogForm(TmainForm& mainForm) : QDialog(&mainForm), m_mainForm(mainForm) {
    setObjectName(QStringLiteral("TlogForm"));
    setWindowTitle(QStringLiteral("Quillory"));
}

} // namespace quillory::ui
