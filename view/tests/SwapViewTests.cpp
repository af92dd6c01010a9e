#include "SwapTestSupport.h"

#include "appkit/Box.h"
#include "appkit/MenuItem.h"
#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "core/Archiver.h"
#include "core/Unarchiver.h"
#include "view/ZynLinkedSwapPanel.h"
#include "view/ZynSwapPanel.h"

#include <algorithm>
#include <climits>

namespace {

using PanelPtr = std::unique_ptr<ZynLinkedSwapPanel>;

// A window of 300 × 200 at (50, 60) whose swap view (200 × 150) follows
// its size.
struct Rig {
    Rig()
    {
        window = std::make_unique<kit::Window>(kit::makeRect(50, 60, 300, 200));
        auto made = std::make_unique<ZynSizableSwapView>(kit::makeRect(0, 0, 200, 150));
        made->setAutoresizingMask(kit::ViewWidthSizable | kit::ViewHeightSizable);
        view = static_cast<ZynSizableSwapView*>(window->contentView()->addSubview(std::move(made)));
        window->contentView()->setAutoresizesSubviews(true);
    }

    PanelPtr panel(const std::string& title, float width, float height)
    {
        auto p = std::make_unique<ZynLinkedSwapPanel>(kit::makeRect(0, 0, width, height));
        p->setTitle(title);
        p->setSwapView(view);
        return p;
    }

    // Every panel goes before the window, the way an inspector's own go.
    std::unique_ptr<kit::Window> window;
    ZynSizableSwapView* view = nullptr;
};

TEST_F(SwapTest, TheWindowFollowsThePaneByTheResizeFlagsWithItsOriginKept)
{
    const struct {
        int resizeWidth, resizeHeight;
        float dw, dh;
    } cases[] = {
        {0, 0, -40, 0}, {0, 0, 40, 0}, {0, 0, 0, -40}, {0, 0, 0, 40}, //
        {1, 0, -40, 0}, {1, 0, 40, 0}, {1, 0, 0, -40}, {1, 0, 0, 40}, //
        {0, 1, -40, 0}, {0, 1, 40, 0}, {0, 1, 0, -40}, {0, 1, 0, 40}, //
        {1, 1, -40, 0}, {1, 1, 40, 0}, {1, 1, 0, -40}, {1, 1, 0, 40},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "resize " << c.resizeWidth << c.resizeHeight << " pane " << c.dw << ","
                                        << c.dh);
        Rig rig;
        rig.view->setResizeWidth(c.resizeWidth);
        rig.view->setResizeHeight(c.resizeHeight);
        const kit::Rect first = rig.window->frame();
        PanelPtr same = rig.panel("Same", 200, 150);
        PanelPtr other = rig.panel("Other", 200 + c.dw, 150 + c.dh);
        ASSERT_EQ(same->swapIn(nullptr), rig.view);
        EXPECT_EQ(rig.window->frame(), first);

        ASSERT_EQ(other->swapIn(nullptr), rig.view);
        const float width = c.resizeWidth ? std::max(kit::width(first), kit::width(first) + c.dw) : kit::width(first);
        const float height = c.resizeHeight ? kit::height(first) + c.dh : kit::height(first);
        EXPECT_EQ(rig.window->frame(), kit::makeRect(kit::minX(first), kit::minY(first), width, height));
        // The pane fills the swap view, which followed the window.
        EXPECT_EQ(rig.view->currentSubView()->frame().size, rig.view->frame().size);

        // Back to the first pane: back to the first size.
        ASSERT_EQ(same->swapIn(nullptr), rig.view);
        EXPECT_EQ(rig.window->frame(), first);
    }
}

