#include "app/file_commands.h"

#include "merge/grid_reader.h"
#include "merge/job_file.h"

namespace quillory::app {

namespace {

FileCommandResult fromGridRead(merge::GridReadResult&& r) {
    FileCommandResult out;
    out.gridReplaced = true;
    out.messages = std::move(r.messages);
    return out;
}

FileCommandResult fromJobRead(merge::JobReadResult&& r) {
    FileCommandResult out;
    out.gridReplaced = r.gridReplaced;
    out.addressColumnRead = r.addressColumnRead;
    out.subjectRead = r.subjectRead;
    out.templateText = std::move(r.templateText);
    out.attachmentsRead = r.attachmentsRead;
    out.messages = std::move(r.messages);
    return out;
}

FileCommandResult readGrid(const std::string& path, RecentTag tag, Job& job, Settings& settings,
                           const FileExists& exists) {
    switch (tag) {
    case RecentTag::Tab:
        return fromGridRead(merge::readDelimitedText(path, '\t', job.bufferGrid, job.mailingGrid));
    case RecentTag::Csv:
        return fromGridRead(merge::readDelimitedText(path, ',', job.bufferGrid, job.mailingGrid));
    case RecentTag::Excel:
        return fromGridRead(merge::readExcelWorkbook(path, job.bufferGrid, job.mailingGrid));
    case RecentTag::Dor: {
        auto r = fromJobRead(merge::readJobFile(path, merge::JobReadMode::GridOnly, job, exists));
        addRecent(settings.recentGrids, path, RecentTag::Dor);
        return r;
    }
    default:
        return {};
    }
}

FileCommandResult readTemplate(const std::string& path, RecentTag tag, Job& job, Settings& settings,
                               const FileExists& exists) {
    if (tag == RecentTag::Dor) {
        auto r = fromJobRead(merge::readJobFile(path, merge::JobReadMode::TemplateOnly, job, exists));
        addRecent(settings.recentTemplates, path, RecentTag::Dor);
        return r;
    }
    merge::TemplateReadResult t = merge::readTemplateFile(path);
    FileCommandResult out;
    out.templateText = std::move(t.text);
    out.messages = std::move(t.messages);
    return out;
}

FileCommandResult readWholeJob(const std::string& path, Job& job, Settings& settings, const FileExists& exists) {
    auto r = fromJobRead(merge::readJobFile(path, merge::JobReadMode::WholeJob, job, exists));
    addRecent(settings.recentFiles, path, RecentTag::Dor);
    return r;
}

const RecentEntry& recentEntry(const std::vector<RecentEntry>& list, std::size_t index, const FileExists& exists) {
    const RecentEntry& e = list.at(index);
    if (!exists(e.path)) throw merge::MessageError(fileNotFoundMessage(e.path), ErrorCode::FileNotFound);
    return e;
}

} // namespace

merge::UserMessage fileNotFoundMessage(const std::string& path) {
    return {"Open", merge::MessageIcon::Error, path + merge::pathBreak + "File not found."};
}

FileCommandResult openGrid(const std::string& path, GridFilter filter, Job& job, Settings& settings,
                           const FileExists& exists) {
    RecentTag tag = RecentTag::None;
    switch (filter) {
    case GridFilter::JobFile:
        tag = RecentTag::Dor;
        break;
    case GridFilter::TabDelimited:
        tag = RecentTag::Tab;
        break;
    case GridFilter::CommaDelimited:
        tag = RecentTag::Csv;
        break;
    case GridFilter::Excel:
        tag = RecentTag::Excel;
        break;
    }
    FileCommandResult result;
    try {
        result = readGrid(path, tag, job, settings, exists);
    } catch (const Error&) {
        // The file stays offered in the list even when it could not be read, so the user can
        // retry it once it is fixed.
        addRecent(settings.recentGrids, path, tag);
        throw;
    }
    addRecent(settings.recentGrids, path, tag);
    return result;
}

FileCommandResult openRecentGrid(std::size_t index, Job& job, Settings& settings, const FileExists& exists) {
    const RecentEntry entry = recentEntry(settings.recentGrids, index, exists);
    moveRecentToTop(settings.recentGrids, index);
    return readGrid(entry.path, entry.tag, job, settings, exists);
}

FileCommandResult openTemplate(const std::string& path, TemplateFilter filter, Job& job, Settings& settings,
                               const FileExists& exists) {
    const RecentTag tag = filter == TemplateFilter::JobFile ? RecentTag::Dor : RecentTag::Txt;
    FileCommandResult result = readTemplate(path, tag, job, settings, exists);
    if (tag == RecentTag::Txt) addRecent(settings.recentTemplates, path, RecentTag::Txt);
    return result;
}

FileCommandResult openRecentTemplate(std::size_t index, Job& job, Settings& settings, const FileExists& exists) {
    const RecentEntry entry = recentEntry(settings.recentTemplates, index, exists);
    moveRecentToTop(settings.recentTemplates, index);
    return readTemplate(entry.path, entry.tag, job, settings, exists);
}

FileCommandResult openJobFile(const std::string& path, Job& job, Settings& settings, const FileExists& exists) {
    return readWholeJob(path, job, settings, exists);
}

FileCommandResult openRecentFile(std::size_t index, Job& job, Settings& settings, const FileExists& exists) {
    const RecentEntry entry = recentEntry(settings.recentFiles, index, exists);
    moveRecentToTop(settings.recentFiles, index);
    return readWholeJob(entry.path, job, settings, exists);
}

void saveJob(const std::string& path, Job& job, Settings& settings, const std::string& templateText) {
    merge::saveJobFile(path, job, templateText);
    addRecent(settings.recentFiles, path, RecentTag::Dor);
}

} // namespace quillory::app
