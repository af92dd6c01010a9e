#include "foundation/Preferences.h"

#include "core/EventState.h"
#include "core/FileManager.h"
#include "core/PaperSize.h"
#include "core/ProcessInfo.h"
#include "core/UserDefaults.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/Defaults.h"
#include "graphics/Font.h"
#include "spelling/pwd.h"

#include <cstdio>
#include <utility>

namespace {

struct ClassState {
    bool setUp = false;
    bool didInitializeDefaults = false;
    std::string loadSaveDir;
    std::string templateDir;
};

ClassState& classState()
{
    static ClassState state;
    return state;
}

// The factory values, in the order they were always registered.
const std::pair<const char*, const char*> factoryValues[] = {
    {"Visible", "5"},
    {"WindowRect", "99 41 644 792"},
    {"PageSize", "612 792"},
    {"PageZoom", "1.0"},
    {"PageTiling", "0"},
    {"PageSided", "0"},
    {"Rulers", "1"},
    {"Units", "2"},
    {"UndoLimit", "100"},
    {"DecimalTabChar", "."},
    {"DoubleClickOpen", "1"},
    {"AutoBackupOnSave", "0"},
    {"AutoSaveInterval", "0"},
    {"FastDrag", "1"},
    {"FastSelect", "0"},
    {"Fill", "0"},
    {"Line", "1"},
    {"RememberVisiblePanels", "0"},
    {"LineWidth", "1.0"},
    {"BlackGeneration", "0.5"},
    {"IncAlternate", "3.0"},
    {"IncShift", "0.5"},
    {"IncMove", "1.0"},
    {"IncRotate", "1.0"},
    {"IncLineWidth", "1.0"},
    {"IncRunaround", "1.0"},
    {"TextLanguage", "English"},
    {"TextHyphenate", "0"},
    {"TextHungPunct", "0"},
    {"TextAutoKern", "1"},
    {"TextAlignment", "0"},
    {"TextLigatures", "1"},
    {"IncLeading", "1.0"},
    {"IncSpacing", "1.0"},
    {"IncTabs", "1.0"},
    {"IncIndents", "12.0"},
    {"IncAbove", "2.0"},
    {"IncBullet", "1.0"},
    {"CollapseBlankLines", "0"},
    {"FontBody", ""},
    {"FontBodySize", ""},
    {"FontHeadline", ""},
    {"FontHeadlineSize", ""},
    {"FontCaption", ""},
    {"FontCaptionSize", ""},
    {"BaselineFlip", "0"},
    {"NSDate", "%B %D, %Y"},
    {"NSTime", "%I:%M%p"},
    {"TemplateFile", ""},
    {"TemplateDir", ""},
    {"LoadSaveDir", ""},
    {"KeymapName", ""},
    {"APIEnabled", "0"},
    {"Quit", ""},
    {"MarginLines", "1"},
    {"SaveFormat", ""},
    {"OpenOthersUntitled", "0"},
};

constexpr const char* FactoryDateFormat = "%B %D, %Y";
constexpr const char* FactoryTimeFormat = "%I:%M%p";

std::optional<std::string> existingPath(const std::string& path)
{
    if (!path.empty() && kit::FileManager::fileExistsAtPath(path))
        return path;
    return std::nullopt;
}

// The modifier masking shared by the increments and their multipliers.
enum class Modifier { None, Alternate, Shift };

Modifier modifierForFlags(unsigned flags)
{
    switch (flags & (kit::AlternateKeyMask | kit::ShiftKeyMask)) {
    case kit::AlternateKeyMask:
        return Modifier::Alternate;
    case kit::ShiftKeyMask:
        return Modifier::Shift;
    default:
        return Modifier::None;
    }
}

template <class T>
bool storeIfChanged(T& field, const T& value)
{
    if (field == value)
        return false;
    field = value;
    return true;
}

} // namespace

// ---- Class set-up.

