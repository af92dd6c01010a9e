#include "view/InfoBarInset.h"

#include "appkit/NibLoader.h"
#include "appkit/ScrollView.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"
#include "items/ItemArray.h"
#include "view/PageView.h"

#include <cmath>
#include <cstdio>
#include <utility>

namespace {

float barWidth = 13.0f;


std::string format(const char* pattern, double a, double b = 0)
{
    char text[64];
    std::snprintf(text, sizeof text, pattern, a, b);
    return text;
}

// The file's layout: titles and fields in a container as wide as the file's
// bar; the font fields keep their distance from the container's right edge.
struct FieldPlace {
    const char* outlet;
    float x, width;
    const char* title; // a title's text; nullptr for a value field
};
constexpr float kContainerWidth = 640;
constexpr FieldPlace kPlaces[] = {
    {"xTitle", 4, 12, "x:"},       {"xField", 16, 58, nullptr},  {"yTitle", 78, 12, "y:"},
    {"yField", 90, 58, nullptr},   {"wTitle", 152, 14, "w:"},    {"wField", 166, 58, nullptr},
    {"hTitle", 228, 12, "h:"},     {"hField", 240, 58, nullptr}, {"rotationField", 304, 56, nullptr},
    {"scaleField", 364, 76, nullptr}, {"fontField", kContainerWidth - 196, 150, nullptr},
    {"fontSizeField", kContainerWidth - 44, 40, nullptr},
};

std::unique_ptr<kit::TextField> makeLabel(const FieldPlace& place)
{
    auto field = std::make_unique<kit::TextField>(kit::makeRect(place.x, 0, place.width, barWidth),
                                                  place.title ? place.title : "");
    field->setEditable(false);
    field->setSelectable(false);
    field->setBezeled(false);
    field->setBordered(false);
    field->setDrawsBackground(false);
    field->setFont(kit::Font::fontWithName("Helvetica", 9));
    if (place.title)
        field->setAlignment(kit::TextAlignment::Right);
    return field;
}

} // namespace

void InfoBarInset::initialize()
{
    barWidth = 13.0f;
    kit::NibLoader::registerNib("InfoBarInset.nib", [](kit::NibLoad& load) {
        auto window = std::make_unique<kit::Window>(kit::makeRect(0, 0, kContainerWidth, 2 * barWidth + 4),
                                                    kit::BorderlessWindowMask);
        kit::View* content = window->contentView();
        auto* bar = static_cast<InfoBarInset*>(
            content->addSubview(std::make_unique<InfoBarInset>(kit::makeRect(0, barWidth + 4, kContainerWidth, barWidth))));
        kit::View* container = content->addSubview(
            std::make_unique<kit::View>(kit::makeRect(0, 0, kContainerWidth, barWidth)));
        for (const FieldPlace& place : kPlaces)
            bar->connect(place.outlet, static_cast<kit::TextField*>(container->addSubview(makeLabel(place))));
        load.addTopLevelObject(std::move(window));
        return load.connectOutlet("infoBar", bar);
    });
}

std::unique_ptr<InfoBarInset> InfoBarInset::loadFromNib()
{
    struct Owner : kit::Object, kit::NibOwner {
        std::string className() const override { return "InfoBarOwner"; }
        InfoBarInset* bar = nullptr;
        bool setOutlet(const std::string& name, kit::Object* object) override
        {
            if (name == "infoBar")
                bar = dynamic_cast<InfoBarInset*>(object);
            return bar != nullptr;
        }
    } owner;
    std::vector<std::unique_ptr<kit::Object>> made;
    if (!kit::NibLoader::loadNibFile("InfoBarInset.nib", &owner, &made) || !owner.bar || !owner.bar->superview())
        return nullptr;
    std::unique_ptr<kit::View> taken = owner.bar->removeFromSuperview();
    std::unique_ptr<InfoBarInset> bar(static_cast<InfoBarInset*>(taken.release()));
    // The fields move out of the file's window before it goes.
    bar->initializeInstance();
    return bar;
}

void InfoBarInset::setWidth(float width) { barWidth = width; }

float InfoBarInset::width() { return barWidth; }

InfoBarInset::InfoBarInset(const kit::Rect& frameRect)
    : kit::View(frameRect)
{
    setTag(Tag);
}


