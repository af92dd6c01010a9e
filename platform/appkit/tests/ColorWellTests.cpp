#include "AppKitTesting.h"

#include "appkit/ColorPanel.h"
#include "appkit/ColorWell.h"
#include "appkit/EventScript.h"
#include "appkit/Window.h"
#include "graphics/RasterContext.h"

#include <QColorDialog>

using namespace kit;

namespace {

Point centre(const View& v)
{
    Rect f = v.frame();
    return {midX(f), midY(f)};
}

// Two wells in a window, as an inspector holds its fill and line wells.
class ColorWellTest : public AppKitTest {
protected:
    void SetUp() override
    {
        AppKitTest::SetUp();
        panel = ColorPanel::sharedColorPanel();
        window = std::make_unique<Window>(makeRect(0, 0, 200, 100));
        fill = add(makeRect(10, 10, 60, 40), "changeFillColor:");
        line = add(makeRect(100, 10, 60, 40), "changeLineColor:");
        window->makeKeyAndOrderFront();
    }
    void TearDown() override
    {
        panel->orderOut();
        window.reset();
        AppKitTest::TearDown();
    }
    ColorWell* add(const Rect& frame, const char* action)
    {
        auto* well = static_cast<ColorWell*>(window->contentView()->addSubview(std::make_unique<ColorWell>(frame)));
        well->setTarget(&target);
        well->setAction(action);
        return well;
    }
    void click(ColorWell* well)
    {
        EventScript(*window).at(0.1).mouseDown(centre(*well)).after(0.1).mouseUp(centre(*well)).schedule();
        app->run();
    }
    // The user picks a colour in the dialog and presses OK.
    void choose(QColor color)
    {
        panel->dialog()->setCurrentColor(color);
        panel->dialog()->accept();
    }

public:
    ColorPanel* panel = nullptr;
    std::unique_ptr<Window> window;
    ColorWell* fill = nullptr;
    ColorWell* line = nullptr;
    ActionRecorder target{"changeFillColor:", "changeLineColor:"};
};

} // namespace

TEST_F(ColorWellTest, AClickActivatesOneWellAtATimeAndOpensThePanelOnItsColour)
{
    fill->setColor(Color::colorWithDeviceRed(1, 0, 0));
    line->setColor(Color::colorWithDeviceRed(0, 0, 1));
    ASSERT_FALSE(panel->isVisible());

    click(fill);
    EXPECT_TRUE(fill->isActive());
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->color(), fill->color());
    EXPECT_EQ(panel->dialog()->currentColor(), QColor(255, 0, 0));
    EXPECT_EQ(panel->activeWells(), std::vector<ColorWell*>{fill});

    // The other well takes over; the first goes out.
    click(line);
    EXPECT_FALSE(fill->isActive());
    EXPECT_TRUE(line->isActive());
    EXPECT_EQ(panel->dialog()->currentColor(), QColor(0, 0, 255));
    EXPECT_EQ(panel->activeWells(), std::vector<ColorWell*>{line});

    // A click on the active well deactivates it; nothing was sent meanwhile.
    click(line);
    EXPECT_FALSE(line->isActive());
    EXPECT_TRUE(panel->activeWells().empty());
    EXPECT_TRUE(target.calls.empty());

    // A press let go outside the well does nothing.
    EventScript(*window).at(0.1).mouseDown(centre(*fill)).after(0.1).mouseDragged({190, 90}).after(0.1)
        .mouseUp({190, 90}).schedule();
    app->run();
    EXPECT_FALSE(fill->isActive());
}

