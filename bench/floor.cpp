// The floor of a full rebuild: only the work no implementation can avoid. It reads every data
// file of the site's CMS folder and the link-part template once, and writes the given output
// pages (the bytes a real rebuild produced, loaded before the clock starts) to as many files.
//
// Usage: floor SITE TEMPLATE REFERENCE_DIR OUT_DIR
// Prints: seconds, bytes read, files written, bytes written.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<std::string> listFiles(const std::string& dir)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != "..")
                names.push_back(name);
        }
        closedir(d);
    }
    return names;
}

std::string slurp(const std::string& path)
{
    std::string bytes;
    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0)
        return bytes;
    char buffer[65536];
    ssize_t n;
    while ((n = read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(n));
    close(fd);
    return bytes;
}

bool spill(const std::string& path, const std::string& bytes)
{
    int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    bool ok = write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    return close(fd) == 0 && ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: floor SITE TEMPLATE REFERENCE_DIR OUT_DIR\n");
        return 2;
    }
    const std::string site = argv[1], templ = argv[2], reference = argv[3], out = argv[4];

    std::vector<std::pair<std::string, std::string>> pages;
    for (const auto& name : listFiles(reference))
        pages.emplace_back(name, slurp(reference + "/" + name));
    mkdir(out.c_str(), 0755);

    auto start = std::chrono::steady_clock::now();
    std::size_t readBytes = slurp(templ).size();
    for (const auto& name : listFiles(site + "/qcms"))
        readBytes += slurp(site + "/qcms/" + name).size();
    std::size_t written = 0, writtenBytes = 0;
    for (const auto& [name, bytes] : pages) {
        if (!spill(out + "/" + name, bytes)) {
            std::fprintf(stderr, "floor: cannot write %s/%s\n", out.c_str(), name.c_str());
            return 1;
        }
        ++written;
        writtenBytes += bytes.size();
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.6f %zu %zu %zu\n", seconds, readBytes, written, writtenBytes);
    return 0;
}