// The outlets by name, in declaration order.
#define INFO_BAR_OUTLETS(X)                                                                                           \
    X(xTitle) X(xField) X(yTitle) X(yField) X(hTitle) X(hField) X(wTitle) X(wField) X(rotationField) X(scaleField)      \
        X(fontField) X(fontSizeField)

bool InfoBarInset::connect(const std::string& outlet, kit::TextField* view)
{
#define CONNECT(name)                                                                                                 \
    if (outlet == #name) {                                                                                            \
        name##_ = view;                                                                                               \
        return true;                                                                                                  \
    }
    INFO_BAR_OUTLETS(CONNECT)
#undef CONNECT
    return false;
}

kit::TextField* InfoBarInset::outletNamed(const std::string& outlet) const
{
#define FIND(name)                                                                                                    \
    if (outlet == #name)                                                                                              \
        return name##_;
    INFO_BAR_OUTLETS(FIND)
#undef FIND
    return nullptr;
}

void InfoBarInset::initializeInstance()
{
    setAutoresizesSubviews(true);
    const float barRight = frame().size.width;
    const std::pair<kit::TextField*, bool> views[] = {
        {xTitle_, false}, {xField_, false}, {yTitle_, false}, {yField_, false},
        {wTitle_, false}, {wField_, false}, {hTitle_, false}, {hField_, false},
        {rotationField_, false}, {scaleField_, false}, {fontField_, true}, {fontSizeField_, true},
    };
    for (const auto& [view, fromRight] : views) {
        if (!view || view->superview() == this)
            continue;
        kit::View* container = view->superview();
        kit::Rect place = view->frame();
        if (fromRight && container) {
            place.origin.x = barRight - (container->frame().size.width - place.origin.x);
            view->setAutoresizingMask(kit::ViewMinXMargin);
        }
        std::unique_ptr<kit::View> moved = container ? view->removeFromSuperview() : nullptr;
        if (!moved)
            continue;
        moved->setFrame(place);
        addSubview(std::move(moved));
    }
    border_ = true;
    borderSides_ = BottomBorder;
    // The platform's control colour and its dark shadow.
    backgroundColor_ = kit::Color::lightGrayColor();
    borderColor_ = kit::Color::blackColor();
    inspectSelection({});
    setNeedsDisplay(true);
}

// ---- Context.

PageView* InfoBarInset::pageView() const
{
    auto* scroll = dynamic_cast<kit::ScrollView*>(superview());
    return scroll ? dynamic_cast<PageView*>(scroll->documentView()) : nullptr;
}

LayoutDocument* InfoBarInset::document() const
{
    PageView* view = pageView();
    return view ? view->document() : nullptr;
}

std::vector<Item*> InfoBarInset::selected() const
{
    LayoutDocument* doc = document();
    return doc ? doc->selected() : std::vector<Item*>{};
}

UnitsInfo* InfoBarInset::unitsInfo() const
{
    LayoutDocument* doc = document();
    return doc ? doc->unitsInfo() : nullptr;
}

int InfoBarInset::unitKind() const
{
    // Without a document the values are points as they come.
    UnitsInfo* units = unitsInfo();
    return units ? units->units() : 1;
}

// ---- Showing the selection.

void InfoBarInset::inspect() { inspectSelection(selected()); }

void InfoBarInset::inspectSelection(const std::vector<Item*>& items)
{
    if (items.empty()) {
        setFrameRect(kit::Rect{});
        show(rotationField_, "");
        show(scaleField_, "");
        show(fontField_, "");
        show(fontSizeField_, "");
        return;
    }
    setFrameRect(::frame(items));
    float angle = 0;
    if (getRotation(items, &angle))
        setRotate(angle);
    else
        show(rotationField_, "");
    float sx = 1, sy = 1;
    if (getScale(items, &sx, &sy))
        setScale(sx, sy);
    else
        show(scaleField_, "");
    int mixed = 0;
    if (kit::Font* font = getFont(items, &mixed))
        setFont(font, mixed != 0);
}

// ---- Live values.

void InfoBarInset::show(kit::TextField* field, const std::string& text)
{
    if (field && field->stringValue() != text)
        field->setStringValue(text);
}

void InfoBarInset::showLength(kit::TextField* field, float value, int kind)
{
    show(field, TruncateUnits(value, kind));
}

void InfoBarInset::showOrigin()
{
    kit::Point origin = selectedRect_.origin;
    if (UnitsInfo* units = unitsInfo())
        units->convertPointToUnits(&origin);
    showLength(xField_, origin.x, unitKind());
    showLength(yField_, origin.y, unitKind());
}

void InfoBarInset::showSize()
{
    kit::Size size = selectedRect_.size;
    if (UnitsInfo* units = unitsInfo())
        units->convertSizeToUnits(&size);
    showLength(wField_, size.width, unitKind());
    showLength(hField_, size.height, unitKind());
}

void InfoBarInset::setFrameRect(const kit::Rect& rect)
{
    selectedRect_ = rect;
    showOrigin();
    showSize();
}

void InfoBarInset::setMoveTo(float x, float y)
{
    selectedRect_.origin = {x, y};
    showOrigin();
}

void InfoBarInset::setMoveBy(float dx, float dy)
{
    selectedRect_.origin.x += dx;
    selectedRect_.origin.y += dy;
    showOrigin();
}

void InfoBarInset::setSizeTo(float width, float height)
{
    selectedRect_.size = {width, height};
    showSize();
}

void InfoBarInset::setSizeBy(float dw, float dh)
{
    selectedRect_.size.width += dw;
    selectedRect_.size.height += dh;
    showSize();
}

void InfoBarInset::setRotate(float angle)
{
    if (!std::isfinite(angle)) {
        show(rotationField_, "");
        return;
    }
    // Whole turns, however many: -450 is 270, 720 is 360 (a full turn shows
    // as 360, never 0, as a single wrap showed it).
    if (angle < 0 || angle > 360) {
        angle = std::fmod(angle, 360.0f);
        if (angle < 0)
            angle += 360.0f;
        else if (angle == 0)
            angle = 360.0f;
    }
    selectedAngle_ = angle;
    show(rotationField_, format("%.1f\u00B0", angle));
}

void InfoBarInset::setScale(float sx, float sy)
{
    selectedScaleX_ = sx * 100.0f;
    selectedScaleY_ = sy * 100.0f;
    if (selectedScaleX_ == selectedScaleY_)
        show(scaleField_, format("%.1f%%", selectedScaleX_));
    else
        show(scaleField_, format("%.0f/%.0f%%", selectedScaleX_, selectedScaleY_));
}

void InfoBarInset::setFont(kit::Font* font, bool isMultiple)
{
    if (isMultiple) {
        show(fontField_, Main ? Main->valueForStringKey("MultipleFonts") : "MultipleFonts");
        show(fontSizeField_, "");
    } else if (!font) {
        show(fontField_, "");
        show(fontSizeField_, "");
    } else {
        show(fontField_, font->fontName());
        show(fontSizeField_, format("%.1f", font->pointSize()));
    }
}

std::string InfoBarInset::text(const std::string& outlet) const
{
    kit::TextField* field = outletNamed(outlet);
    return field ? field->stringValue() : std::string();
}

// ---- Appearance.

void InfoBarInset::setBackgroundColor(kit::ColorRef color)
{
    backgroundColor_ = std::move(color);
    setNeedsDisplay(true);
}

void InfoBarInset::setBorderColor(kit::ColorRef color)
{
    borderColor_ = std::move(color);
    setNeedsDisplay(true);
}

void InfoBarInset::setBordered(bool flag)
{
    border_ = flag;
    setNeedsDisplay(true);
}

void InfoBarInset::setBorderSides(short sides)
{
    borderSides_ = sides;
    setNeedsDisplay(true);
}

void InfoBarInset::setSide(int side)
{
    side_ = static_cast<unsigned>(side) & 3u;
    setNeedsDisplay(true);
}

void InfoBarInset::drawRect(const kit::Rect& rect)
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    const kit::Rect bounds = this->bounds();
    context->gsave();
    context->rectclip(rect);
    if (backgroundColor_) {
        context->setColor(*backgroundColor_);
        context->rectfill(bounds);
    }
    if (border_ && (borderSides_ & (BottomBorder | TopBorder)) && borderColor_) {
        context->setColor(*borderColor_);
        const float line = 0.15f;
        if (borderSides_ & BottomBorder)
            context->rectfill(bounds.origin.x, bounds.origin.y, bounds.size.width, line);
        if (borderSides_ & TopBorder)
            context->rectfill(bounds.origin.x, bounds.origin.y + bounds.size.height - 1.0f - line,
                              bounds.size.width, line);
    }
    context->grestore();
}
