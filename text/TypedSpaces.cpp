#include "text/TypedSpaces.h"

#include "text/TextWordSpecial.h"

namespace typedspaces {

bool standsAlone(const TextWord* word)
{
    const int type = word ? word->wordType() : 0;
    return type == TextWordTab || type == TextWordLineBreak || type == TextWordPageBreak ||
           type == TextWordParagraphEnd || type == TextWordGraphic;
}

bool writesItsSpace(const TextWord* word)
{
    if (!word->isSpecial())
        return true;
    const auto* special = dynamic_cast<const TextWordSpecial*>(word);
    const int type = word->wordType();
    return special && (special->isToken() || type == TextWordFixedDate || type == TextWordFixedTime);
}

} // namespace typedspaces
