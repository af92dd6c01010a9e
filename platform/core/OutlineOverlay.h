#pragma once

#include "core/Geometry.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kit {

// The thin outline windows shown above everything while a window is being
// resized, and the window-server look-ups that go with them. The application
// kit implements it on real windows; without one nothing is shown.
class OutlineOverlay {
public:
    struct OwnedWindow {
        int windowNumber = 0;
        int ownerNumber = 0;
    };

    virtual ~OutlineOverlay() = default;
    virtual void createOutline() = 0;
    // Places one strip of the outline.
    virtual void placeOutline(const Rect& frame) = 0;
    virtual void removeOutline() = 0;
    // The window at the point, above the others, owned by this program.
    virtual std::optional<OwnedWindow> findOwnedWindow(Point screenPoint) = 0;
    // Records a window that belongs with the one being worked on.
    virtual void setOtherWindow(int windowNumber, int otherWindowNumber) = 0;
};

// Installs the overlay (nullptr: none). Answers the previous one.
std::shared_ptr<OutlineOverlay> setOutlineOverlay(std::shared_ptr<OutlineOverlay> overlay);
OutlineOverlay* outlineOverlay();

// Remembers every call, for tests.
class RecordingOutlineOverlay : public OutlineOverlay {
public:
    std::vector<std::string> calls;
    std::vector<Rect> placed;
    std::optional<OwnedWindow> windowToFind;

    void createOutline() override { calls.push_back("create"); }
    void placeOutline(const Rect& frame) override
    {
        calls.push_back("place");
        placed.push_back(frame);
    }
    void removeOutline() override { calls.push_back("remove"); }
    std::optional<OwnedWindow> findOwnedWindow(Point) override
    {
        calls.push_back("find");
        return windowToFind;
    }
    void setOtherWindow(int, int) override { calls.push_back("other"); }
};

} // namespace kit
