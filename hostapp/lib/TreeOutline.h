#pragma once
#include <string>

class Document;
class Node;

// A tree written as one line, for telling whether two trees are the same: the saved markup of an
// edited page, parsed again, must give the outline of the edited tree. Children of a node follow
// it in parentheses, separated by spaces: an element is its lower-case name with its attributes
// in brackets (name=value, in order), a text its data in double quotes, a comment
// <!--data-->, a CDATA section <![CDATA[data]]>, a DOCTYPE its declaration. Texts side by side are
// one text (a parser never makes two), and empty texts are left out. A text of white space only
// is an underscore between other nodes, and left out at the start and end of an element and at
// the top of the page (in the document and the html element): a parser moves such white space
// across the end tags it ignores and the end tags of body and html.
class TreeOutline {
public:
    // The outline of the node's children (of a document: the whole page); "" when it has none.
    static std::wstring of(const Node& root);
    // Whether the document's markup, parsed again as a page, gives the document's tree (false
    // also when it cannot be parsed again).
    static bool readsBack(const Document& document);
};
