#include "items/KnobProcs.h"

#include "graphics/DrawContext.h"
#include "graphics/PostScriptContext.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
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

// PostScript's round: a half goes up, where std::round takes it away from
// zero; the two differ on the negative distances of a flipped device.
double psRound(double v)
{
    return std::floor(v + 0.5);
}

// devround and rdevround on one device coordinate: to integer + 0.25.
double devround(double v)
{
    return psRound(v - 0.25) + 0.25;
}

// The knob glyph at (x, y) for a font size, as the font paints it: the
// glyph procedure's path in device space, the corner and each of the three
// sides rounded on its own as the procedure rounds them. The glyph is cached
// as a bitmap and shown at the current point rounded to a whole pixel, so it
// is rounded about that pixel rather than the exact point. Under an upright
// matrix the shape is filled the way the window server fills, every device
// pixel it covers in part painted in full, so the screen's knob is as crisp
// as the printed one and covers the same pixels.
void paintKnobSquare(kit::DrawContext& context, float x, float y, float size)
{
    const kit::Matrix& m = context.currentmatrix();
    const auto inverse = m.inverted();
    if (!inverse)
        return;
    const double unit = size / 1000.0;
    const double originX = psRound(m.a * x + m.c * y + m.tx), originY = psRound(m.b * x + m.d * y + m.ty);
    double px[4], py[4];
    px[0] = originX + devround(-3 * unit * (m.a + m.c));
    py[0] = originY + devround(-3 * unit * (m.b + m.d));
    const double legs[3][2] = {{0, 6 * unit}, {6 * unit, 0}, {0, -6 * unit}};
    for (int i = 0; i < 3; ++i) {
        px[i + 1] = px[i] + devround(m.a * legs[i][0] + m.c * legs[i][1]);
        py[i + 1] = py[i] + devround(m.b * legs[i][0] + m.d * legs[i][1]);
    }
    const bool upright = (m.b == 0 && m.c == 0) || (m.a == 0 && m.d == 0);
    if (upright) {
        const double x0 = std::floor(*std::min_element(px, px + 4)), x1 = std::ceil(*std::max_element(px, px + 4));
        const double y0 = std::floor(*std::min_element(py, py + 4)), y1 = std::ceil(*std::max_element(py, py + 4));
        const double corners[4][2] = {{x0, y0}, {x0, y1}, {x1, y1}, {x1, y0}};
        for (int i = 0; i < 4; ++i) {
            px[i] = corners[i][0];
            py[i] = corners[i][1];
        }
    }
    context.newpath();
    for (int i = 0; i < 4; ++i) {
        const kit::Matrix& n = *inverse;
        const auto ix = static_cast<float>(n.a * px[i] + n.c * py[i] + n.tx);
        const auto iy = static_cast<float>(n.b * px[i] + n.d * py[i] + n.ty);
        if (i == 0)
            context.moveto(ix, iy);
        else
            context.lineto(ix, iy);
    }
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

// An encoded user path: a binary number string (token 149, representation
// 48: IEEE reals, high byte first) and the operator bytes, as hex strings.
bool appendEncodedUserPath(std::string& out, const kit::UserPath& path)
{
    if (path.coords.size() > 0xFFFF)
        return false;
    static const char digits[] = "0123456789abcdef";
    auto hexByte = [&](unsigned byte) {
        out += digits[(byte >> 4) & 0xF];
        out += digits[byte & 0xF];
    };
    out += "[<9530";
    hexByte(static_cast<unsigned>(path.coords.size() >> 8));
    hexByte(static_cast<unsigned>(path.coords.size() & 0xFF));
    for (float v : path.coords) {
        const auto bits = std::bit_cast<std::uint32_t>(v);
        for (int shift = 24; shift >= 0; shift -= 8)
            hexByte((bits >> shift) & 0xFF);
    }
    out += "> <";
    for (unsigned char op : path.ops)
        hexByte(op);
    out += ">]";
    return true;
}

const char* operatorName(HitOperator op)
{
    return op == HitOperator::inufill ? "inufill" : "inustroke";
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

std::string hitProcedureProgram(float x, float y, const kit::UserPath& path, HitOperator op)
{
    std::string out;
    kit::appendPostScriptNumber(out, x);
    out += ' ';
    kit::appendPostScriptNumber(out, y);
    out += ' ';
    if (!appendEncodedUserPath(out, path))
        return {};
    out += ' ';
    out += operatorName(op);
    return out;
}

std::string hitProcedureProgram(const kit::UserPath& aperture, const kit::UserPath& path, HitOperator op)
{
    std::string out;
    if (!appendEncodedUserPath(out, aperture))
        return {};
    out += ' ';
    if (!appendEncodedUserPath(out, path))
        return {};
    out += ' ';
    out += operatorName(op);
    return out;
}
