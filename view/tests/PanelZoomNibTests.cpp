#include "EditingTestSupport.h"

#include "appkit/CellMatrix.h"
#include "appkit/EventScript.h"
#include "appkit/Form.h"
#include "appkit/NibLoader.h"
#include "appkit/Panel.h"
#include "view/PanelZoomNib.h"

namespace {

// The zoom panel as the scroll view runs it: the form shows the zoom, the
// buttons' target ends the modal run by the tag of the cell clicked.
class ZoomPanelOwner : public kit::Responder, public kit::NibOwner {
public:
    std::string className() const override { return "ZoomPanelOwner"; }
    bool setOutlet(const std::string& name, kit::Object* object) override
    {
        if (name != "zoomPanel")
            return false;
        panel = dynamic_cast<kit::Panel*>(object);
        return panel != nullptr;
    }
    kit::Panel* panel = nullptr;
};

TEST_F(EditingTest, TheZoomPanelTakesATypedZoomAndEndsByItsButtonsTags)
{
    RegisterPanelZoomNib();
    ZoomPanelOwner owner;
    std::vector<std::unique_ptr<kit::Object>> made;
    ASSERT_TRUE(kit::NibLoader::loadNibFile("PanelZoom.nib", &owner, &made));
    ASSERT_NE(owner.panel, nullptr);
    auto* form = dynamic_cast<kit::Form*>(owner.panel->contentView()->viewWithTag(PanelZoomFormTag));
    auto* buttons = dynamic_cast<kit::CellMatrix*>(owner.panel->contentView()->viewWithTag(PanelZoomButtonsTag));
    ASSERT_NE(form, nullptr);
    ASSERT_NE(buttons, nullptr);
    EXPECT_EQ(form->nextText(), buttons);

    std::vector<int> tags;
    struct Target : kit::Responder {
        std::string className() const override { return "ZoomTarget"; }
        explicit Target(std::function<void(kit::Object*)> act)
        {
            setAction("zButtonAction:", [act](kit::Object* sender) -> kit::Object* {
                act(sender);
                return nullptr;
            });
        }
    } target([&](kit::Object* sender) {
        const int tag = static_cast<kit::CellMatrix*>(sender)->selectedTag();
        tags.push_back(tag);
        if (tag != -1)
            app_->stopModalWithCode(tag != 0 ? 1 : 0);
    });
    buttons->setTarget(&target);
    buttons->setAction("zButtonAction:");

    const struct {
        const char16_t* keys;
        int code;
        int value;
    } runs[] = {{u"125\r", 1, 125}, {u"40\x1b", 0, 40}, {u"1x7\r", 1, 17}};
    for (const auto& run : runs) {
        form->cellAtIndex(0)->setIntValue(100);
        form->selectTextAtIndex(0);
        kit::EventScript script(*owner.panel);
        double at = 0.1;
        for (const char16_t* k = run.keys; *k; ++k, at += 0.1)
            script.at(at).keyDown(std::u16string(1, *k));
        script.schedule();
        EXPECT_EQ(app_->runModalForWindow(owner.panel), run.code);
        EXPECT_EQ(form->cellAtIndex(0)->intValue(), run.value);
    }
    EXPECT_EQ(tags, (std::vector<int>{1, 0, 1}));
}

} // namespace
