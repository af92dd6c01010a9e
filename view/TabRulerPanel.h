#pragma once

// What a tab ruler asks of the tabs panel that owns the tab and indent
// records it edits in place. The panel (a higher layer) implements it; the
// ruler finds it by a dynamic cast of the panel object it is given.

#include "foundation/StyleParagraph.h"

class RulerViewInset;

// One tab stop or indent marker, the paragraph's own record: location in
// points from the ruler's zero, type (0 left, 1 centre, 2 right, 3 decimal
// tab; 4 left, 5 right, 6 first line indent; 7 left, 8 right margin) and
// leader character (0: none).
using TabRecord = StyleTabStop;

class TabRulerPanel {
public:
    virtual ~TabRulerPanel() = default;

    virtual TabRecord* tabs() = 0;
    virtual int numTabs() const = 0;
    // The indent markers; the last two are the margins.
    virtual TabRecord* indents() = 0;
    virtual int numIndents() const = 0;
    // A stop of the type at the position (points), without a leader.
    virtual void addTab(int type, float location) = 0;
    // Answers the stops after the removal.
    virtual TabRecord* removeTab(TabRecord* record) = 0;
    virtual void updateTabType(int type) = 0;
    // Shows the position (points) in the panel's field.
    virtual void setPosition(float position) = 0;
    // The edited stops, or with isIndent the indents, go to the selected
    // paragraphs.
    virtual void apply(RulerViewInset* ruler, bool isIndent, bool adjustAutonumber) = 0;
    // YES: the panel does not apply, and its ruler measures at scale 1.
    virtual bool disableApply() const = 0;
    virtual void rulerWillFree(RulerViewInset* ruler) = 0;
    // The window's embedded ruler takes the place of the panel's own.
    virtual void setEmbeddedRuler(RulerViewInset* ruler) = 0;
    // Whether the ruler sits in the paragraph style editor, where the stops
    // show and can be dragged without text being edited.
    virtual bool isStyleEditor(const RulerViewInset* ruler) const { (void)ruler; return false; }
};

// Orders the stops by position (a gap-halving insertion sort, as the
// panel's own).
void sortTabs(TabRecord* records, int count);
