#include "host/CZebXmlData.h"
#include "DocumentStore.h"

#include <pugixml.hpp>

#include <array>
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
// elements it creates): each spelling is converted once, not once per element. Each spelling also
// remembers the one that came after it last time: the entries of a list repeat their names in one
// order, so the name expected next is almost always the one that comes.
class ElementNames {
public:
    static constexpr std::size_t kNone = static_cast<std::size_t>(-1);

    explicit ElementNames(Document& document) : document_(document) {}
    // The name for its UTF-8 spelling, which stays valid while the read file does.
    const ElementName& operator()(std::string_view spelling) { return name(learn(spelling)); }
    // The known spelling for spelling (learnt when new, with the expected next one updated); its
    // index.
    std::size_t learn(std::string_view spelling)
    {
        std::size_t found = kNone;
        if (index_.empty()) {
            for (std::size_t i = 0; i < known_.size() && found == kNone; ++i)
                if (known_[i].spelling == spelling)
                    found = i;
        } else if (const auto at = index_.find(spelling); at != index_.end()) {
            found = at->second;
        }
        if (found == kNone) {
            found = known_.size();
            known_.push_back({spelling, nullptr, kNone});
            // A file of many spellings has them hashed.
            if (known_.size() > kFew) {
                if (index_.empty())
                    for (std::size_t i = 0; i + 1 < known_.size(); ++i)
                        index_.emplace(known_[i].spelling, i);
                index_.emplace(spelling, found);
            }
        }
        follow(found);
        return found;
    }
    // The index of the spelling expected next when the text at p starts with it and no name
    // character follows (p then moves past it); kNone otherwise.
    std::size_t expectedAt(const char*& p, const char* end, bool (*isNameChar)(char))
    {
        if (last_ == kNone || known_[last_].next == kNone)
            return kNone;
        const std::size_t next = known_[last_].next;
        const std::string_view spelling = known_[next].spelling;
        if (static_cast<std::size_t>(end - p) <= spelling.size() ||
            std::memcmp(p, spelling.data(), spelling.size()) != 0 || isNameChar(p[spelling.size()]))
            return kNone;
        p += spelling.size();
        last_ = next;
        return next;
    }
    std::string_view spelling(std::size_t index) const { return known_[index].spelling; }
    // The document's name of a known spelling, made when first asked for.
    const ElementName& name(std::size_t index)
    {
        Known& known = known_[index];
        if (known.name == nullptr)
            known.name = &DocumentStore::internName(
                document_, asciicase::lower(platform::fromUtf8(known.spelling.data(), known.spelling.size())));
        return *known.name;
    }

private:
    static constexpr std::size_t kFew = 16;
    struct Known {
        std::string_view spelling;
        const ElementName* name;
        std::size_t next; // the spelling that came after this one last time
    };
    void follow(std::size_t index)
    {
        if (last_ != kNone)
            known_[last_].next = index;
        last_ = index;
    }
    Document& document_;
    std::vector<Known> known_;
    std::unordered_map<std::string_view, std::size_t> index_;
    std::size_t last_ = kNone;
};

// What the scan of a file in the plain form (copyPlain) met inside an entry left for later, so that
// the entry's nodes are made from it without a second scan: a start tag (the index of its name's
// spelling), an end tag, or a text (its bytes, in the file's text, which the document keeps; no
// file read is anywhere near 4 GiB, so its length fits 32 bits).
struct PlainEvent {
    static constexpr std::uint32_t kEnd = 0xFFFFFFFF;
    static constexpr std::uint32_t kText = 0xFFFFFFFE;
    const char* text;
    std::uint32_t length;
    std::uint32_t name; // a spelling's index, kEnd or kText
};
using PlainEvents = std::vector<PlainEvent>;

// Where the children of an element left for later come from: the parsed file's node, or the
// events [first, last) of a file in the plain form. Neither: none wait.
struct ChildrenSource {
    pugi::xml_node parsed;
    std::size_t first = 0;
    std::size_t last = 0;
    explicit operator bool() const { return parsed || last > first; }
};

