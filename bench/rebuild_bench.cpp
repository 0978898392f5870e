// Times a full rebuild of a site's link-part pages and the update that follows it.
//
// The workload: a diary of 120 months (2009-01 to 2018-12, 20 entries each) and 100 further
// categories (numbers 0 and 2..100, 50 entries each), built into an empty site-menu folder with the
// host's own link-part template. Then the same update runs again at once, with nothing stale. Each
// is run 5 times; the medians are printed with the number of pages written.
//
// Usage: rebuild_bench [repetitions]
#include <sys/stat.h>
#include <sys/time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "HostSite.h"
#include "generation/CZebCMLinkParts.h"
#include "platform/Clock.h"
#include "platform/PageWriter.h"
#include "platform/TextConv.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFirstYear = 2009;
constexpr int kMonths = 120;
constexpr int kDiaryEntries = 20;
constexpr int kCategories = 100;
constexpr int kCategoryEntries = 50;

std::int64_t localMoment(int year, int month, int day)
{
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month - 1;
    tm.tm_mday = day;
    tm.tm_hour = 12;
    tm.tm_isdst = -1;
    return static_cast<std::int64_t>(std::mktime(&tm));
}

void writeFile(const fs::path& path, const std::string& text, std::int64_t mtime)
{
    std::ofstream(path, std::ios::binary) << text;
    struct timeval times[2] = {{static_cast<time_t>(mtime), 0}, {static_cast<time_t>(mtime), 0}};
    utimes(path.c_str(), times);
}

std::string entry(int id, const std::string& title, const std::string& time, const std::string& link)
{
    return "<contentpart><id>" + std::to_string(id) + "</id><title>" + title + "</title><creationtime>" + time +
           "</creationtime><category>c</category><link>" + link + "</link></contentpart>\n";
}

// The category numbers in category list order: the diary is 1.
std::vector<int> categoryNumbers()
{
    std::vector<int> numbers{0, 1};
    for (int n = 2; numbers.size() < kCategories + 1; ++n)
        numbers.push_back(n);
    return numbers;
}

void makeWorkload(const fs::path& site, std::int64_t dataTime)
{
    fs::create_directories(site / "qcms");
    fs::create_directories(site / "ZebSitemenu");
    char name[64];
    char stamp[32];
    char link[48];
    for (int i = 0; i < kMonths; ++i) {
        const int year = kFirstYear + i / 12;
        const int month = i % 12 + 1;
        std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<partinfo>\n";
        for (int e = 0; e < kDiaryEntries; ++e) {
            std::snprintf(stamp, sizeof stamp, "%04d/%02d/%02d 09:00:00", year, month, e + 1);
            std::snprintf(link, sizeof link, "diary/%04d%02d%02d.html", year, month, e + 1);
            xml += entry(e + 1, "日記 " + std::to_string(e + 1), stamp, link);
        }
        std::snprintf(name, sizeof name, "zebsitec001table000001%04d%02d.xml", year, month);
        writeFile(site / "qcms" / name, xml + "</partinfo>\n", dataTime);
    }
    for (int n : categoryNumbers()) {
        if (n == 1)
            continue;
        std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<partinfo>\n";
        // The folder first: g++ 12 warns wrongly about "c" + std::to_string(n) (-Wrestrict).
        std::string folder = "c";
        folder += std::to_string(n);
        folder += '/';
        for (int e = 0; e < kCategoryEntries; ++e)
            xml += entry(e + 1, "記事 " + std::to_string(e + 1), "2018/11/01 09:00:00",
                         folder + std::to_string(e + 1) + ".html");
        std::snprintf(name, sizeof name, "zebsitec%03dtable000001.xml", n);
        writeFile(site / "qcms" / name, xml + "</partinfo>\n", dataTime);
    }
}

struct Timing {
    double wall; // seconds
    double cpu;  // seconds of processor time (the rest is waiting, mostly for pages to reach disk)
};

// Runs update() for every category in list order.
Timing updateAll()
{
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpuStart = std::clock();
    for (int n : categoryNumbers())
        CZebCMLinkParts(n, L"category").update();
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
            static_cast<double>(std::clock() - cpuStart) / CLOCKS_PER_SEC};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(const char* what, const std::vector<Timing>& timings, int pages)
{
    std::vector<double> wall;
    std::vector<double> cpu;
    for (const Timing& t : timings) {
        wall.push_back(t.wall);
        cpu.push_back(t.cpu);
    }
    std::printf("%s: median %.3f s (cpu %.3f s) of %zu runs, %d pages written\n", what, median(wall), median(cpu),
                timings.size(), pages);
}

} // namespace

int main(int argc, char** argv)
{
    const int repetitions = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
    char folderTemplate[] = "/tmp/zeb-rebuild-bench-XXXXXX";
    if (!mkdtemp(folderTemplate)) {
        std::perror("mkdtemp");
        return 1;
    }
    const fs::path site = folderTemplate;

    // Pages written at the fixed moment are newer than the data, so the second update finds
    // nothing stale.
    platform::Clock::fix(localMoment(2018, 12, 20));
    makeWorkload(site, localMoment(2018, 12, 1));
    if (!setCurrentSiteFolder(platform::fromUtf8(site.string()))) {
        std::fprintf(stderr, "cannot make %s the current site\n", site.c_str());
        return 1;
    }

    int written = 0;
    int failed = 0;
    platform::PageWriter::setObserver(
        [&](const std::wstring&, bool ok, const std::string&) { ok ? ++written : ++failed; });

    std::vector<Timing> rebuildTimes;
    std::vector<Timing> updateTimes;
    int rebuildPages = 0;
    int updatePages = 0;
    for (int r = 0; r < repetitions; ++r) {
        for (const auto& page : fs::directory_iterator(site / "ZebSitemenu"))
            fs::remove(page.path());
        written = 0;
        rebuildTimes.push_back(updateAll());
        rebuildPages = written;
        written = 0;
        updateTimes.push_back(updateAll());
        updatePages = written;
    }
    platform::PageWriter::setObserver(nullptr);
    setCurrentSiteFolder(std::wstring());
    fs::remove_all(site);

    std::printf("workload: diary of %d months x %d entries, %d categories x %d entries\n", kMonths, kDiaryEntries,
                kCategories, kCategoryEntries);
    report("full rebuild into an empty site-menu folder", rebuildTimes, rebuildPages);
    report("update right after (nothing stale)         ", updateTimes, updatePages);
    if (failed != 0) {
        std::fprintf(stderr, "%d pages could not be written\n", failed);
        return 1;
    }
    return 0;
}
