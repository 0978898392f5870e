#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "platform/FileFinder.h"
#include "support/TestSupport.h"

namespace {

using platform::FileFinder;
using platform::wildcardMatch;
using namespace testsupport;

// Every name the finder reports for a pattern, with the dots marked.
std::multiset<std::wstring> findAll(const std::string& pattern, bool withDots = false)
{
    std::multiset<std::wstring> names;
    FileFinder finder;
    if (finder.findFile(W(pattern))) {
        do {
            if (withDots || !finder.isDots())
                names.insert(finder.fileName());
        } while (finder.findNext());
    }
    return names;
}

TEST(FileFinderTest, Table)
{
    struct Case {
        const wchar_t* pattern;
        const wchar_t* name;
        bool matches;
    };
    const Case cases[] = {
        {L"*", L"", true},
        {L"*", L"anything", true},
        {L"?", L"", false},
        {L"?", L"a", true},
        {L"a?c", L"abc", true},
        {L"a?c", L"ac", false},
        {L"*.html", L"x.html", true},
        {L"*.html", L"x.htm", false},
        {L"*.html", L"x.HTML", false},
        {L"a*b*c", L"aXbYc", true},
        {L"a*b*c", L"aXbY", false},
        {L"**", L"x", true},
        {L"2008??.html", L"200811.html", true},
        {L"2008??.html", L"2008111.html", false},
        {L"*a", L"banana", true},
        {L"日記*", L"日記2008", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(wildcardMatch(c.pattern, c.name), c.matches) << "pattern " << U(c.pattern) << " name " << U(c.name);

    // Many stars against a long non-matching name finish quickly (no exponential backtracking).
    EXPECT_FALSE(wildcardMatch(std::wstring(30, L'*') + L"b", std::wstring(100000, L'a')));
}

TEST(FileFinderTest, LiteralPathGivesOneEntryWithTime)
{
    TempDir dir;
    writeFile(dir / "page.html", "x");
    setMtime(dir / "page.html", 123456789);
    FileFinder finder;
    ASSERT_TRUE(finder.findFile(W(dir / "page.html")));
    EXPECT_EQ(finder.fileName(), L"page.html");
    EXPECT_EQ(finder.lastWriteTime(), 123456789);
    EXPECT_EQ(finder.length(), 1);
    EXPECT_FALSE(finder.isDirectory());
    EXPECT_FALSE(finder.isDots());
    EXPECT_FALSE(finder.findNext());

    EXPECT_FALSE(finder.findFile(W(dir / "missing.html")));
    EXPECT_EQ(finder.fileName(), L"");
    EXPECT_EQ(finder.lastWriteTime(), 0);

    // The same finder reused: a literal path's entry does not stay behind a search with wild cards.
    writeFile(dir / "other.html", "xy");
    ASSERT_TRUE(finder.findFile(W(dir / "page.html")));
    ASSERT_TRUE(finder.findFile(W(dir / "*.html")));
    EXPECT_TRUE(finder.findNext());
}

// A listed entry is looked at when its time is first asked for: its time then, or 0 once it is gone.
TEST(FileFinderTest, ListedEntryIsLookedAtWhenAskedFor)
{
    TempDir dir;
    writeFile(dir / "a.html", "x");
    FileFinder finder;
    ASSERT_TRUE(finder.findFile(W(dir / "*.html")));
    setMtime(dir / "a.html", 123456789);
    EXPECT_EQ(finder.lastWriteTime(), 123456789);
    ASSERT_TRUE(finder.findFile(W(dir / "*.html")));
    std::filesystem::remove(dir / "a.html");
    EXPECT_EQ(finder.fileName(), L"a.html");
    EXPECT_EQ(finder.lastWriteTime(), 0);
    EXPECT_EQ(finder.length(), 0);
}

TEST(FileFinderTest, LiteralPathDoesNotNeedAReadableFolder)
{
    // A literal path is one stat: it is found even in a folder that cannot be listed.
    if (geteuid() == 0)
        GTEST_SKIP() << "root can list any folder";
    TempDir dir;
    writeFile(dir / "sub/page.html", "x");
    ASSERT_EQ(chmod((dir / "sub").c_str(), 0111), 0);
    EXPECT_TRUE(findAll(dir / "sub/page.html").count(L"page.html"));
    EXPECT_TRUE(findAll(dir / "sub/*.html").empty());
}

TEST(FileFinderTest, PatternsInLastComponent)
{
    TempDir dir;
    for (const char* name : {"200810.html", "200811.html", "2008111.html", "a.txt", "日記.html"})
        writeFile(dir / name, "x");
    writeFile(dir / "sub/200812.html", "x");

    EXPECT_EQ(findAll(dir / "*.html"),
              (std::multiset<std::wstring>{L"200810.html", L"200811.html", L"2008111.html", L"日記.html"}));
    EXPECT_EQ(findAll(dir / "2008??.html"), (std::multiset<std::wstring>{L"200810.html", L"200811.html"}));
    EXPECT_EQ(findAll(dir / "*"), (std::multiset<std::wstring>{L"200810.html", L"200811.html", L"2008111.html",
                                                               L"a.txt", L"日記.html", L"sub"}));
    EXPECT_TRUE(findAll(dir / "*.xml").empty());
    EXPECT_TRUE(findAll(dir / "missing/*").empty());
    EXPECT_TRUE(findAll(dir / "missing/page.html").empty());
}

TEST(FileFinderTest, DotsAreReportedAsDots)
{
    TempDir dir;
    writeFile(dir / "f", "x");
    FileFinder finder;
    std::set<std::wstring> dots, others;
    ASSERT_TRUE(finder.findFile(W(dir / "*")));
    do {
        (finder.isDots() ? dots : others).insert(finder.fileName());
        if (finder.isDots()) {
            EXPECT_TRUE(finder.isDirectory());
        }
    } while (finder.findNext());
    EXPECT_EQ(dots, (std::set<std::wstring>{L".", L".."}));
    EXPECT_EQ(others, (std::set<std::wstring>{L"f"}));

    // A pattern that cannot match a dot name does not report them.
    EXPECT_EQ(findAll(dir / "?", true), (std::multiset<std::wstring>{L".", L"f"}));
    EXPECT_EQ(findAll(dir / "f*", true), (std::multiset<std::wstring>{L"f"}));
}

TEST(FileFinderTest, FolderEntriesAreMarked)
{
    TempDir dir;
    writeFile(dir / "sub/x", "x");
    FileFinder finder;
    ASSERT_TRUE(finder.findFile(W(dir / "su?")));
    EXPECT_EQ(finder.fileName(), L"sub");
    EXPECT_TRUE(finder.isDirectory());
    finder.close();
    EXPECT_EQ(finder.fileName(), L"");
}

TEST(FileFinderTest, TrailingSeparatorFindsNothing)
{
    TempDir dir;
    FileFinder finder;
    EXPECT_FALSE(finder.findFile(W(dir.path() + "/")));
}

} // namespace
