#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "generation/CZebCMLinkParts.h"
#include "host/DomUtBase.h"
#include "host/Element.h"
#include "module/LinkPartsTestKit.h"
#include "platform/FileException.h"
#include "platform/PageWriter.h"

using linkpartstest::FixedClock;
using linkpartstest::PageView;
using linkpartstest::Site;
using linkpartstest::TemplateFolder;
using linkpartstest::WriteLog;
using testsupport::localTime;
using testsupport::U;
using testsupport::W;

namespace {

// Five anchor slots, a "Category" caption and a second "Category" text that must keep its text.
const char* const kTemplate = "<!DOCTYPE html>\n<html><head><meta charset=\"UTF-8\"><title>t</title></head><body>\n"
                              "<div id=\"ZEB_CATEGORY_1\"><h3>Category</h3>\n"
                              "<a href=\"#\">x</a><a href=\"#\">x</a><a href=\"#\">x</a><a href=\"#\">x</a>"
                              "<a href=\"#\">x</a>\n</div>\n<p>Category</p>\n</body></html>\n";

const std::string kPage2 = "zebsitec002table000001.html";

// The hrefs and texts of the anchors in the page's category element, in order.
std::vector<std::pair<std::wstring, std::wstring>> anchorsOf(const PageView& view)
{
    DomUtBase util(view.document());
    std::vector<Element*> anchors;
    util.getElementByTagId(anchors, Element::kAnchor, true, nullptr);
    std::vector<std::pair<std::wstring, std::wstring>> result;
    for (Element* a : anchors)
        result.emplace_back(a->getAttribute(L"href"), a->getTextData());
    return result;
}

class CZebCMLinkPartsCategoryTest : public ::testing::Test {
protected:
    CZebCMLinkPartsCategoryTest() : clock_(localTime(2008, 4, 20)) { templates_.write(kTemplate); }

    FixedClock clock_;
    TemplateFolder templates_;
    Site site_;
};

} // namespace

TEST_F(CZebCMLinkPartsCategoryTest, ACurrentListPageIsReusedWithoutWriting)
{
    site_.writeCategoryData(2, 3, localTime(2008, 4, 1));
    testsupport::writeFile(site_.menu(kPage2), "<html><body><div id=\"zebsitec002table000001\"><a "
                                               "href=\"stored.html\">stored</a></div></body></html>");
    testsupport::setMtime(site_.menu(kPage2), localTime(2008, 4, 1)); // equal times: not stale
    WriteLog log;
    CZebCMLinkParts builder(2, L"news");
    EXPECT_EQ(builder.makeCategoryLinkPart(2),
              L"<div id=\"zebsitec002table000001\"><a href=\"stored.html\">stored</a></div>");
    EXPECT_TRUE(log.all().empty());

    // A current page without the element gives nothing, and is not rebuilt either.
    testsupport::writeFile(site_.menu(kPage2), "<html><body><p>no element</p></body></html>");
    testsupport::setMtime(site_.menu(kPage2), localTime(2008, 4, 2));
    EXPECT_EQ(builder.makeCategoryLinkPart(2), L"");
    EXPECT_TRUE(log.all().empty());
}

TEST_F(CZebCMLinkPartsCategoryTest, AMissingOrStaleListPageIsRebuiltFromTheTemplate)
{
    struct Case {
        const char* description;
        bool pageExists;
    };
    for (const Case& c : {Case{"missing", false}, Case{"older than its data", true}}) {
        SCOPED_TRACE(c.description);
        site_.writeCategoryData(2, 3, localTime(2008, 4, 10));
        if (c.pageExists) {
            testsupport::writeFile(site_.menu(kPage2), "<html><body><div id=\"zebsitec002table000001\">old</div>"
                                                       "</body></html>");
            testsupport::setMtime(site_.menu(kPage2), localTime(2008, 4, 9));
        }
        WriteLog log;
        CZebCMLinkParts builder(2, L"news");
        const std::wstring markup = builder.makeCategoryLinkPart(2);
        EXPECT_EQ(log.written(), std::vector<std::string>{kPage2});
        EXPECT_EQ(markup.rfind(L"<div id=\"zebsitec002table000001\">", 0), 0u) << U(markup);
        EXPECT_NE(markup.find(L"c2-1.html"), std::wstring::npos);
        EXPECT_EQ(markup.find(L"<body"), std::wstring::npos) << "the markup is the element alone";
        // The page is the whole template around the element.
        const std::string page = testsupport::readFile(site_.menu(kPage2));
        EXPECT_NE(page.find("<meta charset=\"UTF-8\">"), std::string::npos);
        EXPECT_NE(page.find(U(markup)), std::string::npos);
    }
}

