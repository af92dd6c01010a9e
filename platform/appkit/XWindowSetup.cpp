#include "appkit/XWindowSetup.h"

#include "appkit/KeyRebindWatcher.h"

#include <QGuiApplication>
#include <QPlatformSurfaceEvent>
#include <QWindow>

#ifdef SCRIVLY_HAVE_XCB
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace kit::detail {

#ifdef SCRIVLY_HAVE_XCB

namespace {

void useDefaultColormap(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_get_window_attributes_reply_t* attributes =
        xcb_get_window_attributes_reply(connection, xcb_get_window_attributes(connection, window), nullptr);
    if (!attributes)
        return;
    for (xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(connection)); it.rem;
         xcb_screen_next(&it)) {
        const xcb_screen_t* screen = it.data;
        // A window of another visual (one with alpha) needs its own colormap.
        if (attributes->visual != screen->root_visual || attributes->colormap == screen->default_colormap)
            continue;
        const std::uint32_t colormap = screen->default_colormap;
        xcb_change_window_attributes(connection, window, XCB_CW_COLORMAP, &colormap);
        xcb_flush(connection);
        break;
    }
    std::free(attributes);
}

class WindowSetup : public QObject {
public:
    bool eventFilter(QObject* object, QEvent* event) override
    {
        if (event->type() != QEvent::PlatformSurface ||
            static_cast<QPlatformSurfaceEvent*>(event)->surfaceEventType() !=
                QPlatformSurfaceEvent::SurfaceCreated)
            return false;
        auto* window = qobject_cast<QWindow*>(object);
        if (!window || window->parent())
            return false;
        auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
        if (!x11 || !x11->connection())
            return false;
        const auto id = static_cast<xcb_window_t>(window->winId());
        useDefaultColormap(x11->connection(), id);
        if (KeyRebindWatcher* watcher = KeyRebindWatcher::shared())
            watcher->watchWindow(id);
        return false;
    }
};

} // namespace

void installXWindowSetup()
{
    static WindowSetup* setup = nullptr;
    if (setup || !qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    setup = new WindowSetup; // lives as long as the program
    qGuiApp->installEventFilter(setup);
    // The watcher connects now, before the first key.
    (void)KeyRebindWatcher::shared();
}

#else

void installXWindowSetup() {}

#endif

} // namespace kit::detail
