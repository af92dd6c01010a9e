#include "appkit/WidgetHost.h"

#include "appkit/View.h"
#include "appkit/Window.h"
#include "appkit/WindowScreen.h"
#include "core/EventState.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>
#include <QMouseEvent>
#include <QRegion>
#include <QWidget>

#include <cmath>
#include <vector>

namespace kit::detail {

namespace {

// The view's rectangle in the window's widget (y down, whole pixels).
QRect screenRect(const View& view, float windowHeight)
{
    Rect base = view.convertRectToView(view.bounds(), nullptr);
    int x = static_cast<int>(std::lround(minX(base)));
    int y = static_cast<int>(std::lround(windowHeight - maxY(base)));
    int w = static_cast<int>(std::lround(width(base)));
    int h = static_cast<int>(std::lround(height(base)));
    return QRect(x, y, std::max(w, 0), std::max(h, 0));
}

Qt::KeyboardModifiers qtModifiers(unsigned flags)
{
    Qt::KeyboardModifiers m;
    if (flags & ShiftKeyMask)
        m |= Qt::ShiftModifier;
    if (flags & ControlKeyMask)
        m |= Qt::ControlModifier;
    if (flags & AlternateKeyMask)
        m |= Qt::AltModifier;
    if (flags & CommandKeyMask)
        m |= Qt::MetaModifier;
    return m;
}

int qtKey(char16_t c)
{
    switch (c) {
    case UpArrowFunctionKey: return Qt::Key_Up;
    case DownArrowFunctionKey: return Qt::Key_Down;
    case LeftArrowFunctionKey: return Qt::Key_Left;
    case RightArrowFunctionKey: return Qt::Key_Right;
    case InsertFunctionKey: return Qt::Key_Insert;
    case DeleteFunctionKey: return Qt::Key_Delete;
    case HomeFunctionKey: return Qt::Key_Home;
    case EndFunctionKey: return Qt::Key_End;
    case PageUpFunctionKey: return Qt::Key_PageUp;
    case PageDownFunctionKey: return Qt::Key_PageDown;
    case DeleteCharacter:
    case BackspaceCharacter: return Qt::Key_Backspace;
    case CarriageReturnCharacter: return Qt::Key_Return;
    case EnterCharacter: return Qt::Key_Enter;
    case TabCharacter: return Qt::Key_Tab;
    case BackTabCharacter: return Qt::Key_Backtab;
    case EscapeCharacter: return Qt::Key_Escape;
    default: break;
    }
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 'A';
    if (c >= 0x20 && c < 0x7F)
        return c;
    return Qt::Key_unknown;
}

class ReplayScope {
public:
    ReplayScope() : previous_(WindowScreen::isReplaying()) { WindowScreen::setReplaying(true); }
    ~ReplayScope() { WindowScreen::setReplaying(previous_); }

private:
    bool previous_;
};

// The text selected in the line editors of a widget, kept across the moves
// of the widget into and out of a window's screen: Qt drops a selection when
// its editor changes parent or is hidden, but text selected (selectText)
// before a window comes on screen is still selected when it does.
class KeptSelections {
public:
    explicit KeptSelections(QWidget* widget)
    {
        QList<QLineEdit*> edits = widget->findChildren<QLineEdit*>();
        if (auto* self = qobject_cast<QLineEdit*>(widget))
            edits.prepend(self);
        for (QLineEdit* e : edits)
            if (e->hasSelectedText())
                kept_.push_back({e, e->selectionStart(), static_cast<int>(e->selectedText().size())});
    }
    void restore() const
    {
        for (const Kept& k : kept_)
            if (k.edit && !k.edit->hasSelectedText())
                k.edit->setSelection(k.start, k.length);
    }

private:
    struct Kept {
        QPointer<QLineEdit> edit;
        int start;
        int length;
    };
    std::vector<Kept> kept_;
};


} // namespace

WidgetHost::WidgetHost(QWidget* widget) : widget_(widget)
{
    widget_->setProperty("kitHosted", true);
    widget_->hide();
    WindowScreen::redirectInput(widget_);
}

WidgetHost::~WidgetHost()
{
    delete widget_;
}

void WidgetHost::place(const View& view)
{
    Window* window = view.window();
    WindowScreen* screen = window ? window->screen() : nullptr;
    QWidget* parent = screen ? screen->widget() : nullptr;
    float windowHeight = window ? height(window->contentRect()) : height(view.frame());
    QRect r = screenRect(view, windowHeight);
    if (!parent) {
        detach();
        widget_->resize(r.size());
        return;
    }
    const KeptSelections selections(widget_);
    if (widget_->parentWidget() != parent) {
        widget_->setParent(parent);
    }
    if (widget_->geometry() != r)
        widget_->setGeometry(r);
    // Parts of the view that its clip views hide are hidden on the screen too.
    Rect visible = view.visibleRect();
    if (isEmptyRect(visible) || !window->isVisible()) {
        widget_->hide();
        return;
    }
    QRect shown = screenRect(view, windowHeight);
    Rect visibleBase = view.convertRectToView(visible, nullptr);
    QRect visibleRect(static_cast<int>(std::lround(minX(visibleBase))) - shown.x(),
                      static_cast<int>(std::lround(windowHeight - maxY(visibleBase))) - shown.y(),
                      static_cast<int>(std::lround(width(visibleBase))),
                      static_cast<int>(std::lround(height(visibleBase))));
    if (visibleRect.contains(QRect(QPoint(0, 0), shown.size())))
        widget_->clearMask();
    else
        widget_->setMask(QRegion(visibleRect));
    // Later views lie over earlier ones, as the window draws them.
    widget_->raise();
    widget_->show();
    selections.restore();
}

void WidgetHost::detach()
{
    if (widget_->parentWidget()) {
        widget_->hide();
        widget_->setParent(nullptr);
    }
    widget_->hide();
}

QPointF WidgetHost::localPoint(const View& view, QWidget* hostWidget, QWidget* target, Point base)
{
    Rect r = view.convertRectToView(view.bounds(), nullptr);
    QPointF inHost(base.x - minX(r), maxY(r) - base.y);
    if (!target || target == hostWidget)
        return inHost;
    return QPointF(target->mapFrom(hostWidget, inHost.toPoint()));
}

void WidgetHost::replayMouse(const View& view, QWidget* target, const Event& event)
{
    if (!target)
        target = widget_;
    QEvent::Type type;
    Qt::MouseButton button = Qt::LeftButton;
    Qt::MouseButtons buttons = Qt::LeftButton;
    switch (event.type()) {
    case EventType::LeftMouseDown:
        type = event.clickCount() == 2 ? QEvent::MouseButtonDblClick : QEvent::MouseButtonPress;
        break;
    case EventType::LeftMouseUp:
        type = QEvent::MouseButtonRelease;
        buttons = Qt::NoButton;
        break;
    case EventType::LeftMouseDragged:
        type = QEvent::MouseMove;
        button = Qt::NoButton;
        break;
    default: return;
    }
    QPointF local = localPoint(view, widget_, target, event.locationInWindow());
    QPointF global = target->mapToGlobal(local);
    QMouseEvent qe(type, local, global, button, buttons, qtModifiers(event.modifierFlags()));
    ReplayScope scope;
    QCoreApplication::sendEvent(target, &qe);
}

void WidgetHost::replayKey(QWidget* target, const Event& event)
{
    if (!target)
        return;
    const std::u16string& chars = event.characters();
    char16_t first = chars.empty() ? 0 : chars.front();
    int key = qtKey(event.charactersIgnoringModifiers().empty() ? first : event.charactersIgnoringModifiers().front());
    // Function keys type nothing.
    QString text;
    if (first < 0xF700 || first > 0xF8FF)
        text = QString::fromUtf16(chars.data(), static_cast<qsizetype>(chars.size()));
    if (first == DeleteCharacter || first == BackspaceCharacter)
        text = QString();
    QKeyEvent qe(event.type() == EventType::KeyUp ? QEvent::KeyRelease : QEvent::KeyPress, key,
                 qtModifiers(event.modifierFlags()), text, event.isARepeat());
    ReplayScope scope;
    QCoreApplication::sendEvent(target, &qe);
}

} // namespace kit::detail
