// zebhost when the disk fails it: a read-only site-menu folder, a disk that fills up while pages
// are written. zebhost reports it and fails, and every page on disk is either the old one whole
// or the new one whole. (A page removed between listing and reading: tests/module.)
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "e2e/ScratchSite.h"
#include "support/TestSupport.h"

namespace {

using namespace scratch;
using testsupport::readFile;
using testsupport::RunResult;

// A file system mounted for the test and taken away at its end. Only root may mount; where that
// is not allowed (no privilege, a container without the capability), mounted() is false and
// why() says so.
class TestMount {
public:
    // A small tmpfs of the given size at target.
    static TestMount tmpfs(const std::string& target, const std::string& size)
    {
        TestMount m(target);
        m.attempt(::mount("tmpfs", target.c_str(), "tmpfs", 0, ("size=" + size).c_str()) == 0);
        return m;
    }
    // The folder mounted read-only onto itself.
    static TestMount readOnlyBind(const std::string& target)
    {
        TestMount m(target);
        if (m.attempt(::mount(target.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) == 0)) {
            if (::mount(nullptr, target.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) != 0) {
                m.why_ = std::string("cannot remount read-only: ") + std::strerror(errno);
                m.release();
            }
        }
        return m;
    }
    TestMount(TestMount&& other) noexcept : target_(other.target_), mounted_(other.mounted_), why_(other.why_)
    {
        other.mounted_ = false;
    }
    ~TestMount() { release(); }
    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

private:
    explicit TestMount(std::string target) : target_(std::move(target)) {}
    bool attempt(bool ok)
    {
        mounted_ = ok;
        if (!ok)
            why_ = geteuid() != 0 ? "mounting needs root" : std::string("mount failed: ") + std::strerror(errno);
        return ok;
    }
    void release()
    {
        if (mounted_)
            ::umount2(target_.c_str(), MNT_DETACH);
        mounted_ = false;
    }

    std::string target_;
    bool mounted_ = false;
    std::string why_;
};

// Every name in the site-menu folder that is a temporary file of a page write.
std::vector<std::string> temporaryFiles(const ScratchSite& site)
{
    std::vector<std::string> found;
    for (const std::string& name : testsupport::listDir(site / "ZebSitemenu"))
        if (name[0] == '.' && "ZebSitemenu/" + name != scratch::kPageCache)
            found.push_back(name);
    return found;
}

// Makes every data file of the site newer than the pages: every page is stale.
void touchAllData(const ScratchSite& site)
{
    for (const std::string& name : testsupport::listDir(site / "qcms"))
        testsupport::setMtime(site / ("qcms/" + name), kChangeTime);
}

} // namespace

TEST(FaultTest, ReadOnlySiteMenuFolder)
{
    ScratchSite site;
    ASSERT_TRUE(site.generate());
    touchAllData(site);
    const Tree before = site.tree();

    std::vector<std::string> prefix;
    TestMount mount = TestMount::readOnlyBind(site / "ZebSitemenu");
    std::string reason = "Read-only file system";
    if (!mount.mounted()) {
        if (geteuid() == 0)
            GTEST_SKIP() << "a read-only folder needs a read-only mount as root, and " << mount.why();
        // Permissions bind everyone else.
        chmod((site / "ZebSitemenu").c_str(), 0555);
        reason = "Permission denied";
    }
    const RunResult r = site.zebhost({"update"}, {}, kLater);
    chmod((site / "ZebSitemenu").c_str(), 0755);
    EXPECT_EQ(1, r.exitCode) << r.out << r.err;
    EXPECT_EQ("no page written\n", r.out);
    EXPECT_TRUE(contains(r.err, "zebhost: ZebSitemenu/zebsitec002table000001.html: not written: " + reason)) << r.err;
    EXPECT_TRUE(contains(r.err, "zebhost: ZebSitemenu/zebsitec001table000001.html: not written: " + reason)) << r.err;
    EXPECT_EQ(std::vector<std::string>{}, differences(before, site.tree()));

    // The page being edited is saved although no link part page could be written; the warning
    // tells which link parts are missing, and the run fails.
    const RunResult apply = site.zebhost({"apply", "index.html", "--check", "レシピ"}, {}, kLater);
    EXPECT_EQ(1, apply.exitCode) << apply.out << apply.err;
    EXPECT_TRUE(contains(apply.err, "not written: " + reason)) << apply.err;
}

