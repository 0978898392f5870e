#include "ModuleLoader.h"

#include <dlfcn.h>

#include "HostInstallation.h"

ModuleLoader::ModuleLoader(std::string path) : path_(std::move(path)), table_(kTableEntries, nullptr) {}

ModuleLoader::~ModuleLoader()
{
    if (handle_)
        dlclose(handle_);
}

bool ModuleLoader::load()
{
    error_.clear();
    if (handle_)
        return true;
    // Bind every symbol now, so that a module missing a host service fails here and not midway.
    void* handle = dlopen(path_.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* reason = dlerror();
        error_ = "cannot load the module " + path_ + ": " + (reason ? reason : "unknown reason");
        return false;
    }
    using Handshake = int (*)(void**, void*, int, int);
    auto handshake = reinterpret_cast<Handshake>(dlsym(handle, "FSetFunctionAddress"));
    if (!handshake) {
        error_ = "the module " + path_ + " does not export FSetFunctionAddress";
        dlclose(handle);
        return false;
    }
    switch (handshake(table_.data(), nullptr, 1, kTableLevel)) {
    case kHandshakeOk:
        break;
    case kHandshakeBadVersion:
        error_ = "the module " + path_ + " does not support interface version 1";
        break;
    case kHandshakeNullTable:
        error_ = "the module " + path_ + " was given no function table";
        break;
    case kHandshakeOldTable:
        error_ = "the module " + path_ + " needs a newer host function table than level " + std::to_string(kTableLevel);
        break;
    default:
        error_ = "the module " + path_ + " refused the handshake with an unknown code";
        break;
    }
    if (error_.empty() && !table_[kFactoryEntry])
        error_ = "the module " + path_ + " accepted the handshake but gave no factory";
    if (!error_.empty()) {
        dlclose(handle);
        return false;
    }
    handle_ = handle;
    return true;
}

std::unique_ptr<CZebTmplCIF> ModuleLoader::createInterface() const
{
    if (!handle_ || !table_[kFactoryEntry])
        return nullptr;
    auto factory = reinterpret_cast<CreateInterfaceFn>(table_[kFactoryEntry]);
    return std::unique_ptr<CZebTmplCIF>(factory());
}

std::string ModuleLoader::defaultModulePath()
{
    return HostInstallation::defaultModulePath();
}
