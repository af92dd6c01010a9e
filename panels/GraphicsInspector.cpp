#include "panels/GraphicsInspector.h"

#include "app/Layvane.h"
#include "appkit/Application.h"
#include "appkit/Button.h"
#include "appkit/ColorWell.h"
#include "appkit/MenuItem.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "appkit/Workspace.h"
#include "core/Alert.h"
#include "core/EventState.h"
#include "document/LayoutDocument.h"
#include "document/Undo.h"
#include "document/UndoComposite.h"
#include "document/UndoInfo.h"
#include "document/UndoStyleGraphic.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/CMGeometry.h"
#include "foundation/CommonHelpers.h"
#include "foundation/Preferences.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "graphics/DrawContext.h"
#include "graphics/Image.h"
#include "items/ItemArray.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"
#include "panels/FieldNumber.h"
#include "text/TextFlow.h"
#include "text/TextSelection.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr int RotationIncrementType = 4;
constexpr int LineWidthIncrementType = 65;

std::string text(const char* key)
{
    return Main ? Main->valueForStringKey(key) : std::string(key);
}

// One or two finite numbers, as the scale field takes them ("50",
// "200/100", "150 x 200", "150,200"); nothing for anything else.
std::optional<std::pair<float, float>> scalePair(std::string_view s)
{
    s = trimmedFieldText(s);
    if (s.empty() || s.size() > 128)
        return std::nullopt;
    if (auto one = parseFieldNumber(s))
        return std::make_pair(*one, *one);
    for (const char* separator : {"/", ",", "x", "X", "|", "&", " "}) {
        const auto at = s.find(separator);
        if (at == std::string_view::npos)
            continue;
        auto a = parseFieldNumber(s.substr(0, at));
        auto b = parseFieldNumber(s.substr(at + 1));
        if (a && b)
            return std::make_pair(*a, *b);
    }
    return std::nullopt;
}

std::string formatted(const char* format, double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, format, value);
    return buffer;
}

void enableTagged(kit::View* view, int tag, bool flag)
{
    if (!view)
        return;
    for (const auto& sub : view->subviews())
        if (sub->tag() == tag)
            if (auto* control = dynamic_cast<kit::Control*>(sub.get()))
                control->setEnabled(flag);
}

void setEnabled(kit::Control* control, bool flag)
{
    if (control)
        control->setEnabled(flag);
}

void setText(kit::TextField* field, const std::string& value)
{
    if (field)
        field->setStringValue(value);
}

std::vector<kit::Object*> objects(const std::vector<Item*>& items)
{
    return std::vector<kit::Object*>(items.begin(), items.end());
}

bool nearWhite(const kit::ColorRef& color)
{
    return color && color->grayLevel() >= 0.95f;
}

} // namespace

struct GraphicsInspector::Working {
    std::vector<Item*> items;
    // The in-line graphics whose pictures items are (empty otherwise).
    std::vector<TextWordSpecial*> words;
    bool isSelection = true;
};

GraphicsInspector::GraphicsInspector()
{
    auto action = [this](const char* name, void (GraphicsInspector::*method)(kit::Object*)) {
        setAction(name, [this, method](kit::Object* sender) -> kit::Object* {
            (this->*method)(sender);
            return this;
        });
    };
    action("setStyle:", &GraphicsInspector::setStyle);
    action("changeFill:", &GraphicsInspector::changeFill);
    action("changeFillColor:", &GraphicsInspector::changeFillColor);
    action("changeFillPattern:", &GraphicsInspector::changeFillPattern);
    action("changeLine:", &GraphicsInspector::changeLine);
    action("changeLineColor:", &GraphicsInspector::changeLineColor);
    action("changeLineWidth:", &GraphicsInspector::changeLineWidth);
    action("changeLineWidthFromPopup:", &GraphicsInspector::changeLineWidthFromPopup);
    action("nudgeLineWidth:", &GraphicsInspector::nudgeLineWidth);
    action("applyLineWidth:", &GraphicsInspector::applyLineWidth);
    action("changeName:", &GraphicsInspector::changeName);
    action("lock:", &GraphicsInspector::lock);
    action("rotateItem:", &GraphicsInspector::rotateItem);
    action("increaseStandoffLeft:", &GraphicsInspector::increaseStandoffLeft);
    action("decreaseStandoffLeft:", &GraphicsInspector::decreaseStandoffLeft);
    action("runaroundToggle:", &GraphicsInspector::runaroundToggle);
    action("setFlowSide:", &GraphicsInspector::setFlowSide);
    action("applyStyle:", &GraphicsInspector::applyStyle);
}

