// The paragraph inspector: its set-up and what it shows.

#include "panels/ParagraphInspector.h"

#include "app/Layvane.h"
#include "appkit/CellMatrix.h"
#include "appkit/ColorWell.h"
#include "appkit/FontPanel.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/Encoding.h"
#include "document/LayoutDocument.h"
#include "foundation/FontAccessoryValues.h"
#include "foundation/Preferences.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "foundation/Units.h"
#include "foundation/UnitsInfo.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "items/TextItem.h"
#include "panels/AutoLead.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "panels/ZynInspectorSwapPanel.h"

#include <cmath>

namespace {

kit::ColorRef black() { return kit::Color::colorWithDeviceCyan(0, 0, 0, 1, 1); }

bool sameColor(const kit::ColorRef& a, const kit::ColorRef& b)
{
    return a == b || (a && b && a->isEqual(*b));
}

// A value read from a document may be anything; the fields show only
// numbers.
float shown(float value) { return std::isfinite(value) ? value : 0.0f; }

} // namespace

ParagraphInspector::ParagraphInspector()
{
    struct Entry {
        const char* name;
        void (ParagraphInspector::*action)(kit::Object*);
    };
    static const Entry kActions[] = {
        {"changeAlignment:", &ParagraphInspector::changeAlignment},
        {"changeAutoKern:", &ParagraphInspector::changeAutoKern},
        {"changeAutonumberLevel:", &ParagraphInspector::changeAutonumberLevel},
        {"changeBullet:", &ParagraphInspector::changeBullet},
        {"bulletZero:", &ParagraphInspector::bulletZero},
        {"bulletLeft:", &ParagraphInspector::bulletLeft},
        {"bulletRight:", &ParagraphInspector::bulletRight},
        {"bulletUp:", &ParagraphInspector::bulletUp},
        {"bulletDown:", &ParagraphInspector::bulletDown},
        {"changeColor:", &ParagraphInspector::changeColor},
        {"changeColumnStart:", &ParagraphInspector::changeColumnStart},
        {"changeFont:", &ParagraphInspector::changeFont},
        {"changeHangPunct:", &ParagraphInspector::changeHangPunct},
        {"changeHyphenate:", &ParagraphInspector::changeHyphenate},
        {"changeIndents:", &ParagraphInspector::changeIndents},
        {"changeLigatures:", &ParagraphInspector::changeLigatures},
        {"changeLineSpacing:", &ParagraphInspector::changeLineSpacing},
        {"changeParagraphSpacing:", &ParagraphInspector::changeParagraphSpacing},
        {"setStyleAfter:", &ParagraphInspector::setStyleAfter},
        {"changeTracking:", &ParagraphInspector::changeTracking},
        {"changeWidowControl:", &ParagraphInspector::changeWidowControl},
        {"changeWordSpacing:", &ParagraphInspector::changeWordSpacing},
        {"setStyle:", &ParagraphInspector::setStyle},
        {"setAutoleading:", &ParagraphInspector::setAutoleading},
        {"setAlignmentFromMenu:", &ParagraphInspector::setAlignmentFromMenu},
        {"setLeadingFromMenu:", &ParagraphInspector::setLeadingFromMenu},
        {"runFontPanel:", &ParagraphInspector::runFontPanel},
        {"scrollToOtherView:", &ParagraphInspector::scrollToOtherView},
        {"updatePanel:", &ParagraphInspector::updatePanel},
    };
    for (const Entry& entry : kActions) {
        const auto action = entry.action;
        setAction(entry.name, [this, action](kit::Object* sender) -> kit::Object* {
            (this->*action)(sender);
            return this;
        });
    }
    // The steppers, in the order step() numbers them.
    static const char* const kSteppers[] = {"Leading",    "Tracking",         "WordSpace",
                                            "IndentLeft", "IndentRight",      "IndentDeltaFirst",
                                            "SpaceBefore", "SpaceAfter",      "SpaceBetween"};
    for (int which = 0; which < 9; ++which) {
        const std::string name = kSteppers[which];
        setAction("increase" + name + ":", [this, which](kit::Object* sender) -> kit::Object* {
            step(which, +1, sender);
            return this;
        });
        setAction("decrease" + name + ":", [this, which](kit::Object* sender) -> kit::Object* {
            step(which, -1, sender);
            return this;
        });
    }
}

ParagraphInspector::~ParagraphInspector() = default;

