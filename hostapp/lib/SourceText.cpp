#include "SourceText.h"

#include <algorithm>

namespace {

// The first token whose end lies after pos.
std::vector<SourceText::Token>::const_iterator firstEndingAfter(const std::vector<SourceText::Token>& tokens,
                                                                std::size_t pos) {
    return std::upper_bound(tokens.begin(), tokens.end(), pos,
                            [](std::size_t p, const SourceText::Token& t) { return p < t.end; });
}

} // namespace

void SourceText::appendGap(std::wstring& out, std::size_t start, std::size_t end) const {
    end = std::min(end, text.size());
    if (start >= end)
        return;
    std::size_t pos = start;
    for (auto it = firstEndingAfter(tokens, pos); it != tokens.end() && it->start < end; ++it) {
        if (it->start > pos)
            out.append(text, pos, it->start - pos);
        pos = std::max(pos, it->end);
        if (pos >= end)
            return;
    }
    if (pos < end)
        out.append(text, pos, end - pos);
}

bool SourceText::hasTokenIn(std::size_t start, std::size_t end) const {
    auto it = std::lower_bound(tokens.begin(), tokens.end(), start,
                               [](const Token& t, std::size_t p) { return t.start < p; });
    return it != tokens.end() && it->start < end;
}
