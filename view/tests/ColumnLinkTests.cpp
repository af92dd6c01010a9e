// Linking columns by dragging from a column's continuation marker onto
// another column, through a page view in a window: the marker's three
// states, the link and the text that flows on, the refusals in their order,
// showing an existing link, and the word processor, which offers neither.

#include "ItemLoopTestSupport.h"

#include "app/Scrivly.h"

namespace {

constexpr int MarkerKnob = 8;

class ColumnLinkTest : public ItemLoopTest {
protected:
    // An ordinary column in the fixture font, holding the text (a line
    // feed ends a paragraph).
    TextItem* column(int page, const kit::Rect& frame, const std::string& text = {})
    {
        TextItem* c = addColumn(page, frame);
        c->setTextType(1);
        setFont(c->flow());
        if (!text.empty())
            type(c->flow(), text);
        c->flow()->recomputeAll();
        return c;
    }

    static std::string words(int count)
    {
        std::string text;
        for (int i = 0; i < count; ++i)
            text += "abcdefghi ";
        return text;
    }

    // The middle of the column's marker, in its page's coordinates.
    static kit::Point marker(const TextItem* c)
    {
        kit::Rect r{};
        getTContinueRect(c, 1.0f, &r, c->isTransformed());
        return {kit::midX(r), kit::midY(r)};
    }

