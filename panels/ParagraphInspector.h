#pragma once

// The Paragraph pane of the inspector window: shows the format of the
// paragraph at the caret and writes each control's value into the styles of
// the paragraphs being edited. Attribute changes record no undo; choosing a
// named style goes through the page view's applyStyle, which records its own.

#include "appkit/ControlTextDelegate.h"
#include "panels/ParagraphControls.h"
#include "document/DocumentPanels.h"
#include "panels/ZynInspector.h"
#include "text/TextPanels.h"
#include "view/PageView.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {
class CellMatrix;
class ColorWell;
class Control;
class Font;
class MenuItem;
class PopUpButton;
class TextField;
class View;
}
class StyleInfo;
class StyleParagraph;
class TextFlow;
class TextParagraph;
class UnitsInfo;

class ParagraphInspector : public ZynInspector,
                           public ParagraphInspectorPanel,
                           public DocumentPanelOwner,
                           public StyleSource,
                           public kit::NibAwaking,
                           public kit::ControlTextDelegate,
                           protected ParagraphControls {
public:
    // The distance between the two pages of controls.
    static constexpr float PageShift = 214.0f;

    // Registers the class and the builder of its interface file.
    static void initialize();

    ParagraphInspector();
    ~ParagraphInspector() override;
    std::string className() const override { return "ParagraphInspector"; }

    ParagraphInspector* init(kit::Object* owner) override;
    void awakeFromNib() override;
    bool setOutlet(const std::string& name, kit::Object* object) override;

    // ---- Display.
    kit::Object* inspectSelection(const std::vector<Item*>* selection) override;
    void updateFromParagraph(TextParagraph* paragraph) override;
    void inspectStyle(StyleParagraph* style) override;
    bool paragraphPanelIsVisible() const override { return isVisible(); }
    void updatePanel(kit::Object* sender);
    void clear();
    void loadFont(kit::Font* font);
    void displayWordSpace(float points);
    float retrieveWordSpace() const;
    void runFontPanel(kit::Object* sender);
    void notifyFirstResponderChanged(kit::Object* responder) override;
    void swapOut(kit::Object* sender) override;
    void scrollToOtherView(kit::Object* sender);

    // ---- Accessors.
    // The named style shown (nil: none, or it is gone); the styles source
    // of applyStyle answers it too.
    StyleParagraph* currentNamedStyle() const;
    kit::Object* currentStyle() const override;
    StyleParagraph* currentStyleAfter() const;
    UnitsInfo* unitsInfo() const;
    bool settingParaFont() const override { return settingParaFont_; }
    void setSettingParaFont(bool flag) override { settingParaFont_ = flag; }
    kit::Font* panelFont() const { return panelFont_; }
    int screenNbr() const { return screenNbr_; }
    TextParagraph* dummyPara() const { return dummyPara_.get(); }
    DocumentPanel* documentPanel() override { return &facet_; }

    // ---- Changes: each writes one control into the edited paragraphs.
    void changeAlignment(kit::Object* sender);
    void changeAutoKern(kit::Object* sender);
    void changeAutonumberLevel(kit::Object* sender);
    void changeBullet(kit::Object* sender);
    void bulletZero(kit::Object* sender);
    void bulletLeft(kit::Object* sender);
    void bulletRight(kit::Object* sender);
    void bulletUp(kit::Object* sender);
    void bulletDown(kit::Object* sender);
    void changeColor(kit::Object* sender);
    void changeColumnStart(kit::Object* sender);
    void changeFont(kit::Object* sender) override;
    void changeHangPunct(kit::Object* sender);
    void changeHyphenate(kit::Object* sender);
    void changeIndents(kit::Object* sender);
    void changeLigatures(kit::Object* sender);
    void changeLineSpacing(kit::Object* sender);
    void changeParagraphSpacing(kit::Object* sender);
    void setStyleAfter(kit::Object* sender);
    void changeTracking(kit::Object* sender);
    void changeWidowControl(kit::Object* sender);
    void changeWordSpacing(kit::Object* sender);
    void setStyle(kit::Object* sender);
    void setAutoleading(kit::Object* sender);
    void setAlignmentFromMenu(kit::Object* sender);
    void setLeadingFromMenu(kit::Object* sender);

    // ---- Field helpers and steppers (deltas in points).
    bool changeLeadingBy(float delta);
    bool changeTrackingBy(float delta);
    bool changeWordSpaceBy(float delta);
    bool changeIndentsBy(float left, float right, float first);
    bool changeParagraphSpacingBy(float before, float after, float between);
    // which: 0 leading, 1 tracking, 2 word space, 3 left, 4 right, 5 first
    // line, 6 before, 7 after, 8 between; sign +1 or -1.
    void step(int which, int sign, kit::Object* sender);

    // The bullet field's end of editing: it takes the accessory's colour and
    // the editor's font, then the bullet is applied. Editing may always end.
    bool controlTextShouldEndEditing(kit::Control* control) override;

    // The controls (for the interface file and tests).
    kit::PopUpButton* stylePopupButton() const { return stylePopupButton_; }
    kit::PopUpButton* styleAfterPopupButton() const { return styleAfterPopupButton_; }
    kit::CellMatrix* alignmentMatrix() const { return alignment_; }
    kit::CellMatrix* widowControlMatrix() const { return widowControl_; }
    kit::Control* control(const std::string& outlet) const;
    kit::ColorWell* textColorWell() const { return textColor_; }
    kit::TextField* bulletField() const { return bulletText_; }
    kit::TextField* fontField() const { return fontField_; }
    kit::Control* fontDelegate() const { return fontDelegate_; }
    float bulletMoveX() const { return bulletMoveX_; }
    float bulletMoveY() const { return bulletMoveY_; }

private:
    using StyleOperation = void (ParagraphInspector::*)(StyleParagraph*);

    // The document notices (units, styles, a closed document).
    class Facet : public DocumentPanel {
    public:
        explicit Facet(ParagraphInspector& owner) : owner_(owner) {}
        bool isVisible() const override { return owner_.isVisible(); }
        void inspectSelection(const std::vector<Item*>* selection) override { owner_.inspectSelection(selection); }
        void inspectStyle(const StyleGraphic* style) override;
        void updatePanel(LayoutDocument* document) override;

    private:
        ParagraphInspector& owner_;
    };

    // The write path: the operation on every edited paragraph, last to
    // first. False when no text is edited (nothing changes).
    bool _changeParagraphAttribute(StyleOperation operation, bool recomputeWords);
    void _changeAlignment(StyleParagraph* style);
    void _changeAutoKern(StyleParagraph* style);
    void _changeAutonumberLevel(StyleParagraph* style);
    void _changeBullet(StyleParagraph* style);
    void _changeBulletPosition(StyleParagraph* style);
    void _changeColor(StyleParagraph* style);
    void _changeColumnStart(StyleParagraph* style);
    void _changeFont(StyleParagraph* style);
    void _changeHangPunct(StyleParagraph* style);
    void _changeHyphenate(StyleParagraph* style);
    void _changeIndents(StyleParagraph* style);
    void _changeLigatures(StyleParagraph* style);
    void _changeLineSpacing(StyleParagraph* style);
    void _changeParagraphSpacing(StyleParagraph* style);
    void _changeStyleAfter(StyleParagraph* style);
    void _changeTracking(StyleParagraph* style);
    void _changeWidowControl(StyleParagraph* style);
    void _changeWordSpacing(StyleParagraph* style);
    void _loadStyleInfo();

    // A refused value: a beep, and the fields show the paragraph again.
    void refuse();
    TextFlow* editedFlow() const;
    StyleInfo* styleSheet() const;
    // The style if it is still a paragraph style of the sheet; nil when it
    // was deleted or its document closed.
    StyleParagraph* liveStyle(const StyleParagraph* style) const;
    // The points in one unit of the current units.
    float pointsPerUnit() const;
    // The largest length a field may hold: the page's larger side.
    float largestLength() const;
    bool readLength(kit::Control* field, float* points) const;
    // A relative space field ("<3", ">3") or a plain one.
    struct SpaceValue {
        int relative = 0; // -1 "<", +1 ">", 0 plain
        float points = 0;
    };
    bool readSpace(kit::Control* field, SpaceValue* value) const;
    float applySpace(const SpaceValue& value, float current) const;
    void setIfDiffers(kit::Control* control, int value) const;
    void setIfDiffers(kit::Control* control, float value) const;

    kit::PopUpButton* stylePopupButton_ = nullptr;
    kit::PopUpButton* styleAfterPopupButton_ = nullptr;
    StyleParagraph* currentNamedStyle_ = nullptr; // checked at use
    StyleParagraph* currentStyleAfter_ = nullptr; // checked at use
    std::unique_ptr<TextParagraph> dummyPara_;
    std::unique_ptr<UnitsInfo> myUnitsInfo_;
    int currentUnits_ = -1;
    kit::Font* panelFont_ = nullptr;
    float panelFontCondense_ = 1.0f;
    float bulletMoveX_ = 0;
    float bulletMoveY_ = 0;
    kit::Control* fontDelegate_ = nullptr;
    bool settingParaFont_ = false;
    kit::View* scrollView_ = nullptr;
    kit::View* firstText_ = nullptr;
    kit::View* otherFirstText_ = nullptr;
    int screenNbr_ = 1;
    // Every control is written, also one that seems to show the value.
    bool forceWrite_ = false;

    // What the write path's operations read, checked before it runs.
    float pendingLeading_ = 0;
    float pendingLineSpacing_ = 1;
    float pendingIndents_[3] = {0, 0, 0};
    SpaceValue pendingSpaces_[3];
    float pendingTracking_ = 0;
    float pendingWordSpace_ = 0;
    short pendingLevel_ = 0;
    std::string pendingBullet_;
    // The style names the pop-ups were filled with: refilled only when the
    // sheet's list changed.
    std::vector<std::string> loadedNames_;
    // Controls the interface file left out: off-screen fields.
    std::vector<std::unique_ptr<kit::Control>> standIns_;
    Facet facet_{*this};
};
