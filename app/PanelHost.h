#pragma once

// What the panels registry gives the panels it makes: the document they
// work on, reached without knowing the application delegate's class.

#include <string>

class LayoutDocument;
class PageView;
class StyleInfo;

namespace kit {
class Object;
}

class PanelHost {
public:
    virtual ~PanelHost() = default;
    // The main document and its page view; nil without one.
    virtual LayoutDocument* mainDocument() const = 0;
    virtual PageView* mainPageView() const = 0;
    // The style sheet taken from the main document (nil: none).
    virtual StyleInfo* styleInfo() const = 0;
    // Tab rulers are embedded in the document windows (the word processor).
    virtual bool prefersEmbeddedTabRulers() const = 0;
};

// A panel that works on the main document: the registry hands it the host
// when it makes the panel, and the host outlives it.
class HostedPanel {
public:
    virtual ~HostedPanel() = default;
    virtual void setPanelHost(PanelHost* host) = 0;
};

// An object made by its class name for a group of the registry (an
// inspector): set up for the object that asked for the group (init:).
class GroupMember {
public:
    virtual ~GroupMember() = default;
    virtual kit::Object* init(kit::Object* owner) = 0;
};

// The panel that starts once the members of its group are made (the
// inspector window's runPanelFor:).
class GroupStarter {
public:
    virtual ~GroupStarter() = default;
    virtual void runPanelFor(kit::Object* sender) = 0;
};

// What makes the members of a group by their class names (the application
// delegate): the inspector window asks it for the inspectors.
class GroupLoader {
public:
    virtual ~GroupLoader() = default;
    // Makes each member, sets it up for the owner, then starts the owner
    // when it is a GroupStarter.
    virtual void loadClasses(const std::string& group, kit::Object* owner) = 0;
};
