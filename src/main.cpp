#include "log/file_lock.h"
#include "ui/app_context.h"
#include "ui/prompter.h"
#include "ui/qtext.h"
#include "ui/startup.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStringLiteral("Fusion"));

    using namespace quillory::ui;
    QtPrompter prompter;
    QtFileChooser chooser;
    AppContext context;
    context.exeDir = fromQ(QDir::toNativeSeparators(QCoreApplication::applicationDirPath() + QLatin1Char('/')));
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!documents.isEmpty() && QFileInfo(documents).isDir())
        context.documentsDir = fromQ(QDir::toNativeSeparators(documents + QLatin1Char('/')));
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    context.settingsPath = fromQ(QDir::toNativeSeparators(exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() +
                                                          QStringLiteral(".ini")));
    context.prompter = &prompter;
    context.fileChooser = &chooser;
    context.now = quillory::log::localDateTimeNow;
    return runApplication(app, context);
}
