#pragma once
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "Commands.h"
#include "platform/DialogBackEnd.h"

class OpenPage;
class SiteContext;

// A page of the site opened for editing with the module's link-part dialog: zebhost's side of
// `edit`, `apply` and `items`. The page is the host's open page while the editor exists.
class PageEditor {
public:
    PageEditor(CommandContext& context, const SiteContext& site);
    ~PageEditor();
    PageEditor(const PageEditor&) = delete;
    PageEditor& operator=(const PageEditor&) = delete;

    // Loads the page (relative to the site folder, by the host's page rule) and makes it the open
    // page; with cursorId, the layout cursor goes to the end of the element with that id. Returns
    // kExitOk, or the exit code after printing the error: kExitUsage when the rule refuses the
    // page, kExitFailed when it is missing, unreadable or unwritable (when forWriting) or has no
    // such element.
    int open(const std::string& page, const std::optional<std::string>& cursorId, bool forWriting);

    // Runs the module's dialog on the back end. With save, a page the module marked modified is
    // saved in its own encoding and the changes are reported; without, nothing is saved. Returns
    // the exit code.
    int runDialog(platform::DialogBackEnd& backEnd, bool save);

private:
    std::vector<std::wstring> linkPartIds() const;
    // Prints the link parts gained and lost (or that none changed, after OK).
    void reportChanges(const std::vector<std::wstring>& before, const std::vector<std::wstring>& after,
                       bool confirmed) const;
    // The checked items whose category has no link part among the ids.
    static std::vector<platform::CheckListItemState> checkedWithoutLinkPart(const platform::DialogOutcome& outcome,
                                                                            const std::vector<std::wstring>& after);
    // The category names of the items ("a, b"); with categoriesOnly, the diary's left out.
    std::string itemNames(const std::vector<platform::CheckListItemState>& items, bool categoriesOnly) const;

    CommandContext& context_;
    const SiteContext& site_;
    std::unique_ptr<OpenPage> page_;
};
