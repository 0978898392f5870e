#pragma once
#include <memory>

#include "host/CZebCoreAdapterIF.h"

class OpenPage;

// The core interface over a page open for editing. insertHtml inserts at the page's layout
// cursor; updateViews counts the requests on the page; setModified marks the page. It works only
// while the adapter that made it lives (adapter watches its lifetime): afterwards every call does
// nothing and answers null.
class OpenPageCoreAdapter : public CZebCoreAdapterIF {
public:
    OpenPageCoreAdapter(OpenPage& page, std::weak_ptr<const int> adapter) : page_(page), adapter_(std::move(adapter)) {}
    // The page's document; never null for an open page.
    Document* getActiveDocument() override;
    // Counts the request on the page (this host has no views to redraw).
    void updateViews(void* sender, unsigned long hint, void* extra) override;
    void setModified(bool modified) override;
    // A negative length takes the markup up to its NUL. Null (with a message in error) for a null
    // or empty markup or when the markup gave no nodes.
    Node* insertHtml(const wchar_t* markup, int length, std::wstring& error, bool flag1, bool flag2, bool flag3,
                     bool flag4) override;
    // The page's DomUtBase; never null for an open page.
    DomUtBase* getDomUtBase() override;

private:
    // Whether the adapter that made this interface still lives.
    bool live() const { return !adapter_.expired(); }

    OpenPage& page_;
    std::weak_ptr<const int> adapter_;
};
