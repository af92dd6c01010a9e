// The pieces paragraph drawing is made of: the glyph batch, the decoration
// runs, the draw state kept in line with the context, the marker list and
// the small PostScript procedures.

#include "text/TextParagraphDrawing.h"

#include "foundation/ApplicationDelegate.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"

#include <cmath>
#include <span>
#include <string>

namespace {

kit::ColorRef& forcedTextColor()
{
    static kit::ColorRef color;
    return color;
}

bool sameColor(const kit::ColorRef& a, const kit::ColorRef& b)
{
    if (!a || !b)
        return !a && !b;
    return a == b || a->isEqual(*b);
}

constexpr unsigned short UnderlineBits = StyleUnderlineFlag | StyleWordUnderlineFlag;

const kit::ColorRef& blackText()
{
    static const kit::ColorRef black = kit::Color::blackColor();
    return black;
}

const kit::ColorRef& redlineText()
{
    static const kit::ColorRef red = kit::Color::redColor();
    return red;
}

} // namespace

// ---- Glyph batch.

TextGlyphBatch::TextGlyphBatch(kit::DrawContext& context) : context_(&context)
{
    empty();
}

void TextGlyphBatch::setContext(kit::DrawContext& context)
{
    context_ = &context;
    empty();
}

void TextGlyphBatch::empty()
{
    count_ = 0;
    chars_[0] = ' ';
    moves_[0] = moves_[1] = 0.0f;
}

void TextGlyphBatch::add(unsigned char c, float dx, float dy)
{
    if (count_ >= Capacity)
        flushXYbuff(*this);
    chars_[std::size_t(count_)] = c;
    moves_[std::size_t(2 * count_)] = dx;
    moves_[std::size_t(2 * count_ + 1)] = dy;
    ++count_;
}

void TextGlyphBatch::addVerticalMove(float dy)
{
    if (count_ > 0)
        moves_[std::size_t(2 * count_ - 1)] += dy;
    else
        add(' ', 0.0f, dy);
}

void TextGlyphBatch::addMove(float dx, float dy)
{
    if (count_ == 0)
        return;
    moves_[std::size_t(2 * count_ - 2)] += dx;
    moves_[std::size_t(2 * count_ - 1)] += dy;
}

void flushXYbuff(TextGlyphBatch& batch)
{
    if (batch.count_ > 0) {
        const auto n = std::size_t(batch.count_);
        kit::DrawContext& context = *batch.context_;
        if (context.currentfont().isSet()) {
            context.xyshow(std::string_view(reinterpret_cast<const char*>(batch.chars_.data()), n),
                           std::span<const float>(batch.moves_.data(), 2 * n));
        } else {
            // Nothing can be shown before a font is set (a paragraph that
            // starts with blanks in a style without one), but the moves
            // still place what follows.
            float dx = 0, dy = 0;
            for (std::size_t i = 0; i < n; ++i) {
                dx += batch.moves_[2 * i];
                dy += batch.moves_[2 * i + 1];
            }
            context.rmoveto(dx, dy);
        }
    }
    batch.empty();
}

void flushXYbuffIfNeeded(TextGlyphBatch& batch)
{
    const kit::DrawContext& context = batch.context();
    const bool large = context.isDrawingToScreen() || context.isEPSOperation();
    if (batch.count() >= (large ? TextGlyphBatch::ScreenFlushAt : TextGlyphBatch::PrintFlushAt))
        flushXYbuff(batch);
}

// ---- Decoration runs.

void TextDecorations::reset()
{
    normalAscent = 3.0f;
    redlineAscent = 6.0f;
    underlineList.clear();
    dblUnderList.clear();
    strikeoutList.clear();
    redlineList.clear();
}

bool TextDecorations::any() const
{
    return !underlineList.empty() || !dblUnderList.empty() || !strikeoutList.empty() || !redlineList.empty();
}

namespace {

void extendLast(std::vector<TextDecorationRun>& list, float x)
{
    if (!list.empty())
        list.back().width = x - list.back().x;
}

} // namespace

void addUnderline(TextDecorations& runs, float x, float y, const kit::ColorRef& color)
{
    runs.underlineList.push_back({x, y, 0.0f, color});
}

void extendUnderlineTo(TextDecorations& runs, float x) { extendLast(runs.underlineList, x); }

void addDblUnder(TextDecorations& runs, float x, float y, const kit::ColorRef& color)
{
    runs.dblUnderList.push_back({x, y, 0.0f, color});
}

void extendDblUnderTo(TextDecorations& runs, float x) { extendLast(runs.dblUnderList, x); }

void addStrikeout(TextDecorations& runs, float x, float y) { runs.strikeoutList.push_back({x, y, 0.0f, nullptr}); }

void extendStrikeoutTo(TextDecorations& runs, float x) { extendLast(runs.strikeoutList, x); }

void addRedline(TextDecorations& runs, float x, float y) { runs.redlineList.push_back({x, y, 0.0f, nullptr}); }

void extendRedlineTo(TextDecorations& runs, float x) { extendLast(runs.redlineList, x); }