GraphicsInspector::~GraphicsInspector()
{
    // The delegate names no inspector that has gone.
    if (auto* delegate = dynamic_cast<Layvane*>(Main); delegate && delegate->graphicsInspector() == this)
        delegate->setGraphicsInspector(nullptr);
}

void GraphicsInspector::initialize()
{
    kit::registerClass<GraphicsInspector>("GraphicsInspector");
    registerInterfaceFile();
}

ZynInspector* GraphicsInspector::init(kit::Object* owner)
{
    ZynInspector::init(owner);
    // The graphic styles panel would take the pane as its editor: this
    // program has none.
    if (auto* delegate = dynamic_cast<kit::NibOwner*>(Main))
        delegate->setOutlet("GraphicsInspector", this);
    immediate_ = true;
    currentStyle_ = std::make_unique<StyleGraphicNamed>();
    currentStyle_->setCanFree(false);
    const Preferences* preferences = Main ? Main->preferences() : nullptr;
    if (preferences && preferences->hasFill()) {
        currentStyle_->setHasFill(true);
        currentStyle_->setFillColor(kit::Color::whiteColor());
    } else {
        currentStyle_->setHasFill(false);
    }
    if (preferences && preferences->hasLine()) {
        currentStyle_->setHasLine(true);
        currentStyle_->setLineWidth(preferences->lineWidth());
        currentStyle_->setLineColor(kit::Color::colorWithDeviceCyan(0, 0, 0, 1, 1));
    } else {
        currentStyle_->setHasLine(false);
    }
    if (kit::PopUpButton* pullDown = widthPullDown()) {
        pullDown->setTarget(this);
        pullDown->setAction("changeLineWidthFromPopup:");
    }
    differences_ = 0;
    permissions_ = 0xF;
    // The fields are always there to be written to.
    for (auto* field : {&widthField_, &standoffLeft_, &rotationField_, &scaleField_})
        if (!field->get()) {
            ownFields_.push_back(std::make_unique<kit::TextField>());
            *field = kit::WeakRef<kit::TextField>(ownFields_.back().get());
        }
    setFieldValues();
    return this;
}

void GraphicsInspector::setPanelHost(PanelHost* host)
{
    ZynInspector::setPanelHost(host);
    host_ = host;
}

// ---- Showing.

GraphicsInspector::Working GraphicsInspector::working(const std::vector<Item*>& selection) const
{
    Working w;
    w.items = selection;
    auto* column = selection.empty() ? nullptr : dynamic_cast<TextItem*>(selection.front());
    TextFlow* flow = column ? column->flow() : nullptr;
    TextSelection* edited = flow ? flow->textSelection() : nullptr;
    if (!edited)
        return w;
    std::vector<Item*> pictures;
    std::vector<TextWordSpecial*> words;
    for (TextWord* word : edited->embeddedGraphicsList())
        if (auto* special = dynamic_cast<TextWordSpecial*>(word))
            if (Item* picture = special->graphicItem()) {
                pictures.push_back(picture);
                words.push_back(special);
            }
    if (pictures.empty())
        return w;
    w.items = std::move(pictures);
    w.words = std::move(words);
    w.isSelection = false;
    return w;
}

std::vector<Item*> GraphicsInspector::workingSelection(const std::vector<Item*>& selection) const
{
    return working(selection).items;
}

