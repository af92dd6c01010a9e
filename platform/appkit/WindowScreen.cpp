#include "appkit/WindowScreen.h"

#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Cursor.h"
#include "appkit/DraggingDestination.h"
#include "appkit/SystemClipboard.h"
#include "appkit/Event.h"
#include "appkit/KeyRebindWatcher.h"
#include "appkit/Window.h"
#include "appkit/XWindowSetup.h"
#include "core/Alert.h"
#include "core/Locale.h"
#include "core/MainQueue.h"
#include "core/Pasteboard.h"
#include "core/StringTable.h"

#include <QApplication>
#include <QChildEvent>
#include <QCursor>
#include <QDragEnterEvent>
#include <QDragLeaveEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QPixmap>
#include <QPointer>
#include <QSocketNotifier>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QMetaObject>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QWheelEvent>
#include <QMoveEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QSessionManager>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <thread>
#include <vector>

namespace kit::detail {

namespace {

QEventLoop* g_waiting = nullptr;
bool g_cursorHidden = false;

unsigned modifierFlagsFrom(Qt::KeyboardModifiers m)
{
    unsigned flags = 0;
    if (m & Qt::ShiftModifier)
        flags |= ShiftKeyMask;
    if (m & Qt::ControlModifier)
        flags |= ControlKeyMask;
    if (m & Qt::AltModifier)
        flags |= AlternateKeyMask;
    if (m & Qt::MetaModifier)
        flags |= CommandKeyMask;
    if (m & Qt::KeypadModifier)
        flags |= NumericPadKeyMask;
    return flags;
}

// The character a key types in the platform's terms; 0 for none.
char16_t functionKeyCharacter(int key)
{
    switch (key) {
    case Qt::Key_Up: return UpArrowFunctionKey;
    case Qt::Key_Down: return DownArrowFunctionKey;
    case Qt::Key_Left: return LeftArrowFunctionKey;
    case Qt::Key_Right: return RightArrowFunctionKey;
    case Qt::Key_Insert: return InsertFunctionKey;
    case Qt::Key_Delete: return DeleteFunctionKey;
    case Qt::Key_Home: return HomeFunctionKey;
    case Qt::Key_End: return EndFunctionKey;
    case Qt::Key_PageUp: return PageUpFunctionKey;
    case Qt::Key_PageDown: return PageDownFunctionKey;
    case Qt::Key_Print: return PrintScreenFunctionKey;
    case Qt::Key_ScrollLock: return ScrollLockFunctionKey;
    case Qt::Key_Pause: return PauseFunctionKey;
    case Qt::Key_SysReq: return SysReqFunctionKey;
    case Qt::Key_Menu: return MenuFunctionKey;
    case Qt::Key_Clear: return ClearLineFunctionKey;
    case Qt::Key_Undo: return UndoFunctionKey;
    case Qt::Key_Redo: return RedoFunctionKey;
    case Qt::Key_Find: return FindFunctionKey;
    case Qt::Key_Help: return HelpFunctionKey;
    case Qt::Key_Backspace: return DeleteCharacter;
    case Qt::Key_Return: return CarriageReturnCharacter;
    case Qt::Key_Enter: return EnterCharacter;
    case Qt::Key_Tab: return TabCharacter;
    case Qt::Key_Backtab: return BackTabCharacter;
    case Qt::Key_Escape: return EscapeCharacter;
    default: break;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35)
        return static_cast<char16_t>(F1FunctionKey + (key - Qt::Key_F1));
    return 0;
}

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt || key == Qt::Key_Meta ||
           key == Qt::Key_AltGr || key == Qt::Key_CapsLock;
}

class PanelAlertHandler : public AlertHandler {
public:
    int runAlertPanel(const std::string& title, const std::string& message, const std::string& defaultButton,
                      const std::string& alternateButton, const std::string& otherButton) override
    {
        QMessageBox box;
        box.setWindowTitle(QString::fromStdString(title));
        box.setText(QString::fromStdString(message));
        // No button takes a role Qt would make Escape's: the alternate is
        // "Don't Save" as often as "Cancel", and Escape must never throw
        // the user's changes away.
        QPushButton* def = box.addButton(QString::fromStdString(defaultButton.empty() ? "OK" : defaultButton),
                                         QMessageBox::AcceptRole);
        QPushButton* alt = alternateButton.empty()
                               ? nullptr
                               : box.addButton(QString::fromStdString(alternateButton), QMessageBox::ActionRole);
        QPushButton* other = otherButton.empty()
                                 ? nullptr
                                 : box.addButton(QString::fromStdString(otherButton), QMessageBox::ActionRole);
        box.setDefaultButton(def);
        // Escape and the close box answer the button that cancels, where
        // the program's words name one; an alert of one button, that one;
        // otherwise neither does anything.
        const std::string& cancel = StringTable::applicationTable().valueForStringKey("Cancel");
        const std::string cancelTitle = cancel == StringTable::MissingStringKey ? "Cancel" : cancel;
        QPushButton* escape = !alt && !other ? def : nullptr;
        for (auto [button, text] : {std::pair{def, &defaultButton}, std::pair{alt, &alternateButton},
                                    std::pair{other, &otherButton}})
            if (button && *text == cancelTitle)
                escape = button;
        if (escape)
            box.setEscapeButton(escape);
        // The program's own loop waits for the answer in the modal mode, as
        // its modal panels do, rather than a loop of Qt's own: what is
        // served in that mode (another launch of the program handing over
        // its files) goes on being served. The application's events wait in
        // its queue.
        box.setWindowModality(Qt::ApplicationModal);
        bool answered = false;
        QObject::connect(&box, &QDialog::finished, [&answered] {
            answered = true;
            WindowScreen::wakeUp();
        });
        box.show();
        Application& application = Application::sharedApplication();
        while (!answered)
            application.nextEventMatchingMask(0, Date::dateWithTimeIntervalSinceNow(0.5), ModalPanelRunLoopMode, false);
        if (alt && box.clickedButton() == alt)
            return AlertAlternateReturn;
        if (other && box.clickedButton() == other)
            return AlertOtherReturn;
        return AlertDefaultReturn;
    }
    void beep() override { QApplication::beep(); }
};

class WindowWidget;

std::vector<WindowWidget*>& liveWidgets()
{
    static auto* widgets = new std::vector<WindowWidget*>;
    return *widgets;
}

bool g_replaying = false;

QCursor qtCursor(const Cursor* cursor)
{
    if (!cursor)
        return QCursor(Qt::ArrowCursor);
    switch (cursor->shape()) {
    case CursorShape::Arrow: return QCursor(Qt::ArrowCursor);
    case CursorShape::IBeam: return QCursor(Qt::IBeamCursor);
    case CursorShape::Crosshair: return QCursor(Qt::CrossCursor);
    case CursorShape::PointingHand: return QCursor(Qt::PointingHandCursor);
    case CursorShape::OpenHand: return QCursor(Qt::OpenHandCursor);
    case CursorShape::ClosedHand: return QCursor(Qt::ClosedHandCursor);
    case CursorShape::ResizeLeftRight: return QCursor(Qt::SizeHorCursor);
    case CursorShape::ResizeUpDown: return QCursor(Qt::SizeVerCursor);
    case CursorShape::Wait: return QCursor(Qt::WaitCursor);
    case CursorShape::Forbidden: return QCursor(Qt::ForbiddenCursor);
    case CursorShape::Custom: break;
    }
    const std::vector<std::uint32_t>& pixels = cursor->pixels();
    int w = cursor->imageWidth(), h = cursor->imageHeight();
    if (w <= 0 || h <= 0 || pixels.size() != static_cast<size_t>(w) * static_cast<size_t>(h))
        return QCursor(Qt::ArrowCursor);
    QImage image(w, h, QImage::Format_ARGB32);
    for (int y = 0; y < h; ++y)
        std::memcpy(image.scanLine(y), pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(w),
                    static_cast<size_t>(w) * sizeof(std::uint32_t));
    Point hot = cursor->hotSpot();
    return QCursor(QPixmap::fromImage(image), static_cast<int>(hot.x), static_cast<int>(hot.y));
}

// What every window shows; a copy, so that the kit cursor it came from may go.
QCursor& currentCursor()
{
    static auto* cursor = new QCursor(Qt::ArrowCursor);
    return *cursor;
}

// What the desktop drags, on the drag pasteboard: local files as file
// names, the rest by MIME type.
bool loadDragPasteboard(const QMimeData& md)
{
    Pasteboard& pboard = Pasteboard::pasteboardWithName(DragPboard);
    std::vector<std::pair<std::string, std::string>> contents;
    if (md.hasUrls()) {
        std::vector<std::string> paths;
        for (const QUrl& url : md.urls())
            if (url.isLocalFile())
                paths.push_back(url.toLocalFile().toStdString());
        if (!paths.empty())
            contents.emplace_back(FilenamesPboardType, filenamesPropertyList(paths));
    }
    for (const QString& format : md.formats()) {
        // Files travel as file names only: the text beside them is their
        // names again, and would be taken first.
        if (format == QLatin1String("text/uri-list") || (!contents.empty() && format.startsWith("text/plain")))
            continue;
        const std::string type = SystemClipboard::pasteboardTypeForMimeType(format.toStdString());
        if (type.empty() || std::any_of(contents.begin(), contents.end(), [&](const auto& c) { return c.first == type; }))
            continue;
        const QByteArray bytes = md.data(format);
        contents.emplace_back(type, std::string(bytes.constData(), std::size_t(bytes.size())));
    }
    std::vector<std::string> types;
    for (const auto& c : contents)
        types.push_back(c.first);
    pboard.declareTypes(types, nullptr);
    for (const auto& c : contents)
        pboard.setData(c.second, c.first);
    return !types.empty();
}

int operationMaskFrom(Qt::DropActions actions)
{
    int mask = 0;
    if (actions & Qt::CopyAction)
        mask |= DragOperationCopy;
    if (actions & Qt::LinkAction)
        mask |= DragOperationLink;
    if (actions & Qt::MoveAction)
        mask |= DragOperationGeneric;
    return mask;
}

Qt::DropAction actionFor(int operation)
{
    if (operation & DragOperationLink)
        return Qt::LinkAction;
    if (operation & DragOperationCopy)
        return Qt::CopyAction;
    if (operation & DragOperationGeneric)
        return Qt::MoveAction;
    return Qt::IgnoreAction;
}

class WindowWidget : public QWidget {
public:
    WindowWidget(Window& window, QWidget* container) : QWidget(container), window_(window)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
        setCursor(currentCursor());
        setAcceptDrops(true);
        liveWidgets().push_back(this);
    }