void Preferences::initialize()
{
    ClassState& state = classState();
    if (state.setUp)
        return;
    state.setUp = true;
    const std::string home = kit::ProcessInfo::homeDirectory();
    const std::string name = kit::ProcessInfo::processName();
    state.loadSaveDir = home + "/Library/" + name;
    state.templateDir = home + "/Library/" + name + "/Templates";
    const auto domain = kit::UserDefaults::standardUserDefaults().persistentDomainForName(name);
    if (domain.empty())
        initializeDefaults();
}

void Preferences::initializeDefaults()
{
    kit::UserDefaults::Domain domain;
    for (const auto& [key, value] : factoryValues)
        domain[key] = value;
    auto& defaults = kit::UserDefaults::standardUserDefaults();
    defaults.setPersistentDomain(domain, kit::ProcessInfo::processName());
    defaults.synchronize();
    classState().didInitializeDefaults = true;
}

bool Preferences::didInitializeDefaults() { return classState().didInitializeDefaults; }

std::optional<std::string> Preferences::defaultLoadSaveDir() { return existingPath(classState().loadSaveDir); }

std::optional<std::string> Preferences::defaultTemplateDir() { return existingPath(classState().templateDir); }

void Preferences::resetClassSetUp() { classState() = ClassState{}; }

// ---- Life cycle.

Preferences::Preferences() = default;
Preferences::~Preferences() = default;

Preferences* Preferences::init()
{
    loadGeneral();
    loadText();
    loadDashList();
    loadArrowList();
    return this;
}

void Preferences::default_()
{
    defaultGeneral();
    defaultText();
}

void Preferences::defaultGeneral()
{
    visibleMask_ = 17;
    windowRect_ = kit::makeRect(99, 41, 644, 792);
    auto paperName = kit::UserDefaults::standardUserDefaults().stringForKey("NSPaperType");
    auto paper = kit::sizeForPaperName(paperName.value_or("Letter"));
    if (!paper)
        paper = kit::sizeForPaperName("Letter");
    if (paper)
        setPageSize(*paper);
    zoom_ = 1.0f;
    pageTiling_ = 0;
    pageSided_ = 0;
    rulers_ = 1;
    units_ = 2;
    undoLimit_ = 100;
    doubleClickOpen_ = true;
    autoBackupOnSave_ = false;
    autoSaveInterval_ = 0;
    fastDrag_ = true;
    fastSelect_ = false;
    baselineFlip_ = false;
    fill_ = false;
    line_ = true;
    rememberVisiblePanels_ = false;
    apiEnabled_ = false;
    lineWidth_ = 1.0f;
    blackGeneration_ = 0.5f;
    decimalTabChar_ = '.';
    incrementAlternate_ = 3.0f;
    incrementShift_ = 0.5f;
    incrementMove_ = 1.0f;
    incrementRotate_ = 1.0f;
    incrementLineWidth_ = 1.0f;
    incrementRunaround_ = 1.0f;
    setDateFormat(defaultDateFormat());
    setTimeFormat(defaultTimeFormat());
    setTemplateFile(std::string());
    setLoadSaveDir(defaultLoadSaveDir());
    setTemplateDir(defaultTemplateDir());
    setKeymapName(std::string());
    generalDirty_ = true;
}

void Preferences::defaultText()
{
    fontBody_ = kit::Font::userFontOfSize(0);
    const float size = fontBody_ ? fontBody_->pointSize() : 12.0f;
    fontHeadline_ = kit::Font::userFontOfSize(3.0f * size);
    fontCaption_ = kit::Font::userFontOfSize(0.75f * size);
    setLanguage(std::string("English"));
    hyphenate_ = true;
    hungPunctuation_ = true;
    smartPunctuation_ = true;
    autoKern_ = true;
    incrementLeading_ = 1.0f;
    incrementSpacing_ = 1.0f;
    incrementTabs_ = 1.0f;
    incrementIndents_ = 12.0f;
    incrementAboveBelow_ = 2.0f;
    incrementBullets_ = 1.0f;
    paragraphAlignment_ = 0;
    paragraphLigatures_ = true;
    collapseBlankLines_ = false;
    textDirty_ = true;
}