ParagraphInspector* ParagraphInspector::init(kit::Object* owner)
{
    ZynInspector::init(owner);
    if (auto* layvane = dynamic_cast<Layvane*>(Main))
        layvane->setParagraphInspector(this);
    dummyPara_ = std::make_unique<TextParagraph>();
    myUnitsInfo_ = std::make_unique<UnitsInfo>();
    currentUnits_ = -1;
    if (textColor_)
        textColor_->setColor(black());
    panelFontCondense_ = 1.0f;
    screenNbr_ = 1;
    return this;
}

void ParagraphInspector::awakeFromNib()
{
    kit::Control** fields[] = {&indentLeft_, &indentRight_, &indentDeltaFirst_, &spaceBefore_, &spaceAfter_,
                               &spaceBetween_, &hungPunctuation_, &autoKern_, &hyphenate_, &ligatures_,
                               &startColumnTop_, &autonumberLevel_, &tracking_, &wordSpace_, &leading_,
                               &autoLeading_, &lineSpacing_};
    for (kit::Control** field : fields)
        if (!*field) {
            standIns_.push_back(std::make_unique<kit::TextField>());
            *field = standIns_.back().get();
        }
    if (!fontField_) {
        auto field = std::make_unique<kit::TextField>();
        fontField_ = field.get();
        standIns_.push_back(std::move(field));
    }
    if (!bulletText_) {
        auto field = std::make_unique<kit::TextField>();
        bulletText_ = field.get();
        standIns_.push_back(std::move(field));
    }
    bulletText_->setDelegate(this);
}

bool ParagraphInspector::setOutlet(const std::string& name, kit::Object* object)
{
    if (ZynInspector::setOutlet(name, object))
        return true;
    if (setParagraphControl(name, object))
        return true;
    if (name == "stylePopupButton")
        stylePopupButton_ = dynamic_cast<kit::PopUpButton*>(object);
    else if (name == "styleAfterPopupButton")
        styleAfterPopupButton_ = dynamic_cast<kit::PopUpButton*>(object);
    else if (name == "alignment")
        alignment_ = dynamic_cast<kit::CellMatrix*>(object);
    else if (name == "widowControl")
        widowControl_ = dynamic_cast<kit::CellMatrix*>(object);
    else if (name == "fontField")
        fontField_ = dynamic_cast<kit::TextField*>(object);
    else if (name == "bulletText")
        bulletText_ = dynamic_cast<kit::TextField*>(object);
    else if (name == "textColor")
        textColor_ = dynamic_cast<kit::ColorWell*>(object);
    else if (name == "scrollView")
        scrollView_ = dynamic_cast<kit::View*>(object);
    else if (name == "firstText")
        firstText_ = dynamic_cast<kit::View*>(object);
    else if (name == "otherFirstText")
        otherFirstText_ = dynamic_cast<kit::View*>(object);
    else
        return false;
    return true;
}

kit::Control* ParagraphInspector::control(const std::string& outlet) const
{
    return paragraphControl(outlet);
}

// ---- Styles, checked at use.

StyleInfo* ParagraphInspector::styleSheet() const
{
    if (LayoutDocument* doc = document())
        return doc->styleInfo();
    return nullptr;
}

StyleParagraph* ParagraphInspector::liveStyle(const StyleParagraph* style) const
{
    StyleInfo* sheet = style ? styleSheet() : nullptr;
    const StyleList* list = sheet ? sheet->stylesForType(0) : nullptr;
    if (!list)
        return nullptr;
    for (const auto& entry : *list)
        if (entry.get() == static_cast<const StyleSheetEntry*>(style))
            return const_cast<StyleParagraph*>(style);
    return nullptr;
}

StyleParagraph* ParagraphInspector::currentNamedStyle() const { return liveStyle(currentNamedStyle_); }

kit::Object* ParagraphInspector::currentStyle() const { return currentNamedStyle(); }

StyleParagraph* ParagraphInspector::currentStyleAfter() const { return liveStyle(currentStyleAfter_); }

UnitsInfo* ParagraphInspector::unitsInfo() const
{
    LayoutDocument* doc = document();
    return doc ? doc->unitsInfo() : nullptr;
}

float ParagraphInspector::pointsPerUnit() const
{
    float points = 1.0f;
    if (UnitsInfo* units = unitsInfo())
        units->convertFloatValueFromUnits(1.0f, &points);
    return std::isfinite(points) && points > 0.0f ? points : 1.0f;
}

// ---- Choosing what to show.

