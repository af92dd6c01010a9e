// A flow draws what one column shows of it: the paragraphs from the
// column's start point to its end point, then, on screen, the selection.

#include "text/TextFlow.h"

#include "core/Color.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"
#include "items/TextItem.h"
#include "text/TextParagraph.h"
#include "text/TextParagraphDrawing.h"
#include "text/TextSelection.h"

#include <algorithm>
#include <cstdio>
#include <optional>

bool TextFlow::drawSelfInView(const Paint& paint, TextItem* column, const kit::Rect& bounds, int from, int to,
                              bool white)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context || !column)
        return false;
    // The column's text is laid out before it is shown.
    layoutThrough(column);
    const textPoint& start = column->startPoint();
    if (start.paragraph < 0 || from > paragraphCount())
        return false;
    int startWord = 0, startLetter = 0;
    if (from <= start.paragraph) {
        from = start.paragraph;
        startWord = std::max(start.word, 0);
        startLetter = std::max(start.letter, 0);
    }
    to = std::min(to, column->endParagraph());

    // Erasing must take every colour the text sets, not only black.
    std::optional<TextForcedColorScope> erase;
    if (white)
        erase.emplace(kit::Color::colorWithGray(1.0f));
    TextSetColor(*context, *kit::Color::colorWithDeviceCyan(0.0f, 0.0f, 0.0f, 1.0f, 1.0f));
    context->setalpha(1.0f);

    const bool screen = context->isDrawingToScreen();
    bool more = false;
    for (int i = from; i < paragraphCount(); ++i) {
        TextParagraph* paragraph = paragraphAtIndex(i);
        if (!paragraph) {
            std::printf("Error: paragraph %d is nil\n", i);
            continue;
        }
        // Ink reaches past the border box by up to about a line; the clip
        // keeps what shows of it. Across, only the drawn area counts: an
        // indent wider than the column is cut back by the layout, so the
        // lines stand left of the border the style asks for.
        const kit::Font* font = paragraph->font();
        const float reach = font ? std::max(font->pointSize(), 1.0f) : 12.0f;
        kit::Rect near = kit::insetRect(paragraph->borderInItem(column), -reach, -reach);
        near.origin.x = bounds.origin.x;
        near.size.width = bounds.size.width;
        if (column->isTransformed() || kit::intersectsRect(near, bounds))
            paragraph->drawSelfInView(paint, column, bounds, i == from ? startWord : 0, i == from ? startLetter : 0);
        if (i >= to) {
            more = i + 1 < paragraphCount();
            break;
        }
    }
    // The highlight inverts: drawn in an erasing or shadow pass too, it
    // would take itself away again.
    if (screen && textSelection_ && !TextForcedColorScope::forcedColor())
        textSelection_->drawSelfInItem(column, paint);
    return more;
}

bool TextFlow::whiteSelfInView(const Paint& paint, TextItem* column, const kit::Rect& bounds)
{
    return drawSelfInView(paint, column, bounds, 0, 0x7FFFFFFF, true);
}