kit::Object* GraphicsInspector::showSelection(const std::vector<Item*>* selection)
{
    if (disableInspect_)
        return this;
    kit::Window* window = inspectorView();
    if (window)
        window->disableFlushWindow();
    const std::vector<Item*> s = selection ? *selection : std::vector<Item*>{};
    const Working w = s.empty() ? Working{} : working(s);
    if (w.items.empty()) {
        if (kit::PopUpButton* popup = stylePopupButton(); popup && popup->numberOfItems() > 0)
            popup->selectItemAtIndex(0);
        oldStyle_ = nullptr;
        if (kit::Button* button = lockButton())
            button->setState(0);
        setText(rotationField(), "");
        setText(scaleField(), "");
        hasFieldAngle_ = hasFieldScale_ = false;
    } else {
        oldStyle_ = checkGraphicStyleValues(w.items, currentStyle_.get(), &differences_);
        setStyleNameValue(oldStyle_);
        checkGraphicPermissions(w.items, &permissions_);
        setFieldValues();
        const bool textFirst = dynamic_cast<TextItem*>(s.front()) != nullptr;
        const bool plain = w.isSelection && !textFirst;

        if (plain) {
            Item* first = w.items.front();
            float left = 0, right = 0, top = 0, bottom = 0;
            int side = 0;
            first->getRunaroundValues(nullptr, &left, &right, &top, &bottom, &side);
            bool agree = true, sameStandoff = true;
            for (Item* item : w.items) {
                agree = agree && item->hasRunaround() == first->hasRunaround();
                if (item->hasRunaround()) {
                    float l = 0, r = 0, t = 0, b = 0;
                    int f = 0;
                    item->getRunaroundValues(nullptr, &l, &r, &t, &b, &f);
                    sameStandoff = sameStandoff && l == left;
                }
            }
            if (kit::Button* button = runaround(); button && agree)
                button->setState(first->hasRunaround() ? 1 : 0);
            setText(standoffLeft(), sameStandoff ? formatted("%3.2f", left) : std::string());
        }
        _setRunaroundEnabled(plain);

        if (kit::TextField* field = nameField()) {
            if (w.items.size() == 1) {
                field->setStringValue(w.items.front()->name().value_or(std::string()));
                field->setEnabled(dynamic_cast<TextItem*>(w.items.front()) == nullptr);
            } else {
                field->setStringValue(text("MultipleSelection"));
                field->setEnabled(false);
            }
        }
        if (kit::Button* button = lockButton()) {
            button->setState(isLocked(w.items) ? 1 : 0);
            button->setEnabled(plain);
        }
        float angle = 0;
        if (plain && getRotation(s, &angle)) {
            setRotate(angle);
            hasFieldAngle_ = true;
        } else {
            setText(rotationField(), "");
            hasFieldAngle_ = false;
        }
        _setRotationEnabled(plain);
        float sx = 1, sy = 1;
        if (getScale(w.items, &sx, &sy)) {
            setScale(std::fabs(sx), std::fabs(sy));
            hasFieldScale_ = true;
        } else {
            setText(scaleField(), "");
            hasFieldScale_ = false;
        }
        setEnabled(scaleField(), !textFirst);
    }
    showFile(w.items, w.words);
    drawMiniView();
    if (window) {
        window->enableFlushWindow();
        window->flushWindow();
    }
    return s.empty() ? nullptr : this;
}

void GraphicsInspector::showFile(const std::vector<Item*>& items, const std::vector<TextWordSpecial*>& words)
{
    std::vector<const GraphicLink*> graphics;
    int textFrames = 0;
    for (auto it = items.rbegin(); it != items.rend(); ++it) {
        if (dynamic_cast<TextItem*>(*it))
            ++textFrames;
        else if (auto* placed = dynamic_cast<PlacedItem*>(*it))
            graphics.push_back(placed);
    }
    // In-line pictures are told by their words.
    if (!words.empty()) {
        graphics.clear();
        for (auto it = words.rbegin(); it != words.rend(); ++it)
            graphics.push_back(*it);
    }
    kit::Button* icon = iconButton();
    if (graphics.size() + std::size_t(textFrames) >= 2) {
        setText(fileTitle(), text("MultipleSelection"));
        setText(pathField(), "");
        icon_ = kit::Image::imageNamed("MultipleFiles");
        if (icon)
            icon->setImage(icon_.get());
    } else if (textFrames == 1) {
        setText(fileTitle(), text("Text"));
        setText(pathField(), text("None"));
        icon_ = kit::Image::imageNamed("Scrivly");
        if (!icon_)
            icon_ = kit::Image::imageNamed("ScrivlyDocument");
        if (icon)
            icon->setImage(icon_.get());
    } else if (graphics.size() == 1) {
        const std::string name = graphics.front()->filename().value_or(std::string());
        const auto slash = name.rfind('/');
        setText(fileTitle(), slash == std::string::npos ? name : name.substr(slash + 1));
        setText(pathField(), slash == std::string::npos ? std::string() : name.substr(0, slash));
        std::optional<std::string> resolved = name.empty() ? std::nullopt : std::optional<std::string>(name);
        if (const auto* placed = dynamic_cast<const PlacedItem*>(graphics.front()))
            resolved = placed->resolvedname();
        setIconForFilename(resolved);
    } else {
        setText(fileTitle(), text("None"));
        setText(pathField(), text("None"));
        setIconForFilename(std::nullopt);
    }
}

void GraphicsInspector::setIconForFilename(const std::optional<std::string>& path)
{
    if (path && !path->empty() && kit::Application::sharedApplication().isActive())
        icon_ = kit::Workspace::sharedWorkspace().iconForFile(*path);
    else
        icon_.reset();
    if (kit::Button* icon = iconButton())
        icon->setImage(icon_.get());
}

void GraphicsInspector::inspectStyle(const StyleGraphic* style)
{
    kit::Window* window = inspectorView();
    if (window)
        window->disableFlushWindow();
    if (!style) {
        if (kit::PopUpButton* popup = stylePopupButton(); popup && popup->numberOfItems() > 0)
            popup->selectItemAtIndex(0);
    } else {
        differences_ = 0;
        permissions_ = 0xF;
        currentStyle_->takeStyleValuesFrom(style);
        setStyleNameValue(style);
        setFieldValues();
        if (kit::Button* button = fillButton())
            button->setState(style->hasFill() ? 1 : 0);
        if (kit::Button* button = lineButton())
            button->setState(style->hasLine() ? 1 : 0);
        drawMiniView();
    }
    oldStyle_ = style;
    if (window) {
        window->enableFlushWindow();
        window->flushWindow();
    }
}

