#include "host/CRuvFileFind.h"

#include "RebuildScope.h"

bool CRuvFileFind::FindFile(const std::wstring& pattern)
{
    // The folder is needed only to hide a rebuild's pages; outside a rebuild (a rebuild's scope
    // spans the module's whole run) nothing is hidden, and the hundreds of lookups of an update
    // do not copy it.
    if (RebuildScope::active()) {
        const std::size_t slash = pattern.rfind(L'/');
        folder_ = slash == std::wstring::npos ? std::wstring() : pattern.substr(0, slash);
    } else {
        folder_.clear();
    }
    return finder_.findFile(pattern) && skipHidden();
}

bool CRuvFileFind::FindNextFile()
{
    return finder_.findNext() && skipHidden();
}

bool CRuvFileFind::skipHidden()
{
    if (!RebuildScope::active())
        return true;
    while (RebuildScope::hides(folder_, finder_.fileName())) {
        if (!finder_.findNext())
            return false;
    }
    return true;
}

bool CRuvFileFind::IsDots() const
{
    return finder_.isDots();
}

std::wstring CRuvFileFind::GetFileName() const
{
    return finder_.fileName();
}

std::int64_t CRuvFileFind::GetLastWriteTime() const
{
    return finder_.lastWriteTime();
}

bool CRuvFileFind::IsDirectory() const
{
    return finder_.isDirectory();
}

std::int64_t CRuvFileFind::GetLength() const
{
    return finder_.length();
}

void CRuvFileFind::Close()
{
    finder_.close();
}
