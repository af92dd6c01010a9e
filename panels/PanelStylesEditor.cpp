// The paragraph style editor: set-up, the modal run and what it shows.

#include "panels/PanelStylesEditor.h"

#include "app/Layvane.h"
#include "appkit/Application.h"
#include "appkit/CellMatrix.h"
#include "appkit/ColorWell.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "core/Encoding.h"
#include "core/NumberFormatter.h"
#include "document/LayoutDocument.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"
#include "graphics/Font.h"
#include "panels/AutoLead.h"
#include "panels/PanelStylesEditorTabs.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "view/PageView.h"
#include "view/RulerViewInset.h"

#include <cmath>
#include <cstdio>

namespace {

kit::ColorRef black() { return kit::Color::colorWithDeviceCyan(0, 0, 0, 1, 1); }

bool sameColor(const kit::ColorRef& a, const kit::ColorRef& b)
{
    return a == b || (a && b && a->isEqual(*b));
}

// A value read from a document may be anything; the fields show numbers.
float shown(float value) { return std::isfinite(value) ? value : 0.0f; }

} // namespace

const std::vector<PanelStylesEditor::DefinedBox>& PanelStylesEditor::definedBoxes()
{
    static const std::vector<DefinedBox> boxes = {
        {"isRulerDefined", RulerBit},
        {"isSpaceBeforeDefined", SpaceBeforeBit},
        {"isSpaceAfterDefined", SpaceAfterBit},
        {"isSpaceBetweenDefined", SpaceBetweenBit},
        {"isBulletDefined", BulletBit},
        {"isParaFlagsDefined", ParaFlagsBit},
        {"isWidowControlDefined", WidowControlBit},
        {"isNextStyleDefined", NextStyleBit},
        {"isIndentDefined", IndentBit},
        {"isBasedOnStyleDefined", BasedOnStyleBit},
        {"isColumnStartDefined", ColumnStartBit},
        {"isAutonumberLevelDefined", AutonumberLevelBit},
        {"isAlignmentDefined", AlignmentBit},
        {"isFontDefined", FontBit},
        {"isWordSpaceDefined", WordSpaceBit},
        {"isLeadingDefined", LeadingBit},
        {"isLineSpacingDefined", LineSpacingBit},
        {"isTrackingDefined", TrackingBit},
        {"isColorDefined", ColorBit},
    };
    return boxes;
}

PanelStylesEditor::PanelStylesEditor()
    : kit::Panel(kit::makeRect(0, 0, ContentWidth, ContentHeight), kit::TitledWindowMask | kit::ClosableWindowMask)
{
    struct Entry {
        const char* name;
        void (PanelStylesEditor::*action)(kit::Object*);
    };
    static const Entry kActions[] = {
        {"saveAndApplyForced:", &PanelStylesEditor::saveAndApplyForced},
        {"saveAndApplyUnforced:", &PanelStylesEditor::saveAndApplyUnforced},
        {"saveOnly:", &PanelStylesEditor::saveOnly},
        {"cancel:", &PanelStylesEditor::cancel},
        {"setBasedOnStyle:", &PanelStylesEditor::setBasedOnStyle},
        {"setStyleAfter:", &PanelStylesEditor::setStyleAfter},
        {"changeName:", &PanelStylesEditor::changeName},
        {"changeFont:", &PanelStylesEditor::changeFont},
        {"runFontPanel:", &PanelStylesEditor::runFontPanel},
        {"windowChanged:", &PanelStylesEditor::windowChanged},
        {"viewFrameChanged:", &PanelStylesEditor::viewFrameChanged},
        {"updatePanel:", &PanelStylesEditor::updatePanel},
    };
    for (const Entry& entry : kActions) {
        const auto action = entry.action;
        setAction(entry.name, [this, action](kit::Object* sender) -> kit::Object* {
            (this->*action)(sender);
            return this;
        });
    }
}

PanelStylesEditor::~PanelStylesEditor()
{
    if (tabsPanel_)
        tabsPanel_->setRuler(nullptr);
}