void Preferences::loadGeneral()
{
    defaultGeneral();
    GetDefaultIntValue("Visible", &visibleMask_);
    // The rectangle reader takes an absent key as the zero rectangle; the
    // built-in frame stays unless the key is there.
    if (kit::UserDefaults::standardUserDefaults().stringForKey("WindowRect"))
        GetDefaultRect("WindowRect", &windowRect_);
    GetDefaultFloatValue("PageZoom", &zoom_);
    GetDefaultIntValue("PageTiling", &pageTiling_);
    GetDefaultIntValue("PageSided", &pageSided_);
    GetDefaultIntValue("Rulers", &rulers_);
    GetDefaultIntValue("Units", &units_);
    GetDefaultIntValue("UndoLimit", &undoLimit_);
    std::optional<std::string> tabChar;
    GetDefaultStringValue("DecimalTabChar", &tabChar);
    if (tabChar && !tabChar->empty())
        decimalTabChar_ = (*tabChar)[0];
    GetDefaultBoolValue("DoubleClickOpen", &doubleClickOpen_);
    GetDefaultBoolValue("AutoBackupOnSave", &autoBackupOnSave_);
    GetDefaultIntValue("AutoSaveInterval", &autoSaveInterval_);
    GetDefaultBoolValue("FastDrag", &fastDrag_);
    GetDefaultBoolValue("FastSelect", &fastSelect_);
    GetDefaultBoolValue("Fill", &fill_);
    GetDefaultBoolValue("Line", &line_);
    GetDefaultBoolValue("APIEnabled", &apiEnabled_);
    GetDefaultFloatValue("LineWidth", &lineWidth_);
    GetDefaultFloatValue("BlackGeneration", &blackGeneration_);
    GetDefaultFloatValue("IncAlternate", &incrementAlternate_);
    GetDefaultFloatValue("IncShift", &incrementShift_);
    GetDefaultFloatValue("IncMove", &incrementMove_);
    GetDefaultFloatValue("IncRotate", &incrementRotate_);
    GetDefaultFloatValue("IncLineWidth", &incrementLineWidth_);
    GetDefaultFloatValue("IncRunaround", &incrementRunaround_);
    generalDirty_ = false;
    GetDefaultBoolValue("RememberVisiblePanels", &rememberVisiblePanels_);
    GetDefaultBoolValue("BaselineFlip", &baselineFlip_);
    std::optional<std::string> text;
    GetDefaultStringValue("TemplateFile", &text);
    if (text)
        setTemplateFile(text);
    GetDefaultStringValue("TemplateDir", &text);
    if (text)
        setTemplateDir(text);
    GetDefaultStringValue("LoadSaveDir", &text);
    if (text)
        setLoadSaveDir(text);
    GetDefaultStringValue("KeymapName", &text);
    if (text)
        setKeymapName(text);
}

void Preferences::loadText()
{
    defaultText();
    struct FontKeys {
        const char* name;
        const char* size;
        kit::Font** field;
    };
    const FontKeys fonts[] = {
        {"FontHeadline", "FontHeadlineSize", &fontHeadline_},
        {"FontBody", "FontBodySize", &fontBody_},
        {"FontCaption", "FontCaptionSize", &fontCaption_},
    };
    for (const FontKeys& keys : fonts) {
        std::optional<std::string> name;
        float size = 0.0f;
        GetDefaultStringValue(keys.name, &name);
        GetDefaultFloatValue(keys.size, &size);
        if (name && !name->empty() && size > 0.0f)
            if (kit::Font* font = kit::Font::fontWithName(*name, size))
                *keys.field = font;
    }
    std::optional<std::string> language;
    GetDefaultStringValue("TextLanguage", &language);
    // An absent or empty name keeps the built-in language: with none at all
    // there would be no dictionary to check with.
    if (language && !language->empty()) {
        // Older releases stored these names; the language table knows the newer ones.
        if (language == "French")
            language = "French1";
        else if (language == "Norwegian")
            language = "Nynorsk";
        setLanguage(language);
    }
    computeLanguageId();
    GetDefaultBoolValue("TextHyphenate", &hyphenate_);
    GetDefaultBoolValue("TextHungPunct", &hungPunctuation_);
    GetDefaultBoolValue("TextSmartPunct", &smartPunctuation_);
    GetDefaultBoolValue("TextAutoKern", &autoKern_);
    GetDefaultBoolValue("CollapseBlankLines", &collapseBlankLines_);
    GetDefaultBoolValue("TextLigatures", &paragraphLigatures_);
    GetDefaultFloatValue("IncLeading", &incrementLeading_);
    GetDefaultFloatValue("IncSpacing", &incrementSpacing_);
    GetDefaultFloatValue("IncTabs", &incrementTabs_);
    GetDefaultFloatValue("IncIndents", &incrementIndents_);
    GetDefaultFloatValue("IncAbove", &incrementAboveBelow_);
    GetDefaultFloatValue("IncBullet", &incrementBullets_);
    GetDefaultIntValue("TextAlignment", &paragraphAlignment_);
    std::optional<std::string> format;
    GetDefaultStringValue("NSDate", &format);
    if (format)
        setDateFormat(format);
    GetDefaultStringValue("NSTime", &format);
    if (format)
        setTimeFormat(format);
    textDirty_ = false;
}

