#include "AppKitTesting.h"
#include "RunProgram.h"

#include "appkit/View.h"
#include "appkit/Window.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/DrawContext.h"
#include "graphics/Image.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QImage>
#include <QWidget>

using namespace kit;
using kit::testsupport::runProgram;

namespace {

// A small drawing: a blue square on white with a black frame and a
// diagonal line, the way a custom view draws through the current context.
class ExampleView : public View {
public:
    using View::View;
    void drawRect(const Rect& rect) override
    {
        DrawContext* c = DrawContext::current();
        c->setgray(1);
        c->rectfill(rect);
        c->setrgbcolor(0, 0, 1);
        c->rectfill(20, 20, 40, 40);
        c->setgray(0);
        c->frameRect(makeRect(10, 10, 100, 60), 2);
        c->setlinewidth(1);
        c->moveto(70, 20);
        c->lineto(100, 50);
        c->stroke();
    }
};

QWidget* topLevelWidgetTitled(const QString& title)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->windowTitle() == title && w->isVisible())
            return w;
    return nullptr;
}

} // namespace

using ExampleWindowTest = AppKitTest;

// The same window shows on a real display; here the screen is offscreen
// and the widget's own painting is read back.
TEST_F(ExampleWindowTest, AWindowShowsRealDrawingOnScreen)
{
    Window window(makeRect(100, 100, 120, 80));
    window.setTitle("Scrivly example");
    window.setContentView(std::make_unique<ExampleView>());
    window.makeKeyAndOrderFront();
    window.display();
    EXPECT_TRUE(window.isVisible());
    EXPECT_TRUE(window.isKeyWindow());

    QWidget* widget = topLevelWidgetTitled("Scrivly example");
    ASSERT_NE(widget, nullptr);
    QImage shown = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(shown.width(), 120);
    ASSERT_EQ(shown.height(), 80);
    // Screen rows run top down; base y = 80 - 1 - row.
    EXPECT_EQ(shown.pixel(40, 80 - 1 - 40), 0xFF0000FFu);  // blue square
    EXPECT_EQ(shown.pixel(5, 80 - 1 - 5), 0xFFFFFFFFu);    // outside the frame
    EXPECT_EQ(shown.pixel(10, 80 - 1 - 40), 0xFF000000u);  // the frame's left edge
    EXPECT_EQ(shown.pixel(115, 80 - 1 - 40), 0xFFFFFFFFu);
    EXPECT_NE(shown.pixel(85, 80 - 1 - 35), 0xFFFFFFFFu);  // on the diagonal
    EXPECT_EQ(window.flushedPixel(40, 40), 0xFF0000FFu);
    // The window lies where its frame says: 100 up from the screen's
    // bottom, its title bar included.
    QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(widget->pos(), QPoint(100, screen.height() - 100 - 80 - 22));

    window.close();
    EXPECT_EQ(topLevelWidgetTitled("Scrivly example"), nullptr);
}

// ---- The controls and the menu in a real window.

#include "appkit/Box.h"
#include "appkit/Button.h"
#include "appkit/CellMatrix.h"
#include "appkit/Menu.h"
#include "appkit/PopUpButton.h"
#include "appkit/Slider.h"
#include "appkit/TextField.h"
#include "appkit/WindowScreen.h"

#include <QMenuBar>
#include <QTimer>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include <sys/wait.h>
#include <unistd.h>

