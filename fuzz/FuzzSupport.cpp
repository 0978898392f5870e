#include "FuzzSupport.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include <unistd.h>

#include "host/CAutoCodeConv.h"
#include "platform/TextConv.h"

namespace fuzzsupport {

namespace {

struct ScratchFolder {
    std::filesystem::path path;
    ScratchFolder()
    {
        const char* tmp = std::getenv("TMPDIR");
        std::filesystem::path base = tmp && *tmp ? tmp : "/tmp";
        path = base / ("zeb-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(path);
    }
    ~ScratchFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

} // namespace

std::wstring scratchPath(const std::wstring& name)
{
    static ScratchFolder folder;
    return platform::fromUtf8(folder.path.string()) + L"/" + name;
}

void writeBytes(const std::wstring& path, const std::uint8_t* data, std::size_t size)
{
    std::ofstream out(platform::toUtf8(path), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out)
        fail("cannot write the scratch file", path);
}

void fail(const char* what, const std::wstring& detail)
{
    std::fprintf(stderr, "FUZZ PROPERTY FAILED: %s\n", what);
    if (!detail.empty()) {
        // The detail may be long markup: its start is enough to find the cause.
        std::string shown = platform::toUtf8(detail.substr(0, 2000));
        // (Written by its length: the markup may hold NUL characters.)
        std::fputs("  detail: ", stderr);
        std::fwrite(shown.data(), 1, shown.size(), stderr);
        std::fputc('\n', stderr);
    }
    std::abort();
}

bool decodePage(const std::uint8_t* data, std::size_t size, std::wstring& text, std::string& encoding)
{
    CAutoCodeConv decoder;
    const wchar_t* decoded = decoder.Import(data, size, Charset::Auto, true);
    if (decoded == nullptr)
        return false;
    // The length is the decoder's, not wcslen's: a page loads whole, NULs included.
    text.assign(decoded, decoder.size());
    encoding = decoder.detectedEncoding();
    return true;
}

} // namespace fuzzsupport
