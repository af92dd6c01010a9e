#include "AppKitTesting.h"

#include "appkit/Cursor.h"
#include "appkit/EventScript.h"
#include "appkit/View.h"
#include "appkit/Window.h"
#include "appkit/WindowScreen.h"
#include "appkit/Workspace.h"
#include "core/FileManager.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

#include <fstream>
#include <sys/stat.h>

using namespace kit;

namespace {

// A view that shows one cursor over a part of itself.
class CursorView : public View {
public:
    CursorView(const Rect& r, Cursor* cursor, Rect area) : View(r), cursor(cursor), area(area) {}
    void resetCursorRects() override
    {
        ++resets;
        addCursorRect(area, cursor);
    }
    Cursor* cursor;
    Rect area;
    int resets = 0;
};

} // namespace

using CursorRectTest = AppKitTest;

TEST_F(CursorRectTest, TheCursorFollowsTheMouseOverTheRectangles)
{
    Window window(makeRect(0, 0, 200, 100));
    auto* text = static_cast<CursorView*>(window.contentView()->addSubview(
        std::make_unique<CursorView>(makeRect(0, 0, 100, 100), Cursor::IBeamCursor(), makeRect(10, 10, 80, 80))));
    // Inner views' rectangles lie over their superviews'.
    auto* tool = static_cast<CursorView*>(text->addSubview(
        std::make_unique<CursorView>(makeRect(40, 40, 20, 20), Cursor::crosshairCursor(), makeRect(0, 0, 20, 20))));
    window.makeKeyAndOrderFront();
    Cursor::arrowCursor()->set();

    struct Step {
        Point at;
        Cursor* expected;
    } steps[] = {
        {{20, 20}, Cursor::IBeamCursor()},
        {{50, 50}, Cursor::crosshairCursor()},
        {{95, 50}, Cursor::arrowCursor()}, // in the view, outside its rectangle
        {{150, 50}, Cursor::arrowCursor()},
        {{30, 70}, Cursor::IBeamCursor()},
    };
    for (const Step& s : steps) {
        EventScript(window).at(0.1).mouseMoved(s.at).schedule();
        app->run();
        EXPECT_EQ(Cursor::currentCursor(), s.expected) << s.at.x << "," << s.at.y;
    }
    EXPECT_EQ(window.screen()->widget()->cursor().shape(), Qt::IBeamCursor);

    // A view that changes its cursor asks again through invalidation; the
    // cursor changes at the next event, without a mouse move.
    int before = text->resets;
    text->cursor = Cursor::pointingHandCursor();
    window.invalidateCursorRectsForView(text);
    EXPECT_EQ(Cursor::currentCursor(), Cursor::IBeamCursor());
    EventScript(window).at(0.1).flagsChanged(ShiftKeyMask).schedule();
    app->run();
    EXPECT_EQ(text->resets, before + 1);
    EXPECT_EQ(Cursor::currentCursor(), Cursor::pointingHandCursor());
    EXPECT_EQ(window.screen()->widget()->cursor().shape(), Qt::PointingHandCursor);

    // A view that leaves the window takes its rectangles along.
    std::unique_ptr<View> removed = tool->removeFromSuperview();
    EventScript(window).at(0.1).mouseMoved({50, 50}).schedule();
    app->run();
    EXPECT_EQ(Cursor::currentCursor(), Cursor::pointingHandCursor());

    // Rectangles only act while they are enabled.
    window.disableCursorRects();
    EventScript(window).at(0.1).mouseMoved({150, 50}).schedule();
    app->run();
    EXPECT_EQ(Cursor::currentCursor(), Cursor::pointingHandCursor());
}

TEST_F(CursorRectTest, ACustomCursorThatGoesAwayLeavesTheArrow)
{
    auto custom = std::make_unique<Cursor>(std::vector<std::uint32_t>(16 * 16, 0xFF000000u), 16, 16, Point{8, 8});
    custom->set();
    EXPECT_EQ(Cursor::currentCursor(), custom.get());
    Cursor::IBeamCursor()->push();
    EXPECT_EQ(Cursor::currentCursor(), Cursor::IBeamCursor());
    Cursor::pop();
    EXPECT_EQ(Cursor::currentCursor(), custom.get());
    custom.reset();
    EXPECT_EQ(Cursor::currentCursor(), Cursor::arrowCursor());
}

// ---- Opening files on the desktop.

