#pragma once

// The document's graphic links: placed pictures and in-line graphic words
// that show pictures, in the order added, behind the links panel. Entries
// are not owned: one that goes away leaves the list by itself.

#include "core/Object.h"
#include "core/WeakLink.h"

#include <functional>
#include <vector>

class GraphicLink;
class Item;
class LayoutDocument;

class LinksInfo : public kit::Object {
public:
    LayoutDocument* document() const { return document_; }
    void setDocument(LayoutDocument* document) { document_ = document; }
    bool doesNotifyDocumentPanel() const { return notifyDocumentPanel_; }
    void setNotifyDocumentPanel(bool flag) { notifyDocumentPanel_ = flag; }

    // The entries still alive, in order.
    std::vector<GraphicLink*> links() const;
    // nil outside the list.
    GraphicLink* linkAtIndex(int i) const;
    unsigned count() const;
    // How many entries could not find their file at the last check.
    unsigned missingLinks() const;
    void empty() { list_.clear(); }
    // Only graphic links are kept (added without a duplicate check); other
    // objects are ignored. With notifyDocumentPanel set, the links panel is
    // shown the list after each change.
    void addLink(kit::Object* link);
    void removeLink(kit::Object* link);
    // Orders the entries (a stable sort; before: a strict weak order).
    void sortLinks(const std::function<bool(const GraphicLink&, const GraphicLink&)>& before);

    // The row of the placed picture: its own entry, else the first in-line
    // word that holds it; -1 when neither is listed.
    int rowOfItem(const Item* item) const;
    // Asks the links panel to redraw the picture's row, when it is listed.
    void loadCellForItem(const Item* item);

    // The document (conditionally), the links and the panel flag.
    std::string className() const override { return "LinksInfo"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

    // The links panel's side, empty until the panel exists: showing a
    // document's list (inspect:), and redrawing one row of it (loadCellAt:).
    using InspectHook = std::function<void(LinksInfo&)>;
    using LoadCellHook = std::function<void(LinksInfo&, int row)>;
    static InspectHook& inspectHook();
    static LoadCellHook& loadCellHook();

private:
    void pruneGone();

    LayoutDocument* document_ = nullptr; // not owned
    std::vector<kit::WeakLink<GraphicLink>> list_;
    bool notifyDocumentPanel_ = true;
};
