#pragma once

// The page canvas of a document window. So far the services page items call:
// the zoom, the document shown, and taking the focus to draw.

namespace kit {
class DrawContext;
}
class LayoutDocument;

class PageView {
public:
    PageView() = default;
    virtual ~PageView();

    // 1.0 = 100 %.
    float zoom() const { return zoom_; }
    void setZoom(float zoom) { zoom_ = zoom; }
    LayoutDocument* document() const { return document_; }
    void setDocument(LayoutDocument* document) { document_ = document; }

    // Starts a drawing pass into the context: the context forgets the
    // drawing state items cached in it, and the zoom becomes CMZoomStatus.
    void lockFocus(kit::DrawContext& context);

private:
    float zoom_ = 1.0f;
    LayoutDocument* document_ = nullptr; // not owned
};
