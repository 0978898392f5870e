#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <regex>
#include <thread>

#include "e2e/ScratchSite.h"
#include "support/TestSupport.h"

namespace {

using namespace testsupport;
using scratch::contains;
using scratch::kZebhost;
namespace fs = std::filesystem;

// `zebhost --site SITE --now NOW serve ARGS...` running in the background (behind the command
// prefix given, if any), its output (stdout and stderr together) in a file. The destructor stops
// it with SIGINT.
class ServeRun {
public:
    ServeRun(const scratch::ScratchSite& site, const std::vector<std::string>& args,
             const std::string& now = scratch::kNow, std::vector<std::string> env = {},
             std::vector<std::string> argv = {})
    {
        for (const std::string& arg :
             {kZebhost, std::string("--site"), site.path(), std::string("--now"), now, std::string("serve")})
            argv.push_back(arg);
        argv.insert(argv.end(), args.begin(), args.end());
        std::vector<char*> raw;
        for (std::string& a : argv)
            raw.push_back(a.data());
        raw.push_back(nullptr);
        for (char** e = environ; *e; ++e)
            env.emplace_back(*e);
        std::vector<char*> rawEnv;
        for (std::string& e : env)
            rawEnv.push_back(e.data());
        rawEnv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 1, output_.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawn(&pid_, raw[0], &actions, nullptr, raw.data(), rawEnv.data()) != 0)
            pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        // Until it says where it serves, or ends.
        const std::regex serving("at http://127\\.0\\.0\\.1:([0-9]+)/");
        for (int i = 0; i < 500 && pid_ > 0 && port_ == 0 && !ended(); ++i) {
            std::smatch m;
            const std::string text = output();
            if (std::regex_search(text, m, serving))
                port_ = std::stoi(m[1]);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    }
    ~ServeRun() { stop(); }

