#include "OpenPage.h"

#include "TextCodec.h"
#include "host/DOMImpl.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/MappedFile.h"
#include "platform/FileException.h"

std::unique_ptr<OpenPage> OpenPage::create(const std::wstring& path) {
    std::unique_ptr<OpenPage> page(new OpenPage());
    page->path_ = path;
    page->document_.reset(DOMImpl::createDocument(L"HTML"));
    if (!page->document_) return nullptr;
    page->domUtBase_ = std::make_unique<DomUtBase>(page->document_.get());
    return page;
}

std::unique_ptr<OpenPage> OpenPage::load(const std::wstring& path) {
    MappedFile file;
    if (file.open(path, 0) != 0) return nullptr;
    const char* bytes = reinterpret_cast<const char*>(file.get_top());
    const std::size_t size = file.get_size();
    TextCodec::Detection detection;
    std::wstring text;
    if (!TextCodec::decodeAuto(bytes, size, detection, text)) return nullptr;
    file.close();

    std::unique_ptr<OpenPage> page = create(path);
    if (!page) return nullptr;
    page->encoding_ = detection.encoding;
    if (detection.bomLength > 0) page->bom_ = TextCodec::byteOrderMark(detection.encoding);
    page->newline_ = TextCodec::detectNewline(text);
    if (!text.empty() && !page->document_->createNodes(text.c_str(), text.size(), nullptr, true)) return nullptr;
    return page;
}

OpenPage::~OpenPage() {
    // The DomUtBase refers to the document, so it goes first.
    domUtBase_.reset();
    document_.reset();
}

std::string OpenPage::serialize() const {
    std::string bytes;
    if (!TextCodec::encode(TextCodec::applyNewline(document_->getMarkup(), newline_), encoding_, bytes)) {
        // Not reached for an encoding the page was read in; UTF-8 keeps every character.
        TextCodec::encode(TextCodec::applyNewline(document_->getMarkup(), newline_), "UTF-8", bytes);
    }
    return bom_ + bytes;
}

platform::PageWriter::Result OpenPage::save() {
    const std::string bytes = serialize();
    const platform::PageWriter::Result result = platform::PageWriter::write(path_, bytes.data(), bytes.size());
    if (result == platform::PageWriter::Result::Written) {
        modified_ = false;
        // One page: its folder's new entry is flushed at once rather than batched.
        const auto unsynced = platform::PageWriter::syncFolders();
        if (!unsynced.empty()) throw platform::FileException(path_, unsynced.front().second);
    }
    return result;
}
