// The paragraph style editor: names, what typing and clicks tick, and
// writing the panel back into the style and the document.

#include "panels/PanelStylesEditor.h"

#include "app/Layvane.h"
#include "appkit/Application.h"
#include "appkit/CellMatrix.h"
#include "appkit/ColorWell.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "core/Alert.h"
#include "core/Encoding.h"
#include "document/LayoutDocument.h"
#include "foundation/FontAccessoryValues.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "foundation/StyleSheetEntry.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "panels/AutoLead.h"
#include "panels/FieldNumber.h"
#include "panels/PanelStylesEditorTabs.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "view/PageView.h"
#include "view/RulerViewInset.h"

#include <cmath>

namespace {

// The class-wide switch back to what it was however the scope ends.
class ForceDefinitions {
public:
    explicit ForceDefinitions(bool flag) : was_(StyleParagraph::forceParagraphStyleDefinitions())
    {
        StyleParagraph::setForceParagraphStyleDefinitions(flag);
    }
    ~ForceDefinitions() { StyleParagraph::setForceParagraphStyleDefinitions(was_); }
    ForceDefinitions(const ForceDefinitions&) = delete;
    ForceDefinitions& operator=(const ForceDefinitions&) = delete;

private:
    bool was_;
};

constexpr float kMaxTracking = 10000.0f;

} // namespace

struct PanelStylesEditor::PanelValues {
    StyleParagraph* basedOn = nullptr;
    StyleParagraph* next = nullptr;
    float wordSpace = 0;
    float tracking = 0;
    float leading = 0; // stored form
    float lineSpacing = 1;
    short level = 0;
    float indents[3] = {0, 0, 0}; // points: left, right, first-line delta
    float spaces[3] = {0, 0, 0};  // points: before, after, between
    std::string bullet;           // documents' set; empty: no bullet
    float bulletX = 0;
    float bulletY = 0;
};

// ---- Names.

bool PanelStylesEditor::isAcceptableName(const std::string& name)
{
    if (name.empty() || name.size() > MaxNameBytes || name == StyleSheetEntry::stringForKey("No Style"))
        return false;
    std::size_t pos = 0;
    while (pos < name.size()) {
        const std::optional<char32_t> c = kit::nextUTF8(name, pos);
        if (!c || *c < 0x20 || (*c >= 0x7F && *c <= 0x9F))
            return false;
    }
    return kit::fromUTF8(kit::Encoding::NeXTSTEP, name).has_value();
}

bool PanelStylesEditor::renameTo(const std::string& name)
{
    StyleParagraph* style = currentStyle();
    StyleInfo* sheet = styleSheet();
    if (!style || !sheet)
        return false;
    if (!isAcceptableName(name)) {
        kit::runAlertPanel(StyleSheetEntry::stringForKey("RenameStyle"), StyleSheetEntry::stringForKey("StyleNameBad"),
                           "", "", "");
        return false;
    }
    if (sheet->renameStyle(style, name, sheet->paragraphStyles()) == StyleInfo::RenameResult::Refused)
        return false;
    latestNameField_->setStringValue(name);
    return true;
}

void PanelStylesEditor::changeName(kit::Object* sender)
{
    (void)sender;
    if (!currentStyle())
        return;
    const std::string typed = nameField_->stringValue();
    if (typed == latestNameField_->stringValue())
        return;
    // What each pop-up chose, found again under its name after the rename.
    StyleParagraph* basedOn = styleForPopup(basedOnStylePopupButton_);
    StyleParagraph* next = styleForPopup(styleAfterPopupButton_);
    if (!renameTo(typed)) {
        nameField_->setStringValue(latestNameField_->stringValue());
        return;
    }
    _loadStyleInfo();
    if (basedOnStylePopupButton_ && basedOn)
        basedOnStylePopupButton_->selectItemWithTitle(basedOn->styleName().value_or(typed));
    if (styleAfterPopupButton_ && next)
        styleAfterPopupButton_->selectItemWithTitle(next->styleName().value_or(typed));
    markEdited();
}

StyleParagraph* PanelStylesEditor::styleForPopup(kit::PopUpButton* popup) const
{
    StyleInfo* sheet = styleSheet();
    const StyleList* list = sheet ? sheet->stylesForType(StyleInfo::ParagraphStyleType) : nullptr;
    if (!popup || !list || popup->indexOfSelectedItem() <= 0)
        return nullptr;
    return dynamic_cast<StyleParagraph*>(sheet->styleWithName(popup->titleOfSelectedItem(), list));
}

// ---- Reading the panel.

