#include "text/file_io.h"

#include "files_test_util.h"
#include "text/error.h"

#include <gtest/gtest.h>

using namespace quillory;

class FileIo : public fixtures::ScratchDir {};

TEST_F(FileIo, ReadFailuresNameTheirReason) {
    const std::string big = path("big.bin");
    write("big.bin", "x");
    std::filesystem::resize_file(text::nativePath(big), 2048);
    struct Case {
        std::string file;
        std::uintmax_t limit;
        ErrorCode code;
        std::string message;
    };
    const Case cases[] = {
        {path("absent"), text::maxReadSize, ErrorCode::FileNotFound, path("absent") + ": no such file"},
        {path(""), text::maxReadSize, ErrorCode::FileUnreadable, path("") + ": is a folder, not a file"},
        {big, 1024, ErrorCode::TooLarge, big + ": larger than 1024 bytes, the most the program reads"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        try {
            text::readFile(c.file, c.limit);
            ADD_FAILURE() << "read";
        } catch (const FileError& e) {
            EXPECT_EQ(e.code(), c.code);
            EXPECT_EQ(std::string(e.what()), c.message);
        }
    }
    EXPECT_EQ(text::readFile(big, 2048).size(), 2048u);
}

TEST_F(FileIo, AtomicWriteReplacesWholeAndLeavesNoTemporaryFile) {
    const std::string file = write("job.dor", "old contents");
    text::writeFileAtomically(file, std::string("new\0bytes", 9));
    EXPECT_EQ(text::readFile(file), std::string("new\0bytes", 9));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), std::filesystem::directory_iterator()), 1);
    // A target that cannot be replaced (a folder) fails and leaves the folder's files alone.
    std::filesystem::create_directory(m_dir / "sub");
    EXPECT_THROW(text::writeFileAtomically(path("sub"), "x"), FileError);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir), std::filesystem::directory_iterator()), 2);
}

TEST_F(FileIo, CodePagePathsReachTheFileSystem) {
    const std::string file = path("") + "caf\xE9 \x80.txt"; // é and € in the code page
    text::writeFileAtomically(file, "x");
    EXPECT_TRUE(std::filesystem::exists(m_dir / u8"café €.txt"));
    EXPECT_TRUE(text::fileExists(file));
    EXPECT_FALSE(text::fileExists(path("")));
    EXPECT_TRUE(text::isWritableDirectory(path("")));
    EXPECT_FALSE(text::isWritableDirectory(file));
    EXPECT_EQ(text::withTrailingSeparator("C:\\x\\"), "C:\\x\\");
}
