#include "plugin/CZebTmplCIF.h"
#include "plugin/CZebTmplCImpl.h"

// The module is built with hidden visibility; the handshake is its one exported symbol.
extern "C" __attribute__((visibility("default"))) int FSetFunctionAddress(void** functionTable, void* /*unused*/,
                                                                          int interfaceVersion, int tableLevel)
{
    if (interfaceVersion != 1)
        return kHandshakeBadVersion;
    if (!functionTable)
        return kHandshakeNullTable;
    if (tableLevel <= 82)
        return kHandshakeOldTable;
    CreateInterfaceFn factory = &createInterface;
    functionTable[kFactoryEntry] = reinterpret_cast<void*>(factory);
    return kHandshakeOk;
}
