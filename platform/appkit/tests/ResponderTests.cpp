#include "AppKitTesting.h"

#include "appkit/EventScript.h"
#include "appkit/View.h"
#include "appkit/Window.h"

using namespace kit;

namespace {
class ActionView : public View {
public:
    explicit ActionView(const Rect& r, const char* action = nullptr) : View(r)
    {
        if (action)
            setAction(action, [this](Object* sender) {
                lastSender = sender;
                ++performed;
                return nullptr;
            });
    }
    bool acceptsFirstResponder() const override { return true; }
    int performed = 0;
    Object* lastSender = nullptr;
};

class Delegate : public Receiver {
public:
    Delegate()
    {
        setAction("newDocument:", [this](Object*) {
            ++performed;
            return nullptr;
        });
    }
    std::string className() const override { return "Delegate"; }
    int performed = 0;
};
} // namespace

using ResponderTest = AppKitTest;

TEST_F(ResponderTest, ActionsGoAlongTheChainAndBeepWhenNobodyAnswers)
{
    Window window(makeRect(0, 0, 100, 100));
    auto* outer = static_cast<ActionView*>(window.contentView()->addSubview(
        std::make_unique<ActionView>(makeRect(0, 0, 100, 100), "copy:")));
    auto* inner = static_cast<ActionView*>(outer->addSubview(std::make_unique<ActionView>(makeRect(0, 0, 10, 10))));
    window.makeKeyAndOrderFront();
    ASSERT_TRUE(window.makeFirstResponder(inner));
    Delegate delegate;
    app->setDelegate(&delegate);

    EXPECT_EQ(app->targetForAction("copy:"), outer);
    EXPECT_EQ(app->targetForAction("newDocument:"), &delegate);
    EXPECT_EQ(app->targetForAction("paste:"), nullptr);

    Window sender(makeRect(0, 0, 1, 1));
    EXPECT_TRUE(app->sendAction("copy:", nullptr, &sender));
    EXPECT_EQ(outer->performed, 1);
    EXPECT_EQ(outer->lastSender, &sender);
    EXPECT_TRUE(app->sendAction("newDocument:", nullptr, nullptr));
    EXPECT_EQ(delegate.performed, 1);

    EXPECT_EQ(alerts->beeps(), 0);
    EXPECT_FALSE(app->sendAction("paste:", nullptr, nullptr));
    EXPECT_EQ(alerts->beeps(), 1);
    app->setDelegate(nullptr);
}

TEST_F(ResponderTest, MouseDownGoesToTheViewUnderItAndKeysToTheFirstResponder)
{
    struct Tracker : View {
        using View::View;
        bool acceptsFirstResponder() const override { return true; }
        void mouseDown(const Event&) override { ++downs; }
        void mouseUp(const Event&) override { ++ups; }
        int downs = 0, ups = 0;
    };
    Window window(makeRect(0, 0, 100, 100));
    auto* left = static_cast<Tracker*>(window.contentView()->addSubview(std::make_unique<Tracker>(makeRect(0, 0, 50, 100))));
    auto* right = static_cast<Tracker*>(window.contentView()->addSubview(std::make_unique<Tracker>(makeRect(50, 0, 50, 100))));
    EventScript(window).mouseDown({75, 10}).mouseDragged({10, 10}).mouseUp({10, 10}).keyDown(u"a").schedule();
    app->run();
    EXPECT_EQ(right->downs, 1);
    EXPECT_EQ(right->ups, 1); // the up goes where the down went
    EXPECT_EQ(left->downs + left->ups, 0);
    EXPECT_EQ(window.firstResponder(), right);
    // Nobody handles the key: the chain ends in a beep.
    EXPECT_EQ(alerts->beeps(), 1);
}

TEST_F(ResponderTest, AMouseDownThatHitsNoViewSendsItsDragsAndMouseUpNowhere)
{
    // A content view that lets the mouse through where it shows nothing.
    struct Sheer : View {
        using View::View;
        View* hitTest(Point point) override
        {
            View* hit = View::hitTest(point);
            return hit == this ? nullptr : hit;
        }
    };
    struct Tracker : View {
        using View::View;
        void mouseDown(const Event&) override { ++downs; }
        void mouseDragged(const Event&) override { ++drags; }
        void mouseUp(const Event&) override { ++ups; }
        int downs = 0, drags = 0, ups = 0;
    };
    Window window(makeRect(0, 0, 100, 100));
    window.setContentView(std::make_unique<Sheer>());
    auto* tracker =
        static_cast<Tracker*>(window.contentView()->addSubview(std::make_unique<Tracker>(makeRect(0, 0, 50, 100))));
    EventScript(window)
        .mouseDown({10, 10})
        .mouseUp({10, 10})
        .mouseDown({75, 10})
        .mouseDragged({20, 10})
        .mouseUp({20, 10})
        .schedule();
    app->run();
    EXPECT_EQ(tracker->downs, 1);
    EXPECT_EQ(tracker->drags, 0);
    EXPECT_EQ(tracker->ups, 1);
}
