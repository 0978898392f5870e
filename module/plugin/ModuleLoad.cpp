#include "linkparts/LinkPartResources.h"
#include "platform/ResourceChain.h"

namespace {

// Links the module's resources into the process's resource chain while the module is loaded, so
// that the dialog and its texts are found by number. Constructed when the library is loaded and
// destroyed when it is unloaded; the table (a function-local static) is built inside the
// constructor, so it is destroyed after this object.
struct ModuleLoad {
    ModuleLoad() { platform::ResourceChain::registerTable(&linkPartResources()); }
    ~ModuleLoad() { platform::ResourceChain::unregisterTable(&linkPartResources()); }
    ModuleLoad(const ModuleLoad&) = delete;
    ModuleLoad& operator=(const ModuleLoad&) = delete;
};

const ModuleLoad moduleLoad;

} // namespace