void Preferences::loadDashList()
{
    dashList_.clear();
    GxInitializeDashList(dashList_);
}

void Preferences::loadArrowList()
{
    arrowList_.clear();
    GxInitializeArrowList(arrowList_);
}

void Preferences::storeGeneral()
{
    SetDefaultIntValue("Visible", visibleMask_);
    SetDefaultRect("WindowRect", windowRect_);
    SetDefaultFloatValue("PageZoom", zoom_);
    SetDefaultIntValue("PageTiling", pageTiling_);
    SetDefaultIntValue("PageSided", pageSided_);
    SetDefaultIntValue("Rulers", rulers_);
    SetDefaultIntValue("Units", units_);
    SetDefaultIntValue("UndoLimit", undoLimit_);
    SetDefaultStringValue("DecimalTabChar", std::string(1, decimalTabChar_));
    SetDefaultStringValue("LoadSaveDir", loadSaveDir_);
    SetDefaultStringValue("TemplateFile", templateFile_);
    SetDefaultStringValue("TemplateDir", templateDir_);
    SetDefaultBoolValue("DoubleClickOpen", doubleClickOpen_);
    SetDefaultBoolValue("AutoBackupOnSave", autoBackupOnSave_);
    SetDefaultIntValue("AutoSaveInterval", autoSaveInterval_);
    SetDefaultBoolValue("FastDrag", fastDrag_);
    SetDefaultBoolValue("FastSelect", fastSelect_);
    SetDefaultBoolValue("Fill", fill_);
    SetDefaultBoolValue("Line", line_);
    SetDefaultBoolValue("APIEnabled", apiEnabled_);
    SetDefaultFloatValue("LineWidth", lineWidth_);
    SetDefaultFloatValue("BlackGeneration", blackGeneration_);
    SetDefaultFloatValue("IncAlternate", incrementAlternate_);
    SetDefaultFloatValue("IncShift", incrementShift_);
    SetDefaultFloatValue("IncMove", incrementMove_);
    SetDefaultFloatValue("IncRotate", incrementRotate_);
    SetDefaultFloatValue("IncLineWidth", incrementLineWidth_);
    SetDefaultFloatValue("IncRunaround", incrementRunaround_);
    SetDefaultBoolValue("BaselineFlip", baselineFlip_);
    SetDefaultBoolValue("RememberVisiblePanels", rememberVisiblePanels_);
    SetDefaultStringValue("KeymapName", keymapName_);
    if (Main)
        Main->setKeymapName(keymapName_);
    generalDirty_ = false;
}

