#include "panels/FontAccessory.h"

#include "app/Layvane.h"
#include "appkit/Button.h"
#include "appkit/ColorWell.h"
#include "appkit/FontPanel.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "appkit/View.h"
#include "core/Alert.h"
#include "core/Encoding.h"
#include "document/LayoutDocument.h"
#include "foundation/Languages.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "panels/AutoLead.h"
#include "spelling/pwd.h"
#include "view/PageView.h"

#include <cmath>

namespace {

const char* const kMixedText = "<< >>";

bool sameColor(const kit::ColorRef& a, const kit::ColorRef& b) { return a == b || (a && b && a->isEqual(*b)); }

float increment(int type)
{
    const Preferences* prefs = Main ? Main->preferences() : nullptr;
    const float value = prefs ? prefs->flagsIncrement(type) : 1.0f;
    return std::isfinite(value) ? value : 0.0f;
}

int senderTag(kit::Object* sender)
{
    auto* control = dynamic_cast<kit::Control*>(sender);
    return control ? control->tag() : 0;
}


// Baseline shift, tracking and word space beyond this are no setting a
// user means, and overflow the layout.
constexpr float kMaxMeasure = 10000.0f;

} // namespace

FontAccessory::FontAccessory()
{
    struct Entry {
        const char* name;
        void (FontAccessory::*action)(kit::Object*);
    };
    static const Entry kActions[] = {
        {"apply:", &FontAccessory::apply},
        {"applyColor:", &FontAccessory::applyColor},
        {"setBlack:", &FontAccessory::setBlack},
        {"setWhite:", &FontAccessory::setWhite},
        {"bumpLeading:", &FontAccessory::bumpLeading},
        {"bumpTracking:", &FontAccessory::bumpTracking},
        {"bumpVertical:", &FontAccessory::bumpVertical},
        {"bumpWordSpace:", &FontAccessory::bumpWordSpace},
        {"bumpCondense:", &FontAccessory::bumpCondense},
        {"showOptions:", &FontAccessory::showOptions},
        {"hideOptions:", &FontAccessory::hideOptions},
        {"displayView:", &FontAccessory::displayView},
    };
    for (const Entry& entry : kActions) {
        const auto action = entry.action;
        setAction(entry.name, [this, action](kit::Object* sender) -> kit::Object* {
            (this->*action)(sender);
            return this;
        });
    }
    // The application's font panel command installs the current view.
    setAction("installInFontPanel:", [this](kit::Object*) -> kit::Object* {
        installIn(kit::FontPanel::sharedFontPanel(true));
        return this;
    });
}

FontAccessory::~FontAccessory()
{
    // A view the shared font panel still shows leaves it with its owner.
    if (kit::FontPanel* panel = kit::FontPanel::sharedFontPanel(false))
        if (panel->accessoryView() && (panel->accessoryView() == viewSmall_ || panel->accessoryView() == viewLarge_))
            (void)panel->setAccessoryView(nullptr);
}

void FontAccessory::adoptViews(std::unique_ptr<kit::View> small, std::unique_ptr<kit::View> large)
{
    viewSmall_ = small.get();
    viewLarge_ = large.get();
    ownedSmall_ = std::move(small);
    ownedLarge_ = std::move(large);
}

FontAccessory* FontAccessory::init()
{
    view_ = viewSmall_;
    myColor_ = kit::Color::colorWithDeviceCyan(0, 0, 0, 1, 1);
    return this;
}

void FontAccessory::awakeFromNib()
{
    kit::Control** fields[] = {&tracking_, &leading_, &wordSpace_, &vertical_, &condense_, &messageSmall_,
                               &messageLarge_};
    for (kit::Control** slot : fields)
        if (!*slot) {
            standIns_.push_back(std::make_unique<kit::TextField>());
            *slot = standIns_.back().get();
        }
}

