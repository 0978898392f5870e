#include "host/CRuvFileFind.h"

bool CRuvFileFind::FindFile(const std::wstring& pattern) { return finder_.findFile(pattern); }

bool CRuvFileFind::FindNextFile() { return finder_.findNext(); }

bool CRuvFileFind::IsDots() const { return finder_.isDots(); }

std::wstring CRuvFileFind::GetFileName() const { return finder_.fileName(); }

std::int64_t CRuvFileFind::GetLastWriteTime() const { return finder_.lastWriteTime(); }

bool CRuvFileFind::IsDirectory() const { return finder_.isDirectory(); }

std::int64_t CRuvFileFind::GetLength() const { return finder_.length(); }

void CRuvFileFind::Close() { finder_.close(); }
