#include "ui/options_form.h"

#include "ui/main_form.h"

namespace quillory::ui {

ToptionsForm::ToptionsForm(TmainForm& mainForm) : QDialog(&mainForm), m_mainForm(mainForm) {
    setObjectName(QStringLiteral("ToptionsForm"));
    setWindowTitle(QStringLiteral("Quillory"));
}

} // namespace quillory::ui
