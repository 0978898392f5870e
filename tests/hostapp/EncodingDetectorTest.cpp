#include "EncodingDetector.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "TextCodec.h"
#include "hostapp/HostTestSupport.h"
#include "support/TestSupport.h"

using hosttest::encodeAs;
using testsupport::U;

namespace {

struct DetectCase {
    const char* description;
    std::string bytes;
    const char* encoding;
    std::size_t bomLength;
};

const std::string kJapanese = "日本語のページ、①～②";

std::string page(const char* charset, const std::string& body)
{
    return std::string("<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=") + charset +
           "\"></head><body>" + body + "</body></html>";
}

std::vector<DetectCase> detectCases()
{
    const std::string sjisBody = encodeAs(kJapanese, "CP932");
    const std::string eucBody = encodeAs(kJapanese, "EUC-JP-MS");
    return {
        {"UTF-8 BOM", "\xEF\xBB\xBF" + kJapanese, "UTF-8", 3},
        {"UTF-16LE BOM", "\xFF\xFE" + encodeAs("<p>" + kJapanese, "UTF-16LE"), "UTF-16LE", 2},
        {"UTF-16BE BOM", "\xFE\xFF" + encodeAs("<p>" + kJapanese, "UTF-16BE"), "UTF-16BE", 2},
        {"UTF-16LE markup without BOM", encodeAs("<p>" + kJapanese, "UTF-16LE"), "UTF-16LE", 0},
        {"UTF-32LE BOM (starts as UTF-16LE's)", encodeAs("\uFEFF<p>" + kJapanese, "UTF-32LE"), "UTF-32LE", 4},
        {"UTF-32BE BOM", encodeAs("\uFEFF<p>" + kJapanese, "UTF-32BE"), "UTF-32BE", 4},
        {"undeclared ISO-2022-JP (7-bit, valid UTF-8 too)", "<p>" + encodeAs(kJapanese.substr(0, 21), "ISO-2022-JP"),
         "ISO-2022-JP", 0},
        {"ISO-2022-JP with half-width katakana", "<p>\x1B$BF|\x1B(I6\x1B(B</p>", "ISO-2022-JP-2", 0},
        {"ISO-2022-JP escapes nothing decodes", "<p>\x1B$B~~\x1B(B</p>", "ISO-2022-JP", 0},
        {"meta Shift_JIS", page("Shift_JIS", sjisBody), "CP932", 0},
        {"meta alias x-sjis", page("x-sjis", sjisBody), "CP932", 0},
        {"meta alias windows-31j", page("Windows-31J", sjisBody), "CP932", 0},
        {"meta EUC-JP", page("EUC-JP", eucBody), "EUC-JP-MS", 0},
        {"meta ISO-2022-JP", page("ISO-2022-JP", encodeAs("日本", "ISO-2022-JP")), "ISO-2022-JP", 0},
        {"html5 meta charset", "<meta charset='euc-jp'>" + eucBody, "EUC-JP-MS", 0},
        {"XML declaration", "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a>" + sjisBody + "</a>", "CP932", 0},
        {"XML declaration in upper case", "<?XML VERSION=\"1.0\" ENCODING=\"EUC-JP\"?><a>" + eucBody + "</a>",
         "EUC-JP-MS", 0},
        {"encoding after the XML declaration", "<?xml version=\"1.0\"?><a encoding=\"Shift_JIS\">plain</a>", "UTF-8",
         0},
        {"no declaration, UTF-8", "<p>" + kJapanese + "</p>", "UTF-8", 0},
        {"no declaration, ASCII", "<p>plain</p>", "UTF-8", 0},
        {"no declaration, Shift_JIS", "<p>" + sjisBody + "</p>", "CP932", 0},
        {"no declaration, EUC-JP", "<p>" + eucBody + eucBody + "</p>", "EUC-JP-MS", 0},
        {"no declaration, EUC-JP mostly kana",
         "<p>" + encodeAs("ひらがなとカタカナのぶんしょうです。", "EUC-JP-MS") + "</p>", "EUC-JP-MS", 0},
        {"declared Shift_JIS, only ASCII", page("Shift_JIS", "<p>plain</p>"), "CP932", 0},
        {"declared Shift_JIS but UTF-8 bytes", page("Shift_JIS", kJapanese), "UTF-8", 0},
        {"declared UTF-8 but Shift_JIS bytes", page("UTF-8", sjisBody), "CP932", 0},
        {"unknown declared charset", page("no-such-charset", kJapanese), "UTF-8", 0},
        {"empty", "", "UTF-8", 0},
    };
}

TEST(EncodingDetectorTest, DetectsTheEncodingInOrder)
{
    for (const DetectCase& c : detectCases()) {
        const EncodingDetector::Detection d = EncodingDetector::detect(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(d.encoding, c.encoding) << c.description;
        EXPECT_EQ(d.bomLength, c.bomLength) << c.description;
    }
}

// decodeAuto keeps what detection converted instead of converting again; the text must be the
// one that detecting and then decoding gives.
TEST(EncodingDetectorTest, DecodeAutoGivesWhatDetectThenDecodeGives)
{
    std::vector<DetectCase> cases = detectCases();
    const std::string ascii(37, 'a');
    cases.push_back({"UTF-8 BOM, then an invalid byte", "\xEF\xBB\xBF<p>\xFF</p>", "UTF-8", 3});
    for (std::size_t at = 0; at < 17; ++at) // an invalid byte at every offset of the word-wise scan
        cases.push_back(
            {"invalid UTF-8 byte after ASCII", ascii.substr(0, at) + "\x82" + ascii.substr(at), "CP932", 0});
    cases.push_back({"UTF-8 after a long ASCII run", ascii + kJapanese + ascii, "UTF-8", 0});
    for (const DetectCase& c : cases) {
        const EncodingDetector::Detection expected = EncodingDetector::detect(c.bytes.data(), c.bytes.size());
        std::wstring expectedText;
        const bool expectedOk = TextCodec::decode(c.bytes.data() + expected.bomLength,
                                                  c.bytes.size() - expected.bomLength, expected.encoding, expectedText);

        EncodingDetector::Detection detection;
        std::wstring text;
        EXPECT_EQ(EncodingDetector::decodeAuto(c.bytes.data(), c.bytes.size(), detection, text), expectedOk)
            << c.description;
        EXPECT_EQ(detection.encoding, expected.encoding) << c.description;
        EXPECT_EQ(detection.bomLength, expected.bomLength) << c.description;
        EXPECT_EQ(text, expectedText) << c.description;

        std::string storage;
        std::string_view utf8;
        EXPECT_EQ(EncodingDetector::decodeAuto(c.bytes.data(), c.bytes.size(), detection, storage, utf8), expectedOk)
            << c.description;
        EXPECT_EQ(std::string(utf8), U(expectedText)) << c.description;
    }
}

} // namespace
