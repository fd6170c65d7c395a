#pragma once
// Every option value of the settings file, with its default until the file has been read.

#include <string>
#include <vector>

namespace quillory::app {

enum class RecentTag { None = 0, Tab = 1, Csv = 2, Excel = 3, Dor = 5, Txt = 6 };

struct RecentEntry {
    std::string path;
    RecentTag tag = RecentTag::None;
    bool operator==(const RecentEntry&) const = default;
};

struct Settings {
    // BUTTONS / OPTIONS
    bool testMode = true;
    bool autoGridResize = true;
    int textSize = 10;
    bool warnTestMode = true;
    bool warnSendMode = false;
    bool warnSubjectBlank = false;
    bool warnNotLogged = true;
    bool trackTemplate = true;
    bool confirmLogFile = true;
    bool confirmAlias = false; // never stored: off at every start

    // SMTP / MAIL live in the Job (hostName, hostPort, fromName, fromAddress, connectionTimeout).

    // Recent-file lists, most recent first, at most 5 entries each.
    std::vector<RecentEntry> recentGrids;
    std::vector<RecentEntry> recentTemplates;
    std::vector<RecentEntry> recentFiles;

    // LOG
    std::string lastLogFile;    // default: exeDir + "quillory_default.log", set when the file is read
    std::string currentLogFile; // not stored; derived from lastLogFile
    bool confirmSaved = true;
    int fileOpen = 0;
    int fileOpenLevel = 1;
    bool showDate = true;
    bool showTime = true;
    bool showAttachments = true;
    bool showSender = true;
    int leftHostPanelWidth = 580;
    int headerMemoHeight = 200;
    int treeColWidth = 300;
    int dateColWidth = 70;
    int timeColWidth = 70;
    int attachmentsColWidth = 70;
    int senderColWidth = 70;
    int treeFormWidth = 900;
    int treeFormHeight = 670;
    int treeFormTop = 200;
    int treeFormLeft = 250;
    int logFontSize = 9;
    int searchPanelHeight = 100;
    bool mailingDate = false, mailingTime = false, mailingAttachment = false, mailingSubject = false,
         mailingSender = false;
    bool recipientDate = false, recipientTime = false, recipientAttachment = false, recipientSubject = false,
         recipientSender = false;

    std::vector<std::string> savedLogFiles;
    std::vector<std::string> viewedLogFiles;
};

inline constexpr int maxRecentEntries = 5;
inline constexpr const char* defaultLogFileName = "quillory_default.log";

} // namespace quillory::app