bool PanelStylesEditor::setOutlet(const std::string& name, kit::Object* object)
{
    auto* control = dynamic_cast<kit::Control*>(object);
    for (const DefinedBox& box : definedBoxes())
        if (name == box.outlet) {
            defined_[box.bit] = control;
            return true;
        }
    if (setParagraphControl(name, object))
        return true;
    if (name == "bulletX" || name == "bulletY") {
        (name == "bulletX" ? bulletX_ : bulletY_) = control;
        return true;
    }
    if (name == "incomingNameField")
        incomingNameField_ = dynamic_cast<kit::TextField*>(object);
    else if (name == "latestNameField")
        latestNameField_ = dynamic_cast<kit::TextField*>(object);
    else if (name == "nameField")
        nameField_ = dynamic_cast<kit::TextField*>(object);
    else if (name == "basedOnStylePopupButton")
        basedOnStylePopupButton_ = dynamic_cast<kit::PopUpButton*>(object);
    else if (name == "styleAfterPopupButton")
        styleAfterPopupButton_ = dynamic_cast<kit::PopUpButton*>(object);
    else if (name == "alignment")
        alignment_ = dynamic_cast<kit::CellMatrix*>(object);
    else if (name == "widowControl")
        widowControl_ = dynamic_cast<kit::CellMatrix*>(object);
    else if (name == "fontField")
        fontField_ = dynamic_cast<kit::TextField*>(object);
    else if (name == "textColor")
        textColor_ = dynamic_cast<kit::ColorWell*>(object);
    else if (name == "bulletText")
        bulletText_ = dynamic_cast<kit::TextField*>(object);
    else if (name == "ruler")
        ruler_ = dynamic_cast<kit::View*>(object);
    else
        return false;
    return true;
}

kit::Control* PanelStylesEditor::control(const std::string& outlet) const
{
    for (const DefinedBox& box : definedBoxes())
        if (outlet == box.outlet)
            return defined_[box.bit];
    if (kit::Control* shared = paragraphControl(outlet))
        return shared;
    const std::pair<const char*, kit::Control*> own[] = {
        {"bulletX", bulletX_},
        {"bulletY", bulletY_},
        {"nameField", nameField_},
        {"incomingNameField", incomingNameField_},
        {"latestNameField", latestNameField_},
    };
    for (const auto& [name, control] : own)
        if (outlet == name)
            return control;
    return nullptr;
}

void PanelStylesEditor::awakeFromNib()
{
    tabsPanel_ = std::make_unique<PanelStylesEditorTabs>(*this);
    tabsPanel_->init(this, ruler_);
    tabsPanel_->setPanelHost(host_);
    tabsPanel_->setDisableApply(true);
    if (auto* ruler = dynamic_cast<RulerViewInset*>(ruler_))
        ruler->setTabPanel(tabsPanel_.get());
    myUnitsInfo_ = std::make_unique<UnitsInfo>();
    currentUnits_ = myUnitsInfo_->units();

    auto standIn = [this]() -> kit::TextField* {
        standIns_.push_back(std::make_unique<kit::TextField>());
        return static_cast<kit::TextField*>(standIns_.back().get());
    };
    kit::Control** fields[] = {&ligatures_,   &hungPunctuation_, &autoKern_,        &hyphenate_,   &wordSpace_,
                               &tracking_,    &leading_,         &autoLeading_,     &lineSpacing_, &indentLeft_,
                               &indentRight_, &indentDeltaFirst_, &spaceBefore_,    &spaceAfter_,  &spaceBetween_,
                               &startColumnTop_, &autonumberLevel_, &bulletX_,      &bulletY_};
    for (kit::Control** field : fields)
        if (!*field)
            *field = standIn();
    for (kit::TextField** field : {&incomingNameField_, &latestNameField_, &nameField_, &fontField_, &bulletText_})
        if (!*field)
            *field = standIn();
    for (const DefinedBox& box : definedBoxes())
        if (!defined_[box.bit])
            defined_[box.bit] = standIn();

    // Two digits before the point and two after.
    for (kit::Control* field : {bulletX_, bulletY_}) {
        auto format = std::make_shared<kit::NumberFormatter>();
        format->setMinimumFractionDigits(2);
        format->setMaximumFractionDigits(2);
        format->setAllowsEmpty(true);
        field->setFormatter(format);
    }
    for (kit::Control* field : {static_cast<kit::Control*>(nameField_), wordSpace_, tracking_, leading_, lineSpacing_,
                                indentLeft_, indentRight_, indentDeltaFirst_, spaceBefore_, spaceAfter_,
                                spaceBetween_, autonumberLevel_, static_cast<kit::Control*>(bulletText_), bulletX_,
                                bulletY_})
        field->setDelegate(this);
}