kit::Object* ParagraphInspector::inspectSelection(const std::vector<Item*>* selection)
{
    updatePanel(this);
    if (selection && !selection->empty()) {
        TextItem* only = nullptr;
        int count = 0;
        for (Item* item : *selection)
            if (auto* text = dynamic_cast<TextItem*>(item)) {
                if (!only)
                    only = text;
                ++count;
            }
        if (count != 1)
            return nullptr;
        TextParagraph* paragraph = only->flow() ? only->flow()->currentParagraph() : nullptr;
        if (!paragraph) {
            clear();
            return this;
        }
        inspectStyle(paragraph->paragraphStyle());
        updateFromParagraph(paragraph);
        return this;
    }
    DocumentPanel* panel = DocumentPanels::shared().paragraphStylesPanel();
    if (!panel || !panel->isVisible())
        return this;
    StyleParagraph* style = nullptr;
    if (auto* source = dynamic_cast<StyleSource*>(panel))
        style = liveStyle(dynamic_cast<StyleParagraph*>(source->currentStyle()));
    if (!style)
        if (StyleInfo* sheet = styleSheet(); sheet && sheet->stylesForType(0) && !sheet->stylesForType(0)->empty())
            style = dynamic_cast<StyleParagraph*>(sheet->stylesForType(0)->front().get());
    if (!style) {
        clear();
        return this;
    }
    dummyPara_->setStylePara(style, false, false);
    inspectStyle(style);
    updateFromParagraph(dummyPara_.get());
    return this;
}

// ---- Loading the controls.

void ParagraphInspector::setIfDiffers(kit::Control* control, int value) const
{
    if (control && (forceWrite_ || control->intValue() != value || control->stringValue().empty()))
        control->setIntValue(value);
}

void ParagraphInspector::setIfDiffers(kit::Control* control, float value) const
{
    if (control && (forceWrite_ || control->floatValue() != value || control->stringValue().empty()))
        control->setFloatValue(value);
}

void ParagraphInspector::updateFromParagraph(TextParagraph* paragraph)
{
    const StyleParagraph* style = paragraph ? paragraph->paragraphStyle() : nullptr;
    if (!style)
        return;
    if (alignment_ && alignment_->selectedTag() != style->alignment())
        alignment_->selectCellWithTag(style->alignment());
    loadFont(style->font());
    setIfDiffers(ligatures_, style->ligatures() ? 1 : 0);
    setIfDiffers(hungPunctuation_, style->hungPunctuation() ? 1 : 0);
    setIfDiffers(hyphenate_, style->hyphenate() ? 1 : 0);
    setIfDiffers(startColumnTop_, style->columnStart() == 3 ? 1 : 0);
    setIfDiffers(autonumberLevel_, int(style->autonumberLevel()));
    setIfDiffers(autoKern_, style->autoKern() ? 1 : 0);
    displayWordSpace(style->wordSpace());
    setIfDiffers(tracking_, shown(style->tracking()));
    const float leading = style->absoluteLeading();
    if (std::isfinite(leading) && leading > MaxFixedLeading) {
        setIfDiffers(autoLeading_, 1);
        const std::string text = autoLeadText(leading);
        if (forceWrite_ || leading_->stringValue() != text)
            leading_->setStringValue(text);
    } else {
        setIfDiffers(autoLeading_, 0);
        setIfDiffers(leading_, shown(leading));
    }
    setIfDiffers(lineSpacing_, shown(style->lineSpacing()));
    if (widowControl_ && widowControl_->selectedTag() != style->widowControl())
        widowControl_->selectCellWithTag(style->widowControl());
    const float factor = pointsPerUnit();
    setIfDiffers(indentLeft_, shown(style->indentLeft() / factor));
    setIfDiffers(indentRight_, shown(style->indentRight() / factor));
    setIfDiffers(indentDeltaFirst_, shown(style->indentDeltaFirst() / factor));
    // Always written: a relative text left by a change goes.
    spaceBefore_->setFloatValue(shown(style->spaceBefore() / factor));
    spaceAfter_->setFloatValue(shown(style->spaceAfter() / factor));
    spaceBetween_->setFloatValue(shown(style->spaceBetween() / factor));
    if (textColor_ && style->color() && !sameColor(textColor_->color(), style->color()))
        textColor_->setColor(style->color());
    if (!style->bullet()) {
        bulletText_->setStringValue("");
    } else {
        bulletText_->setStringValue(kit::toUTF8(kit::Encoding::NeXTSTEP, style->bulletText()));
        if (kit::Font* font = style->bulletFont())
            bulletText_->setFont(font);
        if (kit::ColorRef color = style->bulletColor())
            bulletText_->setTextColor(color);
    }
}

