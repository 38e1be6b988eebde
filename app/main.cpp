// The entry of `tessary`, which runs one render worker per processor, and of
// `tessary-single`, built from the same sources with
// TESSARY_SINGLE_RENDER_WORKER defined, which runs exactly one.

#include <string>

#include "app/Application.h"
#include "screen/WorkerCount.h"

namespace {

std::string baseName(const char* path) {
    const std::string full = path != nullptr && path[0] != '\0' ? path : "tessary";
    const std::size_t slash = full.find_last_of('/');
    return slash == std::string::npos ? full : full.substr(slash + 1);
}

tessary::WorkerCount workerCountOfThisProgram() {
#if defined(TESSARY_SINGLE_RENDER_WORKER)
    return tessary::singleWorker();
#else
    return tessary::onePerProcessor();
#endif
}

}  // namespace

int main(int argc, char** argv) {
    return runApplication(baseName(argc > 0 ? argv[0] : nullptr), workerCountOfThisProgram());
}