StyleInfo* GraphicsInspector::styleInfo() const { return host_ ? host_->styleInfo() : nullptr; }

std::vector<StyleGraphic*> GraphicsInspector::styles() const
{
    std::vector<StyleGraphic*> list;
    StyleInfo* info = styleInfo();
    StyleList* sheet = info ? info->stylesForType(2) : nullptr;
    if (sheet)
        for (const auto& entry : *sheet)
            if (auto* style = dynamic_cast<StyleGraphic*>(entry.get()))
                list.push_back(style);
    return list;
}

void GraphicsInspector::_loadStyleInfo()
{
    kit::PopUpButton* popup = stylePopupButton();
    if (!popup)
        return;
    popup->removeAllItems();
    popup->addItemWithTitle(text("No Style"));
    for (StyleGraphic* style : styles())
        if (auto name = style->styleName())
            popup->addItemWithTitle(*name);
}

void GraphicsInspector::setStyleNameValue(const StyleGraphic* style)
{
    _loadStyleInfo();
    kit::PopUpButton* popup = stylePopupButton();
    if (!popup)
        return;
    std::string title = text("No Style");
    if (style) {
        const StyleGraphic* shown = style->isNamedStyle() && style->rootStyle() ? style->rootStyle() : style;
        title = shown->styleName().value_or(title);
    }
    const int index = popup->indexOfItemWithTitle(title);
    popup->selectItemAtIndex(index >= 0 ? index : 0);
}

void GraphicsInspector::setHasFillState(bool flag)
{
    if (kit::Button* button = fillButton(); button && !disableFillButton_)
        button->setState(flag ? 1 : 0);
    setEnabled(fillColor(), flag);
    enableTagged(fillColor() ? fillColor()->superview() : nullptr, HasStateTag, flag);
}

void GraphicsInspector::setCanFillState(bool flag)
{
    setEnabled(fillButton(), flag);
    enableTagged(fillColor() ? fillColor()->superview() : nullptr, CanStateTag, flag);
    if (kit::Button* button = fillButton(); button && !flag)
        button->setState(0);
}

void GraphicsInspector::setHasLineState(bool flag)
{
    if (kit::Button* button = lineButton(); button && !disableLineButton_)
        button->setState(flag ? 1 : 0);
    setEnabled(lineColor(), flag);
    enableTagged(lineColor() ? lineColor()->superview() : nullptr, HasStateTag, flag);
    setEnabled(widthField(), flag);
    setEnabled(widthPullDown(), flag);
}

void GraphicsInspector::setCanLineState(bool flag)
{
    setEnabled(lineButton(), flag);
    enableTagged(lineColor() ? lineColor()->superview() : nullptr, CanStateTag, flag);
    if (kit::Button* button = lineButton(); button && !flag)
        button->setState(0);
}

void GraphicsInspector::setFieldValues()
{
    const StyleGraphic& style = *currentStyle_;
    const bool canFill = (permissions_ & CanFill) != 0;
    const bool canLine = (permissions_ & CanLine) != 0;
    setHasFillState(style.hasFill() && canFill);
    setCanFillState(canFill);
    if (kit::ColorWell* well = fillColor())
        well->setColor(style.hasFill() && canFill && !(differences_ & FillColorDiffers) ? style.fillColor()
                                                                                          : kit::Color::lightGrayColor());
    setHasLineState(style.hasLine() && canLine);
    setCanLineState(canLine);
    const bool lineShown = style.hasLine() && canLine;
    if (kit::ColorWell* well = lineColor())
        well->setColor(lineShown && !(differences_ & LineColorDiffers) ? style.lineColor()
                                                                       : kit::Color::lightGrayColor());
    setText(widthField(), lineShown && !(differences_ & LineWidthDiffers) ? formatWidth(style.lineWidth()) : "");
}

void GraphicsInspector::setRotate(float degrees)
{
    if (degrees < 0)
        degrees += 360;
    else if (degrees > 360)
        degrees -= 360;
    selectedAngle_ = degrees;
    const std::string shown = formatted("%.1f", degrees);
    setText(rotationField(), shown);
    fieldAngle_ = parseFieldNumber(shown).value_or(degrees);
}