void drawSpecials(kit::DrawContext& context, const TextDecorations& runs, kit::ColorRef colorInForce)
{
    if (!runs.any())
        return;
    context.setlinewidth(0.5f);
    auto inColor = [&](const kit::ColorRef& color) {
        if (color && !sameColor(color, colorInForce)) {
            TextSetColor(context, *color);
            colorInForce = color;
        }
    };
    // A run that never grew draws nothing: it is left out.
    for (const TextDecorationRun& run : runs.underlineList) {
        if (run.width == 0.0f)
            continue;
        inColor(run.color);
        PSWdrawUnderline(context, run.x, run.y, run.width);
    }
    for (const TextDecorationRun& run : runs.dblUnderList) {
        if (run.width == 0.0f)
            continue;
        inColor(run.color);
        PSWdrawDoubleUnderline(context, run.x, run.y, run.width);
    }
    for (const TextDecorationRun& run : runs.strikeoutList) {
        if (run.width == 0.0f)
            continue;
        inColor(blackText());
        PSWdrawStrikeout(context, run.x, run.y - runs.normalAscent, run.width);
    }
    for (const TextDecorationRun& run : runs.redlineList) {
        if (run.width == 0.0f)
            continue;
        inColor(redlineText());
        PSWdrawRedline(context, run.x, run.y - runs.redlineAscent, run.width);
    }
}

// ---- Draw state.

void TextDrawState::reset(kit::DrawContext& context)
{
    state.setDefaultValues();
    fontSet = false;
    runs.reset();
    batch.setContext(context);
}

void endDecorationsOfState(TextDrawState& draw, float x)
{
    const unsigned short s = draw.state.special();
    if (s & StyleRedlineFlag)
        extendRedlineTo(draw.runs, x);
    if (s & StyleStrikeoutFlag)
        extendStrikeoutTo(draw.runs, x);
    if (s & UnderlineBits)
        extendUnderlineTo(draw.runs, x);
    if (s & StyleDoubleUnderlineFlag)
        extendDblUnderTo(draw.runs, x);
}

void startDecorationsOfState(TextDrawState& draw, float x, float y)
{
    const unsigned short s = draw.state.special();
    if (s & StyleRedlineFlag)
        addRedline(draw.runs, x, y);
    if (s & StyleStrikeoutFlag)
        addStrikeout(draw.runs, x, y);
    if (s & UnderlineBits)
        addUnderline(draw.runs, x, y, draw.state.color());
    if (s & StyleDoubleUnderlineFlag)
        addDblUnder(draw.runs, x, y, draw.state.color());
}

void adjustDrawStateForStyleChar(TextDrawState& draw, const StyleChar* style, float x, float y)
{
    if (!style)
        return;
    kit::Font* font = style->font();
    if (!font && Main)
        font = Main->font();
    if (!font)
        return;
    StyleChar& t = draw.state;
    kit::DrawContext& context = draw.batch.context();
    if (!draw.fontSet || font != t.font()) {
        flushXYbuff(draw.batch);
        t.setFont(font);
        draw.fontSet = true;
        TextSetFont(context, font);
    }
    if (!sameColor(t.color(), style->color())) {
        flushXYbuff(draw.batch);
        t.setColor(style->color());
        if (t.color())
            TextSetColor(context, *t.color());
        if ((t.special() & UnderlineBits) && (style->special() & UnderlineBits)) {
            extendUnderlineTo(draw.runs, x);
            addUnderline(draw.runs, x, y, t.color());
        }
    }
    const unsigned short had = t.special();
    const unsigned short has = style->special();
    if (had != has) {
        auto follow = [&](unsigned short bits, auto extend, auto start) {
            const bool before = had & bits, after = has & bits;
            if (before && !after)
                extend(x);
            else if (after && !before)
                start();
        };
        follow(StyleRedlineFlag, [&](float at) { extendRedlineTo(draw.runs, at); },
               [&] { addRedline(draw.runs, x, y); });
        follow(StyleStrikeoutFlag, [&](float at) { extendStrikeoutTo(draw.runs, at); },
               [&] { addStrikeout(draw.runs, x, y); });
        follow(UnderlineBits, [&](float at) { extendUnderlineTo(draw.runs, at); },
               [&] { addUnderline(draw.runs, x, y, t.color()); });
        follow(StyleDoubleUnderlineFlag, [&](float at) { extendDblUnderTo(draw.runs, at); },
               [&] { addDblUnder(draw.runs, x, y, t.color()); });
        t.setSpecial(has);
    }
    if (std::trunc(t.vertical() - style->vertical()) != 0.0f) {
        // Raised text moves up: y runs downward in a column.
        draw.batch.addVerticalMove(t.vertical() - style->vertical());
        t.setVertical(style->vertical());
    }
}

void TextSetFont(kit::DrawContext& context, kit::Font* font)
{
    if (!font)
        return;
    // Flipped against the page's or window's own user space, which runs up.
    const bool flipped =
        (context.currentmatrix().determinant() < 0.0) != (context.defaultMatrix().determinant() < 0.0);
    // The font as it is drawn in one operator (selecting it and then
    // flipping it would send it twice), and none when it is already set.
    const float size = font->pointSize();
    context.setfontCached(font, kit::Matrix{size, 0, 0, flipped ? -size : size, 0, 0});
}

