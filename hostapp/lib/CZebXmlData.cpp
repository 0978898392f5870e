#include "host/CZebXmlData.h"
#include "DocumentStore.h"

#include <pugixml.hpp>

#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "AsciiCase.h"
#include "DocumentFactory.h"
#include "EncodingDetector.h"
#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/Element.h"
#include "platform/FileReader.h"
#include "platform/TextConv.h"

namespace {

// The tag of the node that holds the file's top-level elements (no XML name can start with '#').
constexpr const wchar_t* kRootTag = L"#xml-root";

std::wstring wide(const char* utf8)
{
    return platform::fromUtf8(utf8, std::strlen(utf8));
}

} // namespace

// The copy of a parsed file into host nodes. Named, not in an unnamed namespace: the tree an
// on-demand copy leaves for later (CZebXmlData::Deferred) holds its types.
namespace xmlcopy {

// The document's names of the file's element names (in lower case, as the document names the
// elements it creates): each spelling is converted once, not once per element.
class ElementNames {
public:
    explicit ElementNames(Document& document) : document_(document) {}
    // The name for utf8, which stays valid while the parsed file does.
    const ElementName& operator()(const char* utf8)
    {
        const std::string_view key(utf8);
        // A data file has a handful of spellings: compared in turn, which costs less than hashing
        // each name; a file of many spellings has them hashed.
        if (many_.empty()) {
            for (const Known& known : few_)
                if (known.spelling == key)
                    return *known.name;
        } else if (const auto found = many_.find(key); found != many_.end()) {
            return *found->second;
        }
        const ElementName& name =
            DocumentStore::internName(document_, asciicase::lower(platform::fromUtf8(key.data(), key.size())));
        if (few_.size() < kFew) {
            few_.push_back({key, &name});
        } else {
            if (many_.empty())
                for (const Known& known : few_)
                    many_.emplace(known.spelling, known.name);
            many_.emplace(key, &name);
        }
        return name;
    }

private:
    static constexpr std::size_t kFew = 16;
    struct Known {
        std::string_view spelling;
        const ElementName* name;
    };
    Document& document_;
    std::vector<Known> few_;
    std::unordered_map<std::string_view, const ElementName*> many_;
};

// The elements of an on-demand copy whose children wait, each with its source: an open-addressed
// table by the element's address, so that listing the entries of a file allocates nothing per
// entry and finding one is a probe or two. An entry whose children were made keeps its slot with
// no source.
class WaitingChildren {
public:
    void add(const Node* element, const pugi::xml_node& source)
    {
        if ((count_ + 1) * 2 > slots_.size())
            grow();
        place(element, source);
        ++count_;
    }
    // The source of element's children, taken (a second call gives none); none when element
    // has none waiting.
    pugi::xml_node take(const Node* element)
    {
        if (count_ == 0)
            return {};
        for (std::size_t i = slotOf(element);; i = (i + 1) & (slots_.size() - 1)) {
            Slot& slot = slots_[i];
            if (slot.element == element) {
                const pugi::xml_node source = slot.source;
                slot.source = pugi::xml_node();
                return source;
            }
            if (slot.element == nullptr)
                return {};
        }
    }

private:
    struct Slot {
        const Node* element = nullptr;
        pugi::xml_node source;
    };
    std::size_t slotOf(const Node* element) const
    {
        // Fibonacci hashing of the address: nodes are tens of bytes apart, so the low bits say little.
        const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(element));
        return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ULL) >> shift_);
    }
    void place(const Node* element, const pugi::xml_node& source)
    {
        std::size_t i = slotOf(element);
        while (slots_[i].element != nullptr)
            i = (i + 1) & (slots_.size() - 1);
        slots_[i] = {element, source};
    }
    void grow()
    {
        std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(slots_.empty() ? 64 : slots_.size() * 2));
        shift_ = 64 - std::countr_zero(slots_.size());
        for (const Slot& slot : old)
            if (slot.element != nullptr)
                place(slot.element, slot.source);
    }
    std::vector<Slot> slots_;
    std::size_t count_ = 0;
    int shift_ = 64;
};

