// The Graphics pane's interface file: its controls, the outlets it fills
// and the preview it draws.

#include "panels/GraphicsInspector.h"
#include "panels/ZynInspectorSwapPanel.h"

#include "appkit/Box.h"
#include "appkit/Button.h"
#include "appkit/ColorWell.h"
#include "appkit/MenuItem.h"
#include "appkit/NibLoader.h"
#include "appkit/Panel.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/StyleGraphicNamed.h"
#include "graphics/DrawContext.h"

#include <map>

namespace {

constexpr auto& text = applicationString;

// The preview area: the inspector draws its current fill and line.
class GraphicsMiniView : public kit::View {
public:
    GraphicsMiniView(const kit::Rect& frame, GraphicsInspector* inspector) : kit::View(frame), inspector_(inspector)
    {
    }
    std::string className() const override { return "GraphicsMiniView"; }
    void drawRect(const kit::Rect& rect) override
    {
        (void)rect;
        if (GraphicsInspector* inspector = inspector_.get())
            inspector->drawPreview(bounds());
    }

private:
    kit::WeakRef<GraphicsInspector> inspector_;
};

// The pane until the inspector window's own swap panel joins: it has no
// window to join.
constexpr auto& label = kit::TextField::makeLabel;

template <class T>
T* add(kit::View* into, std::unique_ptr<T> view)
{
    return static_cast<T*>(into->addSubview(std::move(view)));
}

kit::Button* button(kit::View* into, const kit::Rect& frame, const std::string& title, kit::Receiver* target,
                    const char* action, kit::ButtonType type = kit::ButtonType::MomentaryLight, int tag = 0)
{
    auto made = std::make_unique<kit::Button>(frame, title);
    made->setButtonType(type);
    made->setTarget(target);
    made->setAction(action);
    made->setTag(tag);
    return add(into, std::move(made));
}

kit::TextField* field(kit::View* into, const kit::Rect& frame, kit::Receiver* target, const char* action)
{
    auto made = std::make_unique<kit::TextField>(frame);
    if (action) {
        made->setTarget(target);
        made->setAction(action);
    }
    return add(into, std::move(made));
}

} // namespace