namespace {


// A paragraph panel of the kit's controls, with an Edit menu.
struct ControlsExample {
    explicit ControlsExample(kit::Application& app) : window(makeRect(200, 200, 360, 240))
    {
        window.setTitle("Scrivly controls");
        window.setContentView(std::make_unique<ExampleView>());
        View* content = window.contentView();
        auto* box = static_cast<Box*>(content->addSubview(std::make_unique<Box>(makeRect(10, 60, 340, 170), "Paragraph")));
        View* inside = box->contentView();
        ligatures = static_cast<Button*>(inside->addSubview(
            std::make_unique<Button>(makeRect(10, 110, 120, 20), "Ligatures", ButtonType::Switch)));
        auto radio = std::make_unique<ButtonCell>("Left");
        radio->setButtonType(ButtonType::Radio);
        alignment = static_cast<CellMatrix*>(inside->addSubview(
            std::make_unique<CellMatrix>(makeRect(10, 10, 90, 90), MatrixMode::Radio, std::move(radio), 3, 1)));
        alignment->setCellSize({90, 24});
        alignment->setIntercellSpacing({0, 4});
        const char* titles[] = {"Left", "Centre", "Right"};
        for (int r = 0; r < 3; ++r)
            alignment->cellAtRow(r, 0)->setTitle(titles[r]);
        size = static_cast<TextField*>(inside->addSubview(std::make_unique<TextField>(makeRect(150, 110, 80, 22), "12")));
        units = static_cast<PopUpButton*>(inside->addSubview(std::make_unique<PopUpButton>(makeRect(150, 70, 120, 24))));
        units->addItemsWithTitles({"Points", "Inches", "Centimetres"});
        slider = static_cast<Slider*>(inside->addSubview(std::make_unique<Slider>(makeRect(150, 30, 160, 20))));
        apply = static_cast<Button*>(content->addSubview(std::make_unique<Button>(makeRect(260, 15, 90, 30), "Apply")));
        apply->setKeyEquivalent("\r");
        apply->setTarget(&target);
        apply->setAction("apply:");
        size->setTarget(&target);
        size->setAction("size:");

        auto main = std::make_unique<Menu>("Scrivly");
        MenuItem* editItem = main->addItemWithTitle("Edit", "");
        auto edit = std::make_unique<Menu>("Edit");
        edit->addItemWithTitle("Copy", "copy:", "c");
        edit->addItem(MenuItem::separatorItem());
        edit->addItemWithTitle("Apply", "apply:", "a")->setTarget(&target);
        main->setSubmenu(std::move(edit), editItem);
        app.setMainMenu(std::move(main));
        window.makeKeyAndOrderFront();
        window.display();
    }
    ~ControlsExample() { kit::Application::sharedApplication().setMainMenu(nullptr); }

    ActionRecorder target{"apply:", "size:"};
    Window window;
    Button* ligatures;
    CellMatrix* alignment;
    TextField* size;
    PopUpButton* units;
    Slider* slider;
    Button* apply;
};

} // namespace

