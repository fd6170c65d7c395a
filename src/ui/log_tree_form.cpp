#include "ui/log_tree_form.h"

#include "ui/main_form.h"

namespace quillory::ui {

TlogTreeForm::TlogTreeForm(TmainForm& mainForm) : QDialog(&mainForm), m_mainForm(mainForm) {
    setObjectName(QStringLiteral("TlogTreeForm"));
    setWindowTitle(QStringLiteral("Quillory"));
}

} // namespace quillory::ui
