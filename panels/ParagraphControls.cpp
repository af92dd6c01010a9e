#include "panels/ParagraphControls.h"

#include "appkit/Control.h"

bool ParagraphControls::setParagraphControl(const std::string& name, kit::Object* object)
{
    struct Slot {
        const char* name;
        kit::Control** slot;
    };
    const Slot slots[] = {
        {"ligatures", &ligatures_},       {"hungPunctuation", &hungPunctuation_},
        {"autoKern", &autoKern_},         {"hyphenate", &hyphenate_},
        {"wordSpace", &wordSpace_},       {"tracking", &tracking_},
        {"leading", &leading_},           {"autoLeading", &autoLeading_},
        {"lineSpacing", &lineSpacing_},   {"indentLeft", &indentLeft_},
        {"indentRight", &indentRight_},   {"indentDeltaFirst", &indentDeltaFirst_},
        {"spaceBefore", &spaceBefore_},   {"spaceAfter", &spaceAfter_},
        {"spaceBetween", &spaceBetween_}, {"startColumnTop", &startColumnTop_},
        {"autonumberLevel", &autonumberLevel_},
    };
    for (const Slot& slot : slots)
        if (name == slot.name) {
            *slot.slot = dynamic_cast<kit::Control*>(object);
            return true;
        }
    return false;
}
