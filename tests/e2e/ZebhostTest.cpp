#include <gtest/gtest.h>

#include "e2e/ScratchSite.h"
#include "support/TestSupport.h"

namespace {

using namespace testsupport;

using scratch::kZebhost;

TEST(ZebhostTest, HelpAndVersionGoToStdout)
{
    struct Case {
        const char* description;
        std::vector<std::string> args;
        const char* outPart;
    };
    const Case cases[] = {
        {"global help", {"--help"}, "--module PATH"},
        {"help lists the commands", {"help"}, "forward"},
        {"a command's help", {"update", "--help"}, "Usage: zebhost update [OPTIONS] [NAME...]"},
        {"help of a command", {"help", "apply"}, "--check NAME"},
        {"help among global options", {"--site", "/tmp", "items", "-h"}, "Usage: zebhost items [OPTIONS] PAGE"},
        {"version", {"--version"}, "zebhost " ZEB_VERSION "\n"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{kZebhost};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        RunResult r = runProgram(argv);
        EXPECT_EQ(r.exitCode, 0) << c.description << ": " << r.err;
        EXPECT_NE(r.out.find(c.outPart), std::string::npos) << c.description << ": " << r.out;
        EXPECT_EQ(r.err, "") << c.description;
    }
}

TEST(ZebhostTest, ForwardPrintsTextThroughTheModule)
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

TEST(ZebhostTest, CommandLineErrorsGoToStderr)
{
    struct Case {
        const char* description;
        std::vector<std::string> args;
        int exitCode;
        const char* errPart;
    };
    // The first line of stderr; usage errors name the help to read.
    const std::string hostLibrary = ZEB_BIN_DIR "/libzebhostsvc.so";
    const Case cases[] = {
        {"no command", {}, 2, "zebhost: no COMMAND given (see zebhost --help)"},
        {"unknown command", {"frobnicate"}, 2, "zebhost: unknown command frobnicate (see zebhost --help)"},
        {"unknown command after options", {"--site", "/tmp", "-v", "frob"}, 2, "zebhost: unknown command frob"},
        {"unknown option", {"--frob", "forward", "x"}, 2, "the following argument was not expected: --frob"},
        {"unknown option of a command",
         {"update", "--frob"},
         2,
         "zebhost update: the following argument was not expected: --frob (see zebhost update --help)"},
        {"forward without text", {"forward"}, 2, "zebhost forward: TEXT is required (see zebhost forward --help)"},
        {"forward with two texts",
         {"forward", "a", "b"},
         2,
         "zebhost forward: the following argument was not expected: b"},
        {"missing module path", {"--module"}, 2, "zebhost: --module: 1 required PATH missing"},
        {"missing site", {"forward", "x", "--site"}, 2, "--site: 1 required DIR missing"},
        {"bad month",
         {"--now", "2008-13-01", "forward", "x"},
         2,
         "zebhost: --now: \"2008-13-01\": month 13 is not 1 to 12"},
        {"no such day",
         {"--now", "2025-02-30", "forward", "x"},
         2,
         "\"2025-02-30\": 2025-02 has no day 30 (it has 28 days)"},
        {"no 29 February", {"--now", "2025-02-29", "forward", "x"}, 2, "2025-02 has no day 29"},
        {"no such hour", {"--now=2025-02-28T25:00", "forward", "x"}, 2, "hour 25 is not 0 to 23"},
        {"no such minute",
         {"forward", "x", "--now", "2025-02-28T23:61"},
         2,
         "zebhost: --now: \"2025-02-28T23:61\": minute 61"},
        {"not a date", {"--now", "2025-02", "forward", "x"}, 2, "\"2025-02\" is not a date and time; use YYYY-MM-DD"},
        {"not seconds", {"--now", "@12x", "forward", "x"}, 2, "\"@12x\" is not a number of seconds"},
        {"data folder that is not one",
         {"--data", "/nonexistent", "forward", "x"},
         2,
         "zebhost: --data: \"/nonexistent\" is not a folder"},
        {"quiet and verbose", {"-q", "-v", "forward", "x"}, 2, "zebhost: -v and -q cannot go together"},
        {"help of an unknown command", {"help", "frob"}, 2, "zebhost help: unknown command frob"},
        {"module that does not exist",
         {"--module", "/nonexistent/lib.so", "forward", "x"},
         3,
         "zebhost: cannot load the module /nonexistent/lib.so"},
        {"library without the handshake",
         {"--module", hostLibrary, "forward", "x"},
         3,
         "does not export FSetFunctionAddress"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> argv{kZebhost};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        RunResult r = runProgram(argv);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.description << ": " << r.err;
        EXPECT_NE(r.err.substr(0, r.err.find('\n')).find(c.errPart), std::string::npos)
            << c.description << ": " << r.err;
        EXPECT_EQ(r.out, "") << c.description;
    }
}

TEST(ZebhostTest, GlobalOptionsAreAcceptedAroundTheCommand)
{
    RunResult r = runProgram({kZebhost, "-v", "--site=/tmp", "--now", "2024-02-29T23:59:59", "forward", "--module",
                              std::string(ZEB_BIN_DIR) + "/libzebcmlinkparts.so", "y"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "y\n");
    // After "--" everything is the command's, even text that looks like an option.
    r = runProgram({kZebhost, "forward", "--", "-v"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, "-v\n");
    // -q: the update says nothing, the categories are still listed.
    scratch::ScratchSite site;
    r = site.zebhost({"-q", "update"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out + r.err, "");
    EXPECT_NE(site.zebhost({"categories", "-q"}).out, "");
}

} // namespace
