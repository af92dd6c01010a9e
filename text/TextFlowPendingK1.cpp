// Replaced by the real operation at merge.

#include "text/TextFlow.h"

#include "text/TextParagraph.h"
#include "text/TextSelection.h"

void TextFlow::mouseHandle(const kit::Event&, PageView*, TextItem*) {}

TextItem* TextFlow::selectAll(TextItem* column, PageView* view)
{
    textPoint caret{}, first{}, last{};
    getCurrentTextPoint(&caret);
    firstTextPoint(&first);
    lastTextPoint(&last);
    auto selection = std::make_unique<TextSelection>();
    selection->selectBetween(&first, &last, this, SelectionPara, true);
    setTextSelection(std::move(selection));
    return _finishModifyingInView(view, column, &first, &caret, true);
}

bool TextFlow::selectBetween(const textPoint* a, const textPoint* b, bool endWithParaBreak)
{
    auto selection = std::make_unique<TextSelection>();
    const bool made = selection->selectBetween(a, b, this, endWithParaBreak);
    if (made)
        setTextSelection(std::move(selection));
    else
        removeSelection();
    return made;
}

textPoint* TextFlow::getNewTextPoint(textPoint* tp, std::uint16_t key, TextItem*)
{
    // Both ends run to the paragraph's last point here.
    const TextParagraph* paragraph = tp ? paragraphAtIndex(tp->paragraph) : nullptr;
    if (!paragraph || (key != 0xF72B && key != 0xF7ED))
        return nullptr;
    paragraph->lastTextPoint(tp);
    return tp;
}

void TextFlow::updateFontPanelFromPoint(const textPoint*, TextItem*) {}
void TextFlow::changeFont(kit::Object*, TextItem*) {}
void TextFlow::changeFontAttribute(kit::Object*, TextItem*) {}
void TextFlow::changeKerning(kit::Object*, TextItem*) {}
void TextFlow::setFont(kit::Font*, TextItem*) {}
void TextFlow::setParagraphDefaultFont(kit::Font*, TextItem*) {}
void TextFlow::subscript(kit::Object*, TextItem*) {}
void TextFlow::superscript(kit::Object*, TextItem*) {}
void TextFlow::unscript(kit::Object*, TextItem*) {}
