// The paragraph inspector's changes: each control's value written into the
// styles of the edited paragraphs, the steppers and the menu commands.

#include "panels/ParagraphInspector.h"

#include "app/Layvane.h"
#include "appkit/CellMatrix.h"
#include "appkit/ColorWell.h"
#include "appkit/MenuItem.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "appkit/Window.h"
#include "core/Alert.h"
#include "core/Encoding.h"
#include "document/LayoutDocument.h"
#include "foundation/FontAccessoryValues.h"
#include "foundation/Preferences.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraph.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "items/TextItem.h"
#include "panels/AutoLead.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"

#include <algorithm>
#include <cmath>

namespace {

// The class-wide switch that makes every setter define its attribute in
// the paragraph's own style: on for one write, then as it was, also when
// the write throws.
class ForcedDefinitions {
public:
    ForcedDefinitions() : was_(StyleParagraph::forceParagraphStyleDefinitions())
    {
        StyleParagraph::setForceParagraphStyleDefinitions(true);
    }
    ~ForcedDefinitions() { StyleParagraph::setForceParagraphStyleDefinitions(was_); }
    ForcedDefinitions(const ForcedDefinitions&) = delete;
    ForcedDefinitions& operator=(const ForcedDefinitions&) = delete;

private:
    bool was_;
};

// Tracking beyond this is no setting a user means, and overflows layout.
constexpr float kMaxTracking = 10000.0f;
// The longest bullet text.
constexpr std::size_t kMaxBullet = 255;

// The tag and title of a menu item, or of the scratch item a page view
// sends in its place.
bool menuChoice(kit::Object* sender, int* tag, std::string* title)
{
    if (auto* command = dynamic_cast<CommandSender*>(sender)) {
        *tag = command->tag();
        *title = command->title();
        return true;
    }
    if (auto* item = dynamic_cast<kit::MenuItem*>(sender)) {
        *tag = item->tag();
        *title = item->title();
        return true;
    }
    return false;
}

float increment(int type)
{
    const Preferences* prefs = Main ? Main->preferences() : nullptr;
    const float value = prefs ? prefs->flagsIncrement(type) : 1.0f;
    return std::isfinite(value) ? value : 0.0f;
}

} // namespace

// ---- Reading the fields.

float ParagraphInspector::largestLength() const
{
    LayoutDocument* doc = document();
    const kit::Size size = doc ? doc->pageSize() : kit::Size{612, 792};
    const float side = std::max(size.width, size.height);
    return std::isfinite(side) && side > 0.0f ? side : 10000.0f;
}

bool ParagraphInspector::readLength(kit::Control* field, float* points) const
{
    const std::optional<float> value = parseFieldNumber(field->stringValue());
    if (!value)
        return false;
    const float p = *value * pointsPerUnit();
    if (!std::isfinite(p) || std::fabs(p) > largestLength())
        return false;
    *points = p;
    return true;
}

bool ParagraphInspector::readSpace(kit::Control* field, SpaceValue* value) const
{
    std::string text = field->stringValue();
    const std::size_t start = text.find_first_not_of(" \t");
    const char sign = start == std::string::npos ? '\0' : text[start];
    if (sign == '<' || sign == '>') {
        value->relative = sign == '<' ? -1 : 1;
        const std::string rest = text.substr(start + 1);
        if (rest.find_first_not_of(" \t") == std::string::npos) {
            value->points = 0; // "<" alone: every paragraph keeps its own
            return true;
        }
        const std::optional<float> number = parseFieldNumber(rest);
        if (!number || !std::isfinite(*number) || std::fabs(*number) > largestLength())
            return false;
        value->points = *number;
        return true;
    }
    value->relative = 0;
    return readLength(field, &value->points);
}

float ParagraphInspector::applySpace(const SpaceValue& value, float current) const
{
    if (value.relative == 0)
        return value.points;
    const float base = std::isfinite(current) ? current : 0.0f;
    const float result = base + float(value.relative) * value.points;
    // Relative spaces may go below 0 but stay within the page.
    return std::clamp(result, -largestLength(), largestLength());
}

