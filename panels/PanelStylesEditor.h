#pragma once

// The modal editor of one named paragraph style. Every attribute has a field
// and a checkbox saying whether the style defines it (an undefined one comes
// from the based-on style); saving writes the ticked attributes back, and
// save-and-apply re-formats every paragraph of the main document that uses
// the style. Tabs and indents are edited on a tab ruler of its own.

#include "app/PanelHost.h"
#include "appkit/ControlTextDelegate.h"
#include "panels/ParagraphControls.h"
#include "appkit/NibLoader.h"
#include "appkit/Panel.h"
#include "panels/StyleEditPanel.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {
class CellMatrix;
class ColorWell;
class Control;
class Font;
class PopUpButton;
class Responder;
class TextField;
class View;
}
class LayoutDocument;
class PanelStylesEditorTabs;
class PanelTabs;
class PageView;
class StyleInfo;
class StyleParagraph;
class UnitsInfo;

class PanelStylesEditor : public kit::Panel,
                          public StyleEditPanel,
                          public HostedPanel,
                          public kit::NibAwaking,
                          public kit::ControlTextDelegate,
                          protected ParagraphControls {
public:
    // The style's defined-attribute bits as the editor reads them.
    enum DefinedBit {
        FontBit = 0,
        WordSpaceBit = 2,
        LeadingBit = 4,
        TrackingBit = 5,
        LineSpacingBit = 7,
        ColorBit = 9,
        RulerBit = 16,
        SpaceBeforeBit = 17,
        SpaceAfterBit = 18,
        SpaceBetweenBit = 19,
        BulletBit = 20,
        ParaFlagsBit = 21,
        WidowControlBit = 22,
        NextStyleBit = 23,
        IndentBit = 24,
        BasedOnStyleBit = 25,
        ColumnStartBit = 26,
        AlignmentBit = 27,
        AutonumberLevelBit = 29,
    };
    // One defined checkbox: its outlet and the bit it stands for.
    struct DefinedBox {
        const char* outlet;
        int bit;
    };
    static const std::vector<DefinedBox>& definedBoxes();

    // The column start the column-top checkbox stands for.
    // The window's content, which the interface file lays out.
    static constexpr float ContentWidth = 560.0f;
    static constexpr float ContentHeight = 560.0f;
    static constexpr short ColumnStartTop = 3;
    static constexpr int MaxAutonumberLevel = 32;
    // Leading (or an automatic leading's extra) in points.
    static constexpr float MaxLeading = 10000.0f;
    static constexpr std::size_t MaxNameBytes = 255;
    // The codes a modal run ends with.
    static constexpr int SavedResponse = 1;
    static constexpr int CancelledResponse = 0;

    PanelStylesEditor();
    ~PanelStylesEditor() override;
    std::string className() const override { return "PanelStylesEditor"; }

    // ---- Set-up.
    bool setOutlet(const std::string& name, kit::Object* object);
    void awakeFromNib() override;
    void setPanelHost(PanelHost* host) override { host_ = host; }

    // ---- The styles list's side.
    void runModalForStyle(StyleParagraph* style) override;
    void inspectStyle(StyleParagraph* style) override;

    // ---- Buttons and pop-ups.
    void saveAndApplyForced(kit::Object* sender);
    void saveAndApplyUnforced(kit::Object* sender);
    void saveOnly(kit::Object* sender);
    void cancel(kit::Object* sender);
    void setBasedOnStyle(kit::Object* sender);
    void setStyleAfter(kit::Object* sender);
    void changeName(kit::Object* sender);
    void changeFont(kit::Object* sender);
    void runFontPanel(kit::Object* sender);
    void windowChanged(kit::Object* sender);
    void viewFrameChanged(kit::Object* sender);
    // A drag on the ruler ended: the stops or the indents are the style's.
    void rulerChanged(bool isIndent);
    void updatePanel(kit::Object* sender);

    // ---- Writing. Both answer this, or nil when a name or a value was
    // refused (then nothing of the style has changed).
    PanelStylesEditor* updateStyleFromPanel();
    PanelStylesEditor* _saveAndApply(kit::Object* sender, bool forced);

    // ---- Loading.
    void _loadStyleInfo();
    void loadFont(kit::Font* font);
    void displayWordSpace(float points);
    float retrieveWordSpace() const;

    // ---- Keyboard focus and editing.
    bool makeFirstResponder(kit::Responder* responder) override;
    bool controlTextShouldBeginEditing(kit::Control* control);
    bool controlTextShouldEndEditing(kit::Control* control) override;
    void controlTextDidBeginEditing(kit::Control* control) override;

    // ---- Accessors.
    UnitsInfo* unitsInfo() const;
    // The style edited, nil when it is no longer in the main style sheet.
    StyleParagraph* currentStyle() const;
    bool autonumberingChanged() const { return autonumberingChanged_; }
    kit::Font* panelFont() const { return panelFont_; }
    float panelFontCondense() const { return panelFontCondense_; }
    PanelTabs* tabsPanel() const;
    kit::View* ruler() const { return ruler_; }
    kit::PopUpButton* basedOnStylePopupButton() const { return basedOnStylePopupButton_; }
    kit::PopUpButton* styleAfterPopupButton() const { return styleAfterPopupButton_; }
    kit::CellMatrix* alignmentMatrix() const { return alignment_; }
    kit::CellMatrix* widowControlMatrix() const { return widowControl_; }
    kit::ColorWell* textColorWell() const { return textColor_; }
    // A field, checkbox or defined checkbox by its outlet name.
    kit::Control* control(const std::string& outlet) const;

private:
    // The values read from the panel before anything is written.
    struct PanelValues;

    LayoutDocument* mainDocument() const;
    PageView* mainPageView() const;
    StyleInfo* styleSheet() const;
    StyleParagraph* liveStyle(const StyleParagraph* style) const;
    StyleParagraph* styleForPopup(kit::PopUpButton* popup) const;
    float pointsPerUnit() const;
    float largestLength() const;
    bool isTicked(int bit) const;
    void tick(int bit, bool flag = true);
    kit::Control* definedBox(int bit) const;
    void markEdited();
    // A name the sheet may take: not empty, not "No Style", at most 255
    // bytes, no control characters, and representable in documents.
    static bool isAcceptableName(const std::string& name);
    // Renames the style to the text; false (after saying why) when refused.
    bool renameTo(const std::string& name);
    // Reads every ticked field; on a refused one, beeps, shows the style's
    // value in it again and answers false.
    bool readPanel(PanelValues* values);
    bool readField(kit::Control* field, PanelValues* values);
    void restoreField(kit::Control* field);
    void showLeading(float stored);
    void showLength(kit::Control* field, float points);
    void setIfDiffers(kit::Control* control, const std::string& text);
    void setIfDiffers(kit::Control* control, int value);
    // The shared tab records back to what the text being edited has.
    void reloadTabsFromEditedText();

    PanelHost* host_ = nullptr; // outlives the editor
    kit::TextField* incomingNameField_ = nullptr;
    // The window has a tracking state of its own.
    using ParagraphControls::tracking_;
    kit::TextField* latestNameField_ = nullptr;
    kit::TextField* nameField_ = nullptr;
    StyleParagraph* currentStyle_ = nullptr; // checked at use
    kit::PopUpButton* basedOnStylePopupButton_ = nullptr;
    kit::PopUpButton* styleAfterPopupButton_ = nullptr;
    std::unique_ptr<UnitsInfo> myUnitsInfo_;
    int currentUnits_ = -1;
    kit::Control* bulletX_ = nullptr;
    kit::Control* bulletY_ = nullptr;
    kit::Font* panelFont_ = nullptr;
    float panelFontCondense_ = 1.0f;
    kit::View* ruler_ = nullptr;
    std::unique_ptr<PanelStylesEditorTabs> tabsPanel_;
    // The defined checkboxes by bit (nil where the bit has none).
    kit::Control* defined_[32] = {};
    bool autonumberingChanged_ = false;
    bool placed_ = false;
    // Controls the interface file left out: cells off the window.
    std::vector<std::unique_ptr<kit::Control>> standIns_;
};

// Builds the editor's window and controls for the host's documents, awake.
std::unique_ptr<PanelStylesEditor> makePanelStylesEditor(PanelHost* host);
