// The failures the tool raises inside an operation and shows to the operator at the handler
// boundary: the message is the text the operator reads (a full stop is added by the error box).
#pragma once

#include <stdexcept>
#include <string>

namespace bpconf {

// Base of every failure the operator may see in the standard error box.
class Exception : public std::runtime_error {
  public:
    explicit Exception(const std::string& message)
        : std::runtime_error(message), message_(message) {}
    // The whole text, 0x00 bytes included (what() stops at the first one).
    const std::string& Message() const { return message_; }

  private:
    std::string message_;
};

// An index outside 0 .. Count-1 of a byte list.
class ListIndexError : public Exception {
  public:
    using Exception::Exception;
};

// A file that cannot be opened or read.
class FileOpenError : public Exception {
  public:
    using Exception::Exception;
};

// A text that is not a whole number where one is required.
class NotAnIntegerError : public Exception {
  public:
    using Exception::Exception;
};

}  // namespace bpconf
