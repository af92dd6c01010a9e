#pragma once

#include "appkit/Control.h"
#include "appkit/Menu.h"

#include <memory>
#include <string>
#include <vector>

namespace kit {

// A pop-up list over Qt's combo box: a button showing the selected item of
// its list (a menu). Choosing an item selects it and sends the item's
// action to the item's target when the item has an action, else the
// button's own, the button as sender in both cases. Items' key equivalents
// (with Command) choose them.
//
// On a real display the click opens Qt's list; without one (offscreen,
// tests) the list lies over the button as the platform's did, the selected
// item over the button, and the item under the mouse when it goes up is
// chosen: a scripted drag picks items there.
//
// The value of the button is its selected item: intValue its index,
// stringValue and title its title; setTitle selects the item of that title,
// adding one when there is none.
class PopUpButton : public Control {
public:
    explicit PopUpButton(const Rect& frame = {}, bool pullsDown = false);
    ~PopUpButton() override;

    std::string className() const override { return "NSPopUpButton"; }

    Menu* menu() const { return menu_.get(); }
    bool pullsDown() const { return pullsDown_; }
    void setPullsDown(bool flag);
    // Items are not enabled by validation unless this is set.
    bool autoenablesItems() const { return menu_->autoenablesItems(); }
    void setAutoenablesItems(bool flag) { menu_->setAutoenablesItems(flag); }

    // ---- Items.
    MenuItem* addItemWithTitle(const std::string& title);
    void addItemsWithTitles(const std::vector<std::string>& titles);
    MenuItem* insertItemWithTitle(const std::string& title, int index);
    void addSeparator();
    void removeItemWithTitle(const std::string& title);
    void removeItemAtIndex(int index);
    void removeAllItems();
    int numberOfItems() const { return static_cast<int>(menu_->numberOfItems()); }
    MenuItem* itemAtIndex(int index) const;
    MenuItem* itemWithTitle(const std::string& title) const;
    std::vector<MenuItem*> itemArray() const { return menu_->itemArray(); }
    std::vector<std::string> itemTitles() const;
    std::string itemTitleAtIndex(int index) const;
    int indexOfItem(const MenuItem* item) const { return menu_->indexOfItem(item); }
    int indexOfItemWithTitle(const std::string& title) const { return menu_->indexOfItemWithTitle(title); }
    int indexOfItemWithTag(int tag) const { return menu_->indexOfItemWithTag(tag); }

    // ---- Selection (no action is sent).
    MenuItem* selectedItem() const;
    int indexOfSelectedItem() const { return selected_; }
    std::string titleOfSelectedItem() const;
    void selectItem(MenuItem* item);
    void selectItemAtIndex(int index);
    void selectItemWithTitle(const std::string& title);
    bool selectItemWithTag(int tag);

    std::string title() const override { return titleOfSelectedItem(); }
    // The selected item's tag; -1 with none.
    int selectedTag() const override;
    void setTitle(const std::string& title) override;

    // Selects the item and sends its action as a choice of the user would.
    void chooseItemAtIndex(int index);
    void performClick(Object* sender = nullptr) override;
    void mouseDown(const Event& event) override;
    bool performKeyEquivalent(const Event& event) override;
    // Where each item lies while the list is open without a display (base
    // coordinates), for scripted choices.
    Rect listItemRect(int index) const;

protected:
    void updateWidget() override;

private:
    void itemsChanged();
    void trackList(const Event& event);

    std::unique_ptr<Menu> menu_;
    int selected_ = -1;
    bool pullsDown_ = false;
    bool updating_ = false;
};

} // namespace kit
