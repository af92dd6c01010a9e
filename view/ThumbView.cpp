// Page thumbnails: the navigator's matrix and the cell that draws one page
// picture with its label.

#include "view/ThumbView.h"

#include "appkit/ClipView.h"
#include "appkit/ScrollView.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/PageNumbers.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"
#include "graphics/Image.h"

#include <cstddef>

std::unique_ptr<kit::Cell> PageCell::copy() const
{
    auto cell = std::make_unique<PageCell>();
    copySettingsTo(*cell);
    cell->image_ = image_;
    return cell;
}

void PageCell::dehighlight(const kit::Rect& cellFrame)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    context->gsave();
    context->setgray(1.0f);
    context->setalpha(0.5f);
    context->compositerect(cellFrame.origin.x, cellFrame.origin.y, cellFrame.size.width, cellFrame.size.height,
                           kit::CompositeOp::SourceOver);
    context->setalpha(1.0f);
    context->grestore();
}

void PageCell::drawWithFrame(const kit::Rect& cellFrame, kit::View* controlView)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    lastLabel_.clear();
    auto* holder = controlView ? dynamic_cast<ThumbWindow*>(controlView->window()) : nullptr;
    LayoutDocument* doc = holder ? holder->document() : nullptr;
    if (image_)
        image_->drawInRect(*context, kit::insetRect(cellFrame, 2.0f, 2.0f));
    // After pages were deleted a cell may outlast its entry: it shows no
    // label then.
    if (doc && tag() >= 0 && tag() < doc->numDisplayedPages()) {
        const int n = doc->numberOfDisplayedIndex(tag());
        const Page* entry = doc->displayedPageAt(tag());
        const int c = entry ? static_cast<int>(entry->count()) : 1;
        lastLabel_ = pageRangeString(n, c < 2 ? 0 : n + c - 1, doc->pageNumberFormat());
        kit::TextField* field = holder->numberField();
        if (field)
            field->setStringValue(lastLabel_);
        kit::Font* font = field && field->font() ? field->font() : kit::Font::fontWithName("Helvetica", 9.0f);
        if (font) {
            const float size = font->pointSize();
            const float width = font->widthOfString(lastLabel_);
            const float height = size;
            const bool flipped = controlView->isFlipped();
            const float x = cellFrame.origin.x + (cellFrame.size.width - width) / 2.0f;
            // The label's bottom 6 above the frame's bottom edge.
            const float y = flipped ? kit::maxY(cellFrame) - 6.0f : cellFrame.origin.y + 6.0f;
            context->gsave();
            context->setgray(1.0f);
            context->rectfill(x - 2, flipped ? y - height : y, width + 4, height);
            context->setgray(0.0f);
            context->setfont(font, kit::Matrix{size, 0, 0, flipped ? -size : size, 0, 0});
            context->moveto(x, flipped ? y - 2.0f : y + 2.0f);
            context->show(lastLabel_);
            context->grestore();
        }
    }
    if (state() == kit::OffState && !isHighlighted())
        dehighlight(cellFrame);
}

void PageCell::highlight(bool flag, const kit::Rect& cellFrame, kit::View* controlView)
{
    if (flag == isHighlighted())
        return;
    setHighlighted(flag);
    if (!controlView || !controlView->canDraw())
        return;
    controlView->lockFocus();
    // Washing out needs no new picture; full strength does.
    if (!isHighlighted() && state() == kit::OffState)
        dehighlight(cellFrame);
    else
        drawWithFrame(cellFrame, controlView);
    controlView->unlockFocus();
}

ThumbView::ThumbView(const kit::Rect& frame)
    : kit::CellMatrix(frame, kit::MatrixMode::List)
{
}

ThumbView* ThumbView::initWithImage(std::shared_ptr<kit::Image> image)
{
    if (kit::View* up = superview())
        setFrame(up->bounds());
    setCellFactory([] { return std::make_unique<PageCell>(); });
    setMode(kit::MatrixMode::List);
    setBackgroundColor(kit::Color::whiteColor());
    setIntercellSpacing(kit::makeSize(6.0f, 2.0f));
    setCellSize(kit::makeSize(47.0f, frame().size.height - 2.0f));
    auto prototype = std::make_unique<PageCell>();
    prototype->setImage(std::move(image));
    prototype->setBordered(false);
    prototype->setBezeled(false);
    prototype->setTag(0);
    setPrototype(std::move(prototype));
    if (numberOfRows() == 0)
        renewRows(1, 0);
    addColumn();
    return this;
}