TEST_F(SwapTest, SwappingInTheShownPanelChangesNothingButStillTellsTheDelegate)
{
    Rig rig;
    rig.view->setResizeHeight(1);
    RecordingSwapDelegate delegate;
    rig.view->setSwapDelegate(&delegate);
    PanelPtr a = rig.panel("A", 200, 190);
    ASSERT_EQ(rig.view->swapIn(a.get()), rig.view);
    kit::View* shown = rig.view->currentSubView();
    delegate.calls.clear();

    rig.window->setFrame(kit::makeRect(50, 60, 320, 260), false);
    EXPECT_EQ(rig.view->swapIn(a.get()), rig.view);
    using Call = RecordingSwapDelegate::Call;
    EXPECT_EQ(delegate.calls, (std::vector<Call>{{"will", a.get()}, {"did", a.get()}}));
    EXPECT_EQ(rig.view->currentSubView(), shown);
    EXPECT_EQ(a->contentView(), nullptr);
    // The window is not sized again for the same pane.
    EXPECT_EQ(rig.window->frame(), kit::makeRect(50, 60, 320, 260));
}

TEST_F(SwapTest, NilGivesTheViewBackClearsTheTitleAndDrawsTheMessageCentred)
{
    Rig rig;
    auto title = std::make_unique<kit::TextField>(kit::makeRect(0, 170, 200, 20));
    kit::TextField* titleField = static_cast<kit::TextField*>(rig.window->contentView()->addSubview(std::move(title)));
    rig.view->setTitleText(titleField);
    rig.view->setTitlePrefix("<");
    rig.view->setTitleSuffix(">");
    rig.view->setEmptyMessage("Nothing");
    PanelPtr a = rig.panel("Fonts", 200, 150);
    kit::View* content = a->contentView();
    ASSERT_EQ(a->swapIn(nullptr), rig.view);
    EXPECT_EQ(titleField->stringValue(), "<Fonts>");
    EXPECT_EQ(rig.view->currentSubView(), content);
    EXPECT_EQ(content->superview(), rig.view);

    ASSERT_EQ(rig.view->swapIn(nullptr), rig.view);
    EXPECT_EQ(rig.view->currentSwapPanel(), nullptr);
    EXPECT_EQ(a->contentView(), content);
    EXPECT_EQ(content->superview(), nullptr);
    EXPECT_EQ(titleField->stringValue(), "");

    rig.window->display();
    // Light grey around, dark grey letters about the middle of the view.
    EXPECT_EQ(rig.window->backingPixel(3, 3), 0xFFAAAAAAu);
    int left = INT_MAX, right = -1, bottom = INT_MAX;
    for (int y = 0; y < 150; ++y)
        for (int x = 0; x < 200; ++x)
            if ((rig.window->backingPixel(x, y) & 0xFF) < 0x80) {
                left = std::min(left, x);
                right = std::max(right, x);
                bottom = std::min(bottom, y);
            }
    ASSERT_GE(right, 0) << "no message drawn";
    EXPECT_NEAR((left + right) / 2.0, 100.0, 3.0);
    EXPECT_GE(bottom, 70); // on a baseline at the middle (no descenders)
    EXPECT_LE(bottom, 78);
}

TEST_F(SwapTest, ARefusingDelegateChangesNothing)
{
    Rig rig;
    rig.view->setResizeWidth(1);
    auto title = std::make_unique<kit::TextField>(kit::makeRect(0, 170, 200, 20));
    auto* titleField = static_cast<kit::TextField*>(rig.window->contentView()->addSubview(std::move(title)));
    rig.view->setTitleText(titleField);
    PanelPtr a = rig.panel("A", 200, 150);
    PanelPtr b = rig.panel("B", 260, 150);
    ASSERT_EQ(a->swapIn(nullptr), rig.view);
    RecordingSwapDelegate delegate;
    delegate.refuse = true;
    rig.view->setSwapDelegate(&delegate);
    const kit::Rect frame = rig.window->frame();
    const std::string shownTitle = titleField->stringValue();

    for (kit::Window* panel : {static_cast<kit::Window*>(b.get()), static_cast<kit::Window*>(nullptr)}) {
        EXPECT_EQ(rig.view->swapIn(panel), nullptr);
        EXPECT_EQ(rig.view->currentSwapPanel(), a.get());
        EXPECT_EQ(a->contentView(), nullptr);
        EXPECT_NE(b->contentView(), nullptr);
        EXPECT_EQ(rig.window->frame(), frame);
        EXPECT_EQ(titleField->stringValue(), shownTitle);
    }
    using Call = RecordingSwapDelegate::Call;
    EXPECT_EQ(delegate.calls, (std::vector<Call>{{"will", b.get()}, {"will", nullptr}}));
}

