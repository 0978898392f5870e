#include "PageEditor.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwctype>
#include <filesystem>

#include "HostApplication.h"
#include "LinkPartTemplate.h"
#include "ModuleLoader.h"
#include "OpenPage.h"
#include "SiteContext.h"
#include "WriteLog.h"
#include "host/Document.h"
#include "host/DomUtBase.h"
#include "host/Element.h"
#include "platform/CDialog.h"
#include "platform/DialogBackEnd.h"
#include "platform/DialogIds.h"
#include "platform/PageWriter.h"
#include "platform/TextConv.h"
#include "platform/Wtoi.h"

namespace {

std::wstring lowerCase(std::wstring text)
{
    for (wchar_t& c : text)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return text;
}

// The category number a link-part id names: the three characters after its first "c".
int numberOfId(const std::wstring& id)
{
    const std::size_t c = id.find(L'c');
    return (c == std::wstring::npos || c == 0) ? -1 : platform::wtoi(id.substr(c + 1, 3));
}

// The id of category n's link part.
std::wstring idOfNumber(int n)
{
    return platform::formatW(L"zebsitec%03dtable000001", n);
}

// Entries of a that are not in b, counting repeats (both sorted).
std::vector<std::wstring> difference(const std::vector<std::wstring>& a, const std::vector<std::wstring>& b)
{
    std::vector<std::wstring> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

// Installs a dialog back end for the life of the object.
struct BackEndScope {
    explicit BackEndScope(platform::DialogBackEnd* backEnd) : previous(platform::CDialog::setBackEnd(backEnd)) {}
    ~BackEndScope() { platform::CDialog::setBackEnd(previous); }
    platform::DialogBackEnd* previous;
};

} // namespace

PageEditor::PageEditor(CommandContext& context, const SiteContext& site) : context_(context), site_(site) {}

PageEditor::~PageEditor()
{
    if (page_ && getOpenPage() == page_.get())
        setOpenPage(nullptr);
}

int PageEditor::open(const std::string& page, const std::optional<std::string>& cursorId, bool forWriting)
{
    std::wstring widePath;
    if (const int code = site_.resolvePage(page, widePath); code != kExitOk)
        return code;
    const std::string shown = site_.display(widePath);
    const std::string native = platform::toUtf8(widePath);
    if (forWriting) {
        // Saving replaces the file through a new one in its folder: both must be writable.
        const std::string folder = std::filesystem::path(native).parent_path().string();
        if (access(native.c_str(), W_OK) != 0 || access(folder.c_str(), W_OK) != 0) {
            std::fprintf(stderr, "zebhost: %s: cannot be written: %s\n", shown.c_str(), std::strerror(errno));
            return kExitFailed;
        }
    }
    page_ = OpenPage::load(widePath);
    if (!page_) {
        std::fprintf(stderr, "zebhost: %s: cannot be read as a page\n", shown.c_str());
        return kExitFailed;
    }
    if (cursorId) {
        Element* element = page_->document()->getElementByID(platform::fromUtf8(*cursorId));
        if (!element) {
            std::fprintf(stderr, "zebhost: %s: no element with id \"%s\"\n", shown.c_str(), cursorId->c_str());
            page_.reset();
            return kExitFailed;
        }
        int children = 0;
        for (Node* child = element->getFirstChild(); child; child = child->getNextSibling())
            ++children;
        page_->domUtBase()->setLayoutCursor(element, children);
    }
    setOpenPage(page_.get());
    return kExitOk;
}

std::vector<std::wstring> PageEditor::linkPartIds() const
{
    std::vector<Element*> elements;
    page_->domUtBase()->getElementByAttributrNameAndPartOfValue(elements, L"ID", L"zebsitec", true, nullptr);
    std::vector<std::wstring> ids;
    for (Element* element : elements) {
        const std::wstring id = element->getAttribute(L"ID");
        if (!id.empty())
            ids.push_back(lowerCase(id));
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

int PageEditor::runDialog(platform::DialogBackEnd& backEnd, bool save)
{
    std::unique_ptr<CZebTmplCIF> module = context_.module->createInterface();
    if (!module) {
        std::fputs("zebhost: the module gave no interface object\n", stderr);
        return kExitModuleError;
    }
    const std::string shown = site_.display(page_->path());
    const std::vector<std::wstring> before = linkPartIds();

    WriteLog log;
    {
        BackEndScope scope(&backEnd);
        module->showLinkPartDialog();
    }
    const platform::DialogOutcome& outcome = backEnd.lastOutcome();
    if (outcome.result == -1) {
        std::fputs("zebhost: the module showed no dialog (its dialog resources are not loaded)\n", stderr);
        return kExitFailed;
    }
    if (!backEnd.failure().empty()) {
        std::fprintf(stderr, "zebhost: %s: %s; nothing changed\n", shown.c_str(),
                     platform::toUtf8(backEnd.failure()).c_str());
        return kExitFailed;
    }
    if (!save)
        return kExitOk;

    // The link-part pages the module generated on the way (the page itself is reported below).
    int failures = log.report(site_, context_.options.verbose, page_->path(), true);
    const std::vector<std::wstring> after = linkPartIds();
    const bool confirmed = outcome.result == platform::IDOK;
    const std::vector<platform::CheckListItemState> unmade =
        confirmed ? checkedWithoutLinkPart(outcome, after) : std::vector<platform::CheckListItemState>();
    // A category link part the module could not make says nothing of why; the template is the
    // usual cause, and it is named once.
    std::string templateProblem;
    for (const platform::CheckListItemState& item : unmade)
        if (item.data != 1 && templateProblem.empty())
            templateProblem = LinkPartTemplate::problem();
    std::vector<platform::CheckListItemState> wouldLose;
    for (const platform::CheckListItemState& item : unmade)
        if (std::any_of(before.begin(), before.end(),
                        [&](const std::wstring& id) { return numberOfId(id) == int(item.data); }))
            wouldLose.push_back(item);
    if (!templateProblem.empty())
        std::fprintf(stderr, "zebhost: %s: link-part template %s; no link part for %s\n",
                     platform::toUtf8(LinkPartTemplate::path()).c_str(), templateProblem.c_str(),
                     itemNames(unmade, true).c_str());
    if (!wouldLose.empty()) {
        // Saving would take away a link part the page has and the user kept.
        std::fprintf(stderr, "zebhost: %s: not saved: the link part of %s could not be made again\n", shown.c_str(),
                     itemNames(wouldLose, false).c_str());
        return kExitFailed;
    }

    // A page whose bytes come out as they stand is not rewritten (its time stays).
    bool written = false;
    if (page_->isModified()) {
        const OpenPage::SaveOutcome saved = page_->saveIfChanged();
        if (saved == OpenPage::SaveOutcome::NotOpened) {
            const WriteLog::Entry* entry = log.find(page_->path());
            std::fprintf(stderr, "zebhost: %s: not written: %s\n", shown.c_str(),
                         entry ? entry->reason.c_str() : "cannot be created");
            return kExitFailed;
        }
        written = saved == OpenPage::SaveOutcome::Written;
    }

    if (!confirmed)
        say("%s: cancelled, nothing changed\n", shown.c_str());
    else if (written)
        say("%s: %s (%s)\n", shown.c_str(), platform::PageWriter::isDryRun() ? "would be saved" : "saved",
            page_->encoding().c_str());
    else
        say("%s: nothing changed\n", shown.c_str());
    reportChanges(before, after, confirmed);
    std::fflush(stdout);
    for (const platform::CheckListItemState& item : unmade) {
        if (templateProblem.empty() || item.data == 1)
            std::fprintf(stderr, "zebhost: warning: %s: \"%s\" is checked but the page has no link part %s\n",
                         shown.c_str(), platform::printable(item.text).c_str(),
                         platform::toUtf8(idOfNumber(static_cast<int>(item.data))).c_str());
    }
    return failures > 0 || !templateProblem.empty() ? kExitFailed : kExitOk;
}

std::vector<platform::CheckListItemState> PageEditor::checkedWithoutLinkPart(const platform::DialogOutcome& outcome,
                                                                             const std::vector<std::wstring>& after)
{
    std::vector<platform::CheckListItemState> unmade;
    for (const platform::CheckListItemState& item : outcome.items) {
        const int number = static_cast<int>(item.data);
        if (item.check == 1 &&
            std::none_of(after.begin(), after.end(), [&](const std::wstring& id) { return numberOfId(id) == number; }))
            unmade.push_back(item);
    }
    return unmade;
}

std::string PageEditor::itemNames(const std::vector<platform::CheckListItemState>& items, bool categoriesOnly) const
{
    std::string out;
    for (const platform::CheckListItemState& item : items) {
        if (categoriesOnly && item.data == 1)
            continue;
        const std::wstring name = site_.nameOf(static_cast<int>(item.data));
        out += (out.empty() ? "" : ", ") + platform::printable(name.empty() ? item.text : name);
    }
    return out;
}

void PageEditor::reportChanges(const std::vector<std::wstring>& before, const std::vector<std::wstring>& after,
                               bool confirmed) const
{
    const std::vector<std::wstring> gained = difference(after, before);
    const std::vector<std::wstring> lost = difference(before, after);
    auto describe = [this](const std::wstring& id) {
        const std::wstring name = site_.nameOf(numberOfId(id));
        return platform::printable(id) + (name.empty() ? std::string() : " (" + platform::printable(name) + ")");
    };
    const bool dryRun = platform::PageWriter::isDryRun();
    for (const std::wstring& id : gained)
        say("  %s %s\n", dryRun ? "would gain" : "gained", describe(id).c_str());
    for (const std::wstring& id : lost)
        say("  %s %s\n", dryRun ? "would lose" : "lost  ", describe(id).c_str());
    if (gained.empty() && lost.empty() && confirmed)
        say("  link parts unchanged\n");
}
