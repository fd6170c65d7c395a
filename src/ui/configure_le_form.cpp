#include "ui/configure_le_form.h"

#include "ui/main_form.h"

namespace quillory::ui {

TconfigureLEForm::TconfigureLEForm(TmainForm& mainForm) : QDialog(&mainForm), m_mainForm(mainForm) {
    setObjectName(QStringLiteral("TconfigureLEForm"));
    setWindowTitle(QStringLiteral("Quillory"));
}

} // namespace quillory::ui
