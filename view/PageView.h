#pragma once

// The page canvas of a document window. So far the services page items and
// the document and the text engine call: the zoom, the document shown, taking
// the focus to draw, the highlighted page, the window's title, ending text
// editing, and adapting pasted paragraph styles and rulers.

#include <memory>
#include <string>
#include <utility>

namespace kit {
class DrawContext;
}
class LayoutDocument;
class Page;
class StyleParagraph;
class TextItem;
struct textPoint;

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
    // D (drawing) calls this; the text cursor belongs to the page view.
    // Moves the blinking text cursor to the point of the column.
    void moveCursorToTextPoint(const textPoint* point, TextItem* column, bool forceErase);

    // The style a paragraph pasted from another document takes here: based
    // on this document's named style of the same name when there is one,
    // else a local style with the pasted values. Nil for no style.
    std::unique_ptr<StyleParagraph> checkPastedParaStyleFor(const StyleParagraph* style,
                                                            const LayoutDocument* fromDocument) const;
    // The same for a given document (nil: no named styles to base on).
    static std::unique_ptr<StyleParagraph> adaptPastedStyle(const StyleParagraph* style,
                                                            const LayoutDocument* document);
    // A copied paragraph style (ruler: its tabs and indents only) applied
    // to the column's selected paragraphs, or to the caret paragraph.
    // False when the data holds no paragraph style.
    bool pasteParagraphFromTypedStream(const std::string& data, bool ruler, TextItem* column);

private:
    Page* highlighted_ = nullptr;        // not owned
    std::string windowTitle_;
    float zoom_ = 1.0f;
    LayoutDocument* document_ = nullptr; // not owned
};
