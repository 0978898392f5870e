#include "host/MappedFile.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using testsupport::TempDir;
using testsupport::W;
using testsupport::writeFile;

namespace {

TEST(MappedFileTest, MapsBytesAndEmptyFiles)
{
    TempDir dir;
    const std::string bytes("a\0\xFF"
                            "b",
                            4);
    writeFile(dir / "data.bin", bytes);
    writeFile(dir / "empty.bin", "");

    MappedFile file;
    ASSERT_EQ(file.open(W(dir / "data.bin"), 0), 0);
    ASSERT_EQ(file.get_size(), 4u);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(file.get_top()), file.get_size()), bytes);

    ASSERT_EQ(file.open(W(dir / "empty.bin"), 0), 0) << "reopening maps the new file";
    EXPECT_EQ(file.get_size(), 0u);
    EXPECT_NE(file.get_top(), nullptr) << "an open empty file is not a failure";
    file.close();
    EXPECT_EQ(file.get_top(), nullptr);
    file.close();
}

// Files of every size give their bytes (small ones were read and large ones mapped).
TEST(MappedFileTest, GivesTheBytesOnBothSidesOfTheReadLimit)
{
    TempDir dir;
    for (std::size_t size :
         {std::size_t(1), std::size_t(1024 * 1024), std::size_t(1024 * 1024 + 1), std::size_t(3 * 1024 * 1024 + 7)}) {
        std::string bytes(size, '\0');
        for (std::size_t i = 0; i < size; ++i)
            bytes[i] = static_cast<char>((i * 131 + size) % 251);
        writeFile(dir / "data.bin", bytes);
        MappedFile file;
        ASSERT_EQ(file.open(W(dir / "data.bin"), 0), 0) << size;
        ASSERT_EQ(file.get_size(), size);
        EXPECT_TRUE(std::string(reinterpret_cast<const char*>(file.get_top()), file.get_size()) == bytes) << size;
        file.close();
        EXPECT_EQ(file.get_top(), nullptr);
    }
}

TEST(MappedFileTest, FailsOnMissingFilesAndFolders)
{
    TempDir dir;
    MappedFile file;
    EXPECT_NE(file.open(W(dir / "missing"), 0), 0);
    EXPECT_NE(file.open(W(dir.path()), 0), 0);
    EXPECT_NE(file.open(L"/dev/null", 0), 0) << "a device is no file to read";
    EXPECT_NE(file.open(L"", 0), 0);
    EXPECT_EQ(file.get_top(), nullptr);
    EXPECT_EQ(file.get_size(), 0u);
}

} // namespace
