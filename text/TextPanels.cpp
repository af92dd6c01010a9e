#include "text/TextPanels.h"

namespace {
struct Panels {
    std::unique_ptr<TextPanel> styles;
};

Panels& panels()
{
    static Panels shared;
    return shared;
}

template <class T>
T* make(std::unique_ptr<T>& slot)
{
    if (!slot)
        slot = std::make_unique<T>();
    return slot.get();
}
} // namespace

TextPanel* TextPanels::paragraphStylesPanel() { return panels().styles.get(); }

TextPanel* TextPanels::makeParagraphStylesPanel() { return make(panels().styles); }

void TextPanels::reset() { panels() = Panels{}; }