void GraphicsInspector::registerInterfaceFile()
{
    kit::NibLoader::registerNib("GraphicsInspector", [](kit::NibLoad& load) {
        auto* owner = load.ownerAs<GraphicsInspector>();
        if (!owner)
            return false;
        const kit::Rect frame = kit::makeRect(0, 0, 272, 404);
        auto made = std::make_unique<ZynInspectorSwapPanel>(frame);
        made->setTitle(text("Graphics", "Graphics"));
        kit::View* content = made->contentView();

        // Style.
        add(content, label(kit::makeRect(8, 376, 48, 18), text("Style", "Style:")));
        auto styles = std::make_unique<kit::PopUpButton>(kit::makeRect(60, 372, 204, 24));
        styles->setTarget(owner);
        styles->setAction("setStyle:");
        owner->setOutlet("stylePopupButton", add(content, std::move(styles)));

        // Fill and line, each in a box of its own so the tags stay apart.
        auto fillBox = std::make_unique<kit::Box>(kit::makeRect(8, 316, 256, 52), text("Fill", "Fill"));
        kit::View* fillArea = add(content, std::move(fillBox));
        owner->setOutlet("fillButton", button(fillArea, kit::makeRect(8, 8, 70, 20), text("Fill", "Fill"), owner,
                                              "changeFill:", kit::ButtonType::Switch, CanStateTag));
        auto fillWell = std::make_unique<kit::ColorWell>(kit::makeRect(90, 4, 48, 28));
        fillWell->setTarget(owner);
        fillWell->setAction("changeFillColor:");
        fillWell->setTag(HasStateTag);
        owner->setOutlet("fillColor", add(fillArea, std::move(fillWell)));

        auto lineBox = std::make_unique<kit::Box>(kit::makeRect(8, 232, 256, 80), text("Line", "Line"));
        kit::View* lineArea = add(content, std::move(lineBox));
        owner->setOutlet("lineButton", button(lineArea, kit::makeRect(8, 36, 70, 20), text("Line", "Line"), owner,
                                              "changeLine:", kit::ButtonType::Switch, CanStateTag));
        auto lineWell = std::make_unique<kit::ColorWell>(kit::makeRect(90, 32, 48, 28));
        lineWell->setTarget(owner);
        lineWell->setAction("changeLineColor:");
        lineWell->setTag(HasStateTag);
        owner->setOutlet("lineColor", add(lineArea, std::move(lineWell)));
        add(lineArea, label(kit::makeRect(8, 6, 44, 18), text("Width", "Width:")));
        owner->setOutlet("widthField", field(lineArea, kit::makeRect(54, 4, 56, 22), owner, "applyLineWidth:"));
        auto pullDown = std::make_unique<kit::PopUpButton>(kit::makeRect(114, 4, 30, 22), true);
        pullDown->addItemWithTitle(text("Width", "Width"));
        for (const char* title : {"Hairline", "0.5", "1", "2", "4", "6", "8", "12"}) {
            kit::MenuItem* item = pullDown->addItemWithTitle(std::string(title) == "Hairline"
                                                                 ? text("Hairline", "Hairline")
                                                                 : std::string(title));
            item->setTag(std::string(title) == "Hairline" ? -3 : 0);
        }
        owner->setOutlet("widthPullDown", add(lineArea, std::move(pullDown)));
        auto thinner = button(lineArea, kit::makeRect(150, 4, 22, 22), "-", owner, "nudgeLineWidth:");
        thinner->setTag(-1);
        auto thicker = button(lineArea, kit::makeRect(174, 4, 22, 22), "+", owner, "nudgeLineWidth:");
        thicker->setTag(1);

        // The preview.
        auto preview = std::make_unique<kit::Box>(kit::makeRect(8, 184, 256, 44), "");
        kit::View* previewArea = add(content, std::move(preview));
        owner->setOutlet("drawView",
                         add(previewArea, std::make_unique<GraphicsMiniView>(kit::makeRect(2, 2, 252, 40), owner)));

        // Runaround: every control of its box follows whether it applies.
        auto runaroundBox = std::make_unique<kit::Box>(kit::makeRect(8, 140, 256, 40), text("Runaround", "Runaround"));
        kit::View* runaroundArea = add(content, std::move(runaroundBox));
        owner->setOutlet("runaround",
                         button(runaroundArea, kit::makeRect(8, 8, 96, 20), text("Runaround", "Runaround"), owner,
                                "runaroundToggle:", kit::ButtonType::Switch));
        owner->setOutlet("standoffLeft",
                         field(runaroundArea, kit::makeRect(110, 6, 60, 22), owner, "runaroundToggle:"));
        button(runaroundArea, kit::makeRect(174, 6, 22, 22), "-", owner, "decreaseStandoffLeft:");
        button(runaroundArea, kit::makeRect(198, 6, 22, 22), "+", owner, "increaseStandoffLeft:");

        // Name and lock.
        add(content, label(kit::makeRect(8, 112, 48, 18), text("Name", "Name:")));
        owner->setOutlet("nameField", field(content, kit::makeRect(60, 110, 140, 22), owner, "changeName:"));
        owner->setOutlet("lockButton", button(content, kit::makeRect(206, 110, 60, 20), text("Lock", "Lock"), owner,
                                              "lock:", kit::ButtonType::Switch));

        // Rotation and scale.
        add(content, label(kit::makeRect(8, 84, 60, 18), text("Rotation", "Rotation:")));
        owner->setOutlet("rotationField", field(content, kit::makeRect(72, 82, 60, 22), owner, nullptr));
        owner->setOutlet("rotateCounterButton", button(content, kit::makeRect(136, 82, 22, 22), "<", owner,
                                                       "rotateItem:", kit::ButtonType::MomentaryLight,
                                                       RotateCounterTag));
        owner->setOutlet("rotateClockwiseButton", button(content, kit::makeRect(160, 82, 22, 22), ">", owner,
                                                         "rotateItem:", kit::ButtonType::MomentaryLight,
                                                         RotateClockwiseTag));
        add(content, label(kit::makeRect(8, 56, 60, 18), text("Scale", "Scale:")));
        owner->setOutlet("scaleField", field(content, kit::makeRect(72, 54, 80, 22), owner, nullptr));

        // The file.
        auto icon = std::make_unique<kit::Button>(kit::makeRect(8, 4, 40, 40), "");
        icon->setBordered(false);
        owner->setOutlet("iconButton", add(content, std::move(icon)));
        auto title = label(kit::makeRect(52, 26, 212, 18), "");
        owner->setOutlet("fileTitle", add(content, std::move(title)));
        auto path = label(kit::makeRect(52, 6, 212, 18), "");
        owner->setOutlet("pathField", add(content, std::move(path)));

        kit::Window* pane = load.addTopLevelObject(std::move(made));
        return load.connectOutlet("inspectorView", pane);
    });
}

