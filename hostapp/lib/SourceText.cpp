#include "SourceText.h"

#include <algorithm>

std::vector<SourceText::Token>::const_iterator SourceText::firstTokenEndingAfter(std::size_t pos) const
{
    return std::upper_bound(tokens.begin(), tokens.end(), pos, [](std::size_t p, const Token& t) { return p < t.end; });
}

bool SourceText::hasTokenIn(std::size_t start, std::size_t end) const
{
    auto it = std::lower_bound(tokens.begin(), tokens.end(), start,
                               [](const Token& t, std::size_t p) { return t.start < p; });
    return it != tokens.end() && it->start < end;
}
