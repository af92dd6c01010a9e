#pragma once

// A control that shows the content of one swap panel at a time: swapping a
// panel in borrows the panel's content view, swapping it out gives it back.
// The window follows the pane's size (by the resize flags, from the sizes
// taken at the first swap), a title field and a popup of the chained panels
// follow the pane, the keyboard loop runs through it, and a delegate
// (SwapViewDelegate) is asked before and told after each swap. With no pane
// in, a centred message shows.
//
// Panels are windows that are SwappablePanel; they may also be SwapPanelTexts
// and SwapPanelChain. Every object the view refers to is held weakly: the
// panels, fields and popup belong to the interface file that made them.

#include "appkit/Control.h"
#include "view/SwapPanels.h"

#include <memory>
#include <string>

namespace kit {
class PopUpButton;
}

class ZynSizableSwapView : public kit::Control, public SwapPanelHost {
public:
    // Registers the archived classes (this one and ZynLinkedSwapPanel).
    static void initialize();

    // initWithFrame:
    explicit ZynSizableSwapView(const kit::Rect& frame);
    // init: an empty frame.
    ZynSizableSwapView();
    // The shown content view goes back to its panel.
    ~ZynSizableSwapView() override;

    std::string className() const override { return "ZynSizableSwapView"; }

    // ---- Swapping. Answers self, or nil when the delegate refused.
    kit::Object* swapIn(kit::Window* panel) override;
    // What a swap panel asks for printing: the same as swapIn.
    kit::Object* swapInForPrint(kit::Window* panel) override { return swapIn(panel); }
    void swapPanelWillFree(kit::Window* panel) override;

    // ---- The chain and its popup.
    // Appends the panel to the chain and the popup; the first one is
    // swapped in. Nil (after a developer alert) for a panel that cannot be
    // swapped in.
    ZynSizableSwapView* addSwapPanel(kit::Window* panel);
    // A popup item for the panel (its title up to the first comma); NO,
    // after a developer alert, when an item has that title already.
    bool addPanelToPopup(kit::Window* panel);
    // The popup again from the chain, each panel once.
    void buildPopUpList();
    ZynSizableSwapView* viewNextSwapPanel(kit::Object* sender);
    ZynSizableSwapView* viewPreviousSwapPanel(kit::Object* sender);
    void selectFirstOutsideText();
    void selectFirstInsideText();

    void drawRect(const kit::Rect& rect) override;
    // After an interface file is loaded: the popup from the chain.
    void awakeFromNib();

    // ---- What the interface file connects (not owned).
    kit::View* titleText() const { return titleText_.get(); }
    void setTitleText(kit::View* field) { titleText_ = field; }
    // The swap delegate (the control's own delegate is its text delegate).
    kit::Receiver* swapDelegate() const { return delegate_.get(); }
    void setSwapDelegate(kit::Receiver* delegate) { delegate_ = delegate; }
    kit::View* firstOutsideText() const { return firstOutsideText_.get(); }
    void setFirstOutsideText(kit::View* field) { firstOutsideText_ = field; }
    kit::View* lastOutsideText() const { return lastOutsideText_.get(); }
    void setLastOutsideText(kit::View* field) { lastOutsideText_ = field; }
    kit::Window* firstSwapPanel() const { return firstSwapPanel_.get(); }
    void setFirstSwapPanel(kit::Window* panel) { firstSwapPanel_ = panel; }
    kit::PopUpButton* popUpListsButton() const;
    void setPopUpListsButton(kit::PopUpButton* popup);

    // ---- Accessors.
    kit::Window* currentSwapPanel() const { return currentPanel_.get(); }
    kit::Window* currentInspector() const { return currentSwapPanel(); }
    kit::Object* lastInspector() const { return nullptr; }
    std::string getInspectorClassName() const { return "ZynSizableSwapViewInspector"; }
    kit::View* currentSubView() const { return currentView_; }
    const std::string& emptyMessage() const { return emptyMessage_; }
    void setEmptyMessage(const std::string& text) { emptyMessage_ = text; }
    const std::string& titlePrefix() const { return titlePrefix_; }
    void setTitlePrefix(const std::string& text) { titlePrefix_ = text; }
    const std::string& titleSuffix() const { return titleSuffix_; }
    void setTitleSuffix(const std::string& text) { titleSuffix_ = text; }
    float backgroundGray() const { return backgroundGray_; }
    void setBackgroundGray(float gray) { backgroundGray_ = gray; }
    int hasNumberedKeyEquivalents() const { return hasNumberedKeyEquivalents_; }
    void setHasNumberedKeyEquivalents(int flag) { hasNumberedKeyEquivalents_ = flag; }
    // Kept and archived; the window sizes do not use them.
    int minimumWidth() const { return minimumWidth_; }
    void setMinimumWidth(int width) { minimumWidth_ = width; }
    int minimumHeight() const { return minimumHeight_; }
    ZynSizableSwapView* setMinimumHeight(int height)
    {
        minimumHeight_ = height;
        return this;
    }
    int resizeWidth() const { return resizeWidth_; }
    void setResizeWidth(int flag) { resizeWidth_ = flag; }
    int resizeHeight() const { return resizeHeight_; }
    void setResizeHeight(int flag) { resizeHeight_ = flag; }
    bool hadFirstSwap() const { return hadFirstSwap_; }

    // The control part (frame and tag), version "s" 0, "iiiii***f" and nine
    // conditional objects. Another version keeps the control part only; a
    // reference of the wrong class reads as nil. The shown pane is not
    // stored (the tree of views is not): a decoded view starts empty.
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

protected:
    // The first panel comes in before the first drawing, not during it.
    void viewWillDraw() override;

private:
    // Takes the shown content view out and gives it back to its panel (or
    // drops it when the panel is gone); answers the panel it went to.
    kit::Window* giveBackCurrentView();
    void showTitle();
    void linkFocusChain();
    SwapViewDelegate* delegateOf() const;

    std::string emptyMessage_;
    std::string titlePrefix_;
    std::string titleSuffix_;
    float backgroundGray_ = 0;
    kit::WeakRef<kit::View> titleText_;
    kit::WeakRef<kit::Receiver> delegate_;
    kit::WeakRef<kit::View> firstOutsideText_;
    kit::WeakRef<kit::Window> firstSwapPanel_;
    kit::WeakRef<kit::View> lastOutsideText_;
    kit::WeakRef<kit::View> popUpListsButton_;
    int hasNumberedKeyEquivalents_ = 0;
    int minimumHeight_ = 0;
    int minimumWidth_ = 0;
    int resizeHeight_ = 0;
    int resizeWidth_ = 0;
    bool hadFirstSwap_ = false;
    // The four first sizes are taken (a first swap of nil takes none).
    bool sizesTaken_ = false;
    // The first panel was asked to come in before a drawing.
    bool firstSwapAsked_ = false;
    float windowsOriginalWidth_ = 0;
    float windowsOriginalHeight_ = 0;
    float myOriginalWidth_ = 0;
    float myOriginalHeight_ = 0;
    kit::WeakRef<kit::Receiver> popUpList_;
    // A subview of this view while shown (owned by it as such).
    kit::View* currentView_ = nullptr;
    kit::WeakRef<kit::Window> currentPanel_;
    kit::WeakRef<kit::Window> lastSwapPanel_;
    // A swap runs: the drawings it causes start no other.
    bool swapping_ = false;
};
