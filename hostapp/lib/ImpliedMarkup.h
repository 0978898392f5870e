#pragma once
#include <string>

class Element;
class Node;

// What a page's source leaves implied or open around a node, as the writer must know it to write
// the node elsewhere or next to something new.
class ImpliedMarkup {
public:
    // What closes the construct that a parsed node's source text leaves open at the node's end;
    // "" when nothing is left open. A node reaching the end of its source may end there inside a
    // comment or the DOCTYPE of its last descendants. (Elements left open are the writer's to close.)
    static std::wstring closerOfOpenEnd(const Node& node);

    // Whether what the writer writes of the element ends it: an end tag (its own, or one written
    // afresh for a created element), or a start tag that ends it too.
    static bool writesItsEnd(const Element& e);

    // Whether the parser closed the element at its start tag although the source leaves its end tag
    // out and goes on in its parent: a form read in a table, which the parser pops at once
    // ("<table><b><form>x" puts b and x before the table and the form in b, empty; a form in a
    // table or its part is always one).
    static bool closedAtStart(const Element& e);

    // Whether the element's end tag stands before content that the parser keeps in the element:
    // the end tag of the body or html ends nothing, and a form's takes only the form off the stack
    // of open elements ("<form><n></form>x" has x in n, in the form). False without an end tag.
    static bool endsBeforeContent(const Element& e);

    // Whether the element's end tag takes nothing off the parser's stack of open elements, so that
    // an element left open inside it stays open after it: the end tag of the body or html
    // ("<p>x</body>y" has y in the p). False without an end tag.
    static bool endLeavesInnerOpen(const Element& e);

    // Whether the parser makes the implied element again from its content: html, head and body
    // always, a tbody when its content starts with a row or a cell, a tr with a cell, a colgroup
    // with a col.
    static bool impliedAgain(const Element& e);

    // Whether the start tag of e, read where its parent is the parser's current node, ends the
    // parent: a heading in a heading, an option or option group in an option. The source then had
    // something else open between them.
    static bool endsParentAsCurrent(const Element& e);

    // Whether e is a noscript in the head, which the parser reads ignoring end tags, and which
    // anything but its content ends. False for any other element.
    static bool noscriptInHead(const Element& e);

    // Whether the parser, reading the markup of node first in a body, opens again the formatting
    // elements it has listed but closed: a text does, and the start tag of most elements; a
    // comment, a block (div, p, table, ...), head content and nothing (null) do not. A formatting
    // element that the parser opened again itself does as its first child does.
    static bool reopensFormatting(const Node* node);

    // The child of an implied body before which the output must write "<body>": the first one that
    // is not white space, when the parser would not take its markup as the start of the body. After
    // the head a parser puts head content (meta, script, ...) into the head, a comment beside the
    // body and drops an end tag such as "</p>" (which inside the body makes an empty p); in the page
    // something before that node opened the body, and when an edit removed it, nothing does. So
    // too for a text starting with white space, which the parser drops before the body opens (the
    // first of the texts the body starts with). Likewise the first child of an implied head, before
    // which the output must write "<head>", when it is a comment or white space (the parser puts a
    // comment there beside the html element and drops white space). Null when no start tag need be
    // written.
    static const Node* openerNeeded(const Element& headOrBody);
};
