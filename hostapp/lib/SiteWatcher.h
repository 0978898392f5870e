#pragma once
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

// Watches what a site's update reads (inotify): the CMS's data files in qcms/ (*.xml; hidden
// files such as editors' and lock files are not data) and the link-part template, and hands out
// the changes in batches once they have been quiet for a while, so that a save that writes
// several files makes one batch. qcms/ made or replaced later is watched from then on.
class SiteWatcher {
public:
    // site: the site folder; templateFile: the link-part template; quiet: how long no change must
    // come before a batch is handed out.
    SiteWatcher(std::filesystem::path site, std::filesystem::path templateFile, std::chrono::milliseconds quiet);
    ~SiteWatcher();
    SiteWatcher(const SiteWatcher&) = delete;
    SiteWatcher& operator=(const SiteWatcher&) = delete;

    // Starts watching. False, with the reason in error(), when the system refuses.
    bool start();
    // Why start() failed; "" after success.
    const std::string& error() const { return error_; }

    // Waits for the next batch: the files changed (paths as they were watched: "qcms/x.xml" or
    // the template's path), each once, in the order they changed. Empty after stop().
    std::vector<std::string> next();
    // Makes next() return empty, now and later; from any thread.
    void stop();

private:
    // Reads the events waiting; adds what matters to changes, each once.
    void readEvents(std::vector<std::string>& changes);
    void watchData();
    // Waits up to timeout (negative: for ever) for events or stop(); false when stopped.
    bool wait(int timeoutMs);

    std::filesystem::path site_;
    std::filesystem::path template_;
    std::chrono::milliseconds quiet_;
    int inotify_ = -1;
    int wake_ = -1; // an eventfd that stop() writes
    int siteWatch_ = -1;
    int dataWatch_ = -1;
    int templateWatch_ = -1;
    std::string error_;
};
