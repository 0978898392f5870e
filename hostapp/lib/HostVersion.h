#pragma once

// The host program's name and version, as zebhost reports them.
const char* zebHostVersion();