bool FontAccessory::setOutlet(const std::string& name, kit::Object* object)
{
    auto* control = dynamic_cast<kit::Control*>(object);
    const std::pair<const char*, kit::Control**> slots[] = {
        {"tracking", &tracking_},         {"leading", &leading_},          {"wordSpace", &wordSpace_},
        {"vertical", &vertical_},         {"condense", &condense_},        {"messageSmall", &messageSmall_},
        {"messageLarge", &messageLarge_},
    };
    for (const auto& [outlet, slot] : slots)
        if (name == outlet) {
            *slot = control;
            return true;
        }
    if (name == "languagePopup")
        languagePopup_ = dynamic_cast<kit::PopUpButton*>(object);
    else if (name == "colorSmall")
        colorSmall_ = dynamic_cast<kit::ColorWell*>(object);
    else if (name == "colorLarge")
        colorLarge_ = dynamic_cast<kit::ColorWell*>(object);
    else if (name == "viewSmall")
        viewSmall_ = dynamic_cast<kit::View*>(object);
    else if (name == "viewLarge")
        viewLarge_ = dynamic_cast<kit::View*>(object);
    else
        return false;
    return true;
}

kit::Control* FontAccessory::field(const std::string& outlet) const
{
    const std::pair<const char*, kit::Control*> all[] = {
        {"tracking", tracking_}, {"leading", leading_},   {"wordSpace", wordSpace_},
        {"vertical", vertical_}, {"condense", condense_}, {"colorSmall", colorSmall_},
        {"colorLarge", colorLarge_},
    };
    for (const auto& [name, control] : all)
        if (outlet == name)
            return control;
    return nullptr;
}

std::string FontAccessory::message() const { return messageLarge_ ? messageLarge_->stringValue() : std::string(); }

// ---- Reading.

std::string FontAccessory::stringValueFor(kit::Control* field) const
{
    if (!isLarge() || !field)
        return kMixedText;
    return field->stringValue();
}

float FontAccessory::readField(kit::Control* field, bool* refused) const
{
    *refused = false;
    const std::string text = stringValueFor(field);
    if (text.find_first_not_of(" \t") == std::string::npos || text == kMixedText)
        return Mixed;
    const std::optional<float> value = parseFieldNumber(text);
    if (!value) {
        *refused = true;
        return Mixed;
    }
    return *value;
}

float FontAccessory::floatValueFor(kit::Control* field) const
{
    bool refused = false;
    return readField(field, &refused);
}

float FontAccessory::leading() const
{
    const std::string text = stringValueFor(leading_);
    if (text.find_first_not_of(" \t") == std::string::npos || text == kMixedText)
        return Mixed;
    // A leading that would change meaning is refused, not applied.
    const std::optional<float> stored = storedLeadingFromText(text);
    if (!stored) {
        kit::beep();
        return Mixed;
    }
    return *stored;
}

namespace {
float bounded(float value, bool refused)
{
    if (refused || (value != FontAccessory::Mixed && std::fabs(value) > kMaxMeasure)) {
        kit::beep();
        return FontAccessory::Mixed;
    }
    return value;
}
} // namespace

float FontAccessory::tracking() const
{
    bool refused = false;
    const float value = readField(tracking_, &refused);
    return bounded(value, refused);
}

float FontAccessory::vertical() const
{
    bool refused = false;
    const float value = readField(vertical_, &refused);
    return bounded(value, refused);
}

float FontAccessory::wordSpaceOnly() const
{
    bool refused = false;
    const float value = readField(wordSpace_, &refused);
    return bounded(value, refused);
}

float FontAccessory::wordSpace() const
{
    const float only = wordSpaceOnly();
    return only == Mixed ? Mixed : only + spaceWidth();
}

float FontAccessory::retrieveWordSpace() const
{
    const std::optional<float> value = parseFieldNumber(wordSpace_->stringValue());
    return (value ? *value : 0.0f) + spaceWidth();
}

float FontAccessory::condense() const
{
    if (!isLarge())
        return Mixed;
    const std::string text = condense_->stringValue();
    if (text == kMixedText)
        return Mixed;
    // An empty field or 0 reads as normal width.
    if (text.find_first_not_of(" \t") == std::string::npos)
        return 1.0f;
    const std::optional<float> percent = parseFieldNumber(text);
    if (!percent || *percent < 0.0f || *percent > kMaxMeasure) {
        kit::beep();
        return Mixed;
    }
    return *percent == 0.0f ? 1.0f : *percent / 100.0f;
}

