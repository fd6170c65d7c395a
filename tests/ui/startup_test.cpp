#include "ui/main_form.h"
#include "ui/splash_screen.h"
#include "ui/startup.h"

#include "fakes.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTableView>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quillory::ui;

TEST(Startup, CreatesTheSevenWindowsOnceEachMainWindowFirst) {
    fakes::RecordingPrompter prompter;
    AppContext context;
    context.exeDir = "/opt/quillory/";
    context.prompter = &prompter;
    auto windows = createWindows(context);
    EXPECT_EQ(windows->creationOrder,
              (std::vector<std::string>{"quillory::ui::TmainForm", "quillory::ui::ToptionsForm",
                                        "quillory::ui::TfailedForm", "quillory::ui::TlogForm",
                                        "quillory::ui::TlogTreeForm", "quillory::ui::TconfigureLEForm",
                                        "quillory::ui::TaboutForm"}));
    EXPECT_FALSE(windows->mainForm->isVisible());
}

TEST(Startup, SplashRefusesToCloseUntilItsTimerHasFired) {
    TsplashScreen splash;
    splash.show();
    EXPECT_FALSE(splash.closeQuery());
    EXPECT_FALSE(splash.close()); // refused, as when the system asks it to close
    EXPECT_TRUE(splash.isVisible());
    EXPECT_EQ(splash.size(), QSize(650, 413));

    // The whole start-up waits for the real timer here, with events flowing: a zero-delay
    // event queued now must be handled during the wait, not after it.
    bool eventHandledDuringWait = false;
    QTimer::singleShot(0, [&] { eventHandledDuringWait = !splash.closeQuery(); });
    QElapsedTimer clock;
    clock.start();
    waitForSplash(splash);
    EXPECT_TRUE(eventHandledDuringWait);
    EXPECT_TRUE(splash.closeQuery());
    EXPECT_GE(clock.elapsed(), 2900); // it cannot have ended before the 3-second timer fired
    EXPECT_TRUE(splash.close());
}

TEST(Startup, MainWindowStartsWithDefaultsAndOnTheEmailTab) {
    fakes::RecordingPrompter prompter;
    AppContext context;
    context.exeDir = "/opt/quillory";
    context.prompter = &prompter;
    TmainForm form(context);
    const auto& job = form.job();
    EXPECT_EQ(job.selectedRow, -1);
    EXPECT_EQ(job.addressCol, -1);
    EXPECT_EQ(job.markedRow, 0);
    EXPECT_TRUE(job.testMode);
    EXPECT_EQ(job.hostPort, 25);
    EXPECT_EQ(job.connectionTimeout, 1000);
    EXPECT_EQ(job.hostName, "");
    EXPECT_EQ(job.fromName, "");
    EXPECT_EQ(form.exeDir(), "/opt/quillory/");
    EXPECT_EQ(form.initialDir(), "/opt/quillory/"); // no documents folder: the executable's folder
    EXPECT_EQ(form.mainPageControl->currentWidget(), form.emailTabSheet);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Quillory"));
    EXPECT_EQ(form.ProfGrid->model()->rowCount(), 0);
    EXPECT_TRUE(form.testdxBarButton->isChecked());
    EXPECT_FALSE(form.testdxBarButton->isEnabled());
    EXPECT_FALSE(form.SendDXBarButton->isEnabled());
    EXPECT_TRUE(prompter.shown.empty());

    context.documentsDir = "/home/ann/Documents/";
    TmainForm withDocuments(context);
    EXPECT_EQ(withDocuments.initialDir(), "/home/ann/Documents/");
}
