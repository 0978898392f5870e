#include "host/CRuvFileFind.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "host/ArraySort.h"
#include "support/TestSupport.h"

using testsupport::TempDir;
using testsupport::U;
using testsupport::W;
using testsupport::writeFile;

namespace {

TEST(CRuvFileFindTest, EnumeratesMatchesWithTimes)
{
    TempDir dir;
    writeFile(dir / "a.html", "");
    writeFile(dir / "b.html", "");
    writeFile(dir / "c.xml", "");
    testsupport::setMtime(dir / "a.html", 1200000000);

    CRuvFileFind find;
    std::vector<std::wstring> names;
    if (find.FindFile(W(dir / "*.html"))) {
        do {
            if (find.IsDots())
                continue;
            names.push_back(find.GetFileName());
            if (find.GetFileName() == L"a.html") {
                EXPECT_EQ(find.GetLastWriteTime(), 1200000000);
            }
        } while (find.FindNextFile());
    }
    find.Close();
    ArraySort::Sort(names);
    EXPECT_EQ(names, (std::vector<std::wstring>{L"a.html", L"b.html"}));
    EXPECT_FALSE(find.FindFile(W(dir / "*.txt")));
    EXPECT_EQ(find.GetFileName(), L"");
    EXPECT_EQ(find.GetLastWriteTime(), 0);
}

TEST(CRuvFileFindTest, ArraySortIsOrdinal)
{
    std::vector<std::wstring> texts{L"b", L"B", L"a", L"2008-05", L"2007-12", L"日", L""};
    ArraySort::Sort(texts);
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"", L"2007-12", L"2008-05", L"B", L"a", L"b", L"日"}));
}

} // namespace
