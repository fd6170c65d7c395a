#include "ui/about_form.h"

#include "ui/main_form.h"

namespace quillory::ui {

TaboutForm::TaboutForm(TmainForm& mainForm) : QDialog(&mainForm), m_mainForm(mainForm) {
    setObjectName(QStringLiteral("TaboutForm"));
    setWindowTitle(QStringLiteral("Quillory"));
}

} // namespace quillory::ui