TEST_F(SwapTest, TenNumberedPanelsGetTheKeysOneToNineThenColon)
{
    Rig rig;
    auto popup = std::make_unique<kit::PopUpButton>(kit::makeRect(0, 170, 120, 22));
    auto* list = static_cast<kit::PopUpButton*>(rig.window->contentView()->addSubview(std::move(popup)));
    rig.view->setPopUpListsButton(list);
    rig.view->setHasNumberedKeyEquivalents(1);
    std::vector<PanelPtr> panels;
    for (int i = 1; i <= 10; ++i) {
        panels.push_back(rig.panel("Pane " + std::to_string(i) + ",x", 200, 150));
        ASSERT_EQ(rig.view->addSwapPanel(panels.back().get()), rig.view);
    }
    ASSERT_EQ(list->numberOfItems(), 10);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(list->itemAtIndex(i)->title(), "Pane " + std::to_string(i + 1));
        EXPECT_EQ(list->itemAtIndex(i)->keyEquivalent(), std::string(1, "123456789:"[i]));
        EXPECT_EQ(list->itemAtIndex(i)->target(), panels[i].get());
        if (i > 0) {
            EXPECT_EQ(panels[i]->previousSwapPanel(), panels[i - 1].get());
        }
    }
    EXPECT_EQ(panels[9]->nextSwapPanel(), nullptr);
    // The first one added came in at once; the tenth item swaps the tenth in.
    EXPECT_EQ(rig.view->firstSwapPanel(), panels[0].get());
    list->chooseItemAtIndex(9);
    EXPECT_EQ(rig.view->currentSwapPanel(), panels[9].get());
    rig.view->viewPreviousSwapPanel(nullptr);
    EXPECT_EQ(rig.view->currentSwapPanel(), panels[8].get());
    rig.view->viewNextSwapPanel(nullptr);
    EXPECT_EQ(rig.view->currentSwapPanel(), panels[9].get());
    EXPECT_TRUE(alerts_->shown().empty());
}

TEST_F(SwapTest, ADuplicateTitleIsRefusedWithItsAlertAndLeftOutOfTheChain)
{
    Rig rig;
    auto popup = std::make_unique<kit::PopUpButton>(kit::makeRect(0, 170, 120, 22));
    auto* list = static_cast<kit::PopUpButton*>(rig.window->contentView()->addSubview(std::move(popup)));
    rig.view->setPopUpListsButton(list);
    PanelPtr a = rig.panel("Graphics", 200, 150);
    PanelPtr b = rig.panel("Graphics,2", 200, 150);
    rig.view->addSwapPanel(a.get());
    EXPECT_EQ(rig.view->addSwapPanel(b.get()), rig.view);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, "Developer Warning in addPanelToPopup");
    EXPECT_EQ(alerts_->shown()[0].message, "Item in popup already has title: Graphics,2.");
    EXPECT_EQ(list->numberOfItems(), 1);
    EXPECT_EQ(a->nextSwapPanel(), nullptr);

    // A window that cannot be swapped in is refused too.
    kit::Window plain(kit::makeRect(0, 0, 50, 50));
    EXPECT_EQ(rig.view->addSwapPanel(&plain), nullptr);
    EXPECT_EQ(alertTitles().back(), "Developer warning in registerNewSwapPanel");
    EXPECT_EQ(alerts_->shown().back().message, "aSwapPanel does not respond to swapIn");
}

