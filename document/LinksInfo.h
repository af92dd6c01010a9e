#pragma once

// The document's graphic links (placed graphics that refer to files), in
// the order added, behind the links panel.

#include "core/Object.h"

#include <vector>

class Item;
class LayoutDocument;

class LinksInfo : public kit::Object {
public:
    LayoutDocument* document() const { return document_; }
    void setDocument(LayoutDocument* document) { document_ = document; }
    bool doesNotifyDocumentPanel() const { return notifyDocumentPanel_; }
    void setNotifyDocumentPanel(bool flag) { notifyDocumentPanel_ = flag; }

    const std::vector<Item*>& links() const { return list_; }
    // nil outside the list.
    Item* linkAtIndex(int i) const;
    unsigned count() const { return static_cast<unsigned>(list_.size()); }
    void empty() { list_.clear(); }
    // Only graphic links are kept; the others are ignored.
    void addLink(Item* link);
    void removeLink(Item* link);
    // How many links cannot find their file.
    int missingLinks() const;

    // The document (conditionally), the links and the panel flag.
    std::string className() const override { return "LinksInfo"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    LayoutDocument* document_ = nullptr; // not owned
    std::vector<Item*> list_;            // not owned
    bool notifyDocumentPanel_ = true;
};
