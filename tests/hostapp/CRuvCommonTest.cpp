#include "host/CRuvCommon.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "HostInstallation.h"
#include "host/FileUtil.h"
#include "support/TestSupport.h"

using testsupport::U;

namespace {

std::wstring templateFolder()
{
    return CRuvCommon::getProductFolder(18, 0) + CRuvCommon::getProductSubFolder(112) + L"_cm/temp/";
}

TEST(CRuvCommonTest, TemplateFolderHoldsTheLinkPartTemplate)
{
    unsetenv("ZEBHOST_DATA_DIR");
    const std::wstring folder = templateFolder();
    EXPECT_NE(is_file(folder + L"linkparts00.html"), 0) << U(folder);
}

TEST(CRuvCommonTest, OptionAndEnvironmentOverrideTheDataFolder)
{
    setenv("ZEBHOST_DATA_DIR", "/tmp/zeb-data", 1);
    EXPECT_EQ(CRuvCommon::getProductFolder(18, 0), L"/tmp/zeb-data/");
    setenv("ZEBHOST_DATA_DIR", "/tmp/zeb-data/", 1);
    EXPECT_EQ(CRuvCommon::getProductFolder(18, 0), L"/tmp/zeb-data/");
    // zebhost --data wins over the environment.
    HostInstallation::setDataFolder("/tmp/zeb-option");
    EXPECT_EQ(CRuvCommon::getProductFolder(18, 0), L"/tmp/zeb-option/");
    HostInstallation::setDataFolder("");
    unsetenv("ZEBHOST_DATA_DIR");
}

TEST(CRuvCommonTest, UnknownKindsAreEmpty)
{
    EXPECT_EQ(CRuvCommon::getProductFolder(17, 0), L"");
    EXPECT_EQ(CRuvCommon::getProductSubFolder(111), L"");
    EXPECT_EQ(CRuvCommon::getProductSubFolder(112), L"template/");
}

} // namespace