// Offscreen the window's widget shows the controls over the drawing; on a
// real display (Xvfb) the X server's own mouse and keys reach them through
// the kit's event queue, as a person's would.
TEST_F(ExampleWindowTest, ControlsAndTheMenuWorkInARealWindow)
{
    ControlsExample example(*app);
    QWidget* widget = topLevelWidgetTitled("Scrivly controls");
    ASSERT_NE(widget, nullptr);
    EXPECT_TRUE(example.apply->widget()->isVisible());
    EXPECT_EQ(example.apply->widget()->parentWidget(), widget);
    // The button lies where its view lies: 15 up from the bottom of 240.
    EXPECT_EQ(example.apply->widget()->geometry(), QRect(260, 240 - 45, 90, 30));
    QImage shown = widget->grab().toImage().convertToFormat(QImage::Format_ARGB32);
    // The blue square of the drawing shows beside the controls.
    EXPECT_EQ(shown.pixel(40, 240 - 1 - 40), 0xFF0000FFu);

    if (!detail::WindowScreen::isRealDisplay() || runProgram({"xdotool", "version"}) != 0)
        GTEST_SKIP() << "the real display part needs X and xdotool";
    Clock::useRealClock();
    widget->windowHandle()->requestActivate();
    auto settle = [this](int ms) {
        RunLoop::currentRunLoop().runUntilDate(Date::dateWithTimeIntervalSinceNow(ms / 1000.0));
    };
    // A busy machine may take seconds to pass on what the X server got: each
    // step waits, with a generous bound, for what the user would see.
    auto settleUntil = [&](const std::function<bool()>& seen) {
        for (int i = 0; i < 300 && !seen(); ++i)
            settle(50);
        return seen();
    };
    ASSERT_TRUE(settleUntil([&] { return widget->isActiveWindow(); }));
    auto clickAt = [&](QWidget* w) {
        QPoint p = w->mapToGlobal(QPoint(w->width() / 2, w->height() / 2));
        runProgram({"xdotool", "mousemove", std::to_string(p.x()), std::to_string(p.y()), "click", "1"});
    };
    clickAt(example.ligatures->widget());
    EXPECT_TRUE(settleUntil([&] { return example.ligatures->state() == OnState; }));
    clickAt(example.apply->widget());
    EXPECT_TRUE(settleUntil([&] { return example.target.count("apply:") == 1; }));
    // Typed into the field once it has the keyboard: select it, type, Return
    // sends its action.
    clickAt(example.size->widget());
    ASSERT_TRUE(settleUntil([&] { return example.window.firstResponder() == example.size; }));
    runProgram({"xdotool", "key", "ctrl+a", "BackSpace", "1", "8", "Return"});
    EXPECT_TRUE(settleUntil([&] { return example.target.count("size:") == 1; }));
    EXPECT_EQ(example.size->stringValue(), "18");
    EXPECT_EQ(example.target.count("size:"), 1);
    // The menu's key equivalent (Command is the Super key).
    runProgram({"xdotool", "key", "super+a"});
    EXPECT_TRUE(settleUntil([&] { return example.target.count("apply:") >= 2; }));
    EXPECT_EQ(example.target.count("apply:"), 2);
    if (const char* shot = std::getenv("SCRIVLY_EXAMPLE_SCREENSHOT")) {
        // With the Edit menu of the menu bar open.
        QMenuBar* bar = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* b = w->findChild<QMenuBar*>(); b && w->isVisible())
                bar = b;
        if (bar && !bar->actions().isEmpty()) {
            QPoint p = bar->mapToGlobal(bar->actionGeometry(bar->actions().front()).center());
            runProgram({"xdotool", "mousemove", std::to_string(p.x()), std::to_string(p.y()), "click", "1"});
            settle(500);
        }
        runProgram({"xwd", "-root", "-silent", "-out", shot});
        runProgram({"xdotool", "key", "Escape"});
        settle(200);
    }
}

// The miniwindow image reaches the X server as the window's icon property,
// which a window manager shows for the iconified window.
TEST_F(ExampleWindowTest, TheMiniwindowImageIsTheIconTheXServerHolds)
{
    Window window(makeRect(100, 100, 120, 80), TitledWindowMask | MiniaturizableWindowMask);
    window.setTitle("Scrivly icon");
    window.makeKeyAndOrderFront();
    auto rep = std::make_unique<BitmapImageRep>(16, 8, BitmapImageRep::ColorModel::RGB, false);
    for (int i = 0; i < 16 * 8; ++i) {
        rep->bitmapData()[i * 3] = 0xFF;
        rep->bitmapData()[i * 3 + 1] = rep->bitmapData()[i * 3 + 2] = 0;
    }
    Image red(makeSize(16, 8));
    red.addRepresentation(std::move(rep));
    window.setMiniwindowImage(&red);
    if (!detail::WindowScreen::isRealDisplay() || runProgram({"xprop", "-version"}) != 0)
        GTEST_SKIP() << "the X server part needs X and xprop";
    RunLoop::currentRunLoop().runUntilDate(Date::dateWithTimeIntervalSinceNow(0.3));
    const std::string id = std::to_string(window.screen()->widget()->winId());
    // Width, height, then the ARGB pixels a row at a time.
    std::string shown;
    if (FILE* out = ::popen(("xprop -id " + id + " -f _NET_WM_ICON 32c ' $0+' _NET_WM_ICON").c_str(), "r")) {
        char buffer[4096];
        while (size_t n = std::fread(buffer, 1, sizeof buffer, out))
            shown.append(buffer, n);
        ::pclose(out);
    }
    std::vector<unsigned long> values;
    const size_t start = shown.find(") ");
    ASSERT_NE(start, std::string::npos) << shown;
    for (const char* p = shown.c_str() + start + 2; *p;) {
        char* end = nullptr;
        values.push_back(std::strtoul(p, &end, 10));
        if (end == p)
            break;
        p = end + std::strspn(end, ", \n");
    }
    std::vector<unsigned long> expected{16, 8};
    expected.insert(expected.end(), 16 * 8, 0xFFFF0000ul);
    EXPECT_EQ(values, expected) << shown;
}

