#pragma once
#include "plugin/CZebTmplCIF.h"

// The module's interface object. Holds no data: every operation builds what it needs and frees it
// before returning.
class CZebTmplCImpl : public CZebTmplCIF {
public:
    void showLinkPartDialog() override;
    void updateLinkParts(const std::vector<std::wstring>& categoryNames, void* unused) override;
    bool forwardText(void* target, const std::wstring& text, void* unused) override;
};

// The factory the handshake hands to the host: a new interface object owned by the caller, or
// null when it cannot be allocated.
CZebTmplCIF* createInterface();