    ~WindowWidget() override
    {
        auto& live = liveWidgets();
        live.erase(std::remove(live.begin(), live.end(), this), live.end());
        // The widgets of controls belong to their controls, not to this
        // widget: hand them back before Qt deletes the children.
        for (QWidget* child : findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            if (child->property("kitHosted").toBool()) {
                child->hide();
                child->setParent(nullptr);
            }
        }
        // A button held down in a window that goes away is let go.
        Application::sharedApplication().endMouseTracking(window_.windowNumber());
    }

    void setImage(QImage image)
    {
        image_ = std::move(image);
        update();
    }

    int windowNumber() const { return window_.windowNumber(); }

    bool floating_ = false;

    // Mouse and keys, from this widget or from a control's widget inside it
    // (the point already in this widget's coordinates).
    void mouseFrom(QMouseEvent* e, QPointF p)
    {
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: press(e, p); break;
        case QEvent::MouseButtonRelease: release(e, p); break;
        case QEvent::MouseMove: move(e, p); break;
        default: break;
        }
    }

    void key(QKeyEvent* e, EventType type)
    {
        unsigned flags = modifierFlagsFrom(e->modifiers());
        Point where = window_.mouseLocationOutsideOfEventStream();
        std::u16string chars;
        std::u16string plain;
        // A key code another program rebound for one press: what it meant
        // then, which Qt may have read too late.
        std::optional<std::u32string> rebound;
        if (KeyRebindWatcher* watcher = KeyRebindWatcher::shared())
            rebound = watcher->textForKeyEvent(static_cast<std::uint32_t>(window()->winId()), e->nativeScanCode(),
                                               static_cast<std::uint32_t>(e->timestamp()), type == EventType::KeyDown,
                                               !e->text().isEmpty());
        if (rebound && !rebound->empty()) {
            const QString text = QString::fromUcs4(rebound->data(), static_cast<qsizetype>(rebound->size()));
            chars.assign(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
            plain = chars;
        } else if (isModifierKey(e->key())) {
            queue(Event::otherEventWithType(EventType::FlagsChanged, where, flags, Clock::now(), window_.windowNumber()));
            return;
        } else if (char16_t c = functionKeyCharacter(e->key())) {
            chars = plain = std::u16string(1, c);
        } else {
            QString text = e->text();
            chars.assign(reinterpret_cast<const char16_t*>(text.utf16()), static_cast<size_t>(text.size()));
            plain = chars;
            // With Control or Command the text is a control code or nothing;
            // the key itself still says which letter was pressed.
            int k = e->key();
            if ((e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) && k >= 0x20 && k < 0x7F)
                plain = std::u16string(1, static_cast<char16_t>(k >= 'A' && k <= 'Z' ? k - 'A' + 'a' : k));
        }
        queue(Event::keyEventWithType(type, where, flags, Clock::now(), window_.windowNumber(), chars, plain,
                                      e->isAutoRepeat(), static_cast<unsigned short>(e->nativeScanCode())));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::white);
        p.drawImage(0, 0, image_);
    }

    // Moved by the desktop (the user, a window manager placing the window):
    // the window's frame follows, so that nothing later puts it back.
    void moveEvent(QMoveEvent* e) override
    {
        QWidget::moveEvent(e);
        if (!isWindow() || !isVisible())
            return;
        QScreen* screen = QGuiApplication::primaryScreen();
        if (!screen)
            return;
        const QRect area = screen->geometry();
        const QPoint at = pos(); // the frame's top left, as move() takes it
        const float frameHeight = kit::height(window_.frame());
        window_.screenDidMoveWindow(
            {static_cast<float>(at.x() - area.left()),
             static_cast<float>(area.top() + area.height() - at.y()) - frameHeight});
    }

    void resizeEvent(QResizeEvent*) override
    {
        Size s{static_cast<float>(width()), static_cast<float>(height())};
        if (s == window_.contentRect().size)
            return;
        if (isWindow()) {
            const Rect frame = Window::frameRectForContentRect(makeRect(0, 0, s.width, s.height), window_.styleMask());
            window_.resizeByUser(frame.size);
        } else {
            window_.setContentSize(s);
        }
        window_.display();
    }

    bool event(QEvent* e) override
    {
        switch (e->type()) {
        case QEvent::WindowStateChange:
            // Turned into an icon by the window manager.
            if (isMinimized() && !minimized_) {
                minimized_ = true;
                if (Receiver* d = window_.delegate(); d && d->respondsToSelector("windowWillMiniaturize:"))
                    d->performSelector("windowWillMiniaturize:", &window_);
            } else if (!isMinimized()) {
                minimized_ = false;
            }
            break;
        case QEvent::WindowActivate:
            // The desktop made this window the active one (its title bar
            // clicked, a key of the window manager): it becomes key in turn,
            // after what was queued before.
            if (isWindow())
                queue(Event::otherEventWithType(EventType::AppKitDefined, {}, currentEventModifierFlags(), Clock::now(),
                                                0, WindowActivatedSubtype, window_.windowNumber()));
            break;
        case QEvent::WindowDeactivate:
        case QEvent::Hide:
            // The window server will not tell this window about a button
            // let go elsewhere: a loop waiting for it must not wait for ever.
            Application::sharedApplication().endMouseTracking(window_.windowNumber());
            break;
        default: break;
        }
        return QWidget::event(e);
    }

    void mousePressEvent(QMouseEvent* e) override { press(e, e->position()); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { press(e, e->position()); }
    void mouseReleaseEvent(QMouseEvent* e) override { release(e, e->position()); }
    void mouseMoveEvent(QMouseEvent* e) override { move(e, e->position()); }

    void leaveEvent(QEvent*) override
    {
        queue(Event::enterExitEventWithType(EventType::MouseExited, window_.mouseLocationOutsideOfEventStream(),
                                            currentEventModifierFlags(), Clock::now(), window_.windowNumber(), 0,
                                            nullptr));
    }

    // The desktop's drag and drop, handed to the registered view under the
    // pointer.
    void dragEnterEvent(QDragEnterEvent* e) override
    {
        dragLoaded_ = e->mimeData() && loadDragPasteboard(*e->mimeData());
        dragTo(e, true);
    }
    void dragMoveEvent(QDragMoveEvent* e) override { dragTo(e, false); }
    void dragLeaveEvent(QDragLeaveEvent*) override { leaveDrag(); }
    void dropEvent(QDropEvent* e) override
    {
        DraggingDestination* destination = dragTo(e, false);
        if (!destination || !e->isAccepted()) {
            leaveDrag();
            return;
        }
        PlainDraggingInfo info(Pasteboard::pasteboardWithName(DragPboard), base(e->position()),
                               operationMaskFrom(e->possibleActions()));
        dragDestination_ = nullptr;
        if (destination->prepareForDragOperation(info)) {
            (void)destination->performDragOperation(info);
            destination->concludeDragOperation(info);
        }
        window_.displayIfNeeded();
    }

    void keyPressEvent(QKeyEvent* e) override { key(e, EventType::KeyDown); }
    void keyReleaseEvent(QKeyEvent* e) override { key(e, EventType::KeyUp); }

    // A notch of a common wheel is 120 eighths of a degree.
    void wheelEvent(QWheelEvent* e) override
    {
        const QPoint angle = e->angleDelta();
        if (angle.isNull()) {
            e->ignore();
            return;
        }
        queue(Event::scrollWheelEvent(base(e->position()), modifierFlagsFrom(e->modifiers()), Clock::now(),
                                      window_.windowNumber(), float(angle.x()) / 120.0f, float(angle.y()) / 120.0f));
        e->accept();
    }

    void closeEvent(QCloseEvent* e) override
    {
        // The window decides; Qt must not destroy anything itself.
        e->ignore();
        window_.performClose(nullptr);
    }

private:
    DraggingDestination* dragTo(QDropEvent* e, bool entered)
    {
        Pasteboard& pboard = Pasteboard::pasteboardWithName(DragPboard);
        PlainDraggingInfo info(pboard, base(e->position()), operationMaskFrom(e->possibleActions()));
        DraggingDestination* destination =
            dragLoaded_ ? DraggingDestination::destinationAt(window_, info.draggingLocation(), pboard) : nullptr;
        if (destination != dragDestination_) {
            if (dragDestination_)
                dragDestination_->draggingExited(info);
            dragDestination_ = destination;
            entered = true;
        }
        int operation = DragOperationNone;
        if (destination)
            operation = entered ? destination->draggingEntered(info) : destination->draggingUpdated(info);
        window_.displayIfNeeded();
        if (operation == DragOperationNone) {
            e->ignore();
        } else {
            e->setDropAction(actionFor(operation & operationMaskFrom(e->possibleActions())
                                           ? operation & operationMaskFrom(e->possibleActions())
                                           : operation));
            e->accept();
        }
        return destination;
    }

    void leaveDrag()
    {
        if (dragDestination_) {
            PlainDraggingInfo info(Pasteboard::pasteboardWithName(DragPboard), Point{}, 0);
            dragDestination_->draggingExited(info);
            window_.displayIfNeeded();
        }
        dragDestination_ = nullptr;
    }

    DraggingDestination* dragDestination_ = nullptr;
    bool dragLoaded_ = false;

    Point base(QPointF p) const { return {static_cast<float>(p.x()), static_cast<float>(height() - p.y())}; }

    void queue(const Event& e) { Application::sharedApplication().queueEventFromSource(e); }

    void release(QMouseEvent* e, QPointF pos)
    {
        EventType type = e->button() == Qt::RightButton ? EventType::RightMouseUp : EventType::LeftMouseUp;
        queue(Event::mouseEventWithType(type, base(pos), modifierFlagsFrom(e->modifiers()), Clock::now(),
                                        window_.windowNumber(), clickCount_, 0.0f));
    }

    void move(QMouseEvent* e, QPointF pos)
    {
        EventType type = EventType::MouseMoved;
        if (e->buttons() & Qt::LeftButton)
            type = EventType::LeftMouseDragged;
        else if (e->buttons() & Qt::RightButton)
            type = EventType::RightMouseDragged;
        queue(Event::mouseEventWithType(type, base(pos), modifierFlagsFrom(e->modifiers()), Clock::now(),
                                        window_.windowNumber(), type == EventType::MouseMoved ? 0 : clickCount_));
    }

    void press(QMouseEvent* e, QPointF pos)
    {
        Point p = base(pos);
        double now = Clock::now();
        // Presses are timed by the display, when it says: a program busy
        // between two presses must not split a double click.
        const double pressed = e->timestamp() > 0 ? double(e->timestamp()) / 1000.0 : now;
        int button = e->button() == Qt::RightButton ? 2 : 1;
        double interval = QApplication::doubleClickInterval() / 1000.0;
        if (button == lastButton_ && pressed - lastPress_ <= interval && pressed >= lastPress_ &&
            std::fabs(p.x - lastPoint_.x) <= 4 && std::fabs(p.y - lastPoint_.y) <= 4)
            ++clickCount_;
        else
            clickCount_ = 1;
        lastButton_ = button;
        lastPress_ = pressed;
        lastPoint_ = p;
        EventType type = button == 2 ? EventType::RightMouseDown : EventType::LeftMouseDown;
        queue(Event::mouseEventWithType(type, p, modifierFlagsFrom(e->modifiers()), now, window_.windowNumber(),
                                        clickCount_));
    }

    Window& window_;
    QImage image_;
    bool minimized_ = false;
    int clickCount_ = 0;
    int lastButton_ = 0;
    double lastPress_ = -1e9;
    Point lastPoint_;
};