bool PanelStylesEditor::readField(kit::Control* field, PanelValues* values)
{
    const std::optional<float> number = parseFieldNumber(field->stringValue());
    if (field == wordSpace_) {
        if (!number || std::fabs(*number) > largestLength())
            return false;
        values->wordSpace = retrieveWordSpace();
        return std::isfinite(values->wordSpace);
    }
    if (field == tracking_) {
        if (!number || std::fabs(*number) > kMaxTracking)
            return false;
        values->tracking = *number;
        return true;
    }
    if (field == leading_) {
        if (!number)
            return false;
        // An absolute leading past the largest would read back as automatic.
        if (autoLeading_->intValue() != 0) {
            if (std::fabs(*number) > MaxLeading)
                return false;
            values->leading = AutoLeadingBase + *number;
        } else {
            if (*number < 0.0f || *number > MaxLeading)
                return false;
            values->leading = *number;
        }
        return true;
    }
    if (field == lineSpacing_) {
        if (!number || !(*number > 0.0f) || *number > MaxLeading)
            return false;
        values->lineSpacing = *number;
        return true;
    }
    if (field == autonumberLevel_) {
        if (!number || *number < 0.0f || *number > float(MaxAutonumberLevel) || *number != std::floor(*number))
            return false;
        values->level = static_cast<short>(*number);
        return true;
    }
    kit::Control* const lengths[] = {indentLeft_, indentRight_, indentDeltaFirst_,
                                     spaceBefore_, spaceAfter_, spaceBetween_};
    for (int i = 0; i < 6; ++i) {
        if (field != lengths[i])
            continue;
        if (!number)
            return false;
        const float points = *number * pointsPerUnit();
        if (i < 3) {
            // No indent reaches past the page.
            LayoutDocument* doc = mainDocument();
            const float width = doc && doc->pageSize().width > 0.0f ? doc->pageSize().width : largestLength();
            if (!std::isfinite(points) || std::fabs(points) > width)
                return false;
            values->indents[i] = points;
        } else {
            if (!std::isfinite(points) || std::fabs(points) > largestLength())
                return false;
            values->spaces[i - 3] = points;
        }
        return true;
    }
    if (field == bulletText_) {
        const std::optional<std::string> bytes = kit::fromUTF8(kit::Encoding::NeXTSTEP, bulletText_->stringValue());
        if (!bytes || bytes->size() > MaxNameBytes)
            return false;
        for (unsigned char c : *bytes)
            if (c < 0x20 || c == 0x7F)
                return false;
        values->bullet = *bytes;
        return true;
    }
    if (field == bulletX_ || field == bulletY_) {
        float value = 0;
        if (!trimmedFieldText(field->stringValue()).empty()) {
            if (!number || std::fabs(*number) > largestLength())
                return false;
            value = *number;
        }
        (field == bulletX_ ? values->bulletX : values->bulletY) = value;
        return true;
    }
    return true;
}

bool PanelStylesEditor::readPanel(PanelValues* values)
{
    StyleParagraph* style = currentStyle();
    if (!style)
        return false;
    struct Group {
        int bit;
        std::vector<kit::Control*> fields;
    };
    const Group groups[] = {
        {WordSpaceBit, {wordSpace_}},
        {TrackingBit, {tracking_}},
        {LeadingBit, {leading_}},
        {LineSpacingBit, {lineSpacing_}},
        {AutonumberLevelBit, {autonumberLevel_}},
        {IndentBit, {indentLeft_, indentRight_, indentDeltaFirst_}},
        {SpaceBeforeBit, {spaceBefore_}},
        {SpaceAfterBit, {spaceAfter_}},
        {SpaceBetweenBit, {spaceBetween_}},
        {BulletBit, {bulletText_, bulletX_, bulletY_}},
    };
    for (const Group& group : groups) {
        if (!isTicked(group.bit))
            continue;
        for (kit::Control* field : group.fields)
            if (!readField(field, values)) {
                kit::beep();
                restoreField(field);
                return false;
            }
    }
    if (isTicked(IndentBit)) {
        LayoutDocument* doc = mainDocument();
        const float width = doc && doc->pageSize().width > 0.0f ? doc->pageSize().width : largestLength();
        if (std::fabs(values->indents[0] + values->indents[2]) > width ||
            values->indents[0] + values->indents[1] > width) {
            kit::beep();
            restoreField(indentDeltaFirst_);
            restoreField(indentLeft_);
            restoreField(indentRight_);
            return false;
        }
    }
    if (isTicked(BasedOnStyleBit)) {
        StyleParagraph* chosen = styleForPopup(basedOnStylePopupButton_);
        // Itself stands for none; a style based on it would close a loop.
        if (chosen == style)
            chosen = nullptr;
        if (chosen && chosen->isBasedOnStyle(style)) {
            kit::beep();
            if (basedOnStylePopupButton_) {
                const StyleParagraph* was = liveStyle(style->basedOnStyle());
                basedOnStylePopupButton_->selectItemWithTitle(
                    (was ? was : style)->styleName().value_or(latestNameField_->stringValue()));
            }
            return false;
        }
        values->basedOn = chosen;
    }
    if (isTicked(NextStyleBit))
        values->next = styleForPopup(styleAfterPopupButton_);
    return true;
}