// The elements of an on-demand copy whose children wait, each with its source: an open-addressed
// table by the element's address, so that listing the entries of a file allocates nothing per
// entry and finding one is a probe or two. An entry whose children were made keeps its slot with
// no source.
class WaitingChildren {
public:
    void add(const Node* element, const ChildrenSource& source)
    {
        if ((count_ + 1) * 2 > slots_.size())
            grow();
        place(element, source);
        ++count_;
    }
    // The source of element's children, taken (a second call gives none); none when element
    // has none waiting.
    ChildrenSource take(const Node* element)
    {
        if (count_ == 0)
            return {};
        for (std::size_t i = slotOf(element);; i = (i + 1) & (slots_.size() - 1)) {
            Slot& slot = slots_[i];
            if (slot.element == element)
                return std::exchange(slot.source, ChildrenSource());
            if (slot.element == nullptr)
                return {};
        }
    }

private:
    struct Slot {
        const Node* element = nullptr;
        ChildrenSource source;
    };
    std::size_t slotOf(const Node* element) const
    {
        // Fibonacci hashing of the address: nodes are tens of bytes apart, so the low bits say little.
        const auto bits = static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(element));
        return static_cast<std::size_t>((bits * 0x9E3779B97F4A7C15ULL) >> shift_);
    }
    void place(const Node* element, const ChildrenSource& source)
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
                Element* element = DocumentStore::createElement(document, names(std::string_view(child.name())));
                for (pugi::xml_attribute a = child.first_attribute(); a; a = a.next_attribute())
                    element->setAttribute(wide(a.name()), wide(a.value()));
                DocumentStore::appendMade(at.to, element);
                if (deferred && at.depth == 2 && child.first_child())
                    deferred->add(element, {child, {}});
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

// The plain form most data files take: an optional XML declaration at the very start, then
// elements whose tags are written without attributes or spaces (<name>, </name>, <name/>) and
// texts without references or carriage returns. A file of that form is read in one pass straight
// into host nodes, with the tree the full parser would give it: texts of white space alone are
// left out, as the parser drops them. Anything else in a file (attributes, comments, CDATA,
// references, a name outside ASCII, any error) sends the whole file to the full parser, which
// also judges what is malformed.
namespace {

// What a byte is to the plain scan: white space as the parser takes it, a byte that may start or
// continue a name (ASCII only), a byte that ends or spoils a text ('<', and the '&' and carriage
// return that the parser would convert).
enum : unsigned char { kSpace = 1, kNameStart = 2, kNameChar = 4, kTextStop = 8 };

constexpr std::array<unsigned char, 256> kPlainClass = [] {
    std::array<unsigned char, 256> table{};
    for (const char c : {' ', '\t', '\n', '\r'})
        table[static_cast<unsigned char>(c)] |= kSpace;
    for (int c = 0; c < 256; ++c) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (letter || c == '_' || c == ':')
            table[c] |= kNameStart | kNameChar;
        if ((c >= '0' && c <= '9') || c == '-' || c == '.')
            table[c] |= kNameChar;
    }
    for (const char c : {'<', '&', '\r'})
        table[static_cast<unsigned char>(c)] |= kTextStop;
    return table;
}();

bool is(char c, unsigned char what)
{
    return (kPlainClass[static_cast<unsigned char>(c)] & what) != 0;
}

bool isNameChar(char c)
{
    return is(c, kNameChar);
}

// The first '<', '&' or CR at or after p; end when there is none. Eight bytes at a time: a byte
// equal to c is a zero byte of the word xor c, and each zero byte is marked by its high bit alone.
const char* findTextStop(const char* p, const char* end)
{
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kLow = 0x7F7F7F7F7F7F7F7FULL;
    const auto zeroBytes = [](std::uint64_t x) { return ~(((x & kLow) + kLow) | x | kLow); };
    for (; end - p >= 8; p += 8) {
        std::uint64_t word;
        std::memcpy(&word, p, 8);
        const std::uint64_t stops =
            zeroBytes(word ^ (kOnes * '<')) | zeroBytes(word ^ (kOnes * '&')) | zeroBytes(word ^ (kOnes * '\r'));
        if (stops != 0) {
            // The first byte in memory is the word's lowest on a little-endian machine.
            if constexpr (std::endian::native == std::endian::little)
                return p + std::countr_zero(stops) / 8;
            else
                return p + std::countl_zero(stops) / 8;
        }
    }
    while (p != end && !is(*p, kTextStop))
        ++p;
    return p;
}

} // namespace

// An element open in the scan: its name, the first event of its content (of an entry left for
// later), and whether anything was found in it; element is null when it is not made (inside an
// entry left for later).
struct PlainOpen {
    std::string_view name;
    Element* element;
    Element* childrenTo; // where its children go; null when they are not made now
    std::size_t firstEvent;
    bool hasChildren;
};
using PlainStack = std::vector<PlainOpen>;

