#include "ui/log_form.h"

#include "ui/main_form.h"

namespace quillory::ui {

TlogForm::TlogForm(TmainForm& mainForm) : QDialog(&mainForm), m_mainForm(mainForm) {
    setObjectName(QStringLiteral("TlogForm"));
    const auto clock = mainForm.context().now;
    m_writer = std::make_unique<log::TlogWriter>(mainForm.settings(), *this, clock ? clock : [] { return 0.0; });
}

void TlogForm::info(const std::string& caption, const std::string& text) {
    m_mainForm.prompter().information(caption, text);
}

void TlogForm::error(const std::string& caption, const std::string& text) { m_mainForm.prompter().error(caption, text); }

} // namespace quillory::ui
