#pragma once
#include <string>
#include <vector>

#include "platform/FolderLock.h"

// One category of the site as the module reads the category list: a number of 0 or more and a
// name, in file order.
struct SiteCategory {
    int number;
    std::wstring numid; // as written in the file
    std::wstring name;
};

// The site zebhost works on: its folder, made the host's current site, and its categories.
class SiteContext {
public:
    // Makes the folder the current site; with writes, the site-menu folder is made when missing
    // (a command that only reads creates nothing). False, with the reason in error(), when the
    // folder has no category list qcms/qccl.xml, another zebhost run holds the site's lock past
    // the wait (ZEBHOST_LOCK_WAIT seconds, default 5), the list cannot be read, or the site-menu
    // folder cannot be made. The lock is held while the object lives.
    bool open(const std::string& folder, bool writes = true);
    // Makes the site-menu folder when it is missing (for a site opened without writes, once a
    // command knows it will write). False, with the reason in error(), when it cannot be made.
    bool makeSiteMenuFolder();
    // Why open failed: "<file>: <reason>".
    const std::string& error() const { return error_; }

    // The site's folder (absolute, symlinks resolved, without a trailing separator).
    const std::wstring& folder() const { return folder_; }
    // The categories, in file order; empty before open.
    const std::vector<SiteCategory>& categories() const { return categories_; }
    // The position in the list of the first category with that name; -1 when none has it.
    int positionOf(const std::wstring& name) const;
    // The name of the first category with that number; "" when none has it.
    std::wstring nameOf(int number) const;

    // The path for messages: relative to the site folder when inside it, else as it stands;
    // control characters escaped.
    std::string display(const std::wstring& path) const;
    // The path of the category list.
    std::wstring categoryListPath() const;
    // The page a command names (relative to the site folder), by the host's page rule. Returns
    // kExitOk, or after printing "zebhost: NAME: why": kExitUsage when the rule refuses the name,
    // kExitFailed when no such page file is there.
    int resolvePage(const std::string& name, std::wstring& path) const;

private:
    platform::FolderLock lock_;
    std::wstring folder_;
    std::vector<SiteCategory> categories_;
    std::string error_;
};