#include "appkit/Panel.h"
#include "appkit/RunLoop.h"

#ifdef SCRIVLY_TEST_XCB
#include <xcb/xcb.h>
#endif

namespace {

// What the X server itself shows in a rectangle of the screen, 0xRRGGBB
// rows top first: one read of the root window, so neither Qt's copy of a
// window nor a screenshot tool's assembly of windows stands in for it.
// Empty when it cannot be read.
std::vector<std::uint32_t> serverPixels(QRect area)
{
    std::vector<std::uint32_t> pixels;
#ifdef SCRIVLY_TEST_XCB
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(connection)) {
        xcb_disconnect(connection);
        return pixels;
    }
    const xcb_setup_t* setup = xcb_get_setup(connection);
    const xcb_screen_t* screen = xcb_setup_roots_iterator(setup).data;
    xcb_get_image_reply_t* reply = xcb_get_image_reply(
        connection,
        xcb_get_image(connection, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, static_cast<int16_t>(area.x()),
                      static_cast<int16_t>(area.y()), static_cast<uint16_t>(area.width()),
                      static_cast<uint16_t>(area.height()), ~0u),
        nullptr);
    // Only the usual 24-bit colour in 32-bit pixels, least significant byte first.
    if (reply && reply->depth == 24 && setup->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST &&
        xcb_get_image_data_length(reply) == area.width() * area.height() * 4) {
        const uint8_t* data = xcb_get_image_data(reply);
        for (int i = 0; i < area.width() * area.height(); ++i)
            pixels.push_back(std::uint32_t(data[i * 4]) | std::uint32_t(data[i * 4 + 1]) << 8 |
                             std::uint32_t(data[i * 4 + 2]) << 16);
    }
    std::free(reply);
    xcb_disconnect(connection);
#else
    (void)area;
#endif
    return pixels;
}

} // namespace

// A floating panel and then a new window, both ordered in by timers: the X
// server shows each with its own drawing (the panel above the window, as a
// floating panel stays) before any key or click has reached the program,
// with no window manager to help.
TEST_F(ExampleWindowTest, ANewWindowAndAFloatingPanelArePaintedWithoutAnEvent)
{
    if (!detail::WindowScreen::isRealDisplay())
        GTEST_SKIP() << "needs an X display";
    Clock::useRealClock();
    Window window(makeRect(100, 100, 300, 200));
    window.setTitle("Scrivly new window");
    window.setContentView(std::make_unique<ExampleView>());
    // Wholly over the window's white, clear of its drawing.
    Panel panel(makeRect(220, 170, 120, 80));
    panel.setTitle("Scrivly floating panel");
    panel.setContentView(std::make_unique<ExampleView>());
    panel.setFloatingPanel(true);
    auto panelTimer = Timer::scheduledTimerWithTimeInterval(0.05, [&](Timer&) { panel.orderFront(); }, false);
    auto windowTimer = Timer::scheduledTimerWithTimeInterval(0.15, [&](Timer&) { window.makeKeyAndOrderFront(); }, false);
    RunLoop::currentRunLoop().runUntilDate(Date::dateWithTimeIntervalSinceNow(0.8));
    ASSERT_TRUE(window.screen() && panel.screen());

    struct Shown {
        const char* name;
        QWidget* widget;
    } shown[] = {{"window", window.screen()->widget()}, {"floating panel", panel.screen()->widget()}};
    for (const Shown& s : shown) {
        SCOPED_TRACE(s.name);
        const QRect area(s.widget->mapToGlobal(QPoint(0, 0)), s.widget->size());
        const std::vector<std::uint32_t> pixels = serverPixels(area);
        if (pixels.empty())
            GTEST_SKIP() << "cannot read the X server's screen";
        // Base coordinates run up from the bottom of the content.
        auto at = [&](int x, int y) { return pixels[size_t(area.height() - 1 - y) * size_t(area.width()) + size_t(x)]; };
        EXPECT_EQ(at(40, 40), 0x0000FFu);  // the blue square
        EXPECT_EQ(at(10, 40), 0x000000u);  // the frame's left edge
        EXPECT_EQ(at(5, 5), 0xFFFFFFu);    // outside the frame
    }
    window.close();
    panel.close();
}

