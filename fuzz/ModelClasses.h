#pragma once

// The classes a document's model reads and writes, made known once before
// the first input.

#include "core/Values.h"
#include "document/Page.h"
#include "foundation/StyleGraphic.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "items/Item.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"

namespace fuzz {

inline void initializeModelClasses()
{
    kit::registerValueClasses();
    kit::Font::initialize();
    StyleParagraph::initialize();
    StyleGraphic::initialize();
    Item::initialize();
    TextFlow::initialize();
    TextSelection::initialize();
    Page::initialize();
}

} // namespace fuzz