// Makes the nodes of a file's text in the plain form below target, the file's root. With
// deferred, as copyTree: an element two levels down (an entry) is made without its children, and
// what its content holds is recorded in events, which makeFromEvents turns into its nodes. False
// when the text is not of the plain form (what was made below target then is to be thrown away).
bool copyPlain(std::string_view text, Element* target, Document& document, ElementNames& names,
               WaitingChildren* deferred, PlainStack& open, PlainEvents& events)
{
    open.clear();
    events.clear();
    const char* p = text.data();
    const char* const end = p + text.size();
    if (text.size() > 5 && text.starts_with("<?xml") && is(text[5], kSpace)) {
        const std::size_t close = text.find("?>", 6);
        if (close == std::string_view::npos)
            return false;
        p += close + 2;
    }
    bool anyElement = false;
    while (true) {
        // White space alone is no text; a text runs to the next tag and holds no '&' or CR.
        const char* lt = p;
        while (lt != end && is(*lt, kSpace))
            ++lt;
        if (lt != end && *lt != '<') {
            // A text at the file's top level is kept by the parser as a node of its own: rare,
            // and left to it.
            if (open.empty())
                return false;
            lt = findTextStop(p, end);
            if (lt != end && *lt != '<')
                return false;
            const std::string_view value(p, static_cast<std::size_t>(lt - p));
            open.back().hasChildren = true;
            if (Element* to = open.back().childrenTo)
                DocumentStore::appendMade(to, DocumentStore::createTextNodeKeepingUtf8(document, value));
            else if (deferred != nullptr)
                events.push_back({value.data(), static_cast<std::uint32_t>(value.size()), PlainEvent::kText});
        }
        if (lt == end)
            break;
        p = lt + 1;
        if (p != end && *p == '/') {
            // An end tag ends the open element, whose name it must repeat.
            ++p;
            if (open.empty())
                return false;
            const std::string_view name = open.back().name;
            if (static_cast<std::size_t>(end - p) <= name.size() || std::memcmp(p, name.data(), name.size()) != 0 ||
                p[name.size()] != '>')
                return false;
            p += name.size() + 1;
            const PlainOpen closed = open.back();
            open.pop_back();
            if (deferred != nullptr && open.size() >= 2)
                events.push_back({nullptr, 0, PlainEvent::kEnd});
            else if (deferred != nullptr && open.size() == 1 && closed.hasChildren)
                deferred->add(closed.element, {{}, closed.firstEvent, events.size()});
            continue;
        }
        std::size_t known = names.expectedAt(p, end, isNameChar);
        if (known == ElementNames::kNone) {
            const char* const name = p;
            if (p == end || !is(*p, kNameStart))
                return false;
            while (p != end && is(*p, kNameChar))
                ++p;
            known = names.learn(std::string_view(name, static_cast<std::size_t>(p - name)));
        }
        const bool empty = p != end && *p == '/';
        if (empty)
            ++p;
        if (p == end || *p != '>')
            return false;
        ++p;
        anyElement = true;
        Element* const parent = open.empty() ? target : open.back().childrenTo;
        if (!open.empty())
            open.back().hasChildren = true;
        Element* element = nullptr;
        if (parent != nullptr) {
            element = DocumentStore::createElement(document, names.name(known));
            DocumentStore::appendMade(parent, element);
        } else if (deferred != nullptr) {
            events.push_back({nullptr, 0, static_cast<std::uint32_t>(known)});
            if (empty)
                events.push_back({nullptr, 0, PlainEvent::kEnd});
        }
        if (!empty)
            open.push_back({names.spelling(known), element, deferred && open.size() == 1 ? nullptr : element,
                            events.size(), false});
    }
    return open.empty() && anyElement;
}

// Makes the children of entry from the events [first, last) its file's scan recorded.
void makeFromEvents(const PlainEvents& events, std::size_t first, std::size_t last, Element* entry, Document& document,
                    ElementNames& names, std::vector<Element*>& open)
{
    open.assign(1, entry);
    for (std::size_t i = first; i < last; ++i) {
        const PlainEvent& event = events[i];
        if (event.name == PlainEvent::kEnd) {
            open.pop_back();
        } else if (event.name == PlainEvent::kText) {
            DocumentStore::appendMade(open.back(), DocumentStore::createTextNodeKeepingUtf8(
                                                       document, std::string_view(event.text, event.length)));
        } else {
            Element* element = DocumentStore::createElement(document, names.name(event.name));
            DocumentStore::appendMade(open.back(), element);
            open.push_back(element);
        }
    }
}

} // namespace xmlcopy

namespace {

// The file's bytes decoded straight to UTF-8, which is what the readers take (a UTF-8 file is
// read from its own bytes, without a round trip through wide text): utf8 views bytes or storage.
// False when they do not decode.
bool decode(std::string_view bytes, std::string& storage, std::string_view& utf8)
{
    EncodingDetector::Detection detection;
    if (!EncodingDetector::decodeAuto(bytes.data(), bytes.size(), detection, storage, utf8))
        return false;
    // The text ends at its first NUL character, as a decoded text handed on as a C string does.
    utf8 = utf8.substr(0, utf8.find('\0'));
    return true;
}

// The file's UTF-8 text parsed; null when it is no XML.
std::shared_ptr<const pugi::xml_document> parse(std::string_view utf8)
{
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
    std::shared_ptr<const std::string> bytes;
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
    return last.xml && std::string_view(*last.bytes) == bytes ? last.xml : nullptr;
}

void rememberParse(const std::shared_ptr<const std::string>& bytes,
                   const std::shared_ptr<const pugi::xml_document>& xml)
{
    LastParse& last = lastParse();
    if (bytes->size() > kLastParseLimit) {
        last = LastParse();
        return;
    }
    last.bytes = bytes;
    last.xml = xml;
}

} // namespace