// ---- What the editor works on, checked at use.

LayoutDocument* PanelStylesEditor::mainDocument() const { return host_ ? host_->mainDocument() : nullptr; }

PageView* PanelStylesEditor::mainPageView() const { return host_ ? host_->mainPageView() : nullptr; }

StyleInfo* PanelStylesEditor::styleSheet() const
{
    if (LayoutDocument* doc = mainDocument())
        return doc->styleInfo();
    return host_ ? host_->styleInfo() : nullptr;
}

StyleParagraph* PanelStylesEditor::liveStyle(const StyleParagraph* style) const
{
    StyleInfo* sheet = style ? styleSheet() : nullptr;
    const StyleList* list = sheet ? sheet->stylesForType(StyleInfo::ParagraphStyleType) : nullptr;
    if (!list)
        return nullptr;
    for (const auto& entry : *list)
        if (entry.get() == static_cast<const StyleSheetEntry*>(style))
            return const_cast<StyleParagraph*>(style);
    return nullptr;
}

PanelTabs* PanelStylesEditor::tabsPanel() const { return tabsPanel_.get(); }

StyleParagraph* PanelStylesEditor::currentStyle() const { return liveStyle(currentStyle_); }

UnitsInfo* PanelStylesEditor::unitsInfo() const
{
    if (LayoutDocument* doc = mainDocument())
        return doc->unitsInfo();
    return Layvane::applicationUnitsInfo();
}

float PanelStylesEditor::pointsPerUnit() const
{
    float points = 1.0f;
    if (UnitsInfo* units = unitsInfo())
        units->convertFloatValueFromUnits(1.0f, &points);
    return std::isfinite(points) && points > 0.0f ? points : 1.0f;
}

float PanelStylesEditor::largestLength() const
{
    LayoutDocument* doc = mainDocument();
    const kit::Size size = doc ? doc->pageSize() : kit::Size{612, 792};
    const float side = std::max(size.width, size.height);
    return std::isfinite(side) && side > 0.0f ? side : 10000.0f;
}

kit::Control* PanelStylesEditor::definedBox(int bit) const
{
    return bit >= 0 && bit < 32 ? defined_[bit] : nullptr;
}

bool PanelStylesEditor::isTicked(int bit) const
{
    kit::Control* box = definedBox(bit);
    return box && box->intValue() != 0;
}

void PanelStylesEditor::tick(int bit, bool flag)
{
    if (kit::Control* box = definedBox(bit); box && (box->intValue() != 0) != flag)
        box->setIntValue(flag ? 1 : 0);
}

void PanelStylesEditor::markEdited() { setDocumentEdited(true); }

void PanelStylesEditor::setIfDiffers(kit::Control* control, const std::string& text)
{
    if (control && control->stringValue() != text)
        control->setStringValue(text);
}

void PanelStylesEditor::setIfDiffers(kit::Control* control, int value)
{
    if (control && (control->intValue() != value || control->stringValue().empty()))
        control->setIntValue(value);
}

// ---- The modal run.