void Preferences::storeText()
{
    struct FontKeys {
        const char* name;
        const char* size;
        kit::Font* font;
    };
    const FontKeys fonts[] = {
        {"FontHeadline", "FontHeadlineSize", fontHeadline_},
        {"FontBody", "FontBodySize", fontBody_},
        {"FontCaption", "FontCaptionSize", fontCaption_},
    };
    for (const FontKeys& keys : fonts) {
        if (keys.font && !keys.font->fontName().empty() && keys.font->pointSize() > 0.0f) {
            SetDefaultStringValue(keys.name, keys.font->fontName());
            SetDefaultFloatValue(keys.size, keys.font->pointSize());
        }
    }
    if (Main)
        Main->setFont(fontBody_);
    SetDefaultStringValue("TextLanguage", language_);
    SetDefaultBoolValue("TextHyphenate", hyphenate_);
    SetDefaultBoolValue("TextHungPunct", hungPunctuation_);
    SetDefaultBoolValue("TextSmartPunct", smartPunctuation_);
    SetDefaultBoolValue("TextAutoKern", autoKern_);
    SetDefaultBoolValue("TextLigatures", paragraphLigatures_);
    SetDefaultBoolValue("CollapseBlankLines", collapseBlankLines_);
    SetDefaultFloatValue("IncLeading", incrementLeading_);
    SetDefaultFloatValue("IncSpacing", incrementSpacing_);
    SetDefaultFloatValue("IncTabs", incrementTabs_);
    SetDefaultFloatValue("IncIndents", incrementIndents_);
    SetDefaultFloatValue("IncAbove", incrementAboveBelow_);
    SetDefaultFloatValue("IncBullet", incrementBullets_);
    SetDefaultIntValue("TextAlignment", paragraphAlignment_);
    SetDefaultStringValue("NSDate", dateFormat_);
    SetDefaultStringValue("NSTime", timeFormat_);
    textDirty_ = false;
}

void Preferences::storeDefaults()
{
    if (generalDirty_)
        storeGeneral();
    if (textDirty_)
        storeText();
    if (dashListDirty_)
        storeDashList();
    if (arrowListDirty_)
        storeArrowList();
    kit::UserDefaults::standardUserDefaults().synchronize();
}

// ---- Getters with rules.

float Preferences::blackGeneration()
{
    if (blackGeneration_ < 0.0f) {
        blackGeneration_ = 0.0f;
    } else if (blackGeneration_ > 1.0f) {
        std::fprintf(stderr, "BlackGeneration is an UNDOCUMENTED value that should be between 0.0 and 1.0.  "
                             "Don't play with it if you don't understand it.\n");
        blackGeneration_ = 1.0f;
    }
    return blackGeneration_;
}

std::string Preferences::defaultDateFormat() const
{
    auto stored = kit::UserDefaults::standardUserDefaults().stringForKey("NSDate");
    return stored && !stored->empty() ? *stored : FactoryDateFormat;
}

std::string Preferences::defaultTimeFormat() const
{
    auto stored = kit::UserDefaults::standardUserDefaults().stringForKey("NSTime");
    return stored && !stored->empty() ? *stored : FactoryTimeFormat;
}

std::string Preferences::spellCheckDictName() const
{
    const std::string name = language_.value_or("");
    if (name == "English")
        return "American.dct";
    if (name == "Nynorsk" || name == "Bokmal")
        return "Norwegian.dct";
    return name + ".dct";
}

const GxDash* Preferences::dashAt(int index) const
{
    static GxDash buffer;
    if (static_cast<unsigned>(index) >= dashList_.size())
        return nullptr;
    buffer = dashList_[static_cast<unsigned>(index)];
    return &buffer;
}

const GxArrow* Preferences::arrowAt(int index) const
{
    static GxArrow buffer;
    if (static_cast<unsigned>(index) >= arrowList_.size())
        return nullptr;
    buffer = arrowList_[static_cast<unsigned>(index)];
    return &buffer;
}

int Preferences::findIndexForDash(const GxDash* dash) const
{
    if (!dash)
        return 0;
    for (std::size_t i = 0; i < dashList_.size(); ++i)
        if (GxEqualDash(&dashList_[i], dash))
            return static_cast<int>(i);
    return PreferencesNotFound;
}

