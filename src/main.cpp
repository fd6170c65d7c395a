#include "app/settings_file.h"
#include "app/standard_dirs.h"
#include "log/file_lock.h"
#include "text/file_io.h"
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
    // A portable copy keeps its settings beside the executable; an installed one, whose folder
    // the user cannot write, in the user's configuration and data folders.
    // The command-line tool looks the folders up the same way, so both use one settings file.
    const quillory::app::UserDirs userDirs = quillory::app::userDirs();
    const auto where = quillory::app::settingsLocation(
        fromQ(QCoreApplication::applicationFilePath()), userDirs.configDir, userDirs.dataDir,
        [](const std::string& dir) { return quillory::text::isWritableDirectory(dir); });
    context.settingsPath = where.settingsFile;
    context.logDir = where.logDir;
    const QStringList args = QCoreApplication::arguments();
    if (args.size() > 1) context.startupJob = fromQ(args.at(1));
    context.prompter = &prompter;
    context.fileChooser = &chooser;
    context.now = quillory::log::localDateTimeNow;
    return runApplication(app, context);
}
