#pragma once

// The graphics inspector and the links panel as the text engine reaches
// them through the application's delegate: a changed text selection is
// shown in whichever of them is on screen.

#include <vector>

class Item;
class TextWord;

class SelectionPanel {
public:
    virtual ~SelectionPanel() = default;
    virtual bool selectionPanelIsVisible() const = 0;
    // The document's selected items (nil: no selection).
    virtual void inspectSelectedItems(const std::vector<Item*>* items) { (void)items; }
    // The in-line graphics of the text selection (nil: no text selection).
    virtual void inspectInlineGraphics(const std::vector<TextWord*>* words) { (void)words; }
};
