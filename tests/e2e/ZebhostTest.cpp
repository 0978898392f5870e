#include <gtest/gtest.h>

#include "e2e/ScratchSite.h"
#include "support/TestSupport.h"

namespace {

using namespace testsupport;

using scratch::kZebhost;

TEST(Zebhost, HelpListsCommandsAndOptions)
{
    RunResult r = runProgram({kZebhost, "--help"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("forward TEXT"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("--module PATH"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
}

TEST(Zebhost, ForwardPrintsTextThroughTheModule)
{
    struct Case {
        const char* description;
        std::string text;
        int exitCode;
        std::string out;
    };
    const Case cases[] = {
        {"one character", "x", 0, "x\n"},
        {"Japanese text", "リンク部品", 0, "リンク部品\n"},
        {"empty text is not forwarded", "", 1, ""},
    };
    for (const auto& c : cases) {
        RunResult r = runProgram({kZebhost, "forward", c.text});
        EXPECT_EQ(r.exitCode, c.exitCode) << c.description << ": " << r.err;
        EXPECT_EQ(r.out, c.out) << c.description;
        EXPECT_EQ(r.err, "") << c.description;
    }
}

TEST(Zebhost, CommandLineErrorsGoToStderr)
{
    struct Case {
        const char* description;
        std::vector<std::string> args;
        int exitCode;
        const char* errPart;
    };
    const Case cases[] = {
        {"no command", {}, 2, nullptr},
        {"unknown command", {"frobnicate"}, 2, "zebhost: unknown command frobnicate"},
        {"unknown option", {"--frob", "forward", "x"}, 2, "zebhost: unknown option --frob"},
        {"forward without text", {"forward"}, 2, "zebhost: forward takes one TEXT"},
        {"missing module path", {"--module"}, 2, "zebhost: --module needs a PATH"},
        {"bad --now", {"--now", "2008-13-01", "forward", "x"}, 2, "zebhost: --now needs"},
        // Read with its bad bytes replaced, "site\xff" named an existing "site\xef\xbf\xbd".
        {"site that is not UTF-8", {"--site", "/tmp/site\xff", "categories"}, 2,
         "zebhost: \"/tmp/site\xef\xbf\xbd\" is not valid UTF-8 text"},
        {"page that is not UTF-8", {"items", "p\xc0\xaf.html"}, 2, "is not valid UTF-8 text"},
        {"module that does not exist", {"--module", "/nonexistent/lib.so", "forward", "x"}, 3,
         "zebhost: cannot load the module /nonexistent/lib.so"},
        {"library without the handshake", {"--module", std::string(ZEB_BIN_DIR) + "/libzebhostsvc.so", "forward", "x"},
         3, "does not export FSetFunctionAddress"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{kZebhost};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        RunResult r = runProgram(argv);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.description << ": " << r.err;
        if (c.errPart) {
            EXPECT_NE(r.err.find(c.errPart), std::string::npos) << c.description << ": " << r.err;
        }
    }
}

TEST(Zebhost, GlobalOptionsAreAcceptedAroundTheCommand)
{
    RunResult r = runProgram({kZebhost, "-v", "--site", "/tmp", "--now", "2008-11-15", "forward", "--module",
                              std::string(ZEB_BIN_DIR) + "/libzebcmlinkparts.so", "y"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "y\n");
    // After "--" everything is the command's, even text that looks like an option.
    r = runProgram({kZebhost, "forward", "--", "-v"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "-v\n");
}

} // namespace
