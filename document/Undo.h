#pragma once

// Undo records. Each reversible edit of items, guides, pages and graphic
// attributes is recorded as one record that holds what the edit touched and
// an undo type code, and that can reverse the edit and perform it again.
// The document's undo stack (UndoInfo) owns the records.
//
// A record refers to its page and items weakly: the document may delete a
// page (text that shrinks drops empty pages) while a record still names it.
// Undoing or redoing something that is already gone does nothing. What a
// record takes off its page (items, pages, guides) it holds itself until it
// puts it back, and frees with itself what only it held.

#include "core/Object.h"
#include "core/WeakLink.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

namespace kit {
class Array;
}
class Item;
class LayoutDocument;
class Page;

class Undo : public kit::Object {
public:
    // ---- The undo type codes. Paired codes flip when a record of the base
    // class is undone, so that undoing again redoes the edit.
    static constexpr int ItemsAdded = 1;
    static constexpr int ItemsRemoved = 2;
    static constexpr int Moved = 3;
    static constexpr int Rotated = 4;
    static constexpr int Locked = 6;
    static constexpr int Unlocked = 7;
    static constexpr int Grouped = 8;
    static constexpr int Ungrouped = 9;
    static constexpr int BroughtToFront = 10;
    static constexpr int SentToBack = 11;
    static constexpr int BroughtForward = 12;
    static constexpr int SentBackward = 13;
    static constexpr int MadeNatural = 14;
    static constexpr int Reshaped = 15;
    static constexpr int Centred = 16;
    static constexpr int RulerOriginMoved = 17;
    static constexpr int GuideAdded = 18;
    static constexpr int GuideRemoved = 19;
    static constexpr int GuideMoved = 20;
    static constexpr int FlippedHorizontally = 21;
    static constexpr int FlippedVertically = 22;
    static constexpr int SizedBy = 23;
    static constexpr int ScaledBy = 24;
    static constexpr int Composite = 25;
    static constexpr int PagesAdded = 26;
    static constexpr int PagesRemoved = 27;
    static constexpr int FrameXSet = 28;
    static constexpr int FrameYSet = 29;
    static constexpr int FrameWidthSet = 30;
    static constexpr int FrameHeightSet = 31;
    static constexpr int FrameOriginSet = 32;
    static constexpr int FrameSizeSet = 33;
    static constexpr int FrameSet = 34;
    static constexpr int RotatedTo = 35;
    static constexpr int ScaledTo = 36;
    static constexpr int TextColorDropped = 40;
    static constexpr int GraphicStyleRedefined = 58;
    static constexpr int GraphicStyleRemoved = 59;
    static constexpr int GraphicStyleApplied = 60;
    static constexpr int FillColorSet = 61;
    static constexpr int FillPatternSet = 62;
    static constexpr int FillOverprintSet = 63;
    static constexpr int LineColorSet = 64;
    static constexpr int LineWidthSet = 65;
    static constexpr int LineOverprintSet = 66;
    static constexpr int DashSet = 67;
    static constexpr int LeftArrowSet = 68;
    static constexpr int RightArrowSet = 69;
    static constexpr int CropSet = 70;
    static constexpr int FillSet = 71;
    static constexpr int LineSet = 72;
    static constexpr int HasFillSet = 73;
    static constexpr int HasLineSet = 74;
    static constexpr int MovedToPage = 80;

    // Registers every record class and the stack for the archiver.
    static void initialize();

    Undo();
    // initItems:inPage:withType:. Items and page are not owned.
    Undo(std::vector<Item*> items, Page* page, int undoType);
    ~Undo() override;
    Undo(const Undo&) = delete;
    Undo& operator=(const Undo&) = delete;

    // The items that still exist, in order.
    std::vector<Item*> items() const;
    // The items as recorded: count and each one, nil once it is gone.
    std::size_t itemCount() const { return items_.size(); }
    Item* itemAt(std::size_t k) const { return k < items_.size() ? items_[k].get() : nullptr; }
    // Exchange the field; answer what it was.
    std::vector<Item*> setItems(std::vector<Item*> items);
    Page* setPage(Page* page);
    // Nil once the page is gone.
    Page* page() const { return page_.get(); }
    int undoType() const { return undoType_; }
    void setUndoType(int type) { undoType_ = type; }

    // Items removed from their page before the record was made (type 2):
    // the record holds them from now on. places, when given, are the indexes
    // the items had in the page's list, so that undo puts them back there
    // rather than on top.
    void hold(std::vector<std::shared_ptr<Item>> items, std::vector<int> places = {});
    // What the record holds while it is off its page.
    const std::vector<std::shared_ptr<Item>>& held() const { return held_; }

    // Sets the document's editing layer to the layer of the record's items
    // and answers the layer that was active before.
    int changeEditingLayerForDocument(LayoutDocument* document) const;
    // 2 (master) when the first item has master placement flags, else 1.
    int getItemsEditingLayer() const;

    // Reverse and repeat the edit. Redo is undo again unless a class has
    // its own.
    // Whether undoing or redoing the record puts something on the page or
    // takes something from it: the page must stay for it.
    virtual bool needsPage(const Page* page) const { return page && page_.get() == page; }
    virtual void undoInDocument(LayoutDocument* document);
    virtual void redoInDocument(LayoutDocument* document);

    // A group's own member list, for the records of grouping and
    // ungrouping (8, 9); nil for an item that is no group. Empty until the
    // groups come: the records then treat every item as a plain one.
    using GroupMembersHook = std::function<std::vector<std::shared_ptr<Item>>*(Item&)>;
    static GroupMembersHook& groupMembersHook();

    std::string className() const override { return "Undo"; }
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

protected:
    // Ends text editing, takes the old and new selection's areas for
    // redisplay and makes the page active (the frame of the base undo).
    void beginUndoInDocument(LayoutDocument* document) const;
    // The items as one selection when previousLayer is the items' layer,
    // else no selection; the layer is set back to previousLayer either way.
    void restoreSelection(LayoutDocument* document, int previousLayer) const;

private:
    void undoAddition(LayoutDocument* document, int previousLayer);
    // Answers the items put back.
    std::vector<Item*> undoRemoval(LayoutDocument* document);
    void undoGrouping(LayoutDocument* document, int previousLayer);
    void undoUngrouping(LayoutDocument* document, int previousLayer);

    std::vector<kit::WeakLink<Item>> items_;
    kit::WeakLink<Page> page_;
    int undoType_ = 0;
    std::vector<std::shared_ptr<Item>> held_;
    std::vector<int> heldPlaces_;
    // The items as the archiver sees them while the record is written.
    mutable std::unique_ptr<kit::Array> codedItems_;
};

// Text columns among the items that leave a page (any code but 2) leave
// their flows; with code 2 they rejoin them. The main page view is told
// once, after the walk.
void handleTextColumns(const std::vector<Item*>& items, int code);
