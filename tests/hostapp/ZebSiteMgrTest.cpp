#include "host/ZebSiteMgr.h"

#include <gtest/gtest.h>

#include "HostSite.h"
#include "support/TestSupport.h"

using testsupport::exists;
using testsupport::TempDir;
using testsupport::W;
using testsupport::writeFile;

namespace {

class ZebSiteMgrTest : public ::testing::Test {
protected:
    void TearDown() override { setCurrentSiteFolder(L""); }
};

TEST_F(ZebSiteMgrTest, CurrentSiteIsTheGivenFolder)
{
    TempDir dir;
    ASSERT_TRUE(setCurrentSiteFolder(W(dir.path())));
    EXPECT_EQ(ZebSiteMgr::getCurrentSiteName(), W(dir.path()));
    SITE_INFO info;
    ASSERT_TRUE(ZebSiteMgr::getSiteInfo(ZebSiteMgr::getCurrentSiteName(), info));
    EXPECT_EQ(info.localFolder, W(dir.path()));

    SITE_INFO untouched{L"n", L"f"};
    EXPECT_FALSE(ZebSiteMgr::getSiteInfo(L"/other", untouched));
    EXPECT_EQ(untouched.localFolder, L"f");
}

TEST_F(ZebSiteMgrTest, NoSite)
{
    setCurrentSiteFolder(L"");
    EXPECT_EQ(ZebSiteMgr::getCurrentSiteName(), L"");
    SITE_INFO info;
    EXPECT_FALSE(ZebSiteMgr::getSiteInfo(L"", info));
    EXPECT_EQ(info.localFolder, L"");
}

TEST_F(ZebSiteMgrTest, SiteMenuFolderIsMadeOnlyForACmsSite)
{
    TempDir cms, plain, both;
    writeFile(cms / "qcms/qccl.xml", "");
    writeFile(both / "qcms/qccl.xml", "");
    writeFile(both / "ZebSitemenu/keep.html", "k");

    EXPECT_TRUE(setCurrentSiteFolder(W(cms.path() + "/")));
    EXPECT_TRUE(exists(cms / "ZebSitemenu"));
    EXPECT_TRUE(setCurrentSiteFolder(W(plain.path())));
    EXPECT_FALSE(exists(plain / "ZebSitemenu"));
    EXPECT_TRUE(setCurrentSiteFolder(W(both.path())));
    EXPECT_EQ(testsupport::readFile(both / "ZebSitemenu/keep.html"), "k");
}

} // namespace
