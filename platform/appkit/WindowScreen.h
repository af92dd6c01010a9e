#pragma once

#include <cstdint>
#include <memory>

namespace kit {
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
    static void showCursor(bool visible);
    // The name of the screen platform ("offscreen", "xcb", ...).
    static const char* platformName();

    // Null when there is no screen.
    static std::unique_ptr<WindowScreen> create(Window& window);
    virtual ~WindowScreen() = default;

    virtual void show(bool visible) = 0;
    // Title, position and size follow the window.
    virtual void placeWindow() = 0;
    // Premultiplied 0xAARRGGBB rows, top first.
    virtual void showImage(const std::uint32_t* pixels, int width, int height) = 0;
};

} // namespace kit::detail
