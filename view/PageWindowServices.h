#pragma once

// What the document window's scroll view, rulers and page view ask of the
// application delegate: whether rulers are tab rulers, the zoom and tabs
// panels (made on request) and the pictures of a miniaturised document
// window. The delegate implements it; without one (tests, tools) a scroll
// view measures with plain rulers and has no panels, and a window keeps its
// icon.

namespace kit {
class Image;
class Object;
}

class PageWindowServices {
public:
    virtual ~PageWindowServices() = default;
    virtual bool prefersEmbeddedTabRulers() const = 0;
    // The panels; nil when they cannot be made (create NO: only existing).
    virtual kit::Object* zoomPanel(bool create) = 0;
    virtual kit::Object* tabsPanel(bool create) = 0;
    // What a miniaturised document window shows: the plain picture, and the
    // one for a document with unsaved changes (owned here; nil: none).
    virtual kit::Image* miniwindowImage() { return nullptr; }
    virtual kit::Image* miniwindowImageH() { return nullptr; }

    // The services in use (not owned; nil: none).
    static PageWindowServices* shared();
    static void setShared(PageWindowServices* services);
};
