#pragma once

// The strip of page thumbnails of the pages navigator: a one-row matrix of
// PageCells, cell i standing for displayed index i of the document. Each
// cell draws its page's picture with the page number (or the range of a run
// of collapsed pages) under it; unselected cells are washed out.

#include "appkit/Cell.h"
#include "appkit/CellMatrix.h"

#include <memory>
#include <string>

namespace kit {
class Image;
class TextField;
}
class LayoutDocument;

// What the window holding the thumbnails answers: the field used for page
// labels, and the document shown. The navigator implements it.
class ThumbWindow {
public:
    virtual ~ThumbWindow() = default;
    virtual kit::TextField* numberField() const = 0;
    virtual LayoutDocument* document() const = 0;
};

// A cell the matrix draws itself (a button cell would be a Qt button).
class PageCell : public kit::Cell {
public:
    PageCell() = default;
    std::string className() const override { return "PageCell"; }
    std::unique_ptr<kit::Cell> copy() const override;

    // The picture (shared with the prototype's copies).
    void setImage(std::shared_ptr<kit::Image> image) { image_ = std::move(image); }
    kit::Image* image() const { return image_.get(); }

    void drawWithFrame(const kit::Rect& cellFrame, kit::View* controlView) override;
    void highlight(bool flag, const kit::Rect& cellFrame, kit::View* controlView) override;
    // White at half strength over the cell.
    static void dehighlight(const kit::Rect& cellFrame);
    // The label drawn under the picture last (empty: none).
    const std::string& lastLabel() const { return lastLabel_; }

private:
    std::shared_ptr<kit::Image> image_;
    std::string lastLabel_;
};

class ThumbView : public kit::CellMatrix {
public:
    explicit ThumbView(const kit::Rect& frame = {});
    std::string className() const override { return "ThumbView"; }
    // Sets the matrix up in its scroll view, with the picture for the
    // prototype cell; answers the matrix.
    ThumbView* initWithImage(std::shared_ptr<kit::Image> image);
    bool acceptsFirstMouse(const kit::Event&) override { return true; }
};
