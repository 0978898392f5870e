// Fuzz target: the bytes of a CMS data file, read by the host's XML reader and by the two readers
// of the module (content parts file, category list file).
//
// Properties: nothing crashes, leaks or reads out of bounds; the reader's tree holds only
// elements and texts; every record the module keeps has the fields it is kept for, and the
// year, month and day pieces are the creation time cut by position; a file read in the reader's
// one pass of its own gives the tree the full parser gives it.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "NodeSource.h"
#include "content/CZebCMCategoryXmlData.h"
#include "content/CZebCMPartsXmlData.h"
#include "host/CZebXmlData.h"
#include "host/CharacterData.h"
#include "host/Element.h"
#include "host/Node.h"
#include "platform/Utf8.h"

using fuzzsupport::check;

namespace {

std::wstring cut(const std::wstring& text, std::size_t pos, std::size_t count)
{
    return pos < text.size() ? text.substr(pos, count) : std::wstring();
}

// Walks the parsed tree the way the readers do, touching every name, attribute and text.
void walkTree(CZebXmlData& xml)
{
    Node* root = xml.GetRootNode();
    if (root == nullptr)
        return;
    std::size_t seen = 0;
    for (Node* node = root->getFirstChild(); node != nullptr; node = node->nextInTree(root)) {
        const Node::Type type = node->getNodeType();
        check(type == Node::Type::Element || type == Node::Type::Text, "the XML tree holds only elements and texts");
        if (type == Node::Type::Element) {
            auto* element = static_cast<Element*>(node);
            check(!element->getTagName().empty(), "an XML element has a name");
            // Attribute names are unique (case ignored), so each reads back as stored.
            for (const NodeSource::Attribute& a : NodeSource::attributes(element))
                check(element->getAttribute(std::wstring(a.name)) == a.value, "an attribute reads back as stored",
                      std::wstring(a.name));
            std::vector<Element*> children;
            const int count = xml.GetChildElement(node, element->getTagName(), children);
            check(count == static_cast<int>(children.size()), "GetChildElement counts what it returns");
            for (Element* child : children)
                check(child->getParentNode() == node, "a child found is a child");
        }
        ++seen;
    }
    // The readers look these names up on the root.
    std::vector<Element*> lists;
    xml.GetChildElement(root, L"partinfo", lists);
    xml.GetChildElement(root, L"categorymngdoc", lists);
    (void)seen;
}

// Every node below node as name{...} and 'text', the children of each element made first (on
// demand they wait until asked for).
std::wstring dump(CZebXmlData& xml, Node* node)
{
    std::wstring out;
    xml.GetChildElement(node, L"");
    for (Node* child = node->getFirstChild(); child != nullptr; child = child->getNextSibling()) {
        if (child->getNodeType() == Node::Type::Element)
            out += static_cast<Element*>(child)->getTagName() + L"{" + dump(xml, child) + L"}";
        else
            out += L"'" + static_cast<CharacterData*>(child)->getData() + L"'";
    }
    return out;
}

// The reader takes a file in the plain form (tags without attributes, texts without references)
// in one pass of its own; a comment after the same bytes sends them to the full parser, and both
// trees must be alike. Only for UTF-8 that declares no other encoding and ends with a tag (and
// white space), read successfully, so that the comment changes nothing else.
void readsAsTheParser(const std::uint8_t* data, std::size_t size, const std::wstring& path)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::string declared = bytes;
    for (std::size_t at; (at = declared.find("encoding=\"UTF-8\"")) != std::string::npos;)
        declared.erase(at, 16);
    const std::size_t last = bytes.find_last_not_of(" \t\r\n");
    if (last == std::string::npos || bytes[last] != '>' || bytes.find('\0') != std::string::npos ||
        declared.find("encoding") != std::string::npos || !platform::utf8::isValid(bytes))
        return;
    CZebXmlData read(L"partinfo");
    if (!read.CreateNodeData(path, CZebXmlData::Build::OnDemand))
        return;
    static const std::wstring parsedPath = fuzzsupport::scratchPath(L"parsed.xml");
    const std::string withComment = bytes + "<!-- c -->";
    fuzzsupport::writeBytes(parsedPath, reinterpret_cast<const std::uint8_t*>(withComment.data()), withComment.size());
    CZebXmlData parsed(L"partinfo");
    check(parsed.CreateNodeData(parsedPath), "a file read is read with a comment after it too");
    const std::wstring tree = dump(read, read.GetRootNode());
    check(tree == dump(parsed, parsed.GetRootNode()), "a file reads as the full parser reads it", tree);
}

void readParts(const std::wstring& path)
{
    CZebCMPartsXmlData parts(path);
    for (CZebCMPartsXmlData::CSelection* s = parts.getFirst(); s != nullptr; s = parts.getNext()) {
        check(!s->id.empty() && !s->title.empty() && !s->link.empty(), "a kept entry has id, title and link", s->id);
        check(s->year == cut(s->creationtime, 0, 4), "year is characters 0..3 of the creation time", s->creationtime);
        check(s->month == cut(s->creationtime, 5, 2), "month is characters 5..6", s->creationtime);
        check(s->day == cut(s->creationtime, 8, 2), "day is characters 8..9", s->creationtime);
    }
    check(parts.getNext() == nullptr, "the walk stays at its end");
}

void readCategories(const std::wstring& path)
{
    CZebCMCategoryXmlData categories(path);
    std::size_t count = 0;
    for (CZebCMCategoryXmlData::CCategory* c = categories.getFirst(); c != nullptr; c = categories.getNext()) {
        check(!c->numid.empty() && !c->name.empty(), "a kept category has a number and a name", c->name);
        ++count;
    }
    // A second walk gives the same records.
    std::size_t again = 0;
    for (auto* c = categories.getFirst(); c != nullptr; c = categories.getNext())
        ++again;
    check(count == again, "getFirst restarts the walk");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::wstring path = fuzzsupport::scratchPath(L"data.xml");
    fuzzsupport::writeBytes(path, data, size);

    CZebXmlData xml(L"partinfo");
    const bool parsed = xml.CreateNodeData(path);
    check(parsed == (xml.GetRootNode() != nullptr), "a parse gives a root exactly when it succeeds");
    walkTree(xml);
    xml.DestroyNodeData(nullptr);
    check(xml.GetRootNode() == nullptr, "DestroyNodeData frees the tree");

    readsAsTheParser(data, size, path);
    readParts(path);
    readCategories(path);
    return 0;
}