void PanelStylesEditor::runModalForStyle(StyleParagraph* style)
{
    if (!style || !style->isNamedStyle() || !liveStyle(style))
        return;
    setDocumentEdited(false);
    inspectStyle(style);
    if (!placed_) {
        // The first run shows it in the middle of the screen, not where
        // the windows start (over the styles list); later runs where it was.
        const kit::Rect screen = kit::Window::mainScreenFrame();
        setFrameOrigin({kit::midX(screen) - kit::width(frame()) / 2, kit::midY(screen) - kit::height(frame()) / 2});
        placed_ = true;
    }
    makeKeyAndOrderFront(nullptr);
    nameField_->selectText(this);
    const int response = kit::Application::sharedApplication().runModalForWindow(this);
    // Closed or escaped: as Cancel, the name goes back.
    if (response != SavedResponse && currentStyle() && nameField_->stringValue() != incomingNameField_->stringValue()) {
        nameField_->setStringValue(incomingNameField_->stringValue());
        renameTo(incomingNameField_->stringValue());
    }
    reloadTabsFromEditedText();
    orderOut(nullptr);
}

void PanelStylesEditor::reloadTabsFromEditedText()
{
    if (!tabsPanel_)
        return;
    LayoutDocument* doc = mainDocument();
    PageView* view = mainPageView();
    TextFlow* flow = doc && view && view->isEditing() ? doc->activeTextFlow() : nullptr;
    if (TextParagraph* paragraph = flow ? flow->currentParagraph() : nullptr) {
        tabsPanel_->updateFromParagraph(paragraph);
        return;
    }
    // No text edited: no stop of the style may stay behind.
    const StyleParagraph plain;
    tabsPanel_->updateFromParagraphStyle(&plain);
}

// ---- Loading a style.

void PanelStylesEditor::_loadStyleInfo()
{
    StyleInfo* sheet = styleSheet();
    std::vector<std::string> names;
    if (const StyleList* list = sheet ? sheet->stylesForType(StyleInfo::ParagraphStyleType) : nullptr) {
        names.reserve(list->size());
        for (const auto& entry : *list)
            names.push_back(entry->styleName().value_or(std::string()));
    }
    for (kit::PopUpButton* popup : {basedOnStylePopupButton_, styleAfterPopupButton_}) {
        if (!popup)
            continue;
        popup->removeAllItems();
        popup->addItemsWithTitles(names);
    }
}

void PanelStylesEditor::showLength(kit::Control* field, float points)
{
    const float value = shown(points / pointsPerUnit());
    if (field->floatValue() != value || field->stringValue().empty())
        field->setFloatValue(value);
}

void PanelStylesEditor::showLeading(float stored)
{
    if (std::isfinite(stored) && stored > MaxFixedLeading) {
        setIfDiffers(autoLeading_, 1);
        setIfDiffers(leading_, autoLeadText(stored));
    } else {
        setIfDiffers(autoLeading_, 0);
        const float value = shown(stored);
        if (leading_->floatValue() != value || leading_->stringValue().empty() ||
            isAutoLeadString(leading_->stringValue()))
            leading_->setFloatValue(value);
    }
}

