#include "screen/WorkerCount.h"

#include "platform/ProcessorCount.h"

namespace tessary {

WorkerCount onePerProcessor() {
    return [] { return getProcessorCount(); };
}

WorkerCount fixedWorkers(uint32_t count) {
    return [count] { return count; };
}

WorkerCount singleWorker() { return fixedWorkers(1); }

}  // namespace tessary
