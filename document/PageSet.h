#pragma once

// A run of consecutive collapsed pages, shown on the canvas as one narrow
// strip. Made and thrown away by the document's page layout; it can not be
// hit and holds no items.

#include "document/Page.h"

class PageSet : public Page {
public:
    static void initialize();

    int offset() const { return pageOffset_; }
    void setOffset(int offset) { pageOffset_ = static_cast<short>(offset); }
    unsigned count() const override { return static_cast<unsigned short>(pageCount_); }
    void setCount(unsigned count) { pageCount_ = static_cast<short>(count); }

    // A run can not be hit and sets no cursor rectangle.
    Item* hitAt(kit::Point, const DocumentView*, std::string_view = {}) override { return nullptr; }
    std::vector<Item*> hitInRect(const kit::Rect&, const DocumentView*) override { return {}; }
    Item* hitKnobAt(kit::Point, const DocumentView*, int*) override { return nullptr; }
    Item* hitFill(kit::Point, const DocumentView*) override { return nullptr; }
    Guide* hitGuideAt(kit::Point, const DocumentView*) override { return nullptr; }
    bool setCursorRectInView(DocumentView*) override { return true; }

    // ---- Drawing. On the screen the strip is white with a shadow, a frame,
    // a white tear across it and its page numbers; it draws nothing else.
    bool drawSelfInView(const Paint& paint, const kit::Rect& rect) override;
    // The label of the run ("Page 4", "Pages 4-9"), twice along the strip.
    bool drawPageNumbersInView(const Paint& paint, const kit::Rect& rect) const;
    // The run's label text for a strip of the run's size.
    std::string pageNumbersLabel() const;
    // The pages panel's picture of the run: a framed white strip.
    void drawSelfInImageRep(kit::DrawContext& context, float width, float height) override;

    std::string className() const override { return "PageSet"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

private:
    short pageOffset_ = 0;
    short pageCount_ = 0;
};