void PanelStylesEditor::inspectStyle(StyleParagraph* style)
{
    if (!style || !style->isNamedStyle() || !liveStyle(style))
        return;
    disableFlushWindow();
    updatePanel(this);
    currentStyle_ = style;
    const std::string name = style->styleName().value_or(std::string());
    nameField_->setStringValue(name);
    incomingNameField_->setStringValue(name);
    latestNameField_->setStringValue(name);
    const int flags = style->definedFlags();
    auto bit = [flags](int b) { return (flags & (1 << b)) != 0; };
    _loadStyleInfo();

    const StyleParagraph* basedOn = liveStyle(style->basedOnStyle());
    if (basedOnStylePopupButton_)
        basedOnStylePopupButton_->selectItemWithTitle((basedOn ? basedOn : style)->styleName().value_or(name));
    tick(BasedOnStyleBit, bit(BasedOnStyleBit));
    const StyleParagraph* next = liveStyle(style->nextParagraphStyle());
    if (styleAfterPopupButton_)
        styleAfterPopupButton_->selectItemWithTitle((next ? next : style)->styleName().value_or(name));
    tick(NextStyleBit, bit(NextStyleBit));

    if (alignment_ && alignment_->selectedTag() != style->alignment())
        alignment_->selectCellWithTag(style->alignment());
    tick(AlignmentBit, bit(AlignmentBit));
    loadFont(style->font());
    tick(FontBit, bit(FontBit));
    setIfDiffers(ligatures_, style->ligatures() ? 1 : 0);
    setIfDiffers(hungPunctuation_, style->hungPunctuation() ? 1 : 0);
    setIfDiffers(hyphenate_, style->hyphenate() ? 1 : 0);
    setIfDiffers(autoKern_, style->autoKern() ? 1 : 0);
    tick(ParaFlagsBit, bit(ParaFlagsBit));
    setIfDiffers(startColumnTop_, style->columnStart() == ColumnStartTop ? 1 : 0);
    tick(ColumnStartBit, bit(ColumnStartBit));
    setIfDiffers(autonumberLevel_, int(style->autonumberLevel()));
    tick(AutonumberLevelBit, bit(AutonumberLevelBit));

    displayWordSpace(style->wordSpace());
    tick(WordSpaceBit, bit(WordSpaceBit));
    if (const float tracking = shown(style->tracking()); tracking_->floatValue() != tracking)
        tracking_->setFloatValue(tracking);
    tick(TrackingBit, bit(TrackingBit));
    showLeading(style->absoluteLeading());
    tick(LeadingBit, bit(LeadingBit));
    if (const float spacing = shown(style->lineSpacing()); lineSpacing_->floatValue() != spacing)
        lineSpacing_->setFloatValue(spacing);
    tick(LineSpacingBit, bit(LineSpacingBit));
    if (widowControl_ && widowControl_->selectedTag() != style->widowControl())
        widowControl_->selectCellWithTag(style->widowControl());
    tick(WidowControlBit, bit(WidowControlBit));

    showLength(indentLeft_, style->indentLeft());
    showLength(indentRight_, style->indentRight());
    showLength(indentDeltaFirst_, style->indentDeltaFirst());
    tick(IndentBit, bit(IndentBit));
    showLength(spaceBefore_, style->spaceBefore());
    showLength(spaceAfter_, style->spaceAfter());
    showLength(spaceBetween_, style->spaceBetween());
    tick(SpaceBeforeBit, bit(SpaceBeforeBit));
    tick(SpaceAfterBit, bit(SpaceAfterBit));
    tick(SpaceBetweenBit, bit(SpaceBetweenBit));

    if (textColor_ && style->color() && !sameColor(textColor_->color(), style->color()))
        textColor_->setColor(style->color());
    tick(ColorBit, bit(ColorBit));

    const StyleBullet* bullet = style->bullet();
    if (bullet && !bullet->text.empty()) {
        setIfDiffers(bulletText_, kit::toUTF8(kit::Encoding::NeXTSTEP, bullet->text));
        if (bullet->font)
            bulletText_->setFont(bullet->font);
        if (bullet->color)
            bulletText_->setTextColor(bullet->color);
        bulletX_->setFloatValue(shown(bullet->offset.x));
        bulletY_->setFloatValue(shown(bullet->offset.y));
    } else {
        setIfDiffers(bulletText_, std::string());
        setIfDiffers(bulletX_, std::string());
        setIfDiffers(bulletY_, std::string());
    }
    tick(BulletBit, bit(BulletBit));

    if (tabsPanel_)
        tabsPanel_->updateFromParagraphStyle(style);
    tick(RulerBit, bit(RulerBit));
    enableFlushWindow();
}