// Sends what a control's widget receives to the window's widget, which
// queues it as the application's events.
class InputRedirect : public QObject {
public:
    bool eventFilter(QObject* object, QEvent* e) override
    {
        if (e->type() == QEvent::ChildAdded) {
            if (auto* child = qobject_cast<QWidget*>(static_cast<QChildEvent*>(e)->child()))
                WindowScreen::redirectInput(child);
            return false;
        }
        if (g_replaying)
            return false;
        auto* w = qobject_cast<QWidget*>(object);
        if (!w)
            return false;
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::DragEnter:
        case QEvent::DragMove:
        case QEvent::Drop: break;
        default: return false;
        }
        // A pop-up of its own (a combo box's list) is Qt's to handle.
        WindowWidget* host = nullptr;
        for (QWidget* p = w; p; p = p->parentWidget()) {
            if (auto* ww = dynamic_cast<WindowWidget*>(p)) {
                host = ww;
                break;
            }
            if (p->isWindow())
                return false;
        }
        if (!host)
            return false;
        switch (e->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseMove: {
            auto* me = static_cast<QMouseEvent*>(e);
            host->mouseFrom(me, QPointF(w->mapTo(host, me->position().toPoint())));
            return true;
        }
        case QEvent::KeyPress: host->key(static_cast<QKeyEvent*>(e), EventType::KeyDown); return true;
        case QEvent::KeyRelease: host->key(static_cast<QKeyEvent*>(e), EventType::KeyUp); return true;
        default: return true; // wheel, context menus and drops would change a value behind the control's back
        }
    }
};

