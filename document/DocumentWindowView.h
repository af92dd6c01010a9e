#pragma once

// What a document asks of a page view it made from "Page.nib" for a window
// of its own, beyond what every view of it answers (DocumentView): its zoom
// to start with, becoming its window's delegate, the page to show first and
// the page it shows most of. The page view implements it.

class Page;

class DocumentWindowView {
public:
    virtual ~DocumentWindowView() = default;

    virtual void setZoom(float zoom) = 0;
    // The view becomes its window's delegate.
    virtual void registerWindow() = 0;
    // The page of that number (the nearest one when there is none) is made
    // active and shown.
    virtual void showPageNumber(int number) = 0;
    // The page of which the most is visible; nil for none.
    virtual Page* mostVisiblePage() const = 0;
    // What the window's frame shows around the view.
    virtual bool rulersAreVisible() const { return false; }
    virtual bool infoBarIsVisible() const { return false; }
};
