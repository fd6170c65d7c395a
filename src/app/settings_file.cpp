#include "app/settings_file.h"

#include "merge/text_file.h"
#include "text/code_page.h"
#include "text/error.h"
#include "text/file_io.h"
#include "text/path_text.h"

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

#include <algorithm>
#include <charconv>
#include <climits>

namespace quillory::app {

namespace {

struct IntKey {
    const char* key;
    int Settings::*field;
    int min, max;
};
struct BoolKey {
    const char* key;
    bool Settings::*field;
};

// Bounds keep a hand-edited value from asking the windows for a million-point font or a
// window far off every screen; outside them a value counts as being of the wrong form.
constexpr int anyGeometry = 100000;

constexpr BoolKey logBoolsFirst[] = {{"confirm saved", &Settings::confirmSaved}};
constexpr IntKey logIntsFileOpen[] = {
    {"file open", &Settings::fileOpen, 0, 255},
    {"file open level", &Settings::fileOpenLevel, 0, 255},
};
constexpr BoolKey logShowBools[] = {
    {"show date", &Settings::showDate},
    {"show time", &Settings::showTime},
    {"show attachments", &Settings::showAttachments},
    {"show sender", &Settings::showSender},
};
constexpr IntKey logLayout[] = {
    {"left host panel width", &Settings::leftHostPanelWidth, 0, anyGeometry},
    {"header memo height", &Settings::headerMemoHeight, 0, anyGeometry},
    {"tree col width", &Settings::treeColWidth, 0, anyGeometry},
    {"date col width", &Settings::dateColWidth, 0, anyGeometry},
    {"time col width", &Settings::timeColWidth, 0, anyGeometry},
    {"attachments col width", &Settings::attachmentsColWidth, 0, anyGeometry},
    {"sender col width", &Settings::senderColWidth, 0, anyGeometry},
    {"tree form width", &Settings::treeFormWidth, 0, anyGeometry},
    {"tree form height", &Settings::treeFormHeight, 0, anyGeometry},
    {"tree form top", &Settings::treeFormTop, -anyGeometry, anyGeometry},
    {"tree form left", &Settings::treeFormLeft, -anyGeometry, anyGeometry},
    {"log font size", &Settings::logFontSize, 1, 400},
    {"search panel height", &Settings::searchPanelHeight, 0, anyGeometry},
};
constexpr BoolKey logLevelFlags[] = {
    {"mailing date", &Settings::mailingDate},
    {"mailing time", &Settings::mailingTime},
    {"mailing attachment", &Settings::mailingAttachment},
    {"mailing subject", &Settings::mailingSubject},
    {"mailing sender", &Settings::mailingSender},
    {"recipient date", &Settings::recipientDate},
    {"recipient time", &Settings::recipientTime},
    {"recipient attachment", &Settings::recipientAttachment},
    {"recipient subject", &Settings::recipientSubject},
    {"recipient sender", &Settings::recipientSender},
};

constexpr const char* gridFilesSection = "GRID FILES";
constexpr const char* templateFilesSection = "TEMPLATE FILES";
constexpr const char* filesSection = "FILES";
constexpr const char* savedLogsSection = "SAVED LOG FILES";
constexpr const char* viewedLogsSection = "VIEWED LOG FILES";

std::optional<int> parseInt(const char* text, int min = INT_MIN, int max = INT_MAX) {
    if (!text) return std::nullopt;
    const std::string_view s(text);
    int v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    if (v < min || v > max) return std::nullopt;
    return v;
}

class Ini final {
public:
    Ini() {
        m_ini.SetUnicode(false);
        m_ini.SetSpaces(false);
        m_ini.SetMultiKey(false);
        m_ini.SetMultiLine(false);
    }
    void load(std::string_view text) { m_ini.LoadData(text.data(), text.size()); }

