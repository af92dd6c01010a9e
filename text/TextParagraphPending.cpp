// Replaced by the paragraph layout at merge.

#include "text/TextParagraph.h"

#include "foundation/StyleParagraph.h"
#include "items/TextItem.h"

float TextParagraph::spaceBefore() const { return paragraphStyle_->spaceBefore(); }

float TextParagraph::spaceAfter() const { return paragraphStyle_->spaceAfter(); }

float TextParagraph::spaceBetween() const { return paragraphStyle_->spaceBetween(); }

TextItem* TextParagraph::_findNextItem(TextItem* column, TextParagraph* paragraph, int word, int letter)
{
    (void)paragraph;
    (void)word;
    (void)letter;
    return column ? column->nextColumn() : nullptr;
}

bool TextParagraph::_compute(bool trackDamage)
{
    (void)trackDamage;
    return false;
}

void TextParagraph::moveBy(float delta, TextItem* column)
{
    (void)delta;
    (void)column;
}
