#include "host/Node.h"

#include "MarkupWriter.h"

Node::Node(Type type, Document* owner) : type_(type), owner_(owner) {}

// Nodes are destroyed together with their document, in no particular order: the destructor
// must not follow links.
Node::~Node() = default;

Node* Node::getParentNode()
{
    return parent_;
}

std::wstring Node::getMarkup()
{
    return MarkupWriter().write(*this);
}

void Node::prepareMarkup() {}

Node* Node::appendChild(Node* child)
{
    return insertBefore(child, nullptr);
}

Node* Node::insertBefore(Node* child, Node* ref)
{
    // A node without children can only contain this by being it: no walk up a deep tree then.
    if (child == nullptr || child->owner_ != owner_ || child->type_ == Type::Document || child == this ||
        (child->first_ != nullptr && child->isAncestorOrSelf(this)))
        return nullptr;
    if (ref != nullptr && ref->parent_ != this)
        return nullptr;
    if (ref == child)
        return child;
    if (child->parent_ != nullptr) {
        child->parent_->markSubtreeChanged();
        child->unlink();
    }
    child->linkBefore(this, ref);
    markSubtreeChanged();
    return child;
}

Node* Node::removeChild(Node* child)
{
    if (child == nullptr || child->parent_ != this)
        return nullptr;
    markSubtreeChanged();
    child->unlink();
    return child;
}

Node* Node::nextInTree(const Node* root) const
{
    if (first_ != nullptr)
        return first_;
    for (const Node* n = this; n != nullptr && n != root; n = n->parent_)
        if (n->next_ != nullptr)
            return n->next_;
    return nullptr;
}

bool Node::isAttached() const
{
    const Node* n = this;
    while (n->parent_ != nullptr)
        n = n->parent_;
    // A document's owner is the document itself.
    return n->type_ == Type::Document && n->owner_ == owner_;
}

int Node::indexInParent() const
{
    int index = 0;
    for (const Node* n = prev_; n != nullptr; n = n->prev_)
        ++index;
    return index;
}

Node* Node::childAt(int index) const
{
    if (index < 0)
        return nullptr;
    Node* n = first_;
    while (n != nullptr && index-- > 0)
        n = n->next_;
    return n;
}

int Node::childCount() const
{
    int count = 0;
    for (const Node* n = first_; n != nullptr; n = n->next_)
        ++count;
    return count;
}

bool Node::isAncestorOrSelf(const Node* other) const
{
    for (const Node* n = other; n != nullptr; n = n->parent_)
        if (n == this)
            return true;
    return false;
}

void Node::markChanged()
{
    changed_ = true;
    markSubtreeChanged();
}

void Node::markSubtreeChanged()
{
    // A marked node's ancestors are all marked (nodes are marked up to the root and only cleared
    // all together after a parse), so the walk ends at the first marked one: building a tree
    // node by node stays linear however deep it nests.
    for (Node* n = this; n != nullptr && !n->subtreeChanged_; n = n->parent_)
        n->subtreeChanged_ = true;
}

void Node::unlink()
{
    if (parent_ == nullptr)
        return;
    (prev_ ? prev_->next_ : parent_->first_) = next_;
    (next_ ? next_->prev_ : parent_->last_) = prev_;
    parent_ = prev_ = next_ = nullptr;
}

void Node::linkBefore(Node* parent, Node* ref)
{
    parent_ = parent;
    next_ = ref;
    prev_ = ref ? ref->prev_ : parent->last_;
    (prev_ ? prev_->next_ : parent->first_) = this;
    (ref ? ref->prev_ : parent->last_) = this;
}