TEST(WorkspaceTest, OnlyExistingDocumentsAreHandedToTheDesktop)
{
    std::string folder = FileManager::uniqueTemporaryPath("workspace");
    ASSERT_TRUE(FileManager::createDirectoryAtPath(folder));
    auto write = [&](const std::string& name, const std::string& bytes, mode_t mode) {
        std::string path = folder + "/" + name;
        std::ofstream(path) << bytes;
        ::chmod(path.c_str(), mode);
        return path;
    };
    std::string picture = write("photo.tiff", "II*\0 not much of a picture", 0644);
    std::string text = write("notes.txt", "plain words\n", 0644);
    std::string script = write("run.sh", "#!/bin/sh\necho hi\n", 0644);
    std::string launcher = write("app.desktop", "[Desktop Entry]\nType=Application\nExec=true\n", 0644);
    std::string marked = write("doc.txt", "words\n", 0755);
    std::string link = folder + "/link.txt";
    ASSERT_EQ(::symlink(text.c_str(), link.c_str()), 0);

    std::vector<std::string> opened;
    Workspace& ws = Workspace::sharedWorkspace();
    ws.setOpener([&](const std::string& p) {
        opened.push_back(p);
        return true;
    });
    struct Case {
        std::string path;
        bool opens;
    } cases[] = {
        {picture, true},           {text, true},   {link, true},           {script, false},
        {launcher, false},         {marked, false}, {folder, false},        {folder + "/missing.txt", false},
        {"/dev/null", false},      {"", false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ws.openFile(c.path), c.opens) << c.path;
        EXPECT_EQ(Workspace::reasonNotToOpen(c.path).empty(), c.opens) << c.path;
    }
    EXPECT_EQ(opened, (std::vector<std::string>{picture, text, link}));
    ws.setOpener(nullptr);
    FileManager::removeFileAtPath(folder);
}

// ---- Mouse loops that lose their mouse-up.

namespace {
// Waits for the left button to come up, as the page view's loops do.
class LoopView : public View {
public:
    using View::View;
    void mouseDown(const Event&) override
    {
        for (;;) {
            std::optional<Event> e = window()->nextEventMatchingMask(LeftMouseUpMask | LeftMouseDraggedMask);
            if (!e)
                return; // a script that ran out; the point is that real ones end
            if (e->type() == EventType::LeftMouseUp) {
                ended = true;
                return;
            }
            ++drags;
        }
    }
    bool ended = false;
    int drags = 0;
};
} // namespace

using MouseLoopTest = AppKitTest;

TEST_F(MouseLoopTest, ALoopWaitingForTheButtonEndsWhenTheScreenLosesIt)
{
    enum class Loss { WindowCloses, WindowDeactivates, WindowHides, MovesWithoutButton, WindowDestroyed };
    for (Loss loss : {Loss::WindowCloses, Loss::WindowDeactivates, Loss::WindowHides, Loss::MovesWithoutButton,
                      Loss::WindowDestroyed}) {
        auto window = std::make_unique<Window>(makeRect(0, 0, 100, 100));
        auto* view = static_cast<LoopView*>(window->contentView()->addSubview(std::make_unique<LoopView>(makeRect(0, 0, 100, 100))));
        window->makeKeyAndOrderFront();
        Window* w = window.get();
        // Observed through a weak reference: the view may go with its window.
        WeakRef<View> watched(view);
        bool ended = false;
        struct Watch {
            static void check(const WeakRef<View>& v, bool& ended)
            {
                if (auto* l = dynamic_cast<LoopView*>(v.get()))
                    ended = l->ended;
            }
        };
        EventScript script(*w);
        script.at(0.1).mouseDown({50, 50}).after(0.1).mouseDragged({60, 60});
        if (loss == Loss::MovesWithoutButton)
            script.after(0.1).mouseMoved({70, 70});
        script.schedule();
        auto interrupt = Timer::timerWithTimeInterval(0.5, [&](Timer&) {
            Watch::check(watched, ended);
            switch (loss) {
            case Loss::WindowCloses: w->close(); break;
            case Loss::WindowDeactivates: {
                QEvent deactivate(QEvent::WindowDeactivate);
                QCoreApplication::sendEvent(w->screen()->widget(), &deactivate);
                break;
            }
            case Loss::WindowHides: w->orderOut(); break;
            case Loss::WindowDestroyed: break;
            case Loss::MovesWithoutButton: break;
            }
        }, false);
        RunLoop::currentRunLoop().addTimer(interrupt, EventTrackingRunLoopMode);
        if (loss == Loss::WindowDestroyed) {
            // The window goes while the button is down, before any loop runs.
            app->nextEventMatchingMask(LeftMouseDownMask, Date::distantFuture(), DefaultRunLoopMode, true);
            EXPECT_TRUE(app->isLeftMouseDown());
            window.reset();
            std::optional<Event> up =
                app->nextEventMatchingMask(LeftMouseUpMask, Date::distantFuture(), EventTrackingRunLoopMode, true);
            EXPECT_TRUE(up.has_value());
        } else {
            app->run();
            EXPECT_FALSE(ended) << static_cast<int>(loss); // still waiting when interrupted
            EXPECT_TRUE(view->ended) << static_cast<int>(loss);
            EXPECT_EQ(view->drags, 1);
        }
        EXPECT_FALSE(app->isLeftMouseDown());
        interrupt->invalidate();
        app->resetForTesting();
    }
}
