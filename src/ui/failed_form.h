#pragma once

#include <QDialog>

namespace quillory::ui {

class TmainForm;

// Created once at start-up and kept for the whole run; it reads and writes the main
// window's fields when it is shown and when it applies.
class TfailedForm final : public QDialog {
    Q_OBJECT
public:
    explicit TfailedForm(TmainForm& mainForm);

private:
    TmainForm& m_mainForm;
};

} // namespace quillory::ui
