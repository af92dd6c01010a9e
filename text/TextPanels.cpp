#include "text/TextPanels.h"

namespace {
struct Panels {
    std::unique_ptr<FontAccessory> accessory;
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

void FontAccessory::setMessage(const std::string& message)
{
    if (message == message_)
        return;
    message_ = message;
    ++messageChanges_;
}

FontAccessory* TextPanels::fontAccessory(bool create)
{
    return create ? make(panels().accessory) : panels().accessory.get();
}

TextPanel* TextPanels::paragraphStylesPanel() { return panels().styles.get(); }

TextPanel* TextPanels::makeParagraphStylesPanel() { return make(panels().styles); }

void TextPanels::reset() { panels() = Panels{}; }