void ParagraphInspector::loadFont(kit::Font* font)
{
    if (!font) {
        fontField_->setStringValue("");
        if (textColor_ && !sameColor(textColor_->color(), black()))
            textColor_->setColor(black());
        panelFontCondense_ = 1.0f;
    } else if (font != panelFont_ || forceWrite_) {
        char text[512];
        std::snprintf(text, sizeof text, "%3.1f pt %s", double(shown(font->pointSize())), font->fontName().c_str());
        fontField_->setStringValue(text);
    }
    panelFont_ = font;
}

void ParagraphInspector::displayWordSpace(float points)
{
    const float space = panelFont_ ? panelFont_->widthOfString(" ") : 0.0f;
    const float value = panelFont_ ? shown(points - space) : 0.0f;
    wordSpace_->setStringValue(formatNumber("%5.3f", value));
}

float ParagraphInspector::retrieveWordSpace() const
{
    const float space = panelFont_ ? panelFont_->widthOfString(" ") : 0.0f;
    return wordSpace_->floatValue() + space;
}

void ParagraphInspector::_loadStyleInfo()
{
    StyleInfo* sheet = styleSheet();
    std::vector<std::string> names;
    if (const StyleList* list = sheet ? sheet->stylesForType(0) : nullptr) {
        names.reserve(list->size());
        for (const auto& entry : *list)
            names.push_back(entry->styleName().value_or(std::string()));
    }
    // Refilled only when the list changed: the caret moves often, the
    // styles seldom.
    if (names == loadedNames_ && stylePopupButton_ && stylePopupButton_->numberOfItems() == int(names.size()))
        return;
    loadedNames_ = names;
    for (kit::PopUpButton* popup : {stylePopupButton_, styleAfterPopupButton_}) {
        if (!popup)
            continue;
        popup->removeAllItems();
        popup->addItemsWithTitles(names);
    }
}

void ParagraphInspector::inspectStyle(StyleParagraph* style)
{
    StyleParagraph* basedOn = style ? liveStyle(style->basedOnStyle()) : nullptr;
    if (!basedOn) {
        currentNamedStyle_ = nullptr;
        currentStyleAfter_ = nullptr;
        for (kit::PopUpButton* popup : {stylePopupButton_, styleAfterPopupButton_})
            if (popup && popup->numberOfItems() > 0 && popup->indexOfSelectedItem() != 0)
                popup->selectItemAtIndex(0);
        if (styleAfterPopupButton_)
            styleAfterPopupButton_->setEnabled(false);
        return;
    }
    _loadStyleInfo();
    currentNamedStyle_ = basedOn;
    const std::string name = basedOn->styleName().value_or(std::string());
    if (stylePopupButton_ && stylePopupButton_->titleOfSelectedItem() != name)
        stylePopupButton_->selectItemWithTitle(name);
    currentStyleAfter_ = liveStyle(style->nextParagraphStyle());
    const StyleParagraph* after = currentStyleAfter_ ? currentStyleAfter_ : basedOn;
    const std::string afterName = after->styleName().value_or(std::string());
    if (styleAfterPopupButton_) {
        if (styleAfterPopupButton_->titleOfSelectedItem() != afterName)
            styleAfterPopupButton_->selectItemWithTitle(afterName);
        styleAfterPopupButton_->setEnabled(true);
    }
}

void ParagraphInspector::clear()
{
    loadFont(nullptr);
    currentNamedStyle_ = nullptr;
    currentStyleAfter_ = nullptr;
    for (kit::PopUpButton* popup : {stylePopupButton_, styleAfterPopupButton_})
        if (popup && popup->numberOfItems() > 0)
            popup->selectItemAtIndex(0);
    const Preferences* prefs = Main ? Main->preferences() : nullptr;
    if (alignment_)
        alignment_->selectCellWithTag(prefs ? prefs->paragraphAlignment() : 0);
    ligatures_->setIntValue(prefs && prefs->paragraphLigatures() ? 1 : 0);
    hungPunctuation_->setIntValue(prefs && prefs->hungPunctuation() ? 1 : 0);
    autoKern_->setIntValue(prefs && prefs->autoKern() ? 1 : 0);
    hyphenate_->setIntValue(prefs && prefs->hyphenate() ? 1 : 0);
    if (widowControl_)
        widowControl_->selectCellWithTag(0);
    wordSpace_->setStringValue(formatNumber("%5.3f", 0.0));
    fontField_->setStringValue("");
    tracking_->setFloatValue(0);
    leading_->setStringValue("+0.0");
    autoLeading_->setIntValue(1);
    lineSpacing_->setFloatValue(1.0f);
    for (kit::Control* field :
         {indentLeft_, indentRight_, indentDeltaFirst_, spaceBefore_, spaceAfter_, spaceBetween_})
        field->setFloatValue(0);
    startColumnTop_->setIntValue(0);
    autonumberLevel_->setIntValue(0);
    bulletText_->setStringValue("");
}