void ParagraphInspector::refuse()
{
    kit::beep();
    TextFlow* flow = editedFlow();
    TextParagraph* paragraph = flow ? flow->currentParagraph() : nullptr;
    if (!paragraph)
        return;
    // Every control shows the paragraph again, also one whose refused text
    // reads as the value it had.
    forceWrite_ = true;
    updateFromParagraph(paragraph);
    forceWrite_ = false;
}

TextFlow* ParagraphInspector::editedFlow() const
{
    PageView* view = pageView();
    LayoutDocument* doc = document();
    if (!view || !view->isEditing() || !doc)
        return nullptr;
    return doc->activeTextFlow();
}

// ---- The write path.

bool ParagraphInspector::_changeParagraphAttribute(StyleOperation operation, bool recomputeWords)
{
    PageView* view = pageView();
    LayoutDocument* doc = document();
    TextFlow* flow = editedFlow();
    if (!flow || flow->paragraphCount() == 0)
        return false;
    TextItem* item = doc->activeTextItem();
    int first = 0, last = 0;
    TextSelection* selection = flow->textSelection();
    if (selection) {
        first = selection->start().paragraph;
        last = selection->end().paragraph;
    } else {
        first = last = flow->indexOfParagraph(flow->currentParagraph());
    }
    first = std::clamp(first, 0, flow->paragraphCount() - 1);
    last = std::clamp(last, first, flow->paragraphCount() - 1);
    {
        ForcedDefinitions forced;
        for (int index = last; index >= first; --index) {
            TextParagraph* paragraph = flow->paragraphAtIndex(index);
            if (!paragraph)
                continue;
            if (recomputeWords) {
                std::unique_ptr<StyleParagraph> copy = paragraph->paragraphStyle()->copy();
                copy->setDefinedFlags(0);
                (this->*operation)(copy.get());
                paragraph->modifyStyleAttributes(copy.get());
            }
            (this->*operation)(paragraph->paragraphStyle());
            // Words measured in the paragraph's own character style.
            if (recomputeWords)
                paragraph->recomputeAllWords();
            paragraph->setDirty(true);
            if (index == last && operation == &ParagraphInspector::_changeWidowControl) {
                TextParagraph::findFirstParagraphToKeepTogether(paragraph, true);
                if (TextParagraph* next = flow->paragraphAtIndex(index + 1))
                    next->setDirty(true);
            }
        }
        if (operation == &ParagraphInspector::_changeAutonumberLevel)
            flow->recomputeAutonumberingFrom(first);
    }
    flow->recomputeAllDirtyParagraphs();
    flow->updateFontPanel(item);
    doc->notifyUpdate(view, nullptr);
    if (!selection) {
        textPoint caret{};
        flow->getCurrentTextPoint(&caret);
        TextItem* holder = flow->item(caret);
        if (holder && holder != item)
            flow->refocusOnItem(holder, view);
    }
    doc->setEdited(true);
    // The fields show what the paragraphs now hold (a relative space goes).
    if (TextParagraph* current = flow->currentParagraph())
        updateFromParagraph(current);
    return true;
}

void ParagraphInspector::_changeAlignment(StyleParagraph* style) { style->setAlignment(alignment_->selectedTag()); }
void ParagraphInspector::_changeAutoKern(StyleParagraph* style) { style->setAutoKern(autoKern_->intValue() != 0); }
void ParagraphInspector::_changeAutonumberLevel(StyleParagraph* style) { style->setAutonumberLevel(pendingLevel_); }

void ParagraphInspector::_changeBullet(StyleParagraph* style)
{
    if (pendingBullet_.empty())
        style->removeBullet();
    else
        style->updateBullet(pendingBullet_, bulletText_->font(), 18.0f, 0.0f, bulletText_->textColor());
}

void ParagraphInspector::_changeBulletPosition(StyleParagraph* style) { style->moveBulletBy(bulletMoveX_, bulletMoveY_); }

