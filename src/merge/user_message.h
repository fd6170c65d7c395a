#pragma once
// A message box as the model words it: the window shows it unchanged. Operations that give up
// throw MessageError carrying the box; operations that go on return the boxes to show after.

#include "text/error.h"

#include <string>
#include <utility>

namespace quillory::merge {

enum class MessageIcon { Error, Information, Question };

struct UserMessage {
    std::string caption;
    MessageIcon icon = MessageIcon::Error;
    std::string text;
    bool operator==(const UserMessage&) const = default;
};

class MessageError final : public Error {
public:
    MessageError(UserMessage message, ErrorCode code = ErrorCode::General)
        : Error(message.text, code), m_message(std::move(message)) {}
    const UserMessage& message() const noexcept { return m_message; }

private:
    UserMessage m_message;
};

// Several messages separate a path from the rest with LF followed by CR.
inline constexpr const char* pathBreak = "\n\r";

} // namespace quillory::merge
