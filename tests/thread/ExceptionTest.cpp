// The message table, the sharing of message buffers between copies, and which
// handler catches which error class.

#include <gtest/gtest.h>

#include <cstring>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <utility>

#include "thread/Exception.h"

namespace tessary {
namespace {

enum class Kind { Base, Interrupted, Io, Win32 };

struct MessageRow {
    const char* format;
    const char* method;
    Kind kind;
    const char* text;  // what() must read exactly this
};

// Every message the library can raise, with the class that carries it.
const MessageRow kMessageTable[] = {
    {"Out of memory in %s method.", "tessary::PngLoader::PngLoader", Kind::Base,
     "Out of memory in tessary::PngLoader::PngLoader method."},
    {"Invalid file format in %s method.", "tessary::PngLoader::PngLoader", Kind::Io,
     "Invalid file format in tessary::PngLoader::PngLoader method."},
    {"Invalid file format in %s method.", "tessary::PngLoader::loadImpl", Kind::Io,
     "Invalid file format in tessary::PngLoader::loadImpl method."},
    {"Invalid file format in %s method.", "tessary::PngLoader::readProc", Kind::Io,
     "Invalid file format in tessary::PngLoader::readProc method."},
    {"CreateFileA API failed in %s method.", "tessary::FileStreamReader::FileStreamReader", Kind::Win32,
     "CreateFileA API failed in tessary::FileStreamReader::FileStreamReader method."},
    {"ReadFile API failed in %s method.", "tessary::FileStreamReader::readImpl", Kind::Win32,
     "ReadFile API failed in tessary::FileStreamReader::readImpl method."},
    {"Invalid seek position in %s method.", "tessary::FileStreamReader::skipImpl", Kind::Io,
     "Invalid seek position in tessary::FileStreamReader::skipImpl method."},
    {"SetFilePointer API failed in %s method.", "tessary::FileStreamReader::seekImpl", Kind::Win32,
     "SetFilePointer API failed in tessary::FileStreamReader::seekImpl method."},
    {"SetFilePointer API failed in %s method.", "tessary::FileStreamReader::getCursorImpl", Kind::Win32,
     "SetFilePointer API failed in tessary::FileStreamReader::getCursorImpl method."},
    {"GetFileSizeEx API failed in %s method.", "tessary::FileStreamReader::getLengthImpl", Kind::Win32,
     "GetFileSizeEx API failed in tessary::FileStreamReader::getLengthImpl method."},
    {"CreateEvent API failed in %s method.", "tessary::Event::Event", Kind::Win32,
     "CreateEvent API failed in tessary::Event::Event method."},
    {"SetEvent API failed in %s method.", "tessary::Event::set", Kind::Win32,
     "SetEvent API failed in tessary::Event::set method."},
    {"ResetEvent API failed in %s method.", "tessary::Event::reset", Kind::Win32,
     "ResetEvent API failed in tessary::Event::reset method."},
    {"WaitForSingleObject API failed in %s method.", "tessary::Event::wait", Kind::Win32,
     "WaitForSingleObject API failed in tessary::Event::wait method."},
    {"Thread interupted in %s method.", "tessary::ThreadNotifier::sleep", Kind::Interrupted,
     "Thread interupted in tessary::ThreadNotifier::sleep method."},
    {"Thread interupted in %s method.", "tessary::ThreadNotifier::wait", Kind::Interrupted,
     "Thread interupted in tessary::ThreadNotifier::wait method."},
};

constexpr uint32_t kSomeErrorCode = 24;

// Raises the row's message the way every raising site does: format, construct, throw by value.
[[noreturn]] void raise(const MessageRow& row) {
    switch (row.kind) {
    case Kind::Base:
        throw Exception(formatMessage(row.format, row.method));
    case Kind::Interrupted:
        throw InterruptedException(formatMessage(row.format, row.method));
    case Kind::Io:
        throw IoException(formatMessage(row.format, row.method));
    case Kind::Win32:
        throw Win32Exception(kSomeErrorCode, formatMessage(row.format, row.method));
    }
    throw std::logic_error("unknown kind");
}

// Which of the handlers a thrown row reaches, in the order: standard base,
// Exception, InterruptedException, IoException, Win32Exception.
struct Caught {
    bool standard = false;
    bool base = false;
    bool interrupted = false;
    bool io = false;
    bool win32 = false;
};

template <typename Handled>
bool catches(const MessageRow& row) {
    try {
        try {
            raise(row);
        } catch (const Handled&) {
            return true;
        }
    } catch (const std::exception&) {
    }
    return false;
}

Caught catchAll(const MessageRow& row) {
    Caught caught;
    caught.standard = catches<std::exception>(row);
    caught.base = catches<Exception>(row);
    caught.interrupted = catches<InterruptedException>(row);
    caught.io = catches<IoException>(row);
    caught.win32 = catches<Win32Exception>(row);
    return caught;
}

class MessageTableTest : public ::testing::TestWithParam<MessageRow> {};

TEST_P(MessageTableTest, FormatsTheMethodNameIntoTheFixedText) {
    const MessageRow& row = GetParam();
    try {
        raise(row);
    } catch (const std::exception& error) {
        EXPECT_STREQ(row.text, error.what());
    }
}

TEST_P(MessageTableTest, IsCaughtOnlyByItsOwnClassAndItsBases) {
    const MessageRow& row = GetParam();
    const Caught caught = catchAll(row);
    EXPECT_TRUE(caught.standard);
    EXPECT_TRUE(caught.base);
    EXPECT_EQ(row.kind == Kind::Interrupted, caught.interrupted);
    EXPECT_EQ(row.kind == Kind::Io, caught.io);
    EXPECT_EQ(row.kind == Kind::Win32, caught.win32);
}

TEST_P(MessageTableTest, ACaughtCopySharesTheTextThatOutlivesTheOriginal) {
    const MessageRow& row = GetParam();
    std::exception_ptr held;
    const char* originalText = nullptr;
    try {
        raise(row);
    } catch (const Exception& error) {
        originalText = error.what();
        held = std::current_exception();
    }
    ASSERT_TRUE(held);
    try {
        std::rethrow_exception(held);
    } catch (const Exception& error) {
        EXPECT_EQ(originalText, error.what());  // the same buffer, not a copy of it
    }
    held = nullptr;
}

INSTANTIATE_TEST_SUITE_P(EveryMessage, MessageTableTest, ::testing::ValuesIn(kMessageTable));

TEST(ExceptionCopyTest, CopiesShareOneBufferThatSurvivesTheOriginal) {
    auto original = std::make_unique<Win32Exception>(
        kSomeErrorCode, formatMessage("CreateEvent API failed in %s method.", "tessary::Event::Event"));
    const Win32Exception copy(*original);
    const Win32Exception assigned = copy;
    EXPECT_EQ(original->getMessage().get(), copy.getMessage().get());
    EXPECT_EQ(original->what(), copy.what());
    EXPECT_EQ(original->what(), assigned.what());
    EXPECT_EQ(3, copy.getMessage().use_count());
    original.reset();
    EXPECT_EQ(2, copy.getMessage().use_count());
    EXPECT_STREQ("CreateEvent API failed in tessary::Event::Event method.", copy.what());
    EXPECT_EQ(kSomeErrorCode, copy.getErrorCode());
    EXPECT_EQ(kSomeErrorCode, assigned.getErrorCode());
}

TEST(ExceptionCopyTest, SlicedCopyKeepsTheSharedText) {
    const IoException io(formatMessage("Invalid seek position in %s method.", "tessary::FileStreamReader::skipImpl"));
    const Exception sliced(io);
    EXPECT_EQ(io.what(), sliced.what());
}

TEST(Win32ExceptionTest, KeepsTheFullRangeOfErrorCodes) {
    for (const uint32_t code : {0u, 1u, 24u, 0x7FFFFFFFu, 0xFFFFFFFFu}) {
        const Win32Exception error(code, formatMessage("ReadFile API failed in %s method.", "x"));
        EXPECT_EQ(code, error.getErrorCode());
    }
}

TEST(FormatMessageTest, TheBufferHoldsExactlyTheText) {
    const MessageBuffer text = formatMessage("%s=%d", "answer", 42);
    EXPECT_STREQ("answer=42", text.get());
}

TEST(FormatMessageTest, EmptyTextGivesAnEmptyString) {
    const MessageBuffer text = formatMessage("%s", "");
    ASSERT_NE(nullptr, text.get());
    EXPECT_STREQ("", text.get());
}

// Texts at and beyond the local buffer's capacity are never truncated.
class LongMessageTest : public ::testing::TestWithParam<std::size_t> {};

TEST_P(LongMessageTest, IsFormattedWhole) {
    const std::string method(GetParam(), 'm');
    const MessageBuffer text = formatMessage("Thread interupted in %s method.", method.c_str());
    EXPECT_EQ("Thread interupted in " + method + " method.", std::string(text.get()));
}

// The fixed part of the format is 29 characters, so these names put the text
// just below, at and just above the 2047 characters that fit in one pass.
INSTANTIATE_TEST_SUITE_P(AroundTheLocalBuffer, LongMessageTest,
                         ::testing::Values(std::size_t{2017}, std::size_t{2018}, std::size_t{2019}, std::size_t{2020},
                                           std::size_t{5000}, std::size_t{100000}));

}  // namespace
}  // namespace tessary
