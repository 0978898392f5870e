#pragma once
#include <cstddef>

// A quick, linear look over a page's text before it is parsed. The HTML parser checks each
// attribute of a start tag against the tag's earlier ones, so a tag of tens of thousands of
// attributes takes it seconds to minutes; the host refuses such a page instead.
class StartTagScanner {
public:
    // The most attributes any start tag of the text has. Comments and the text of script, style
    // and the other raw-text elements are skipped; a start tag left open at the end counts what it
    // has. 0 for a null or empty text.
    static std::size_t mostAttributes(const wchar_t* text, std::size_t length);
};
