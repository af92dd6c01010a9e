#pragma once

#include "appkit/Receiver.h"

#include <cstdint>
#include <memory>
#include <string>

class QAction;

namespace kit {

class Event;
class Menu;

// One item of a menu: a title, an action sent to a target (nil: along the
// responder chain), a tag, a key equivalent, a check mark (state) and maybe
// a submenu. Items are owned by their menu.
class MenuItem : public Receiver {
public:
    MenuItem(const std::string& title = std::string(), const std::string& action = std::string(),
             const std::string& keyEquivalent = std::string());
    ~MenuItem() override;

    std::string className() const override { return "NSMenuItem"; }

    // A line between groups of items; never enabled, never chosen.
    static std::unique_ptr<MenuItem> separatorItem();
    bool isSeparatorItem() const { return separator_; }

    const std::string& title() const { return title_; }
    void setTitle(const std::string& title);
    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }
    const std::string& action() const { return action_; }
    void setAction(const std::string& action) { action_ = action; }
    Receiver* target() const { return target_.get(); }
    void setTarget(Receiver* target) { target_ = WeakRef<Receiver>(target); }
    Object* representedObject() const { return representedObject_; }
    void setRepresentedObject(Object* object) { representedObject_ = object; }

    // One character (UTF-8). A capital letter asks for Shift as well.
    const std::string& keyEquivalent() const { return keyEquivalent_; }
    void setKeyEquivalent(const std::string& key);
    // The modifiers the key equivalent needs: Command unless set otherwise.
    unsigned keyEquivalentModifierMask() const { return keyEquivalentModifierMask_; }
    void setKeyEquivalentModifierMask(unsigned mask);
    // Whether a key event is this item's key equivalent.
    bool matchesKeyEquivalent(const Event& event) const;

    bool isEnabled() const { return enabled_; }
    void setEnabled(bool flag);
    // The check mark: 1 on, 0 off, -1 mixed.
    int state() const { return state_; }
    void setState(int state);

    // The submenu the item opens (owned); choosing such an item sends nothing.
    Menu* submenu() const { return submenu_.get(); }
    bool hasSubmenu() const { return submenu_ != nullptr; }
    void setSubmenu(std::unique_ptr<Menu> submenu);
    std::unique_ptr<Menu> takeSubmenu();
    // The menu that holds the item (not owned).
    Menu* menu() const { return menu_; }

    // Each item gets a number of its own; the screen's menus report a
    // choice by it, so a choice of an item gone since is dropped.
    std::uint64_t serial() const { return serial_; }
    static MenuItem* itemWithSerial(std::uint64_t serial);

    // The screen's side of the item (made on first use).
    QAction* qtAction();

private:
    friend class Menu;
    void updateQtAction();

    std::string title_;
    std::string action_;
    std::string keyEquivalent_;
    unsigned keyEquivalentModifierMask_;
    int tag_ = 0;
    int state_ = 0;
    bool enabled_ = true;
    bool separator_ = false;
    WeakRef<Receiver> target_;
    Object* representedObject_ = nullptr;
    std::unique_ptr<Menu> submenu_;
    Menu* menu_ = nullptr;
    std::uint64_t serial_;
    QAction* qtAction_ = nullptr;
};

} // namespace kit
