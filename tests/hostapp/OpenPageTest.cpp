#include "OpenPage.h"

#include <gtest/gtest.h>

#include "host/CharacterData.h"
#include "host/Document.h"
#include "host/Element.h"
#include "hostapp/HostTestSupport.h"
#include "support/TestSupport.h"

using hosttest::encodeAs;
using testsupport::readFile;
using testsupport::TempDir;
using testsupport::W;
using testsupport::writeFile;

namespace {

const std::string kData = ZEB_TEST_DATA "/hostapp/";

struct PageCase {
    const char* description;
    std::string bytes;
    const char* encoding;
    Newline newline;
};

std::vector<PageCase> pageCases()
{
    return {
        {"Shift_JIS authoring-tool page, CR LF", readFile(kData + "sjis_authoring.html"), "CP932", Newline::CrLf},
        {"UTF-8 page", readFile(kData + "utf8.html"), "UTF-8", Newline::Lf},
        {"EUC-JP page", readFile(kData + "eucjp.html"), "EUC-JP-MS", Newline::Lf},
        {"50 KB page", readFile(kData + "large.html"), "UTF-8", Newline::Lf},
        {"UTF-8 with BOM", "\xEF\xBB\xBF<p>ＢＯＭ付き</p>\n", "UTF-8", Newline::Lf},
        {"UTF-16LE with BOM", "\xFF\xFE" + encodeAs("<html><body><p>幅広</p></body></html>\r\n", "UTF-16LE"),
         "UTF-16LE", Newline::CrLf},
        {"mixed newlines", "<p>a</p>\r\n<p>b</p>\n<p>c</p>\r", "UTF-8", Newline::Keep},
        {"UTF-32LE with BOM", encodeAs("\uFEFF<p>幅広</p>\n", "UTF-32LE"), "UTF-32LE", Newline::Lf},
        {"undeclared ISO-2022-JP", encodeAs("<p>日本語</p>\n", "ISO-2022-JP"), "ISO-2022-JP", Newline::Lf},
        {"CP932 with NEC-selected IBM extensions", "<p>\xED\x40\xEE\xEF</p>", "CP932", Newline::Keep},
    };
}

TEST(OpenPageTest, LoadAndSaveUnchangedGivesTheSameBytes)
{
    for (const PageCase& c : pageCases()) {
        TempDir dir;
        const std::string path = dir / "page.html";
        writeFile(path, c.bytes);
        std::unique_ptr<OpenPage> page = OpenPage::load(W(path));
        ASSERT_NE(page, nullptr) << c.description;
        EXPECT_EQ(page->encoding(), c.encoding) << c.description;
        EXPECT_EQ(page->newline(), c.newline) << c.description;
        EXPECT_FALSE(page->isModified()) << c.description;
        ASSERT_EQ(page->save(), platform::PageWriter::Result::Written) << c.description;
        EXPECT_EQ(readFile(path), c.bytes) << c.description;
    }
}

TEST(OpenPageTest, EditedPageKeepsItsEncodingAndNewlines)
{
    TempDir dir;
    const std::string path = dir / "page.html";
    writeFile(path, readFile(kData + "sjis_authoring.html"));
    std::unique_ptr<OpenPage> page = OpenPage::load(W(path));
    ASSERT_NE(page, nullptr);
    Element* body = page->document()->getBody();
    ASSERT_NE(body, nullptr);
    Element* p = page->document()->createElement(L"p");
    p->appendChild(page->document()->createTextNode(W("追加①😀\n次の行")));
    body->appendChild(p);
    page->setModified(true);
    ASSERT_EQ(page->save(), platform::PageWriter::Result::Written);
    EXPECT_FALSE(page->isModified());

    const std::string saved = readFile(path);
    EXPECT_NE(saved.find(encodeAs("追加①&#128512;\r\n次の行", "CP932")), std::string::npos)
        << "the inserted newline follows the page's CR LF; the emoji is a reference";
    std::size_t lone = 0;
    for (std::size_t i = 0; i < saved.size(); ++i)
        if (saved[i] == '\n' && (i == 0 || saved[i - 1] != '\r'))
            ++lone;
    EXPECT_EQ(lone, 0u) << "every line still ends with CR LF";
}

// Fault: an edited page was decoded and encoded again as a whole, so untouched text could come back
// as other bytes: CP932's NEC-selected IBM extensions as the IBM ones (ED40 as FA5C), and a
// stateful encoding's escape sequences as the encoder chose them.
TEST(OpenPageTest, EditedPageKeepsTheBytesOfWhatWasNotEdited)
{
    const std::pair<const char*, std::string> pages[] = {
        {"CP932", "<html><body><p>\xED\x40\xEE\xEF\xFA\x5C</p>\r\n</body></html>\r\n"},
        {"ISO-2022-JP", "<html><body>\x1B$@F|K\\\x1B(B</body></html>\n"},
        {"UTF-16LE", encodeAs("<html><body><p>幅</p></body></html>", "UTF-16LE")},
        {"UTF-32LE", encodeAs("\uFEFF<html><body><p>幅</p></body></html>", "UTF-32LE")},
    };
    for (const auto& [encoding, bytes] : pages) {
        TempDir dir;
        writeFile(dir / "page.html", bytes);
        std::unique_ptr<OpenPage> page = OpenPage::load(W(dir / "page.html"));
        ASSERT_NE(page, nullptr) << encoding;
        ASSERT_EQ(page->encoding(), encoding);
        Element* p = page->document()->createElement(L"p");
        p->appendChild(page->document()->createTextNode(W("追加")));
        page->document()->getBody()->appendChild(p);
        const std::size_t cut = bytes.find(encodeAs("</body>", encoding));
        EXPECT_EQ(page->serialize(), bytes.substr(0, cut) + encodeAs("<p>追加</p>", encoding) + bytes.substr(cut))
            << encoding;
    }
}

TEST(OpenPageTest, MissingOrUndecodableFileGivesNoPage)
{
    TempDir dir;
    EXPECT_EQ(OpenPage::load(W(dir / "missing.html")), nullptr);
    EXPECT_EQ(OpenPage::load(W(dir.path())), nullptr) << "a folder is no page";
    writeFile(dir / "jis.html", "<p>\x1B$B~~\x1B(B</p>");
    EXPECT_EQ(OpenPage::load(W(dir / "jis.html")), nullptr) << "ISO-2022-JP that does not decode is not read as UTF-8";
}

TEST(OpenPageTest, EmptyFileAndNewPage)
{
    TempDir dir;
    writeFile(dir / "empty.html", "");
    std::unique_ptr<OpenPage> empty = OpenPage::load(W(dir / "empty.html"));
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty->serialize(), "");

    std::unique_ptr<OpenPage> page = OpenPage::create(W(dir / "new.html"));
    ASSERT_NE(page, nullptr);
    ASSERT_NE(page->document(), nullptr);
    ASSERT_NE(page->domUtBase(), nullptr);
    EXPECT_EQ(page->encoding(), "UTF-8");
}

TEST(OpenPageTest, SaveIntoAMissingFolderIsNotOpenedAndKeepsModified)
{
    TempDir dir;
    writeFile(dir / "page.html", "<p>x</p>");
    std::unique_ptr<OpenPage> page = OpenPage::load(W(dir / "page.html"));
    ASSERT_NE(page, nullptr);
    std::unique_ptr<OpenPage> elsewhere = OpenPage::create(W(dir / "no-such-folder/page.html"));
    elsewhere->setModified(true);
    EXPECT_EQ(elsewhere->save(), platform::PageWriter::Result::NotOpened);
    EXPECT_TRUE(elsewhere->isModified());
}

} // namespace