// Copies the pugixml tree below source into the host tree below target. Elements keep their
// attributes; text and CDATA become text nodes; comments, processing instructions and the
// document type are left out. Names and texts go into the document's own memory rather than an
// allocation each (a data file has tens of thousands); texts stay UTF-8 until they are read.
// With deferred, the copy starts at the file's top (source is the parsed document), and an element
// two levels down (an entry of a top-level list) is made without its children and listed there
// with its source instead. Iterative, so that a deeply nested file cannot exhaust the stack;
// pending is the walk's memory, empty on return (kept by the caller, as an on-demand tree copies
// many small subtrees).
struct PendingCopy {
    pugi::xml_node from;
    Element* to;
    int depth; // of from's children below the file's top
};
using PendingCopies = std::vector<PendingCopy>;
void copyTree(const pugi::xml_node& source, Element* target, Document& document, ElementNames& names,
              WaitingChildren* deferred, PendingCopies& pending)
{
    pending.push_back({source, target, 1});
    while (!pending.empty()) {
        const PendingCopy at = pending.back();
        pending.pop_back();
        for (pugi::xml_node child = at.from.first_child(); child; child = child.next_sibling()) {
            switch (child.type()) {
            case pugi::node_element: {
                Element* element = DocumentStore::createElement(document, names(child.name()));
                for (pugi::xml_attribute a = child.first_attribute(); a; a = a.next_attribute())
                    element->setAttribute(wide(a.name()), wide(a.value()));
                DocumentStore::appendMade(at.to, element);
                if (deferred && at.depth == 2 && child.first_child())
                    deferred->add(element, child);
                else
                    pending.push_back({child, element, at.depth + 1});
                break;
            }
            case pugi::node_pcdata:
            case pugi::node_cdata:
                DocumentStore::appendMade(at.to, DocumentStore::createTextNodeKeepingUtf8(document, child.value()));
                break;
            default:
                break;
            }
        }
    }
}

} // namespace xmlcopy

namespace {

// Element names compare ignoring ASCII case: the host's tree keeps the names of elements it creates
// in lower case (an HTML tree), so an XML file's "Title" is found as "title" or "Title".
bool sameName(const std::wstring& a, const std::wstring& b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        wchar_t x = a[i], y = b[i];
        if (x >= L'A' && x <= L'Z')
            x = x - L'A' + L'a';
        if (y >= L'A' && y <= L'Z')
            y = y - L'A' + L'a';
        if (x != y)
            return false;
    }
    return true;
}

// The file's bytes parsed: decoded straight to UTF-8, which is what the parser reads (a UTF-8 file
// is parsed from its own bytes, without a round trip through wide text); null when they are no
// XML.
std::shared_ptr<const pugi::xml_document> parse(std::string_view bytes)
{
    EncodingDetector::Detection detection;
    std::string storage;
    std::string_view utf8;
    if (!EncodingDetector::decodeAuto(bytes.data(), bytes.size(), detection, storage, utf8))
        return nullptr;
    // The text ends at its first NUL character, as a decoded text handed on as a C string does.
    utf8 = utf8.substr(0, utf8.find('\0'));

    // The text is UTF-8 now whatever the file declared, so the declaration is not followed.
    // Fragment parsing lets a file hold several top-level lists. pugixml never reads a DTD's
    // external entities nor expands entities other than the predefined ones and character
    // references: an undeclared reference such as &ext; stays as literal text.
    auto xml = std::make_shared<pugi::xml_document>();
    const pugi::xml_parse_result parsed =
        xml->load_buffer(utf8.data(), utf8.size(), pugi::parse_default | pugi::parse_fragment, pugi::encoding_utf8);
    // Fragment parsing takes plain text as a document too; a file without any element is no XML.
    if (!parsed || !xml->find_child([](const pugi::xml_node& n) { return n.type() == pugi::node_element; }))
        return nullptr;
    return xml;
}

// The last file parsed on this thread, by its bytes: every update reads the category list twice
// (the host, then the module), and the same bytes give the same tree, which the documents made
// from it only read. The bytes are the file's, kept instead of freed; files above the limit are
// not kept.
struct LastParse {
    std::string bytes;
    std::shared_ptr<const pugi::xml_document> xml;
};
constexpr std::size_t kLastParseLimit = 256 * 1024;

LastParse& lastParse()
{
    thread_local LastParse last;
    return last;
}

// The tree parsed last from these very bytes; null when the last parse was of other bytes.
std::shared_ptr<const pugi::xml_document> parsedAgain(std::string_view bytes)
{
    const LastParse& last = lastParse();
    return last.xml && std::string_view(last.bytes) == bytes ? last.xml : nullptr;
}

