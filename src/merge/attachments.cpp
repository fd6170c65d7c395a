#include "merge/attachments.h"

#include "text/code_page.h"

#include <algorithm>

namespace quillory::merge {

bool isAttached(const std::vector<std::string>& list, std::string_view path) {
    const auto& cp = text::CodePage::windows1252();
    return std::any_of(list.begin(), list.end(), [&](const std::string& p) { return cp.equalsIgnoringCase(p, path); });
}

bool attachFile(std::vector<std::string>& list, const std::string& path) {
    if (path.empty() || isAttached(list, path)) return false;
    list.push_back(path);
    return true;
}

int attachFiles(std::vector<std::string>& list, const std::vector<std::string>& paths) {
    int added = 0;
    for (const auto& p : paths) added += attachFile(list, p) ? 1 : 0;
    return added;
}

bool addAttachment(std::vector<std::string>& list, const std::string& path,
                   const std::function<bool(const std::string&)>& exists) {
    return exists(path) && attachFile(list, path);
}

int removeAttachmentRows(std::vector<std::string>& list, std::vector<int> displayRows) {
    std::sort(displayRows.begin(), displayRows.end(), std::greater<>());
    displayRows.erase(std::unique(displayRows.begin(), displayRows.end()), displayRows.end());
    int removed = 0;
    for (int row : displayRows) {
        if (row < 1 || row > static_cast<int>(list.size())) continue;
        list.erase(list.begin() + (row - 1));
        ++removed;
    }
    return removed;
}

void clearAttachments(std::vector<std::string>& list) { list.clear(); }

AttachmentRow attachmentDisplayRow(std::string_view path) {
    const auto sep = path.find_last_of("/\\");
    if (sep == std::string_view::npos) return {std::string(path), std::string()};
    std::string_view dir = path.substr(0, sep);
    // The root keeps its separator: an empty directory column would hide where the file is.
    if (dir.empty() || (dir.size() == 2 && dir[1] == ':')) dir = path.substr(0, sep + 1);
    return {std::string(path.substr(sep + 1)), std::string(dir)};
}

} // namespace quillory::merge