// ---- Units.

void ParagraphInspector::updatePanel(kit::Object* sender)
{
    (void)sender;
    UnitsInfo* units = unitsInfo();
    if (!units || units->units() == currentUnits_)
        return;
    currentUnits_ = units->units();
    if (kit::Window* pane = inspectorView()) {
        const std::string caption = UnitsAbbreviationText(currentUnits_);
        auto relabel = [&](auto& self, kit::View* view) -> void {
            for (const auto& sub : view->subviews())
                self(self, sub.get());
            if (auto* label = dynamic_cast<kit::Control*>(view); label && label->tag() == UNITS_LABEL_TAG)
                label->setStringValue(caption);
        };
        if (kit::View* content = pane->contentView())
            relabel(relabel, content);
    }
    float mine = 1.0f, theirs = 1.0f;
    myUnitsInfo_->convertFloatValueFromUnits(1.0f, &mine);
    units->convertFloatValueFromUnits(1.0f, &theirs);
    const float factor = theirs > 0.0f && std::isfinite(mine / theirs) ? mine / theirs : 1.0f;
    for (kit::Control* field :
         {indentLeft_, indentRight_, indentDeltaFirst_, spaceBefore_, spaceAfter_, spaceBetween_})
        field->setFloatValue(field->floatValue() * factor);
    myUnitsInfo_->setUnits(currentUnits_);
}

void ParagraphInspector::Facet::inspectStyle(const StyleGraphic* style)
{
    (void)style;
    // A document closed: no style of it may stay shown.
    owner_.inspectStyle(nullptr);
}

void ParagraphInspector::Facet::updatePanel(LayoutDocument* document)
{
    (void)document;
    owner_.updatePanel(nullptr);
}

// ---- The font panel.

void ParagraphInspector::runFontPanel(kit::Object* sender)
{
    auto* layvane = dynamic_cast<Layvane*>(Main);
    kit::Object* accessory = layvane ? layvane->fontAccessory(true) : nullptr;
    if (layvane)
        layvane->runFontPanel(sender);
    fontField_->selectText(this);
    fontDelegate_ = fontField_;
    if (panelFont_)
        kit::FontManager::sharedFontManager().setSelectedFont(panelFont_, false);
    if (auto* values = dynamic_cast<FontAccessoryValues*>(accessory)) {
        if (textColor_)
            values->setColor(textColor_->color());
        values->setMessage(Main->valueForStringKey("SetFontParagraph"));
        values->setNewCondense(panelFontCondense_);
    }
    settingParaFont_ = true;
}

void ParagraphInspector::notifyFirstResponderChanged(kit::Object* responder)
{
    if (responder != bulletText_ || !bulletText_)
        return;
    auto* layvane = dynamic_cast<Layvane*>(Main);
    kit::Object* accessory = layvane ? layvane->fontAccessory(true) : nullptr;
    fontDelegate_ = bulletText_;
    if (kit::Font* font = bulletText_->font())
        kit::FontManager::sharedFontManager().setSelectedFont(font, false);
    if (auto* values = dynamic_cast<FontAccessoryValues*>(accessory)) {
        values->setColor(bulletText_->textColor());
        values->setMessage(Main->valueForStringKey("SetFontBullet"));
        values->setNewCondense(panelFontCondense_);
    }
    settingParaFont_ = true;
}

void ParagraphInspector::swapOut(kit::Object* sender)
{
    (void)sender;
    if (textColor_)
        textColor_->deactivate();
}

void ParagraphInspector::scrollToOtherView(kit::Object* sender)
{
    auto* selector = dynamic_cast<kit::Control*>(sender);
    const int wanted = selector ? selector->selectedTag() : 0;
    if ((wanted != 1 && wanted != 2) || wanted == screenNbr_)
        return;
    if (scrollView_) {
        kit::Point origin = scrollView_->frame().origin;
        origin.x += wanted == 2 ? -PageShift : PageShift;
        scrollView_->setFrameOrigin(origin);
        scrollView_->setNeedsDisplay(true);
    }
    if (auto* pane = dynamic_cast<ZynInspectorSwapPanel*>(inspectorView()))
        pane->setFirstText(wanted == 2 ? otherFirstText_ : firstText_);
    screenNbr_ = wanted;
    if (selector)
        selector->setNeedsDisplay(true);
    if (kit::Window* pane = inspectorView())
        pane->flushWindow();
}
