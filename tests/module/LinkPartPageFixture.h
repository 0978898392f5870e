#pragma once
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "support/TestSupport.h"

class OpenPage;
class Element;

// A temporary CMS site that is the host's current site, with a category list, and a page of it
// open for editing, for the tests of the registry and the selection dialog. The clock is fixed
// for the fixture's life, so that the diary's calendar is always the same month.
class LinkPartPageFixture {
public:
    // (numid, name) pairs, written as qcms/qccl.xml in that order.
    using Categories = std::vector<std::pair<std::string, std::string>>;

    explicit LinkPartPageFixture(const Categories& categories);
    LinkPartPageFixture(std::initializer_list<std::pair<std::string, std::string>> categories)
        : LinkPartPageFixture(Categories(categories))
    {
    }
    ~LinkPartPageFixture();
    LinkPartPageFixture(const LinkPartPageFixture&) = delete;
    LinkPartPageFixture& operator=(const LinkPartPageFixture&) = delete;

    // Writes the page and opens it as the host's open page.
    void openPage(const std::string& html);
    // Closes the open page (no page open afterwards).
    void closePage();
    OpenPage* page() const { return page_.get(); }
    // The open page's markup.
    std::string markup() const;
    // The ids containing "zebsitec" in the open page, in document order.
    std::vector<std::string> linkPartIds() const;
    // The element with that id in the open page; null when none.
    Element* byId(const std::string& id) const;
    const std::string& folder() const { return dir_.path(); }

    // A category list file of the pairs.
    static std::string categoryList(const Categories& categories);

private:
    testsupport::TempDir dir_;
    std::unique_ptr<OpenPage> page_;
};
