#include "panels/LinkCell.h"

#include "appkit/View.h"
#include "core/Encoding.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"
#include "graphics/Image.h"

#include <cmath>

namespace {

struct ColumnRects {
    kit::Rect image, name, page, change, size;
};

// One set for the whole program, as the inspector's interface file gives it.
ColumnRects& columns()
{
    static ColumnRects rects;
    return rects;
}

// The platform's control colours as grey levels.
constexpr float ControlLightHighlightGray = 1.0f;
constexpr float ControlGray = 2.0f / 3.0f;

} // namespace

void LinkCell::setImageRect(const kit::Rect& rect) { columns().image = rect; }
void LinkCell::setNameRect(const kit::Rect& rect) { columns().name = rect; }
void LinkCell::setPageRect(const kit::Rect& rect) { columns().page = rect; }
void LinkCell::setChangeRect(const kit::Rect& rect) { columns().change = rect; }
void LinkCell::setSizeRect(const kit::Rect& rect) { columns().size = rect; }
kit::Rect LinkCell::imageRect() { return columns().image; }
kit::Rect LinkCell::nameRect() { return columns().name; }
kit::Rect LinkCell::pageRect() { return columns().page; }
kit::Rect LinkCell::changeRect() { return columns().change; }
kit::Rect LinkCell::sizeRect() { return columns().size; }

std::unique_ptr<kit::Cell> LinkCell::copy() const
{
    auto cell = std::make_unique<LinkCell>();
    copySettingsTo(*cell);
    cell->image_ = image_;
    cell->altImage_ = altImage_;
    cell->des_ = des_;
    cell->hgt_ = hgt_;
    cell->filename_ = filename_;
    cell->pageString_ = pageString_;
    cell->changeString_ = changeString_;
    cell->sizeString_ = sizeString_;
    return cell;
}

void LinkCell::setFont(kit::Font* font)
{
    kit::Cell::setFont(font);
    des_ = font ? std::ceil(font->descent()) : 0.0f;
    hgt_ = font ? std::ceil(font->naturalHeight()) : 0.0f;
}

void LinkCell::drawInteriorWithFrame(const kit::Rect& cellFrame, kit::View* controlView)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    const bool chosen = state() == kit::OnState || isHighlighted();
    context->setgray(chosen ? ControlLightHighlightGray : ControlGray);
    context->rectfill(cellFrame);
    drawText(cellFrame, controlView);
    if (chosen) {
        const float x = cellFrame.origin.x;
        const float y = cellFrame.origin.y;
        const float w = cellFrame.size.width;
        context->rectfill(x, y, w, 1);
        context->rectfill(x, y + cellFrame.size.height - 1, w, 1);
    }
}

void LinkCell::drawText(const kit::Rect& cellFrame, kit::View* controlView)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    // The list is a flipped view; a row drawn elsewhere keeps its image the
    // right way up all the same.
    const bool flipped = !controlView || controlView->isFlipped();
    const float h = cellFrame.size.height;
    if (image_) {
        const float imageHeight = image_->size().height;
        const float y = flipped ? cellFrame.origin.y + (h - imageHeight) / 2 : cellFrame.origin.y + h - (h - imageHeight) / 2;
        image_->compositeToPoint(*context, {cellFrame.origin.x + columns().image.origin.x, y},
                                 kit::CompositeOp::SourceOver);
    }
    context->setgray(0.0f);
    kit::Font* font = this->font();
    if (!font)
        return;
    if (context->isDrawingToScreen() && font->screenFont())
        font = font->screenFont();
    const float size = font->pointSize();
    context->setfont(font, kit::Matrix{size, 0, 0, flipped ? -size : size, 0, 0});
    const kit::Point origin = cellFrame.origin;
    drawString(*context, font, filename_, origin, columns().name, hgt_, des_, AlignLeft);
    drawString(*context, font, pageString_, origin, columns().page, hgt_, des_, AlignRight);
    drawString(*context, font, changeString_, origin, columns().change, hgt_, des_, AlignLeft);
    drawString(*context, font, sizeString_, origin, columns().size, hgt_, des_, AlignRight);
}

void drawString(kit::DrawContext& context, const kit::Font* font, const std::optional<std::string>& string,
                kit::Point rowOrigin, const kit::Rect& column, float hgt, float des, int alignment)
{
    if (!string || !font)
        return;
    // File names and dates arrive as UTF-8; the fonts show the documents'
    // character set.
    const std::string bytes = kit::fromUTF8Lossy(kit::Encoding::NeXTSTEP, *string).bytes;
    const float w = font->widthOfString(bytes);
    const float columnWidth = column.size.width;
    const float columnHeight = column.size.height;
    const float x0 = column.origin.x + rowOrigin.x;
    const float y = rowOrigin.y + hgt - des;
    float x = x0;
    if (alignment == LinkCell::AlignRight)
        x = x0 + columnWidth - w;
    else if (alignment == LinkCell::AlignCenter)
        x = x0 + columnWidth / 2 - w / 2;
    const bool clip = w >= columnWidth;
    if (clip) {
        context.gsave();
        context.rectclip(x0, y - columnHeight + des, columnWidth, columnHeight);
    }
    context.moveto(x, y);
    context.show(bytes);
    if (clip)
        context.grestore();
}
