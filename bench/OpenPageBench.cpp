// Load + save of a page opened for editing, next to gumbo's parse alone of the same bytes.
// Usage: OpenPageBench [page] [iterations]   (default: the 50 KB test page, 200 iterations)
#include <gumbo.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <unistd.h>

#include "OpenPage.h"
#include "platform/TextConv.h"

namespace {

using Clock = std::chrono::steady_clock;

double millisecondsPerRun(Clock::time_point start, int runs)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count() / runs;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string source = std::string(__FILE__).substr(0, std::string(__FILE__).rfind('/'));
    const std::string page = argc > 1 ? argv[1] : source + "/../tests/data/hostapp/large.html";
    const int runs = argc > 2 ? std::atoi(argv[2]) : 200;
    std::ifstream in(page, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty() || runs <= 0) {
        std::fprintf(stderr, "cannot read %s\n", page.c_str());
        return 1;
    }
    const std::string copy = "/tmp/openpagebench-" + std::to_string(getpid()) + ".html";
    std::ofstream(copy, std::ios::binary) << bytes;

    auto start = Clock::now();
    for (int i = 0; i < runs; ++i) {
        GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, bytes.data(), bytes.size());
        gumbo_destroy_output(&kGumboDefaultOptions, output);
    }
    const double gumboOnly = millisecondsPerRun(start, runs);

    start = Clock::now();
    for (int i = 0; i < runs; ++i) {
        std::unique_ptr<OpenPage> opened = OpenPage::load(platform::fromUtf8(copy));
        if (!opened)
            return 1;
    }
    const double load = millisecondsPerRun(start, runs);

    start = Clock::now();
    bool same = true;
    for (int i = 0; i < runs; ++i) {
        std::unique_ptr<OpenPage> opened = OpenPage::load(platform::fromUtf8(copy));
        if (!opened || opened->save() != platform::PageWriter::Result::Written)
            return 1;
    }
    const double loadSave = millisecondsPerRun(start, runs);
    std::ifstream back(copy, std::ios::binary);
    same = std::string((std::istreambuf_iterator<char>(back)), std::istreambuf_iterator<char>()) == bytes;
    std::remove(copy.c_str());

    std::printf("page: %s (%zu bytes), %d runs\n", page.c_str(), bytes.size(), runs);
    std::printf("gumbo parse alone:  %.3f ms\n", gumboOnly);
    std::printf("OpenPage load:      %.3f ms\n", load);
    std::printf("OpenPage load+save: %.3f ms (saved bytes %s)\n", loadSave, same ? "identical" : "DIFFERENT");
    return same ? 0 : 1;
}
