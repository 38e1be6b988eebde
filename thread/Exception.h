#pragma once
// The four error classes of the library. Each carries one message formed from
// a fixed format ending in "in %s method." and the raising method's qualified
// name; copies share the message buffer.

#include <cstdint>
#include <exception>
#include <memory>

namespace tessary {

using MessageBuffer = std::shared_ptr<const char[]>;

// printf-style formatting into a new buffer of exactly the text's length plus
// its terminator. Texts up to 2047 characters are formatted in one pass in a
// fixed local buffer; longer ones are formatted whole, never truncated.
MessageBuffer formatMessage(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

class Exception : public std::exception {
public:
    explicit Exception(MessageBuffer message) noexcept;
    const char* what() const noexcept override;

    // The shared text, for callers that want to see that copies share it.
    const MessageBuffer& getMessage() const noexcept { return message_; }

private:
    MessageBuffer message_;
};

class InterruptedException : public Exception {
public:
    using Exception::Exception;
};

class IoException : public Exception {
public:
    using Exception::Exception;
};

// A failed operating-system call; the code is the errno value the call left.
class Win32Exception : public Exception {
public:
    Win32Exception(uint32_t errorCode, MessageBuffer message) noexcept;
    uint32_t getErrorCode() const noexcept { return errorCode_; }

private:
    uint32_t errorCode_;
};

}  // namespace tessary
