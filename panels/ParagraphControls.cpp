#include "panels/ParagraphControls.h"

#include "appkit/CellMatrix.h"
#include "appkit/ColorWell.h"
#include "appkit/TextField.h"

namespace {

struct Slot {
    const char* name;
    kit::Control* ParagraphControls::*member;
};

constexpr Slot slots[] = {
    {"ligatures", &ParagraphControls::ligatures_},
    {"hungPunctuation", &ParagraphControls::hungPunctuation_},
    {"autoKern", &ParagraphControls::autoKern_},
    {"hyphenate", &ParagraphControls::hyphenate_},
    {"wordSpace", &ParagraphControls::wordSpace_},
    {"tracking", &ParagraphControls::tracking_},
    {"leading", &ParagraphControls::leading_},
    {"autoLeading", &ParagraphControls::autoLeading_},
    {"lineSpacing", &ParagraphControls::lineSpacing_},
    {"indentLeft", &ParagraphControls::indentLeft_},
    {"indentRight", &ParagraphControls::indentRight_},
    {"indentDeltaFirst", &ParagraphControls::indentDeltaFirst_},
    {"spaceBefore", &ParagraphControls::spaceBefore_},
    {"spaceAfter", &ParagraphControls::spaceAfter_},
    {"spaceBetween", &ParagraphControls::spaceBetween_},
    {"startColumnTop", &ParagraphControls::startColumnTop_},
    {"autonumberLevel", &ParagraphControls::autonumberLevel_},
};

} // namespace

bool ParagraphControls::setParagraphControl(const std::string& name, kit::Object* object)
{
    for (const Slot& slot : slots)
        if (name == slot.name) {
            this->*slot.member = dynamic_cast<kit::Control*>(object);
            return true;
        }
    return false;
}

kit::Control* ParagraphControls::paragraphControl(const std::string& name) const
{
    for (const Slot& slot : slots)
        if (name == slot.name)
            return this->*slot.member;
    const std::pair<const char*, kit::Control*> typed[] = {
        {"fontField", fontField_},   {"bulletText", bulletText_},     {"alignment", alignment_},
        {"widowControl", widowControl_}, {"textColor", textColor_},
    };
    for (const auto& [each, control] : typed)
        if (name == each)
            return control;
    return nullptr;
}