void ParagraphInspector::_changeColor(StyleParagraph* style)
{
    if (textColor_ && textColor_->color())
        style->setColor(textColor_->color());
}

void ParagraphInspector::_changeColumnStart(StyleParagraph* style)
{
    style->setColumnStart(startColumnTop_->intValue() != 0 ? 3 : 0);
}

void ParagraphInspector::_changeFont(StyleParagraph* style)
{
    if (kit::Font* font = kit::FontManager::sharedFontManager().convertFont(style->font()))
        style->setFont(font);
}

void ParagraphInspector::_changeHangPunct(StyleParagraph* style)
{
    style->setHungPunctuation(hungPunctuation_->intValue() != 0 ? 1 : 0);
}

void ParagraphInspector::_changeHyphenate(StyleParagraph* style) { style->setHyphenate(hyphenate_->intValue() != 0); }

void ParagraphInspector::_changeIndents(StyleParagraph* style)
{
    style->setIndents(pendingIndents_[0], pendingIndents_[1], pendingIndents_[2]);
}

void ParagraphInspector::_changeLigatures(StyleParagraph* style) { style->setLigatures(ligatures_->intValue() != 0); }

void ParagraphInspector::_changeLineSpacing(StyleParagraph* style)
{
    style->setLeading(pendingLeading_);
    style->setLineSpacing(pendingLineSpacing_);
}

void ParagraphInspector::_changeParagraphSpacing(StyleParagraph* style)
{
    style->setSpaceBefore(applySpace(pendingSpaces_[0], style->spaceBefore()));
    style->setSpaceAfter(applySpace(pendingSpaces_[1], style->spaceAfter()));
    style->setSpaceBetween(applySpace(pendingSpaces_[2], style->spaceBetween()));
}

void ParagraphInspector::_changeStyleAfter(StyleParagraph* style) { style->setNextParagraphStyle(currentStyleAfter()); }
void ParagraphInspector::_changeTracking(StyleParagraph* style) { style->setTracking(pendingTracking_); }

void ParagraphInspector::_changeWidowControl(StyleParagraph* style)
{
    style->setWidowControl(static_cast<short>(widowControl_->selectedTag()));
}

void ParagraphInspector::_changeWordSpacing(StyleParagraph* style) { style->setWordSpace(pendingWordSpace_); }

// ---- The actions.

void ParagraphInspector::changeAlignment(kit::Object* sender)
{
    (void)sender;
    const int tag = alignment_ ? alignment_->selectedTag() : -1;
    if (tag < 0 || tag > 3) {
        refuse();
        return;
    }
    _changeParagraphAttribute(&ParagraphInspector::_changeAlignment, false);
}

void ParagraphInspector::changeAutoKern(kit::Object* sender)
{
    (void)sender;
    _changeParagraphAttribute(&ParagraphInspector::_changeAutoKern, true);
}

void ParagraphInspector::changeAutonumberLevel(kit::Object* sender)
{
    (void)sender;
    const std::optional<float> value = parseFieldNumber(autonumberLevel_->stringValue());
    if (!value) {
        refuse();
        return;
    }
    LayoutDocument* doc = document();
    const int levels = doc ? std::max(doc->paragraphNumberingCount(), 0) : 0;
    // A level below 0 or past the document's numbering levels has no meaning.
    const int level = int(std::clamp(double(*value), 0.0, double(std::min(levels, 0x7FFF))));
    if (autonumberLevel_->intValue() != level || autonumberLevel_->stringValue() != std::to_string(level))
        autonumberLevel_->setIntValue(level);
    pendingLevel_ = static_cast<short>(level);
    _changeParagraphAttribute(&ParagraphInspector::_changeAutonumberLevel, true);
}

