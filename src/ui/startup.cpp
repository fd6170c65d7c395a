#include "ui/startup.h"

#include "ui/about_form.h"
#include "ui/artwork.h"
#include "ui/configure_le_form.h"
#include "ui/failed_form.h"
#include "ui/log_form.h"
#include "ui/log_tree_form.h"
#include "ui/main_form.h"
#include "ui/options_form.h"
#include "ui/splash_screen.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QTimer>

namespace quillory::ui {

AppWindows::AppWindows() = default;
AppWindows::~AppWindows() = default;

void waitForSplash(TsplashScreen& splash) {
    // Sleeps until the next event instead of spinning; the splash timer's event is one.
    while (!splash.closeQuery()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

std::unique_ptr<AppWindows> createWindows(const AppContext& context) {
    auto w = std::make_unique<AppWindows>();
    auto created = [&w](const QObject& o) { w->creationOrder.emplace_back(o.metaObject()->className()); };
    w->mainForm = std::make_unique<TmainForm>(context);
    created(*w->mainForm);
    w->optionsForm = std::make_unique<ToptionsForm>(*w->mainForm);
    created(*w->optionsForm);
    w->failedForm = std::make_unique<TfailedForm>(*w->mainForm);
    created(*w->failedForm);
    w->logForm = std::make_unique<TlogForm>(*w->mainForm);
    created(*w->logForm);
    w->logTreeForm = std::make_unique<TlogTreeForm>(*w->mainForm);
    created(*w->logTreeForm);
    w->configureLEForm = std::make_unique<TconfigureLEForm>(*w->mainForm);
    created(*w->configureLEForm);
    w->aboutForm = std::make_unique<TaboutForm>(*w->mainForm);
    created(*w->aboutForm);
    w->mainForm->attachWindows({w->optionsForm.get(), w->failedForm.get(), w->logForm.get(), w->logTreeForm.get(),
                                w->configureLEForm.get(), w->aboutForm.get()});
    return w;
}

int runApplication(QApplication& app, const AppContext& context) {
    auto splash = std::make_unique<TsplashScreen>();
    splash->show();
    waitForSplash(*splash);
    splash->repaint();
    QApplication::setApplicationDisplayName(QStringLiteral("Quillory"));
    QApplication::setApplicationName(QStringLiteral("Quillory"));
    QApplication::setDesktopFileName(QStringLiteral("quillory"));
    QApplication::setWindowIcon(QIcon(quillPicture(64, 64)));

    auto windows = createWindows(context);
    splash->hide();
    splash.reset();

    TmainForm& main = *windows->mainForm;
    if (QScreen* screen = QGuiApplication::primaryScreen())
        main.move(screen->availableGeometry().center() - main.rect().center());
    main.showMaximized();
    main.raise();
    main.activateWindow();
    if (!context.startupJob.empty())
        QTimer::singleShot(0, &main, [&main, job = context.startupJob] { main.openJob(job); });
    return app.exec();
}

} // namespace quillory::ui