void rememberParse(std::string bytes, const std::shared_ptr<const pugi::xml_document>& xml)
{
    LastParse& last = lastParse();
    if (bytes.size() > kLastParseLimit) {
        last = LastParse();
        return;
    }
    last.bytes = std::move(bytes);
    last.xml = xml;
}

} // namespace

// The elements of an on-demand tree whose children are still to be made, by their parsed source,
// and the document's names of the file's element names, which those children will need.
struct CZebXmlData::Deferred {
    explicit Deferred(Document& document) : names(document) {}
    xmlcopy::ElementNames names;
    xmlcopy::WaitingChildren sources;
    xmlcopy::PendingCopies pending;
};

CZebXmlData::CZebXmlData(const std::wstring& rootName) : rootName_(rootName) {}

CZebXmlData::~CZebXmlData() = default;

bool CZebXmlData::CreateNodeData(const std::wstring& path, Build build)
{
    DestroyNodeData(nullptr);

    std::string bytes;
    if (platform::FileReader::read(path, bytes) != platform::FileReader::Result::Read || bytes.empty())
        return false;
    std::shared_ptr<const pugi::xml_document> xml = parsedAgain(bytes);
    if (!xml) {
        xml = parse(bytes);
        if (!xml)
            return false;
        rememberParse(std::move(bytes), xml);
    }

    std::unique_ptr<Document> document = DocumentFactory::create();
    Element* root = document->createElement(kRootTag);
    document->appendChild(root);
    std::unique_ptr<Deferred> deferred;
    if (build == Build::OnDemand) {
        deferred = std::make_unique<Deferred>(*document);
        xmlcopy::copyTree(*xml, root, *document, deferred->names, &deferred->sources, deferred->pending);
    } else {
        xmlcopy::ElementNames names(*document);
        xmlcopy::PendingCopies pending;
        xmlcopy::copyTree(*xml, root, *document, names, nullptr, pending);
    }
    // The texts, and the elements still to be made, stay in the parser's memory.
    DocumentStore::hold(*document, std::move(xml));
    deferred_ = std::move(deferred);
    document_ = std::move(document);
    root_ = root;
    return true;
}

Node* CZebXmlData::GetRootNode()
{
    return root_;
}

namespace {

// Whether elements are named name, each name compared once: the elements of a document share
// their names, and a list of entries repeats a few of them.
class NameMatch {
public:
    explicit NameMatch(const std::wstring& name) : name_(name) {}
    bool operator()(const Element& element)
    {
        const ElementName* name = &element.name();
        if (name != last_) {
            last_ = name;
            lastMatches_ = sameName(element.localName(), name_);
        }
        return lastMatches_;
    }

private:
    const std::wstring& name_;
    const ElementName* last_ = nullptr;
    bool lastMatches_ = false;
};

// Hands visit the element children of node with the name, in order, until it returns false.
template <typename Visit>
void forEachNamedChild(Node* node, const std::wstring& name, Visit visit)
{
    if (node == nullptr)
        return;
    NameMatch matches(name);
    for (Node* child = node->getFirstChild(); child != nullptr; child = child->getNextSibling()) {
        if (child->getNodeType() == Node::Type::Element && matches(*static_cast<Element*>(child)) &&
            !visit(static_cast<Element*>(child)))
            return;
    }
}

} // namespace

void CZebXmlData::makeDeferredChildren(Node* node)
{
    if (!deferred_)
        return;
    const pugi::xml_node source = deferred_->sources.take(node);
    if (!source)
        return;
    xmlcopy::copyTree(source, static_cast<Element*>(node), *document_, deferred_->names, nullptr, deferred_->pending);
}

int CZebXmlData::GetChildElement(Node* node, const std::wstring& name, std::vector<Element*>& out)
{
    out.clear();
    makeDeferredChildren(node);
    forEachNamedChild(node, name, [&](Element* element) {
        out.push_back(element);
        return true;
    });
    return static_cast<int>(out.size());
}

Element* CZebXmlData::GetChildElement(Node* node, const std::wstring& name)
{
    makeDeferredChildren(node);
    Element* found = nullptr;
    forEachNamedChild(node, name, [&](Element* element) {
        found = element;
        return false;
    });
    return found;
}

void CZebXmlData::DestroyNodeData(Node* /*node*/)
{
    root_ = nullptr;
    deferred_.reset();
    document_.reset();
}
