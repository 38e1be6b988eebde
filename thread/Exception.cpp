#include "thread/Exception.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <new>
#include <utility>

namespace tessary {

MessageBuffer formatMessage(const char* format, ...) {
    char local[2048];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int length = std::vsnprintf(local, sizeof local, format, args);
    va_end(args);
    if (length < 0) {
        va_end(again);
        throw std::bad_alloc();  // only an invalid format gets here; none of ours is
    }
    std::unique_ptr<char[]> text(new char[static_cast<std::size_t>(length) + 1]);
    if (static_cast<std::size_t>(length) < sizeof local) {
        std::memcpy(text.get(), local, static_cast<std::size_t>(length) + 1);
    } else {
        std::vsnprintf(text.get(), static_cast<std::size_t>(length) + 1, format, again);
    }
    va_end(again);
    // If the shared count cannot be allocated, the shared pointer's constructor
    // frees the text itself before the allocation failure propagates.
    return MessageBuffer(text.release(), std::default_delete<const char[]>());
}

Exception::Exception(MessageBuffer message) noexcept : message_(std::move(message)) {}

const char* Exception::what() const noexcept { return message_ ? message_.get() : "tessary::Exception"; }

Win32Exception::Win32Exception(uint32_t errorCode, MessageBuffer message) noexcept
    : Exception(std::move(message)), errorCode_(errorCode) {}

}  // namespace tessary