InputRedirect& inputRedirect()
{
    static auto* redirect = new InputRedirect;
    return *redirect;
}

class QtWindowScreen : public WindowScreen {
public:
    QtWindowScreen(Window& window, QWidget* container) : window_(window), widget_(new WindowWidget(window, container))
    {
        if (!window.canBecomeKeyWindow() && widget_->isWindow()) {
            // The desktop must not give it the focus either, on a click or
            // when it comes on screen.
            widget_->setWindowFlag(Qt::WindowDoesNotAcceptFocus, true);
            widget_->setAttribute(Qt::WA_ShowWithoutActivating);
            widget_->setFocusPolicy(Qt::NoFocus);
        }
        showTitle();
        placeWindow();
    }
    // A widget inside another may have gone with its container already.
    ~QtWindowScreen() override { delete widget_.data(); }

    void show(bool visible) override
    {
        if (!visible) {
            widget_->hide();
            return;
        }
        if (widget_->isVisible()) {
            if (widget_->isMinimized())
                widget_->showNormal();
            widget_->raise();
        }
        widget_->show();
        // Without a window manager nothing keeps the floating panels above
        // a window ordered in after them: raise them again.
        if (widget_->isWindow() && !widget_->floating_) {
            for (WindowWidget* w : liveWidgets())
                if (w != widget_ && w->floating_ && w->isWindow() && w->isVisible())
                    w->raise();
            // So are the floating windows the kit shows through Qt's own
            // dialogs (the colour panel).
            for (QWidget* w : QApplication::topLevelWidgets())
                if (!dynamic_cast<WindowWidget*>(w) && w->isVisible() && w->windowType() == Qt::Tool &&
                    (w->windowFlags() & Qt::WindowStaysOnTopHint))
                    w->raise();
        }
    }

