#pragma once
// The windows of a run over a temporary folder (the executable's folder, the default log's
// and the settings file's), with the message and file dialogs answered by the test.

#include "ui/main_form.h"
#include "ui/startup.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>

namespace quillory::ui::fakes {

class WindowFixture : public ::testing::Test {
protected:
    explicit WindowFixture(const std::string& name) {
        dir = std::filesystem::temp_directory_path() / ("quillory-" + name + "-" + std::to_string(::getpid()));
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        context.exeDir = dir.string() + "/";
        context.logDir = context.exeDir;
        context.prompter = &prompter;
        context.fileChooser = &chooser;
        context.now = [] { return 46000.5; };
    }
    ~WindowFixture() override {
        windows.reset();
        std::filesystem::remove_all(dir);
    }

    // (Re)creates the windows, as a new run of the program would.
    void start() {
        windows.reset();
        windows = createWindows(context);
        form = windows->mainForm.get();
        form->resize(943, 716);
        form->show();
    }

    std::string path(const std::string& name) const { return (dir / name).string(); }

    std::filesystem::path dir;
    RecordingPrompter prompter;
    FakeFileChooser chooser;
    AppContext context;
    std::unique_ptr<AppWindows> windows;
    TmainForm* form = nullptr;
};

} // namespace quillory::ui::fakes
