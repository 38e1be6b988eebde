// Cursor, length and end-of-file rules of the stream readers, on real
// temporary files and on the in-memory reader that must behave the same.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <functional>
#include <ostream>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "io/FileStreamReader.h"
#include "io/MemoryStreamReader.h"
#include "tests/io/PngFixture.h"
#include "thread/Exception.h"

namespace tessary {
namespace {

std::vector<uint8_t> countingBytes(std::size_t size) {
    std::vector<uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), uint8_t{0});
    return bytes;
}

struct ReaderKind {
    const char* name;
    std::function<std::unique_ptr<IStreamReader>(const testing::TemporaryDirectory&, const std::vector<uint8_t>&)>
        make;
};

void PrintTo(const ReaderKind& c, std::ostream* os) { *os << c.name; }

const ReaderKind kReaderKinds[] = {
    {"File",
     [](const testing::TemporaryDirectory& dir, const std::vector<uint8_t>& bytes) -> std::unique_ptr<IStreamReader> {
         const std::string path = dir.file("stream.bin");
         testing::writeFile(path, bytes);
         return std::make_unique<FileStreamReader>(path.c_str());
     }},
    {"Memory",
     [](const testing::TemporaryDirectory&, const std::vector<uint8_t>& bytes) -> std::unique_ptr<IStreamReader> {
         return std::make_unique<MemoryStreamReader>(bytes);
     }},
};

class StreamReaderTest : public ::testing::TestWithParam<ReaderKind> {
protected:
    std::unique_ptr<IStreamReader> open(std::size_t size) { return GetParam().make(dir_, countingBytes(size)); }

    testing::TemporaryDirectory dir_;
};

TEST_P(StreamReaderTest, ReadingNothingReturnsZero) {
    auto reader = open(60);
    uint8_t byte = 0;
    EXPECT_EQ(reader->read(&byte, 0), 0u);
    EXPECT_EQ(reader->getCursor(), 0);
}

TEST_P(StreamReaderTest, ReadingPastTheEndDeliversTheRestThenNothing) {
    auto reader = open(60);
    std::vector<uint8_t> buffer(100, 0xEE);
    EXPECT_EQ(reader->read(buffer.data(), 100), 60u);
    EXPECT_TRUE(std::equal(buffer.begin(), buffer.begin() + 60, countingBytes(60).begin()));
    EXPECT_EQ(buffer[60], 0xEE);
    EXPECT_TRUE(reader->isEof());
    EXPECT_EQ(reader->getCursor(), 60);
    EXPECT_EQ(reader->read(buffer.data(), 1), 0u);
    EXPECT_EQ(reader->read(buffer.data(), 100), 0u);
}

TEST_P(StreamReaderTest, EndIsReachedExactlyAtTheLength) {
    std::vector<uint8_t> buffer(60);
    auto whole = open(60);
    EXPECT_EQ(whole->read(buffer.data(), 60), 60u);
    EXPECT_TRUE(whole->isEof());
    auto short_ = open(60);
    EXPECT_EQ(short_->read(buffer.data(), 59), 59u);
    EXPECT_FALSE(short_->isEof());
    EXPECT_EQ(short_->getLength(), 60);
}

TEST_P(StreamReaderTest, SeekMovesTheCursor) {
    auto reader = open(60);
    reader->seek(0, SeekOrigin::End);
    EXPECT_TRUE(reader->isEof());
    reader->seek(10, SeekOrigin::Begin);
    EXPECT_EQ(reader->getCursor(), 10);
    reader->seek(-4, SeekOrigin::Current);
    EXPECT_EQ(reader->getCursor(), 6);
    uint8_t byte = 0;
    EXPECT_EQ(reader->read(&byte, 1), 1u);
    EXPECT_EQ(byte, 6);
    // An origin code outside the three counts from the current position.
    reader->seek(3, static_cast<SeekOrigin>(7));
    EXPECT_EQ(reader->getCursor(), 10);
}