#ifdef SCRIVLY_TEST_XTEST
#include <xcb/xtest.h>

namespace {

class TypedView : public View {
public:
    using View::View;
    bool acceptsFirstResponder() const override { return true; }
    void keyDown(const Event& event) override { typed += event.characters(); }
    std::u16string typed;
};

} // namespace

// Test tools and some input methods type a letter the keyboard lacks by
// binding it to a spare key code, pressing it and taking the binding back
// at once. Here each whole sequence runs while the server is grabbed, so
// nothing can ask the server for the binding between the rebinding and its
// taking back: every letter still arrives as it was bound.
TEST_F(ExampleWindowTest, ALetterBoundForOnePressAndTakenBackAtOnceIsTyped)
{
    if (!detail::WindowScreen::isRealDisplay())
        GTEST_SKIP() << "needs an X display";
    Clock::useRealClock();
    Window window(makeRect(100, 100, 200, 100));
    window.setTitle("Scrivly rebound keys");
    auto view = std::make_unique<TypedView>();
    TypedView* typed = view.get();
    window.setContentView(std::move(view));
    window.makeKeyAndOrderFront();
    window.makeFirstResponder(typed);
    RunLoop::currentRunLoop().runUntilDate(Date::dateWithTimeIntervalSinceNow(0.3));
    ASSERT_TRUE(window.screen());

    xcb_connection_t* tool = xcb_connect(nullptr, nullptr);
    ASSERT_FALSE(xcb_connection_has_error(tool));
    const xcb_setup_t* setup = xcb_get_setup(tool);
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(tool, &xcb_test_id);
    if (!xtest || !xtest->present) {
        xcb_disconnect(tool);
        GTEST_SKIP() << "the X server has no XTEST";
    }
    // A key code that types nothing, as the tools pick one.
    const int count = setup->max_keycode - setup->min_keycode + 1;
    xcb_get_keyboard_mapping_reply_t* mapping = xcb_get_keyboard_mapping_reply(
        tool, xcb_get_keyboard_mapping(tool, setup->min_keycode, static_cast<uint8_t>(count)), nullptr);
    ASSERT_NE(mapping, nullptr);
    const int perKey = mapping->keysyms_per_keycode;
    const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
    int spare = 0;
    for (int i = count - 1; i >= 0 && !spare; --i) {
        bool empty = true;
        for (int j = 0; j < perKey; ++j)
            empty = empty && syms[i * perKey + j] == 0;
        if (empty)
            spare = setup->min_keycode + i;
    }
    std::free(mapping);
    ASSERT_NE(spare, 0);

    xcb_set_input_focus(tool, XCB_INPUT_FOCUS_POINTER_ROOT, static_cast<xcb_window_t>(window.screen()->widget()->winId()),
                        XCB_CURRENT_TIME);
    const std::u16string letters = u"ñéøß";
    for (char16_t letter : letters) {
        xcb_keysym_t bound[1] = {letter};
        xcb_keysym_t none[1] = {0};
        const auto code = static_cast<uint8_t>(spare);
        xcb_grab_server(tool);
        xcb_change_keyboard_mapping(tool, 1, code, 1, bound);
        xcb_test_fake_input(tool, XCB_KEY_PRESS, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(tool, XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_change_keyboard_mapping(tool, 1, code, 1, none);
        xcb_ungrab_server(tool);
        std::free(xcb_get_input_focus_reply(tool, xcb_get_input_focus(tool), nullptr));
    }
    for (int i = 0; i < 100 && typed->typed.size() < letters.size(); ++i)
        RunLoop::currentRunLoop().runUntilDate(Date::dateWithTimeIntervalSinceNow(0.02));
    xcb_disconnect(tool);
    EXPECT_EQ(typed->typed, letters);
    window.close();
}
#endif
