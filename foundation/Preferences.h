#pragma once

// The one in-memory copy of the user's preferences, over the user defaults.
// Setters mark the general or the text group dirty; storeDefaults writes the
// dirty groups back.

#include "core/Geometry.h"
#include "foundation/GxRecords.h"

#include <climits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {
class Font;
class Object;
}

// Increment types.
inline constexpr int IncrementMove = 3;
inline constexpr int IncrementRotate = 4;
inline constexpr int IncrementLeading = 50;
inline constexpr int IncrementSpacing = 51;
inline constexpr int IncrementTabs = 52;
inline constexpr int IncrementIndents = 53;
inline constexpr int IncrementAboveBelow = 54;
inline constexpr int IncrementBullet = 55;
inline constexpr int IncrementLineWidth = 65;
inline constexpr int IncrementRunaround = 75;

inline constexpr int PreferencesNotFound = INT_MAX;

class Preferences {
public:
    using OptionalString = std::optional<std::string>;

    // Class set-up: the default folders, then the factory values when the
    // program's defaults domain is empty. Runs once per process.
    static void initialize();
    // Registers the factory values, replacing the program's domain.
    static void initializeDefaults();
    static bool didInitializeDefaults();
    // The folders when something exists there, else none.
    static OptionalString defaultLoadSaveDir();
    static OptionalString defaultTemplateDir();
    // Lets the class set-up run again (tests with a fresh defaults folder).
    static void resetClassSetUp();

    // Makes a loaded preferences object of the given class.
    template <class T = Preferences>
    static std::unique_ptr<T> create()
    {
        T::initialize();
        std::unique_ptr<T> prefs(new T());
        prefs->init();
        return prefs;
    }

    virtual ~Preferences();
    Preferences(const Preferences&) = delete;
    Preferences& operator=(const Preferences&) = delete;

    // Loads every group.
    Preferences* init();
    void default_();
    virtual void defaultGeneral();
    virtual void defaultText();
    virtual void loadGeneral();
    virtual void loadText();
    void loadDashList();
    void loadArrowList();
    virtual void storeGeneral();
    virtual void storeText();
    void storeDashList() {}
    void storeArrowList() {}
    void storeDefaults();

    // ---- Getters.
    kit::Rect windowFrame() const { return windowRect_; }
    kit::Size pageSize() const { return pageSize_; }
    kit::Font* headlineFont() const { return fontHeadline_; }
    kit::Font* bodyFont() const { return fontBody_; }
    kit::Font* captionFont() const { return fontCaption_; }
    const std::vector<GxDash>& dashList() const { return dashList_; }
    const std::vector<GxArrow>& arrowList() const { return arrowList_; }
    int tileMode() const { return pageTiling_; }
    int sidedMode() const { return pageSided_; }
    int rulers() const { return rulers_; }
    int visibleMask() const { return visibleMask_; }
    int paragraphAlignment() const { return paragraphAlignment_; }
    int units() const { return units_; }
    int undoLimit() const { return undoLimit_; }
    int languageId() const { return languageId_; }
    int autoSaveInterval() const { return autoSaveInterval_; }
    float lineWidth() const { return lineWidth_; }
    float zoom() const { return zoom_; }
    // Kept within 0 to 1; a value above 1 is reported on standard error.
    float blackGeneration();
    const OptionalString& language() const { return language_; }
    const OptionalString& keymapName() const { return keymapName_; }
    const OptionalString& dateFormat() const { return dateFormat_; }
    const OptionalString& timeFormat() const { return timeFormat_; }
    const OptionalString& templateFile() const { return templateFile_; }
    const OptionalString& templateDir() const { return templateDir_; }
    const OptionalString& loadSaveDir() const { return loadSaveDir_; }
    bool autoBackupOnSave() const { return autoBackupOnSave_; }
    bool fastDrag() const { return fastDrag_; }
    bool hasFill() const { return fill_; }
    bool hasLine() const { return line_; }
    bool isAPIEnabled() const { return apiEnabled_; }
    bool rememberVisiblePanels() const { return rememberVisiblePanels_; }
    int hyphenate() const { return hyphenate_; }
    int hungPunctuation() const { return hungPunctuation_; }
    int smartPunctuation() const { return smartPunctuation_; }
    int autoKern() const { return autoKern_; }
    int collapseBlankLines() const { return collapseBlankLines_; }
    bool paragraphLigatures() const { return paragraphLigatures_; }
    bool fastSelect() const { return fastSelect_; }
    bool doubleClickOpen() const { return doubleClickOpen_; }
    char decimalTabChar() const { return decimalTabChar_; }
    bool baselineFlip() const { return baselineFlip_; }

    // The stored formats, or the factory ones when none is stored.
    std::string defaultDateFormat() const;
    std::string defaultTimeFormat() const;
    std::string spellCheckDictName() const;

    static int numInitialDashes() { return 5; }
    static int numInitialArrows() { return 5; }
    int numDashes() const { return static_cast<int>(dashList_.size()); }
    int numArrows() const { return static_cast<int>(arrowList_.size()); }
    // A copy in one buffer per kind, valid until the next call; null for an
    // index outside the list.
    const GxDash* dashAt(int index) const;
    const GxArrow* arrowAt(int index) const;
    // 0 for none; PreferencesNotFound when no record is equal.
    int findIndexForDash(const GxDash* dash) const;
    int findIndexForArrow(const GxArrow* arrow) const;