// ---- Writing.

PanelStylesEditor* PanelStylesEditor::updateStyleFromPanel()
{
    StyleParagraph* style = currentStyle();
    if (!style)
        return nullptr;
    // Every value is read before the style changes: saving never half-writes.
    PanelValues values;
    if (!readPanel(&values))
        return nullptr;
    const std::string name = nameField_->stringValue();
    if (name != latestNameField_->stringValue() && !renameTo(name)) {
        nameField_->setStringValue(latestNameField_->stringValue());
        return nullptr;
    }
    const ForceDefinitions forced(true);
    style->setDefinedFlags(0);
    autonumberingChanged_ = false;
    if (isTicked(BasedOnStyleBit))
        style->setBasedOnStyle(values.basedOn);
    if (isTicked(NextStyleBit))
        style->setNextParagraphStyle(values.next);
    if (isTicked(AlignmentBit) && alignment_)
        style->setAlignment(alignment_->selectedTag());
    if (isTicked(FontBit))
        style->setFont(panelFont_);
    if (isTicked(ParaFlagsBit)) {
        style->setLigatures(ligatures_->intValue() != 0);
        style->setHungPunctuation(hungPunctuation_->intValue() != 0 ? 1 : 0);
        style->setHyphenate(hyphenate_->intValue() != 0);
        style->setAutoKern(autoKern_->intValue() != 0);
    }
    if (isTicked(ColumnStartBit))
        style->setColumnStart(startColumnTop_->intValue() != 0 ? ColumnStartTop : 0);
    if (isTicked(AutonumberLevelBit)) {
        autonumberingChanged_ = values.level != style->autonumberLevel();
        style->setAutonumberLevel(values.level);
    }
    if (isTicked(WordSpaceBit))
        style->setWordSpace(values.wordSpace);
    if (isTicked(TrackingBit))
        style->setTracking(values.tracking);
    if (isTicked(LeadingBit))
        style->setLeading(values.leading);
    if (isTicked(LineSpacingBit))
        style->setLineSpacing(values.lineSpacing);
    if (isTicked(WidowControlBit) && widowControl_)
        style->setWidowControl(static_cast<short>(widowControl_->selectedTag()));
    if (isTicked(SpaceBeforeBit))
        style->setSpaceBefore(values.spaces[0]);
    if (isTicked(SpaceAfterBit))
        style->setSpaceAfter(values.spaces[1]);
    if (isTicked(SpaceBetweenBit))
        style->setSpaceBetween(values.spaces[2]);
    if (isTicked(ColorBit) && textColor_)
        style->setColor(textColor_->color());
    if (isTicked(RulerBit) && tabsPanel_)
        tabsPanel_->updateTabsForParagraphStyle(style, false);
    if (isTicked(IndentBit)) {
        // The fields and the ruler's markers show the same indents.
        style->setIndents(values.indents[0], values.indents[1], values.indents[2]);
        if (tabsPanel_)
            tabsPanel_->setWorkingIndents(values.indents[0], values.indents[1], values.indents[2]);
    }
    if (isTicked(BulletBit)) {
        if (values.bullet.empty())
            style->removeBullet();
        else
            style->updateBullet(values.bullet, bulletText_->font(), values.bulletX, values.bulletY,
                                bulletText_->textColor());
    }
    return this;
}

