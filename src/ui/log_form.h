#pragma once

#include "log/log_writer.h"

#include <QDialog>

#include <memory>

namespace quillory::ui {

class TmainForm;

// Never shown: it holds the log writer and turns the writer's reports into message boxes.
class TlogForm final : public QDialog, public log::LogWriterObserver {
    Q_OBJECT
public:
    explicit TlogForm(TmainForm& mainForm);
    log::TlogWriter& writer() { return *m_writer; }

    void info(const std::string& caption, const std::string& text) override;
    void error(const std::string& caption, const std::string& text) override;

private:
    TmainForm& m_mainForm;
    std::unique_ptr<log::TlogWriter> m_writer;
};

} // namespace quillory::ui
