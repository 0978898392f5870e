#pragma once
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

    // Appends text[start, end) without the token stretches inside it; nothing when the range is
    // empty or reversed.
    void appendGap(std::wstring& out, std::size_t start, std::size_t end) const;
    // Whether some token starts inside [start, end).
    bool hasTokenIn(std::size_t start, std::size_t end) const;
};
