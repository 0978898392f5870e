#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Helpers shared by the fuzz targets.
namespace fuzzsupport {

// A path in a scratch folder of this process (made on first use, under TMPDIR or /tmp) for a
// file of the given name; the folder is removed when the process exits normally.
std::wstring scratchPath(const std::wstring& name);

// Writes the bytes to the path, replacing the file; aborts when it cannot (a fuzz run whose
// input never reaches the reader would report nothing while testing nothing).
void writeBytes(const std::wstring& path, const std::uint8_t* data, std::size_t size);

// The page the bytes hold, decoded as the page loader decodes it (encoding detected), NUL
// characters included; false when the bytes do not decode. encoding gets the detected encoding.
bool decodePage(const std::uint8_t* data, std::size_t size, std::wstring& text, std::string& encoding);

// Stops the run with a message when a property does not hold.
[[noreturn]] void fail(const char* what, const std::wstring& detail);

// Checks a property; on failure stops the run with what and the detail.
inline void check(bool ok, const char* what, const std::wstring& detail = std::wstring())
{
    if (!ok)
        fail(what, detail);
}

} // namespace fuzzsupport