    void miniaturize() override
    {
        if (widget_->isWindow())
            widget_->showMinimized();
    }

    void setIcon(const std::uint32_t* pixels, int width, int height) override
    {
        if (!pixels || width <= 0 || height <= 0) {
            widget_->setWindowIcon(QIcon());
            return;
        }
        QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < height; ++y)
            std::memcpy(image.scanLine(y), pixels + static_cast<size_t>(y) * static_cast<size_t>(width),
                        static_cast<size_t>(width) * sizeof(std::uint32_t));
        widget_->setWindowIcon(QIcon(QPixmap::fromImage(image)));
    }

    void showTitle() override
    {
        if (widget_->isWindow())
            widget_->setWindowTitle(QString::fromStdString(window_.screenTitle()));
    }

    void activate() override
    {
        if (window_.canBecomeKeyWindow() && widget_->isWindow() && widget_->isVisible() && !widget_->isActiveWindow())
            widget_->activateWindow();
    }

    void placeWindow() override
    {
        Rect r = window_.contentRect();
        if (widget_->isWindow()) {
            // Screen coordinates run up from the bottom of the main screen;
            // Qt's down from its top, to the frame's top left.
            if (QScreen* screen = QGuiApplication::primaryScreen()) {
                Rect frame = window_.frame();
                QRect area = screen->geometry();
                int x = area.left() + static_cast<int>(std::lround(minX(frame)));
                int y = area.top() + area.height() - static_cast<int>(std::lround(maxY(frame)));
                if (widget_->pos() != QPoint(x, y))
                    widget_->QWidget::move(x, y);
            }
        }
        QSize size(static_cast<int>(width(r)), static_cast<int>(height(r)));
        if (widget_->size() != size) {
            if (widget_->isWindow())
                widget_->resize(size);
            else
                widget_->setFixedSize(size);
        }
    }

    void showImage(const std::uint32_t* pixels, int width, int height) override
    {
        if (width <= 0 || height <= 0) {
            widget_->setImage(QImage());
            return;
        }
        QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
        for (int y = 0; y < height; ++y)
            std::memcpy(image.scanLine(y), pixels + static_cast<size_t>(y) * static_cast<size_t>(width),
                        static_cast<size_t>(width) * sizeof(std::uint32_t));
        widget_->setImage(std::move(image));
    }

    QWidget* widget() const override { return widget_; }

    void setFloating(bool flag) override
    {
        if (!widget_->isWindow())
            return;
        bool shown = widget_->isVisible();
        widget_->floating_ = flag;
        widget_->setWindowFlag(Qt::Tool, flag);
        widget_->setWindowFlag(Qt::WindowStaysOnTopHint, flag);
        // Changing the flags hides a window.
        if (shown)
            widget_->show();
    }