TEST_F(SwapTest, TheFocusChainRunsThroughThePane)
{
    enum Has { Outside = 1, Inside = 2 };
    const struct {
        int has;
        const char* lastOutsideLeadsTo; // "inside", "outside" or "" (untouched)
        const char* lastInsideLeadsTo;
    } cases[] = {
        {Outside | Inside, "inside", "outside"},
        {Inside, "", "inside"},
        {Outside, "outside", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.has);
        Rig rig;
        auto* content = rig.window->contentView();
        auto* firstOut = static_cast<kit::TextField*>(content->addSubview(
            std::make_unique<kit::TextField>(kit::makeRect(210, 10, 80, 22))));
        auto* lastOut = static_cast<kit::TextField*>(content->addSubview(
            std::make_unique<kit::TextField>(kit::makeRect(210, 40, 80, 22))));
        if (c.has & Outside) {
            rig.view->setFirstOutsideText(firstOut);
            rig.view->setLastOutsideText(lastOut);
        }
        PanelPtr a = rig.panel("A", 200, 150);
        auto* firstIn = static_cast<kit::TextField*>(a->contentView()->addSubview(
            std::make_unique<kit::TextField>(kit::makeRect(10, 10, 80, 22))));
        auto* lastIn = static_cast<kit::TextField*>(a->contentView()->addSubview(
            std::make_unique<kit::TextField>(kit::makeRect(10, 40, 80, 22))));
        if (c.has & Inside) {
            a->setFirstText(firstIn);
            a->setLastText(lastIn);
        }
        ASSERT_EQ(a->swapIn(nullptr), rig.view);
        auto target = [&](const char* which) -> kit::View* {
            return std::string(which) == "inside" ? firstIn : std::string(which) == "outside" ? firstOut : nullptr;
        };
        EXPECT_EQ(lastOut->nextText(), target(c.lastOutsideLeadsTo));
        EXPECT_EQ(lastIn->nextText(), target(c.lastInsideLeadsTo));
        // The first swap puts the focus outside when there is a field there.
        if (c.has & Outside) {
            EXPECT_EQ(rig.window->firstResponder(), firstOut);
        }
    }
}

TEST_F(SwapTest, FocusInsideTheOldPaneMovesToTheNewPanesFirstText)
{
    Rig rig;
    auto* firstOut = static_cast<kit::TextField*>(rig.window->contentView()->addSubview(
        std::make_unique<kit::TextField>(kit::makeRect(210, 10, 80, 22))));
    rig.view->setFirstOutsideText(firstOut);
    PanelPtr a = rig.panel("A", 200, 150);
    PanelPtr b = rig.panel("B", 200, 150);
    for (ZynLinkedSwapPanel* p : {a.get(), b.get()}) {
        auto* field = static_cast<kit::TextField*>(
            p->contentView()->addSubview(std::make_unique<kit::TextField>(kit::makeRect(10, 10, 80, 22))));
        p->setFirstText(field);
        p->setLastText(field);
    }
    ASSERT_EQ(a->swapIn(nullptr), rig.view);
    EXPECT_EQ(rig.window->firstResponder(), firstOut);
    // Focus left outside stays there.
    ASSERT_EQ(b->swapIn(nullptr), rig.view);
    EXPECT_EQ(rig.window->firstResponder(), firstOut);
    // Focus inside follows into the next pane.
    rig.view->selectFirstInsideText();
    EXPECT_EQ(rig.window->firstResponder(), b->firstText());
    ASSERT_EQ(a->swapIn(nullptr), rig.view);
    EXPECT_EQ(rig.window->firstResponder(), a->firstText());
}

