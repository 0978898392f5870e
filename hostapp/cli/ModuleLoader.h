#pragma once
#include <memory>
#include <string>
#include <vector>

#include "plugin/CZebTmplCIF.h"

// Loads the plug-in module, shakes hands with it through its host function table and creates its
// interface objects. Unloads the module when destroyed: every interface object must be gone by
// then.
class ModuleLoader {
public:
    // Entries in the host's function table; the module writes entry kFactoryEntry.
    static constexpr std::size_t kTableEntries = 512;
    // The table level the host announces; the module requires more than 82.
    static constexpr int kTableLevel = 83;

    explicit ModuleLoader(std::string path);
    ~ModuleLoader();
    ModuleLoader(const ModuleLoader&) = delete;
    ModuleLoader& operator=(const ModuleLoader&) = delete;

    // Loads the module and shakes hands; false, with the reason in error(), on failure.
    bool load();
    // Why load() failed; "" after success.
    const std::string& error() const { return error_; }
    // The module's path.
    const std::string& path() const { return path_; }
    // A new interface object; null when the module is not loaded or the factory gives none.
    std::unique_ptr<CZebTmplCIF> createInterface() const;
    // libzebcmlinkparts.so beside the host's services library; "" when its folder is unknown.
    static std::string defaultModulePath();

private:
    std::string path_;
    void* handle_ = nullptr;
    std::vector<void*> table_;
    std::string error_;
};
