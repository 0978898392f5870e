#include "host/CZebXmlData.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "host/CharacterData.h"
#include "host/Element.h"
#include "host/Node.h"
#include "hostapp/HostTestSupport.h"
#include "support/TestSupport.h"

using hosttest::encodeAs;
using testsupport::TempDir;
using testsupport::U;
using testsupport::W;
using testsupport::writeFile;

namespace {

// The ids of every contentpart of every top-level partinfo, in order.
std::vector<std::string> contentIds(CZebXmlData& xml)
{
    std::vector<std::string> ids;
    std::vector<Element*> lists;
    xml.GetChildElement(xml.GetRootNode(), L"partinfo", lists);
    for (Element* list : lists) {
        std::vector<Element*> parts;
        xml.GetChildElement(list, L"contentpart", parts);
        for (Element* part : parts) {
            Element* id = xml.GetChildElement(part, L"id");
            ids.push_back(id == nullptr ? "(none)" : U(id->getTextData()));
        }
    }
    return ids;
}

struct XmlCase {
    const char* description;
    std::string bytes;
    bool parsed;
    std::vector<std::string> ids;
};

TEST(CZebXmlDataTest, ReadsTopLevelListsAndRejectsBrokenFiles)
{
    const XmlCase cases[] = {
        {"one list",
         "<?xml version=\"1.0\"?>\n<partinfo><contentpart><id>a</id></contentpart>"
         "<contentpart><id>b</id></contentpart></partinfo>\n",
         true,
         {"a", "b"}},
        {"two top-level lists",
         "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<partinfo><contentpart><id>a</id></contentpart></partinfo>\n"
         "<partinfo><contentpart><id>b</id></contentpart><contentpart><id>c</id></contentpart></partinfo>\n",
         true,
         {"a", "b", "c"}},
        {"entities, CDATA and character references",
         "<partinfo><contentpart><id>&lt;x&amp;y&gt;&#x41;<![CDATA[<z>]]></id></contentpart></partinfo>",
         true,
         {"<x&y>A<z>"}},
        {"markup inside a text", "<partinfo><contentpart><id><b>a</b>b</id></contentpart></partinfo>", true, {"ab"}},
        {"comments and other elements are skipped",
         "<!-- c --><partinfo><other/><contentpart><!-- c --><id>a</id></contentpart></partinfo>",
         true,
         {"a"}},
        {"unclosed element", "<partinfo><contentpart><id>a</id></contentpart>", false, {}},
        {"mismatched tags", "<partinfo><contentpart><id>a</title></contentpart></partinfo>", false, {}},
        {"empty file", "", false, {}},
        {"not XML", "\x01\x02binary", false, {}},
        {"the text ends at a NUL",
         std::string("<partinfo><contentpart><id>a</id></contentpart></partinfo>\0"
                     "<partinfo><contentpart><id>b</id></contentpart></partinfo>",
                     117),
         true,
         {"a"}},
        {"a text larger than a block of the document's memory",
         "<partinfo><contentpart><id>" + std::string(70000, 'x') +
             "</id></contentpart><contentpart><id>b</id></contentpart></partinfo>",
         true,
         {std::string(70000, 'x'), "b"}},
        // Files in the plain form (tags without attributes or spaces, texts without references or
        // CRs) are read in one pass; anything else goes to the full parser, which judges errors.
        {"CR LF line ends between tags",
         "<?xml version=\"1.0\"?>\r\n<partinfo>\r\n <contentpart>\r\n  <id>a</id>\r\n "
         "</contentpart>\r\n</partinfo>\r\n",
         true,
         {"a"}},
        {"a CR inside a text", "<partinfo><contentpart><id>a\r\nb\rc</id></contentpart></partinfo>", true, {"a\nb\nc"}},
        {"white space kept around a text",
         "<partinfo><contentpart><id> a b\t</id></contentpart></partinfo>",
         true,
         {" a b\t"}},
        {"empty entries and an entry of white space",
         "<partinfo><contentpart></contentpart><contentpart/><contentpart> \n</contentpart>"
         "<contentpart><id>b</id></contentpart></partinfo>",
         true,
         {"(none)", "(none)", "(none)", "b"}},
        {"an empty id",
         "<partinfo><contentpart><id/></contentpart><contentpart><id></id></contentpart></partinfo>",
         true,
         {"", ""}},
        {"tag names in upper case", "<PartInfo><ContentPart><ID>a</ID></ContentPart></PartInfo>", true, {"a"}},
        {"names of digits, dots, dashes and colons",
         "<partinfo><contentpart><x:note-1.2_>n</x:note-1.2_><id>a</id></contentpart></partinfo>",
         true,
         {"a"}},
        {"a text beside an entry's elements",
         "<partinfo><contentpart>lead<id>a</id>tail</contentpart>x</partinfo>",
         true,
         {"a"}},
        {"an attribute", "<partinfo><contentpart k=\"v\"><id>a</id></contentpart></partinfo>", true, {"a"}},
        {"spaces in tags", "<partinfo ><contentpart><id>a</id ><id /></contentpart></partinfo>", true, {"a"}},
        {"a name outside ASCII",
         "<partinfo><contentpart><名前>x</名前><id>a</id></contentpart></partinfo>",
         true,
         {"a"}},
        {"a text at the top level", "lead<partinfo><contentpart><id>a</id></contentpart></partinfo>tail", true, {"a"}},
        {"a declaration in upper case",
         "<?XML version=\"1.0\"?><partinfo><contentpart><id>a</id></contentpart></partinfo>",
         true,
         {"a"}},
        {"a declaration alone", "<?xml version=\"1.0\"?>\n", false, {}},
        {"a declaration not closed",
         "<?xml version=\"1.0\"<partinfo><contentpart><id>a</id></contentpart></partinfo>",
         false,
         {}},
        {"an element unclosed inside an entry", "<partinfo><contentpart><id>a</contentpart></partinfo>", false, {}},
        {"an end tag with nothing open", "<partinfo></partinfo></contentpart>", false, {}},
        {"an end tag longer than the open name",
         "<partinfo><contentpart><id>a</idx></contentpart></partinfo>",
         false,
         {}},
        {"an end tag shorter than the open name",
         "<partinfo><contentpart><id>a</i></contentpart></partinfo>",
         false,
         {}},
        {"the last end tag cut", "<partinfo><contentpart><id>a</id></contentpart></partinfo", false, {}},
        {"a lone '<' at the end", "<partinfo><contentpart><id>a</id></contentpart></partinfo><", false, {}},
        {"a name starting with a digit", "<partinfo><contentpart><1d>a</1d></contentpart></partinfo>", false, {}},
        {"a start tag cut", "<partinfo><contentpart><id", false, {}},
        {"entries of the same names in another order",
         "<partinfo><contentpart><id>a</id><title>t</title></contentpart>"
         "<contentpart><title>u</title><id>b</id></contentpart><contentpart><id>c</id></contentpart></partinfo>",
         true,
         {"a", "b", "c"}},
        {"Shift_JIS with a tag name in upper case",
         "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><PartInfo><contentpart><ID>" + encodeAs("記事", "CP932") +
             "</ID></contentpart></PartInfo>",
         true,
         {"記事"}},
    };
    for (const XmlCase& c : cases) {
        for (const CZebXmlData::Build build : {CZebXmlData::Build::Whole, CZebXmlData::Build::OnDemand}) {
            TempDir dir;
            writeFile(dir / "parts.xml", c.bytes);
            CZebXmlData xml(L"partinfo");
            EXPECT_EQ(xml.CreateNodeData(W(dir / "parts.xml"), build), c.parsed) << c.description;
            EXPECT_EQ(contentIds(xml), c.ids) << c.description;
            // The same bytes read again (the tree parsed last serves), and read after the first is gone.
            CZebXmlData again(L"partinfo");
            EXPECT_EQ(again.CreateNodeData(W(dir / "parts.xml"), build), c.parsed) << c.description;
            xml.DestroyNodeData(nullptr);
            EXPECT_EQ(xml.GetRootNode(), nullptr) << c.description;
            EXPECT_EQ(contentIds(again), c.ids) << c.description;
        }
    }
}

// Every node below node as "name{...}" and "'text'", the children of each element made first.
std::string dumpTree(CZebXmlData& xml, Node* node)
{
    std::string out;
    xml.GetChildElement(node, L"");
    for (Node* child = node->getFirstChild(); child != nullptr; child = child->getNextSibling()) {
        if (child->getNodeType() == Node::Type::Element)
            out += U(static_cast<Element*>(child)->getTagName()) + "{" + dumpTree(xml, child) + "}";
        else
            out += "'" + U(static_cast<CharacterData*>(child)->getData()) + "'";
    }
    return out;
}

// A file in the plain form is read in one pass of its own, not by the full parser; a comment
// appended sends the same file to the parser, and the trees must be alike, whole or on demand.
TEST(CZebXmlDataTest, PlainFormReadsAsTheParserDoes)
{
    const std::string files[] = {
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<partinfo>\n  <contentpart>\n    <id>1</id>\n"
        "    <title>記事 の 1 番目</title>\n  </contentpart>\n  <contentpart/>\n</partinfo>\n",
        "<a><b>x<c>y</c>z</b><b> </b><b><d><e>deep</e></d>tail</b></a><a/><a>t<b/></a>",
        "<List><Item>1</Item><item>2</item><ITEM>3</ITEM></List>",
        "\r\n\t <x>\r\n<y> s p a c e d </y>\t</x>\n",
        "<partinfo><contentpart><id>>]]></id></contentpart></partinfo>",
        // Empty elements at every depth of an entry, and an entry after them.
        "<l><e><f/>t<g></g><h><i/><j>u</j></h><k/></e><e><f/></e><e/></l>",
    };
    for (const std::string& plain : files) {
        for (const CZebXmlData::Build build : {CZebXmlData::Build::Whole, CZebXmlData::Build::OnDemand}) {
            TempDir dir;
            writeFile(dir / "plain.xml", plain);
            writeFile(dir / "parsed.xml", plain + "<!-- c -->");
            CZebXmlData read(L"partinfo");
            CZebXmlData parsed(L"partinfo");
            ASSERT_TRUE(read.CreateNodeData(W(dir / "plain.xml"), build)) << plain;
            ASSERT_TRUE(parsed.CreateNodeData(W(dir / "parsed.xml"), build)) << plain;
            EXPECT_EQ(dumpTree(read, read.GetRootNode()), dumpTree(parsed, parsed.GetRootNode())) << plain;
        }
    }
}

// A category's link part reads 11 entries of a data file, but every entry became nodes. On demand,
// an entry's subtree is made when GetChildElement first asks for the entry's children.
TEST(CZebXmlDataTest, OnDemandTreeMakesAnEntrysSubtreeWhenAskedFor)
{
    TempDir dir;
    writeFile(dir / "parts.xml", "<partinfo><contentpart><id>a</id><title><b>t</b>u</title></contentpart></partinfo>");
    CZebXmlData xml(L"partinfo");
    ASSERT_TRUE(xml.CreateNodeData(W(dir / "parts.xml"), CZebXmlData::Build::OnDemand));
    Element* part = xml.GetChildElement(xml.GetChildElement(xml.GetRootNode(), L"partinfo"), L"contentpart");
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(part->getFirstChild(), nullptr);
    Element* title = xml.GetChildElement(part, L"title");
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(U(title->getTextData()), "tu");
}

// The record of a file's entries is memory kept from one file to the next: readers alive at the
// same time, and one made while another is freed, each read their own file's entries.
TEST(CZebXmlDataTest, ReadersAliveTogetherReadTheirOwnEntries)
{
    TempDir dir;
    auto parts = [](const std::string& a, const std::string& b) {
        return "<partinfo><contentpart><id>" + a + "</id></contentpart><contentpart><id>" + b +
               "</id></contentpart></partinfo>";
    };
    writeFile(dir / "a.xml", parts("a1", "a2"));
    writeFile(dir / "b.xml", parts("b1", "b2"));
    writeFile(dir / "c.xml", parts("c1", "c2"));
    auto first = std::make_unique<CZebXmlData>(L"partinfo");
    CZebXmlData second(L"partinfo");
    ASSERT_TRUE(first->CreateNodeData(W(dir / "a.xml"), CZebXmlData::Build::OnDemand));
    ASSERT_TRUE(second.CreateNodeData(W(dir / "b.xml"), CZebXmlData::Build::OnDemand));
    EXPECT_EQ(contentIds(second), (std::vector<std::string>{"b1", "b2"}));
    EXPECT_EQ(contentIds(*first), (std::vector<std::string>{"a1", "a2"}));
    ASSERT_TRUE(second.CreateNodeData(W(dir / "c.xml"), CZebXmlData::Build::OnDemand));
    first.reset();
    CZebXmlData third(L"partinfo");
    ASSERT_TRUE(third.CreateNodeData(W(dir / "a.xml"), CZebXmlData::Build::OnDemand));
    EXPECT_EQ(contentIds(second), (std::vector<std::string>{"c1", "c2"}));
    EXPECT_EQ(contentIds(third), (std::vector<std::string>{"a1", "a2"}));
}

TEST(CZebXmlDataTest, MissingFileYieldsNoElements)
{
    TempDir dir;
    CZebXmlData xml(L"partinfo");
    EXPECT_FALSE(xml.CreateNodeData(W(dir / "missing.xml")));
    EXPECT_EQ(xml.GetRootNode(), nullptr);
    std::vector<Element*> out{nullptr};
    EXPECT_EQ(xml.GetChildElement(nullptr, L"partinfo", out), 0);
    EXPECT_TRUE(out.empty());
    EXPECT_EQ(xml.GetChildElement(nullptr, L"partinfo"), nullptr);
}

TEST(CZebXmlDataTest, ExternalEntityDoesNotReadTheNamedFile)
{
    TempDir dir;
    writeFile(dir / "secret.txt", "SECRET-CONTENT");
    const std::string doctype = "<?xml version=\"1.0\"?>\n<!DOCTYPE partinfo [\n"
                                "<!ENTITY ext SYSTEM \"" +
                                (dir / "secret.txt") +
                                "\">\n"
                                "<!ENTITY rel SYSTEM \"secret.txt\">\n<!ENTITY inner \"INNER\">\n]>\n";
    writeFile(dir / "parts.xml", doctype + "<partinfo><contentpart><id>&ext;&rel;&inner;</id>"
                                           "<title a=\"&ext;\">t</title></contentpart></partinfo>\n");
    CZebXmlData xml(L"partinfo");
    xml.CreateNodeData(W(dir / "parts.xml"));
    Element* list = xml.GetChildElement(xml.GetRootNode(), L"partinfo");
    ASSERT_NE(list, nullptr);
    const std::string all = U(list->getMarkup()) + U(list->getTextData());
    EXPECT_EQ(all.find("SECRET"), std::string::npos) << all;
    EXPECT_EQ(all.find("INNER"), std::string::npos) << "no DTD entity is expanded: " << all;
}

TEST(CZebXmlDataTest, ShiftJisFileWithJapaneseNames)
{
    const std::string utf8 = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\n<partinfo>\n<contentpart>\n"
                             "<id>1</id><title>日記①～テスト</title><category>日記</category>\n"
                             "</contentpart>\n</partinfo>\n";
    TempDir dir;
    writeFile(dir / "parts.xml", encodeAs(utf8, "CP932"));
    CZebXmlData xml(L"partinfo");
    ASSERT_TRUE(xml.CreateNodeData(W(dir / "parts.xml")));
    Element* part = xml.GetChildElement(xml.GetChildElement(xml.GetRootNode(), L"partinfo"), L"contentpart");
    ASSERT_NE(part, nullptr);
    EXPECT_EQ(U(xml.GetChildElement(part, L"title")->getTextData()), "日記①～テスト");
    EXPECT_EQ(U(xml.GetChildElement(part, L"category")->getTextData()), "日記");
    // A text is converted when read, and reads alike however it is read, and again.
    const auto* title = static_cast<const CharacterData*>(xml.GetChildElement(part, L"title")->getFirstChild());
    EXPECT_EQ(title->data(), title->getData());
    EXPECT_EQ(U(title->getData()), "日記①～テスト");
}

TEST(CZebXmlDataTest, NamesIgnoreCaseAndAttributesAreKept)
{
    TempDir dir;
    writeFile(dir / "x.xml", "<List kind=\"k\"><Item>1</Item><item>2</item><items>3</items></List>");
    CZebXmlData xml(L"List");
    ASSERT_TRUE(xml.CreateNodeData(W(dir / "x.xml")));
    Element* list = xml.GetChildElement(xml.GetRootNode(), L"List");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->getAttribute(L"kind"), L"k");
    std::vector<Element*> items;
    EXPECT_EQ(xml.GetChildElement(list, L"item", items), 2);
    EXPECT_EQ(items.at(0)->getTextData(), L"1");
    EXPECT_EQ(items.at(1)->getTextData(), L"2");
    // A text read from the file can be replaced like any other.
    static_cast<CharacterData*>(items.at(1)->getFirstChild())->setData(L"two");
    EXPECT_EQ(items.at(1)->getTextData(), L"two");
    EXPECT_EQ(list->getTextData(), L"1two3");
}

// Each attribute was looked for among the element's earlier ones: 40,000 on one element took
// seconds. They are read in linear time; a name given twice (ignoring case) takes the later value.
TEST(CZebXmlDataTest, ElementOfManyAttributesIsReadInLinearTime)
{
    TempDir dir;
    std::string list = "<List";
    for (int i = 0; i < 100000; ++i)
        list += " a" + std::to_string(i) + "=\"" + std::to_string(i) + "\"";
    writeFile(dir / "x.xml", list + " A7=\"later\"></List>");
    const auto start = std::chrono::steady_clock::now();
    CZebXmlData xml(L"List");
    ASSERT_TRUE(xml.CreateNodeData(W(dir / "x.xml")));
    Element* element = xml.GetChildElement(xml.GetRootNode(), L"List");
    ASSERT_NE(element, nullptr);
    EXPECT_EQ(element->getAttribute(L"a99999"), L"99999");
    EXPECT_EQ(element->getAttribute(L"A7"), L"later");
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 5.0);
}

} // namespace
