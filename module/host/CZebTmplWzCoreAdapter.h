#pragma once

class CZebCoreAdapterIF;

// Made for one call; hands out the core interface of the open page.
class CZebTmplWzCoreAdapter {
public:
    CZebTmplWzCoreAdapter();
    ~CZebTmplWzCoreAdapter();
    // A new core interface for the open page (the caller deletes it); null when no page is open.
    CZebCoreAdapterIF* getActiveCoreAdapterIF();
};