PanelStylesEditor* PanelStylesEditor::_saveAndApply(kit::Object* sender, bool forced)
{
    (void)sender;
    LayoutDocument* doc = mainDocument();
    StyleParagraph* style = currentStyle();
    if (!updateStyleFromPanel())
        return nullptr;
    if (doc && style) {
        const ForceDefinitions force(forced);
        for (TextFlow* flow : doc->flows())
            flow->convertStyleAttributes(style);
    }
    if (doc) {
        for (TextFlow* flow : doc->flows()) {
            if (autonumberingChanged_)
                flow->recomputeAllParagraphNumbering();
            // Words are measured in their paragraph's style, and a renumbered
            // paragraph's number is a word of new text.
            for (const auto& paragraph : flow->paragraphList())
                if (paragraph->paragraphStyle()->isBasedOnStyle(style) ||
                    (autonumberingChanged_ && paragraph->isNumbered()))
                    paragraph->recomputeAllWords();
            flow->recomputeAllDirtyParagraphs();
        }
        doc->notifyUpdate(mainPageView(), static_cast<const std::vector<kit::Object*>*>(nullptr));
        doc->setEdited(true);
    }
    return this;
}

void PanelStylesEditor::saveAndApplyForced(kit::Object* sender)
{
    if (_saveAndApply(sender, true) && kit::Application::sharedApplication().modalWindow() == this)
        kit::Application::sharedApplication().stopModalWithCode(SavedResponse);
}

void PanelStylesEditor::saveAndApplyUnforced(kit::Object* sender)
{
    if (_saveAndApply(sender, false) && kit::Application::sharedApplication().modalWindow() == this)
        kit::Application::sharedApplication().stopModalWithCode(SavedResponse);
}

void PanelStylesEditor::saveOnly(kit::Object* sender)
{
    (void)sender;
    if (!updateStyleFromPanel())
        return;
    // The sheet is part of the file: a changed style is a changed document.
    if (LayoutDocument* doc = mainDocument())
        doc->setEdited(true);
    if (kit::Application::sharedApplication().modalWindow() == this)
        kit::Application::sharedApplication().stopModalWithCode(SavedResponse);
}

void PanelStylesEditor::cancel(kit::Object* sender)
{
    (void)sender;
    const std::string incoming = incomingNameField_->stringValue();
    if (currentStyle() && latestNameField_->stringValue() != incoming)
        renameTo(incoming);
    nameField_->setStringValue(latestNameField_->stringValue());
    if (kit::Application::sharedApplication().modalWindow() == this)
        kit::Application::sharedApplication().stopModalWithCode(CancelledResponse);
}

// ---- Pop-ups, buttons and the ruler.

void PanelStylesEditor::setBasedOnStyle(kit::Object* sender)
{
    (void)sender;
    tick(BasedOnStyleBit);
    markEdited();
}

void PanelStylesEditor::setStyleAfter(kit::Object* sender)
{
    (void)sender;
    tick(NextStyleBit);
    markEdited();
}

void PanelStylesEditor::windowChanged(kit::Object* sender)
{
    kit::Object* const flags[] = {ligatures_, hungPunctuation_, hyphenate_, autoKern_};
    if (sender && sender == alignment_)
        tick(AlignmentBit);
    else if (sender && sender == widowControl_)
        tick(WidowControlBit);
    else if (sender && sender == textColor_)
        tick(ColorBit);
    else if (sender && sender == startColumnTop_)
        tick(ColumnStartBit);
    else if (sender && std::find(std::begin(flags), std::end(flags), sender) != std::end(flags))
        tick(ParaFlagsBit);
    else if (sender && sender == autoLeading_) {
        tick(LeadingBit);
        if (autoLeading_->intValue() != 0)
            leading_->setStringValue("+0.0");
        else if (panelFont_)
            leading_->setFloatValue(panelFont_->naturalHeight());
    }
    markEdited();
}

void PanelStylesEditor::rulerChanged(bool isIndent)
{
    if (isIndent && tabsPanel_) {
        float indents[3];
        tabsPanel_->workingIndents(&indents[0], &indents[1], &indents[2]);
        kit::Control* const fields[] = {indentLeft_, indentRight_, indentDeltaFirst_};
        for (int i = 0; i < 3; ++i)
            showLength(fields[i], indents[i]);
        tick(IndentBit);
    } else {
        tick(RulerBit);
    }
    markEdited();
}

// ---- Fonts.

void PanelStylesEditor::changeFont(kit::Object* sender)
{
    (void)sender;
    kit::FontManager& fonts = kit::FontManager::sharedFontManager();
    if (firstResponder() == bulletText_) {
        if (kit::Font* font = fonts.convertFont(bulletText_->font())) {
            bulletText_->setFont(font);
            tick(BulletBit);
        }
    } else if (kit::Font* font = fonts.convertFont(panelFont_)) {
        loadFont(font);
        tick(FontBit);
    }
    markEdited();
}

