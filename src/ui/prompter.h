#pragma once
// Message boxes and file dialogs go through these two seams, so tests can answer questions,
// choose files and read back exactly what the user would have been shown.

#include <optional>
#include <string>
#include <vector>

class QWidget;

namespace quillory::ui {

enum class MessageIcon { None, Information, Warning, Error, Question };
enum class MessageButtons { Ok, YesNo };
enum class MessageAnswer { Ok, Yes, No };

class Prompter {
public:
    virtual ~Prompter() = default;
    // Texts are in the program's code page.
    virtual MessageAnswer show(const std::string& caption, MessageIcon icon, const std::string& text,
                               MessageButtons buttons) = 0;

    void information(const std::string& caption, const std::string& text) {
        show(caption, MessageIcon::Information, text, MessageButtons::Ok);
    }
    void error(const std::string& caption, const std::string& text) {
        show(caption, MessageIcon::Error, text, MessageButtons::Ok);
    }
    // True only for Yes: any other answer abandons the operation.
    bool ask(const std::string& caption, MessageIcon icon, const std::string& text) {
        return show(caption, icon, text, MessageButtons::YesNo) == MessageAnswer::Yes;
    }
};

struct FileChoice {
    std::string path;    // in the code page
    int filterIndex = 0; // which of the offered filters was chosen
};

class FileChooser {
public:
    virtual ~FileChooser() = default;
    // `filters` are Qt-style ("Text files (*.txt)"); an empty result means cancelled.
    virtual std::optional<FileChoice> openFile(const std::string& caption, const std::string& dir,
                                               const std::vector<std::string>& filters, int filterIndex) = 0;
    virtual std::vector<std::string> openFiles(const std::string& caption, const std::string& dir,
                                               const std::vector<std::string>& filters) = 0;
    // `confirmOverwrite` false: the chosen file may exist and is not replaced by the dialog.
    virtual std::optional<FileChoice> saveFile(const std::string& caption, const std::string& proposed,
                                               const std::vector<std::string>& filters, int filterIndex,
                                               bool confirmOverwrite = true) = 0;
};

// The real ones, over QMessageBox and QFileDialog.
class QtPrompter final : public Prompter {
public:
    MessageAnswer show(const std::string& caption, MessageIcon icon, const std::string& text,
                       MessageButtons buttons) override;
};

class QtFileChooser final : public FileChooser {
public:
    std::optional<FileChoice> openFile(const std::string& caption, const std::string& dir,
                                       const std::vector<std::string>& filters, int filterIndex) override;
    std::vector<std::string> openFiles(const std::string& caption, const std::string& dir,
                                       const std::vector<std::string>& filters) override;
    std::optional<FileChoice> saveFile(const std::string& caption, const std::string& proposed,
                                       const std::vector<std::string>& filters, int filterIndex,
                                       bool confirmOverwrite = true) override;
};

} // namespace quillory::ui
