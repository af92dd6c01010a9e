// A run of collapsed pages draws itself as a torn white strip with its page
// numbers; printing and thumbnails have no use for its decorations.

#include "document/PageSet.h"

#include "document/LayoutDocument.h"
#include "foundation/CMGeometry.h"
#include "foundation/PageNumbers.h"
#include "foundation/Paint.h"
#include "foundation/StyleSheetEntry.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"
#include "items/Item.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

constexpr const char* LabelFont = "Helvetica";
constexpr float LabelSize = 12.0f;

float usableZoom(float zoom) { return zoom > 0.0f && std::isfinite(zoom) ? zoom : 1.0f; }

std::vector<std::string> splitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    for (std::size_t at; (at = text.find('\n', from)) != std::string::npos; from = at + 1)
        lines.push_back(text.substr(from, at - from));
    lines.push_back(text.substr(from));
    return lines;
}

} // namespace

std::string PageSet::pageNumbersLabel() const
{
    const LayoutDocument* document = this->document();
    const int format = document ? document->pageNumberFormat() : 0;
    const int first = document ? document->numberOfIndex(offset()) : offset() + 1;
    const std::string a = pageNumberString(first, format);
    if (count() <= 1)
        return StyleSheetEntry::stringForKey("Page") + "\n" + a;
    const std::string b = pageNumberString(first + int(count()) - 1, format);
    const kit::Size size = pageRect().size;
    kit::Font* font = kit::Font::fontWithName(LabelFont, LabelSize);
    const float joined = font ? font->widthOfString(a + "-" + b) : 0.0f;
    // A narrow strip that can not hold both numbers on a line stacks them.
    if (size.width < size.height && joined >= size.width)
        return StyleSheetEntry::stringForKey("Pages") + "\n" + a + "\n" + b;
    return StyleSheetEntry::stringForKey("Pages") + "\n" + a + "-" + b;
}

bool PageSet::drawPageNumbersInView(const Paint& paint, const kit::Rect& rect) const
{
    if (!paint.context)
        return false;
    kit::DrawContext& context = *paint.context;
    kit::Font* font = kit::Font::fontWithName(LabelFont, LabelSize);
    if (!font)
        return false;
    const std::vector<std::string> lines = splitLines(pageNumbersLabel());
    const float lineHeight = font->ascender() - font->descender();
    float fw = 0.0f;
    for (const std::string& line : lines)
        fw = std::max(fw, font->widthOfString(line));
    fw += 4.0f;
    const float fh = lineHeight * float(lines.size()) + 2.0f;
    const kit::Rect strip = pageRect();
    const float w = strip.size.width, h = strip.size.height;
    kit::Rect frames[2];
    if (w < h) {
        const float x = (w - fw) / 2.0f + strip.origin.x;
        frames[0] = kit::makeRect(x, strip.origin.y + 20.0f, fw, fh);
        frames[1] = kit::makeRect(x, strip.origin.y + h - 20.0f - fh, fw, fh);
    } else {
        const float y = (h - fh) / 2.0f + strip.origin.y;
        frames[0] = kit::makeRect(strip.origin.x + 20.0f, y, fw, fh);
        frames[1] = kit::makeRect(strip.origin.x + w - 20.0f - fw, y, fw, fh);
    }
    // Upright on a canvas whose coordinates run down.
    const bool flipped = (context.currentmatrix().determinant() < 0.0) != (context.defaultMatrix().determinant() < 0.0);
    for (const kit::Rect& frame : frames) {
        if (!kit::isEmptyRect(rect) && !kit::intersectsRect(frame, rect))
            continue;
        context.gsave();
        context.setgray(1.0f);
        context.rectfill(frame);
        context.setgray(1.0f / 3.0f);
        context.setfont(font, kit::Matrix{LabelSize, 0, 0, flipped ? -LabelSize : LabelSize, 0, 0});
        float baseline = frame.origin.y + 1.0f + font->ascender();
        for (const std::string& line : lines) {
            context.moveto(frame.origin.x + (fw - font->widthOfString(line)) / 2.0f, baseline);
            context.show(line);
            baseline += lineHeight;
        }
        context.grestore();
    }
    return true;
}

bool PageSet::drawSelfInView(const Paint& paint, const kit::Rect& rect)
{
    if (!paint.context)
        return false;
    const float t = 3.0f / usableZoom(paint.zoom);
    const kit::Rect strip = pageRect();
    const kit::Rect area = kit::isEmptyRect(rect) ? kit::insetRect(strip, -t, -t) : rect;
    if (!kit::intersectsRect(kit::insetRect(strip, -t, -t), area))
        return false;
    kit::DrawContext& context = *paint.context;
    kit::DrawContext::Scope current(context);
    // Printing shows nothing of a run.
    if (!paint.screen)
        return true;
    context.gsave();
    context.setgray(1.0f);
    context.rectfill(strip);
    Item::resetColor(context);
    drawPageNumbersInView(paint, area);
    context.translate(strip.origin.x, strip.origin.y);
    const float w = strip.size.width, h = strip.size.height;
    const kit::Rect local = kit::offsetRect(area, -strip.origin.x, -strip.origin.y);
    context.setColor(*kit::Color::darkGrayColor());
    for (const kit::Rect& shadow : {kit::makeRect(w, t, t, h), kit::makeRect(t, h, w - t, t)})
        if (kit::intersectsRect(shadow, local))
            context.rectfill(shadow);
    const float inset = 2.0f / usableZoom(paint.zoom);
    if (!kit::containsRect(kit::insetRect(kit::makeRect(0, 0, w, h), inset, inset), local)) {
        context.setgray(0.0f);
        context.frameRect(kit::makeRect(0, 0, w, h), 1.0f / usableZoom(paint.zoom));
    }
    // The tear: a white band across the strip.
    context.setgray(1.0f);
    context.newpath();
    if (w < h) {
        context.moveto(0, 0.45f * h);
        context.rlineto(w + t, -0.1f * h);
        context.rlineto(0, 0.15f * h);
        context.rlineto(-w - t, 0.1f * h);
    } else {
        context.moveto(0.45f * w, 0);
        context.rlineto(0.15f * w, 0);
        context.rlineto(0.10f * w, h + t);
        context.rlineto(-0.15f * w, 0);
    }
    context.closepath();
    context.fill();
    context.grestore();
    Item::resetAll(context);
    return true;
}

void PageSet::drawSelfInImageRep(kit::DrawContext& context, float width, float height)
{
    kit::DrawContext::Scope current(context);
    context.compositerect(0, 0, width, height, kit::CompositeOp::Clear);
    const kit::Size strip = pageRect().size;
    // A strip of no height has no scale: the smallest picture.
    const float s = strip.height > 0.0f && std::isfinite(strip.height) ? (height - 4.0f) / strip.height : 0.0f;
    const float tw = std::max(s * strip.width, 12.0f), th = std::max(s * strip.height, 12.0f);
    if (!std::isfinite(tw) || !std::isfinite(th))
        return;
    const kit::Rect r = kit::makeRect((width - tw - 2.0f) / 2.0f, (height - th - 2.0f) / 2.0f + 2.0f, tw, th);
    const kit::Rect pieces[2] = {kit::offsetRect(r, 2.0f, -2.0f), r};
    const float grays[2] = {0.0f, 1.0f};
    context.rectfillListWithGrays(pieces, grays);
    context.setgray(0.0f);
    context.frameRect(r);
    Item::resetAll(context);
}