void ParagraphInspector::changeBullet(kit::Object* sender)
{
    (void)sender;
    const std::string typed = bulletText_->stringValue();
    const std::optional<std::string> bytes = kit::fromUTF8(kit::Encoding::NeXTSTEP, typed);
    bool sound = bytes.has_value() && bytes->size() <= kMaxBullet;
    if (sound)
        for (unsigned char c : *bytes)
            if (c < 0x20 || c == 0x7F)
                sound = false;
    if (!sound) {
        refuse();
        return;
    }
    pendingBullet_ = *bytes;
    _changeParagraphAttribute(&ParagraphInspector::_changeBullet, false);
}

void ParagraphInspector::bulletZero(kit::Object* sender) { changeBullet(sender); }

void ParagraphInspector::bulletLeft(kit::Object* sender)
{
    (void)sender;
    bulletMoveX_ = -increment(IncrementBullet);
    bulletMoveY_ = 0;
    _changeParagraphAttribute(&ParagraphInspector::_changeBulletPosition, false);
}

void ParagraphInspector::bulletRight(kit::Object* sender)
{
    (void)sender;
    bulletMoveX_ = increment(IncrementBullet);
    bulletMoveY_ = 0;
    _changeParagraphAttribute(&ParagraphInspector::_changeBulletPosition, false);
}

void ParagraphInspector::bulletUp(kit::Object* sender)
{
    (void)sender;
    bulletMoveX_ = 0;
    bulletMoveY_ = -increment(IncrementBullet);
    _changeParagraphAttribute(&ParagraphInspector::_changeBulletPosition, false);
}

void ParagraphInspector::bulletDown(kit::Object* sender)
{
    (void)sender;
    bulletMoveX_ = 0;
    bulletMoveY_ = increment(IncrementBullet);
    _changeParagraphAttribute(&ParagraphInspector::_changeBulletPosition, false);
}

void ParagraphInspector::changeColor(kit::Object* sender)
{
    (void)sender;
    _changeParagraphAttribute(&ParagraphInspector::_changeColor, true);
}

void ParagraphInspector::changeColumnStart(kit::Object* sender)
{
    (void)sender;
    _changeParagraphAttribute(&ParagraphInspector::_changeColumnStart, false);
}

void ParagraphInspector::changeFont(kit::Object* sender)
{
    (void)sender;
    // While the font panel serves the bullet, the bullet takes the font at
    // the end of its editing.
    if (fontDelegate_ == fontField_)
        _changeParagraphAttribute(&ParagraphInspector::_changeFont, true);
}

void ParagraphInspector::changeHangPunct(kit::Object* sender)
{
    (void)sender;
    _changeParagraphAttribute(&ParagraphInspector::_changeHangPunct, false);
}

void ParagraphInspector::changeHyphenate(kit::Object* sender)
{
    (void)sender;
    _changeParagraphAttribute(&ParagraphInspector::_changeHyphenate, false);
}

void ParagraphInspector::changeIndents(kit::Object* sender)
{
    (void)sender;
    kit::Control* fields[] = {indentLeft_, indentRight_, indentDeltaFirst_};
    for (int i = 0; i < 3; ++i)
        if (!readLength(fields[i], &pendingIndents_[i])) {
            refuse();
            return;
        }
    _changeParagraphAttribute(&ParagraphInspector::_changeIndents, false);
}

void ParagraphInspector::changeLigatures(kit::Object* sender)
{
    (void)sender;
    _changeParagraphAttribute(&ParagraphInspector::_changeLigatures, true);
}

void ParagraphInspector::changeLineSpacing(kit::Object* sender)
{
    (void)sender;
    const bool automatic = autoLeading_->intValue() != 0;
    const std::optional<float> number = parseFieldNumber(leading_->stringValue());
    const std::optional<float> spacing = parseFieldNumber(lineSpacing_->stringValue());
    if (!number || !spacing || !(*spacing > 0.0f)) {
        refuse();
        return;
    }
    const float stored = automatic ? AutoLeadingBase + *number : *number;
    // Past these bounds a leading would silently change meaning.
    const bool sound = automatic ? std::isfinite(stored) && stored > MaxFixedLeading
                                 : *number >= 0.0f && *number <= MaxFixedLeading;
    if (!sound) {
        refuse();
        return;
    }
    pendingLeading_ = stored;
    pendingLineSpacing_ = *spacing;
    _changeParagraphAttribute(&ParagraphInspector::_changeLineSpacing, false);
}