TEST_F(SwapTest, ALoopingChainIsListedOnceEach)
{
    Rig rig;
    auto* list = static_cast<kit::PopUpButton*>(
        rig.window->contentView()->addSubview(std::make_unique<kit::PopUpButton>(kit::makeRect(0, 170, 120, 22))));
    rig.view->setPopUpListsButton(list);
    PanelPtr a = rig.panel("A", 200, 150);
    PanelPtr b = rig.panel("B", 200, 150);
    PanelPtr c = rig.panel("C", 200, 150);
    // A, B, C, then back to B (not to the head); and a panel that is its
    // own next.
    a->setNextSwapPanel(b.get());
    b->setNextSwapPanel(c.get());
    c->setNextSwapPanel(b.get());
    rig.view->setFirstSwapPanel(a.get());
    rig.view->buildPopUpList();
    EXPECT_EQ(list->itemTitles(), (std::vector<std::string>{"A", "B", "C"}));
    EXPECT_EQ(list->indexOfSelectedItem(), 0);

    c->setNextSwapPanel(c.get());
    rig.view->setFirstSwapPanel(c.get());
    rig.view->awakeFromNib();
    EXPECT_EQ(list->itemTitles(), (std::vector<std::string>{"C"}));
    EXPECT_TRUE(alerts_->shown().empty());
}

TEST_F(SwapTest, TheBorrowedViewGoesBackWhenTheSwapViewGoes)
{
    Rig rig;
    PanelPtr a = rig.panel("A", 200, 150);
    kit::View* content = a->contentView();
    ASSERT_EQ(a->swapIn(nullptr), rig.view);
    ASSERT_EQ(a->contentView(), nullptr);
    rig.window.reset();
    EXPECT_EQ(a->contentView(), content);
    EXPECT_EQ(content->superview(), nullptr);
    EXPECT_EQ(a->swapView(), nullptr);
}

TEST_F(SwapTest, APanelThatGoesWhileShownTakesItsViewAndLeavesTheViewEmpty)
{
    Rig rig;
    auto* titleField = static_cast<kit::TextField*>(
        rig.window->contentView()->addSubview(std::make_unique<kit::TextField>(kit::makeRect(0, 170, 200, 20))));
    rig.view->setTitleText(titleField);
    PanelPtr a = rig.panel("A", 200, 150);
    ASSERT_EQ(a->swapIn(nullptr), rig.view);
    auto swapPanel = std::make_unique<ZynSwapPanel>(kit::makeRect(0, 0, 200, 150));
    swapPanel->setTitle("Plain");
    swapPanel->setSwapView(rig.view);
    ASSERT_EQ(swapPanel->swapIn(nullptr), swapPanel.get());
    ASSERT_EQ(rig.view->currentSwapPanel(), swapPanel.get());
    // A's view came back when the plain one went in.
    EXPECT_NE(a->contentView(), nullptr);

    auto emptied = [&] {
        EXPECT_EQ(rig.view->currentSwapPanel(), nullptr);
        EXPECT_EQ(rig.view->currentSubView(), nullptr);
        EXPECT_TRUE(rig.view->subviews().empty());
        EXPECT_EQ(titleField->stringValue(), "");
        rig.window->display();
    };
    swapPanel.reset();
    emptied();
    ASSERT_EQ(a->swapIn(nullptr), rig.view);
    a.reset();
    emptied();
}

// Records, at each of its drawings, whether a pane was in.
class DrawRecordingSwapView : public ZynSizableSwapView {
public:
    using ZynSizableSwapView::ZynSizableSwapView;
    void drawRect(const kit::Rect& rect) override
    {
        paneInAtDrawing.push_back(currentSwapPanel() != nullptr);
        ZynSizableSwapView::drawRect(rect);
    }
    std::vector<bool> paneInAtDrawing;
};

