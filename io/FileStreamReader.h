#pragma once
// A stream over a file opened read-only. The position and the length live in
// the kernel's file object; the reader keeps no copy of either and does no
// buffering of its own, so callers should read in blocks.

#include <cstddef>
#include <cstdint>

#include "io/IStreamReader.h"

namespace tessary {

class FileStreamReader : public IStreamReader {
public:
    // Opens an existing regular file for reading. Throws Win32Exception with
    // the system's error code when it cannot be opened (EISDIR for a
    // directory, EINVAL for anything that is not a regular file).
    explicit FileStreamReader(const char* path);
    ~FileStreamReader() override;

    FileStreamReader(const FileStreamReader&) = delete;
    FileStreamReader& operator=(const FileStreamReader&) = delete;

protected:
    // Stops at the end of the file. Beyond the end (reachable only by seek or
    // skip) nothing is delivered and 0 is returned.
    std::size_t readImpl(void* buffer, std::size_t size) override;
    // May move past the end; the full count is returned then.
    std::size_t skipImpl(std::size_t count) override;
    // True exactly at the end; a position beyond it is not the end.
    bool isEofImpl() override;

    // Positions past the end are accepted; before the start the call fails.
    void seekImpl(int64_t distance, SeekOrigin origin) override;
    int64_t getCursorImpl() override;
    int64_t getLengthImpl() override;

private:
    int fd_ = -1;
};

}  // namespace tessary
