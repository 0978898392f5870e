// Fuzz target: the bytes of a CMS data file, read by the host's XML reader and by the two readers
// of the module (content parts file, category list file).
//
// Properties: nothing crashes, leaks or reads out of bounds; the reader's tree holds only
// elements and texts; every record the module keeps has the fields it is kept for, and the
// year, month and day pieces are the creation time cut by position.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "NodeSource.h"
#include "content/CZebCMCategoryXmlData.h"
#include "content/CZebCMPartsXmlData.h"
#include "host/CZebXmlData.h"
#include "host/Element.h"
#include "host/Node.h"

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
                check(element->getAttribute(a.name) == a.value, "an attribute reads back as stored", a.name);
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

    readParts(path);
    readCategories(path);
    return 0;
}
