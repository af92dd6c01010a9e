#include "items/KnobProcs.h"

#include "graphics/DrawContext.h"

#include <algorithm>
#include <cmath>
#include <span>
#include <string>
#include <vector>

namespace {

constexpr std::string_view KnobFontDefinitions =
    "/devround { transform .25 sub round .25 add exch .25 sub round .25 add exch itransform } bind def\n"
    "/rdevround { dtransform .25 sub round .25 add exch .25 sub round .25 add exch idtransform } bind def\n"
    "8 dict dup begin\n"
    "/FontType 3 def\n"
    "/FontMatrix [0.001 0 0 0.001 0 0] def\n"
    "/FontBBox [-5 -5 5 5] def\n"
    "/FontName /KnobFont def\n"
    "/Encoding 256 array def\n"
    "0 1 255 { Encoding exch /.notdef put } for\n"
    "Encoding 0 /Knob put\n"
    "/CharProcs 2 dict def\n"
    "CharProcs begin\n"
    "/.notdef { } def\n"
    "/Knob { -3 -3 devround moveto 0 6 rdevround rlineto 6 0 rdevround rlineto 0 -6 rdevround rlineto "
    "closepath fill } def\n"
    "end\n"
    "/BuildChar { 0 0 -5 -5 5 5 setcachedevice exch begin Encoding exch get CharProcs exch get exec end } def\n"
    "end /KnobFont exch definefont pop\n";

// The glyph's device rounding: to integer + 0.25 on both device axes.
double devround(double v)
{
    return std::round(v - 0.25) + 0.25;
}

// The knob glyph at (x, y) for a font size, painted as the font would paint
// it: the corner and the sides rounded in device space.
void paintKnobSquare(kit::DrawContext& context, float x, float y, float size)
{
    const kit::Matrix& ctm = context.currentmatrix();
    const float unit = size / 1000.0f;
    const kit::Point corner = ctm.transform({x - 3 * unit, y - 3 * unit});
    const auto user = ctm.itransform({static_cast<float>(devround(corner.x)), static_cast<float>(devround(corner.y))});
    const kit::Point side = ctm.dtransform({6 * unit, 6 * unit});
    const auto extent = ctm.idtransform({static_cast<float>(devround(side.x)), static_cast<float>(devround(side.y))});
    if (!user || !extent)
        return;
    context.newpath();
    context.moveto(user->x, user->y);
    context.rlineto(0, extent->y);
    context.rlineto(extent->x, 0);
    context.rlineto(0, -extent->y);
    context.closepath();
    context.fill();
}

const std::string& knobString(int n)
{
    static std::string text;
    text.assign(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    return text;
}

bool pathFrom(const float* coords, int numCoords, const unsigned char* ops, int numOps, kit::UserPath* path)
{
    if (!coords || !ops || numCoords < 0 || numOps < 0)
        return false;
    *path = {std::span<const float>(coords, static_cast<std::size_t>(numCoords)),
             std::span<const unsigned char>(ops, static_cast<std::size_t>(numOps))};
    return true;
}

void answer(int* result, bool hit)
{
    if (result)
        *result = hit ? 1 : 0;
}

} // namespace

std::string_view knobFontPostScript()
{
    return KnobFontDefinitions;
}

void PSinitcontrolpoints(kit::DrawContext& context)
{
    context.sendPostScript(KnobFontDefinitions);
}

void PSdrawknob(kit::DrawContext& context, float x, float y, float outer, float inner, float gray)
{
    if (context.isDrawingToScreen()) {
        context.setgray(1.0f);
        paintKnobSquare(context, x, y, outer);
        context.setgray(gray);
        paintKnobSquare(context, x, y, inner);
        return;
    }
    context.setgray(1.0f);
    context.selectfont("KnobFont", outer);
    context.moveto(x, y);
    context.show(std::string_view("\0", 1));
    context.setgray(gray);
    context.selectfont("KnobFont", inner);
    context.show(std::string_view("\0", 1));
}

void PSdrawknobs(kit::DrawContext& context, float x, float y, int n, const float* displacements, int count,
                 float outer, float inner, float gray)
{
    if (n < 0)
        n = 0;
    // xyshow wants two numbers per knob; a short array draws the knobs it covers.
    if (!displacements || count < 0)
        count = 0;
    n = std::min(n, count / 2);
    const std::span<const float> moves(displacements ? displacements : nullptr, static_cast<std::size_t>(2 * n));
    if (context.isDrawingToScreen()) {
        const float sizes[2] = {outer, inner};
        const float grays[2] = {1.0f, gray};
        for (int pass = 0; pass < 2; ++pass) {
            context.setgray(grays[pass]);
            float kx = x, ky = y;
            for (int i = 0; i < n; ++i) {
                paintKnobSquare(context, kx, ky, sizes[pass]);
                kx += moves[2 * static_cast<std::size_t>(i)];
                ky += moves[2 * static_cast<std::size_t>(i) + 1];
            }
        }
        return;
    }
    const std::string& knobs = knobString(n);
    context.setgray(1.0f);
    context.selectfont("KnobFont", outer);
    context.moveto(x, y);
    if (n > 0)
        context.xyshow(knobs, moves);
    context.setgray(gray);
    context.selectfont("KnobFont", inner);
    context.moveto(x, y);
    if (n > 0)
        context.xyshow(knobs, moves);
}

void PSinboundary(kit::DrawContext& context, float x, float y, const float* coords, int numCoords,
                  const unsigned char* ops, int numOps, int* result)
{
    kit::UserPath path;
    answer(result, pathFrom(coords, numCoords, ops, numOps, &path) && context.inustroke(x, y, path));
}

void PSpathinboundary(kit::DrawContext& context, const float* coords1, int numCoords1, const unsigned char* ops1,
                      int numOps1, const float* coords2, int numCoords2, const unsigned char* ops2, int numOps2,
                      int* result)
{
    kit::UserPath aperture, path;
    answer(result, pathFrom(coords1, numCoords1, ops1, numOps1, &aperture) &&
                       pathFrom(coords2, numCoords2, ops2, numOps2, &path) && context.inustroke(aperture, path));
}

void PSinpath(kit::DrawContext& context, float x, float y, const float* coords, int numCoords,
              const unsigned char* ops, int numOps, int* result)
{
    kit::UserPath path;
    answer(result, pathFrom(coords, numCoords, ops, numOps, &path) && context.inufill(x, y, path));
}

void PSpathinpath(kit::DrawContext& context, const float* coords1, int numCoords1, const unsigned char* ops1,
                  int numOps1, const float* coords2, int numCoords2, const unsigned char* ops2, int numOps2,
                  int* result)
{
    kit::UserPath aperture, path;
    answer(result, pathFrom(coords1, numCoords1, ops1, numOps1, &aperture) &&
                       pathFrom(coords2, numCoords2, ops2, numOps2, &path) && context.inufill(aperture, path));
}
