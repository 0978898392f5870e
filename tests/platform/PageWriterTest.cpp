#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <optional>
#include <thread>
#include <vector>

#include "platform/Clock.h"
#include "platform/FileException.h"
#include "platform/FileFinder.h"
#include "platform/FileReader.h"
#include "platform/PageWriter.h"
#include "support/TestSupport.h"

namespace {

using platform::Clock;
using platform::FileException;
using platform::PageWriter;
using namespace testsupport;

struct Outcome {
    std::wstring path;
    bool written;
    std::string reason;
};

class PageWriterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        PageWriter::confineTo(W(dir.path()));
        previous_ = PageWriter::setObserver([this](const std::wstring& path, bool written, const std::string& reason) {
            outcomes.push_back({path, written, reason});
        });
    }
    void TearDown() override
    {
        PageWriter::setObserver(previous_);
        PageWriter::setFaultInjector(nullptr);
        PageWriter::confineTo(L"");
        PageWriter::removeLeftovers(false);
        Clock::release();
    }
    PageWriter::Result write(const std::string& path, const std::string& bytes)
    {
        return PageWriter::write(W(path), bytes.data(), bytes.size());
    }

    TempDir dir;
    std::vector<Outcome> outcomes;

private:
    PageWriter::Observer previous_;
};

TEST_F(PageWriterTest, WritesNewPageAndReplacesOldOne)
{
    const std::string page = dir / "ページ.html";
    ASSERT_EQ(write(page, "first"), PageWriter::Result::Written);
    EXPECT_EQ(readFile(page), "first");
    ASSERT_EQ(write(page, "second, longer"), PageWriter::Result::Written);
    EXPECT_EQ(readFile(page), "second, longer");
    ASSERT_EQ(write(page, ""), PageWriter::Result::Written);
    EXPECT_EQ(readFile(page), "");
    EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"ページ.html"});
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0].path, W(page));
    EXPECT_TRUE(outcomes[0].written);
}