bool GraphicsInspector::setOutlet(const std::string& name, kit::Object* object)
{
    static const std::map<std::string, void (*)(GraphicsInspector&, kit::Object*)> outlets = {
        {"stylePopupButton",
         [](GraphicsInspector& g, kit::Object* o) { g.stylePopupButton_ = dynamic_cast<kit::PopUpButton*>(o); }},
        {"drawView", [](GraphicsInspector& g, kit::Object* o) { g.drawView_ = dynamic_cast<kit::View*>(o); }},
        {"fillButton", [](GraphicsInspector& g, kit::Object* o) { g.fillButton_ = dynamic_cast<kit::Button*>(o); }},
        {"fillColor", [](GraphicsInspector& g, kit::Object* o) { g.fillColor_ = dynamic_cast<kit::ColorWell*>(o); }},
        {"lineButton", [](GraphicsInspector& g, kit::Object* o) { g.lineButton_ = dynamic_cast<kit::Button*>(o); }},
        {"lineColor", [](GraphicsInspector& g, kit::Object* o) { g.lineColor_ = dynamic_cast<kit::ColorWell*>(o); }},
        {"widthField", [](GraphicsInspector& g, kit::Object* o) { g.widthField_ = dynamic_cast<kit::TextField*>(o); }},
        {"widthPullDown",
         [](GraphicsInspector& g, kit::Object* o) { g.widthPullDown_ = dynamic_cast<kit::PopUpButton*>(o); }},
        {"runaround", [](GraphicsInspector& g, kit::Object* o) { g.runaround_ = dynamic_cast<kit::Button*>(o); }},
        {"standoffLeft",
         [](GraphicsInspector& g, kit::Object* o) { g.standoffLeft_ = dynamic_cast<kit::TextField*>(o); }},
        {"iconButton", [](GraphicsInspector& g, kit::Object* o) { g.iconButton_ = dynamic_cast<kit::Button*>(o); }},
        {"fileTitle", [](GraphicsInspector& g, kit::Object* o) { g.fileTitle_ = dynamic_cast<kit::TextField*>(o); }},
        {"pathField", [](GraphicsInspector& g, kit::Object* o) { g.pathField_ = dynamic_cast<kit::TextField*>(o); }},
        {"lockButton", [](GraphicsInspector& g, kit::Object* o) { g.lockButton_ = dynamic_cast<kit::Button*>(o); }},
        {"nameField", [](GraphicsInspector& g, kit::Object* o) { g.nameField_ = dynamic_cast<kit::TextField*>(o); }},
        {"rotationField",
         [](GraphicsInspector& g, kit::Object* o) { g.rotationField_ = dynamic_cast<kit::TextField*>(o); }},
        {"rotateCounterButton",
         [](GraphicsInspector& g, kit::Object* o) { g.rotateCounterButton_ = dynamic_cast<kit::Button*>(o); }},
        {"rotateClockwiseButton",
         [](GraphicsInspector& g, kit::Object* o) { g.rotateClockwiseButton_ = dynamic_cast<kit::Button*>(o); }},
        {"scaleField", [](GraphicsInspector& g, kit::Object* o) { g.scaleField_ = dynamic_cast<kit::TextField*>(o); }},
    };
    const auto found = outlets.find(name);
    if (found == outlets.end())
        return ZynInspector::setOutlet(name, object);
    found->second(*this, object);
    return true;
}

void GraphicsInspector::drawMiniView()
{
    kit::View* view = drawView();
    if (view && view->canDraw())
        view->display();
}

void GraphicsInspector::drawPreview(const kit::Rect& bounds) const
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context || !currentStyle_)
        return;
    const StyleGraphic& style = *currentStyle_;
    context->setgray(miniViewGround(style));
    context->rectfill(bounds);
    const kit::Rect inset = kit::insetRect(bounds, 10, 5);
    if (style.hasFill()) {
        style.setFillState();
        context->rectfill(kit::minX(inset), kit::minY(inset), kit::width(inset) - 40, kit::height(inset));
    }
    if (style.hasLine()) {
        style.setLineState();
        const float y = kit::minY(inset) + kit::height(inset) / 2;
        context->newpath();
        context->moveto(kit::minX(inset) + 40, y);
        context->lineto(kit::minX(inset) + kit::width(inset), y);
        context->stroke();
    }
}
