#pragma once
#include <memory>
#include <string>
#include <vector>

class Document;
class Element;
class Node;

// The host's XML reader. Parses a file (any encoding the host's decoder recognises) into a tree
// of host elements. No DTD processing, no entity expansion beyond the five predefined entities,
// no network and no other file is ever read.
class CZebXmlData {
public:
    explicit CZebXmlData(const std::wstring& rootName);
    virtual ~CZebXmlData();
    // How CreateNodeData builds the tree.
    enum class Build {
        Whole, // every node at once
        // The file's top-level elements and their child elements (the entries of a top-level
        // list) are made at once; an entry's own subtree when GetChildElement first asks for the
        // entry's children. For a reader that walks the tree through GetChildElement and may read
        // few of a long list's entries.
        OnDemand,
    };
    // Reads and parses the file. False for a missing, empty or malformed file, which then yields
    // no elements.
    bool CreateNodeData(const std::wstring& path, Build build = Build::Whole);
    // A node whose children are the file's top-level elements; null before a successful parse.
    Node* GetRootNode();
    // Appends to out (emptied first) the child elements of node named name (ASCII case ignored:
    // the host tree keeps element names in lower case); returns the count.
    int GetChildElement(Node* node, const std::wstring& name, std::vector<Element*>& out);
    // The first child element of node named name; null when none (or node is null).
    Element* GetChildElement(Node* node, const std::wstring& name);
    // Frees the parsed tree (node must be null: everything is freed).
    void DestroyNodeData(Node* node);

private:
    struct Deferred;
    // Makes the children of node when they were left for later; nothing otherwise.
    void makeDeferredChildren(Node* node);

    std::wstring rootName_;
    std::unique_ptr<Document> document_; // freed by DestroyNodeData and the destructor
    Element* root_ = nullptr;            // in document_
    std::unique_ptr<Deferred> deferred_; // with Build::OnDemand: the elements whose children wait
};
