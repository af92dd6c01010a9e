#pragma once

// What the document window's scroll view and rulers ask of the application
// delegate: whether rulers are tab rulers, and the zoom and tabs panels
// (made on request). The delegate implements it; without one (tests, tools)
// a scroll view measures with plain rulers and has no panels.

namespace kit {
class Object;
}

class PageWindowServices {
public:
    virtual ~PageWindowServices() = default;
    virtual bool prefersEmbeddedTabRulers() const = 0;
    // The panels; nil when they cannot be made (create NO: only existing).
    virtual kit::Object* zoomPanel(bool create) = 0;
    virtual kit::Object* tabsPanel(bool create) = 0;

    // The services in use (not owned; nil: none).
    static PageWindowServices* shared();
    static void setShared(PageWindowServices* services);
};
