#include "platform/ProcessorCount.h"

#include <unistd.h>

namespace tessary {

uint32_t getProcessorCount() {
    const long count = sysconf(_SC_NPROCESSORS_ONLN);
    return count >= 1 ? static_cast<uint32_t>(count) : 1u;
}

}  // namespace tessary
