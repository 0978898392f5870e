#pragma once
#include <string>
#include <vector>

class Element;
class Node;

// Which link parts the open page carries and which categories the site has; serves the dialog's
// OK (applySelection) and the host's update request (updateCategories).
class CZebCMData {
public:
    // With scanPage, finds the open page's link-part elements and their ids.
    explicit CZebCMData(bool scanPage);
    virtual ~CZebCMData();

    // The open page's elements whose "ID" contains "zebsitec"; empty when no page is open.
    void collectLinkPartElements(std::vector<Element*>& out);
    // The lower-cased non-empty ids of the found elements.
    void readLinkPartIds(std::vector<std::wstring>& out);
    // Whether an id names the category number (three characters after the first "c").
    bool hasLinkPartFor(int number, const std::vector<std::wstring>& ids);
    // Whether a non-empty entry equals name exactly.
    bool containsName(const std::wstring& name, const std::vector<std::wstring>& list);
    // The site's categories with a number of 0 or more and a name, in file order.
    void readCategories(std::vector<std::wstring>& names, std::vector<std::wstring>& numids);
    // Regenerates the requested categories' pages in file order, then asks the host to refresh.
    void updateCategories(const std::vector<std::wstring>& requested);
    // Replaces the open page's link parts by those of the chosen categories.
    void applySelection(const std::vector<std::wstring>& chosen);

    std::vector<Element*> linkPartElements; // not owned: they belong to the page
    std::vector<std::wstring> linkPartIds;

private:
    // The outermost found link-part element that is node or holds it; null when none does.
    Element* enclosingLinkPart(Node* node) const;
};
