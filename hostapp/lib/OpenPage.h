#pragma once
#include <memory>
#include <string>

#include "host/Charset.h"
#include "platform/PageWriter.h"

class Document;
class DomUtBase;

// A page open for editing: its document, the DomUtBase with the page's layout cursor, and what is
// needed to save it as it came: the encoding it was read in (with its BOM, if it had one) and its
// newline convention. Text that the encoding cannot hold is saved as numeric character references.
// A page saved without edits comes back byte for byte, with one exception: CP932 has duplicate
// codes for some characters (NEC-selected and IBM extensions), and a duplicate is written back
// in its preferred code (FA5B becomes 81E6 for U+2235), which reads back as the same text.
class OpenPage {
public:
    // Loads the page file (its encoding detected as the host's decoder does). Null when the file
    // cannot be read or its bytes cannot be decoded.
    static std::unique_ptr<OpenPage> load(const std::wstring& path);
    // A new empty page that will be saved at path as UTF-8 with LF newlines; null when no
    // document can be made.
    static std::unique_ptr<OpenPage> create(const std::wstring& path);
    ~OpenPage();
    OpenPage(const OpenPage&) = delete;
    OpenPage& operator=(const OpenPage&) = delete;

    // The file the page was loaded from and is saved to.
    const std::wstring& path() const { return path_; }
    // The page's document (never null).
    Document* document() const { return document_.get(); }
    // The page's searches, edits and layout cursor (never null).
    DomUtBase* domUtBase() const { return domUtBase_.get(); }
    // The iconv name of the page's encoding, e.g. "CP932".
    const std::string& encoding() const { return encoding_; }
    // Whether the file started with a byte order mark (it is written back).
    bool hasByteOrderMark() const { return !bom_.empty(); }
    // The newline convention the page is saved with (Keep for a page with none or a mix).
    Newline newline() const { return newline_; }

    // Whether the page was marked modified since it was loaded or saved.
    bool isModified() const { return modified_; }
    void setModified(bool modified) { modified_ = modified; }
    // How often the views were asked to redraw.
    int viewUpdates() const { return viewUpdates_; }
    void countViewUpdate() { ++viewUpdates_; }

    // The bytes the page is saved as: its markup with its newline convention, in its encoding,
    // after its BOM.
    std::string serialize() const;
    // Writes the page to its file through the platform's page writer and clears modified.
    // NotOpened (nothing written, modified kept) when the file cannot be created; throws
    // platform::FileException when a write fails after it was opened or the page's folder cannot
    // be flushed to disk after it.
    platform::PageWriter::Result save();

private:
    OpenPage() = default;

    std::wstring path_;
    std::unique_ptr<Document> document_;
    std::unique_ptr<DomUtBase> domUtBase_;
    std::string encoding_ = "UTF-8";
    std::string bom_;
    Newline newline_ = Newline::Lf;
    bool modified_ = false;
    int viewUpdates_ = 0;
};
