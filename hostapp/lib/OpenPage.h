#pragma once
#include <memory>
#include <optional>
#include <string>

#include "TextCodec.h"

#include "host/Charset.h"
#include "platform/PageWriter.h"

class Document;
class DomUtBase;

// A page open for editing: its document, the DomUtBase with the page's layout cursor, and what is
// needed to save it as it came: its bytes, the encoding it was read in (with its BOM, if it had
// one) and its newline convention. A page is saved as its own bytes wherever the document still
// writes the page's text unchanged, so an unedited page comes back byte for byte and an edited one
// differs only where it was edited; written-afresh text is encoded in the page's encoding with
// its newline convention, and what the encoding cannot hold becomes numeric character references.
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

    // The bytes the page is saved as: its BOM, then its markup, the stretches copied from the
    // page's text as the bytes they were read from, the rest with the page's newline convention
    // in its encoding.
    std::string serialize() const;
    // Writes the page to its file through the platform's page writer and clears modified.
    // NotOpened (nothing written, modified kept) when the file cannot be created; throws
    // platform::FileException when a write fails after it was opened or the page's folder cannot
    // be flushed to disk after it.
    platform::PageWriter::Result save();

    enum class SaveOutcome { Written, Unchanged, NotOpened };
    // As save, except that a file that already holds exactly the bytes the page would be saved as
    // is left alone, its time included (Unchanged; modified is cleared all the same).
    SaveOutcome saveIfChanged();

private:
    OpenPage() = default;

    std::wstring path_;
    std::unique_ptr<Document> document_;
    std::unique_ptr<DomUtBase> domUtBase_;
    std::string encoding_ = "UTF-8";
    std::string bom_;
    std::string bytes_; // as read, after the BOM
    // Where the characters of the page's text stand in bytes_; made on the first save of an edit.
    mutable std::optional<TextCodec::CharacterMap> map_;
    Newline newline_ = Newline::Lf;
    bool modified_ = false;
    int viewUpdates_ = 0;
};