void GraphicsInspector::setScale(float sx, float sy)
{
    selectedScaleX_ = 100 * sx;
    selectedScaleY_ = 100 * sy;
    const std::string shown = selectedScaleX_ == selectedScaleY_
                                  ? formatted("%.1f", selectedScaleX_)
                                  : formatted("%.0f", selectedScaleX_) + "/" + formatted("%.0f", selectedScaleY_);
    setText(scaleField(), shown);
    if (auto pair = scalePair(shown)) {
        fieldScaleX_ = pair->first;
        fieldScaleY_ = pair->second;
    } else {
        fieldScaleX_ = fieldScaleY_ = 1.0f;
    }
}

void GraphicsInspector::_setRunaroundEnabled(bool flag)
{
    kit::Button* button = runaround();
    kit::View* box = button ? button->superview() : nullptr;
    if (!box) {
        setEnabled(button, flag);
        setEnabled(standoffLeft(), flag);
        return;
    }
    for (const auto& sub : box->subviews())
        if (auto* control = dynamic_cast<kit::Control*>(sub.get()))
            control->setEnabled(flag);
}

void GraphicsInspector::_setRotationEnabled(bool flag)
{
    setEnabled(rotationField(), flag);
    setEnabled(rotateCounterButton(), flag);
    setEnabled(rotateClockwiseButton(), flag);
}

float GraphicsInspector::miniViewGround(const StyleGraphic& style)
{
    const bool white = (style.hasFill() && nearWhite(style.fillColor())) ||
                       (style.hasLine() && nearWhite(style.lineColor()));
    return white ? WhiteGround : 1.0f;
}

std::string GraphicsInspector::formatWidth(float width)
{
    std::string shown = formatted("%f", width);
    const auto point = shown.find('.');
    if (point == std::string::npos)
        return shown;
    while (shown.size() > point + 2 && shown.back() == '0')
        shown.pop_back();
    return shown;
}

// ---- Immediate changes.

void GraphicsInspector::changeImmediately(
    const std::function<std::unique_ptr<Undo>(const std::vector<Item*>&)>& change, bool invalidateFirst)
{
    if (!immediate_)
        return;
    LayoutDocument* doc = document();
    const std::vector<Item*> s = doc ? doc->selected() : std::vector<Item*>{};
    if (s.empty())
        return;
    const Working w = working(s);
    const std::vector<Item*> copy = w.items;
    PageView* view = pageView();
    if (invalidateFirst)
        doc->invalidate(view, s);
    disableInspect_ = true;
    std::unique_ptr<Undo> record = change(copy);
    const std::vector<kit::Object*> told = objects(s);
    doc->notifyUpdate(nullptr, w.isSelection ? &told : nullptr);
    disableInspect_ = false;
    if (record)
        doc->undoInfo()->push(std::move(record));
}

void GraphicsInspector::changeFill(kit::Object* sender)
{
    (void)sender;
    kit::Button* button = fillButton();
    const bool flag = button && button->state() != 0;
    currentStyle_->setHasFill(flag);
    if (flag && !currentStyle_->fill())
        currentStyle_->setFillColor(kit::Color::whiteColor());
    disableFillButton_ = true;
    changeImmediately([&](const std::vector<Item*>& items) { return modifyFlag(items, flag, Undo::HasFillSet, true); });
    setFieldValues();
    disableFillButton_ = false;
    drawMiniView();
}

void GraphicsInspector::changeFillColor(kit::Object* sender)
{
    (void)sender;
    kit::ColorWell* well = fillColor();
    if (!well)
        return;
    const kit::ColorRef color = well->color();
    currentStyle_->setFillColor(color);
    drawMiniView();
    changeImmediately(
        [&](const std::vector<Item*>& items) { return modifyColor(items, color, Undo::FillColorSet, true); });
}

void GraphicsInspector::changeFillPattern(kit::Object* sender)
{
    (void)sender;
    currentStyle_->setFillPattern(nullptr);
    changeImmediately([](const std::vector<Item*>& items) { return modifyPattern(items, nullptr, true); });
}

void GraphicsInspector::changeLine(kit::Object* sender)
{
    (void)sender;
    kit::Button* button = lineButton();
    const bool flag = button && button->state() != 0;
    currentStyle_->setHasLine(flag);
    disableLineButton_ = true;
    changeImmediately([&](const std::vector<Item*>& items) { return modifyFlag(items, flag, Undo::HasLineSet, true); },
                      true);
    setFieldValues();
    disableLineButton_ = false;
    drawMiniView();
}

void GraphicsInspector::changeLineColor(kit::Object* sender)
{
    (void)sender;
    kit::ColorWell* well = lineColor();
    if (!well)
        return;
    const kit::ColorRef color = well->color();
    currentStyle_->setLineColor(color);
    drawMiniView();
    changeImmediately(
        [&](const std::vector<Item*>& items) { return modifyColor(items, color, Undo::LineColorSet, true); });
}

