#pragma once
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "support/TestSupport.h"

// A copy of the sample site to run zebhost on, and snapshots of a folder tree to tell exactly
// which files a run changed.
namespace scratch {

extern const std::string kZebhost;
// The moment of the runs: the sample diary ends in 2025-03, and its data was written the day
// before (kDataTime).
extern const std::string kNow;
extern const std::int64_t kDataTime;
// A later moment, for runs after the data was changed at kChangeTime.
extern const std::string kLater;
extern const std::int64_t kChangeTime;

// The host's record of what the last page refresh learned; no page, and left out of snapshots.
extern const std::string kPageCache;

// One entry of a folder tree.
struct FileState {
    bool folder = false;
    std::uint64_t size = 0;
    std::int64_t mtimeNs = 0; // files only: a folder's time changes with its entries
    unsigned mode = 0;
    std::string bytes; // files only
    bool operator==(const FileState&) const = default;
};
// Every file and folder below a root, by path relative to it (kPageCache aside).
using Tree = std::map<std::string, FileState>;

// The tree below root; empty when root cannot be read.
Tree snapshot(const std::string& root);
// What differs: "+ path" added, "- path" removed, "~ path" changed (size, time, mode or bytes),
// in path order.
std::vector<std::string> differences(const Tree& before, const Tree& after);
// The differences "~ path" for each path, sorted (what a test expects a run to rewrite).
std::vector<std::string> rewritten(std::vector<std::string> paths);

// A copy of examples/site, every file dated kDataTime. In a temporary folder, or in the given
// (empty) folder, which the copy does not remove.
class ScratchSite {
public:
    ScratchSite();
    explicit ScratchSite(const std::string& folder);
    ScratchSite(const ScratchSite&) = delete;
    ScratchSite& operator=(const ScratchSite&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

    // zebhost --site SITE --now NOW ARGS..., with extra environment entries.
    testsupport::RunResult zebhost(const std::vector<std::string>& args, const std::vector<std::string>& env = {},
                                   const std::string& now = kNow) const;
    // Runs "zebhost update" so that every generated page is there and up to date; false (with
    // a message on the test's output) when it fails.
    bool generate() const;
    Tree tree() const { return snapshot(path_); }
    // Writes a file of the site and dates it.
    void write(const std::string& relative, const std::string& bytes, std::int64_t mtime = kChangeTime) const;

private:
    void copySample();

    testsupport::TempDir temp_;
    std::string path_;
};

// Whether the text holds the part.
inline bool contains(const std::string& text, const std::string& part)
{
    return text.find(part) != std::string::npos;
}

// Whether this test program runs under AddressSanitizer (slower and hungrier runs).
bool underSanitizer();

} // namespace scratch
