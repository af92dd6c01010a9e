#include "SwapTestSupport.h"

#include "appkit/TextField.h"
#include "foundation/Defaults.h"
#include "view/PanelSubClass.h"
#include "view/ZynLinkedSwapPanel.h"
#include "view/ZynSwapPanel.h"

#include <cmath>
#include <limits>

namespace {

class PanelTestFind : public PanelSubClass {
public:
    PanelTestFind() : PanelSubClass(kit::makeRect(10, 20, 200, 100)) {}
    std::string className() const override { return "PanelTestFind"; }
};

using PanelBaseTest = SwapTest;

TEST_F(PanelBaseTest, TheStoredFrameIsTakenOnlyWhenItIsUsable)
{
    const kit::Rect built = PanelTestFind().frame();
    const kit::Rect good = kit::makeRect(100, 120, 300, 180);
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        const char* what;
        std::optional<std::string> stored;
        kit::Rect expected;
    } cases[] = {
        {"a frame", kit::stringFromRect(good), good},
        {"none", std::nullopt, built},
        {"zero size", kit::stringFromRect(kit::makeRect(100, 120, 0, 0)), built},
        {"no height", kit::stringFromRect(kit::makeRect(100, 120, 300, 0)), built},
        {"not a number", kit::stringFromRect(kit::makeRect(nan, 120, 300, 180)), built},
        {"infinite", kit::stringFromRect(kit::makeRect(100, 120, inf, 180)), built},
        {"off every screen", kit::stringFromRect(kit::makeRect(-9000, -9000, 300, 180)), built},
        {"far right", kit::stringFromRect(kit::makeRect(60000, 100, 300, 180)), built},
        {"garbage", std::string("frame please"), built},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        kit::UserDefaults::standardUserDefaults().removeObjectForKey("Loc_PanelTestFind");
        if (c.stored)
            SetDefaultStringValue("Loc_PanelTestFind", *c.stored);
        PanelTestFind panel;
        EXPECT_EQ(panel.panelName(), "PanelTestFind");
        EXPECT_EQ(panel.init(nullptr), &panel);
        EXPECT_EQ(panel.frame(), c.expected);
    }
}

