#pragma once

// The base of the application's own floating panels: a name, and a frame
// kept in the user defaults under "Loc_" and that name, so that the panel
// comes back where the user left it.

#include "appkit/Panel.h"

#include <string>

class PanelSubClass : public kit::Panel {
public:
    explicit PanelSubClass(const kit::Rect& contentRect,
                           unsigned styleMask = kit::TitledWindowMask | kit::ClosableWindowMask);

    std::string className() const override { return "PanelSubClass"; }

    // Sent once after the panel is built: takes the stored frame, and from
    // then on every move, resize and close stores it.
    PanelSubClass* init(kit::Object* sender);
    // The class name, unless a subclass keeps its frame under another.
    virtual std::string panelName() const { return className(); }
    std::string defaultsKey() const { return "Loc_" + panelName(); }

    // Takes the frame stored under the key, when there is a usable one: a
    // finite rectangle with an area that meets some screen.
    void setDefaultPosition(kit::Object* sender);
    void rememberPosition(kit::Object* sender);

protected:
    void frameDidChange() override;
    void windowWillClose() override;

private:
    // Before init: the builder's own placing must not overwrite what the
    // user left.
    bool remembers_ = false;
};
