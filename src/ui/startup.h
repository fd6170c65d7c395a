#pragma once

#include "ui/app_context.h"

#include <memory>
#include <string>
#include <vector>

class QApplication;

namespace quillory::ui {

class TmainForm;
class ToptionsForm;
class TfailedForm;
class TlogForm;
class TlogTreeForm;
class TconfigureLEForm;
class TaboutForm;
class TsplashScreen;

// The seven windows of a run. Members are destroyed in reverse order, so the main window,
// which the others refer to, goes last.
struct AppWindows {
    std::unique_ptr<TmainForm> mainForm;
    std::unique_ptr<ToptionsForm> optionsForm;
    std::unique_ptr<TfailedForm> failedForm;
    std::unique_ptr<TlogForm> logForm;
    std::unique_ptr<TlogTreeForm> logTreeForm;
    std::unique_ptr<TconfigureLEForm> configureLEForm;
    std::unique_ptr<TaboutForm> aboutForm;
    std::vector<std::string> creationOrder; // class names, as each window was created

    AppWindows();
    ~AppWindows();
};

// Processes window events until the splash window allows closing (its timer has fired).
void waitForSplash(TsplashScreen& splash);
// Creates the windows once each, main window first.
std::unique_ptr<AppWindows> createWindows(const AppContext& context);
// The whole run: splash, windows, event loop. Returns the exit code.
int runApplication(QApplication& app, const AppContext& context);

} // namespace quillory::ui
