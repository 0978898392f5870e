#include "OpenPageCoreAdapter.h"

#include <gtest/gtest.h>

#include <memory>

#include "HostApplication.h"
#include "OpenPage.h"
#include "host/CZebAppEngineer.h"
#include "host/CZebTmplWzCoreAdapter.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/Element.h"
#include "hostapp/HostTestSupport.h"
#include "support/TestSupport.h"

using hosttest::encodeAs;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::U;
using testsupport::W;
using testsupport::writeFile;

namespace {

class OpenPageCoreAdapterTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        setOpenPage(nullptr);
        setRefreshTarget(nullptr);
    }
};

struct CountingTarget : CZebRefreshTarget {
    int refreshes = 0;
    void refresh() override { ++refreshes; }
};

TEST_F(OpenPageCoreAdapterTest, NoOpenPage)
{
    setOpenPage(nullptr);
    EXPECT_FALSE(CZebAppEngineer::getInstance()->isAnyHtmlDocOpened());
    CZebTmplWzCoreAdapter adapter;
    EXPECT_EQ(adapter.getActiveCoreAdapterIF(), nullptr);
    EXPECT_EQ(CZebAppEngineer::getInstance()->getRefreshTarget(), nullptr);

    CountingTarget target;
    setRefreshTarget(&target);
    CZebAppEngineer::getInstance()->getRefreshTarget()->refresh();
    EXPECT_EQ(target.refreshes, 1);
}

TEST_F(OpenPageCoreAdapterTest, InsertsAtTheCursorAndSavesInThePageEncoding)
{
    TempDir dir;
    const std::string path = dir / "page.html";
    writeFile(path, encodeAs("<html><head><meta charset=\"Shift_JIS\"></head>\r\n<body>\r\n<p id=\"a\">前</p>\r\n"
                             "<p id=\"b\">後</p>\r\n</body></html>\r\n",
                             "CP932"));
    std::unique_ptr<OpenPage> page = OpenPage::load(W(path));
    ASSERT_NE(page, nullptr);
    setOpenPage(page.get());
    EXPECT_TRUE(CZebAppEngineer::getInstance()->isAnyHtmlDocOpened());

    CZebTmplWzCoreAdapter adapter;
    std::unique_ptr<CZebCoreAdapterIF> core(adapter.getActiveCoreAdapterIF());
    ASSERT_NE(core, nullptr);
    std::unique_ptr<CZebCoreAdapterIF> another(adapter.getActiveCoreAdapterIF());
    EXPECT_NE(core.get(), another.get()) << "a new object per call";
    EXPECT_EQ(core->getActiveDocument(), page->document());
    ASSERT_EQ(core->getDomUtBase(), page->domUtBase());

    Element* first = page->document()->getElementByID(L"a");
    ASSERT_NE(first, nullptr);
    core->getDomUtBase()->setLayoutCurorEx(first, true);
    const std::wstring markup = W("<div id=\"part\"><a href=\"x.html\">リンク①</a></div>");
    std::wstring error;
    Node* inserted = core->insertHtml(markup.c_str(), static_cast<int>(markup.size()), error, true, true, true, false);
    ASSERT_NE(inserted, nullptr) << U(error);
    EXPECT_EQ(inserted->getParentNode(), page->document()->getBody());
    EXPECT_EQ(page->document()->getElementByID(L"part"), inserted);
    EXPECT_EQ(inserted->getPreviousSibling(), first);

    core->setModified(true);
    core->updateViews(nullptr, 0x10000004, nullptr);
    EXPECT_TRUE(page->isModified());
    EXPECT_EQ(page->viewUpdates(), 1);
    core.reset();

    ASSERT_EQ(page->save(), platform::PageWriter::Result::Written);
    const std::string saved = readFile(path);
    EXPECT_NE(saved.find(encodeAs("<p id=\"a\">前</p><div id=\"part\"><a href=\"x.html\">リンク①</a></div>", "CP932")),
              std::string::npos)
        << saved;
}

TEST_F(OpenPageCoreAdapterTest, InsertingNothingReportsAnError)
{
    std::unique_ptr<OpenPage> page = OpenPage::create(L"/nonexistent/page.html");
    ASSERT_NE(page, nullptr);
    const auto adapter = std::make_shared<const int>(0);
    OpenPageCoreAdapter core(*page, adapter);
    std::wstring error;
    EXPECT_EQ(core.insertHtml(nullptr, 0, error, true, true, true, false), nullptr);
    EXPECT_FALSE(error.empty());
    error.clear();
    EXPECT_EQ(core.insertHtml(L"", 0, error, true, true, true, false), nullptr);
    EXPECT_FALSE(error.empty());
}

// The module ended its core adapter before the interface the adapter had handed out; an
// interface works only while its adapter lives, so that order now shows in every module test.
TEST_F(OpenPageCoreAdapterTest, InterfaceWhoseAdapterIsGoneDoesNothing)
{
    std::unique_ptr<OpenPage> page = OpenPage::create(L"/nonexistent/page.html");
    ASSERT_NE(page, nullptr);
    setOpenPage(page.get());
    std::unique_ptr<CZebCoreAdapterIF> core(CZebTmplWzCoreAdapter().getActiveCoreAdapterIF());
    ASSERT_NE(core, nullptr);
    std::wstring error;
    EXPECT_EQ(core->getActiveDocument(), nullptr);
    EXPECT_EQ(core->getDomUtBase(), nullptr);
    EXPECT_EQ(core->insertHtml(L"<p>x</p>", -1, error, true, true, true, false), nullptr);
    core->setModified(true);
    EXPECT_FALSE(page->isModified());
}

} // namespace