short FontAccessory::langId() const
{
    if (!languagePopup_)
        return 0;
    const std::string shown = languagePopup_->titleOfSelectedItem();
    if (shown == applicationString("LanguageMultiple"))
        return 255;
    const std::optional<std::string> native = kit::fromUTF8(kit::Encoding::NeXTSTEP, shown);
    const std::string english = englishFromNative(native.value_or(shown));
    for (const PWDLanguage& language : lang_list)
        if (english == language.name)
            return static_cast<short>(language.number);
    return 0;
}

float FontAccessory::spaceWidth() const
{
    kit::Font* font = kit::FontManager::sharedFontManager().selectedFont();
    return font ? font->widthOfString(" ") : 0.0f;
}

// ---- Showing.

void FontAccessory::setFloatValue(float value, kit::Control* field)
{
    if (!field)
        return;
    if (value == Mixed || !std::isfinite(value)) {
        if (field->stringValue() != kMixedText)
            field->setStringValue(kMixedText);
        return;
    }
    const std::string text = formatNumber("%5.3f", value);
    if (field->stringValue() != text)
        field->setStringValue(text);
}

void FontAccessory::setNewLeading(float value)
{
    if (value != Mixed && std::isfinite(value) && value > MaxFixedLeading) {
        const std::string text = autoLeadText(value);
        if (leading_->stringValue() != text)
            leading_->setStringValue(text);
        return;
    }
    setFloatValue(value, leading_);
}

void FontAccessory::setNewTracking(float value) { setFloatValue(value, tracking_); }
void FontAccessory::setNewVertical(float value) { setFloatValue(value, vertical_); }
void FontAccessory::setNewWordSpace(float value) { displayWordSpace(value); }

void FontAccessory::displayWordSpace(float points)
{
    setFloatValue(points == Mixed ? Mixed : points - spaceWidth(), wordSpace_);
}

void FontAccessory::setNewCondense(float value)
{
    if (value == Mixed || !std::isfinite(value)) {
        setFloatValue(Mixed, condense_);
        return;
    }
    const float percent = value * 100.0f;
    const std::optional<float> shown = parseFieldNumber(condense_->stringValue());
    // Below one whole percent the field keeps what it shows.
    if (shown && std::fabs(*shown - percent) < 1.0f)
        return;
    setFloatValue(percent, condense_);
}

void FontAccessory::setColor(const kit::ColorRef& color)
{
    if (!color || sameColor(color, myColor_))
        return;
    myColor_ = color;
    for (kit::ColorWell* well : {colorSmall_, colorLarge_})
        if (well)
            well->setColor(color);
}

void FontAccessory::setLangId(short id)
{
    std::string english;
    if (const PWDLanguage* language = id == 255 ? nullptr : check_langNum(id))
        english = language->name;
    const std::string title = !english.empty() ? kit::toUTF8(kit::Encoding::NeXTSTEP, nativeFromEnglish(english))
                              : id == 255     ? applicationString("LanguageMultiple")
                                              : applicationString("LanguageDefault");
    if (languagePopup_ && languagePopup_->titleOfSelectedItem() != title) {
        if (languagePopup_->indexOfItemWithTitle(title) < 0)
            languagePopup_->addItemWithTitle(title);
        languagePopup_->selectItemWithTitle(title);
    }
}

void FontAccessory::setMessage(const std::string& message)
{
    for (kit::Control* line : {messageSmall_, messageLarge_})
        if (line && line->stringValue() != message)
            line->setStringValue(message);
}

void FontAccessory::clearCells()
{
    for (kit::Control* field : {tracking_, leading_, wordSpace_, vertical_})
        field->setStringValue("");
    condense_->setStringValue("100");
}

// ---- Actions.

void FontAccessory::apply(kit::Object* sender)
{
    PageView* view = host_ ? host_->mainPageView() : nullptr;
    if (view)
        view->performSelector("changeFont:", sender);
}

void FontAccessory::applyColor(kit::Object* sender)
{
    if (auto* well = dynamic_cast<kit::ColorWell*>(sender))
        setColor(well->color());
}

void FontAccessory::setBlack(kit::Object* sender)
{
    setColor(kit::Color::colorWithDeviceCyan(0, 0, 0, 1, 1));
    apply(sender);
}

