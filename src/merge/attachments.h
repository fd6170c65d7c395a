#pragma once
// The attachment list of a job: full paths in display order, never the same file twice
// (compared without regard to case). Entry i is shown in row i + 1 of the list, below the
// heading row.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::merge {

inline constexpr const char* attachmentFileNameHeading = " file name ";
inline constexpr const char* attachmentDirectoryHeading = " directory ";

bool isAttached(const std::vector<std::string>& list, std::string_view path);
// Appends `path` unless it is already attached; true when it was added (a row to show).
bool attachFile(std::vector<std::string>& list, const std::string& path);
// Attach: each chosen file in the dialog's order; returns how many were added.
int attachFiles(std::vector<std::string>& list, const std::vector<std::string>& paths);
// addAttachment: like attachFile, but only for a file that exists.
bool addAttachment(std::vector<std::string>& list, const std::string& path,
                   const std::function<bool(const std::string&)>& exists);

// Remove attachment: removes the entries shown in the given display rows (1 = first entry),
// bottom-most first so the rows above keep their entries. Rows outside the list (the heading
// row included) are ignored; a row named twice is removed once. Returns how many went.
int removeAttachmentRows(std::vector<std::string>& list, std::vector<int> displayRows);
// remove all and clearAttachments.
void clearAttachments(std::vector<std::string>& list);

struct AttachmentRow {
    std::string fileName;  // column 0
    std::string directory; // column 1, without a trailing separator
    bool operator==(const AttachmentRow&) const = default;
};
AttachmentRow attachmentDisplayRow(std::string_view path);

} // namespace quillory::merge
