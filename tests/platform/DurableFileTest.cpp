#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "platform/DurableFile.h"
#include "support/TestSupport.h"

namespace {

using platform::DurableFile;

// One flush of a whole file system stands in for the flush of each page only where the kernel
// writes every file of it and reports a failure to write any of them.
TEST(DurableFileTest, FlushesWholeOnlyDiskFileSystemsAndReportsFailure)
{
    struct Case {
        const char* description;
        const char* folder;
        bool whole;
    };
    const Case cases[] = {
        {"the kernel's process view", "/proc", false},
        {"the kernel's device view", "/sys", false},
    };
    for (const Case& c : cases) {
        const int fd = ::open(c.folder, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ASSERT_GE(fd, 0) << c.description;
        EXPECT_EQ(DurableFile::flushesWhole(fd), c.whole) << c.description;
        ::close(fd);
    }
    EXPECT_FALSE(DurableFile::flushesWhole(-1));

    testsupport::TempDir dir;
    const int fd = ::open(dir.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(DurableFile::flushFileSystem(fd), "");
    ::close(fd);
    EXPECT_EQ(DurableFile::flushFileSystem(-1), "Bad file descriptor");
}

} // namespace
