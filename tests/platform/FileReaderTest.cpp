#include "platform/FileReader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <thread>

#include "support/TestSupport.h"

namespace {

using platform::FileReader;
using namespace testsupport;

// Files that are not read: a FIFO named like a page made readers wait for ever, a huge (sparse)
// data file took 20 GB of memory.
TEST(FileReaderTest, ReadsRegularFilesUpToTheLimitAndRefusesTheRest)
{
    TempDir dir;
    writeFile(dir / "page.html", "<p>x</p>");
    writeFile(dir / "empty.html", "");
    ASSERT_EQ(0, mkfifo((dir / "fifo.html").c_str(), 0644));
    ASSERT_EQ(0, mkdir((dir / "folder.html").c_str(), 0755));
    for (const char* name : {"limit.xml", "over.xml"}) {
        writeFile(dir / name, "");
        ASSERT_EQ(0, truncate((dir / name).c_str(), FileReader::kSizeLimit + (name[0] == 'o' ? 1 : 0)));
    }
    const struct {
        const char* description;
        std::string path;
        FileReader::Result result;
        std::size_t size;
        const char* reason;
    } cases[] = {
        {"a page", dir / "page.html", FileReader::Result::Read, 8, ""},
        {"an empty file", dir / "empty.html", FileReader::Result::Read, 0, ""},
        {"a file at the limit", dir / "limit.xml", FileReader::Result::Read, FileReader::kSizeLimit, ""},
        {"nothing there", dir / "missing.html", FileReader::Result::Missing, 0, ""},
        {"a FIFO, without waiting for a writer", dir / "fifo.html", FileReader::Result::Refused, 0,
         "not a regular file"},
        {"a device", "/dev/zero", FileReader::Result::Refused, 0, "not a regular file"},
        {"a folder", dir / "folder.html", FileReader::Result::Refused, 0, "a folder, not a file"},
        {"a file one byte over the limit", dir / "over.xml", FileReader::Result::Refused, 0,
         "larger than the 32 MiB a file may have"},
    };
    std::vector<std::string> told;
    const FileReader::Observer previous =
        FileReader::setObserver([&](const std::wstring& path, const std::string&) { told.push_back(U(path)); });
    for (const auto& c : cases) {
        std::string bytes = "stale";
        std::string reason;
        EXPECT_EQ(c.result, FileReader::read(W(c.path), bytes, &reason)) << c.description;
        EXPECT_EQ(c.size, bytes.size()) << c.description;
        EXPECT_EQ(c.reason, reason) << c.description;
    }
    FileReader::setObserver(previous);
    EXPECT_EQ((std::vector<std::string>{dir / "fifo.html", "/dev/zero", dir / "folder.html", dir / "over.xml"}), told);
}

// Large files were mapped; another program truncating one while it was in use killed the reader
// with SIGBUS. Read, the file gives what it holds at that moment.
TEST(FileReaderTest, FileTruncatedWhileBeingReadNeverKillsTheReader)
{
    TempDir dir;
    const std::string path = dir / "data.xml";
    const std::string full(4 * 1024 * 1024, 'x');
    writeFile(path, full);
    std::atomic<bool> done{false};
    std::thread truncator([&] {
        while (!done) {
            truncate(path.c_str(), 0);
            truncate(path.c_str(), static_cast<off_t>(full.size()));
        }
    });
    for (int i = 0; i < 50; ++i) {
        std::string bytes;
        EXPECT_EQ(FileReader::Result::Read, FileReader::read(W(path), bytes));
        EXPECT_LE(bytes.size(), full.size());
    }
    done = true;
    truncator.join();
}

} // namespace
