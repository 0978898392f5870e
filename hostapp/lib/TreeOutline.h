#pragma once
#include <string>

class Node;

// A tree written as one line, for telling whether two trees are the same: the saved markup of an
// edited page, parsed again, must give the outline of the edited tree. Children of a node follow
// it in parentheses, separated by spaces: an element is its lower-case name with its attributes
// in brackets (name=value, in order), a text its data in double quotes, a comment
// <!--data-->, a CDATA section <![CDATA[data]]>, a DOCTYPE its declaration. Texts side by side are
// one text (a parser never makes two), and empty texts are left out.
class TreeOutline {
public:
    // The outline of the node's children (of a document: the whole page); "" when it has none.
    static std::wstring of(const Node& root);
};