float GraphicsInspector::largestMeasure() const
{
    LayoutDocument* doc = document();
    const kit::Size size = doc ? doc->pageSize() : kit::Size{};
    const float largest = std::max(size.width, size.height);
    return largest > 0 ? largest : 20000.0f;
}

std::optional<float> GraphicsInspector::fieldNumber(const kit::TextField* field)
{
    return field ? parseFieldNumber(field->stringValue()) : std::nullopt;
}

void GraphicsInspector::writeWidth(float width) { setText(widthField(), formatWidth(width)); }

void GraphicsInspector::changeLineWidth(kit::Object* sender)
{
    (void)sender;
    const std::optional<float> width = fieldNumber(widthField());
    if (!width || *width < 0 || *width > largestMeasure()) {
        kit::beep();
        return;
    }
    currentStyle_->setLineWidth(*width);
    drawMiniView();
    LayoutDocument* doc = document();
    PageView* view = pageView();
    changeImmediately([&](const std::vector<Item*>& items) {
        doc->invalidate(view, items);
        return modifyLineWidth(items, *width, true);
    });
}

void GraphicsInspector::changeLineWidthFromPopup(kit::Object* sender)
{
    auto* popup = dynamic_cast<kit::PopUpButton*>(sender);
    kit::MenuItem* item = popup ? popup->selectedItem() : nullptr;
    if (!item)
        return;
    const float value = getValueFromMenu(item->tag(), std::optional<std::string>(item->title()));
    if (!(value >= 0))
        return;
    writeWidth(value);
    changeLineWidth(sender);
}

void GraphicsInspector::nudgeLineWidth(kit::Object* sender)
{
    auto* control = dynamic_cast<kit::Control*>(sender);
    const Preferences* preferences = Main ? Main->preferences() : nullptr;
    const std::optional<float> width = fieldNumber(widthField());
    if (!control || !preferences || !width) {
        kit::beep();
        return;
    }
    const float step =
        preferences->incrementForType(LineWidthIncrementType, kit::currentEventModifierFlags(), 1.0f) *
        float(control->selectedTag());
    writeWidth(std::max(0.0f, *width + step));
    changeLineWidth(sender);
}

void GraphicsInspector::applyLineWidth(kit::Object* sender)
{
    ok(sender);
    if (kit::TextField* field = widthField())
        field->selectText(nullptr);
}

// ---- Name, lock, rotation, runaround.

void GraphicsInspector::changeName(kit::Object* sender)
{
    (void)sender;
    LayoutDocument* doc = document();
    if (!immediate_ || !doc)
        return;
    const Working w = working(doc->selected());
    if (w.items.size() != 1 || w.items.front()->isLocked())
        return;
    kit::TextField* field = nameField();
    const std::string name = field ? field->stringValue() : std::string();
    w.items.front()->setName(name.empty() ? std::nullopt : std::optional<std::string>(name));
    // No undo record, but the document has changed.
    doc->setEdited(true);
}

void GraphicsInspector::lock(kit::Object* sender)
{
    PageView* view = pageView();
    kit::Button* button = lockButton();
    if (!view || !button)
        return;
    if (button->state() != 0)
        view->lock(sender);
    else
        view->unlock(sender);
}

void GraphicsInspector::rotateItem(kit::Object* sender)
{
    PageView* view = pageView();
    const Preferences* preferences = Main ? Main->preferences() : nullptr;
    if (!view || !preferences)
        return;
    float step = preferences->incrementForType(RotationIncrementType, kit::currentEventModifierFlags(), view->zoom());
    if (auto* control = dynamic_cast<kit::Control*>(sender); control && control->tag() == RotateClockwiseTag)
        step = -step;
    if (step != 0)
        view->doRotateNudge(step);
}

void GraphicsInspector::increaseStandoffLeft(kit::Object* sender)
{
    const std::optional<float> value = fieldNumber(standoffLeft());
    if (!value || std::fabs(*value + 1.0f) > largestMeasure()) {
        kit::beep();
        return;
    }
    setText(standoffLeft(), formatted("%3.2f", *value + 1.0f));
    if (kit::Button* button = runaround())
        button->setState(1);
    runaroundToggle(sender);
}

void GraphicsInspector::decreaseStandoffLeft(kit::Object* sender)
{
    const std::optional<float> value = fieldNumber(standoffLeft());
    if (!value || std::fabs(*value - 1.0f) > largestMeasure()) {
        kit::beep();
        return;
    }
    setText(standoffLeft(), formatted("%3.2f", *value - 1.0f));
    if (kit::Button* button = runaround())
        button->setState(1);
    runaroundToggle(sender);
}