    std::string text(const char* section, const char* key, const std::string& def) const {
        const char* v = m_ini.GetValue(section, key, nullptr);
        return v ? std::string(v) : def;
    }
    int integer(const char* section, const char* key, int def, int min = INT_MIN, int max = INT_MAX) const {
        return parseInt(m_ini.GetValue(section, key, nullptr), min, max).value_or(def);
    }
    bool boolean(const char* section, const char* key, bool def) const {
        const auto v = parseInt(m_ini.GetValue(section, key, nullptr));
        return v ? *v != 0 : def;
    }
    // Values in file order; the key names do not matter.
    std::vector<std::string> sectionValues(const char* section) const {
        CSimpleIniA::TNamesDepend keys;
        m_ini.GetAllKeys(section, keys);
        keys.sort(CSimpleIniA::Entry::LoadOrder());
        std::vector<std::string> out;
        for (const auto& k : keys) out.emplace_back(m_ini.GetValue(section, k.pItem, ""));
        return out;
    }

    void set(const char* section, const std::string& key, std::string value) {
        // A line break in a value would start a new key when the file is read again.
        std::replace(value.begin(), value.end(), '\r', ' ');
        std::replace(value.begin(), value.end(), '\n', ' ');
        m_ini.SetValue(section, key.c_str(), value.c_str());
    }
    void set(const char* section, const char* key, int value) { set(section, key, std::to_string(value)); }
    void setBool(const char* section, const char* key, bool value) { set(section, key, value ? "1" : "0"); }
    void erase(const char* section) { m_ini.Delete(section, nullptr); }