void PanelStylesEditor::restoreField(kit::Control* field)
{
    StyleParagraph* style = currentStyle();
    if (!style || !field)
        return;
    if (field == nameField_)
        nameField_->setStringValue(latestNameField_->stringValue());
    else if (field == wordSpace_)
        displayWordSpace(style->wordSpace());
    else if (field == tracking_)
        tracking_->setFloatValue(shown(style->tracking()));
    else if (field == leading_) {
        leading_->setStringValue(std::string());
        showLeading(style->absoluteLeading());
    } else if (field == lineSpacing_)
        lineSpacing_->setFloatValue(shown(style->lineSpacing()));
    else if (field == autonumberLevel_)
        autonumberLevel_->setIntValue(style->autonumberLevel());
    else if (field == indentLeft_ || field == indentRight_ || field == indentDeltaFirst_ || field == spaceBefore_ ||
             field == spaceAfter_ || field == spaceBetween_) {
        const float points = field == indentLeft_      ? style->indentLeft()
                             : field == indentRight_   ? style->indentRight()
                             : field == indentDeltaFirst_ ? style->indentDeltaFirst()
                             : field == spaceBefore_   ? style->spaceBefore()
                             : field == spaceAfter_    ? style->spaceAfter()
                                                       : style->spaceBetween();
        field->setStringValue(std::string());
        showLength(field, points);
    } else if (field == bulletText_ || field == bulletX_ || field == bulletY_) {
        const StyleBullet* bullet = style->bullet();
        const bool has = bullet && !bullet->text.empty();
        if (field == bulletText_)
            bulletText_->setStringValue(has ? kit::toUTF8(kit::Encoding::NeXTSTEP, bullet->text) : std::string());
        else if (!has)
            field->setStringValue(std::string());
        else
            field->setFloatValue(shown(field == bulletX_ ? bullet->offset.x : bullet->offset.y));
    }
}

// ---- Fonts and word space.

void PanelStylesEditor::loadFont(kit::Font* font)
{
    if (!font) {
        fontField_->setStringValue("");
        if (textColor_ && !sameColor(textColor_->color(), black()))
            textColor_->setColor(black());
        panelFontCondense_ = 1.0f;
    } else if (font != panelFont_ || fontField_->stringValue().empty()) {
        char text[512];
        std::snprintf(text, sizeof text, "%3.1f pt %s", double(shown(font->pointSize())), font->fontName().c_str());
        fontField_->setStringValue(text);
    }
    panelFont_ = font;
}

void PanelStylesEditor::displayWordSpace(float points)
{
    const float space = panelFont_ ? panelFont_->widthOfString(" ") : 0.0f;
    wordSpace_->setStringValue(formatNumber("%5.3f", shown(points - space)));
}

float PanelStylesEditor::retrieveWordSpace() const
{
    const float space = panelFont_ ? panelFont_->widthOfString(" ") : 0.0f;
    return wordSpace_->floatValue() + space;
}

// ---- Units.

void PanelStylesEditor::updatePanel(kit::Object* sender)
{
    (void)sender;
    UnitsInfo* units = unitsInfo();
    if (!units || !myUnitsInfo_)
        return;
    if (units->units() != currentUnits_) {
        const std::string caption = UnitsAbbreviationText(units->units());
        auto relabel = [&](auto& self, kit::View* view) -> void {
            for (const auto& sub : view->subviews())
                self(self, sub.get());
            if (auto* label = dynamic_cast<kit::Control*>(view); label && label->tag() == UNITS_LABEL_TAG)
                label->setStringValue(caption);
        };
        if (kit::View* content = contentView())
            relabel(relabel, content);
        float mine = 1.0f, theirs = 1.0f;
        myUnitsInfo_->convertFloatValueFromUnits(1.0f, &mine);
        units->convertFloatValueFromUnits(1.0f, &theirs);
        const float factor = theirs > 0.0f && std::isfinite(mine / theirs) ? mine / theirs : 1.0f;
        for (kit::Control* field :
             {indentLeft_, indentRight_, indentDeltaFirst_, spaceBefore_, spaceAfter_, spaceBetween_})
            if (const std::optional<float> value = parseFieldNumber(field->stringValue()))
                field->setFloatValue(*value * factor);
        currentUnits_ = units->units();
        myUnitsInfo_->setUnits(currentUnits_);
    }
    if (LayoutDocument* doc = mainDocument(); doc && ruler_) {
        const float width = doc->pageSize().width;
        if (std::isfinite(width) && width > 0.0f && ruler_->frame().size.width != width) {
            ruler_->setFrameSize({width, ruler_->frame().size.height});
            viewFrameChanged(ruler_);
        }
    }
}

void PanelStylesEditor::viewFrameChanged(kit::Object* sender)
{
    (void)sender;
    if (kit::View* holder = ruler_ ? ruler_->superview() : nullptr)
        holder->setNeedsDisplay(true);
}
