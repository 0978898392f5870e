#pragma once
#include <string>
#include <vector>

// The module's interface object, as the host sees it.
//
// Virtual slots, in order: destructor, showLinkPartDialog, updateLinkParts, forwardText.
class CZebTmplCIF {
public:
    virtual ~CZebTmplCIF() = default;
    // Runs the link-part selection dialog on the open page.
    virtual void showLinkPartDialog() = 0;
    // Brings the generated pages of the named categories up to date; the second argument is
    // ignored.
    virtual void updateLinkParts(const std::vector<std::wstring>& categoryNames, void* unused) = 0;
    // Calls the third virtual operation of target with the text; false (and no call) when target
    // is null or the text is empty. The third argument is ignored. target must be a CZebTextSink*
    // converted to void* (not a pointer to a class derived from it through another base).
    virtual bool forwardText(void* target, const std::wstring& text, void* unused) = 0;
};

// A host object as forwardText sees it: its third virtual operation takes a wide string.
class CZebTextSink {
public:
    virtual ~CZebTextSink() = default;
    virtual void reserved() {}
    virtual void receiveText(const wchar_t* text) = 0;
};

// The handshake's codes.
enum : int {
    kHandshakeOk = 0,
    kHandshakeBadVersion = 1,
    kHandshakeNullTable = 2,
    kHandshakeOldTable = 3,
};

// The entry of the host's function table that receives the factory.
inline constexpr int kFactoryEntry = 508;

// The factory stored in the host's table.
using CreateInterfaceFn = CZebTmplCIF* (*)();

extern "C" {
// The handshake: stores the factory in entry 508 of the host's table. Returns 1 when
// interfaceVersion is not 1, 2 for a null table, 3 when tableLevel is 82 or less, 0 on success;
// the table is untouched on failure.
int FSetFunctionAddress(void** functionTable, void* unused, int interfaceVersion, int tableLevel);
}