int Preferences::findIndexForArrow(const GxArrow* arrow) const
{
    if (!arrow)
        return 0;
    for (std::size_t i = 0; i < arrowList_.size(); ++i)
        if (GxEqualArrow(&arrowList_[i], arrow))
            return static_cast<int>(i);
    return PreferencesNotFound;
}

// ---- Setters.

#define GENERAL_SETTER(name, field, type) \
    void Preferences::name(type value)    \
    {                                     \
        if (storeIfChanged(field, value)) \
            generalDirty_ = true;         \
    }
#define TEXT_SETTER(name, field, type)    \
    void Preferences::name(type value)    \
    {                                     \
        if (storeIfChanged(field, value)) \
            textDirty_ = true;            \
    }

GENERAL_SETTER(setTileMode, pageTiling_, int)
GENERAL_SETTER(setSidedMode, pageSided_, int)
GENERAL_SETTER(setVisibleMask, visibleMask_, int)
GENERAL_SETTER(setUnits, units_, int)
GENERAL_SETTER(setUndoLimit, undoLimit_, int)
GENERAL_SETTER(setAutoSaveInterval, autoSaveInterval_, int)
GENERAL_SETTER(setAutoBackupOnSave, autoBackupOnSave_, bool)
GENERAL_SETTER(setFastDrag, fastDrag_, bool)
GENERAL_SETTER(setFastSelect, fastSelect_, bool)
GENERAL_SETTER(setDoubleClickOpen, doubleClickOpen_, bool)
GENERAL_SETTER(setHasFill, fill_, bool)
GENERAL_SETTER(setHasLine, line_, bool)
GENERAL_SETTER(setAPIEnabled, apiEnabled_, bool)
GENERAL_SETTER(setBaselineFlip, baselineFlip_, bool)
GENERAL_SETTER(setDecimalTabChar, decimalTabChar_, char)
GENERAL_SETTER(setBlackGeneration, blackGeneration_, float)
GENERAL_SETTER(setWindowFrame, windowRect_, const kit::Rect&)

TEXT_SETTER(setParagraphAlignment, paragraphAlignment_, int)
TEXT_SETTER(setParagraphLigatures, paragraphLigatures_, bool)
TEXT_SETTER(setCollapseBlankLines, collapseBlankLines_, bool)
TEXT_SETTER(setNewAutoKern, autoKern_, bool)
TEXT_SETTER(setNewHyphenate, hyphenate_, bool)
TEXT_SETTER(setNewHungPunctuation, hungPunctuation_, bool)
TEXT_SETTER(setNewSmartPunctuation, smartPunctuation_, bool)

#undef GENERAL_SETTER
#undef TEXT_SETTER

void Preferences::setZoom(float value)
{
    zoom_ = value;
    generalDirty_ = true;
}

void Preferences::setPageSize(const kit::Size& size)
{
    if (size.width > 0.000005f && size.height > 0.000005f && storeIfChanged(pageSize_, size))
        generalDirty_ = true;
}

void Preferences::setLineWidth(float value)
{
    // A negative width would be stored and written back at every quit;
    // refuse it (and NaN) while keeping 0, PostScript's thinnest line.
    if (!(value >= 0.0f))
        return;
    if (value > 50.0f)
        value = 50.0f;
    if (storeIfChanged(lineWidth_, value))
        generalDirty_ = true;
}

void Preferences::setLoadSaveDir(const OptionalString& path)
{
    loadSaveDir_ = path;
    generalDirty_ = true;
}

void Preferences::setTemplateDir(const OptionalString& path)
{
    templateDir_ = path;
    generalDirty_ = true;
}

void Preferences::setTemplateFile(const OptionalString& path)
{
    templateFile_ = path;
    generalDirty_ = true;
}

void Preferences::setKeymapName(const OptionalString& name) { keymapName_ = name; }
void Preferences::setDateFormat(const OptionalString& format) { dateFormat_ = format; }
void Preferences::setTimeFormat(const OptionalString& format) { timeFormat_ = format; }
void Preferences::setRememberVisiblePanels(bool value) { rememberVisiblePanels_ = value; }

void Preferences::setRulers(int value)
{
    if (storeIfChanged(rulers_, value))
        textDirty_ = true;
    SetDefaultIntValue("Rulers", rulers_);
}

