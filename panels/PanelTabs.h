#pragma once

// The tabs and indents panel: one class-wide working copy of a paragraph's
// tab stops and its five indent markers, loaded from the paragraph being
// edited and written back into the styles of the selected paragraphs. The
// tab ruler (the panel's own, or the one embedded in a document window)
// reads and moves the records in place and asks the panel to add, remove
// and apply. The panel never takes the keyboard: what is typed while it is
// in front stays with the document window.

#include "app/PanelHost.h"
#include "appkit/NibLoader.h"
#include "appkit/WindowResizeDelegate.h"
#include "document/DocumentPanels.h"
#include "foundation/StyleParagraph.h"
#include "text/ParagraphPanel.h"
#include "view/PanelSubClass.h"
#include "view/TabRulerPanel.h"

#include <vector>

namespace kit {
class CellMatrix;
class TextField;
class View;
}
class StyleParagraph;
class TextParagraph;
class UnitsInfo;

// The records are ordered by location with sortTabs (the tab ruler's).

class PanelTabs : public PanelSubClass,
                  public DocumentPanel,
                  public TabRulerPanel,
                  public ParagraphPanel,
                  public HostedPanel,
                  public kit::WindowResizeDelegate,
                  public kit::NibAwaking {
public:
    // Record types of the indent markers, in the order of indents().
    static constexpr short LeftIndent = 4;
    static constexpr short RightIndent = 5;
    static constexpr short FirstLineIndent = 6;
    static constexpr short LeftMargin = 7;
    static constexpr short RightMargin = 8;
    static constexpr int NumIndents = 5;
    // The panel is never narrower.
    static constexpr float MinimumWidth = 422.0f;

    // Registers the builder of "PanelTabs.nib": the panel with its position
    // field, tab type selector (cells tagged with the types 0 to 3) and add
    // button below the place of its ruler.
    static void initialize();
    // The class-wide working state back to its start (for tests).
    static void resetWorkingState();

    PanelTabs();
    ~PanelTabs() override;
    std::string className() const override { return "PanelTabs"; }

    // ---- Set-up: the ruler served (not owned) and the optional controls.
    // The frame comes back from "Loc_PanelTabs" (PanelSubClass); a ruler
    // given here (the builder's own) becomes the tab ruler served, without
    // a border, its border in the controls' colour.
    PanelTabs* init(kit::Object* sender);
    PanelTabs* init(kit::Object* sender, kit::View* ruler);
    // A position field is there even when the builder made none.
    void awakeFromNib() override;
    // The ruler served from now on, its ticks dark grey, without a border.
    void setRuler(kit::View* ruler);
    // The embedded ruler of a window takes the panel's own one's place.
    void setEmbeddedRuler(kit::View* ruler);
    void rulerWillFree(kit::View* ruler);
    // The same for the window's embedded tab ruler, which edits the
    // working records in place.
    void setEmbeddedRuler(RulerViewInset* ruler) override;
    void rulerWillFree(RulerViewInset* ruler) override;
    kit::View* ruler() const { return ruler_; }
    void setPositionField(kit::TextField* field) { positionField_ = field; }
    kit::TextField* positionField() const { return positionField_; }
    void setTabTypeSelector(kit::CellMatrix* selector) { tabTypeSelector_ = selector; }
    kit::CellMatrix* tabTypeSelector() const { return tabTypeSelector_; }
    void setUnitsLabel(kit::TextField* label) { unitsLabel_ = label; }

    // ---- The window: never key, and never narrower than MinimumWidth; its
    // height stays as it is. The panel is its own delegate.
    bool canBecomeKeyWindow() const override { return false; }
    bool becomesKeyOnlyIfNeeded() const override { return false; }
    // Ignored: the panel never becomes key at all.
    void setBecomesKeyOnlyIfNeeded(bool flag) override { (void)flag; }
    kit::Size windowWillResize(kit::Object* sender, kit::Size proposedFrameSize) override;

    // ---- The working records (read and moved in place by the ruler).
    StyleTabStop* tabs() override;
    int numTabs() const override;
    StyleTabStop* indents() override;
    int numIndents() const override { return NumIndents; }
    short newTabType() const;
    char newTabLeader() const;
    bool absoluteTabs() const;

    // ---- Tab stops.
    // Shows the position (points) in the document's unit.
    void setPosition(float location) override;
    // The position last shown, in points.
    float position() const { return position_; }
    void addTab(int type, float location) override;
    void addTab(int type, float location, char leader);
    // Adds a stop at the position shown (never below 0) unless one is
    // there already, then applies.
    void addTab(kit::Object* sender);
    // Removes the record (a pointer into tabs()); answers the new array.
    // Nothing is applied: the ruler applies when its drag ends.
    StyleTabStop* removeTab(StyleTabStop* record) override;
    void updateTabType(int type) override;
    // The type selector's choice becomes the type of stops added here.
    void setTabType(kit::Object* sender);

    // ---- Loading and writing styles.
    void updateFromParagraph(TextParagraph* paragraph) override;
    void updateFromParagraphStyle(const StyleParagraph* style);
    void updateTabsForParagraphStyle(StyleParagraph* style, bool isIndent) const;
    // Applies the working tabs (or indents) to the selected paragraphs of
    // the edited text; step +1 or -1 moves their autonumber level.
    void apply(kit::Object* sender, bool isIndent, int adjustAutonumber);
    void apply(RulerViewInset* ruler, bool isIndent, bool adjustAutonumber) override;
    bool disableApply() const override { return disableApply_; }
    void setDisableApply(bool flag) { disableApply_ = flag; }

    // ---- The indent steps of the edited text: a marker goes to the next or
    // previous stop (the paragraph's own, else the document's default
    // stops), the left and first-line markers keep 18 points short of the
    // right one, no marker leaves the column, and the paragraphs take the
    // result. Stepping the left edge also steps the autonumber level.
    void hangingIndentExpand(kit::Object* sender);
    void hangingIndentReduce(kit::Object* sender);
    void indentLeftIn(kit::Object* sender);
    void indentLeftOut(kit::Object* sender);
    void indentRightIn(kit::Object* sender);
    void indentRightOut(kit::Object* sender);
    float _findTabStopAfter(float x) const;
    float _findTabStopBefore(float x) const;

    // Places the panel just above the left of the selected text frame.
    void alignPanel(kit::Object* sender);

    // ---- Following the main document.
    bool isVisible() const override;
    void inspect(const std::vector<Item*>& selection) override;
    void inspectSelection(const std::vector<Item*>* selection) override;
    void updatePanel(LayoutDocument* document) override;
    UnitsInfo* unitsInfo() const;
    // The registry that makes the panel gives it the main document.
    void setPanelHost(PanelHost* host) override { host_ = host; }

private:
    LayoutDocument* mainDocument() const { return host_ ? host_->mainDocument() : nullptr; }
    PageView* mainPageView() const { return host_ ? host_->mainPageView() : nullptr; }
    bool editingText() const;
    void redisplayRuler();
    // The default stop spacing of the main document; 0 for none (also for
    // a spacing that is not a positive finite number).
    float defaultTabSpacing() const;
    // The working copy from the paragraph at the caret, so that a step
    // starts from what the paragraph has.
    void reloadEditedParagraph();
    void stepLeftEdge(bool in, kit::Object* sender);
    void stepHanging(bool expand, kit::Object* sender);
    void stepRightEdge(bool out, kit::Object* sender);

    kit::View* ruler_ = nullptr; // not owned
    // The panel's own ruler (in its content view), told when the panel goes.
    kit::WeakRef<kit::View> ownRuler_;
    kit::TextField* positionField_ = nullptr;
    kit::CellMatrix* tabTypeSelector_ = nullptr;
    kit::TextField* unitsLabel_ = nullptr;
    float position_ = 0;
    // The field's text as setPosition wrote it: unchanged, it stands for
    // position_ exactly.
    std::string shownPosition_;
    int currentUnits_ = -1;
    bool disableApply_ = false;
    PanelHost* host_ = nullptr; // outlives the panel
};
