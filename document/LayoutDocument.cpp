#include "document/LayoutDocument.h"

#include "foundation/StyleGraphic.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"

LayoutDocument::LayoutDocument(const Preferences* preferences)
    : styleInfo_(std::make_unique<StyleInfo>(preferences))
{
    styleInfo_->setDocument(this);
}

LayoutDocument::~LayoutDocument() = default;

// The document holds no flows or items yet: nothing refers to styles.
void LayoutDocument::removeStyleReference(const StyleParagraph* style)
{
    (void)style;
}

void LayoutDocument::removeGraphicStyle(const StyleGraphic* style)
{
    (void)style;
}

StyleParagraph* LayoutDocument::currentParagraphStyle() const
{
    return nullptr;
}

void LayoutDocument::setCurrentParagraphBasedOnStyle(StyleParagraphNamed* style)
{
    (void)style;
}

std::unique_ptr<StyleGraphic> LayoutDocument::graphicStyleOfSelection() const
{
    return nullptr;
}
