#pragma once
#include <string>

class Document;
class DomUtBase;
class Node;

// The open page's core interface, handed out by CZebTmplWzCoreAdapter; the caller deletes it.
//
// Virtual slots, in order: destructor, getActiveDocument, updateViews, setModified, insertHtml,
// getDomUtBase.
class CZebCoreAdapterIF {
public:
    virtual ~CZebCoreAdapterIF();
    // The open page's document; null when the page has none.
    virtual Document* getActiveDocument() = 0;
    // Asks the views to redraw; the arguments are a hint for the host (null, 0x10000004, null).
    virtual void updateViews(void* sender, unsigned long hint, void* extra) = 0;
    // Marks the page modified (true) so that the host saves it.
    virtual void setModified(bool modified) = 0;
    // Parses the markup (length characters) as a fragment in the context of the cursor's element
    // and inserts it at the layout cursor; the cursor then stands right after the inserted nodes.
    // Returns the top (first) inserted node; null when nothing was inserted. error receives a
    // message when the insertion failed; the flags are the host's (true, true, true, false).
    virtual Node* insertHtml(const wchar_t* markup, int length, std::wstring& error, bool flag1, bool flag2, bool flag3,
                             bool flag4) = 0;
    // The page's DomUtBase (with its layout cursor); null when the page has none.
    virtual DomUtBase* getDomUtBase() = 0;
};
