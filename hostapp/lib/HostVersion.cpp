#include "HostVersion.h"

const char* zebHostVersion()
{
    return "zebhost " ZEB_VERSION;
}
