#pragma once
#include <iconv.h>

#include <stdexcept>
#include <string>

namespace hosttest {

// The bytes of a UTF-8 text in another encoding, made by iconv directly (not by the code under
// test); throws when the text does not convert.
inline std::string encodeAs(const std::string& utf8, const char* encoding)
{
    iconv_t cd = iconv_open(encoding, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error("unknown encoding");
    std::string out(utf8.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    const std::size_t r = iconv(cd, &in, &inLeft, &dst, &dstLeft);
    iconv(cd, nullptr, nullptr, &dst, &dstLeft);
    iconv_close(cd);
    if (r == static_cast<std::size_t>(-1))
        throw std::runtime_error("text does not convert");
    out.resize(out.size() - dstLeft);
    return out;
}

} // namespace hosttest