void PanelStylesEditor::runFontPanel(kit::Object* sender)
{
    if (auto* layvane = dynamic_cast<Layvane*>(Main))
        layvane->runFontPanel(sender);
    fontField_->selectText(this);
    makeFirstResponder(fontField_);
}

bool PanelStylesEditor::makeFirstResponder(kit::Responder* responder)
{
    const bool bullet = responder && responder == bulletText_;
    const bool font = responder && responder == fontField_;
    if (bullet || font) {
        auto* layvane = dynamic_cast<Layvane*>(Main);
        auto* values = dynamic_cast<FontAccessoryValues*>(layvane ? layvane->fontAccessory(true) : nullptr);
        kit::Font* shownFont = bullet ? bulletText_->font() : panelFont_;
        if (shownFont)
            kit::FontManager::sharedFontManager().setSelectedFont(shownFont, false);
        if (values) {
            values->setColor(bullet ? bulletText_->textColor() : (textColor_ ? textColor_->color() : nullptr));
            values->setMessage(Main->valueForStringKey(bullet ? "SetFontBullet" : "SetFontParagraph"));
            values->setNewCondense(panelFontCondense_);
        }
    }
    return kit::Panel::makeFirstResponder(responder);
}

// ---- Typing.

bool PanelStylesEditor::controlTextShouldBeginEditing(kit::Control* control)
{
    struct Tie {
        kit::Control* field;
        int bit;
    };
    const Tie ties[] = {
        {wordSpace_, WordSpaceBit},     {tracking_, TrackingBit},         {leading_, LeadingBit},
        {lineSpacing_, LineSpacingBit}, {indentLeft_, IndentBit},         {indentRight_, IndentBit},
        {indentDeltaFirst_, IndentBit}, {spaceBefore_, SpaceBeforeBit},   {spaceAfter_, SpaceAfterBit},
        {spaceBetween_, SpaceBetweenBit}, {autonumberLevel_, AutonumberLevelBit},
    };
    for (const Tie& tie : ties)
        if (control && control == tie.field)
            tick(tie.bit);
    if (control && control == bulletText_) {
        bulletX_->setFloatValue(18.0f);
        tick(BulletBit);
    } else if (control && (control == bulletX_ || control == bulletY_)) {
        const std::optional<float> x = parseFieldNumber(bulletX_->stringValue());
        if (!x || *x == 0.0f)
            bulletX_->setFloatValue(18.0f);
        tick(BulletBit);
    }
    markEdited();
    return true;
}

bool PanelStylesEditor::controlTextShouldEndEditing(kit::Control* control)
{
    if (!control)
        return true;
    if (control == nameField_) {
        changeName(control);
        return true;
    }
    if (control == bulletText_) {
        auto* layvane = dynamic_cast<Layvane*>(Main);
        auto* values = dynamic_cast<FontAccessoryValues*>(layvane ? layvane->fontAccessory(false) : nullptr);
        if (kit::ColorRef color = values ? values->color() : nullptr)
            bulletText_->setTextColor(color);
        tick(BulletBit);
    }
    // A value that cannot be taken is refused at once, not at the save.
    PanelValues values;
    if (!readField(control, &values)) {
        kit::beep();
        restoreField(control);
        return true;
    }
    if ((control == indentLeft_ || control == indentRight_ || control == indentDeltaFirst_) && tabsPanel_) {
        PanelValues all;
        if (readField(indentLeft_, &all) && readField(indentRight_, &all) && readField(indentDeltaFirst_, &all))
            tabsPanel_->setWorkingIndents(all.indents[0], all.indents[1], all.indents[2]);
    }
    return true;
}

void PanelStylesEditor::controlTextDidBeginEditing(kit::Control* control) { controlTextShouldBeginEditing(control); }

// ---- The editor's tabs panel.

void PanelStylesEditorTabs::apply(RulerViewInset* ruler, bool isIndent, bool adjustAutonumber)
{
    (void)ruler;
    (void)adjustAutonumber;
    editor_.rulerChanged(isIndent);
}

void PanelStylesEditorTabs::workingIndents(float* left, float* right, float* deltaFirst)
{
    const StyleTabStop* records = indents();
    *left = records[0].location - records[3].location;
    *right = records[4].location - records[1].location;
    *deltaFirst = records[2].location - records[0].location;
}

void PanelStylesEditorTabs::setWorkingIndents(float left, float right, float deltaFirst)
{
    StyleTabStop* records = indents();
    records[0].location = records[3].location + left;
    records[1].location = records[4].location - right;
    records[2].location = records[0].location + deltaFirst;
    if (kit::View* view = PanelTabs::ruler())
        view->setNeedsDisplay(true);
}