    // ---- Setters.
    void setTileMode(int value);
    void setSidedMode(int value);
    void setVisibleMask(int value);
    void setUnits(int value);
    void setUndoLimit(int value);
    void setAutoSaveInterval(int value);
    void setAutoBackupOnSave(bool value);
    void setFastDrag(bool value);
    void setFastSelect(bool value);
    void setDoubleClickOpen(bool value);
    void setHasFill(bool value);
    void setHasLine(bool value);
    void setAPIEnabled(bool value);
    void setBaselineFlip(bool value);
    void setDecimalTabChar(char value);
    void setBlackGeneration(float value);
    void setWindowFrame(const kit::Rect& rect);
    void setZoom(float value);
    void setPageSize(const kit::Size& size);
    // A negative or NaN width is refused; 0 is the hairline; capped at 50.
    void setLineWidth(float value);
    void setLoadSaveDir(const OptionalString& path);
    void setTemplateDir(const OptionalString& path);
    void setTemplateFile(const OptionalString& path);
    void setKeymapName(const OptionalString& name);
    void setDateFormat(const OptionalString& format);
    void setTimeFormat(const OptionalString& format);
    void setRememberVisiblePanels(bool value);
    void setRulers(int value);
    void setParagraphAlignment(int value);
    void setParagraphLigatures(bool value);
    void setCollapseBlankLines(bool value);
    void setNewAutoKern(bool value);
    void setNewHyphenate(bool value);
    void setNewHungPunctuation(bool value);
    void setNewSmartPunctuation(bool value);
    void setHeadlineFont(kit::Font* font);
    void setBodyFont(kit::Font* font);
    void setCaptionFont(kit::Font* font);
    void setLanguage(const OptionalString& name);
    void setSpellCheckDictName(const OptionalString& name) { setLanguage(name); }
    void computeLanguageId();

    // ---- Increments.
    float incrementForType(int type, unsigned flags, float zoom) const;
    float flagsIncrement(int type) const;
    float simpleIncrement(int type) const { return incrementForType(type, 0, 1.0f); }
    float multiplierForMask(unsigned flags) const;
    void setMultiplier(float value, unsigned flags);
    void setIncrement(float value, int type);

    bool generalDirty() const { return generalDirty_; }
    bool textDirty() const { return textDirty_; }

    // The preferences panel's controller, told of changes (not owned).
    kit::Object* preferencesDelegate() const { return preferencesDelegate_; }
    void setPreferencesDelegate(kit::Object* delegate) { preferencesDelegate_ = delegate; }

protected:
    Preferences();

    void markGeneralDirty() { generalDirty_ = true; }
    void markTextDirty() { textDirty_ = true; }

private:
    float baseIncrement(int type) const;

    kit::Rect windowRect_;
    kit::Size pageSize_;
    kit::Object* preferencesDelegate_ = nullptr; // the panel's controller, not owned
    kit::Font* fontHeadline_ = nullptr;
    kit::Font* fontBody_ = nullptr;
    kit::Font* fontCaption_ = nullptr;
    std::vector<GxDash> dashList_;
    std::vector<GxArrow> arrowList_;
    int pageTiling_ = 0;
    int pageSided_ = 0;
    int rulers_ = 0;
    int visibleMask_ = 0;
    int paragraphAlignment_ = 0;
    int units_ = 0;
    int undoLimit_ = 0;
    int languageId_ = 0;
    int autoSaveInterval_ = 0;
    float lineWidth_ = 0;
    float blackGeneration_ = 0;
    float incrementAlternate_ = 0;
    float incrementShift_ = 0;
    float incrementMove_ = 0;
    float incrementRotate_ = 0;
    float incrementLineWidth_ = 0;
    float incrementRunaround_ = 0;
    float zoom_ = 0;
    float incrementLeading_ = 0;
    float incrementSpacing_ = 0;
    float incrementTabs_ = 0;
    float incrementIndents_ = 0;
    float incrementAboveBelow_ = 0;
    float incrementBullets_ = 0;
    OptionalString language_;
    OptionalString keymapName_;
    OptionalString dateFormat_;
    OptionalString timeFormat_;
    OptionalString templateFile_;
    OptionalString templateDir_;
    OptionalString loadSaveDir_;
    bool autoBackupOnSave_ = false;
    bool fastDrag_ = false;
    bool fill_ = false;
    bool line_ = false;
    bool apiEnabled_ = false;
    bool rememberVisiblePanels_ = false;
    bool hyphenate_ = false;
    bool hungPunctuation_ = false;
    bool smartPunctuation_ = false;
    bool autoKern_ = false;
    bool collapseBlankLines_ = false;
    bool paragraphLigatures_ = false;
    bool fastSelect_ = false;
    bool doubleClickOpen_ = false;
    char decimalTabChar_ = '.';
    bool baselineFlip_ = false;
    bool generalDirty_ = false;
    bool textDirty_ = false;
    bool dashListDirty_ = false;
    bool arrowListDirty_ = false;
};
