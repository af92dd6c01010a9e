#pragma once

// A page of a document. So far the services its items call: the document it
// belongs to, its place on the canvas and the coordinate conversions, and
// the re-layout of text when an item's outline changes.

#include "core/Geometry.h"
#include "core/Object.h"

class Item;
class LayoutDocument;

class Page : public kit::Object {
public:
    Page() = default;
    ~Page() override;

    LayoutDocument* document() const { return document_; }
    void setDocument(LayoutDocument* document) { document_ = document; }
    const kit::Rect& pageRect() const { return pageRect_; }
    void setPageRect(const kit::Rect& rect) { pageRect_ = rect; }

    // Page coordinates to the canvas (adds the page origin) and back.
    void convertToView(kit::Point* point) const;
    void convertFromPage(kit::Point* point) const { convertToView(point); }
    void convertToPage(kit::Point* point) const;

    // Re-lays every text flow on the page after an item changed its outline
    // or runaround (the item itself is not consulted). Always YES.
    virtual bool handleOverlaps(Item* item, bool display);

    std::string className() const override { return "Page"; }

private:
    LayoutDocument* document_ = nullptr; // not owned
    kit::Rect pageRect_{};
};
