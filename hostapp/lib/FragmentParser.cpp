#include "FragmentParser.h"

#include "GumboTreeBuilder.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/Element.h"

Node* insertFragmentAtCursor(DomUtBase& util, const std::wstring& markup) {
    Document* document = util.getDocument();
    if (document == nullptr)
        return nullptr;
    int offset = 0;
    Node* cursor = util.getLayoutCursor(offset);
    if (cursor != nullptr && (!cursor->isAttached() || cursor->getNodeType() == Node::Type::Document))
        cursor = nullptr;

    // Where the nodes go: before `ref` inside `parent` (ref null: at the end).
    Node* parent = nullptr;
    Node* ref = nullptr;
    CharacterData* split = nullptr;
    if (cursor == nullptr) {
        parent = document->getBody();
        if (parent == nullptr)
            parent = document->getDocumentElement();
        if (parent == nullptr)
            parent = document;
    } else if (cursor->getNodeType() == Node::Type::Element) {
        parent = cursor;
        ref = cursor->childAt(offset);
    } else {
        parent = cursor->parentNode();
        auto size = cursor->getNodeType() == Node::Type::Doctype
                        ? 0
                        : static_cast<int>(static_cast<CharacterData*>(cursor)->getData().size());
        if (offset <= 0)
            ref = cursor;
        else if (offset >= size)
            ref = cursor->getNextSibling();
        else if (cursor->getNodeType() == Node::Type::Text)
            split = static_cast<CharacterData*>(cursor);
        else
            ref = cursor->getNextSibling(); // inside a comment: after it
    }
    if (parent == nullptr)
        return nullptr;

    std::wstring context = parent->getNodeType() == Node::Type::Element
                               ? static_cast<Element*>(parent)->localName()
                               : std::wstring(L"body");
    std::vector<Node*> nodes = GumboTreeBuilder::buildFragment(*document, markup, context);
    if (nodes.empty())
        return nullptr;

    if (split != nullptr)
        ref = split->splitText(static_cast<std::size_t>(offset));
    for (Node* n : nodes)
        parent->insertBefore(n, ref);
    util.setLayoutCurorEx(nodes.back(), true);
    return nodes.front();
}