void GraphicsInspector::runaroundToggle(kit::Object* sender)
{
    (void)sender;
    const std::optional<float> value = fieldNumber(standoffLeft());
    if (!value || std::fabs(*value) > largestMeasure()) {
        kit::beep();
        return;
    }
    kit::Button* button = runaround();
    setRunaround(button && button->state() != 0, *value, *value, *value, *value, 0);
}

void GraphicsInspector::setRunaround(bool flag, float left, float right, float top, float bottom, int flowSide)
{
    PageView* view = pageView();
    LayoutDocument* doc = document();
    if (!view || !doc)
        return;
    const std::vector<Item*> s = doc->selected();
    if (s.empty() || !working(s).isSelection)
        return;
    disableInspect_ = true;
    for (Item* item : s)
        item->setRunaround(flag, left, right, top, bottom, flowSide);
    const std::vector<kit::Object*> told = objects(s);
    doc->notifyUpdate(view, &told);
    disableInspect_ = false;
    doc->setEdited(true);
}

void GraphicsInspector::setFlowSide(kit::Object* sender) { ok(sender); }

// ---- OK.

void GraphicsInspector::ok(kit::Object* sender)
{
    (void)sender;
    PageView* view = pageView();
    LayoutDocument* doc = view ? document() : nullptr;
    if (!doc)
        return;
    const std::vector<Item*> s = doc->selected();
    const Working w = working(s);
    const std::vector<Item*> unlocked = subsetCopyForLockState(s, false);
    if (unlocked.empty() && w.isSelection)
        return;
    const bool onUnlocked = !unlocked.empty() && w.isSelection;
    const std::vector<Item*> list = onUnlocked ? unlocked : w.items;

    // Every field that holds text must hold a number the document takes,
    // else nothing changes.
    const float largest = largestMeasure();
    auto refused = [](const kit::TextField* field) {
        return field && !trimmedFieldText(field->stringValue()).empty() && !parseFieldNumber(field->stringValue());
    };
    const std::optional<float> width = fieldNumber(widthField());
    const std::optional<float> standoff = fieldNumber(standoffLeft());
    const std::optional<float> angle = fieldNumber(rotationField());
    const std::optional<std::pair<float, float>> scale =
        scaleField() ? scalePair(scaleField()->stringValue()) : std::nullopt;
    const bool scaleRefused = scaleField() && !trimmedFieldText(scaleField()->stringValue()).empty() &&
                              (!scale || !(scale->first > 0) || !(scale->second > 0));
    const bool lineOn = lineButton() && lineButton()->state() != 0;
    if (refused(widthField()) || refused(standoffLeft()) || refused(rotationField()) || scaleRefused ||
        (width && (*width < 0 || *width > largest)) || (standoff && std::fabs(*standoff) > largest)) {
        kit::beep();
        return;
    }

    const bool applyWidth = lineOn && width.has_value();
    if (applyWidth) {
        currentStyle_->setLineWidth(*width);
        drawMiniView();
    }
    const bool runaroundOn = runaround() && runaround()->state() != 0;
    disableInspect_ = true;
    for (Item* item : list) {
        if (onUnlocked) {
            float l = 0, r = 0, t = 0, b = 0;
            int side = 0;
            item->getRunaroundValues(nullptr, &l, &r, &t, &b, &side);
            if (standoff)
                l = r = t = b = *standoff;
            item->setRunaround(runaroundOn, l, r, t, b, 0);
        }
        if (applyWidth)
            item->setLineWidth(*width);
    }

    std::vector<Item*> targets;
    for (Item* item : list)
        if (!item->isLocked() && !dynamic_cast<TextItem*>(item))
            targets.push_back(item);
    // In-line pictures change through their words, which measure again.
    std::vector<TextWordSpecial*> words;
    for (TextWordSpecial* word : w.words)
        if (Item* picture = word->graphicItem();
            picture && std::find(targets.begin(), targets.end(), picture) != targets.end())
            words.push_back(word);
    auto apply = [&](const std::function<std::unique_ptr<Undo>(const std::vector<Item*>&)>& change) {
        if (words.empty())
            return change(targets);
        std::vector<std::unique_ptr<Undo>> records;
        for (TextWordSpecial* word : words)
            word->forwardToImage([&](Item& picture) { records.push_back(change({&picture})); });
        return UndoComposite::combined(std::move(records));
    };

    std::vector<std::unique_ptr<Undo>> records;
    if (!targets.empty()) {
        if (scale && (scale->first > 0.000005f || scale->second > 0.000005f) &&
            (scale->first != fieldScaleX_ || scale->second != fieldScaleY_)) {
            float fx = scale->first * 0.01f, fy = scale->second * 0.01f;
            if (limitScale(targets, &fx, &fy))
                if (auto record = apply([&](const std::vector<Item*>& items) { return scaleTo(items, fx, fy, true); }))
                    records.push_back(std::move(record));
        }
        if (angle && (!hasFieldAngle_ || *angle != fieldAngle_)) {
            const float to = -std::fmod(*angle, 360.0f);
            if (auto record = apply([&](const std::vector<Item*>& items) { return rotateTo(items, to, true); }))
                records.push_back(std::move(record));
        }
    }
    const std::vector<kit::Object*> told = objects(unlocked);
    doc->notifyUpdate(view, onUnlocked ? &told : nullptr);
    disableInspect_ = false;
    if (std::unique_ptr<Undo> record = UndoComposite::combined(std::move(records)))
        doc->undoInfo()->push(std::move(record));
    else if (onUnlocked || applyWidth)
        doc->setEdited(true);
}

