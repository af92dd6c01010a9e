#include "appkit/Menu.h"

#include "appkit/Application.h"
#include "appkit/MenuValidation.h"
#include "core/ProcessInfo.h"

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>

namespace kit {

struct Menu::MenuBar {
    QWidget* window = nullptr;
    QMenuBar* bar = nullptr;
    ~MenuBar() { delete window; }
};

Menu::Menu(const std::string& title) : title_(title) {}

Menu::~Menu()
{
    menuBar_.reset();
    // The items' actions go with the items; the Qt menu goes last.
    items_.clear();
    delete qtMenu_;
}

void Menu::setTitle(const std::string& title)
{
    title_ = title;
    if (qtMenu_)
        qtMenu_->setTitle(QString::fromStdString(title));
}

// ---- Items.

MenuItem* Menu::addItem(std::unique_ptr<MenuItem> item)
{
    return insertItem(std::move(item), items_.size());
}

MenuItem* Menu::insertItem(std::unique_ptr<MenuItem> item, size_t index)
{
    if (!item || item->menu_)
        return nullptr;
    MenuItem* i = item.get();
    i->menu_ = this;
    if (i->submenu_)
        i->submenu_->supermenu_ = this;
    items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(std::min(index, items_.size())), std::move(item));
    rebuildQt();
    return i;
}

MenuItem* Menu::addItemWithTitle(const std::string& title, const std::string& action, const std::string& keyEquivalent)
{
    return addItem(std::make_unique<MenuItem>(title, action, keyEquivalent));
}

MenuItem* Menu::insertItemWithTitle(const std::string& title, const std::string& action,
                                    const std::string& keyEquivalent, size_t index)
{
    return insertItem(std::make_unique<MenuItem>(title, action, keyEquivalent), index);
}

std::unique_ptr<MenuItem> Menu::removeItem(MenuItem* item)
{
    int index = indexOfItem(item);
    if (index < 0)
        return nullptr;
    return removeItemAtIndex(static_cast<size_t>(index));
}

std::unique_ptr<MenuItem> Menu::removeItemAtIndex(size_t index)
{
    if (index >= items_.size())
        return nullptr;
    std::unique_ptr<MenuItem> item = std::move(items_[index]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
    item->menu_ = nullptr;
    if (item->submenu_)
        item->submenu_->supermenu_ = nullptr;
    rebuildQt();
    return item;
}

void Menu::removeAllItems()
{
    items_.clear();
    rebuildQt();
}

void Menu::setSubmenu(std::unique_ptr<Menu> submenu, MenuItem* item)
{
    if (item && item->menu_ == this)
        item->setSubmenu(std::move(submenu));
}

MenuItem* Menu::itemAtIndex(size_t index) const
{
    return index < items_.size() ? items_[index].get() : nullptr;
}

std::vector<MenuItem*> Menu::itemArray() const
{
    std::vector<MenuItem*> out;
    out.reserve(items_.size());
    for (const auto& i : items_)
        out.push_back(i.get());
    return out;
}

MenuItem* Menu::itemWithTitle(const std::string& title) const
{
    int i = indexOfItemWithTitle(title);
    return i < 0 ? nullptr : items_[static_cast<size_t>(i)].get();
}

MenuItem* Menu::itemWithTag(int tag) const
{
    int i = indexOfItemWithTag(tag);
    return i < 0 ? nullptr : items_[static_cast<size_t>(i)].get();
}

int Menu::indexOfItem(const MenuItem* item) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].get() == item)
            return static_cast<int>(i);
    return -1;
}

int Menu::indexOfItemWithTitle(const std::string& title) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (!items_[i]->isSeparatorItem() && items_[i]->title() == title)
            return static_cast<int>(i);
    return -1;
}

int Menu::indexOfItemWithTag(int tag) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (!items_[i]->isSeparatorItem() && items_[i]->tag() == tag)
            return static_cast<int>(i);
    return -1;
}

int Menu::indexOfItemWithTarget(const Receiver* target, const std::string& action) const
{
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i]->target() == target && (action.empty() || items_[i]->action() == action))
            return static_cast<int>(i);
    return -1;
}

// ---- Validation and choosing.

Receiver* Menu::targetForItem(const MenuItem* item)
{
    if (!item || item->action().empty())
        return nullptr;
    if (Receiver* t = item->target())
        return t->respondsToSelector(item->action()) ? t : nullptr;
    return Application::sharedApplication().targetForAction(item->action());
}