private:
    Window& window_;
    QPointer<WindowWidget> widget_;
};

} // namespace

void WindowScreen::startScreen()
{
    if (!QCoreApplication::instance()) {
        // Without any display a Qt application cannot start: use the
        // offscreen platform rather than abort.
        if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        static int argc = 1;
        static char name[] = "Scrivly";
        static char* argv[] = {name, nullptr};
        new QApplication(argc, argv); // lives as long as the program
        QApplication::setQuitOnLastWindowClosed(false);
        Locale::useCLocaleForNumbers();
    }
    // Background work posts from other threads: a queued call wakes the
    // wait below on the main thread, where g_waiting may be read.
    MainQueue::setWakeUpHandler([] {
        if (QCoreApplication* app = QCoreApplication::instance())
            QMetaObject::invokeMethod(app, [] { WindowScreen::wakeUp(); }, Qt::QueuedConnection);
    });
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) && std::strcmp(platformName(), "offscreen") != 0 &&
        std::strcmp(platformName(), "minimal") != 0)
        setAlertHandler(makeAlertHandler());
    installXWindowSetup();
}

std::shared_ptr<AlertHandler> WindowScreen::makeAlertHandler() { return std::make_shared<PanelAlertHandler>(); }

void WindowScreen::setActivationHandler(std::function<void()> handler)
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || !handler)
        return;
    QObject::connect(app, &QGuiApplication::applicationStateChanged, app, [handler](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive)
            handler();
    });
}