TEST_F(CZebCMLinkPartsCategoryTest, EntriesFillTheSlotsInFileOrderAndSurplusSlotsGo)
{
    struct Case {
        const char* description;
        int entries;
        std::vector<std::pair<std::wstring, std::wstring>> anchors;
    };
    const Case cases[] = {
        {"three entries in five slots",
         3,
         {{L"c2-1.html", L"Title 1"}, {L"c2-2.html", L"Title 2"}, {L"c2-3.html", L"Title 3"}}},
        {"seven entries in five slots",
         7,
         {{L"c2-1.html", L"Title 1"},
          {L"c2-2.html", L"Title 2"},
          {L"c2-3.html", L"Title 3"},
          {L"c2-4.html", L"Title 4"},
          {L"c2-5.html", L"Title 5"}}},
        {"no data file", -1, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.description);
        std::remove(site_.cms("zebsitec002table000001.xml").c_str());
        std::remove(site_.menu(kPage2).c_str());
        if (c.entries >= 0)
            site_.writeCategoryData(2, c.entries, localTime(2008, 4, 10));
        CZebCMLinkParts builder(2, L"news");
        builder.makeCategoryLinkPart(2);
        PageView view(site_.menu(kPage2));
        EXPECT_EQ(anchorsOf(view), c.anchors);
    }
}

TEST_F(CZebCMLinkPartsCategoryTest, TheElementTakesTheCategoryIdAndTheFirstCaptionTheName)
{
    site_.writeCategoryData(2, 1, localTime(2008, 4, 10));
    CZebCMLinkParts builder(2, L"お知らせ");
    const std::wstring markup = builder.makeCategoryLinkPart(2);
    EXPECT_NE(markup.find(L"id=\"zebsitec002table000001\""), std::wstring::npos);
    EXPECT_EQ(markup.find(L"ZEB_CATEGORY_1"), std::wstring::npos);
    EXPECT_NE(markup.find(L"<h3>お知らせ</h3>"), std::wstring::npos) << U(markup);
    const std::string page = testsupport::readFile(site_.menu(kPage2));
    EXPECT_NE(page.find("<p>Category</p>"), std::string::npos) << "only the first caption takes the name";
}

TEST_F(CZebCMLinkPartsCategoryTest, ATemplateWithoutTheLinkPartElementGivesNothing)
{
    templates_.write("<html><body><div id=\"OTHER\"><a href=\"#\">x</a></div></body></html>");
    site_.writeCategoryData(2, 3, localTime(2008, 4, 10));
    WriteLog log;
    CZebCMLinkParts builder(2, L"news");
    EXPECT_EQ(builder.makeCategoryLinkPart(2), L"");
    EXPECT_TRUE(log.all().empty());
    EXPECT_FALSE(testsupport::exists(site_.menu(kPage2)));
}

TEST_F(CZebCMLinkPartsCategoryTest, AWriteErrorPassesThroughWithTheDocumentFreed)
{
    site_.writeCategoryData(2, 3, localTime(2008, 4, 10));
    platform::PageWriter::setFaultInjector([](const std::wstring&) { return std::string("disk full"); });
    CZebCMLinkParts builder(2, L"news");
    // The leak checker of the sanitizer build reports the template document if it were kept.
    EXPECT_THROW(builder.makeCategoryLinkPart(2), platform::FileException);
    platform::PageWriter::setFaultInjector(nullptr);
    EXPECT_FALSE(testsupport::exists(site_.menu(kPage2)));
}
