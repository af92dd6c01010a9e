#pragma once

// The page canvas of a document window. So far the services page items and
// the document call: the zoom, the document shown, taking the focus to draw,
// the highlighted page, the window's title and ending text editing.

#include <string>
#include <utility>

namespace kit {
class DrawContext;
}
class LayoutDocument;
class Page;

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

    // The active page is shown highlighted; the drawing reads this.
    void highlight(Page* page, bool flag);
    Page* highlightedPage() const { return highlighted_; }
    // The title of the view's window.
    const std::string& windowTitle() const { return windowTitle_; }
    void setWindowTitle(std::string title) { windowTitle_ = std::move(title); }
    // Closes the text column being edited, if any.
    void endEditing();

private:
    Page* highlighted_ = nullptr;        // not owned
    std::string windowTitle_;
    float zoom_ = 1.0f;
    LayoutDocument* document_ = nullptr; // not owned
};