bool WindowScreen::isApplicationActive()
{
    return qobject_cast<QGuiApplication*>(QCoreApplication::instance()) &&
           QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void WindowScreen::setSessionEndHandler(std::function<bool()> handler)
{
    auto* app = qobject_cast<QGuiApplication*>(QCoreApplication::instance());
    if (!app || !handler)
        return;
    QObject::connect(app, &QGuiApplication::commitDataRequest, app, [handler](QSessionManager& manager) {
        if (!handler())
            manager.cancel();
    });
}

const char* WindowScreen::platformName()
{
    static std::string name;
    name = QGuiApplication::platformName().toStdString();
    return name.c_str();
}

void WindowScreen::processScreenEvents()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

bool WindowScreen::waitForScreenEvents(double seconds)
{
    if (!QCoreApplication::instance() || g_waiting) {
        if (!std::isfinite(seconds))
            return false;
        std::this_thread::sleep_for(std::chrono::duration<double>(std::max(0.0, std::min(seconds, 0.05))));
        return true;
    }
    QEventLoop loop;
    QTimer timer;
    if (std::isfinite(seconds)) {
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(static_cast<int>(std::ceil(std::max(0.0, std::min(seconds, 86400.0)) * 1000.0)));
    }
    g_waiting = &loop;
    loop.exec(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    g_waiting = nullptr;
    return true;
}

void WindowScreen::wakeUp()
{
    if (g_waiting)
        g_waiting->quit();
}

void WindowScreen::showCursor(bool visible)
{
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return;
    if (!visible && !g_cursorHidden) {
        QGuiApplication::setOverrideCursor(Qt::BlankCursor);
        g_cursorHidden = true;
    } else if (visible && g_cursorHidden) {
        QGuiApplication::restoreOverrideCursor();
        g_cursorHidden = false;
    }
}

std::unique_ptr<WindowScreen> WindowScreen::create(Window& window, QWidget* container)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return nullptr;
    return std::make_unique<QtWindowScreen>(window, container);
}

void* WindowScreen::watchDescriptor(int fd)
{
    if (!QCoreApplication::instance())
        return nullptr;
    auto* notifier = new QSocketNotifier(static_cast<qintptr>(fd), QSocketNotifier::Read);
    QObject::connect(notifier, &QSocketNotifier::activated, [notifier] {
        // Quiet until the run loop has read: a source the current mode does
        // not serve must not keep waking the wait.
        notifier->setEnabled(false);
        WindowScreen::wakeUp();
    });
    return notifier;
}

void WindowScreen::rearmDescriptor(void* watch)
{
    if (auto* notifier = static_cast<QSocketNotifier*>(watch))
        notifier->setEnabled(true);
}

void WindowScreen::unwatchDescriptor(void* watch)
{
    delete static_cast<QSocketNotifier*>(watch);
}

bool WindowScreen::isRealDisplay()
{
    const char* name = platformName();
    return std::strcmp(name, "offscreen") != 0 && std::strcmp(name, "minimal") != 0;
}

void WindowScreen::redirectInput(QWidget* widget)
{
    if (!widget || widget->property("kitRedirected").toBool())
        return;
    widget->setProperty("kitRedirected", true);
    // The control gives the keyboard focus; Qt must not take it on a click.
    widget->setFocusPolicy(Qt::NoFocus);
    widget->setAcceptDrops(false);
    widget->installEventFilter(&inputRedirect());
    for (QWidget* child : widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        redirectInput(child);
}

void WindowScreen::setReplaying(bool flag)
{
    g_replaying = flag;
}

bool WindowScreen::isReplaying()
{
    return g_replaying;
}

void WindowScreen::applyCursor(const Cursor* cursor)
{
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    currentCursor() = qtCursor(cursor);
    for (WindowWidget* w : liveWidgets())
        w->setCursor(currentCursor());
}

} // namespace kit::detail

namespace kit {

Rect Window::mainScreenFrame()
{
    Application::sharedApplication(); // the connection to the screens
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->geometry();
        return makeRect(0, 0, float(area.width()), float(area.height()));
    }
    return makeRect(0, 0, 1024, 768);
}

std::vector<Rect> Window::screenFrames()
{
    Application::sharedApplication();
    QScreen* primary = QGuiApplication::primaryScreen();
    if (!primary)
        return {mainScreenFrame()};
    // Qt's virtual desktop runs down from the primary screen's top left;
    // ours runs up from its bottom left.
    const QRect main = primary->geometry();
    std::vector<Rect> frames{mainScreenFrame()};
    for (QScreen* screen : QGuiApplication::screens()) {
        if (screen == primary)
            continue;
        const QRect area = screen->geometry();
        frames.push_back(makeRect(float(area.left() - main.left()),
                                  float(main.top() + main.height() - (area.top() + area.height())),
                                  float(area.width()), float(area.height())));
    }
    return frames;
}

} // namespace kit
