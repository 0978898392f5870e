#include "HostVersion.h"

const char* zebHostVersion()
{
    return "zebhost 0.1";
}
