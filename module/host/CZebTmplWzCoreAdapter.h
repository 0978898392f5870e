#pragma once
#include <memory>

class CZebCoreAdapterIF;

// Made for one call; hands out the core interface of the open page. The interfaces it hands out
// work through it: it must outlive them (an interface whose adapter is gone does nothing).
class CZebTmplWzCoreAdapter {
public:
    CZebTmplWzCoreAdapter();
    ~CZebTmplWzCoreAdapter();
    CZebTmplWzCoreAdapter(const CZebTmplWzCoreAdapter&) = delete;
    CZebTmplWzCoreAdapter& operator=(const CZebTmplWzCoreAdapter&) = delete;
    // A new core interface for the open page (the caller deletes it); null when no page is open.
    CZebCoreAdapterIF* getActiveCoreAdapterIF();

private:
    // Alive as long as the adapter: the interfaces watch it.
    std::shared_ptr<const int> lifetime_;
};
