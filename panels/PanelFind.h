#pragma once

// The find and replace panel. In text mode it searches the flow of the
// edited text frame word by word for a search string and replaces the
// selected occurrence or every one; in colour mode it searches the items of
// the pages for a fill or line colour and recolours them. The page view's
// find commands, the text frame's Enter Selection, the spelling panel and
// the remote API all use this one panel.
//
// Texts are bytes of the documents' set inside the operations; the fields
// and the remote API hold UTF-8, converted at the edge. A search or
// replacement text holds at most MaxTextBytes bytes and no control
// character other than tab and line feed.

#include "app/PanelHost.h"
#include "document/DocumentPanels.h"
#include "text/TextPoint.h"
#include "view/PanelSubClass.h"

#include <memory>
#include <optional>
#include <string>

namespace kit {
class Button;
class Color;
class ColorWell;
class PopUpButton;
class TextField;
using ColorRef = std::shared_ptr<const Color>;
}
class Item;
class LayoutDocument;
class PageView;
class TextFlow;
class TextItem;
class TextSelection;
class TextWord;

class PanelFind : public PanelSubClass, public FindPanel, public HostedPanel {
public:
    static constexpr int TextMode = 101;
    static constexpr int ColorMode = 102;
    static constexpr std::size_t MaxTextBytes = 1024;

    // Registers the builder of "PanelFind.nib".
    static void initialize();

    PanelFind();
    ~PanelFind() override;
    std::string className() const override { return "PanelFind"; }

    // ---- Set-up and mode.
    // The frame from "FindPanel", the find cell selected, text mode.
    PanelFind* init(kit::Object* sender);
    void makeKeyAndOrderFront(kit::Object* sender);
    void setFindPopup(kit::PopUpButton* popup);
    void popupAction(kit::Object* sender);
    void _enableText();
    void _enableColor();
    void setFields(kit::TextField* findField, kit::TextField* replaceField, kit::Button* ignoreCase,
                   kit::ColorWell* findColor, kit::ColorWell* replaceColor);
    kit::TextField* findField() const { return findField_; }
    kit::TextField* replaceField() const { return replaceField_; }
    kit::Button* ignoreCaseSwitch() const { return XignoreCase_; }
    kit::ColorWell* findColorWell() const { return findColor_; }
    kit::ColorWell* replaceColorWell() const { return replaceColor_; }
    kit::PopUpButton* findPopup() const { return findPopup_; }
    int actionTag() const { return actionTag_; }
    int lastDirection() const { return lastDirection_; }
    bool ignoresCase() const;

    // ---- The panel's actions.
    void findNext(kit::Object* sender) override;
    void findPrevious(kit::Object* sender) override;
    void replace(kit::Object* sender);
    void replaceAndFind(kit::Object* sender);
    void replaceAll(kit::Object* sender);

    // ---- Text. The search answers 1 when found (the hit selected), else 0.
    int findText(const std::string& text, int direction, bool fromStart, bool wholeWord, bool display,
                 const textPoint* stopPoint);
    int findText(const std::string& text, int direction, bool fromStart, bool wholeWord, bool display)
    {
        return findText(text, direction, fromStart, wholeWord, display, nullptr);
    }
    int findText(const std::string& text, int direction, bool display)
    {
        return findText(text, direction, false, false, display, nullptr);
    }
    int findTextFromStart(const std::string& text, bool display)
    {
        return findText(text, 1, true, false, display, nullptr);
    }
    // Replaces the selection (or inserts at the caret); answers the frame
    // at the replaced place, nil without a page view or a selected frame.
    // With display the deleted text goes where Undelete finds it.
    TextItem* replaceSelectionWith(const std::string& text, bool display);
    // Every occurrence, in one pass from the start of the flow to its end:
    // each is replaced once and inserted text is never searched. One undo
    // puts the text back. Answers the number replaced.
    int replaceAllText(const std::string& find, const std::string& replacement);
    // The selection becomes the search text (plain, at most MaxTextBytes).
    void enterSelection(TextSelection* selection);
    // Puts the two UTF-8 texts in the fields and finds the whole word
    // forward from the start of the flow; 0 for texts refused.
    int findFromRemote(const std::string& find, const std::string& replacement);
    // The word of the last whole-word hit, found again; nil when it is gone.
    TextWord* currentWord() const;
    TextFlow* currentFlow() const;

    // ---- Colours.
    Item* findColor(const kit::ColorRef& color, int direction, bool fromStart, bool display);
    Item* findColor(const kit::ColorRef& color, int direction, bool display)
    {
        return findColor(color, direction, false, display);
    }
    // The selected unlocked items' fill and line colours equal to the old
    // one take the new one, as one undoable edit.
    void replaceColor(const kit::ColorRef& oldColor, const kit::ColorRef& newColor, bool display);
    // Every unlocked item of every page, each visited once, as one undoable
    // edit; answers the number of items recoloured.
    int replaceAllColors(const kit::ColorRef& oldColor, const kit::ColorRef& newColor);

    // The text is fit for a search or a replacement: at most MaxTextBytes,
    // no control character but tab and line feed.
    static bool isAcceptableText(const std::string& bytes);
    // UTF-8 of a field to the documents' set; nothing when a character has
    // no code there.
    static std::optional<std::string> documentText(const std::string& utf8);
    // A field's text in the documents' set; nil when it cannot be searched.
    static std::optional<std::string> fieldText(kit::TextField* field);

    // ---- The main document, from the registry that makes the panel.
    void setPanelHost(PanelHost* host) override { host_ = host; }

private:
    LayoutDocument* mainDocument() const { return host_ ? host_->mainDocument() : nullptr; }
    PageView* mainPageView() const;
    // The flow of the first selected item of the edited text, after the
    // alert when no page view edits text; nil when there is none.
    TextFlow* searchedFlow(bool alert) const;
    void noTextPoint() const;
    void selectFindCell();
    void findFromPanel(int direction);
    // The display step: the hit's column scrolled to and the font panel
    // updated (when found), and the page view told.
    void showHit(TextFlow* flow, const textPoint& end, bool found);

    kit::TextField* replaceField_ = nullptr;
    kit::Button* XignoreCase_ = nullptr;
    kit::ColorWell* replaceColor_ = nullptr;
    kit::PopUpButton* findPopup_ = nullptr;
    kit::ColorWell* findColor_ = nullptr;
    kit::TextField* findField_ = nullptr;
    int lastDirection_ = 0;
    int actionTag_ = TextMode;
    // The flow of the last hit, and the place of the last whole-word hit:
    // the word is looked up again, since text may have gone since.
    std::weak_ptr<TextFlow> currentFlow_;
    std::weak_ptr<TextFlow> wordFlow_;
    std::optional<textPoint> wordPoint_;
    PanelHost* host_ = nullptr; // outlives the panel
};
