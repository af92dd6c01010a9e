// Placed pictures: the EPS comments they read themselves (the title that
// names a picture held in the document, the custom colour names, the
// baseline offsets of an in-line graphic), a picture made from any bytes,
// drawn on screen and paper in every form, hit by its alpha, and its
// stored form read back.

#include "FuzzInput.h"

#include "core/Archiver.h"
#include "core/Unarchiver.h"
#include "core/Values.h"
#include "foundation/StyleGraphic.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/Image.h"
#include "graphics/RecordingContext.h"
#include "items/Item.h"
#include "items/PlacedItem.h"
#include "text/TextWordSpecial.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool ready = [] {
        kit::registerValueClasses();
        StyleGraphic::initialize();
        Item::initialize();
        return true;
    }();
    (void)ready;
    // The readers see exactly the bytes: any read past them is caught.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const std::string_view view(bytes.data(), bytes.size());
    if (const auto name = PlacedItem::getEPSFilename(view)) {
        if (name->empty() || name->size() > 1027 || name->find('/') != std::string::npos)
            fuzz::fail("a title name that is empty, too long or a path");
    }
    for (const std::string& colour : PlacedItem::customColorNames(view))
        if (colour.empty() || colour.find(')') != std::string::npos)
            fuzz::fail("an empty or unclosed custom colour name");

    // A small pixel budget keeps each input quick; the limits are the same code.
    kit::ImageLimits limits;
    limits.maxPixels = 4'000'000;
    limits.maxSide = 10'000;
    std::string error;
    std::unique_ptr<kit::Image> image = kit::Image::imageWithData(view, &error, limits);
    if (!image)
        return 0;
    std::shared_ptr<PlacedItem> item = PlacedItem::initWithImage(std::move(image), PlacedItem::Defaults::None);
    if (!item)
        fuzz::fail("a picture that reads makes no item");
    const kit::Rect natural = item->originalFrame();
    if (!(natural.size.width > 0) || !(natural.size.height > 0) || !std::isfinite(item->naturalRatio()))
        fuzz::fail("a picture without a natural size");
    float x = 0, y = 0, w = 0, f = 0;
    TextWordSpecial::getEPSOffset(item->bestRepresentationForDevice(), true, &x, &y, &w, &f);
    for (float v : {x, y, w, f})
        if (!std::isfinite(v) || std::fabs(v) > 14400)
            fuzz::fail("an offset that would break a line");

    // Small on the page, so that the screen cache stays small.
    item->setFrame(kit::makeRect(10, 10, 40, 30));
    kit::RecordingContext screen;
    screen.setDrawingToScreen(true);
    PlacedPaint onScreen{screen};
    // An EPS picture's screen rendering is Ghostscript's, in a process of
    // its own: not for every input.
    if (!item->isEPSFile())
        item->renderInView(onScreen, kit::makeRect(0, 0, 100, 100), false);
    item->renderInView(onScreen, kit::makeRect(0, 0, 100, 100), true);
    onScreen.showGraphics = false;
    item->renderInView(onScreen, kit::makeRect(0, 0, 100, 100), false);
    (void)item->isHitAt({20, 20}, nullptr);
    item->rotateByAngle(30);
    item->setDropShadow(true);
    kit::RecordingContext paper;
    PlacedPaint print{paper};
    print.screen = false;
    print.plateCode = 104;
    item->renderInView(print, kit::makeRect(0, 0, 100, 100), false);

    kit::Archiver archiver;
    archiver.setOpenFileVersion(3.0f);
    archiver.encodeRootObject(item.get());
    kit::Unarchiver unarchiver(archiver.data());
    unarchiver.setOpenFileVersion(3.0f);
    std::unique_ptr<PlacedItem> back = unarchiver.decodeOwnedObject<PlacedItem>();
    if (!back || back->filename() != item->filename() || back->sourceImage()->data() != item->sourceImage()->data())
        fuzz::fail("a stored picture does not read back");
    return 0;
}
