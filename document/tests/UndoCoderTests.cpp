// The stored form of the undo stack and of every record class: read back, a
// stack writes the same bytes again; cut short, it is refused, never read
// out of bounds.

#include "UndoTestSupport.h"

#include "core/Exception.h"
#include "core/Unarchiver.h"
#include "document/UndoComposite.h"
#include "document/UndoGuide.h"
#include "document/UndoOrder.h"
#include "document/UndoPage.h"
#include "document/UndoReshape.h"
#include "document/UndoStyleGraphic.h"
#include "document/UndoTrans.h"
#include "foundation/StyleGraphicNamed.h"
#include "foundation/StyleInfo.h"
#include "items/ItemArray.h"

namespace {

class UndoCoderTest : public UndoTest {
protected:
    // A stack with a record of every class and kind of data.
    void fillStack()
    {
        Item* a = addBox(0, kit::makeRect(10, 10, 20, 20), kit::Color::colorWithDeviceRed(1, 0, 0));
        Item* b = addBox(0, kit::makeRect(40, 10, 20, 20), kit::Color::colorWithDeviceRed(0, 0, 1), 2.0f);
        const std::vector<Item*> both{a, b};
        UndoInfo::setCapacity(-1);
        undo_->push(std::make_unique<Undo>(both, page(0), Undo::Locked));
        Item* removed = addBox(1, kit::makeRect(5, 5, 5, 5));
        auto gone = std::make_unique<Undo>(std::vector<Item*>{removed}, page(1), Undo::ItemsRemoved);
        gone->hold(page(1)->removeItems({removed}), {0});
        undo_->push(std::move(gone));
        auto composite = std::make_unique<UndoComposite>();
        composite->addUndo(moveBy(both, 1, 2, true));
        composite->addUndo(sizeBy({a}, 3, 4, true));
        undo_->push(std::move(composite));
        undo_->push(rotateBy(both, 15, true));
        undo_->push(scaleBy({a}, 2, 2, true));
        auto natural = std::make_unique<UndoTrans>(both, page(0), Undo::MadeNatural);
        natural->setMatrixInfo({{1, 0, 0, 1}, {0, 1, -1, 0}});
        undo_->push(std::move(natural));
        undo_->push(setFrame(both, kit::makeRect(1, 2, 3, 4), Undo::FrameSet, true));
        undo_->push(rotateTo(both, 20, true));
        undo_->push(scaleTo(both, 1.5f, 1.5f, true));
        auto moved = std::make_unique<UndoTrans>(std::vector<Item*>{b}, page(0), Undo::MovedToPage);
        moved->setOldPage(page(2));
        undo_->push(std::move(moved));
        auto reshape = std::make_unique<UndoReshape>(std::vector<Item*>{a}, page(0), Undo::Reshaped);
        const kit::Point knob{7, 8};
        reshape->setItem(a, 4, &knob);
        undo_->push(std::move(reshape));
        auto made = std::make_unique<Guide>(100.0f, Guide::Horizontal);
        Guide* guide = made.get();
        page(0)->addGuide(std::move(made));
        auto guideMoved = std::make_unique<UndoGuide>(std::vector<Item*>{}, page(0), Undo::GuideMoved);
        guideMoved->setGuide(guide);
        guideMoved->setMoveBy(0, 5);
        undo_->push(std::move(guideMoved));
        auto guideGone = std::make_unique<UndoGuide>(std::vector<Item*>{}, page(0), Undo::GuideRemoved);
        guideGone->hold(std::make_unique<Guide>(50.0f, Guide::Vertical), LayoutDocument::PagesLayer);
        undo_->push(std::move(guideGone));
        auto pagesGone = std::make_unique<UndoPage>(std::vector<Page*>{page(2)}, 2, 1, Undo::PagesRemoved);
        pagesGone->hold(document_->deletePages(1, 2));
        undo_->push(std::move(pagesGone));
        auto order = std::make_unique<UndoOrder>(both, page(0), Undo::BroughtToFront);
        order->setPlaces({0, 1});
        undo_->push(std::move(order));
        undo_->push(modifyColor(both, kit::Color::colorWithGray(0.5f), Undo::FillColorSet, true));
        undo_->push(modifyPattern(both, std::make_shared<kit::String>("dots"), true));
        undo_->push(modifyLineWidth(both, 4.0f, true));
        undo_->push(modifyFlag(both, true, Undo::CropSet, true));
        GxDash dash;
        dash.count = 2;
        dash.values[0] = 1;
        dash.values[1] = 2;
        undo_->push(modifyDash(both, &dash, true));
        GxFill fill;
        GxInitFill(&fill);
        undo_->push(modifyFill(both, &fill, true));
        GxLine line;
        GxInitLine(&line);
        undo_->push(modifyLine(both, &line, true));
        StyleInfo* sheet = document_->styleInfo();
        auto* named = dynamic_cast<StyleGraphicNamed*>(sheet->addNewStyleInStyles(sheet->graphicStyles()));
        ASSERT_NE(named, nullptr);
        undo_->push(modifyStyle(both, named, true, false));
        auto redefined = std::make_unique<UndoStyleGraphic>(std::vector<Item*>{}, nullptr, Undo::GraphicStyleRedefined);
        redefined->setGraphicStyle(named->copy());
        undo_->push(std::move(redefined));
        ASSERT_TRUE(undo_->undo());
    }