void ParagraphInspector::changeParagraphSpacing(kit::Object* sender)
{
    (void)sender;
    kit::Control* fields[] = {spaceBefore_, spaceAfter_, spaceBetween_};
    for (int i = 0; i < 3; ++i)
        if (!readSpace(fields[i], &pendingSpaces_[i])) {
            refuse();
            return;
        }
    if (!_changeParagraphAttribute(&ParagraphInspector::_changeParagraphSpacing, false)) {
        // Nothing edited: a relative text must not stay to mislead.
        if (TextFlow* flow = editedFlow(); flow && flow->currentParagraph())
            updateFromParagraph(flow->currentParagraph());
    }
}

void ParagraphInspector::changeTracking(kit::Object* sender)
{
    (void)sender;
    const std::optional<float> value = parseFieldNumber(tracking_->stringValue());
    if (!value || std::fabs(*value) > kMaxTracking) {
        refuse();
        return;
    }
    pendingTracking_ = *value;
    _changeParagraphAttribute(&ParagraphInspector::_changeTracking, true);
}

void ParagraphInspector::changeWidowControl(kit::Object* sender)
{
    (void)sender;
    const int tag = widowControl_ ? widowControl_->selectedTag() : 99;
    if (tag < -2 || tag > 1) {
        refuse();
        return;
    }
    _changeParagraphAttribute(&ParagraphInspector::_changeWidowControl, false);
}

void ParagraphInspector::changeWordSpacing(kit::Object* sender)
{
    (void)sender;
    const std::optional<float> value = parseFieldNumber(wordSpace_->stringValue());
    if (!value || std::fabs(*value) > largestLength()) {
        refuse();
        return;
    }
    pendingWordSpace_ = retrieveWordSpace();
    _changeParagraphAttribute(&ParagraphInspector::_changeWordSpacing, false);
}

void ParagraphInspector::setStyleAfter(kit::Object* sender)
{
    (void)sender;
    if (!currentNamedStyle() || !styleAfterPopupButton_)
        return;
    const int index = styleAfterPopupButton_->indexOfSelectedItem();
    StyleParagraph* chosen = nullptr;
    if (index > 0)
        if (StyleInfo* sheet = styleSheet())
            chosen = liveStyle(dynamic_cast<StyleParagraph*>(
                sheet->styleWithName(styleAfterPopupButton_->titleOfSelectedItem(), sheet->stylesForType(0))));
    currentStyleAfter_ = chosen;
    _changeParagraphAttribute(&ParagraphInspector::_changeStyleAfter, false);
}

void ParagraphInspector::setStyle(kit::Object* sender)
{
    (void)sender;
    if (!stylePopupButton_)
        return;
    const int index = stylePopupButton_->indexOfSelectedItem();
    PageView* view = pageView();
    if (index > 0) {
        StyleInfo* sheet = styleSheet();
        currentNamedStyle_ = sheet ? dynamic_cast<StyleParagraph*>(sheet->styleWithName(
                                         stylePopupButton_->titleOfSelectedItem(), sheet->stylesForType(0)))
                                   : nullptr;
        if (view)
            view->applyStyle(this);
        return;
    }
    LayoutDocument* doc = document();
    if (view && doc) {
        std::vector<Item*> items;
        for (Item* item : doc->selected())
            if (dynamic_cast<TextItem*>(item))
                items.push_back(item);
        const TextFlow* previous = nullptr;
        for (Item* item : items) {
            TextFlow* flow = static_cast<TextItem*>(item)->flow();
            if (!flow || flow == previous)
                continue;
            previous = flow;
            if (TextSelection* selection = flow->textSelection()) {
                const int last = std::min(selection->end().paragraph, flow->paragraphCount() - 1);
                for (int i = std::max(selection->start().paragraph, 0); i <= last; ++i)
                    flow->paragraphAtIndex(i)->localizeNamedParaStyle();
            } else if (TextParagraph* paragraph = flow->currentParagraph()) {
                paragraph->localizeNamedParaStyle();
            }
        }
        doc->invalidate(view, items);
        std::vector<kit::Object*> objects(items.begin(), items.end());
        doc->notifyUpdate(view, &objects);
    }
    if (doc)
        doc->setEdited(true);
}

