#pragma once
// The model side of the File menu's grid, template and job commands: which reader runs, what
// the recent lists record, and which messages the window shows. The window runs the dialogs,
// shows the wait cursor, applies the result to its panes and shows the messages in order;
// a MessageError thrown by any of these is the one box to show, and the Job is unchanged
// except where a function says otherwise.

#include "app/job.h"
#include "app/settings.h"
#include "app/settings_file.h"
#include "merge/user_message.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace quillory::app {

// The filters of the grid open dialog, in their order (the filter chosen decides the reader).
enum class GridFilter { JobFile = 1, TabDelimited = 2, CommaDelimited = 3, Excel = 4 };
// The filters of the template open dialog.
enum class TemplateFilter { JobFile = 1, Text = 2 };

struct FileCommandResult {
    bool gridReplaced = false;      // decorate the MailingGrid and run the address detection
    bool addressColumnRead = false; // then make job.addressCol the address column (whole job)
    bool subjectRead = false;       // the subject box shows job.subject
    std::optional<std::string> templateText; // the template pane's new text
    bool attachmentsRead = false;   // the attachment list shows job.attachmentList anew
    std::vector<merge::UserMessage> messages; // after the grid is decorated, in order
};

// path, "\n\r", "File not found." with the caption "Open" and the error icon.
merge::UserMessage fileNotFoundMessage(const std::string& path);

// Open Grid, after the dialog: the reader of the filter, then Add recent on the recent grids,
// also when the reading failed (the failure is rethrown).
FileCommandResult openGrid(const std::string& path, GridFilter filter, Job& job, Settings& settings,
                           const FileExists& exists);
// An entry of the recent grids list: "File not found." when it is gone (list unchanged);
// otherwise the entry moves to the top and its tag decides the reader.
FileCommandResult openRecentGrid(std::size_t index, Job& job, Settings& settings, const FileExists& exists);

// Open Template after the dialog; the text file's or job file's template, Add recent on success.
FileCommandResult openTemplate(const std::string& path, TemplateFilter filter, Job& job, Settings& settings,
                               const FileExists& exists);
FileCommandResult openRecentTemplate(std::size_t index, Job& job, Settings& settings, const FileExists& exists);

// Open File after the dialog, and an entry of the recent files list.
FileCommandResult openJobFile(const std::string& path, Job& job, Settings& settings, const FileExists& exists);
FileCommandResult openRecentFile(std::size_t index, Job& job, Settings& settings, const FileExists& exists);

// Save File after the dialog: writes the job, sets jobFileName and adds the file to the
// recent files; when it cannot be written neither changes.
void saveJob(const std::string& path, Job& job, Settings& settings, const std::string& templateText);

} // namespace quillory::app
