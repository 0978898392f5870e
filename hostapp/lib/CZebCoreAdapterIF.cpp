#include "host/CZebCoreAdapterIF.h"

CZebCoreAdapterIF::~CZebCoreAdapterIF() = default;
