#pragma once
#include <cstdint>
#include <string>

#include "platform/FileFinder.h"

// The host's file finder over the platform's.
// Use: if (find.FindFile(pattern)) do { ... } while (find.FindNextFile());
class CRuvFileFind {
public:
    // Positions on the first match; false when nothing matches.
    bool FindFile(const std::wstring& pattern);
    // Moves to the next match; false when there is none left.
    bool FindNextFile();
    // Whether the current entry is "." or "..".
    bool IsDots() const;
    // The current entry's file name (no folder); "" when none.
    std::wstring GetFileName() const;
    // The current entry's last-write time in seconds since 1970-01-01 UTC; 0 when none.
    std::int64_t GetLastWriteTime() const;
    // Whether the current entry is a folder; false when none.
    bool IsDirectory() const;
    // The current entry's size in bytes; 0 when none.
    std::int64_t GetLength() const;
    // Forgets the matches.
    void Close();

private:
    // Moves past the entries a rebuild hides from the module; false when none is left.
    bool skipHidden();

    platform::FileFinder finder_;
    std::wstring folder_; // the folder of the pattern searched
};
