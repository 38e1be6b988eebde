#pragma once
// A failed SDL call, with SDL's own explanation of why.

#include <stdexcept>
#include <string>

namespace tessary {

class SdlError : public std::runtime_error {
public:
    // Reads SDL_GetError(), so construct it right after the failed call.
    explicit SdlError(const std::string& failedCall);
};

}  // namespace tessary
