#pragma once
#include <string>

// The link-part template of the host's installation, from which the module makes every category
// link part: linkparts00.html in the data folder's template/_cm/temp/. The module says nothing
// when it cannot use it; the host checks it to tell the user why link parts are missing.
class LinkPartTemplate {
public:
    // The path the template is looked for at.
    static std::wstring path();
    // Why the template cannot make category link parts: "not found", "cannot be read as a page"
    // or "has no element with id ZEB_CATEGORY_1"; "" when it can.
    static std::string problem();
};