    int port() const { return port_; }
    std::string output() const { return exists(output_) ? readFile(output_) : std::string(); }
    // Waits until the output holds the text; false after the timeout.
    bool waitFor(const std::string& text, int seconds = 10) const
    {
        for (int i = 0; i < seconds * 50; ++i) {
            if (contains(output(), text))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return false;
    }
    // Ctrl-C, then the exit code (128 + signal when killed; -1 when it had to be killed).
    int stop()
    {
        if (pid_ > 0 && exitCode_ == -2) {
            kill(pid_, SIGINT);
            for (int i = 0; i < 500 && !ended(); ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            if (exitCode_ == -2) {
                kill(pid_, SIGKILL);
                waitpid(pid_, nullptr, 0);
                exitCode_ = -1;
            }
        }
        return exitCode_;
    }
    // Whether it ended (its exit code is then kept).
    bool ended()
    {
        int status = 0;
        if (exitCode_ == -2 && waitpid(pid_, &status, WNOHANG) == pid_)
            exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return exitCode_ != -2;
    }

private:
    TempDir dir_;
    std::string output_ = dir_ / "output";
    pid_t pid_ = -1;
    int port_ = 0;
    int exitCode_ = -2;
};

// The sample site with its link parts in the home page, served.
struct ServedSite {
    scratch::ScratchSite site;
    bool ready = site.generate() && site.zebhost({"apply", "index.html", "--select-all"}).exitCode == 0;
};

TEST(ZebhostServeTest, PathsOutsideTheSiteAreNotFound)
{
    TempDir outside;
    writeFile(outside / "secret.txt", "TOP SECRET");
    scratch::ScratchSite site(outside / "site");
    ASSERT_EQ(0, symlink((outside / "secret.txt").c_str(), (site / "linked.txt").c_str()));
    ASSERT_EQ(0, symlink(outside.path().c_str(), (site / "linked-folder").c_str()));
    ASSERT_EQ(0, symlink("news/0001.html", (site / "inside.html").c_str()));
    ASSERT_EQ(0, mkfifo((site / "pipe.html").c_str(), 0600));
    ASSERT_TRUE(site.generate());
    ServeRun serve(site, {"--port", "0"});
    ASSERT_TRUE(serve.waitFor("every page is up to date")) << serve.output();
    const scratch::Tree before = site.tree();
    httplib::Client client("127.0.0.1", serve.port());
    client.set_url_encode(false); // the paths go out byte for byte
    client.set_read_timeout(5);

    struct Case {
        const char* description;
        std::string path;
        int status;
    };
    const Case cases[] = {
        {"a page", "/news/0001.html", 200},
        {"a link to a page inside the site", "/inside.html", 200},
        {"the folder's index", "/", 200},
        {"a folder without its slash", "/news", 301},
        {"a folder without index.html is not listed", "/news/", 404},
        {"a missing file", "/nothing.html", 404},
        {"climbing", "/../secret.txt", 404},
        {"climbing from a folder", "/news/../../secret.txt", 404},
        {"climbing, encoded", "/%2e%2e/secret.txt", 404},
        {"climbing, encoded in capitals with the slash", "/%2E%2E%2Fsecret.txt", 404},
        {"climbing, half encoded", "/.%2e/secret.txt", 404},
        {"climbing, twice encoded (a name of its own)", "/%252e%252e/secret.txt", 404},
        {"climbing with a backslash", "/..\\secret.txt", 404},
        {"an absolute path", "/" + outside.path() + "/secret.txt", 404},
        {"an absolute path after two slashes", "//" + outside.path().substr(1) + "/secret.txt", 404},
        {"a NUL byte", "/index.html%00.txt", 404},
        {"a link to a file outside", "/linked.txt", 404},
        {"a file through a linked folder outside", "/linked-folder/secret.txt", 404},
        {"a pipe is no file (and does not hang)", "/pipe.html", 404},
        {"not absolute", "secret.txt", 404},
    };
    for (const Case& c : cases) {
        const auto response = client.Get(c.path);
        ASSERT_TRUE(response) << c.description << ": " << httplib::to_string(response.error());
        EXPECT_EQ(c.status, response->status) << c.description;
        EXPECT_FALSE(contains(response->body, "TOP SECRET")) << c.description;
        EXPECT_EQ(c.status == 404, contains(response->body, "404 Not Found")) << c.description;
    }
    EXPECT_EQ("/news/", client.Get("/news")->get_header_value("Location"));
    EXPECT_EQ(405, client.Post("/index.html", "x", "text/plain")->status);
    EXPECT_EQ(std::vector<std::string>{}, scratch::differences(before, site.tree()));
}

TEST(ZebhostServeTest, HeadAndGetAgreeAndPagesCarryTheirCharset)
{
    ServedSite served;
    ASSERT_TRUE(served.ready);
    std::string picture(100000, '\0');
    for (std::size_t i = 0; i < picture.size(); ++i)
        picture[i] = static_cast<char>(i * 7);
    writeFile(served.site / "picture.png", picture); // sent in pieces
    ServeRun serve(served.site, {"--port", "0"});
    ASSERT_NE(0, serve.port()) << serve.output();
    httplib::Client client("127.0.0.1", serve.port());
    struct Case {
        const char* path;
        const char* type;
        bool script; // gets the live-reload script
    };
    const Case cases[] = {
        {"/index.html", "text/html; charset=UTF-8", true},
        {"/about.html", "text/html; charset=Shift_JIS", true}, // declared in the page, CR LF
        {"/site.css", "text/css; charset=UTF-8", false},
        {"/zebsite.js", "text/javascript; charset=UTF-8", false},
        {"/qcms/qccl.xml", "application/xml; charset=UTF-8", false},
        {"/picture.png", "image/png", false},
    };
    for (const Case& c : cases) {
        const auto get = client.Get(c.path);
        const auto head = client.Head(c.path);
        ASSERT_TRUE(get && head) << c.path;
        EXPECT_EQ(200, get->status) << c.path;
        EXPECT_EQ(200, head->status) << c.path;
        EXPECT_EQ(c.type, get->get_header_value("Content-Type")) << c.path;
        EXPECT_EQ(c.type, head->get_header_value("Content-Type")) << c.path;
        EXPECT_EQ(std::to_string(get->body.size()), head->get_header_value("Content-Length")) << c.path;
        EXPECT_EQ("", head->body) << c.path;
        // The script is in the response only; the file stays as it was.
        const std::string file = readFile(served.site / std::string(c.path).substr(1));
        std::string body = get->body;
        const std::size_t script = body.find("<script>new EventSource(\"/__zebhost/live-reload\")");
        EXPECT_EQ(c.script, script != std::string::npos) << c.path;
        if (script != std::string::npos)
            body.erase(script, body.find("</script>", script) + 9 - script);
        EXPECT_EQ(file, body) << c.path;
    }
    EXPECT_EQ(0, serve.stop());

    ServeRun plain(served.site, {"--port", "0", "--no-reload"});
    httplib::Client plainClient("127.0.0.1", plain.port());
    EXPECT_EQ(readFile(served.site / "about.html"), plainClient.Get("/about.html")->body);
    EXPECT_EQ(404, plainClient.Get("/__zebhost/live-reload")->status);
}

// The CMS saves a new entry of the news category, "桜の開花".
void addNews(scratch::ScratchSite& site)
{
    const std::string data = readFile(site / "qcms/zebsitec000table000001.xml");
    site.write("qcms/zebsitec000table000001.xml",
               data.substr(0, data.find("  <contentpart>")) +
                   "  <contentpart><id>n5</id><title>桜の開花</title><creationtime>2025/03/28 10:00:00</creationtime>"
                   "<category>お知らせ</category><link>news/0005.html</link></contentpart>\n" +
                   data.substr(data.find("  <contentpart>")));
}

TEST(ZebhostServeTest, DataChangeRebuildsAndReloadsTheOpenPages)
{
    ServedSite served;
    ASSERT_TRUE(served.ready);
    ServeRun serve(served.site, {"--port", "0"}, scratch::kLater);
    ASSERT_NE(0, serve.port()) << serve.output();
    ASSERT_TRUE(serve.waitFor("every page is up to date")) << serve.output();

    // A page's event stream, read until it announces a reload.
    std::string events;
    std::mutex mutex;
    std::thread listening([&] {
        httplib::Client client("127.0.0.1", serve.port());
        client.set_read_timeout(20);
        client.Get("/__zebhost/live-reload", [&](const char* data, std::size_t size) {
            std::lock_guard lock(mutex);
            events.append(data, size);
            return !contains(events, "event: reload");
        });
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    addNews(served.site);
    // A file the CMS does not read changes nothing.
    served.site.write("qcms/.lock", "");
    listening.join();
    EXPECT_TRUE(contains(events, "event: reload")) << events;
    EXPECT_TRUE(contains(httplib::Client("127.0.0.1", serve.port()).Get("/index.html")->body, "桜の開花"));
    const std::string out = serve.output();
    EXPECT_TRUE(contains(out, "changed: qcms/zebsitec000table000001.xml\n1 page written\nrefreshed index.html")) << out;

    // Ctrl-C: exit 0 and the port is free again.
    const int port = serve.port();
    EXPECT_EQ(0, serve.stop()) << serve.output();
    TempDir dataFolder;
    fs::copy(std::string(ZEB_SOURCE_DIR) + "/hostapp/data", dataFolder.path(), fs::copy_options::recursive);
    ServeRun again(served.site, {"--port", std::to_string(port)}, scratch::kLater,
                   {"ZEBHOST_DATA_DIR=" + dataFolder.path()});
    EXPECT_EQ(port, again.port()) << again.output();

    // A new template: the list pages are made anew from it, though their data did not change.
    ASSERT_TRUE(again.waitFor("every page is up to date")) << again.output();
    const std::string templateFile = dataFolder / "template/_cm/temp/linkparts00.html";
    std::string page = readFile(templateFile);
    page.replace(page.find("class=\"zeb-linkparts\""), 21, "class=\"zeb-linkparts-new\"");
    writeFile(templateFile, page);
    ASSERT_TRUE(again.waitFor("refreshed index.html")) << again.output();
    EXPECT_TRUE(contains(readFile(served.site / "index.html"), "zeb-linkparts-new"));
}

// The rebuild runs on a thread of its own; a thread's stack is the stack limit (2 MB when it is
// unlimited), less than writing a page nested as deep as a page may be needs. The rebuild crashed
// zebhost on such a page under a 1 MB limit; it now has a stack of its own size.
TEST(ZebhostServeTest, DeepPageIsRefreshedWhateverTheStackLimit)
{
    ServedSite served;
    ASSERT_TRUE(served.ready);
    std::string page = readFile(served.site / "index.html");
    const std::size_t body = page.find('>', page.find("<body")) + 1;
    std::string open, close;
    for (int i = 0; i < 3900; ++i) {
        open += "<div>";
        close += "</div>";
    }
    page.insert(page.find("</body>"), close);
    page.insert(body, open);
    served.site.write("index.html", page);
    ServeRun serve(served.site, {"--port", "0"}, scratch::kLater, {},
                   {"/bin/sh", "-c", "ulimit -s 1024 && exec \"$@\"", "sh"});
    ASSERT_TRUE(serve.waitFor("every page is up to date")) << serve.output();
    addNews(served.site);
    EXPECT_TRUE(serve.waitFor("refreshed index.html", 30)) << serve.output();
    EXPECT_FALSE(serve.ended()) << serve.output();
    EXPECT_TRUE(contains(readFile(served.site / "index.html"), "桜の開花"));
}

TEST(ZebhostServeTest, ConcurrentRequestsAllComplete)
{
    ServedSite served;
    ASSERT_TRUE(served.ready);
    ServeRun serve(served.site, {"--port", "0", "-q"});
    ASSERT_NE(0, serve.port()) << serve.output();
    const std::string expected = httplib::Client("127.0.0.1", serve.port()).Get("/index.html")->body;
    ASSERT_TRUE(contains(expected, "zebsitec001table000001"));
    // Rounds of 200 requests at once, each on a connection of its own.
    const int rounds = scratch::underSanitizer() ? 5 : 20;
    std::atomic<int> wrong = 0;
    for (int round = 0; round < rounds; ++round) {
        std::vector<std::thread> clients;
        for (int i = 0; i < 200; ++i)
            clients.emplace_back([&] {
                httplib::Client client("127.0.0.1", serve.port());
                client.set_read_timeout(30);
                const auto response = client.Get("/index.html");
                if (!response || response->status != 200 || response->body != expected)
                    ++wrong;
            });
        for (std::thread& client : clients)
            client.join();
    }
    EXPECT_EQ(0, wrong.load());
    EXPECT_EQ(0, serve.stop());
    // -q: the address, and nothing of the rebuild or the stop.
    const std::string out = serve.output();
    EXPECT_TRUE(out.starts_with("serving ")) << out;
    EXPECT_EQ(1, std::count(out.begin(), out.end(), '\n')) << out;
}

TEST(ZebhostServeTest, CommandLineAndPortErrors)
{
    scratch::ScratchSite site;
    ServeRun first(site, {"--port", "0"});
    ASSERT_NE(0, first.port()) << first.output();
    struct Case {
        const char* description;
        std::vector<std::string> args;
        int exitCode;
        const char* errPart;
    };
    const Case cases[] = {
        {"the port is taken", {"--port", std::to_string(first.port())}, 1, "is taken"},
        {"a port out of range", {"--port", "65536"}, 2, "--port: Value 65536 not in range 0 to 65535"},
        {"a port that is no number", {"--port", "80x"}, 2, "--port: Value 80x not in range"},
        {"an address of no machine here", {"--port", "0", "--bind", "192.0.2.1"}, 1, "not an address of this machine"},
        {"a value missing", {"--bind"}, 2, "--bind: 1 required ADDR missing"},
        {"an unknown option", {"--watch"}, 2, "zebhost serve: the following argument was not expected: --watch"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> argv{kZebhost, "--site", site.path(), "serve"};
        argv.insert(argv.end(), c.args.begin(), c.args.end());
        const RunResult r = runProgram(argv);
        EXPECT_EQ(c.exitCode, r.exitCode) << c.description << ": " << r.err;
        EXPECT_TRUE(contains(r.err, c.errPart)) << c.description << ": " << r.err;
    }
    const RunResult missing = runProgram({kZebhost, "--site", site / "nothing", "serve"});
    EXPECT_EQ(1, missing.exitCode);
    EXPECT_TRUE(contains(missing.err, "no such folder")) << missing.err;
}

} // namespace
