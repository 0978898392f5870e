#include "RebuildScope.h"

#include <algorithm>

namespace {

struct Rebuild {
    bool active = false;
    std::wstring folder; // without a trailing separator
    std::vector<int> categories;
};

Rebuild& current()
{
    static Rebuild rebuild;
    return rebuild;
}

std::wstring withoutSeparator(std::wstring folder)
{
    while (folder.size() > 1 && folder.back() == L'/')
        folder.pop_back();
    return folder;
}

// The category number of a generated page's name: zebsitecNNNtable000001.html, and for the
// diary's month pages zebsitec001table000001YYYYMM.html; -1 for any other name.
int categoryOfPage(const std::wstring& name)
{
    static const std::wstring kHead = L"zebsitec";
    static const std::wstring kTail = L"table000001";
    static const std::wstring kExtension = L".html";
    const std::size_t plain = kHead.size() + 3 + kTail.size() + kExtension.size();
    if ((name.size() != plain && name.size() != plain + 6) || name.compare(0, kHead.size(), kHead) != 0 ||
        name.compare(kHead.size() + 3, kTail.size(), kTail) != 0 ||
        name.compare(name.size() - kExtension.size(), kExtension.size(), kExtension) != 0)
        return -1;
    const std::wstring number = name.substr(kHead.size(), 3);
    const std::wstring month = name.substr(plain - kExtension.size(), name.size() - plain);
    auto digits = [](const std::wstring& text) {
        return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c >= L'0' && c <= L'9'; });
    };
    if (!digits(number) || !digits(month))
        return -1;
    const int category = std::stoi(number);
    return month.empty() || category == 1 ? category : -1;
}

} // namespace

RebuildScope::RebuildScope(const std::wstring& siteMenuFolder, const std::vector<int>& categories)
{
    current() = {true, withoutSeparator(siteMenuFolder), categories};
}

RebuildScope::~RebuildScope()
{
    current() = {};
}

bool RebuildScope::active()
{
    return current().active;
}

bool RebuildScope::hides(const std::wstring& folder, const std::wstring& name)
{
    const Rebuild& rebuild = current();
    if (!rebuild.active || withoutSeparator(folder) != rebuild.folder)
        return false;
    const int category = categoryOfPage(name);
    return category >= 0 &&
           std::find(rebuild.categories.begin(), rebuild.categories.end(), category) != rebuild.categories.end();
}