    // A drag from the column's marker to a point of the target's page
    // (its middle when none is given).
    Item* dragFromMarker(TextItem* from, TextItem* to, std::optional<kit::Point> at = std::nullopt)
    {
        const kit::Point start = marker(from);
        int knob = from->isHitAtKnob(start, view_);
        EXPECT_EQ(knob, MarkerKnob);
        kit::Point end = at ? *at : kit::Point{kit::midX(to->frame()), kit::midY(to->frame())};
        // In the coordinates of the column's page.
        to->page()->convertToView(&end);
        from->page()->convertToPage(&end);
        queueDrag(from->page(), {{start.x + 30, start.y + 5}, end});
        return from->performResize(&knob, view_, mouseAt(kit::EventType::LeftMouseDown, from->page(), start));
    }
};

TEST_F(ColumnLinkTest, DraggingFromTheMarkerOfAnOverflowingColumnLinksALoneColumnAndTheTextGoesOn)
{
    TextItem* a = column(0, kit::makeRect(72, 72, 120, 40), words(10));
    TextItem* b = column(1, kit::makeRect(72, 72, 120, 200));
    EXPECT_EQ(a->continueMarker(), TextItem::ContinueMarker::Plus);
    EXPECT_EQ(b->continueMarker(), TextItem::ContinueMarker::None);
    const std::string before = text(a->flow());

    EXPECT_EQ(dragFromMarker(a, b), nullptr);
    EXPECT_EQ(a->nextColumn(), b);
    EXPECT_EQ(b->prevColumn(), a);
    EXPECT_EQ(b->flow(), a->flow());
    EXPECT_EQ(text(a->flow()), before);
    // What did not fit in the first column is in the second now.
    EXPECT_GE(b->startParagraph(), 0);
    EXPECT_EQ(a->continueMarker(), TextItem::ContinueMarker::Next);
    EXPECT_EQ(b->continueMarker(), TextItem::ContinueMarker::None);
    EXPECT_TRUE(alerts_->shown().empty());
    // Linking records no undo.
    EXPECT_EQ(document_->undoInfo()->count(), 0);
    // The views repaint the text where it runs on.
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(ColumnLinkTest, EachRefusalTellsWhyAndLeavesBothChainsAsTheyWere)
{
    for (const char* key : {"Connect", "CircularConnect", "SamePageOnly", "AlreadyConnected", "ConnectSure"})
        ASSERT_NE(delegate_->valueForStringKey(key), "Missing String Key") << key;
    // Onto the first column of its own chain.
    {
        TextItem* a = column(0, kit::makeRect(72, 72, 120, 40), words(10));
        TextItem* b = column(0, kit::makeRect(300, 72, 120, 200));
        a->joinColumn(b);
        dragFromMarker(b, a);
        EXPECT_EQ(b->nextColumn(), nullptr);
        EXPECT_EQ(a->prevColumn(), nullptr);
        ASSERT_EQ(alerts_->shown().size(), 1u);
        EXPECT_EQ(alerts_->shown().back().message, delegate_->valueForStringKey("CircularConnect"));
        EXPECT_EQ(alerts_->shown().back().title, delegate_->valueForStringKey("Connect"));
        EXPECT_EQ(alerts_->beeps(), 1);

        // Onto a column that already goes on from another.
        TextItem* c = column(1, kit::makeRect(72, 300, 120, 40), "lone");
        dragFromMarker(c, b);
        EXPECT_EQ(c->nextColumn(), nullptr);
        EXPECT_EQ(b->prevColumn(), a);
        ASSERT_EQ(alerts_->shown().size(), 2u);
        EXPECT_EQ(alerts_->shown().back().message, delegate_->valueForStringKey("AlreadyConnected"));
        EXPECT_EQ(alerts_->beeps(), 1);
    }
    // Onto a lone column of two paragraphs: asked first.
    {
        alerts_->reset();
        TextItem* a = column(0, kit::makeRect(72, 400, 120, 40), "first text");
        TextItem* e = column(1, kit::makeRect(300, 400, 120, 200), "second\ntext");
        const std::string joined = text(a->flow()) + "\n" + text(e->flow());
        alerts_->pushAnswer(kit::AlertAlternateReturn);
        dragFromMarker(a, e);
        ASSERT_EQ(alerts_->shown().size(), 1u);
        EXPECT_EQ(alerts_->shown().back().message, delegate_->valueForStringKey("ConnectSure"));
        EXPECT_EQ(a->nextColumn(), nullptr);
        EXPECT_EQ(e->prevColumn(), nullptr);
        dragFromMarker(a, e);
        ASSERT_EQ(alerts_->shown().size(), 2u);
        EXPECT_EQ(a->nextColumn(), e);
        EXPECT_EQ(text(a->flow()), joined);
        EXPECT_EQ(alerts_->beeps(), 0);
    }
}

TEST_F(ColumnLinkTest, AChainThatRunsBackIntoItselfIsRefusedAsCircular)
{
    // A damaged chain: two columns each the other's next.
    TextItem* a = column(0, kit::makeRect(72, 72, 120, 40));
    TextItem* b = column(0, kit::makeRect(300, 72, 120, 40));
    a->setNextColumn(b);
    b->setNextColumn(a);
    TextItem* lone = column(1, kit::makeRect(72, 72, 120, 40), "lone");
    dragFromMarker(lone, a);
    EXPECT_EQ(lone->nextColumn(), nullptr);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown().back().message, delegate_->valueForStringKey("CircularConnect"));
    a->setNextColumn(nullptr);
    b->setNextColumn(nullptr);
}

TEST_F(ColumnLinkTest, InTheMasterLayerOnlyColumnsOfTheSamePagesLink)
{
    auto master = [&](int flags, const kit::Rect& frame) {
        auto c = std::make_shared<TextItem>();
        c->setFrame(frame, false);
        c->setTextType(1);
        c->setMasterFlags(flags);
        TextItem* raw = c.get();
        document_->addMasterItem(std::move(c));
        raw->setPage(pages_[0]);
        return raw;
    };
    TextItem* odd = master(2, kit::makeRect(72, 72, 120, 40));
    TextItem* all = master(3, kit::makeRect(300, 72, 120, 40));
    TextItem* allToo = master(3, kit::makeRect(300, 300, 120, 40));
    ASSERT_TRUE(document_->setEditingLayer(LayoutDocument::MasterLayer));
    dragFromMarker(odd, all);
    EXPECT_EQ(odd->nextColumn(), nullptr);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown().back().message, delegate_->valueForStringKey("SamePageOnly"));
    EXPECT_EQ(alerts_->beeps(), 1);
    dragFromMarker(all, allToo);
    EXPECT_EQ(all->nextColumn(), allToo);
    document_->setEditingLayer(LayoutDocument::PagesLayer);
}