TEST_F(SwapTest, TheFirstPanelComesInBeforeTheFirstDrawing)
{
    kit::Window window(kit::makeRect(50, 60, 300, 200));
    auto* view = static_cast<DrawRecordingSwapView*>(
        window.contentView()->addSubview(std::make_unique<DrawRecordingSwapView>(kit::makeRect(0, 0, 200, 150))));
    RecordingSwapDelegate delegate;
    view->setSwapDelegate(&delegate);
    auto a = std::make_unique<ZynLinkedSwapPanel>(kit::makeRect(0, 0, 200, 150));
    a->setSwapView(view);
    view->setFirstSwapPanel(a.get());
    window.display();
    EXPECT_EQ(view->currentSwapPanel(), a.get());
    EXPECT_TRUE(view->hadFirstSwap());
    EXPECT_TRUE(std::all_of(view->paneInAtDrawing.begin(), view->paneInAtDrawing.end(), [](bool in) { return in; }));
    using Call = RecordingSwapDelegate::Call;
    EXPECT_EQ(delegate.calls, (std::vector<Call>{{"will", a.get()}, {"did", a.get()}}));
    window.display();
    EXPECT_EQ(delegate.calls.size(), 2u);
}

TEST_F(SwapTest, AFirstSwapOfNilLeavesTheFirstSizesToTheFirstPane)
{
    Rig rig;
    rig.view->setResizeWidth(1);
    rig.view->setResizeHeight(1);
    const kit::Rect first = rig.window->frame();
    ASSERT_EQ(rig.view->swapIn(nullptr), rig.view);
    PanelPtr a = rig.panel("A", 240, 150);
    ASSERT_EQ(a->swapIn(nullptr), rig.view);
    EXPECT_EQ(rig.window->frame(), kit::makeRect(kit::minX(first), kit::minY(first), kit::width(first) + 40,
                                                 kit::height(first)));
}

TEST_F(SwapTest, ATitleFieldThatCannotShowTextRaisesItsDeveloperAlert)
{
    const struct {
        const char* field;
        std::vector<std::string> alerts;
    } cases[] = {{"box", {}}, {"view", {"Developer Warning in swapIn:"}}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        alerts_->reset();
        Rig rig;
        std::unique_ptr<kit::View> field;
        kit::Box* box = nullptr;
        if (std::string(c.field) == "box") {
            auto made = std::make_unique<kit::Box>(kit::makeRect(0, 170, 200, 20));
            box = made.get();
            field = std::move(made);
        } else {
            field = std::make_unique<kit::View>(kit::makeRect(0, 170, 200, 20));
        }
        rig.view->setTitleText(rig.window->contentView()->addSubview(std::move(field)));
        PanelPtr a = rig.panel("A", 200, 150);
        ASSERT_EQ(a->swapIn(nullptr), rig.view);
        EXPECT_EQ(alertTitles(), c.alerts);
        if (box) {
            EXPECT_EQ(box->title(), " AInspector");
        }
        // No panel: nothing to show, no alert.
        rig.view->swapIn(nullptr);
        EXPECT_EQ(alertTitles(), c.alerts);
    }
}

} // namespace

namespace {

TEST_F(SwapTest, APanelShownInAnotherSwapViewOrHoldingThisOneIsNotTaken)
{
    Rig one, two;
    PanelPtr a = one.panel("A", 200, 150);
    ASSERT_EQ(a->swapIn(nullptr), one.view);
    kit::View* content = one.view->currentSubView();
    RecordingSwapDelegate delegate;
    two.view->setSwapDelegate(&delegate);
    EXPECT_EQ(two.view->swapIn(a.get()), nullptr);
    EXPECT_EQ(two.view->currentSwapPanel(), nullptr);
    EXPECT_EQ(one.view->currentSubView(), content);
    EXPECT_EQ(content->superview(), one.view);

    // A swap view inside the panel it would show.
    auto holder = std::make_unique<ZynLinkedSwapPanel>(kit::makeRect(0, 0, 200, 150));
    auto* inner = static_cast<ZynSizableSwapView*>(
        holder->contentView()->addSubview(std::make_unique<ZynSizableSwapView>(kit::makeRect(0, 0, 100, 100))));
    EXPECT_EQ(inner->swapIn(holder.get()), nullptr);
    EXPECT_EQ(inner->superview(), holder->contentView());
    EXPECT_TRUE(delegate.calls.empty());
}

} // namespace
