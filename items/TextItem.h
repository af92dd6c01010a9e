#pragma once

// A text column: a frame that shows part of a text flow. So far the services
// the flow and its words call: the flow it shows, the points where its text
// starts and ends, the next column of the chain and, for a header or footer
// frame, the marker word that owns it.

#include "items/Item.h"
#include "text/TextPoint.h"

namespace kit {
class Pasteboard;
}
class PageView;
class TextFlow;
class TextWordSpecial;

class TextItem : public Item {
public:
    std::string className() const override { return "TextItem"; }

    TextFlow* flow() const { return flow_; }
    void setFlow(TextFlow* flow) { flow_ = flow; }

    // The header or footer marker that owns this frame (not retained).
    TextWordSpecial* myMaster() const { return myMaster_; }
    void setMyMaster(TextWordSpecial* word) { myMaster_ = word; }

    // The first and last point of the flow the column shows.
    const textPoint& startPoint() const { return startPoint_; }
    const textPoint& endPoint() const { return endPoint_; }
    void setStartPointVals(int paragraph, int word, int letter) { startPoint_ = {paragraph, word, letter}; }
    void setEndPointVals(int paragraph, int word, int letter) { endPoint_ = {paragraph, word, letter}; }
    // The next column of the chain (not owned).
    TextItem* nextColumn() const { return nextColumn_; }
    void setNextColumn(TextItem* column) { nextColumn_ = column; }

    // Pasting
    // Replaces the flow's selection with the richest data the pasteboard
    // offers and marks the flow for layout from this column. The data is
    // read and checked before anything is deleted; a failure beeps, says
    // so, and leaves the text as it was. True when something was pasted.
    bool paste(kit::Pasteboard& pboard, bool link, PageView* view);
    // The general pasteboard, no link.
    bool paste(PageView* view);
    // The private type of a copied paragraph style.
    static constexpr const char* GxParagraphPboardType = "Paragraph Pasteboard Type";
    static constexpr const char* ZynICFPboardType = "ZYN ICF pasteboard type";

private:
    TextFlow* flow_ = nullptr; // not owned
    TextWordSpecial* myMaster_ = nullptr;
    textPoint startPoint_{};
    textPoint endPoint_{};
    TextItem* nextColumn_ = nullptr;
};
