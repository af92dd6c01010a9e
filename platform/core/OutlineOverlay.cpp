#include "core/OutlineOverlay.h"

namespace kit {

namespace {
std::shared_ptr<OutlineOverlay>& installed()
{
    static std::shared_ptr<OutlineOverlay> overlay;
    return overlay;
}
} // namespace

std::shared_ptr<OutlineOverlay> setOutlineOverlay(std::shared_ptr<OutlineOverlay> overlay)
{
    std::shared_ptr<OutlineOverlay> previous = std::move(installed());
    installed() = std::move(overlay);
    return previous;
}

OutlineOverlay* outlineOverlay() { return installed().get(); }

} // namespace kit