TEST_F(PanelBaseTest, AMovedPanelReopensWhereItWasLeft)
{
    const struct {
        const char* how;
        void (*act)(PanelTestFind&);
    } cases[] = {
        {"moved by the program", [](PanelTestFind& p) { p.setFrameOrigin(kit::makePoint(40, 50)); }},
        {"moved by the desktop", [](PanelTestFind& p) { p.screenDidMoveWindow(kit::makePoint(70, 80)); }},
        {"resized by the user", [](PanelTestFind& p) { p.resizeByUser(kit::makeSize(260, 200)); }},
        {"given a frame", [](PanelTestFind& p) { p.setFrame(kit::makeRect(33, 44, 250, 150), false); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        kit::UserDefaults::standardUserDefaults().removeObjectForKey("Loc_PanelTestFind");
        kit::Rect left;
        {
            PanelTestFind panel;
            panel.init(nullptr);
            c.act(panel);
            left = panel.frame();
            ASSERT_NE(left, PanelTestFind().frame());
            // Stored at once: a program that ends without closing keeps it.
            kit::Rect stored;
            GetDefaultRect("Loc_PanelTestFind", &stored);
            EXPECT_EQ(stored, left);
            panel.close();
        }
        PanelTestFind again;
        again.init(nullptr);
        EXPECT_EQ(again.frame(), left);
    }
}

TEST_F(PanelBaseTest, WhatTheBuilderDoesBeforeInitIsNotStored)
{
    const kit::Rect stored = kit::makeRect(100, 120, 300, 180);
    SetDefaultRect("Loc_PanelTestFind", stored);
    PanelTestFind panel;
    panel.setFrameOrigin(kit::makePoint(5, 5));
    panel.init(nullptr);
    EXPECT_EQ(panel.frame(), stored);
}

TEST_F(PanelBaseTest, TheBackLinkIsSetOnlyOnAPanelThatTakesIt)
{
    ZynLinkedSwapPanel a, b;
    ZynSwapPanel plain;
    kit::Window window(kit::makeRect(0, 0, 50, 50));
    a.setNextSwapPanel(&b);
    EXPECT_EQ(a.nextSwapPanel(), &b);
    EXPECT_EQ(b.previousSwapPanel(), &a);
    for (kit::Window* other : {static_cast<kit::Window*>(&plain), &window, static_cast<kit::Window*>(nullptr)}) {
        a.setNextSwapPanel(other);
        EXPECT_EQ(a.nextSwapPanel(), other);
    }
    // setPreviousSwapPanel only stores.
    b.setPreviousSwapPanel(&plain);
    EXPECT_EQ(b.previousSwapPanel(), &plain);
    EXPECT_EQ(plain.swapView(), nullptr);
}

TEST_F(PanelBaseTest, ALinkedPanelRefusesAViewThatCannotShowIt)
{
    kit::Window window(kit::makeRect(0, 0, 300, 200));
    auto* view = static_cast<ZynSizableSwapView*>(
        window.contentView()->addSubview(std::make_unique<ZynSizableSwapView>(kit::makeRect(0, 0, 200, 150))));
    kit::TextField field;
    ZynLinkedSwapPanel panel;
    panel.setSwapView(view);
    panel.setSwapView(&field);
    EXPECT_EQ(panel.swapView(), view);
    ASSERT_EQ(alerts_->shown().size(), 1u);
    EXPECT_EQ(alerts_->shown()[0].title, "ZynLinkedSwapPanel");
    EXPECT_EQ(alerts_->shown()[0].message,
              "Developer Warning: in setSwapView:aView, aView does not respond to swapIn:.");
    panel.setSwapView(nullptr);
    EXPECT_EQ(panel.swapView(), nullptr);
}

TEST_F(PanelBaseTest, ALinkedPanelSwapsBetweenItsDelegatesTwoMessages)
{
    kit::Window window(kit::makeRect(0, 0, 300, 200));
    auto* view = static_cast<ZynSizableSwapView*>(
        window.contentView()->addSubview(std::make_unique<ZynSizableSwapView>(kit::makeRect(0, 0, 200, 150))));
    using Call = RecordingSwapDelegate::Call;
    const struct {
        const char* what;
        bool refuse;
        bool wired;
        bool shown;
        std::vector<std::string> alerts;
        std::vector<std::string> told;
    } cases[] = {
        {"wired", false, true, true, {}, {"will", "did"}},
        {"refused", true, true, false, {}, {"will"}},
        {"no swap view", false, false, false, {"ZynLinkedSwapPanel"}, {"will", "did"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        alerts_->reset();
        view->swapIn(nullptr);
        ZynLinkedSwapPanel panel;
        RecordingSwapDelegate delegate;
        delegate.refuse = c.refuse;
        panel.setDelegate(&delegate);
        if (c.wired)
            panel.setSwapView(view);
        kit::Object* answer = panel.swapIn(nullptr);
        EXPECT_EQ(answer, c.shown ? static_cast<kit::Object*>(view) : nullptr);
        EXPECT_EQ(view->currentSwapPanel(), c.shown ? &panel : nullptr);
        EXPECT_EQ(alertTitles(), c.alerts);
        if (!c.alerts.empty()) {
            EXPECT_EQ(alerts_->shown()[0].message, "Developer Warning: swapView = nil");
        }
        std::vector<std::string> told;
        for (const Call& call : delegate.calls) {
            told.push_back(call.what);
            EXPECT_EQ(call.panel, &panel);
        }
        EXPECT_EQ(told, c.told);
    }
}

TEST_F(PanelBaseTest, ASwapPanelAsksItsSwapViewAndAnswersItself)
{
    kit::Window window(kit::makeRect(0, 0, 300, 200));
    auto* view = static_cast<ZynSizableSwapView*>(
        window.contentView()->addSubview(std::make_unique<ZynSizableSwapView>(kit::makeRect(0, 0, 200, 150))));
    ZynSwapPanel panel;
    EXPECT_EQ(panel.swapIn(nullptr), &panel); // no swap view: nothing happens
    panel.setSwapView(view);
    EXPECT_EQ(panel.swapIn(nullptr), &panel);
    EXPECT_EQ(view->currentSwapPanel(), &panel);
    view->swapIn(nullptr);
    panel.swapInForPrint(nullptr);
    EXPECT_EQ(view->currentSwapPanel(), &panel);
    EXPECT_TRUE(alerts_->shown().empty());
}

} // namespace
