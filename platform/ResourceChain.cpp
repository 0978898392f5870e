#include "platform/ResourceChain.h"

#include <algorithm>
#include <mutex>
#include <vector>

namespace platform {

namespace {

struct Chain {
    std::mutex mutex;
    std::vector<const ResourceTable*> tables; // most recent last
};

Chain& chain()
{
    static Chain instance;
    return instance;
}

} // namespace

void ResourceChain::registerTable(const ResourceTable* table)
{
    if (!table)
        return;
    Chain& c = chain();
    std::lock_guard lock(c.mutex);
    c.tables.push_back(table);
}

void ResourceChain::unregisterTable(const ResourceTable* table)
{
    Chain& c = chain();
    std::lock_guard lock(c.mutex);
    auto it = std::find(c.tables.rbegin(), c.tables.rend(), table);
    if (it != c.tables.rend())
        c.tables.erase(std::next(it).base());
}

bool ResourceChain::loadString(int id, std::wstring& text)
{
    Chain& c = chain();
    std::lock_guard lock(c.mutex);
    for (auto it = c.tables.rbegin(); it != c.tables.rend(); ++it) {
        auto found = (*it)->strings.find(id);
        if (found != (*it)->strings.end()) {
            text = found->second;
            return true;
        }
    }
    return false;
}

const DialogTemplate* ResourceChain::findDialog(int id)
{
    Chain& c = chain();
    std::lock_guard lock(c.mutex);
    for (auto it = c.tables.rbegin(); it != c.tables.rend(); ++it) {
        auto found = (*it)->dialogs.find(id);
        if (found != (*it)->dialogs.end())
            return &found->second;
    }
    return nullptr;
}

} // namespace platform
