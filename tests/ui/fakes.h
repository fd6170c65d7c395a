#pragma once
// Test stand-ins for the message-box and file-dialog seams.

#include "ui/prompter.h"

#include <deque>
#include <string>
#include <vector>

namespace quillory::ui::fakes {

struct ShownMessage {
    std::string caption;
    MessageIcon icon;
    std::string text;
    MessageButtons buttons;
    bool operator==(const ShownMessage&) const = default;
};

class RecordingPrompter final : public Prompter {
public:
    std::vector<ShownMessage> shown;
    std::deque<MessageAnswer> answers; // questions take these in turn; No when none is left

    MessageAnswer show(const std::string& caption, MessageIcon icon, const std::string& text,
                       MessageButtons buttons) override {
        shown.push_back({caption, icon, text, buttons});
        if (buttons == MessageButtons::Ok) return MessageAnswer::Ok;
        if (answers.empty()) return MessageAnswer::No;
        const MessageAnswer a = answers.front();
        answers.pop_front();
        return a;
    }
};

class FakeFileChooser final : public FileChooser {
public:
    std::deque<std::optional<FileChoice>> opens;
    std::deque<std::vector<std::string>> multiOpens;
    std::deque<std::optional<FileChoice>> saves;

    std::optional<FileChoice> openFile(const std::string&, const std::string&, const std::vector<std::string>&,
                                       int) override {
        return take(opens);
    }
    std::vector<std::string> openFiles(const std::string&, const std::string&,
                                       const std::vector<std::string>&) override {
        if (multiOpens.empty()) return {};
        auto v = multiOpens.front();
        multiOpens.pop_front();
        return v;
    }
    std::vector<std::string> proposedNames;
    std::optional<FileChoice> saveFile(const std::string&, const std::string& proposed,
                                       const std::vector<std::string>&, int, bool) override {
        proposedNames.push_back(proposed);
        return take(saves);
    }

private:
    static std::optional<FileChoice> take(std::deque<std::optional<FileChoice>>& q) {
        if (q.empty()) return std::nullopt;
        auto v = q.front();
        q.pop_front();
        return v;
    }
};

} // namespace quillory::ui::fakes