TEST_P(StreamReaderTest, SkipMayPassTheEndAndThenReadsDeliverNothing) {
    auto reader = open(12);
    reader->seek(5, SeekOrigin::Begin);
    EXPECT_EQ(reader->skip(10), 10u);
    EXPECT_EQ(reader->getCursor(), 15);
    EXPECT_FALSE(reader->isEof());  // beyond the end is not the end
    uint8_t buffer[8] = {};
    EXPECT_EQ(reader->read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(reader->getCursor(), 15);
}

TEST_P(StreamReaderTest, EmptyStreamIsAtItsEnd) {
    auto reader = open(0);
    EXPECT_TRUE(reader->isEof());
    uint8_t byte = 0;
    EXPECT_EQ(reader->read(&byte, 1), 0u);
}

INSTANTIATE_TEST_SUITE_P(BothReaders, StreamReaderTest, ::testing::ValuesIn(kReaderKinds),
                         [](const ::testing::TestParamInfo<ReaderKind>& c) { return c.param.name; });

// --- File reader errors ---------------------------------------------------------

template <typename Operation>
void expectSystemError(Operation operation, const char* message, int error) {
    try {
        operation();
        ADD_FAILURE() << "no error; expected \"" << message << "\"";
    } catch (const Win32Exception& e) {
        EXPECT_STREQ(e.what(), message);
        EXPECT_EQ(e.getErrorCode(), static_cast<uint32_t>(error));
    }
}

const char* const kOpenError = "CreateFileA API failed in tessary::FileStreamReader::FileStreamReader method.";

TEST(FileStreamReaderErrors, OpeningAMissingFileGivesTheSystemsCode) {
    testing::TemporaryDirectory dir;
    expectSystemError([&] { FileStreamReader reader(dir.file("absent").c_str()); }, kOpenError, ENOENT);
}

TEST(FileStreamReaderErrors, DirectoriesAndFifosAreNotOpened) {
    testing::TemporaryDirectory dir;
    expectSystemError([&] { FileStreamReader reader(dir.getPath().c_str()); }, kOpenError, EISDIR);
    // Opening a FIFO with no writer would block a plain open for ever.
    const std::string fifo = dir.file("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    expectSystemError([&] { FileStreamReader reader(fifo.c_str()); }, kOpenError, EINVAL);
}

TEST(FileStreamReaderErrors, SeekingBeforeTheStartFailsInTheCall) {
    testing::TemporaryDirectory dir;
    testing::writeFile(dir.file("f"), countingBytes(12));
    FileStreamReader reader(dir.file("f").c_str());
    reader.seek(4, SeekOrigin::Begin);
    expectSystemError([&] { reader.seek(-1, SeekOrigin::Begin); },
                      "SetFilePointer API failed in tessary::FileStreamReader::seekImpl method.", EINVAL);
    EXPECT_EQ(reader.getCursor(), 4);  // the failed seek moved nothing
}

// The reader asks for the length through the virtual operation, so a derived
// reader that reports a shorter length moves the end.
class ShortenedFileReader : public FileStreamReader {
public:
    using FileStreamReader::FileStreamReader;

protected:
    int64_t getLengthImpl() override { return 20; }
};

TEST(FileStreamReaderErrors, EndTestGoesThroughTheVirtualLength) {
    testing::TemporaryDirectory dir;
    testing::writeFile(dir.file("f"), countingBytes(60));
    ShortenedFileReader reader(dir.file("f").c_str());
    reader.seek(20, SeekOrigin::Begin);
    EXPECT_TRUE(reader.isEof());
}

TEST(MemoryStreamReaderErrors, SeekingBeforeTheStartIsRefused) {
    MemoryStreamReader reader(countingBytes(12));
    EXPECT_THROW(reader.seek(-1, SeekOrigin::Begin), IoException);
    EXPECT_THROW(reader.seek(-13, SeekOrigin::End), IoException);
    EXPECT_EQ(reader.getCursor(), 0);
}

}  // namespace
}  // namespace tessary
