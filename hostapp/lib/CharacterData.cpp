#include "host/CharacterData.h"
#include "NodeSource.h"

#include <utility>

#include "DocumentStore.h"
#include "SourceScan.h"
#include "SourceText.h"
#include "host/Document.h"
#include "platform/Utf8.h"

CharacterData::CharacterData(Type type, Document* owner, const std::wstring& data) : Node(type, owner), data_(data) {}

CharacterData::CharacterData(Type type, Document* owner, std::wstring&& data)
    : Node(type, owner), data_(std::move(data))
{
}

CharacterData::CharacterData(Type type, Document* owner, InDocument data) : Node(type, owner), inDocument_(data.text) {}

CharacterData::CharacterData(Type type, Document* owner, InDocumentUtf8 data) : Node(type, owner), utf8_(data.text) {}

CharacterData::~CharacterData() = default;

std::wstring_view CharacterData::keepUtf8AsWide() const
{
    inDocument_ = DocumentStore::keepTextFromUtf8(*getOwnerDocument(), utf8_);
    utf8_ = {};
    return inDocument_;
}

std::wstring CharacterData::getData() const
{
    if (utf8_.data() == nullptr)
        return std::wstring(data());
    // Converted straight into the copy handed out: a text of a data file is mostly read once.
    std::wstring text(utf8_.size(), L'\0');
    text.resize(platform::utf8::decodeInto(utf8_.data(), utf8_.size(), text.data()));
    return text;
}

void CharacterData::setData(const std::wstring& text)
{
    if (text == data())
        return;
    data_ = text;
    inDocument_ = {};
    markChanged();
}

namespace {

constexpr std::size_t kNotFound = static_cast<std::size_t>(-1);

// The position in src[start, end) where the text's data offset falls, when the source lines up
// with the data: literal characters equal (or given as U+FFFD), each character reference giving
// one character, CR LF and a lone CR giving LF, and a NUL giving none when nulDropped (the
// parser drops one in text, and gives one in raw text as U+FFFD). kNotFound when it does not
// line up.
std::size_t sourceOffset(const std::wstring& src, std::size_t start, std::size_t end, std::wstring_view data,
                         std::size_t offset, bool nulDropped)
{
    std::size_t cut = kNotFound;
    std::size_t i = start;
    for (std::size_t k = 0; k <= data.size(); ++k) {
        while (nulDropped && i < end && src[i] == L'\0')
            ++i;
        if (k == offset)
            cut = i;
        if (k == data.size())
            break;
        if (i >= end)
            return kNotFound;
        i = SourceScan::stepOver(src, i, end, data[k]);
        if (i == SourceScan::kNone)
            return kNotFound;
    }
    return i == end ? cut : kNotFound;
}

} // namespace

CharacterData* CharacterData::splitText(std::size_t offset)
{
    const std::wstring_view text = data();
    if (getNodeType() != Type::Text || offset == 0 || offset >= text.size() || getOwnerDocument() == nullptr)
        return nullptr;
    CharacterData* tail = getOwnerDocument()->createTextNode(std::wstring(text.substr(offset)));
    std::size_t cut = kNotFound;
    if (NodeSource::isVerbatim(this)) {
        const std::wstring& src = NodeSource::source(this)->text;
        const std::size_t start = NodeSource::spanStart(this), end = NodeSource::spanEnd(this);
        // (A text that is its source character for character is cut at the same place: so is
        // the text of a plaintext, where "&amp" is no reference.)
        cut = std::wstring_view(src).substr(start, end - start) == text
                  ? start + offset
                  : sourceOffset(src, start, end, text, offset, true);
        if (cut == kNotFound &&
            std::wstring_view(src).substr(start, end - start).find(L'\0') != std::wstring_view::npos)
            cut = sourceOffset(src, start, end, text, offset, false);
    }
    if (cut != kNotFound) {
        // Both halves keep writing their own source text, and a text the parser moved out in front
        // of a table (or behind a row of template content) is moved in both.
        NodeSource::setSourceSpan(tail, NodeSource::source(this), cut, NodeSource::spanEnd(this), true);
        NodeSource::setDisplaced(tail, NodeSource::isDisplaced(this));
        NodeSource::setMovedBehind(tail, NodeSource::isMovedBehind(this));
        NodeSource::setSourceSpan(this, NodeSource::source(this), NodeSource::spanStart(this), cut, true);
        if (inDocument_.data() != nullptr)
            inDocument_ = inDocument_.substr(0, offset);
        else
            data_.erase(offset);
    } else {
        setData(std::wstring(text.substr(0, offset)));
    }
    if (Node* parent = parentNode())
        parent->insertBefore(tail, getNextSibling());
    return tail;
}
