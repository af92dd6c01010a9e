#pragma once

#include <cstdint>
#include <functional>
#include <memory>

class QWidget;

namespace kit {
class AlertHandler;
class Cursor;
class Window;
}

namespace kit::detail {

// The screen side of a window: a Qt widget showing the flushed image and
// feeding the application's queue with the mouse and keys it receives.
// Qt stays behind this interface.
class WindowScreen {
public:
    // Connects to the screen once (QT_QPA_PLATFORM decides how; with no
    // display at all, the offscreen platform) and installs alert panels
    // over real windows when there is a real display.
    static void startScreen();
    // Delivers what the screen has waiting, without blocking.
    static void processScreenEvents();
    // Blocks until the screen has something or the time passes; answers
    // false when it cannot wait for the screen at all.
    static bool waitForScreenEvents(double seconds);
    static void wakeUp();
    // The program became the active one on the desktop; the desktop session
    // is ending (log-out, power-off), and the answer says whether the
    // program may end.
    static void setActivationHandler(std::function<void()> handler);
    // Whether one of the program's windows has the desktop's focus.
    static bool isApplicationActive();
    static void setSessionEndHandler(std::function<bool()> handler);
    static void showCursor(bool visible);
    // Alerts in dialogs on the screen (installed on a real display). Escape
    // and the close box answer the button that cancels, and only it.
    static std::shared_ptr<AlertHandler> makeAlertHandler();
    // The name of the screen platform ("offscreen", "xcb", ...).
    static const char* platformName();
    // Whether windows reach a person (not the offscreen or minimal platform).
    static bool isRealDisplay();

    // Null when there is no screen. With a container the window's widget is
    // made inside it (a panel's part of a Qt dialog) rather than as a window
    // of its own.
    static std::unique_ptr<WindowScreen> create(Window& window, QWidget* container = nullptr);
    virtual ~WindowScreen() = default;

    // Shown in front of the program's other windows (a window shown
    // already comes to the front), or hidden.
    virtual void show(bool visible) = 0;
    // Position and size follow the window.
    virtual void placeWindow() = 0;
    // The title follows the window, with the edited mark when its document
    // is edited.
    virtual void showTitle() = 0;
    // The window takes the keyboard on the desktop.
    virtual void activate() {}
    // The window becomes its icon.
    virtual void miniaturize() {}
    // The icon the desktop shows for the window (premultiplied 0xAARRGGBB
    // rows, top first); no pixels: the program's own.
    virtual void setIcon(const std::uint32_t* pixels, int width, int height) = 0;
    // Premultiplied 0xAARRGGBB rows, top first.
    virtual void showImage(const std::uint32_t* pixels, int width, int height) = 0;
    // The widget that shows the window; the Qt widgets of its controls are
    // its children.
    virtual QWidget* widget() const = 0;
    // A floating window stays above the others of the program.
    virtual void setFloating(bool flag) = 0;

    // ---- Qt widgets that stand for controls.
    // The widget and every widget it holds (now or later) send their mouse
    // and keys to the application's queue, as the window's own widget does,
    // instead of acting on them: the control decides, and hands the events
    // back (replay) when the widget is to act.
    static void redirectInput(QWidget* widget);
    // Events sent to redirected widgets while this is set reach them.
    static void setReplaying(bool flag);
    static bool isReplaying();

    // A descriptor whose readability ends waitForScreenEvents; it is
    // watched again (rearm) once the run loop has read from it.
    static void* watchDescriptor(int fd);
    static void rearmDescriptor(void* watch);
    static void unwatchDescriptor(void* watch);

    // The cursor every window of the program shows.
    static void applyCursor(const Cursor* cursor);
};

} // namespace kit::detail
