#pragma once
#include <memory>
#include <string>

#include "MarkupWriter.h"
#include "host/CharacterData.h"
#include "host/DOM.h"
#include "host/DOMImpl.h"
#include "host/Document.h"
#include "host/Element.h"
#include "support/TestSupport.h"

namespace domtest {

struct DocumentDeleter {
    void operator()(Document* d) const { DOM().deleteDocument(d); }
};
using DocPtr = std::unique_ptr<Document, DocumentDeleter>;

// A document parsed from text with its source kept.
inline DocPtr load(const std::wstring& text)
{
    DocPtr doc(DOMImpl::createDocument(L"HTML"));
    doc->createNodes(text.data(), text.size(), nullptr, true);
    return doc;
}

// A page of the test data (tests/data/pages), as wide text.
inline std::wstring page(const std::string& name)
{
    std::string path = ZEB_TEST_DATA; // appended to, not added: g++ 12 warns falsely about the temporaries
    path += "/pages/";
    path += name;
    return testsupport::W(testsupport::readFile(path));
}

// The markup written structurally (tag by tag, with the gap texts), which must match too.
inline std::wstring structural(Document& doc)
{
    return MarkupWriter(false).write(doc);
}

// The nth element (from 0) with the tag name, in document order; null when there is none.
inline Element* tag(Document& doc, const wchar_t* name, int nth = 0)
{
    for (Node* n = doc.getFirstChild(); n != nullptr; n = n->nextInTree(&doc))
        if (n->getNodeType() == Node::Type::Element && static_cast<Element*>(n)->is(name) && nth-- == 0)
            return static_cast<Element*>(n);
    return nullptr;
}

// The first text node whose data starts with prefix.
inline CharacterData* text(Document& doc, const std::wstring& prefix)
{
    for (Node* n = doc.getFirstChild(); n != nullptr; n = n->nextInTree(&doc))
        if (n->getNodeType() == Node::Type::Text &&
            static_cast<CharacterData*>(n)->getData().compare(0, prefix.size(), prefix) == 0)
            return static_cast<CharacterData*>(n);
    return nullptr;
}

// text with its only occurrence of from replaced by to (fails the test when from is not there
// exactly once).
inline std::wstring replaced(std::wstring text, const std::wstring& from, const std::wstring& to)
{
    std::size_t at = text.find(from);
    EXPECT_NE(at, std::wstring::npos) << testsupport::U(from);
    if (at == std::wstring::npos)
        return text;
    EXPECT_EQ(text.find(from, at + 1), std::wstring::npos) << testsupport::U(from);
    return text.replace(at, from.size(), to);
}

} // namespace domtest
