#include "appkit/MenuItem.h"

#include "appkit/Application.h"
#include "appkit/Clock.h"
#include "appkit/Menu.h"
#include "core/EventState.h"

#include <QAction>
#include <QMenu>
#include <QKeySequence>
#include <QString>

#include <unordered_map>

namespace kit {

namespace {

std::unordered_map<std::uint64_t, MenuItem*>& itemsBySerial()
{
    static auto* items = new std::unordered_map<std::uint64_t, MenuItem*>;
    return *items;
}

std::uint64_t nextSerial()
{
    static std::uint64_t serial = 0;
    return ++serial;
}

char32_t firstCharacter(const std::string& utf8)
{
    if (utf8.empty())
        return 0;
    auto b = static_cast<unsigned char>(utf8[0]);
    if (b < 0x80)
        return b;
    QString s = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    return s.isEmpty() ? 0 : s.toUcs4().value(0);
}

char32_t lower(char32_t c)
{
    return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

bool isUpperLetter(char32_t c)
{
    return c >= 'A' && c <= 'Z';
}

} // namespace

MenuItem::MenuItem(const std::string& title, const std::string& action, const std::string& keyEquivalent)
    : title_(title), action_(action), keyEquivalent_(keyEquivalent), keyEquivalentModifierMask_(CommandKeyMask),
      serial_(nextSerial())
{
    itemsBySerial()[serial_] = this;
}

MenuItem::~MenuItem()
{
    itemsBySerial().erase(serial_);
    submenu_.reset();
    delete qtAction_;
}

std::unique_ptr<MenuItem> MenuItem::separatorItem()
{
    auto item = std::make_unique<MenuItem>();
    item->separator_ = true;
    item->enabled_ = false;
    return item;
}

MenuItem* MenuItem::itemWithSerial(std::uint64_t serial)
{
    auto it = itemsBySerial().find(serial);
    return it == itemsBySerial().end() ? nullptr : it->second;
}

void MenuItem::setTitle(const std::string& title)
{
    if (title_ == title)
        return;
    title_ = title;
    updateQtAction();
}

void MenuItem::setKeyEquivalent(const std::string& key)
{
    keyEquivalent_ = key;
    updateQtAction();
}

void MenuItem::setKeyEquivalentModifierMask(unsigned mask)
{
    keyEquivalentModifierMask_ = mask;
    updateQtAction();
}

bool MenuItem::matchesKeyEquivalent(const Event& event) const
{
    if (separator_ || keyEquivalent_.empty() || event.type() != EventType::KeyDown)
        return false;
    const std::u16string& chars =
        event.charactersIgnoringModifiers().empty() ? event.characters() : event.charactersIgnoringModifiers();
    if (chars.empty())
        return false;
    char32_t key = firstCharacter(keyEquivalent_);
    char32_t typed = chars.front();
    if (lower(key) != lower(typed))
        return false;
    const unsigned relevant = CommandKeyMask | AlternateKeyMask | ControlKeyMask | ShiftKeyMask;
    unsigned flags = event.modifierFlags() & relevant;
    unsigned needed = keyEquivalentModifierMask_ & relevant;
    if (isUpperLetter(key) || (key >= 'a' && key <= 'z')) {
        if (isUpperLetter(key))
            needed |= ShiftKeyMask;
        return flags == needed;
    }
    // Other characters carry Shift in themselves ("?", "+").
    return (flags & ~ShiftKeyMask) == (needed & ~ShiftKeyMask);
}

void MenuItem::setEnabled(bool flag)
{
    if (separator_)
        flag = false;
    if (enabled_ == flag)
        return;
    enabled_ = flag;
    updateQtAction();
}

void MenuItem::setState(int state)
{
    state_ = state > 0 ? 1 : state < 0 ? -1 : 0;
    updateQtAction();
}

void MenuItem::setSubmenu(std::unique_ptr<Menu> submenu)
{
    if (submenu_)
        submenu_->supermenu_ = nullptr;
    submenu_ = std::move(submenu);
    if (submenu_)
        submenu_->supermenu_ = menu_;
    if (menu_)
        menu_->rebuildQt();
}

std::unique_ptr<Menu> MenuItem::takeSubmenu()
{
    std::unique_ptr<Menu> m = std::move(submenu_);
    if (m)
        m->supermenu_ = nullptr;
    if (menu_)
        menu_->rebuildQt();
    return m;
}

QAction* MenuItem::qtAction()
{
    if (!qtAction_) {
        qtAction_ = new QAction();
        if (separator_)
            qtAction_->setSeparator(true);
        std::uint64_t serial = serial_;
        QObject::connect(qtAction_, &QAction::triggered, [serial] {
            // The choice is handled from the queue, after the menu has closed,
            // as every other event is.
            Application::sharedApplication().postEvent(Event::otherEventWithType(EventType::AppKitDefined, {}, 0,
                                                                                 Clock::now(), 0,
                                                                                 MenuItemChosenSubtype,
                                                                                 static_cast<long>(serial)),
                                                       false);
        });
        updateQtAction();
    }
    return qtAction_;
}

void MenuItem::updateQtAction()
{
    QString text = QString::fromStdString(title_);
    text.replace("&", "&&");
    if (submenu_) {
        // The submenu's own entry stands for the item in Qt's menus.
        QMenu* m = submenu_->qtMenu();
        m->setTitle(text);
        m->menuAction()->setEnabled(!separator_);
        return;
    }
    if (!qtAction_)
        return;
    qtAction_->setText(text);
    qtAction_->setEnabled(enabled_ && !separator_);
    qtAction_->setCheckable(state_ != 0);
    qtAction_->setChecked(state_ != 0);
    if (!keyEquivalent_.empty()) {
        char32_t key = firstCharacter(keyEquivalent_);
        int modifiers = 0;
        unsigned mask = keyEquivalentModifierMask_ | (isUpperLetter(key) ? ShiftKeyMask : 0);
        if (mask & CommandKeyMask)
            modifiers |= Qt::META;
        if (mask & AlternateKeyMask)
            modifiers |= Qt::ALT;
        if (mask & ControlKeyMask)
            modifiers |= Qt::CTRL;
        if (mask & ShiftKeyMask)
            modifiers |= Qt::SHIFT;
        int qtKey = static_cast<int>(key >= 'a' && key <= 'z' ? key - 'a' + 'A' : key);
        // Shown in the menu and active only while the menu itself has the
        // keyboard; elsewhere the application's own key equivalents act.
        qtAction_->setShortcut(QKeySequence(modifiers | qtKey));
        qtAction_->setShortcutContext(Qt::WidgetShortcut);
    } else {
        qtAction_->setShortcut(QKeySequence());
    }
}

} // namespace kit