    std::string save() const {
        std::string out;
        m_ini.Save(out);
        std::string crlf;
        crlf.reserve(out.size() + out.size() / 16);
        for (std::size_t i = 0; i < out.size(); ++i) {
            if (out[i] == '\n' && (i == 0 || out[i - 1] != '\r')) crlf.push_back('\r');
            crlf.push_back(out[i]);
        }
        return crlf;
    }

private:
    CSimpleIniA m_ini;
};

void loadRecent(const Ini& ini, const char* section, std::vector<RecentEntry>& list,
                std::initializer_list<RecentTag> allowed) {
    for (int n = maxRecentEntries; n >= 1; --n) {
        const std::string index = "[" + std::to_string(n) + "]";
        const std::string path = ini.text(section, ("file" + index).c_str(), "");
        if (path.empty()) continue;
        const auto tag = tagForTypeWord(ini.text(section, ("file type" + index).c_str(), ""));
        // An unknown or missing type word cannot say which reader the file needs: skip it.
        if (!tag || std::find(allowed.begin(), allowed.end(), *tag) == allowed.end()) continue;
        addRecent(list, path, *tag);
    }
}

void saveRecent(Ini& ini, const char* section, const std::vector<RecentEntry>& list) {
    ini.erase(section);
    for (std::size_t i = 0; i < list.size(); ++i) {
        const std::string index = "[" + std::to_string(i + 1) + "]";
        ini.set(section, "file" + index, list[i].path);
        if (const char* word = typeWord(list[i].tag)) ini.set(section, "file type" + index, word);
    }
}

std::vector<std::string> existingOnly(std::vector<std::string> files, const FileExists& exists) {
    std::erase_if(files, [&](const std::string& f) { return !exists(f); });
    return files;
}

std::string folderOf(const std::string& path) { return text::withTrailingSeparator(text::fileDir(path)); }

std::string iniNameFor(const std::string& exePath) { return text::changeFileExt(text::fileName(exePath), ".ini"); }

} // namespace

const char* typeWord(RecentTag tag) {
    switch (tag) {
    case RecentTag::Tab:
        return "tab";
    case RecentTag::Csv:
        return "csv";
    case RecentTag::Excel:
        return "excel";
    case RecentTag::Dor:
        return "dor";
    case RecentTag::Txt:
        return "txt";
    case RecentTag::None:
        break;
    }
    return nullptr;
}

std::optional<RecentTag> tagForTypeWord(std::string_view word) {
    for (RecentTag t : {RecentTag::Tab, RecentTag::Csv, RecentTag::Excel, RecentTag::Dor, RecentTag::Txt})
        if (word == typeWord(t)) return t;
    return std::nullopt;
}

void addRecent(std::vector<RecentEntry>& list, const std::string& path, RecentTag tag) {
    if (path.empty()) return;
    if (list.size() >= static_cast<std::size_t>(maxRecentEntries)) list.resize(maxRecentEntries - 1);
    const auto& cp = text::CodePage::windows1252();
    const auto found =
        std::find_if(list.begin(), list.end(), [&](const RecentEntry& e) { return cp.equalsIgnoringCase(e.path, path); });
    if (found != list.end()) {
        std::rotate(list.begin(), found, found + 1);
        return;
    }
    list.insert(list.begin(), RecentEntry{path, tag});
    if (list.size() > static_cast<std::size_t>(maxRecentEntries)) list.resize(maxRecentEntries);
}

void moveRecentToTop(std::vector<RecentEntry>& list, std::size_t index) {
    if (index < list.size()) std::rotate(list.begin(), list.begin() + static_cast<std::ptrdiff_t>(index),
                                         list.begin() + static_cast<std::ptrdiff_t>(index) + 1);
}

SettingsLocation settingsLocation(const std::string& exePath, const std::string& userConfigDir,
                                  const std::string& userDataDir,
                                  const std::function<bool(const std::string&)>& isWritableDir) {
    const std::string exeDir = folderOf(exePath);
    const std::string iniName = iniNameFor(exePath);
    if (isWritableDir(exeDir)) return {exeDir + iniName, exeDir};
    return {text::withTrailingSeparator(userConfigDir) + iniName, text::withTrailingSeparator(userDataDir)};
}

void loadSettingsText(std::string_view iniText, Settings& s, Job& job, const std::string& logDir,
                      const FileExists& exists) {
    Ini ini;
    ini.load(iniText);

    job.testMode = s.testMode = ini.boolean("BUTTONS", "test mode", true);
    s.autoGridResize = ini.boolean("BUTTONS", "auto grid resize", true);
    job.hostName = ini.text("SMTP", "Host Name", "");
    job.hostPort = ini.integer("SMTP", "Host Port", 25, 1, 65535);
    job.fromName = ini.text("MAIL", "From Name", "");
    job.fromAddress = ini.text("MAIL", "From Address", "");
    s.textSize = ini.integer("OPTIONS", "Text Size", 10, 1, 400);
    job.connectionTimeout = ini.integer("OPTIONS", "Connection Timeout", 1000, 0);
    s.warnTestMode = ini.boolean("OPTIONS", "Warn test mode", true);
    s.warnSendMode = ini.boolean("OPTIONS", "Warn send mode", false);
    s.warnSubjectBlank = ini.boolean("OPTIONS", "Warn subject blank", false);
    s.warnNotLogged = ini.boolean("OPTIONS", "Warn not logged", true);
    s.trackTemplate = ini.boolean("OPTIONS", "Track template", true);
    s.autoGridResize = ini.boolean("OPTIONS", "Auto Grid Resize", true);
    s.confirmLogFile = ini.boolean("OPTIONS", "Confirm log file", true);

    s.recentGrids.clear();
    s.recentTemplates.clear();
    s.recentFiles.clear();
    loadRecent(ini, gridFilesSection, s.recentGrids,
               {RecentTag::Tab, RecentTag::Csv, RecentTag::Excel, RecentTag::Dor});
    loadRecent(ini, templateFilesSection, s.recentTemplates, {RecentTag::Dor, RecentTag::Txt});
    for (int n = maxRecentEntries; n >= 1; --n) {
        const std::string path = ini.text(filesSection, ("file[" + std::to_string(n) + "]").c_str(), "");
        if (!path.empty()) addRecent(s.recentFiles, path, RecentTag::Dor);
    }

    job.fromName = ini.text("MAIL", "From Name", "");
    job.fromAddress = ini.text("MAIL", "From Address", "");

    s.lastLogFile = ini.text("LOG", "last log", logDir + defaultLogFileName);
    s.currentLogFile = exists(s.lastLogFile) ? s.lastLogFile : std::string();
    for (const auto& k : logBoolsFirst) s.*k.field = ini.boolean("LOG", k.key, Settings().*k.field);
    for (const auto& k : logIntsFileOpen) s.*k.field = ini.integer("LOG", k.key, Settings().*k.field, k.min, k.max);
    for (const auto& k : logShowBools) s.*k.field = ini.boolean("LOG", k.key, Settings().*k.field);
    for (const auto& k : logLayout) s.*k.field = ini.integer("LOG", k.key, Settings().*k.field, k.min, k.max);
    for (const auto& k : logLevelFlags) s.*k.field = ini.boolean("LOG", k.key, Settings().*k.field);

    s.savedLogFiles = existingOnly(ini.sectionValues(savedLogsSection), exists);
    if (s.savedLogFiles.empty()) s.savedLogFiles.push_back(s.currentLogFile);
    s.viewedLogFiles = existingOnly(ini.sectionValues(viewedLogsSection), exists);
}

bool loadSettings(const std::string& path, Settings& settings, Job& job, const std::string& logDir,
                  const FileExists& exists) {
    std::string text;
    bool read = true;
    try {
        text = merge::decodeText(text::readFile(path)).text;
    } catch (const FileError&) {
        // No settings file is the normal first start; one that cannot be read is treated
        // alike, and the next close writes a good one.
        read = false;
    }
    loadSettingsText(text, settings, job, logDir, exists);
    return read;
}

std::string saveSettingsText(std::string_view existing, const Settings& s, const Job& job) {
    Ini ini;
    ini.load(existing);

    ini.setBool("BUTTONS", "test mode", job.testMode);
    ini.setBool("BUTTONS", "auto grid resize", s.autoGridResize);
    ini.set("SMTP", "Host Name", job.hostName);
    ini.set("SMTP", "Host Port", job.hostPort);
    ini.set("MAIL", "From Name", job.fromName);
    ini.set("MAIL", "From Address", job.fromAddress);
    ini.set("OPTIONS", "Connection Timeout", job.connectionTimeout);
    ini.set("OPTIONS", "Text Size", s.textSize);
    ini.setBool("OPTIONS", "Warn test mode", s.warnTestMode);
    ini.setBool("OPTIONS", "Warn send mode", s.warnSendMode);
    ini.setBool("OPTIONS", "Warn subject blank", s.warnSubjectBlank);
    ini.setBool("OPTIONS", "Warn not logged", s.warnNotLogged);
    ini.setBool("OPTIONS", "Track template", s.trackTemplate);
    ini.setBool("OPTIONS", "Auto grid resize", s.autoGridResize);
    ini.setBool("OPTIONS", "Confirm log file", s.confirmLogFile);

    saveRecent(ini, gridFilesSection, s.recentGrids);
    saveRecent(ini, filesSection, s.recentFiles);
    saveRecent(ini, templateFilesSection, s.recentTemplates);

    ini.set("MAIL", "From Name", job.fromName);
    ini.set("MAIL", "From Address", job.fromAddress);

    ini.set("LOG", "last log", s.lastLogFile);
    for (const auto& k : logBoolsFirst) ini.setBool("LOG", k.key, s.*k.field);
    for (const auto& k : logIntsFileOpen) ini.set("LOG", k.key, s.*k.field);
    for (const auto& k : logShowBools) ini.setBool("LOG", k.key, s.*k.field);
    for (const auto& k : logLayout) ini.set("LOG", k.key, s.*k.field);
    for (const auto& k : logLevelFlags) ini.setBool("LOG", k.key, s.*k.field);

    ini.erase(savedLogsSection);
    for (std::size_t i = 0; i < s.savedLogFiles.size(); ++i)
        ini.set(savedLogsSection, "saved log files " + std::to_string(i + 1), s.savedLogFiles[i]);
    ini.erase(viewedLogsSection);
    for (std::size_t i = 0; i < s.viewedLogFiles.size(); ++i)
        ini.set(viewedLogsSection, "viewed log files " + std::to_string(i + 1) + "]", s.viewedLogFiles[i]);
    return ini.save();
}

void saveSettings(const std::string& path, const Settings& settings, const Job& job) {
    std::string existing;
    try {
        existing = merge::decodeText(text::readFile(path)).text;
    } catch (const FileError&) {
        // Nothing to keep: the file is written from the settings alone.
    }
    text::writeFileAtomically(path, saveSettingsText(existing, settings, job));
}

} // namespace quillory::app
