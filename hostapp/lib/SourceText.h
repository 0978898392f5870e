#pragma once
#include <algorithm>
#include <cstddef>
#include <string>
#include <vector>

// A text that nodes were parsed from (a page, or a fragment inserted later), with the stretches
// of it that belong to nodes (tags, texts, comments, the DOCTYPE). What lies between those
// stretches — white space the parser dropped, end tags it ignored — is "gap" text: it has no node
// of its own, so a node's writer copies it from here to keep the page as it was.
struct SourceText {
    struct Token {
        std::size_t start;
        std::size_t end;
    };

    std::wstring text;
    // Sorted by start; they do not overlap.
    std::vector<Token> tokens;
    // Where the start tags of the form elements outside template content stand, in order: each
    // set the parser's form pointer, under which it ignores a <form> (for a page, not a fragment).
    std::vector<std::size_t> formStarts;

    // Calls f(from, to) for each stretch of text[start, end) outside the tokens, in order; never
    // when the range is empty or reversed.
    template <class F>
    void forEachGapStretch(std::size_t start, std::size_t end, F&& f) const
    {
        end = std::min(end, text.size());
        if (start >= end)
            return;
        std::size_t pos = start;
        for (auto it = firstTokenEndingAfter(pos); it != tokens.end() && it->start < end; ++it) {
            if (it->start > pos)
                f(pos, it->start);
            pos = std::max(pos, it->end);
            if (pos >= end)
                return;
        }
        if (pos < end)
            f(pos, end);
    }
    // The first token whose end lies after pos.
    std::vector<Token>::const_iterator firstTokenEndingAfter(std::size_t pos) const;
    // Whether some token starts inside [start, end).
    bool hasTokenIn(std::size_t start, std::size_t end) const;
};