TEST_F(ColorWellTest, AColourChosenInThePanelGoesToTheActiveWellWhichSendsItsAction)
{
    ColorRef black = Color::colorWithDeviceCyan(0, 0, 0, 1);
    fill->setColor(black);
    line->setColor(black);
    click(fill);
    choose(QColor(0, 128, 0));

    ASSERT_EQ(target.calls.size(), 1u);
    EXPECT_EQ(target.calls[0].action, "changeFillColor:");
    EXPECT_EQ(target.calls[0].sender, fill);
    float r, g, b;
    fill->color()->getRed(r, g, b);
    EXPECT_FLOAT_EQ(r, 0);
    EXPECT_NEAR(g, 128 / 255.0f, 1e-3);
    EXPECT_FLOAT_EQ(b, 0);
    EXPECT_EQ(line->color(), black);
    // OK closed the panel: no well goes on looking chosen.
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(fill->isActive());

    // OK on the colour shown gives the well its very colour back, not
    // Qt's RGB of a CMYK black.
    click(line);
    panel->dialog()->accept();
    ASSERT_EQ(target.calls.size(), 2u);
    EXPECT_EQ(target.calls[1].action, "changeLineColor:");
    EXPECT_EQ(line->color(), black);

    // Cancel sends nothing and deactivates.
    click(line);
    panel->dialog()->setCurrentColor(QColor(255, 255, 0));
    panel->dialog()->reject();
    EXPECT_EQ(target.calls.size(), 2u);
    EXPECT_EQ(line->color(), black);
    EXPECT_FALSE(line->isActive());
}

TEST_F(ColorWellTest, WellsThatCannotTakeAColourGetNone)
{
    struct Case {
        const char* what;
        std::function<void(ColorWellTest&)> act; // after the fill well was activated
        bool fillActive;
    } cases[] = {
        {"disabled while active", [](ColorWellTest& t) { t.fill->setEnabled(false); }, false},
        {"deactivated, as an inspector leaving its window does", [](ColorWellTest& t) { t.fill->deactivate(); }, false},
        {"the panel closed", [](ColorWellTest& t) { t.panel->orderOut(); }, false},
        {"activated beside another (not exclusive)", [](ColorWellTest& t) { t.line->activate(false); }, true},
    };
    for (const Case& c : cases) {
        target.calls.clear();
        fill->setColor(Color::whiteColor());
        fill->setEnabled(true);
        line->deactivate();
        fill->activate(true);
        c.act(*this);
        EXPECT_EQ(fill->isActive(), c.fillActive) << c.what;
        panel->chooseColor(Color::colorWithGray(0.5f));
        EXPECT_EQ(fill->color()->isEqual(*Color::colorWithGray(0.5f)), c.fillActive) << c.what;
        EXPECT_EQ(target.count("changeFillColor:"), c.fillActive ? 1 : 0) << c.what;
        panel->orderOut();
    }

    // A disabled well takes no click.
    fill->setEnabled(false);
    click(fill);
    EXPECT_FALSE(fill->isActive());
    EXPECT_FALSE(panel->isVisible());

    // An active well that goes away is not sent to.
    line->activate(true);
    window->contentView()->subviews().back()->removeFromSuperview();
    panel->chooseColor(Color::blackColor());
    EXPECT_TRUE(panel->activeWells().empty());
}

// The colour fills the well inside its bezel; the bezel turns white while
// the well is active; an unbordered well is all colour.
TEST_F(ColorWellTest, TheWellShowsItsColourInsideItsBezel)
{
    auto pixelsOf = [this](ColorWell* well) {
        RasterContext image(200, 100);
        well->cacheDisplayInRect(well->bounds(), image);
        // Rows from the top: the well's centre, and a point on its bezel.
        Rect f = well->frame();
        int cx = static_cast<int>(midX(f)), cy = 100 - static_cast<int>(midY(f));
        int bx = static_cast<int>(minX(f)) + 3, by = cy;
        return std::pair{image.pixel(cx, cy), image.pixel(bx, by)};
    };
    fill->setColor(Color::colorWithDeviceRed(1, 0, 0));
    auto [inside, bezel] = pixelsOf(fill);
    EXPECT_EQ(inside, 0xFFFF0000u);
    EXPECT_EQ(bezel, 0xFFAAAAAAu);

    // Light grey: the look of a value the selected items differ in.
    fill->setColor(Color::lightGrayColor());
    EXPECT_EQ(pixelsOf(fill).first, 0xFFAAAAAAu);

    fill->activate(true);
    EXPECT_EQ(pixelsOf(fill).second, 0xFFFFFFFFu);

    fill->setBordered(false);
    fill->setColor(Color::colorWithDeviceRed(0, 0, 1));
    EXPECT_EQ(pixelsOf(fill).second, 0xFF0000FFu);
}