TEST_F(ColumnLinkTest, DraggingFromTheMarkerOfAColumnThatGoesOnShowsTheLinkAndChangesNothing)
{
    TextItem* a = column(0, kit::makeRect(72, 72, 120, 40), words(10));
    TextItem* b = column(1, kit::makeRect(72, 72, 120, 200));
    TextItem* c = column(0, kit::makeRect(300, 300, 120, 100));
    a->joinColumn(b);
    window_->display();
    const std::vector<std::uint32_t> before = backing();
    const int flushes = window_->flushCount();
    // Released over another lone column: still only shown.
    EXPECT_EQ(dragFromMarker(a, c), nullptr);
    EXPECT_EQ(a->nextColumn(), b);
    EXPECT_EQ(c->prevColumn(), nullptr);
    EXPECT_GT(window_->flushCount(), flushes);
    EXPECT_TRUE(alerts_->shown().empty());
    // The wire was drawn over a saved image: the outline and marker drawn
    // before it stay until the caller redraws.
    EXPECT_FALSE(backing() == before);
    document_->notifyUpdate(nullptr, nullptr);
    const repaint::Mismatch m = screenAgainstRepaint();
    EXPECT_FALSE(m.any()) << m.describe();
}

TEST_F(ColumnLinkTest, ReleasedOverNothingOrOverItselfLinksNothing)
{
    TextItem* a = column(0, kit::makeRect(72, 72, 120, 40), words(10));
    dragFromMarker(a, a, kit::Point{400, 600});
    EXPECT_EQ(a->nextColumn(), nullptr);
    dragFromMarker(a, a);
    EXPECT_EQ(a->nextColumn(), nullptr);
    EXPECT_TRUE(alerts_->shown().empty());
    EXPECT_EQ(alerts_->beeps(), 0);
}

TEST_F(ColumnLinkTest, TheWordProcessorOffersNoMarkerAndDoesNotResizeColumns)
{
    TextItem* a = column(0, kit::makeRect(72, 72, 120, 40), words(10));
    Scrivly wordProcessor;
    ApplicationDelegate* was = Main;
    Main = &wordProcessor;
    EXPECT_EQ(a->isHitAtKnob(marker(a), view_), -1);
    // A knob is still found, but dragging it changes no frame.
    kit::Point knob{};
    a->getKnob(4, &knob);
    EXPECT_EQ(a->isHitAtKnob(knob, view_), 4);
    EXPECT_EQ(dragKnob(a, 4, {50, 50}), 4);
    EXPECT_TRUE(near(a->frame(), kit::makeRect(72, 72, 120, 40)));
    app_->discardEventsMatchingMask(kit::AnyEventMask, nullptr);
    Main = was;
    // The page-layout application resizes it.
    dragKnob(a, 4, {50, 50});
    EXPECT_TRUE(near(a->frame(), kit::makeRect(72, 72, 170, 90)));
}

TEST(ColumnWires, AnLFromTheMarkerToTheMouseClosesItsCorner)
{
    kit::Rect a{}, b{};
    calcWires({10, 10}, {50, 30}, 1.0f, false, &a, &b);
    EXPECT_TRUE(kit::equalRects(a, kit::makeRect(9, 9, 4, 22)));
    EXPECT_TRUE(kit::equalRects(b, kit::makeRect(9, 29, 42, 4)));
    calcWires({10, 10}, {50, 30}, 2.0f, true, &a, &b);
    EXPECT_TRUE(kit::equalRects(a, kit::makeRect(9.5f, 9.5f, 41, 3)));
    // The vertical bar moves 2 to the left to meet the horizontal one.
    EXPECT_TRUE(kit::equalRects(b, kit::makeRect(47.5f, 9.5f, 3, 21)));
}

} // namespace
