#include <gtest/gtest.h>

#include "LiveReloadHub.h"

namespace {

TEST(LiveReloadHubTest, ScriptGoesBeforeTheLastBodyEndOrAtTheEnd)
{
    struct Case {
        const char* description;
        std::string page;
        std::string before; // the text the script must stand right before; "" for the end
    };
    const Case cases[] = {
        {"lower case", "<p>x</p></body></html>", "</body></html>"},
        {"upper case, CR LF", "<P>x</P>\r\n</BODY>\r\n</HTML>\r\n", "</BODY>\r\n</HTML>\r\n"},
        {"a </body> quoted earlier", "<pre>&lt;/body&gt;</body>x</body>\n", "</body>\n"},
        {"no end tag", "<p>x", ""},
        {"empty", "", ""},
    };
    for (const Case& c : cases) {
        const std::string out = LiveReloadHub::inject(c.page);
        const std::size_t at = out.find("<script>");
        ASSERT_NE(std::string::npos, at) << c.description;
        const std::size_t end = out.find("</script>", at) + 9;
        EXPECT_EQ(c.before, out.substr(end)) << c.description;
        EXPECT_EQ(c.page, out.substr(0, at) + out.substr(end)) << c.description;
    }
}

TEST(LiveReloadHubTest, WaitsEndOnAnnouncementAndOnClose)
{
    LiveReloadHub hub;
    EXPECT_EQ(std::nullopt, hub.waitBeyond(0, std::chrono::milliseconds(1)));
    hub.announce();
    EXPECT_EQ(1u, hub.waitBeyond(0, std::chrono::milliseconds(1)));
    hub.close();
    EXPECT_EQ(std::nullopt, hub.waitBeyond(0, std::chrono::hours(1)));
}

} // namespace