void Preferences::setHeadlineFont(kit::Font* font)
{
    if (font && storeIfChanged(fontHeadline_, font))
        textDirty_ = true;
}

void Preferences::setBodyFont(kit::Font* font)
{
    if (font && storeIfChanged(fontBody_, font))
        textDirty_ = true;
}

void Preferences::setCaptionFont(kit::Font* font)
{
    if (font && storeIfChanged(fontCaption_, font))
        textDirty_ = true;
}

void Preferences::setLanguage(const OptionalString& name)
{
    language_ = name;
    computeLanguageId();
    textDirty_ = true;
}

void Preferences::computeLanguageId()
{
    languageId_ = 0;
    if (!language_ || language_->empty())
        return;
    if (const PWDLanguage* row = check_lang(language_->c_str()))
        languageId_ = row->number;
}

// ---- Increments.

float Preferences::baseIncrement(int type) const
{
    switch (type) {
    case IncrementMove: return incrementMove_;
    case IncrementRotate: return incrementRotate_;
    case IncrementLeading: return incrementLeading_;
    case IncrementSpacing: return incrementSpacing_;
    case IncrementTabs: return incrementTabs_;
    case IncrementIndents: return incrementIndents_;
    case IncrementAboveBelow: return incrementAboveBelow_;
    case IncrementBullet: return incrementBullets_;
    case IncrementLineWidth: return incrementLineWidth_;
    case IncrementRunaround: return incrementRunaround_;
    default: return 1.0f;
    }
}

float Preferences::incrementForType(int type, unsigned flags, float zoom) const
{
    float increment = baseIncrement(type) * multiplierForMask(flags);
    if (zoom > 1.0f)
        increment *= 1.0f / zoom;
    return increment;
}

float Preferences::flagsIncrement(int type) const
{
    return incrementForType(type, kit::currentEventModifierFlags(), 1.0f);
}

float Preferences::multiplierForMask(unsigned flags) const
{
    switch (modifierForFlags(flags)) {
    case Modifier::Alternate: return incrementAlternate_;
    case Modifier::Shift: return incrementShift_;
    default: return 1.0f;
    }
}

void Preferences::setMultiplier(float value, unsigned flags)
{
    if (!between_(value, 0.05f, 100.0f))
        return;
    float* field = nullptr;
    switch (modifierForFlags(flags)) {
    case Modifier::Alternate: field = &incrementAlternate_; break;
    case Modifier::Shift: field = &incrementShift_; break;
    default: return;
    }
    if (storeIfChanged(*field, value))
        generalDirty_ = true;
}

void Preferences::setIncrement(float value, int type)
{
    struct Range {
        float* field;
        float low, high;
        bool text;
    };
    Range range{};
    switch (type) {
    case IncrementMove: range = {&incrementMove_, 0.1f, 10.0f, false}; break;
    case IncrementRotate: range = {&incrementRotate_, 0.1f, 10.0f, false}; break;
    case IncrementLineWidth: range = {&incrementLineWidth_, 0.1f, 10.0f, false}; break;
    case IncrementRunaround: range = {&incrementRunaround_, 0.1f, 10.0f, false}; break;
    case IncrementLeading: range = {&incrementLeading_, -20.0f, 20.0f, true}; break;
    case IncrementSpacing: range = {&incrementSpacing_, -20.0f, 20.0f, true}; break;
    case IncrementTabs: range = {&incrementTabs_, 1.0f, 72.0f, true}; break;
    case IncrementIndents: range = {&incrementIndents_, -20.0f, 20.0f, true}; break;
    case IncrementAboveBelow: range = {&incrementAboveBelow_, -20.0f, 20.0f, true}; break;
    case IncrementBullet: range = {&incrementBullets_, -20.0f, 20.0f, true}; break;
    default: return;
    }
    if (!between_(value, range.low, range.high) || !storeIfChanged(*range.field, value))
        return;
    if (range.text)
        textDirty_ = true;
    else
        generalDirty_ = true;
}
