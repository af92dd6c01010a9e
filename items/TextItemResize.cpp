// A column's drawn extent (its frame widened by hung punctuation) and its
// sizing: ordinary text is laid out again in the new frame, display text
// scales its type to the frame instead.

#include "items/TextItem.h"

#include "core/Alert.h"
#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cmath>
#include <typeinfo>

namespace {

std::string stringForKey(const char* key) { return Main ? Main->valueForStringKey(key) : key; }

// Nearly equal factors scale both ways by the larger one.
void evenOut(double* sx, double sy)
{
    if (std::fabs(*sx - sy) < 0.01 && std::fabs(*sx) < std::fabs(sy))
        *sx = sy;
}

} // namespace

kit::Rect TextItem::bounds() const
{
    const float left = hangLeft();
    return kit::makeRect(-left, 0.0f, left + frame_.size.width + hangRight(), frame_.size.height);
}

void TextItem::getUpdateBounds(kit::Rect* rect, const DocumentView* view) const
{
    if (rect)
        *rect = updateBoundsAtZoom(view && view->zoom() > 0.0f ? view->zoom() : 1.0f);
}

kit::Rect TextItem::updateBoundsAtZoom(float zoom) const
{
    kit::Rect bounds;
    kit::Rect* rect = &bounds;
    Item::getUpdateBounds(rect, nullptr);
    if (isDisplay()) {
        const TextParagraph* last = flow_ ? flow_->lastParagraph() : nullptr;
        if (kit::Font* font = last ? last->font() : nullptr)
            rect->size.height += font->descent() + 2.0f;
    } else {
        const LayoutDocument* document = pageDocument();
        // Room for the continuation marker, drawn by the page-layout
        // document only (not by its subclasses).
        if (isSelected() && document && document->showTextRects() && typeid(*document) == typeid(LayoutDocument)) {
            // The marker stands beside the frame's lower right corner, above
            // its top in a frame lower than the marker; its outline straddles
            // the marker's edge.
            kit::Rect marker{};
            getTContinueRect(this, zoom, &marker, false);
            *rect = kit::unionRect(*rect, kit::insetRect(marker, -1.0f / zoom, -1.0f / zoom));
        }
    }
    const float left = hangLeft();
    rect->origin.x -= left;
    rect->size.width += left + hangRight();
    return bounds;
}

void TextItem::getActualBounds(kit::Rect* rect, const DocumentView* view) const
{
    if (!rect)
        return;
    Item::getUpdateBounds(rect, view);
    const float left = hangLeft();
    rect->origin.x -= left;
    rect->size.width += left + hangRight();
}

bool TextItem::isHitAt(kit::Point point, const DocumentView* view) const
{
    if (ItemBox::isHitAt(point, view))
        return true;
    kit::Rect actual;
    getActualBounds(&actual, view);
    return kit::mouseInRect(point, actual, true);
}

bool TextItem::shouldDrawInRect(const kit::Rect& rect) const
{
    if (Item::shouldDrawInRect(rect))
        return true;
    if (!itFlags_.shown)
        return false;
    // Wherever the column draws: hung punctuation and the marker too.
    kit::Rect wide;
    getUpdateBounds(&wide, nullptr);
    return kit::intersectsRect(wide, rect);
}

void TextItem::setFrame(const kit::Rect& frame, bool recompute)
{
    if (isDisplay()) {
        ItemBox::setFrame(frame, recompute);
    } else {
        sizeTo(frame.size.width, frame.size.height, recompute);
        moveTo(frame.origin.x, frame.origin.y, recompute);
    }
    changed_ = true;
}