bool Menu::validateItem(MenuItem* item)
{
    if (!item || item->isSeparatorItem())
        return false;
    if (!autoenablesItems_)
        return item->isEnabled();
    if (item->hasSubmenu()) {
        item->setEnabled(true);
        return true;
    }
    Receiver* target = targetForItem(item);
    bool enabled = target != nullptr;
    if (enabled) {
        if (auto* validator = dynamic_cast<MenuValidation*>(target))
            enabled = validator->validateMenuItem(item);
    }
    item->setEnabled(enabled);
    return enabled;
}

void Menu::update()
{
    Application& app = Application::sharedApplication();
    if (app.windowsMenu() == this)
        app.updateWindowsMenu();
    for (size_t i = 0; i < items_.size(); ++i) {
        MenuItem* item = items_[i].get();
        validateItem(item);
        if (Menu* sub = item->submenu())
            sub->update();
    }
}

bool Menu::performKeyEquivalent(const Event& event)
{
    for (size_t i = 0; i < items_.size(); ++i) {
        MenuItem* item = items_[i].get();
        if (Menu* sub = item->submenu()) {
            if (sub->performKeyEquivalent(event))
                return true;
            continue;
        }
        if (!item->matchesKeyEquivalent(event))
            continue;
        return performActionForItem(item);
    }
    return false;
}

bool Menu::performActionForItem(MenuItem* item)
{
    if (!item || item->menu_ != this || item->hasSubmenu() || item->isSeparatorItem())
        return false;
    if (!validateItem(item))
        return false;
    Receiver* target = item->target();
    if (!target && !autoenablesItems_)
        target = Application::sharedApplication().targetForAction(item->action());
    return Application::sharedApplication().sendAction(item->action(), target, item);
}

// ---- The screen's side.

QMenu* Menu::qtMenu()
{
    if (!qtMenu_) {
        qtMenu_ = new QMenu(QString::fromStdString(title_));
        // Items are validated just before they show.
        QObject::connect(qtMenu_, &QMenu::aboutToShow, [this] { update(); });
        rebuildQt();
    }
    return qtMenu_;
}

void Menu::rebuildQt()
{
    if (qtMenu_) {
        // Submenus' menus belong to their Menu objects, not to this QMenu.
        for (QAction* a : qtMenu_->actions())
            qtMenu_->removeAction(a);
        for (const auto& item : items_) {
            if (item->isSeparatorItem())
                qtMenu_->addSeparator();
            else if (Menu* sub = item->submenu())
                qtMenu_->addAction(sub->qtMenu()->menuAction());
            else
                qtMenu_->addAction(item->qtAction());
            item->updateQtAction();
        }
    }
    if (menuBar_ && menuBar_->bar) {
        QMenuBar* bar = menuBar_->bar;
        for (QAction* a : bar->actions())
            bar->removeAction(a);
        for (const auto& item : items_) {
            if (item->isSeparatorItem())
                continue;
            if (Menu* sub = item->submenu())
                bar->addAction(sub->qtMenu()->menuAction());
            else
                bar->addAction(item->qtAction());
            item->updateQtAction();
        }
    }
    if (supermenu_)
        supermenu_->rebuildQt();
}

void Menu::setMenuBarVisible(bool flag)
{
    if (!flag) {
        menuBar_.reset();
        return;
    }
    if (menuBar_ || !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    menuBar_ = std::make_unique<MenuBar>();
    // The bar takes no keyboard focus from the window being typed in: a
    // menu it opens takes the keys while it is open, and gives them back.
    menuBar_->window = new QWidget(nullptr, Qt::Window | Qt::WindowDoesNotAcceptFocus);
    menuBar_->window->setAttribute(Qt::WA_ShowWithoutActivating);
    menuBar_->window->setWindowTitle(QString::fromStdString(ProcessInfo::processName()));
    auto* layout = new QVBoxLayout(menuBar_->window);
    layout->setContentsMargins(0, 0, 0, 0);
    menuBar_->bar = new QMenuBar(menuBar_->window);
    menuBar_->bar->setNativeMenuBar(false);
    layout->addWidget(menuBar_->bar);
    rebuildQt();
    menuBar_->window->move(0, 0);
    menuBar_->window->show();
}

bool Menu::isMenuBarVisible() const
{
    return menuBar_ != nullptr;
}

} // namespace kit
