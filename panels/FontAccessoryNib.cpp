// The interface file "FontAccessory.nib": the small view (colour well,
// message, Options) and the large one (five fields with their bump
// buttons, the language pop-up, Black, White, the colour well, message).

#include "panels/FontAccessory.h"

#include "app/Layvane.h"
#include "appkit/Button.h"
#include "appkit/ColorWell.h"
#include "appkit/NibLoader.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "core/Encoding.h"
#include "core/Object.h"
#include "foundation/Languages.h"
#include "spelling/pwd.h"

#include <set>

namespace {

constexpr auto& text = applicationString;

constexpr auto& label = kit::TextField::makeLabel;

std::unique_ptr<kit::Button> button(const kit::Rect& frame, const std::string& title, FontAccessory* target,
                                    const char* action, int tag = 0)
{
    auto made = std::make_unique<kit::Button>(frame, title);
    made->setTarget(target);
    made->setAction(action);
    made->setTag(tag);
    return made;
}

std::unique_ptr<kit::ColorWell> well(const kit::Rect& frame, FontAccessory* target)
{
    auto made = std::make_unique<kit::ColorWell>(frame);
    made->setTarget(target);
    made->setAction("applyColor:");
    return made;
}

bool build(kit::NibLoad& load)
{
    auto accessory = std::make_unique<FontAccessory>();
    FontAccessory* owner = accessory.get();

    auto small = std::make_unique<kit::View>(kit::makeRect(0, 0, 300, 40));
    owner->setOutlet("colorSmall", small->addSubview(well(kit::makeRect(6, 8, 40, 24), owner)));
    owner->setOutlet("messageSmall", small->addSubview(label(kit::makeRect(52, 10, 160, 20), "")));
    small->addSubview(button(kit::makeRect(218, 8, 76, 24), text("FontOptions", "Options"), owner, "showOptions:"));

    auto large = std::make_unique<kit::View>(kit::makeRect(0, 0, 300, 210));
    struct Row {
        const char* outlet;
        const char* key;
        const char* title;
        const char* bump;
    };
    const Row rows[] = {
        {"leading", "Leading", "Leading", "bumpLeading:"},
        {"tracking", "Tracking", "Tracking", "bumpTracking:"},
        {"wordSpace", "WordSpace", "Word space", "bumpWordSpace:"},
        {"vertical", "Baseline", "Baseline", "bumpVertical:"},
        {"condense", "Condense", "Condense %", "bumpCondense:"},
    };
    float y = 180;
    for (const Row& row : rows) {
        large->addSubview(label(kit::makeRect(6, y, 86, 20), text(row.key, row.title)));
        owner->setOutlet(row.outlet, large->addSubview(std::make_unique<kit::TextField>(kit::makeRect(94, y, 70, 22))));
        large->addSubview(button(kit::makeRect(168, y, 24, 22), "-", owner, row.bump, -1));
        large->addSubview(button(kit::makeRect(194, y, 24, 22), "+", owner, row.bump, 1));
        y -= 28;
    }
    auto languages = std::make_unique<kit::PopUpButton>(kit::makeRect(6, 38, 150, 22));
    std::set<std::string> seen;
    for (const PWDLanguage& language : lang_list)
        if (seen.insert(language.name).second)
            languages->addItemWithTitle(kit::toUTF8(kit::Encoding::NeXTSTEP, nativeFromEnglish(language.name)));
    owner->setOutlet("languagePopup", large->addSubview(std::move(languages)));
    owner->setOutlet("colorLarge", large->addSubview(well(kit::makeRect(162, 38, 40, 22), owner)));
    large->addSubview(button(kit::makeRect(206, 38, 44, 22), text("Black", "Black"), owner, "setBlack:"));
    large->addSubview(button(kit::makeRect(252, 38, 44, 22), text("White", "White"), owner, "setWhite:"));
    owner->setOutlet("messageLarge", large->addSubview(label(kit::makeRect(6, 8, 206, 20), "")));
    large->addSubview(button(kit::makeRect(218, 6, 76, 24), text("FontFewer", "Fewer"), owner, "hideOptions:"));

    owner->adoptViews(std::move(small), std::move(large));
    FontAccessory* made = load.addTopLevelObject(std::move(accessory));
    made->init();
    return load.connectOutlet("fontAccessory", made);
}

} // namespace

void FontAccessory::initialize()
{
    kit::registerClass<FontAccessory>("FontAccessory");
    kit::NibLoader::registerNib("FontAccessory.nib", build);
}
