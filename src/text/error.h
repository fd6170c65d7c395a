#pragma once
// The one family of exceptions that model operations touching files or the network throw.
// The command the user started catches them where it starts and shows one message.

#include <stdexcept>
#include <string>

namespace quillory {

enum class ErrorCode {
    General,
    FileNotFound,
    FileUnreadable,
    FileUnwritable,
    BadFormat,
    TooLarge,
    FileBusy,
    Network,
};

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message, ErrorCode code = ErrorCode::General)
        : std::runtime_error(message), m_code(code) {}
    ErrorCode code() const noexcept { return m_code; }

private:
    ErrorCode m_code;
};

// A file could not be opened, read or written.
class FileError : public Error {
public:
    using Error::Error;
};

// A file was read but does not hold what it should.
class FormatError : public Error {
public:
    explicit FormatError(const std::string& message) : Error(message, ErrorCode::BadFormat) {}
};

// The SMTP server could not be reached or answered with an error.
class NetworkError : public Error {
public:
    explicit NetworkError(const std::string& message) : Error(message, ErrorCode::Network) {}
};

} // namespace quillory
