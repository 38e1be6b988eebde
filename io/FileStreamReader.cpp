#include "io/FileStreamReader.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <limits>

#include "thread/Exception.h"

namespace tessary {

namespace {

static_assert(sizeof(off_t) >= sizeof(int64_t), "file positions need a 64-bit off_t");

// The errno of a failed call, taken before anything else can change it.
[[noreturn]] void throwSystemError(int error, const char* format, const char* method) {
    throw Win32Exception(static_cast<uint32_t>(error), formatMessage(format, method));
}

int toWhence(SeekOrigin origin) {
    switch (origin) {
        case SeekOrigin::Begin: return SEEK_SET;
        case SeekOrigin::End: return SEEK_END;
        case SeekOrigin::Current: break;
    }
    return SEEK_CUR;
}

}  // namespace

FileStreamReader::FileStreamReader(const char* path) {
    static const char* const kMethod = "tessary::FileStreamReader::FileStreamReader";
    static const char* const kFormat = "CreateFileA API failed in %s method.";
    // O_NONBLOCK keeps a FIFO or a device from blocking the open; such files
    // are refused below, and for a regular file the flag is cleared again.
    const int fd = ::open(path, O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) throwSystemError(errno, kFormat, kMethod);
    int error = 0;
    struct stat status {};
    if (::fstat(fd, &status) != 0) {
        error = errno;
    } else if (S_ISDIR(status.st_mode)) {
        error = EISDIR;
    } else if (!S_ISREG(status.st_mode)) {
        error = EINVAL;
    } else {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) error = errno;
    }
    if (error != 0) {
        ::close(fd);
        throwSystemError(error, kFormat, kMethod);
    }
    fd_ = fd;
}

FileStreamReader::~FileStreamReader() { ::close(fd_); }

std::size_t FileStreamReader::readImpl(void* buffer, std::size_t size) {
    if (size == 0) return 0;
    // One call may ask for at most SSIZE_MAX bytes; the loop does the rest.
    constexpr std::size_t kLargestCall = static_cast<std::size_t>(std::numeric_limits<ssize_t>::max());
    auto* destination = static_cast<uint8_t*>(buffer);
    std::size_t remaining = size;
    std::size_t delivered = 0;
    for (;;) {
        const ssize_t count = ::read(fd_, destination, std::min(remaining, kLargestCall));
        if (count < 0) {
            if (errno == EINTR) continue;
            throwSystemError(errno, "ReadFile API failed in %s method.", "tessary::FileStreamReader::readImpl");
        }
        // Nothing read means the position is at or past the end (or the file
        // shrank under us): stop rather than ask again forever.
        if (count == 0) break;
        const auto got = static_cast<std::size_t>(count);
        destination += got;
        delivered += got;
        remaining -= got;
        // Asking for the end costs two more calls; when nothing remains the
        // loop stops either way, so ask only after a short read.
        if (remaining == 0 || isEofImpl()) break;
    }
    return delivered;
}

std::size_t FileStreamReader::skipImpl(std::size_t count) {
    const int64_t before = getCursorImpl();
    const uint64_t widened = std::min<uint64_t>(count, uint64_t(std::numeric_limits<int64_t>::max()));
    seekImpl(static_cast<int64_t>(widened), SeekOrigin::Current);
    const int64_t after = getCursorImpl();
    if (after < before)
        throw IoException(formatMessage("Invalid seek position in %s method.", "tessary::FileStreamReader::skipImpl"));
    return static_cast<std::size_t>(static_cast<uint64_t>(after - before));
}

bool FileStreamReader::isEofImpl() { return getCursorImpl() == getLengthImpl(); }

void FileStreamReader::seekImpl(int64_t distance, SeekOrigin origin) {
    if (::lseek(fd_, static_cast<off_t>(distance), toWhence(origin)) < 0)
        throwSystemError(errno, "SetFilePointer API failed in %s method.", "tessary::FileStreamReader::seekImpl");
}

int64_t FileStreamReader::getCursorImpl() {
    const off_t position = ::lseek(fd_, 0, SEEK_CUR);
    if (position < 0)
        throwSystemError(errno, "SetFilePointer API failed in %s method.", "tessary::FileStreamReader::getCursorImpl");
    return static_cast<int64_t>(position);
}

int64_t FileStreamReader::getLengthImpl() {
    struct stat status {};
    if (::fstat(fd_, &status) != 0)
        throwSystemError(errno, "GetFileSizeEx API failed in %s method.", "tessary::FileStreamReader::getLengthImpl");
    return static_cast<int64_t>(status.st_size);
}

}  // namespace tessary
