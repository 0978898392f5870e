#include "content/CZebCMCategoryXmlData.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

using testsupport::TempDir;
using testsupport::W;

namespace {

using Category = CZebCMCategoryXmlData::CCategory;

struct Record {
    std::wstring numid, name, icon;
    bool operator==(const Record&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Record& r)
{
    return out << testsupport::U(r.numid) << "/" << testsupport::U(r.name) << "/" << testsupport::U(r.icon);
}

std::vector<Record> readAll(const std::string& path)
{
    CZebCMCategoryXmlData reader(W(path));
    std::vector<Record> all;
    for (Category* c = reader.getFirst(); c; c = reader.getNext())
        all.push_back({c->numid, c->name, c->icon});
    return all;
}

} // namespace

TEST(CZebCMCategoryXmlDataTest, CategoriesWithoutNumberOrNameAreDroppedAndIconIsOptional)
{
    TempDir dir;
    testsupport::writeFile(dir / "qccl.xml",
                           "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<categorymngdoc>\n"
                           "  <category numid=\"001\"><name>diary</name><icon>d.gif</icon></category>\n"
                           "  <category><name>no number</name></category>\n"
                           "  <category numid=\"\"><name>empty number</name></category>\n"
                           "  <category numid=\"3\"><icon>i.gif</icon></category>\n"
                           "  <category numid=\"4\"><name></name><icon>i.gif</icon></category>\n"
                           "  <category numid=\"7\" other=\"x\"><name>news</name><name>second</name></category>\n"
                           "  <category numid=\"-2\"><name>negative</name></category>\n"
                           "</categorymngdoc>\n");
    EXPECT_EQ(readAll(dir / "qccl.xml"),
              (std::vector<Record>{{L"001", L"diary", L"d.gif"}, {L"7", L"news", L""}, {L"-2", L"negative", L""}}));
}

TEST(CZebCMCategoryXmlDataTest, TwoListsAreReadInDocumentOrder)
{
    TempDir dir;
    testsupport::writeFile(dir / "qccl.xml",
                           "<categorymngdoc><category numid=\"2\"><name>b</name></category></categorymngdoc>\n"
                           "<categorymngdoc><category numid=\"1\"><name>a</name></category></categorymngdoc>\n");
    EXPECT_EQ(readAll(dir / "qccl.xml"), (std::vector<Record>{{L"2", L"b", L""}, {L"1", L"a", L""}}));
}

TEST(CZebCMCategoryXmlDataTest, ShiftJisFileWithJapaneseNames)
{
    // 日記, お知らせ and 表示 (whose second byte is the ASCII backslash) in Shift_JIS.
    const std::string diary = "\x93\xfa\x8b\x4c";
    const std::string notice = "\x82\xa8\x92\x6d\x82\xe7\x82\xb9";
    const std::string display = "\x95\x5c\x8e\xa6";
    TempDir dir;
    testsupport::writeFile(dir / "qccl.xml", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<categorymngdoc>\r\n"
                                             "<category numid=\"1\"><name>" +
                                                 diary +
                                                 "</name></category>\r\n"
                                                 "<category numid=\"2\"><name>" +
                                                 notice + "</name><icon>" + display +
                                                 ".gif</icon></category>\r\n"
                                                 "</categorymngdoc>\r\n");
    EXPECT_EQ(
        readAll(dir / "qccl.xml"),
        (std::vector<Record>{{L"1", L"\u65e5\u8a18", L""}, {L"2", L"\u304a\u77e5\u3089\u305b", L"\u8868\u793a.gif"}}));
}

TEST(CZebCMCategoryXmlDataTest, MissingMalformedOrForeignFilesGiveNoRecords)
{
    TempDir dir;
    testsupport::writeFile(dir / "malformed.xml", "<categorymngdoc><category numid=\"1\"><name>a</name>");
    testsupport::writeFile(dir / "foreign.xml", "<other><category numid=\"1\"><name>a</name></category></other>");
    testsupport::writeFile(dir / "empty.xml", "");
    for (const char* name : {"missing.xml", "malformed.xml", "foreign.xml", "empty.xml"}) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(readAll(dir / name).empty());
    }
    CZebCMCategoryXmlData none(L"");
    EXPECT_EQ(none.getFirst(), nullptr);
}

TEST(CZebCMCategoryXmlDataTest, WalkEndsWithNullAndGetFirstRestartsIt)
{
    TempDir dir;
    testsupport::writeFile(dir / "qccl.xml", "<categorymngdoc><category numid=\"1\"><name>a</name></category>"
                                             "<category numid=\"2\"><name>b</name></category></categorymngdoc>");
    CZebCMCategoryXmlData reader(W(dir / "qccl.xml"));
    EXPECT_EQ(reader.getNext(), nullptr) << "no walk before getFirst";
    Category* first = reader.getFirst();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(reader.getNext()->name, L"b");
    EXPECT_EQ(reader.getNext(), nullptr);
    EXPECT_EQ(reader.getNext(), nullptr);
    EXPECT_EQ(reader.getFirst(), first);
    EXPECT_EQ(first->name, L"a");
}
