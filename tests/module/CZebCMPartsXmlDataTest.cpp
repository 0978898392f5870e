#include "content/CZebCMPartsXmlData.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/TestSupport.h"

using testsupport::TempDir;
using testsupport::W;

namespace {

using Selection = CZebCMPartsXmlData::CSelection;

// One <contentpart>; a null field leaves its element out.
std::string entry(const char* id, const char* title, const char* creationtime, const char* category, const char* link)
{
    std::string xml = "<contentpart>";
    auto add = [&](const char* name, const char* text) {
        if (text)
            xml += std::string("<") + name + ">" + text + "</" + name + ">";
    };
    add("id", id);
    add("title", title);
    add("creationtime", creationtime);
    add("category", category);
    add("link", link);
    return xml + "</contentpart>";
}

std::string file(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n" + body + "\n";
}

std::vector<Selection*> readAll(CZebCMPartsXmlData& reader)
{
    std::vector<Selection*> all;
    for (Selection* s = reader.getFirst(); s; s = reader.getNext())
        all.push_back(s);
    return all;
}

} // namespace

TEST(CZebCMPartsXmlDataTest, CreationTimeIsCutByPosition)
{
    struct Case {
        const char* creationtime;
        const wchar_t *year, *month, *day;
    };
    const Case cases[] = {
        {"2010/05/12 10:20:30", L"2010", L"05", L"12"},
        {"2010", L"2010", L"", L""},
        {"2010-5-7", L"2010", L"5-", L""},
        {"2010/05", L"2010", L"05", L""},
        {"", L"", L"", L""},
    };
    TempDir dir;
    std::string body = "<partinfo>";
    for (const Case& c : cases)
        body += entry("1", "t", c.creationtime, "c", "l.html");
    testsupport::writeFile(dir / "parts.xml", file(body + "</partinfo>"));

    CZebCMPartsXmlData reader(W(dir / "parts.xml"));
    std::vector<Selection*> all = readAll(reader);
    ASSERT_EQ(all.size(), std::size(cases)) << "entries with a short or empty creation time are kept";
    for (std::size_t i = 0; i < all.size(); ++i) {
        SCOPED_TRACE(cases[i].creationtime);
        EXPECT_EQ(all[i]->creationtime, W(cases[i].creationtime));
        EXPECT_EQ(all[i]->year, cases[i].year);
        EXPECT_EQ(all[i]->month, cases[i].month);
        EXPECT_EQ(all[i]->day, cases[i].day);
    }
}

TEST(CZebCMPartsXmlDataTest, EntriesLackingIdTitleOrLinkAreDropped)
{
    TempDir dir;
    testsupport::writeFile(dir / "parts.xml", file("<partinfo>" + entry("1", "no link", "2010/05/12", "c", nullptr) +
                                                   entry(nullptr, "no id", "2010/05/12", "c", "a.html") +
                                                   entry("3", "", "2010/05/12", "c", "b.html") +
                                                   entry("4", "kept", nullptr, nullptr, "c.html") +
                                                   "<contentpart><id>5</id><title>first</title><title>second</title>"
                                                   "<link>d.html</link><extra>x</extra></contentpart></partinfo>"));
    CZebCMPartsXmlData reader(W(dir / "parts.xml"));
    std::vector<Selection*> all = readAll(reader);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0]->id, L"4");
    EXPECT_EQ(all[0]->title, L"kept");
    EXPECT_EQ(all[0]->link, L"c.html");
    EXPECT_EQ(all[0]->category, L"");
    EXPECT_EQ(all[0]->creationtime, L"");
    EXPECT_EQ(all[1]->title, L"first") << "only the first child of a name counts";
}

TEST(CZebCMPartsXmlDataTest, TwoTopLevelListsAreReadInOrder)
{
    TempDir dir;
    testsupport::writeFile(dir / "parts.xml", file("<partinfo>" + entry("1", "a", "2010/01/01", "c", "a.html") +
                                                   entry("2", "b", "", "", "b.html") + "</partinfo>\n<partinfo>" +
                                                   entry("3", "c", "", "", "c.html") + "</partinfo>"));
    CZebCMPartsXmlData reader(W(dir / "parts.xml"));
    std::vector<std::wstring> links;
    for (Selection* s : readAll(reader))
        links.push_back(s->link);
    EXPECT_EQ(links, (std::vector<std::wstring>{L"a.html", L"b.html", L"c.html"}));
}

TEST(CZebCMPartsXmlDataTest, MissingMalformedOrForeignFilesGiveNoEntries)
{
    TempDir dir;
    testsupport::writeFile(dir / "malformed.xml", file("<partinfo>" + entry("1", "a", "", "", "a.html")));
    testsupport::writeFile(dir / "foreign.xml", file("<other>" + entry("1", "a", "", "", "a.html") + "</other>"));
    testsupport::writeFile(dir / "empty.xml", "");
    for (const std::wstring& path : {W(dir / "missing.xml"), W(dir / "malformed.xml"), W(dir / "foreign.xml"),
                                     W(dir / "empty.xml"), std::wstring()}) {
        SCOPED_TRACE(testsupport::U(path));
        CZebCMPartsXmlData reader(path);
        EXPECT_EQ(reader.getFirst(), nullptr);
        EXPECT_EQ(reader.getNext(), nullptr);
    }
}

TEST(CZebCMPartsXmlDataTest, WalkEndsWithNullAndGetFirstRestartsIt)
{
    TempDir dir;
    testsupport::writeFile(dir / "parts.xml", file("<partinfo>" + entry("1", "a", "", "", "a.html") +
                                                   entry("2", "b", "", "", "b.html") + "</partinfo>"));
    CZebCMPartsXmlData reader(W(dir / "parts.xml"));
    EXPECT_EQ(reader.getNext(), nullptr) << "no walk before getFirst";
    Selection* first = reader.getFirst();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(reader.getNext(), nullptr);
    EXPECT_EQ(reader.getNext(), nullptr);
    EXPECT_EQ(reader.getNext(), nullptr);
    EXPECT_EQ(reader.getFirst(), first);
}

TEST(CZebCMPartsXmlDataTest, RecordsComeFromTheFileAsItWasWhenTheReaderWasMade)
{
    TempDir dir;
    testsupport::writeFile(dir / "parts.xml", file("<partinfo>" + entry("1", "a", "", "", "a.html") +
                                                   entry("2", "b", "", "", "b.html") + "</partinfo>"));
    CZebCMPartsXmlData reader(W(dir / "parts.xml"));
    testsupport::writeFile(dir / "parts.xml", file("<partinfo>" + entry("9", "z", "", "", "z.html") + "</partinfo>"));
    std::vector<std::wstring> links;
    for (Selection* s : readAll(reader))
        links.push_back(s->link);
    EXPECT_EQ(links, (std::vector<std::wstring>{L"a.html", L"b.html"}));
}