// The disk fills up in the middle of a run. Pages written before are whole and new, the page
// being written keeps its old content (or stays missing), no temporary file is left, and zebhost
// says which page and why, and fails.
TEST(FaultTest, DiskFullDuringARun)
{
    testsupport::TempDir base;
    const std::string disk = base / "disk";
    std::filesystem::create_directories(disk);
    TestMount mount = TestMount::tmpfs(disk, "2m");
    if (!mount.mounted())
        GTEST_SKIP() << "no small disk to fill: " << mount.why();

    // The same site on a disk with room: what each page becomes.
    ScratchSite reference;
    ASSERT_TRUE(reference.generate());
    for (const std::string& name : testsupport::listDir(reference / "ZebSitemenu"))
        if (name.find("zebsitec001table000001") == 0)
            std::remove((reference / ("ZebSitemenu/" + name)).c_str());
    touchAllData(reference);
    ASSERT_EQ(0, reference.zebhost({"update"}, {}, kLater).exitCode);

    std::filesystem::create_directories(disk + "/site");
    ScratchSite site(disk + "/site");
    ASSERT_TRUE(site.generate());
    // The diary's pages are gone, so that each new page takes room of its own.
    for (const std::string& name : testsupport::listDir(site / "ZebSitemenu"))
        if (name.find("zebsitec001table000001") == 0)
            std::remove((site / ("ZebSitemenu/" + name)).c_str());
    touchAllData(site);
    const Tree before = site.tree();

    // Fill the disk but for room for a few pages.
    struct statvfs fs {};
    ASSERT_EQ(0, statvfs(disk.c_str(), &fs));
    const std::uint64_t block = fs.f_frsize;
    const std::uint64_t room = 5 * block;
    ASSERT_GT(std::uint64_t(fs.f_bavail) * block, room);
    testsupport::writeFile(disk + "/filler", std::string(std::uint64_t(fs.f_bavail) * block - room, 'x'));

    const RunResult r = site.zebhost({"-v", "update"}, {}, kLater);
    EXPECT_NE(0, r.exitCode) << r.out << r.err;
    EXPECT_TRUE(contains(r.err, "No space left on device")) << r.err;
    EXPECT_TRUE(contains(r.err, "ZebSitemenu/zebsitec")) << r.err;
    EXPECT_EQ(1, std::count(r.err.begin(), r.err.end(), '\n')) << r.err;
    EXPECT_EQ(std::vector<std::string>{}, temporaryFiles(site));

    // The pages zebhost says it wrote are the new ones whole; every other page is as it was (or
    // still missing).
    const Tree after = site.tree();
    std::vector<std::string> wrote;
    for (std::size_t at = r.out.find("  wrote "); at != std::string::npos; at = r.out.find("  wrote ", at + 1))
        wrote.push_back(r.out.substr(at + 8, r.out.find('\n', at) - at - 8));
    EXPECT_FALSE(wrote.empty()) << "the disk filled before any page: the test shows too little";
    EXPECT_TRUE(contains(r.out, std::to_string(wrote.size()) + " page")) << r.out;
    int unchanged = 0;
    for (const std::string& name : testsupport::listDir(reference / "ZebSitemenu")) {
        const std::string path = "ZebSitemenu/" + name;
        const auto now = after.find(path);
        const auto then = before.find(path);
        if (std::find(wrote.begin(), wrote.end(), path) != wrote.end()) {
            ASSERT_NE(now, after.end()) << path;
            EXPECT_EQ(readFile(reference / path), now->second.bytes) << path << " is not the new page whole";
        } else {
            ++unchanged;
            EXPECT_EQ(then == before.end(), now == after.end()) << path;
            if (then != before.end() && now != after.end()) {
                EXPECT_EQ(then->second, now->second) << path << " changed but was not reported written";
            }
        }
    }
    EXPECT_GT(unchanged, 0) << "every page fitted: the disk never filled";
    // Only pages of the site-menu folder changed.
    for (const std::string& d : differences(before, after))
        EXPECT_EQ(2u, d.find("ZebSitemenu/")) << d;

    // With no room at all the first page fails: stdout said every page was up to date.
    ASSERT_EQ(0, statvfs(disk.c_str(), &fs));
    if (fs.f_bavail > 0)
        testsupport::writeFile(disk + "/filler2", std::string(std::uint64_t(fs.f_bavail) * block, 'x'));
    const RunResult full = site.zebhost({"update"}, {}, kLater);
    EXPECT_EQ(1, full.exitCode) << full.out << full.err;
    EXPECT_EQ("no page written\n", full.out);
}

// Two applies on one page at once both said they saved it, and one edit was lost. Runs on one site
// now take turns; a run that finds the site held past its wait stops with a message and changes
// nothing; one that is let in within its wait goes on.
TEST(FaultTest, RunsOnOneSiteTakeTurns)
{
    ScratchSite site;
    ASSERT_TRUE(site.generate());
    RunResult first, second;
    std::thread a([&] { first = site.zebhost({"apply", "index.html", "--check", "レシピ"}); });
    std::thread b([&] { second = site.zebhost({"apply", "index.html", "--check", "日記"}); });
    a.join();
    b.join();
    EXPECT_EQ(0, first.exitCode) << first.err;
    EXPECT_EQ(0, second.exitCode) << second.err;
    const std::string page = readFile(site / "index.html");
    EXPECT_TRUE(contains(page, "id=\"zebsitec002table000001\"") && contains(page, "id=\"zebsitec001table000001\""))
        << "an edit was lost";

    const int held = open(site.path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    ASSERT_EQ(0, flock(held, LOCK_EX));
    touchAllData(site);
    const Tree before = site.tree();
    const RunResult busy = site.zebhost({"update"}, {"ZEBHOST_LOCK_WAIT=0.2"}, kLater);
    EXPECT_EQ(1, busy.exitCode);
    EXPECT_EQ("zebhost: " + site.path() +
                  ": another zebhost run is working on this site; try again when it has finished\n",
              busy.err);
    EXPECT_EQ(std::vector<std::string>{}, differences(before, site.tree()));
    std::thread release([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        close(held);
    });
    const RunResult waited = site.zebhost({"update"}, {"ZEBHOST_LOCK_WAIT=20"}, kLater);
    release.join();
    EXPECT_EQ(0, waited.exitCode) << waited.err;
}

// A run killed while writing a page left its hidden temporary file for ever. The next run that
// writes into that folder removes such files, and only those.
TEST(FaultTest, TemporaryFilesOfAKilledRunAreRemoved)
{
    ScratchSite site;
    ASSERT_TRUE(site.generate());
    site.write("ZebSitemenu/.zebsitec002table000001.html.zebhost-tmp.k1LLed", "<html><body>half");
    site.write("ZebSitemenu/.htaccess", "mine");
    touchAllData(site);
    const RunResult r = site.zebhost({"update"}, {}, kLater);
    EXPECT_EQ(0, r.exitCode) << r.err;
    EXPECT_EQ(std::vector<std::string>{".htaccess"}, temporaryFiles(site));
}