// ---- Styles.

void GraphicsInspector::applyStyle(kit::Object* sender)
{
    (void)sender;
    LayoutDocument* doc = document();
    if (!doc || !oldStyle_)
        return;
    // The style shown may belong to a sheet that has gone since.
    const std::vector<StyleGraphic*> sheet = styles();
    const auto listed = [&](const StyleGraphic* style) {
        return std::find(sheet.begin(), sheet.end(), style) != sheet.end();
    };
    if (!listed(oldStyle_) || !oldStyle_->isNamedStyle())
        return;
    StyleGraphic* root = oldStyle_->rootStyle();
    if (!root || !listed(root))
        root = const_cast<StyleGraphic*>(oldStyle_);
    std::unique_ptr<StyleGraphic> before = root->copy();
    root->takeStyleValuesFrom(currentStyle_.get());
    doc->notifyUpdateForGraphicStyle(pageView(), root);
    auto record = std::make_unique<UndoStyleGraphic>(std::vector<Item*>{}, nullptr, Undo::GraphicStyleRedefined);
    record->setGraphicStyle(std::move(before));
    doc->undoInfo()->push(std::move(record));
}

void GraphicsInspector::setStyle(kit::Object* sender)
{
    (void)sender;
    kit::PopUpButton* popup = stylePopupButton();
    PageView* view = pageView();
    if (!popup || !view)
        return;
    const std::string title = popup->titleOfSelectedItem();
    for (StyleGraphic* style : styles())
        if (style->styleName() == title) {
            currentStyle_->takeStyleValuesFrom(style);
            view->applyStyle(this);
            return;
        }
}

kit::Object* GraphicsInspector::currentStyle() const { return currentStyle_.get(); }

// ---- Leaving and the text engine's notices.

void GraphicsInspector::swapOut(kit::Object* sender)
{
    (void)sender;
    if (kit::ColorWell* well = fillColor())
        well->deactivate();
    if (kit::ColorWell* well = lineColor())
        well->deactivate();
}

void GraphicsInspector::inspectSelectedItems(const std::vector<Item*>* items) { (void)showSelection(items); }

kit::TextField* GraphicsInspector::widthField() const { return widthField_.get(); }
kit::TextField* GraphicsInspector::standoffLeft() const { return standoffLeft_.get(); }
kit::TextField* GraphicsInspector::rotationField() const { return rotationField_.get(); }
kit::TextField* GraphicsInspector::scaleField() const { return scaleField_.get(); }
kit::PopUpButton* GraphicsInspector::stylePopupButton() const { return stylePopupButton_.get(); }
kit::View* GraphicsInspector::drawView() const { return drawView_.get(); }
kit::Button* GraphicsInspector::fillButton() const { return fillButton_.get(); }
kit::ColorWell* GraphicsInspector::fillColor() const { return fillColor_.get(); }
kit::Button* GraphicsInspector::lineButton() const { return lineButton_.get(); }
kit::ColorWell* GraphicsInspector::lineColor() const { return lineColor_.get(); }
kit::PopUpButton* GraphicsInspector::widthPullDown() const { return widthPullDown_.get(); }
kit::Button* GraphicsInspector::runaround() const { return runaround_.get(); }
kit::Button* GraphicsInspector::iconButton() const { return iconButton_.get(); }
kit::TextField* GraphicsInspector::fileTitle() const { return fileTitle_.get(); }
kit::TextField* GraphicsInspector::pathField() const { return pathField_.get(); }
kit::Button* GraphicsInspector::lockButton() const { return lockButton_.get(); }
kit::TextField* GraphicsInspector::nameField() const { return nameField_.get(); }
kit::Button* GraphicsInspector::rotateCounterButton() const { return rotateCounterButton_.get(); }
kit::Button* GraphicsInspector::rotateClockwiseButton() const { return rotateClockwiseButton_.get(); }
