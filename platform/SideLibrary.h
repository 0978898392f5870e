#pragma once
#include <string>

// Libraries that lie beside the one holding the platform (the host's services library) and are
// loaded only when first needed, so that a run that never needs them does not load them, nor the
// system libraries they bring, at its start.
namespace platform::SideLibrary {

// The folder of the library that holds the platform, without a trailing separator; "" when it
// cannot be told.
std::string folder();
// The address of symbol in the library fileName beside it, which is loaded on first use and never
// unloaded; null, with what went wrong in error, when the library cannot be loaded or lacks the
// symbol.
void* symbol(const char* fileName, const char* symbol, std::string& error);

} // namespace platform::SideLibrary
