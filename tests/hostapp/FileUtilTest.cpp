#include "host/FileUtil.h"

#include <gtest/gtest.h>

#include "support/TestSupport.h"

using testsupport::TempDir;
using testsupport::W;
using testsupport::writeFile;

namespace {

TEST(FileUtilTest, AddLastYenMark)
{
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"/site", L"/site/"}, {L"/site/", L"/site/"}, {L"", L""}, {L"rel", L"rel/"}, {L"C:\\site", L"C:\\site/"}};
    for (const auto& [in, out] : cases)
        EXPECT_EQ(addLastYenMark(in), out) << testsupport::U(in);
}

TEST(FileUtilTest, GetBaseFname)
{
    const std::pair<std::wstring, std::wstring> cases[] = {
        {L"/s/ZebSitemenu/zebsitec001table000001.html", L"zebsitec001table000001"},
        {L"page.tar.gz", L"page.tar"},
        {L"/dir.d/noext", L"noext"},
        {L"/dir/", L""},
        {L"", L""},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(getBaseFname(in), out) << testsupport::U(in);
}

TEST(FileUtilTest, IsFileOnlyForRegularFiles)
{
    TempDir dir;
    writeFile(dir / "f.html", "x");
    EXPECT_NE(is_file(W(dir / "f.html")), 0);
    EXPECT_EQ(is_file(W(dir.path())), 0);
    EXPECT_EQ(is_file(W(dir / "missing")), 0);
    EXPECT_EQ(is_file(L""), 0);
}

} // namespace