    // The stack with the pages, so that records refer into the same archive.
    std::string archive(UndoInfo* stack) const
    {
        kit::Array all;
        for (const auto& p : document_->pages())
            all.addObject(p.get());
        all.addObject(stack);
        return kit::Archiver::archivedDataWithRootObject(&all);
    }
};

TEST_F(UndoCoderTest, AStackReadBackWritesTheSameBytes)
{
    fillStack();
    const std::string data = archive(undo_);
    std::vector<std::unique_ptr<kit::Object>> unclaimed;
    std::unique_ptr<kit::Array> back = kit::Unarchiver::unarchiveObjectWithData<kit::Array>(data, unclaimed);
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->count(), 3u);
    auto* stack = dynamic_cast<UndoInfo*>(back->objectAt(2));
    ASSERT_NE(stack, nullptr);
    ASSERT_EQ(stack->count(), undo_->count());
    EXPECT_EQ(stack->undoCount(), undo_->undoCount());
    for (int i = 0; i < stack->count(); ++i) {
        EXPECT_EQ(stack->list()[std::size_t(i)]->className(), undo_->list()[std::size_t(i)]->className()) << i;
        EXPECT_EQ(stack->list()[std::size_t(i)]->undoType(), undo_->list()[std::size_t(i)]->undoType()) << i;
    }
    // Rewritten with the pages read back, in the same order.
    kit::Array again;
    again.addObject(back->objectAt(0));
    again.addObject(back->objectAt(1));
    again.addObject(stack);
    EXPECT_EQ(kit::Archiver::archivedDataWithRootObject(&again), data);
    // What was off its page belongs to the record read back.
    EXPECT_EQ(stack->list()[1]->held().size(), 1u);
    EXPECT_EQ(static_cast<UndoPage&>(*stack->list()[13]).held().size(), 1u);
    EXPECT_NE(static_cast<UndoGuide&>(*stack->list()[12]).heldGuide(), nullptr);
    // The stack's pages, which the read stack refers to, go first.
    stack = nullptr;
    back.reset();
    unclaimed.clear();
}

TEST_F(UndoCoderTest, AStackCutShortIsRefused)
{
    fillStack();
    const std::string data = archive(undo_);
    // Every length short of the whole, in steps that reach every unit kind.
    for (std::size_t n = 0; n < data.size(); n += 7) {
        std::vector<std::unique_ptr<kit::Object>> unclaimed;
        EXPECT_THROW(kit::Unarchiver::unarchiveObjectWithData<kit::Array>(data.substr(0, n), unclaimed),
                     kit::Exception)
            << n;
    }
}

} // namespace
