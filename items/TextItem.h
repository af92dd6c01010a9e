#pragma once

// A text column: a frame that shows part of a text flow. So far the services
// the words of its flow call: the flow it shows and, for a header or footer
// frame, the marker word that owns it.

#include "items/Item.h"

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

private:
    TextFlow* flow_ = nullptr; // not owned
    TextWordSpecial* myMaster_ = nullptr;
};
