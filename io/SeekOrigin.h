#pragma once

#include <cstdint>

namespace tessary {

// Where a seek distance is measured from. Other codes are treated as Current.
enum class SeekOrigin : int32_t { Begin = 0, Current = 1, End = 2 };

}  // namespace tessary
