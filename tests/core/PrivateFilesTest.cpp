#include "core/PrivateFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "TempDir.h"

namespace tidemark {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using Status = FileReadResult::Status;

TEST(PrivateFilesTest, BoundedReaderFailsOrCutsAtTheLimit) {
    TempDir dir;
    struct Case {
        std::size_t bytes;
        BeyondLimit beyond;
        Status status;
        std::size_t kept;
        bool truncated;
    };
    const Case cases[] = {
        {0, BeyondLimit::fail, Status::read, 0, false},
        {8, BeyondLimit::fail, Status::read, 8, false},
        {9, BeyondLimit::fail, Status::failed, 0, false},
        {8, BeyondLimit::truncate, Status::read, 8, false},
        {9, BeyondLimit::truncate, Status::read, 8, true},
    };
    for (const Case& c : cases) {
        const std::string content(c.bytes, 'x');
        TempDir::writeFile(dir / "f", content);
        const FileReadResult result = readRegularFile(dir / "f", 8, c.beyond);
        EXPECT_EQ(result.status, c.status) << c.bytes;
        EXPECT_EQ(result.content, content.substr(0, c.kept)) << c.bytes;
        EXPECT_EQ(result.truncated, c.truncated) << c.bytes;
    }

    // Whatever the mode, a FIFO must not block and a directory is no file.
    ASSERT_EQ(::mkfifo((dir / "fifo").c_str(), 0600), 0);
    fs::create_directory(dir / "directory");
    for (const BeyondLimit beyond : {BeyondLimit::fail, BeyondLimit::truncate}) {
        EXPECT_EQ(readRegularFile(dir / "fifo", 8, beyond).status, Status::failed);
        EXPECT_EQ(readRegularFile(dir / "directory", 8, beyond).status, Status::failed);
        EXPECT_EQ(readRegularFile(dir / "missing", 8, beyond).status, Status::missing);
    }
}

}  // namespace
}  // namespace tidemark