// The elements of an on-demand tree whose children are still to be made, by their source, the
// document's names of the file's element names, which those children will need, and the copies'
// working memory.
struct CZebXmlData::Deferred {
    explicit Deferred(Document& document) : names(document) {}
    xmlcopy::ElementNames names;
    xmlcopy::WaitingChildren sources;
    xmlcopy::PendingCopies pending;
    xmlcopy::PlainStack open;
    xmlcopy::PlainEvents events;
    std::vector<Element*> made;
};

CZebXmlData::CZebXmlData(const std::wstring& rootName) : rootName_(rootName) {}

namespace {

// The memory of a record of entries (xmlcopy::PlainEvents), kept on this thread from one file to
// the next so that each file's record does not grow it anew; a record of a large file is not kept.
xmlcopy::PlainEvents& spareEvents()
{
    thread_local xmlcopy::PlainEvents spare;
    return spare;
}
constexpr std::size_t kSpareEventsLimit = 64 * 1024;

} // namespace

CZebXmlData::~CZebXmlData()
{
    DestroyNodeData(nullptr);
}

bool CZebXmlData::CreateNodeData(const std::wstring& path, Build build)
{
    DestroyNodeData(nullptr);

    // Held by the document when it is read in the plain form: its texts and names view the bytes.
    auto bytes = std::make_shared<std::string>();
    if (platform::FileReader::read(path, *bytes) != platform::FileReader::Result::Read || bytes->empty())
        return false;

    std::unique_ptr<Document> document;
    Element* root = nullptr;
    std::unique_ptr<Deferred> deferred;
    auto startDocument = [&] {
        document = DocumentFactory::create();
        root = document->createElement(kRootTag);
        document->appendChild(root);
        deferred = std::make_unique<Deferred>(*document);
        deferred->events.swap(spareEvents());
    };
    auto finish = [&] {
        if (build == Build::OnDemand)
            deferred_ = std::move(deferred);
        document_ = std::move(document);
        root_ = root;
        return true;
    };
    xmlcopy::WaitingChildren* waiting = nullptr;

    std::shared_ptr<const pugi::xml_document> xml = parsedAgain(*bytes);
    if (!xml) {
        auto storage = std::make_shared<std::string>();
        std::string_view utf8;
        if (!decode(*bytes, *storage, utf8))
            return false;
        startDocument();
        waiting = build == Build::OnDemand ? &deferred->sources : nullptr;
        if (xmlcopy::copyPlain(utf8, root, *document, deferred->names, waiting, deferred->open, deferred->events)) {
            // The texts, and the entries still to be made, stay in the file's text.
            DocumentStore::hold(*document, std::move(bytes));
            if (!storage->empty())
                DocumentStore::hold(*document, std::move(storage));
            return finish();
        }
        // Not in the plain form: parsed in full, into a fresh document (the scan may have made
        // part of a tree).
        xml = parse(utf8);
        if (!xml)
            return false;
        rememberParse(bytes, xml);
    }
    startDocument();
    waiting = build == Build::OnDemand ? &deferred->sources : nullptr;
    xmlcopy::copyTree(*xml, root, *document, deferred->names, waiting, deferred->pending);
    // The texts, and the elements still to be made, stay in the parser's memory.
    DocumentStore::hold(*document, std::move(xml));
    return finish();
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
            // Element names compare ignoring ASCII case: the host's tree keeps the names of
            // elements it creates in lower case (an HTML tree), so an XML file's "Title" is found
            // as "title" or "Title".
            lastMatches_ = asciicase::equal(element.localName(), name_);
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
    const xmlcopy::ChildrenSource source = deferred_->sources.take(node);
    if (source.parsed)
        xmlcopy::copyTree(source.parsed, static_cast<Element*>(node), *document_, deferred_->names, nullptr,
                          deferred_->pending);
    else if (source.last > source.first)
        xmlcopy::makeFromEvents(deferred_->events, source.first, source.last, static_cast<Element*>(node), *document_,
                                deferred_->names, deferred_->made);
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
    if (deferred_ && deferred_->events.capacity() <= kSpareEventsLimit &&
        deferred_->events.capacity() > spareEvents().capacity()) {
        deferred_->events.clear();
        spareEvents().swap(deferred_->events);
    }
    deferred_.reset();
    document_.reset();
}
