#pragma once
#include <string>

// Where the host's installed pieces are. Everything is found from the folder of the host's
// services library (libzebhostsvc.so): the module lies beside it, and the data folder at a fixed
// relative path from it, so that an installed prefix keeps working when it is moved. A build
// tree, which has no installed data, falls back to the source tree's hostapp/data.
namespace HostInstallation {

// The folder the host's services library was loaded from, without a trailing separator; "" when
// it cannot be told.
std::string libraryFolder();
// The address of symbol in the host's library fileName (beside the host's services library),
// which is loaded on first use and never unloaded; null, with what went wrong in error, when the
// library cannot be loaded or lacks the symbol.
void* librarySymbol(const char* fileName, const char* symbol, std::string& error);
// The module's path: libzebcmlinkparts.so beside the host's services library; "" when the
// library's folder cannot be told.
std::string defaultModulePath();
// Makes folder the data folder for the rest of the run, ahead of ZEBHOST_DATA_DIR ("" drops it).
void setDataFolder(const std::string& folder);
// The data folder, ending with the separator: the one set, else ZEBHOST_DATA_DIR, else the
// installed one beside the library, else the source tree's. Never empty.
std::wstring dataFolder();

} // namespace HostInstallation
