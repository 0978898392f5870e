#include "OpenPage.h"
#include "NodeSource.h"

#include <algorithm>

#include "DocumentFactory.h"
#include "EncodingDetector.h"
#include "MarkupWriter.h"
#include "Newlines.h"
#include "SourceText.h"
#include "TextCodec.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/MappedFile.h"
#include "platform/FileException.h"

std::unique_ptr<OpenPage> OpenPage::create(const std::wstring& path)
{
    std::unique_ptr<OpenPage> page(new OpenPage());
    page->path_ = path;
    page->document_ = DocumentFactory::create();
    page->domUtBase_ = std::make_unique<DomUtBase>(page->document_.get());
    return page;
}

std::unique_ptr<OpenPage> OpenPage::load(const std::wstring& path)
{
    MappedFile file;
    if (file.open(path, 0) != 0)
        return nullptr;
    const char* bytes = reinterpret_cast<const char*>(file.get_top());
    const std::size_t size = file.get_size();
    EncodingDetector::Detection detection;
    std::wstring text;
    if (!EncodingDetector::decodeAuto(bytes, size, detection, text))
        return nullptr;

    std::unique_ptr<OpenPage> page = create(path);
    if (!page)
        return nullptr;
    page->encoding_ = detection.encoding;
    if (detection.bomLength > 0)
        page->bom_.assign(bytes, detection.bomLength);
    if (size > detection.bomLength)
        page->bytes_.assign(bytes + detection.bomLength, size - detection.bomLength);
    page->newline_ = Newlines::detect(text);
    file.close();
    if (!text.empty() && !page->document_->createNodes(text.c_str(), text.size(), nullptr, true))
        return nullptr;
    return page;
}

OpenPage::~OpenPage()
{
    // The DomUtBase refers to the document, so it goes first.
    domUtBase_.reset();
    document_.reset();
}

std::string OpenPage::serialize() const
{
    const SourceText* source = NodeSource::pageSource(document_.get());
    std::vector<MarkupWriter::Copied> copied;
    const std::wstring markup = MarkupWriter().write(*document_, source, copied);
    if (source != nullptr && copied.size() == 1 && copied[0].outStart == 0 && copied[0].sourceStart == 0 &&
        markup.size() == source->text.size() && copied[0].outEnd == markup.size())
        return bom_ + bytes_;

    if (source != nullptr && !map_) {
        map_.emplace();
        if (!TextCodec::mapCharacters(bytes_.data(), bytes_.size(), encoding_, source->text.size(), *map_))
            map_->offsets.clear();
    }
    std::string out = bom_;
    if (source == nullptr || map_->offsets.empty()) {
        // Nothing to copy from: all of it encoded afresh (UTF-8 keeps every character, should
        // the page's own encoding be gone).
        std::string bytes;
        const std::wstring text = Newlines::apply(markup, newline_);
        if (!TextCodec::encode(text, encoding_, bytes))
            TextCodec::encode(text, "UTF-8", bytes);
        return out + bytes;
    }
    const TextCodec::CharacterMap& map = *map_;
    const bool stateful = !map.shiftAt.empty();
    std::uint32_t shift = 0; // the escape sequence in force at the end of out
    std::size_t pos = 0;
    auto encodeAfresh = [&](std::size_t end) {
        if (pos >= end)
            return;
        // Written afresh from the initial state of a stateful encoding, which it ends in again.
        if (stateful && shift != 0)
            out += "\x1B(B";
        shift = 0;
        std::string bytes;
        TextCodec::encode(Newlines::apply(markup.substr(pos, end - pos), newline_), encoding_, bytes);
        out += bytes;
    };
    for (const MarkupWriter::Copied& c : copied) {
        encodeAfresh(c.outStart);
        const std::size_t first = c.sourceStart, last = c.sourceStart + (c.outEnd - c.outStart);
        if (stateful && map.shiftAt[first] != shift)
            out += map.shifts[map.shiftAt[first]];
        out.append(bytes_, map.offsets[first], map.offsets[last] - map.offsets[first]);
        if (stateful)
            shift = map.shiftAt[last];
        pos = c.outEnd;
    }
    encodeAfresh(markup.size());
    return out;
}

platform::PageWriter::Result OpenPage::save()
{
    const std::string bytes = serialize();
    const platform::PageWriter::Result result = platform::PageWriter::write(path_, bytes.data(), bytes.size());
    if (result == platform::PageWriter::Result::Written) {
        modified_ = false;
        // One page: its folder's new entry is flushed at once rather than batched.
        const auto unsynced = platform::PageWriter::syncFolders();
        if (!unsynced.empty())
            throw platform::FileException(path_, unsynced.front().second);
    }
    return result;
}

OpenPage::SaveOutcome OpenPage::saveIfChanged()
{
    const std::string bytes = serialize();
    MappedFile file;
    if (file.open(path_, 0) == 0 && file.get_size() == bytes.size() &&
        std::equal(bytes.begin(), bytes.end(), reinterpret_cast<const char*>(file.get_top()))) {
        modified_ = false;
        return SaveOutcome::Unchanged;
    }
    file.close();
    if (platform::PageWriter::write(path_, bytes.data(), bytes.size()) != platform::PageWriter::Result::Written)
        return SaveOutcome::NotOpened;
    modified_ = false;
    return SaveOutcome::Written;
}
