// EPS files: the DOS-EPS header, the header comments and the bounding box;
// then the PostScript embedded on a page.

#include "FuzzInput.h"

#include "graphics/EPSImageRep.h"
#include "graphics/PostScriptContext.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string error;
    auto rep = kit::EPSImageRep::imageRepWithData(bytes, &error);
    if (!rep) {
        if (error.empty())
            fuzz::fail("a refused EPS file gives no reason");
        return 0;
    }
    const kit::Rect box = rep->boundingBox();
    if (!(kit::width(box) > 0) || !(kit::height(box) > 0) || kit::width(box) > 14400 || kit::height(box) > 14400)
        fuzz::fail("an accepted bounding box out of bounds");
    const std::string& ps = rep->EPSRepresentation();
    if (ps.size() > size || ps.compare(0, 2, "%!") != 0)
        fuzz::fail("the PostScript is not inside the file or not PostScript");
    (void)rep->headerComment("%%Title:");
    (void)rep->headerComment("%%CMYKCustomColor:");
    kit::PostScriptContext page;
    page.beginPage("1", 1, kit::makeRect(0, 0, 612, 792));
    rep->draw(page);
    page.endDocument();
    if (page.output().find("%%EndDocument") == std::string::npos)
        fuzz::fail("the picture was not embedded");
    return 0;
}
