#pragma once
#include <map>
#include <string>

#include "platform/DialogTemplate.h"

namespace platform {

// The resources of one module: its string table and dialog templates, by number.
struct ResourceTable {
    std::map<int, std::wstring> strings;
    std::map<int, DialogTemplate> dialogs;
};

// The process's resource search chain. A module registers its table when it is loaded and
// unregisters it when it is unloaded; lookups by number go through every registered table, the
// most recently registered first.
class ResourceChain {
public:
    // Adds a table to the chain; the table must outlive its registration.
    static void registerTable(const ResourceTable* table);
    // Removes a table from the chain; does nothing when it is not registered.
    static void unregisterTable(const ResourceTable* table);
    // The string with that number; false (text untouched) when no registered table has it.
    static bool loadString(int id, std::wstring& text);
    // The dialog template with that number; null when no registered table has it.
    static const DialogTemplate* findDialog(int id);
};

} // namespace platform