TEST_F(PageWriterTest, NewPageFollowsUmaskAndReplacedPageKeepsItsMode)
{
    const mode_t oldMask = umask(022);
    const std::string page = dir / "new.html";
    ASSERT_EQ(write(page, "x"), PageWriter::Result::Written);
    umask(oldMask);
    struct stat st;
    ASSERT_EQ(stat(page.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0644u);

    ASSERT_EQ(chmod(page.c_str(), 0600), 0);
    ASSERT_EQ(write(page, "y"), PageWriter::Result::Written);
    ASSERT_EQ(stat(page.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

TEST_F(PageWriterTest, WritesThroughSymbolicLinkWithinTheConfiningFolder)
{
    writeFile(dir / "real.html", "old");
    writeFile(dir / "sub/real.html", "old");
    ASSERT_EQ(symlink("real.html", (dir / "link.html").c_str()), 0);
    ASSERT_EQ(symlink("sub", (dir / "linked-folder").c_str()), 0);
    ASSERT_EQ(write(dir / "link.html", "new"), PageWriter::Result::Written);
    ASSERT_EQ(write(dir / "linked-folder/real.html", "new"), PageWriter::Result::Written);
    EXPECT_EQ(readFile(dir / "real.html"), "new");
    EXPECT_EQ(readFile(dir / "sub/real.html"), "new");
    struct stat st;
    ASSERT_EQ(lstat((dir / "link.html").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
}

// A link in the site to a file outside it (~/.ssh/authorized_keys) had that file replaced by the
// page; a link to a device or FIFO counted as a missing page and was replaced. Each such page is
// now refused, without throwing, and nothing on either side changes.
TEST_F(PageWriterTest, TargetOutsideTheConfiningFolderOrNoRegularFileIsRefused)
{
    TempDir outside;
    writeFile(outside / "authorized_keys", "keys");
    ASSERT_EQ(0, symlink((outside / "authorized_keys").c_str(), (dir / "to-outside.html").c_str()));
    ASSERT_EQ(0, symlink(outside.path().c_str(), (dir / "outside-folder").c_str()));
    ASSERT_EQ(0, symlink("../../missing.html", (dir / "dangling.html").c_str()));
    ASSERT_EQ(0, mkfifo((dir / "fifo.html").c_str(), 0644));
    ASSERT_EQ(0, symlink("fifo.html", (dir / "to-fifo.html").c_str()));
    ASSERT_EQ(0, symlink("/dev/null", (dir / "to-device.html").c_str()));
    writeFile(dir / "folder.html/keep.txt", "mine");
    const struct {
        const char* description;
        std::string path;
        const char* reason;
    } cases[] = {
        {"link to a file outside", dir / "to-outside.html", "a symbolic link to a place outside the site folder"},
        {"page in a linked folder outside", dir / "outside-folder/authorized_keys", "outside the site folder"},
        {"page outside", outside / "authorized_keys", "outside the site folder"},
        {"link to nothing", dir / "dangling.html", "a symbolic link to nothing"},
        {"FIFO", dir / "fifo.html", "not a regular file (a FIFO, device or socket has the page's name)"},
        {"link to a FIFO", dir / "to-fifo.html", "not a regular file (a FIFO, device or socket has the page's name)"},
        {"link to a device", dir / "to-device.html", "a symbolic link to a place outside the site folder"},
        {"folder", dir / "folder.html", "a folder has the page's name"},
    };
    const std::vector<std::string> names = listDir(dir.path());
    for (const auto& c : cases) {
        outcomes.clear();
        PageWriter::Result result = PageWriter::Result::Written;
        EXPECT_NO_THROW(result = write(c.path, "attacker's line")) << c.description;
        EXPECT_EQ(result, PageWriter::Result::NotOpened) << c.description;
        ASSERT_EQ(outcomes.size(), 1u) << c.description;
        EXPECT_EQ(outcomes[0].reason, c.reason) << c.description;
    }
    EXPECT_EQ(readFile(outside / "authorized_keys"), "keys");
    EXPECT_EQ(listDir(outside.path()), std::vector<std::string>{"authorized_keys"});
    EXPECT_EQ(listDir(dir.path()), names);
    EXPECT_EQ(readFile(dir / "folder.html/keep.txt"), "mine");
}

// The target was checked by its path, then written by the same path: a folder on the way swapped
// for a link to a place outside in between carried the page there. Writes now go through a handle
// on the checked folder, so however the swaps fall, nothing lands outside; in a batch, which
// resolves each folder once, neither.
TEST_F(PageWriterTest, FolderSwappedForALinkDuringWritesNeverCarriesAPageOutside)
{
    for (const int writes : {2000, 200}) {
        TempDir outside;
        const std::string menu = dir / "menu", real = dir / "real";
        writeFile(menu + "/page.html", "old");
        std::atomic<bool> done{false};
        std::thread swapper([&] {
            while (!done) {
                if (rename(menu.c_str(), real.c_str()) == 0 && symlink(outside.path().c_str(), menu.c_str()) == 0 &&
                    unlink(menu.c_str()) == 0)
                    rename(real.c_str(), menu.c_str());
            }
        });
        {
            std::optional<PageWriter::Batch> batch;
            if (writes == 200)
                batch.emplace();
            for (int i = 0; i < writes; ++i)
                EXPECT_NO_THROW(write(menu + "/page" + std::to_string(i % 7) + ".html", "new"));
        }
        done = true;
        swapper.join();
        EXPECT_EQ(listDir(outside.path()), std::vector<std::string>{}) << writes;
    }
}

// Temporary files of a killed run stayed for ever. A run holding the site's lock removes those of
// each folder it writes into, and only those.
TEST_F(PageWriterTest, LeftoverTemporaryFilesGoWhenEnabled)
{
    const std::string leftover = ".page.html.zebhost-tmp.aB3xY9";
    writeFile(dir / leftover, "half");
    writeFile(dir / ".hidden.html", "mine");
    ASSERT_TRUE(PageWriter::isTemporaryName(leftover));
    ASSERT_EQ(write(dir / "page.html", "x"), PageWriter::Result::Written);
    EXPECT_TRUE(exists(dir / leftover)) << "not enabled: another run may own it";
    PageWriter::removeLeftovers(true);
    ASSERT_EQ(write(dir / "page.html", "y"), PageWriter::Result::Written);
    EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{".hidden.html", "page.html"}));
    EXPECT_TRUE(PageWriter::syncFolders().empty());
}

TEST_F(PageWriterTest, UnopenablePageIsNotWrittenWithoutThrowing)
{
    writeFile(dir / "file", "not a folder");
    struct Case {
        const char* description;
        std::string path;
    };
    std::vector<Case> cases = {
        {"missing folder", dir / "missing/page.html"},
        {"folder is a file", dir / "file/page.html"},
        {"path names a folder", dir.path() + "/"},
        {"empty path", ""},
    };
    if (geteuid() != 0) {
        // Root may write into a read-only folder, so this case only holds for other users.
        writeFile(dir / "ro/page.html", "old");
        chmod((dir / "ro").c_str(), 0555);
        cases.push_back({"read-only folder", dir / "ro/page.html"});
        // Regression: the temporary file and rename replaced a page its owner made read-only.
        writeFile(dir / "ro-page.html", "old");
        chmod((dir / "ro-page.html").c_str(), 0444);
        cases.push_back({"read-only page in a writable folder", dir / "ro-page.html"});
    }
    for (const auto& c : cases) {
        outcomes.clear();
        PageWriter::Result result = PageWriter::Result::Written;
        EXPECT_NO_THROW(result = write(c.path, "x")) << c.description;
        EXPECT_EQ(result, PageWriter::Result::NotOpened) << c.description;
        ASSERT_EQ(outcomes.size(), 1u) << c.description;
        EXPECT_FALSE(outcomes[0].written) << c.description;
        EXPECT_FALSE(outcomes[0].reason.empty()) << c.description;
    }
    if (geteuid() != 0) {
        EXPECT_EQ(readFile(dir / "ro/page.html"), "old");
        EXPECT_EQ(readFile(dir / "ro-page.html"), "old");
    }
}

TEST_F(PageWriterTest, FaultAfterOpeningKeepsOldPageAndLeavesNoTemporary)
{
    const std::string page = dir / "page.html";
    writeFile(page, "old content");
    std::vector<std::wstring> asked;
    PageWriter::setFaultInjector([&](const std::wstring& path) {
        asked.push_back(path);
        return std::string("No space left on device");
    });
    try {
        write(page, "new content");
        FAIL() << "no exception";
    } catch (const FileException& e) {
        EXPECT_EQ(e.path(), W(page));
        EXPECT_EQ(e.reason(), "No space left on device");
        EXPECT_NE(std::string(e.what()).find(page), std::string::npos);
    }
    EXPECT_EQ(asked, std::vector<std::wstring>{W(page)});
    EXPECT_EQ(readFile(page), "old content");
    EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"page.html"});
    ASSERT_EQ(outcomes.size(), 1u);
    EXPECT_FALSE(outcomes[0].written);
    EXPECT_EQ(outcomes[0].reason, "No space left on device");

    // An injector that answers "" lets the write through.
    PageWriter::setFaultInjector([](const std::wstring&) { return std::string(); });
    EXPECT_EQ(write(page, "new content"), PageWriter::Result::Written);
    EXPECT_EQ(readFile(page), "new content");
}

// A folder with a page's name made the rename fail and ended the run; the page is skipped now.
TEST_F(PageWriterTest, FolderInThePagesPlaceIsSkippedWithoutThrowingAndCleansUp)
{
    writeFile(dir / "taken.html/inner", "x");
    EXPECT_EQ(write(dir / "taken.html", "x"), PageWriter::Result::NotOpened);
    EXPECT_EQ(listDir(dir.path()), std::vector<std::string>{"taken.html"});
}

// Each page was flushed to disk on its own, and a full rebuild waited for every flush in turn. In a
// batch the flushes run together when it ends; a page of the batch that is read or looked up
// meanwhile is completed first.
TEST_F(PageWriterTest, BatchFlushesItsPagesTogetherWhenItEndsOrOneIsRead)
{
    writeFile(dir / "a.html", "old a");
    {
        PageWriter::Batch batch;
        ASSERT_EQ(write(dir / "a.html", "new a"), PageWriter::Result::Written);
        ASSERT_EQ(write(dir / "b.html", "new b"), PageWriter::Result::Written);
        EXPECT_EQ(readFile(dir / "a.html"), "old a");
        EXPECT_TRUE(outcomes.empty());
        std::string bytes;
        ASSERT_EQ(platform::FileReader::read(W(dir / "b.html"), bytes), platform::FileReader::Result::Read);
        EXPECT_EQ(bytes, "new b");
        EXPECT_EQ(outcomes.size(), 2u);
        ASSERT_EQ(write(dir / "c.html", "new c"), PageWriter::Result::Written);
        platform::FileFinder finder;
        EXPECT_TRUE(finder.findFile(W(dir / "*.html")) && finder.findNext() && finder.findNext());
        ASSERT_EQ(write(dir / "d.html", "new d"), PageWriter::Result::Written);
    }
    EXPECT_EQ(readFile(dir / "a.html"), "new a");
    EXPECT_EQ(readFile(dir / "d.html"), "new d");
    EXPECT_EQ(listDir(dir.path()), (std::vector<std::string>{"a.html", "b.html", "c.html", "d.html"}));
    ASSERT_EQ(outcomes.size(), 4u);
    EXPECT_TRUE(outcomes[3].written);
    {
        PageWriter::Batch batch; // more pages than are held open till the end: the rest by name
        for (int i = 0; i < 300; ++i)
            ASSERT_EQ(write(dir / ("p" + std::to_string(i) + ".html"), "x"), PageWriter::Result::Written);
    }
    EXPECT_EQ(listDir(dir.path()).size(), 304u);
    EXPECT_EQ(readFile(dir / "p299.html"), "x"); // a batch this large is flushed with its file system
}

TEST_F(PageWriterTest, FixedClockStampsWrittenPage)
{
    const std::string page = dir / "page.html";
    const std::int64_t moment = localTime(2008, 11, 15);
    Clock::fix(moment);
    ASSERT_EQ(write(page, "x"), PageWriter::Result::Written);
    EXPECT_EQ(mtime(page), moment);

    Clock::release();
    ASSERT_EQ(write(page, "y"), PageWriter::Result::Written);
    EXPECT_GT(mtime(page), moment);
}

TEST_F(PageWriterTest, LongPageNameStillGetsATemporaryFile)
{
    std::string name(250, 'a');
    name += ".html"; // (operator+ on the temporary draws a false -Warray-bounds from g++ 12)
    const std::string page = dir / name;
    ASSERT_EQ(write(page, "x"), PageWriter::Result::Written);
    EXPECT_EQ(readFile(page), "x");
}

} // namespace
