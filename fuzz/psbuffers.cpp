// The PostScript buffers (user paths, rectangle lists, positioned
// characters) filled by a sequence of operations and sent to the drawing
// contexts: the recording one and the PostScript writer.

#include "FuzzInput.h"

#include "foundation/PSBuffers.h"
#include "graphics/DrawContext.h"
#include "graphics/PostScriptContext.h"
#include "graphics/RecordingContext.h"

#include <cmath>

namespace {

// The recording context with its device path in view.
class Recording : public kit::RecordingContext {
public:
    using kit::DrawContext::state;
};

// Whatever a context accepted is a path of numbers it can draw.
void checkPath(kit::DrawContext& context)
{
    if (auto* recording = dynamic_cast<Recording*>(&context))
        for (double c : recording->state().path.coords)
            if (!std::isfinite(c))
                fuzz::fail("a non-finite coordinate in an accepted path");
}

kit::Point point(fuzz::Input& in)
{
    float x = in.real();
    return {x, in.real()};
}

void run(fuzz::Input& in, kit::DrawContext& context)
{
    kit::DrawContext::Scope scope(context);
    Path path;
    RectList rects;
    XYShow chars;
    static const int pathActions[] = {0, dps_uappend, dps_ufill, dps_ustroke};
    static const int rectActions[] = {RectListClipAndFill, RectListFill, RectListStroke};
    for (int steps = 0; !in.atEnd() && steps < 2000; ++steps) {
        switch (in.byte() % 16) {
        case 0: {
            kit::Point p = point(in);
            path.addLine(&p, in.byte() % 12);
            break;
        }
        case 1: {
            kit::Point p[3] = {point(in), point(in), point(in)};
            path.addBezier(p, in.byte() % 12);
            break;
        }
        case 2: {
            float v[5];
            for (float& f : v)
                f = in.real();
            path.addArc(v, in.byte() % 12);
            break;
        }
        case 3:
            path.addClosepath();
            break;
        case 4: {
            // Raw operators, as callers that copy whole paths append them.
            int numOps = in.byte() % 8, numPts = in.byte() % 8;
            std::vector<unsigned char> ops(std::size_t(numOps) + 1);
            std::vector<float> pts(2 * std::size_t(numPts) + 2);
            for (auto& o : ops)
                o = in.byte();
            for (auto& f : pts)
                f = in.real();
            path.addSegment(pts.data(), ops.data(), numPts, numOps);
            break;
        }
        case 5: {
            int action = pathActions[in.byte() % 4];
            path.sendPath(action, in.byte() & 1);
            checkPath(context);
            break;
        }
        case 6:
            path.empty();
            break;
        case 7: {
            kit::Point p[2] = {point(in), point(in)};
            int index = in.byte() % 32 - 4;
            path.replaceLine(p, index);
            break;
        }
        case 8: {
            kit::Rect r{point(in), {in.real(), in.real()}};
            rects.addRect(&r);
            break;
        }
        case 9: {
            kit::Rect r{point(in), {in.real(), in.real()}};
            rects.addRectSendIfFull(r, rectActions[in.byte() % 3]);
            break;
        }
        case 10:
            rects.sendRect(rectActions[in.byte() % 3]);
            break;
        case 11: {
            kit::Point p = point(in);
            chars.addChar(&p, in.byte());
            break;
        }
        case 12: {
            kit::Point p = point(in);
            chars.addCharSendFull(&p, in.byte());
            break;
        }
        case 13: {
            float x = in.real();
            chars.moveto(x, in.real());
            break;
        }
        case 14:
            chars.sendXYWithAdjust(in.byte() & 1);
            break;
        case 15: {
            float x = in.real(), y = in.real();
            AXAddCharDeltaCoordinates(&chars, x, y, in.byte());
            break;
        }
        }
    }
    path.sendPath(dps_ufill);
    rects.sendRect(RectListFill);
    chars.sendXY();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    {
        Recording recording;
        fuzz::Input in(data, size);
        run(in, recording);
    }
    {
        kit::PostScriptContext writer;
        writer.beginDocument({});
        writer.beginPage("1", 1, kit::Rect{{0, 0}, {612, 792}});
        fuzz::Input in(data, size);
        run(in, writer);
        writer.endPage();
        writer.endDocument();
    }
    return 0;
}