void ParagraphInspector::setAutoleading(kit::Object* sender)
{
    (void)sender;
    if (autoLeading_->intValue() == 0) {
        if (panelFont_)
            leading_->setFloatValue(panelFont_->naturalHeight());
    } else {
        leading_->setFloatValue(0);
    }
    changeLineSpacing(this);
}

void ParagraphInspector::setAlignmentFromMenu(kit::Object* sender)
{
    int tag = 0;
    std::string title;
    if (!menuChoice(sender, &tag, &title) || !alignment_ || !alignment_->cellWithTag(tag)) {
        kit::beep();
        return;
    }
    alignment_->selectCellWithTag(tag);
    changeAlignment(alignment_);
}

void ParagraphInspector::setLeadingFromMenu(kit::Object* sender)
{
    int tag = 0;
    std::string title;
    if (!menuChoice(sender, &tag, &title)) {
        kit::beep();
        return;
    }
    // The menu acts on the paragraph at the caret, whatever the fields
    // were left showing.
    if (TextFlow* flow = editedFlow(); flow && flow->currentParagraph())
        updateFromParagraph(flow->currentParagraph());
    switch (tag) {
    case 71:
        step(0, +1, sender);
        return;
    case 72:
        step(0, -1, sender);
        return;
    case 73:
    case 74:
    case 75:
        autoLeading_->setIntValue(1);
        leading_->setStringValue(tag == 73 ? "-2.0" : tag == 74 ? "+0.0" : "+2.0");
        break;
    default: {
        const std::optional<float> value = parseFieldNumber(title);
        if (!value || *value < 0.0f || *value > MaxFixedLeading) {
            kit::beep();
            return;
        }
        autoLeading_->setIntValue(0);
        leading_->setFloatValue(*value);
        break;
    }
    }
    changeLineSpacing(sender);
}

// ---- Field helpers and steppers.

bool ParagraphInspector::changeLeadingBy(float delta)
{
    const std::string text = leading_->stringValue();
    std::optional<float> offset;
    if (isAutoLeadString(text, &offset)) {
        const float moved = offset ? *offset + delta : NAN;
        if (!offset || !std::isfinite(moved) || AutoLeadingBase + moved <= MaxFixedLeading) {
            kit::beep();
            return false;
        }
        leading_->setStringValue(formatNumber(moved >= 0.0f ? "+%3.2f" : "%3.2f", moved));
        return true;
    }
    const std::optional<float> fixed = parseFieldNumber(text);
    const float moved = fixed ? *fixed + delta : NAN;
    if (!fixed || !(moved >= 0.0f && moved <= MaxFixedLeading)) {
        kit::beep();
        return false;
    }
    leading_->setStringValue(formatNumber("%3.2f", moved));
    return true;
}

bool ParagraphInspector::changeTrackingBy(float delta)
{
    const std::optional<float> value = parseFieldNumber(tracking_->stringValue());
    if (!value || std::fabs(*value + delta) > kMaxTracking) {
        kit::beep();
        return false;
    }
    tracking_->setFloatValue(*value + delta);
    return true;
}

bool ParagraphInspector::changeWordSpaceBy(float delta)
{
    const std::optional<float> value = parseFieldNumber(wordSpace_->stringValue());
    if (!value || std::fabs(*value + delta) > largestLength()) {
        kit::beep();
        return false;
    }
    displayWordSpace(retrieveWordSpace() + delta);
    return true;
}