void TextItem::sizeTo(float width, float height, bool recompute)
{
    // Whole points only: a change under a point both ways is none.
    if (std::trunc(width - frame_.size.width) == 0.0f && std::trunc(height - frame_.size.height) == 0.0f)
        return;
    if (width < 1.0f)
        width = 10.0f;
    if (height < 1.0f)
        height = 10.0f;
    if (isDisplay() && !itFlags_.editing && frame_.size.width != 0.0f && frame_.size.height != 0.0f) {
        double sx = double(width) / double(frame_.size.width);
        const double sy = double(height) / double(frame_.size.height);
        if (sx != 1.0 || sy != 1.0) {
            evenOut(&sx, sy);
            itFlags_.editing = 1;
            scaleBy(sx, sy);
            itFlags_.editing = 0;
        }
    }
    ItemBox::sizeTo(width, height, recompute);
    if (!isDisplay()) {
        if (flow_)
            flow_->dirtyInItem(this);
        setDirty(true);
    }
    if (recompute)
        this->recompute();
    changed_ = true;
}

void TextItem::sizeHeadlineTo(float width, float height)
{
    // The area it leaves joins the next redisplay.
    if (LayoutDocument* document = pageDocument())
        document->invalidate(document->mainView(), {this});
    const kit::Size was = frame_.size;
    // Lines that a negative leading sets upwards add up to less than
    // nothing: the frame keeps no height then rather than a negative one,
    // which no bounds, hit or redraw could take in.
    Item::sizeTo(std::max(width, 0.0f), std::max(height, 0.0f), false);
    changed_ = true;
    // The lines were laid out in the old width and stay where they are: ink
    // that reached past the old edge reaches as far past the new one, and
    // the column draws and repaints that far until a layout measures again.
    const float narrower = was.width - frame_.size.width;
    hangRight_ = std::max(0.0f, hangRight_ + narrower);
    screenHangRight_ = std::max(0.0f, screenHangRight_ + narrower);
    if (hasRunaround() && (frame_.size.width != was.width || frame_.size.height != was.height))
        headlineResized_ = true;
}

void TextItem::scaleBy(double sx, double sy)
{
    if (!isDisplay() || !flow_)
        return;
    TextParagraph* paragraph = flow_->currentParagraph();
    StyleParagraph* style = paragraph ? paragraph->paragraphStyle() : nullptr;
    if (!style)
        return;
    if (style->isNamedStyle()) {
        kit::beep();
        kit::runAlertPanel(stringForKey("Resize"), stringForKey("ResizeHeadlineStyle"), "", "", "");
        return;
    }
    int lineBreaks = 0;
    for (const auto& word : paragraph->wordList())
        if (word->isSpecialType(TextWordLineBreak))
            ++lineBreaks;
    if (paragraph->wordCount() == 0 || (paragraph->wordCount() == 1 && paragraph->firstWord()->length() < 2))
        return;
    StyleChar* chars = style->charStyle();
    if (sx == 1.0 && sy != 1.0) {
        // Vertical only: the line height of a headline broken into lines.
        if (lineBreaks == 0)
            return;
        const float leading = style->absoluteLeading();
        if (leading > StyleAutoLeadingThreshold) {
            const float size = style->pointSize();
            style->setLeading(float(sy * double(leading - StyleAutoLeading + size)) - size + StyleAutoLeading);
        } else {
            return;
        }
    } else if (sx != 1.0 && sy == 1.0) {
        style->setWordSpace(float(double(style->wordSpace()) * sx));
        if (chars)
            chars->setCondense(float(double(chars->condense()) * sx));
    } else if (sx != 1.0 && sy != 1.0) {
        evenOut(&sx, sy);
        // Type size follows the height; what the width asks beyond that is
        // taken up by the condense factor.
        auto scale = [&](StyleChar* s) {
            s->scaleBy(sy);
            if (sx != sy)
                s->setCondense(float(double(s->condense()) * sx / sy));
        };
        if (chars)
            scale(chars);
        for (const auto& word : paragraph->wordList())
            if (const auto* styles = word->theStyles())
                for (const auto& s : *styles)
                    if (s)
                        scale(s.get());
    } else {
        return;
    }
    paragraph->recomputeAllWords();
    paragraph->recompute();
}
