#pragma once

#include "appkit/MenuItem.h"

#include <memory>
#include <string>
#include <vector>

class QMenu;

namespace kit {

// A menu of items. The application's main menu is the menu bar (its items'
// submenus are the bar's menus); pop-up buttons hold one too. Before a menu
// shows, and before a key equivalent acts, its items are validated: with
// autoenablesItems on, an item is enabled exactly when some object answers
// its action (its target, or the responder chain from the key window) and,
// when that object validates menu items (MenuValidation), it agrees. The
// validation may retitle the item.
//
// Key equivalents work with the Command modifier. On a PC keyboard Command
// is the Super ("Windows") key, Qt's Meta: the text engine keeps Control
// (its Control-A ... Control-Y bindings) and Alternate (Alt with arrows,
// Tab and Return, and the user's key maps), so neither can carry menu keys.
class Menu : public Receiver {
public:
    explicit Menu(const std::string& title = std::string());
    ~Menu() override;

    std::string className() const override { return "NSMenu"; }

    const std::string& title() const { return title_; }
    void setTitle(const std::string& title);

    // ---- Items (owned).
    MenuItem* addItem(std::unique_ptr<MenuItem> item);
    MenuItem* insertItem(std::unique_ptr<MenuItem> item, size_t index);
    MenuItem* addItemWithTitle(const std::string& title, const std::string& action,
                               const std::string& keyEquivalent = std::string());
    MenuItem* insertItemWithTitle(const std::string& title, const std::string& action,
                                  const std::string& keyEquivalent, size_t index);
    // Hands the item back; nil when it is not in this menu.
    std::unique_ptr<MenuItem> removeItem(MenuItem* item);
    std::unique_ptr<MenuItem> removeItemAtIndex(size_t index);
    void removeAllItems();
    // A submenu for the item (which must be in this menu).
    void setSubmenu(std::unique_ptr<Menu> submenu, MenuItem* item);

    size_t numberOfItems() const { return items_.size(); }
    MenuItem* itemAtIndex(size_t index) const;
    std::vector<MenuItem*> itemArray() const;
    MenuItem* itemWithTitle(const std::string& title) const;
    MenuItem* itemWithTag(int tag) const;
    // -1 when absent.
    int indexOfItem(const MenuItem* item) const;
    int indexOfItemWithTitle(const std::string& title) const;
    int indexOfItemWithTag(int tag) const;
    int indexOfItemWithTarget(const Receiver* target, const std::string& action) const;

    // The menu whose item opens this one (not owned).
    Menu* supermenu() const { return supermenu_; }

    bool autoenablesItems() const { return autoenablesItems_; }
    void setAutoenablesItems(bool flag) { autoenablesItems_ = flag; }

    // ---- Validation and choosing.
    // The object the item's action would reach now (nil: none answers it).
    static Receiver* targetForItem(const MenuItem* item);
    // Validates one item: its enabled state (and maybe title) now.
    bool validateItem(MenuItem* item);
    // Validates every item, submenus included.
    void update();
    // The item (here or in a submenu) whose key equivalent the event is,
    // validated; false when none, or when it is disabled.
    bool performKeyEquivalent(const Event& event);
    // Sends the item's action to its target, the item as sender, when it is
    // (still) enabled; false otherwise.
    bool performActionForItem(MenuItem* item);

    // ---- The screen's side.
    QMenu* qtMenu();
    // The main menu as the program's menu bar (a window of its own at the
    // top left of the screen).
    void setMenuBarVisible(bool flag);
    bool isMenuBarVisible() const;

private:
    friend class MenuItem;
    void rebuildQt();

    std::string title_;
    std::vector<std::unique_ptr<MenuItem>> items_;
    Menu* supermenu_ = nullptr;
    bool autoenablesItems_ = true;
    QMenu* qtMenu_ = nullptr;
    struct MenuBar;
    std::unique_ptr<MenuBar> menuBar_;
};

} // namespace kit
