#pragma once

// A text column: a frame that shows part of a text flow. So far the services
// the flow and its words call: the flow it shows, the points where its text
// starts and ends, the next column of the chain and, for a header or footer
// frame, the marker word that owns it.

#include "items/Item.h"
#include "text/TextPoint.h"

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
    // The next and previous column of the chain (not owned).
    TextItem* nextColumn() const { return nextColumn_; }
    void setNextColumn(TextItem* column) { nextColumn_ = column; }
    TextItem* prevColumn() const { return prevColumn_; }
    void setPrevColumn(TextItem* column) { prevColumn_ = column; }

    // 1 ordinary column text, 2 display (headline) text.
    int textType() const { return textType_; }
    void setTextType(int type) { textType_ = static_cast<unsigned char>(type); }
    bool isDisplay() const { return textType_ == 2; }

    // How far text reaches past the left or right edge; only ever grows.
    float hangLeft() const { return hangLeft_; }
    float hangRight() const { return hangRight_; }
    float screenHangLeft() const { return screenHangLeft_; }
    float screenHangRight() const { return screenHangRight_; }
    void setNewHangLeft(float value) { hangLeft_ = value > hangLeft_ ? value : hangLeft_; }
    void setNewHangRight(float value) { hangRight_ = value > hangRight_ ? value : hangRight_; }
    void setNewScreenHangLeft(float value) { screenHangLeft_ = value > screenHangLeft_ ? value : screenHangLeft_; }
    void setNewScreenHangRight(float value)
    {
        screenHangRight_ = value > screenHangRight_ ? value : screenHangRight_;
    }
    bool needsRedrawing() const { return needsRedrawing_; }
    void setNeedsRedrawing(bool flag) { needsRedrawing_ = flag; }

    // During layout: adds a page after this column's page when the column
    // comes from an automatic-flow master; true when it did.
    bool addPageIfNeeded();
    // Resizes a display-text column to its text.
    void sizeHeadlineTo(float width, float height);

private:
    TextFlow* flow_ = nullptr; // not owned
    TextWordSpecial* myMaster_ = nullptr;
    textPoint startPoint_{};
    textPoint endPoint_{};
    TextItem* nextColumn_ = nullptr;
    TextItem* prevColumn_ = nullptr;
    float hangLeft_ = 0;
    float hangRight_ = 0;
    float screenHangLeft_ = 0;
    float screenHangRight_ = 0;
    unsigned char textType_ = 1;
    bool needsRedrawing_ = false;
};
