#include "host/CAutoCodeConv.h"

#include "EncodingDetector.h"
#include "TextCodec.h"

namespace {

// The iconv name of an explicit charset; "" for Auto.
std::string encodingOf(Charset charset)
{
    switch (charset) {
    case Charset::ShiftJis:
        return "CP932";
    case Charset::EucJp:
        return "EUC-JP-MS";
    case Charset::Utf16:
        return "UTF-16LE";
    case Charset::Utf8:
        return "UTF-8";
    case Charset::Auto:
        break;
    }
    return "";
}

} // namespace

const wchar_t* CAutoCodeConv::Import(const void* bytes, std::size_t size, Charset charset, bool /*flag*/)
{
    text_.clear();
    encoding_.clear();
    if (bytes == nullptr && size > 0)
        return nullptr;
    const char* data = static_cast<const char*>(bytes);
    EncodingDetector::Detection detection;
    if (charset == Charset::Auto) {
        if (!EncodingDetector::decodeAuto(data, size, detection, text_))
            return nullptr;
        encoding_ = detection.encoding;
        return text_.c_str();
    } else {
        detection.encoding = encodingOf(charset);
        if (detection.encoding.empty())
            return nullptr;
        const std::string bom = TextCodec::byteOrderMark(detection.encoding);
        if (!bom.empty() && size >= bom.size() && std::string(data, bom.size()) == bom)
            detection.bomLength = bom.size();
    }
    if (!TextCodec::decode(data + detection.bomLength, size - detection.bomLength, detection.encoding, text_))
        return nullptr;
    encoding_ = detection.encoding;
    return text_.c_str();
}
