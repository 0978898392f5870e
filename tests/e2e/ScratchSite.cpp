#include "e2e/ScratchSite.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace scratch {

namespace fs = std::filesystem;
using testsupport::localTime;

const std::string kZebhost = std::string(ZEB_BIN_DIR) + "/zebhost";
const std::string kNow = "2025-03-28T09:00";
const std::int64_t kDataTime = localTime(2025, 3, 27, 18);
const std::string kLater = "2025-03-28T11:00";
const std::int64_t kChangeTime = localTime(2025, 3, 28, 10);
const std::string kPageCache = "ZebSitemenu/.zebhost-pages";

namespace {

void walk(const std::string& root, const std::string& relative, Tree& tree)
{
    const std::string full = relative.empty() ? root : root + "/" + relative;
    for (const std::string& name : testsupport::listDir(full)) {
        const std::string rel = relative.empty() ? name : relative + "/" + name;
        struct stat st {};
        if (rel == kPageCache || lstat((root + "/" + rel).c_str(), &st) != 0)
            continue;
        FileState state;
        state.mode = st.st_mode & 07777;
        if (S_ISDIR(st.st_mode)) {
            state.folder = true;
            tree[rel] = state;
            walk(root, rel, tree);
            continue;
        }
        state.size = static_cast<std::uint64_t>(st.st_size);
        state.mtimeNs = static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
        if (S_ISREG(st.st_mode))
            state.bytes = testsupport::readFile(root + "/" + rel);
        tree[rel] = std::move(state);
    }
}

} // namespace

Tree snapshot(const std::string& root)
{
    Tree tree;
    walk(root, "", tree);
    return tree;
}

std::vector<std::string> differences(const Tree& before, const Tree& after)
{
    std::vector<std::string> out;
    for (const auto& [path, state] : before) {
        auto it = after.find(path);
        if (it == after.end())
            out.push_back("- " + path);
        else if (!(it->second == state))
            out.push_back("~ " + path);
    }
    for (const auto& [path, state] : after)
        if (!before.count(path))
            out.push_back("+ " + path);
    std::sort(out.begin(), out.end(),
              [](const std::string& a, const std::string& b) { return a.substr(2) < b.substr(2); });
    return out;
}

std::vector<std::string> rewritten(std::vector<std::string> paths)
{
    std::sort(paths.begin(), paths.end());
    for (std::string& p : paths)
        p = "~ " + p;
    return paths;
}

ScratchSite::ScratchSite() : path_(temp_.path())
{
    copySample();
}

ScratchSite::ScratchSite(const std::string& folder) : path_(folder)
{
    copySample();
}

void ScratchSite::copySample()
{
    chmod(path_.c_str(), 0755);
    fs::copy(std::string(ZEB_SOURCE_DIR) + "/examples/site", path_, fs::copy_options::recursive);
    for (const auto& entry : fs::recursive_directory_iterator(path_))
        testsupport::setMtime(entry.path().string(), kDataTime);
}

testsupport::RunResult ScratchSite::zebhost(const std::vector<std::string>& args, const std::vector<std::string>& env,
                                            const std::string& now) const
{
    std::vector<std::string> argv{kZebhost, "--site", path_, "--now", now};
    argv.insert(argv.end(), args.begin(), args.end());
    return testsupport::runProgram(argv, env);
}

bool ScratchSite::generate() const
{
    const testsupport::RunResult r = zebhost({"update"});
    if (r.exitCode != 0) {
        std::fprintf(stderr, "zebhost update on the sample site failed (%d): %s\n", r.exitCode, r.err.c_str());
        return false;
    }
    return true;
}

void ScratchSite::write(const std::string& relative, const std::string& bytes, std::int64_t mtime) const
{
    testsupport::writeFile(*this / relative, bytes);
    testsupport::setMtime(*this / relative, mtime);
}

bool underSanitizer()
{
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#endif
#endif
    return false;
}

} // namespace scratch