void FontAccessory::setWhite(kit::Object* sender)
{
    setColor(kit::Color::colorWithDeviceCyan(0, 0, 0, 0, 1));
    apply(sender);
}

void FontAccessory::bump(kit::Control* field, int type, kit::Object* sender)
{
    bool refused = false;
    const float current = readField(field, &refused);
    if (current == Mixed || refused) {
        kit::beep();
        return;
    }
    const float moved = current + increment(type) * float(senderTag(sender));
    if (!std::isfinite(moved) || std::fabs(moved) > kMaxMeasure) {
        kit::beep();
        return;
    }
    if (field == wordSpace_)
        displayWordSpace(moved + spaceWidth());
    else
        setFloatValue(moved, field);
    apply(sender);
}

void FontAccessory::bumpLeading(kit::Object* sender)
{
    const std::string text = stringValueFor(leading_);
    if (text == kMixedText || text.find_first_not_of(" \t") == std::string::npos) {
        kit::beep();
        return;
    }
    const std::optional<float> stored = storedLeadingFromText(text);
    const float moved = stored ? *stored + increment(IncrementLeading) * float(senderTag(sender)) : NAN;
    // The step stops where the leading would change meaning.
    const bool automatic = stored && *stored > MaxFixedLeading;
    const bool sound = std::isfinite(moved) && (automatic ? moved > MaxFixedLeading : moved >= 0.0f && moved <= MaxFixedLeading);
    if (!sound) {
        kit::beep();
        return;
    }
    setNewLeading(moved);
    apply(sender);
}

void FontAccessory::bumpTracking(kit::Object* sender) { bump(tracking_, IncrementSpacing, sender); }
void FontAccessory::bumpVertical(kit::Object* sender) { bump(vertical_, -1, sender); }
void FontAccessory::bumpWordSpace(kit::Object* sender) { bump(wordSpace_, IncrementSpacing, sender); }

void FontAccessory::bumpCondense(kit::Object* sender)
{
    const float factor = condense();
    if (factor == Mixed) {
        kit::beep();
        return;
    }
    const float percent = factor * 100.0f + float(senderTag(sender));
    // 0 would read back as normal width.
    if (!(percent >= 1.0f) || percent > kMaxMeasure) {
        kit::beep();
        return;
    }
    setNewCondense(percent / 100.0f);
    apply(sender);
}

void FontAccessory::showOptions(kit::Object* sender)
{
    (void)sender;
    view_ = viewLarge_;
    performSelector("displayView:", nullptr, 0.01);
}

void FontAccessory::hideOptions(kit::Object* sender)
{
    (void)sender;
    view_ = viewSmall_;
    performSelector("displayView:", nullptr, 0.01);
}

void FontAccessory::installIn(kit::FontPanel* panel)
{
    kit::View* wanted = view();
    if (!panel || !wanted || panel->accessoryView() == wanted)
        return;
    std::unique_ptr<kit::View>& owned = wanted == viewSmall_ ? ownedSmall_ : ownedLarge_;
    if (!owned)
        return;
    std::unique_ptr<kit::View> previous = panel->setAccessoryView(std::move(owned));
    // A view of this accessory comes back to it; another goes.
    if (previous.get() == viewSmall_)
        ownedSmall_ = std::move(previous);
    else if (previous.get() == viewLarge_)
        ownedLarge_ = std::move(previous);
}

void FontAccessory::displayView(kit::Object* sender)
{
    (void)sender;
    kit::FontPanel* panel = kit::FontPanel::sharedFontPanel(true);
    if (panel && panel->accessoryView() != view()) {
        const kit::Rect frame = panel->frame();
        panel->orderOut(nullptr);
        installIn(panel);
        panel->setBecomesKeyOnlyIfNeeded(!isLarge());
        panel->setDelegate(this);
        kit::Rect placed = panel->frame();
        placed.origin.x = frame.origin.x;
        placed.origin.y = frame.origin.y + frame.size.height - placed.size.height;
        if (std::isfinite(placed.origin.x) && std::isfinite(placed.origin.y))
            panel->setFrame(placed, false);
        panel->orderFront(nullptr);
    }
    if (LayoutDocument* document = host_ ? host_->mainDocument() : nullptr)
        document->notifyUpdateFontPanel();
}
