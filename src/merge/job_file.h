#pragma once
// The job file (".dor"): subject, grid, address column, template and attachments as marker
// lines. Text in the code page, lines ended by CR LF; read with the delimited-text line rules.

#include "app/job.h"
#include "merge/user_message.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillory::merge {

enum class JobReadMode { WholeJob, GridOnly, TemplateOnly };

// The file as Save File writes it. Characters the format cannot hold are written as spaces:
// tabs and line breaks in grid cells, line breaks in the subject and the paths, and character
// 26 anywhere (it would end the file for the reader).
std::string jobFileText(const app::Job& job, std::string_view templateText);

// Writes the job through a temporary file and sets jobFileName. Throws MessageError
// {"Error", error, "cannot write file\n\r<path>: <reason>"} and leaves jobFileName when it cannot.
void saveJobFile(const std::string& path, app::Job& job, std::string_view templateText);

struct JobReadResult {
    // The MailingGrid was rebuilt: the window decorates it and runs the address detection.
    bool gridReplaced = false;
    // Whole job: the file named the address column. job.addressCol holds its column (-1 when
    // no heading matches); the window applies it after the detection, which it overrides.
    bool addressColumnRead = false;
    bool subjectRead = false;
    std::optional<std::string> templateText; // the template pane's new text
    bool attachmentsRead = false;            // the attachment list shows job.attachmentList anew
    // False when the file ends before the end marker of what the mode reads; the parts read
    // up to there are kept and the parts not reached keep their previous values.
    bool complete = false;
    // To show, in order, once the grid is decorated: missing attachments, an incomplete file,
    // characters lost in conversion.
    std::vector<UserMessage> messages;
};

// Reads a job file in one of three modes. Whole job: subject, grid, address column, template,
// attachments (an attachment whose file is gone is left out with the message "Cannot find
// <path> for attaching") and jobFileName := path. Grid only: the grid. Template only: the
// template. Fails, changing nothing, with MessageError {"", error, "Incorrect file format"}
// when the first line is not the marker, or the "cannot open file" message of the grid readers.
JobReadResult readJobFile(const std::string& path, JobReadMode mode, app::Job& job,
                          const std::function<bool(const std::string&)>& exists);

} // namespace quillory::merge