void TextSetColor(kit::DrawContext& context, const kit::Color& color)
{
    const kit::ColorRef& forced = forcedTextColor();
    context.setColor(forced ? *forced : color);
}

TextForcedColorScope::TextForcedColorScope(kit::ColorRef color) : previous_(forcedTextColor())
{
    forcedTextColor() = std::move(color);
}

TextForcedColorScope::~TextForcedColorScope()
{
    forcedTextColor() = previous_;
}

const kit::ColorRef& TextForcedColorScope::forcedColor()
{
    return forcedTextColor();
}

// ---- Procedures.

void PSWdrawEditBox(kit::DrawContext& context, float gray, float x, float y, float w, float h)
{
    context.gsave();
    context.setgray(gray);
    context.rectfill(x, y, w, h);
    context.grestore();
}

void PSWdrawCursor(kit::DrawContext& context, float gray, float x, float y, float h)
{
    context.setgray(gray);
    context.setlinewidth(0.0f);
    context.moveto(x, y);
    context.rlineto(0.0f, h);
    context.stroke();
}

void PSWdrawUnderline(kit::DrawContext& context, float x, float y, float w)
{
    context.moveto(x, y + 1.0f);
    context.rlineto(w, 0.0f);
    context.stroke();
}

void PSWdrawDoubleUnderline(kit::DrawContext& context, float x, float y, float w)
{
    context.moveto(x, y + 1.0f);
    context.rlineto(w, 0.0f);
    context.rmoveto(0.0f, 2.0f);
    context.rlineto(-w, 0.0f);
    context.stroke();
}

void PSWdrawStrikeout(kit::DrawContext& context, float x, float y, float w)
{
    context.moveto(x, y);
    context.rlineto(w, 0.0f);
    context.stroke();
}

void PSWdrawRedline(kit::DrawContext& context, float x, float y, float w)
{
    PSWdrawStrikeout(context, x, y, w);
}

void PSWdrawTab(kit::DrawContext& context, float x, float y, float w)
{
    context.gsave();
    context.setlinewidth(1.0f);
    context.setgray(TextMarkerGray);
    context.moveto(x + 0.5f, y - 3.0f);
    context.rlineto(0.0f, 3.0f);
    context.rlineto(w - 1.0f, 0.0f);
    context.rlineto(0.0f, -3.0f);
    context.stroke();
    context.grestore();
}

void PSWoverdrawToken(kit::DrawContext& context, float x, float y, float w, float h)
{
    context.gsave();
    context.setlinewidth(1.0f);
    context.setgray(TextMarkerGray);
    context.rectstroke(x, y, w, h);
    context.moveto(x, y + h - 2.0f);
    context.rlineto(w, 0.0f);
    context.stroke();
    context.grestore();
}

void PSWdrawHeader(kit::DrawContext& context, float x, float y)
{
    context.gsave();
    context.setlinewidth(1.0f);
    context.setgray(TextMarkerGray);
    context.rectstroke(x, y, -6.0f, -8.0f);
    context.rectfill(x, y - 5.0f, -6.0f, -3.0f);
    context.grestore();
}

void PSWdrawFooter(kit::DrawContext& context, float x, float y)
{
    context.gsave();
    context.setlinewidth(1.0f);
    context.setgray(TextMarkerGray);
    context.rectstroke(x, y, -6.0f, -8.0f);
    context.rectfill(x, y, -6.0f, -3.0f);
    context.grestore();
}

void PSWcondenseCurrentFont(kit::DrawContext& context, float c)
{
    context.makefont(kit::Matrix{c, 0, 0, 1, 0, 0});
}

void PSWflipCurrentFont(kit::DrawContext& context)
{
    context.makefont(kit::Matrix{1, 0, 0, -1, 0, 0});
}

// ---- Text markers.

bool TextMarkerList::add(unsigned char glyph, float x, float y)
{
    if (count() >= Capacity)
        return false;
    glyphs_.push_back(glyph);
    xs_.push_back(x);
    ys_.push_back(y);
    return true;
}

bool TextMarkerList::replaceLast(unsigned char glyph)
{
    if (glyphs_.empty())
        return false;
    glyphs_.back() = glyph;
    return true;
}

void TextMarkerList::clear()
{
    glyphs_.clear();
    xs_.clear();
    ys_.clear();
}

void TextMarkerList::show(kit::DrawContext& context, float startY) const
{
    std::string text(1, ' ');
    text.append(glyphs_.begin(), glyphs_.end());
    std::vector<float> moves;
    moves.reserve(2 * text.size());
    float x = 0.0f, y = startY;
    for (std::size_t i = 0; i < glyphs_.size(); ++i) {
        moves.push_back(xs_[i] - x);
        moves.push_back(ys_[i] - y);
        x = xs_[i];
        y = ys_[i];
    }
    moves.push_back(0.0f);
    moves.push_back(0.0f);
    context.moveto(0.0f, startY);
    context.xyshow(text, moves);
}