bool ParagraphInspector::changeIndentsBy(float left, float right, float first)
{
    const float factor = pointsPerUnit();
    kit::Control* fields[] = {indentLeft_, indentRight_, indentDeltaFirst_};
    const float deltas[] = {left, right, first};
    std::string texts[3];
    for (int i = 0; i < 3; ++i) {
        texts[i] = fields[i]->stringValue();
        if (deltas[i] == 0.0f)
            continue;
        const std::optional<float> value = parseFieldNumber(texts[i]);
        const float moved = value ? *value + deltas[i] / factor : NAN;
        if (!value || !std::isfinite(moved) || std::fabs(moved * factor) > largestLength()) {
            kit::beep();
            return false;
        }
        texts[i] = formatNumber("%3.2f", moved);
    }
    for (int i = 0; i < 3; ++i)
        fields[i]->setStringValue(texts[i]);
    changeIndents(this);
    return true;
}

bool ParagraphInspector::changeParagraphSpacingBy(float before, float after, float between)
{
    const float factor = pointsPerUnit();
    kit::Control* fields[] = {spaceBefore_, spaceAfter_, spaceBetween_};
    const float deltas[] = {before, after, between};
    std::string texts[3];
    for (int i = 0; i < 3; ++i) {
        texts[i] = fields[i]->stringValue();
        if (deltas[i] == 0.0f)
            continue;
        const std::optional<float> value = parseFieldNumber(texts[i]);
        if (!value) {
            kit::beep();
            return false;
        }
        const float moved = std::clamp(*value + deltas[i] / factor, 0.0f, largestLength() / factor);
        texts[i] = formatNumber("%3.2f", moved);
    }
    for (int i = 0; i < 3; ++i)
        fields[i]->setStringValue(texts[i]);
    changeParagraphSpacing(this);
    return true;
}

void ParagraphInspector::step(int which, int sign, kit::Object* sender)
{
    (void)sender;
    const float s = float(sign);
    switch (which) {
    case 0:
        if (changeLeadingBy(s * increment(IncrementLeading)))
            changeLineSpacing(this);
        break;
    case 1: {
        const float d = s * increment(IncrementSpacing);
        const std::string before = wordSpace_->stringValue();
        if (changeTrackingBy(d) && changeWordSpaceBy(d))
            changeTracking(this);
        else
            wordSpace_->setStringValue(before);
        break;
    }
    case 2:
        if (changeWordSpaceBy(s * increment(IncrementSpacing)))
            changeWordSpacing(this);
        break;
    case 3:
        changeIndentsBy(s * increment(IncrementIndents), 0, 0);
        break;
    case 4:
        // Increasing the right indent moves the right edge in.
        changeIndentsBy(0, -s * increment(IncrementIndents), 0);
        break;
    case 5:
        changeIndentsBy(0, 0, s * increment(IncrementIndents));
        break;
    case 6:
    case 7:
    case 8: {
        const char mark = sign > 0 ? '>' : '<';
        kit::Control* fields[] = {spaceBefore_, spaceAfter_, spaceBetween_};
        for (int i = 0; i < 3; ++i)
            fields[i]->setStringValue(i == which - 6 ? mark + formatNumber("%f", increment(IncrementAboveBelow))
                                                     : std::string(1, mark));
        kit::Window* pane = inspectorView();
        if (pane)
            pane->disableFlushWindow();
        changeParagraphSpacing(this);
        if (pane) {
            pane->enableFlushWindow();
            pane->flushWindow();
        }
        break;
    }
    default:
        break;
    }
}

bool ParagraphInspector::controlTextShouldEndEditing(kit::Control* control)
{
    if (control != bulletText_)
        return true;
    auto* layvane = dynamic_cast<Layvane*>(Main);
    if (auto* values = dynamic_cast<FontAccessoryValues*>(layvane ? layvane->fontAccessory(false) : nullptr))
        if (kit::ColorRef color = values->color())
            bulletText_->setTextColor(color);
    changeBullet(this);
    return true;
}
