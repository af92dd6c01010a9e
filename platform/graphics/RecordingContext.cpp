#include "graphics/RecordingContext.h"

#include "graphics/PostScriptContext.h"

#include <algorithm>

namespace kit {

namespace {

void appendNumbers(std::string& out, std::span<const float> numbers)
{
    for (float v : numbers) {
        out += ' ';
        appendPostScriptNumber(out, v);
    }
}

// The string form without line breaks: a record is one line.
void appendOneLineString(std::string& out, std::string_view bytes)
{
    std::string s;
    appendPostScriptString(s, bytes);
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == '\n') {
            ++i;
            continue;
        }
        out += s[i];
    }
}

} // namespace

std::string RecordedOp::toString() const
{
    std::string out = name;
    std::span<const float> all(numbers);
    if (name == "show" || name == "xyshow" || name == "sendPostScript") {
        out += ' ';
        appendOneLineString(out, text);
        appendNumbers(out, all);
    } else if (name == "selectfont" || name == "setfont" || name == "makefont") {
        out += ' ';
        out += text;
        appendNumbers(out, all);
    } else if (name == "setdash" && !all.empty()) {
        out += " [";
        std::string pattern;
        appendNumbers(pattern, all.first(all.size() - 1));
        out += pattern.empty() ? pattern : pattern.substr(1);
        out += "]";
        appendNumbers(out, all.last(1));
    } else if (name == "doUserPath") {
        out += ' ' + std::to_string(code) + " {";
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (i)
                out += ' ';
            out += std::to_string(static_cast<unsigned char>(text[i]));
        }
        out += '}';
        appendNumbers(out, all);
    } else if (name == "compositerect" || name == "frameLinkRect") {
        appendNumbers(out, all);
        out += ' ' + std::to_string(code);
    } else {
        appendNumbers(out, all);
    }
    return out;
}

RecordingContext::RecordingContext() = default;
RecordingContext::~RecordingContext() = default;

std::size_t RecordingContext::count(std::string_view name) const
{
    return static_cast<std::size_t>(
        std::count_if(ops_.begin(), ops_.end(), [&](const RecordedOp& op) { return op.name == name; }));
}

std::vector<std::string> RecordingContext::lines() const
{
    std::vector<std::string> result;
    result.reserve(ops_.size());
    for (const RecordedOp& op : ops_)
        result.push_back(op.toString());
    return result;
}

void RecordingContext::reset()
{
    ops_.clear();
    resetGraphicsState();
}

RecordedOp& RecordingContext::record(const char* name, std::initializer_list<float> numbers)
{
    RecordedOp& op = ops_.emplace_back();
    op.name = name;
    op.numbers.assign(numbers.begin(), numbers.end());
    return op;
}

void RecordingContext::recordRects(const char* name, std::span<const Rect> rects)
{
    RecordedOp& op = record(name);
    for (const Rect& r : rects)
        op.numbers.insert(op.numbers.end(), {minX(r), minY(r), width(r), height(r)});
}

void RecordingContext::emitGsave() { record("gsave"); }
void RecordingContext::emitGrestore() { record("grestore"); }
void RecordingContext::emitNewpath() { record("newpath"); }
void RecordingContext::emitMoveto(float x, float y) { record("moveto", {x, y}); }
void RecordingContext::emitRmoveto(float dx, float dy) { record("rmoveto", {dx, dy}); }
void RecordingContext::emitLineto(float x, float y) { record("lineto", {x, y}); }
void RecordingContext::emitRlineto(float dx, float dy) { record("rlineto", {dx, dy}); }
void RecordingContext::emitCurveto(const float (&p)[6]) { record("curveto", {p[0], p[1], p[2], p[3], p[4], p[5]}); }
void RecordingContext::emitRcurveto(const float (&p)[6]) { record("rcurveto", {p[0], p[1], p[2], p[3], p[4], p[5]}); }

void RecordingContext::emitArc(float x, float y, float r, float angle1, float angle2, bool clockwise)
{
    record(clockwise ? "arcn" : "arc", {x, y, r, angle1, angle2});
}

void RecordingContext::emitClosepath() { record("closepath"); }
void RecordingContext::emitFill(FillRule rule) { record(rule == FillRule::NonZero ? "fill" : "eofill"); }
void RecordingContext::emitStroke() { record("stroke"); }
void RecordingContext::emitClip(FillRule rule) { record(rule == FillRule::NonZero ? "clip" : "eoclip"); }
void RecordingContext::emitInitclip() { record("initclip"); }
void RecordingContext::emitRectfill(std::span<const Rect> rects) { recordRects("rectfill", rects); }
void RecordingContext::emitRectstroke(std::span<const Rect> rects) { recordRects("rectstroke", rects); }
void RecordingContext::emitRectclip(std::span<const Rect> rects) { recordRects("rectclip", rects); }

void RecordingContext::emitRectfillWithGrays(std::span<const Rect> rects, std::span<const float> grays)
{
    RecordedOp& op = record("rectfillListWithGrays");
    for (std::size_t i = 0; i < rects.size(); ++i) {
        const Rect& r = rects[i];
        op.numbers.insert(op.numbers.end(), {minX(r), minY(r), width(r), height(r), grays[i]});
    }
}

void RecordingContext::emitSetgray(float gray) { record("setgray", {gray}); }
void RecordingContext::emitSetrgbcolor(float r, float g, float b) { record("setrgbcolor", {r, g, b}); }
void RecordingContext::emitSetcmykcolor(float c, float m, float y, float k) { record("setcmykcolor", {c, m, y, k}); }
void RecordingContext::emitSethsbcolor(float h, float s, float b) { record("sethsbcolor", {h, s, b}); }
void RecordingContext::emitSetalpha(float alpha) { record("setalpha", {alpha}); }
void RecordingContext::emitSetlinewidth(float w) { record("setlinewidth", {w}); }
void RecordingContext::emitSetlinecap(int cap) { record("setlinecap", {static_cast<float>(cap)}); }
void RecordingContext::emitSetlinejoin(int join) { record("setlinejoin", {static_cast<float>(join)}); }
void RecordingContext::emitSetmiterlimit(float limit) { record("setmiterlimit", {limit}); }

void RecordingContext::emitSetdash(std::span<const float> pattern, float offset)
{
    RecordedOp& op = record("setdash");
    op.numbers.assign(pattern.begin(), pattern.end());
    op.numbers.push_back(offset);
}

void RecordingContext::emitTranslate(float tx, float ty) { record("translate", {tx, ty}); }
void RecordingContext::emitScale(float sx, float sy) { record("scale", {sx, sy}); }
void RecordingContext::emitRotate(float degrees) { record("rotate", {degrees}); }
void RecordingContext::emitConcat(const Matrix& m) { record("concat", {m.a, m.b, m.c, m.d, m.tx, m.ty}); }
void RecordingContext::emitSetmatrix(const Matrix& m) { record("setmatrix", {m.a, m.b, m.c, m.d, m.tx, m.ty}); }
void RecordingContext::emitInitmatrix() { record("initmatrix"); }

void RecordingContext::emitSelectfont(const FontState& font)
{
    record("selectfont", {font.matrix.d}).text = font.name;
}

void RecordingContext::emitSetfont(const FontState& font)
{
    const Matrix& m = font.matrix;
    record("setfont", {m.a, m.b, m.c, m.d, m.tx, m.ty}).text = font.name;
}

void RecordingContext::emitMakefont(const Matrix& m, const FontState& font)
{
    record("makefont", {m.a, m.b, m.c, m.d, m.tx, m.ty}).text = font.name;
}

void RecordingContext::emitShow(std::string_view bytes) { record("show").text.assign(bytes); }

void RecordingContext::emitXyshow(std::string_view bytes, std::span<const float> offsets)
{
    RecordedOp& op = record("xyshow");
    op.text.assign(bytes);
    op.numbers.assign(offsets.begin(), offsets.end());
}

void RecordingContext::emitUserPath(const UserPath& path, std::span<const float, 4> bbox, UserPathAction action,
                                    const DevicePath&)
{
    RecordedOp& op = record("doUserPath", {bbox[0], bbox[1], bbox[2], bbox[3]});
    op.numbers.insert(op.numbers.end(), path.coords.begin(), path.coords.end());
    op.text.assign(path.ops.begin(), path.ops.end());
    op.code = static_cast<int>(action);
}

void RecordingContext::emitMovetoRound(float x, float y) { record("movetoRound", {x, y}); }
void RecordingContext::emitPostScript(std::string_view text) { record("sendPostScript").text.assign(text); }

void RecordingContext::emitCompositerect(const Rect& r, CompositeOp op)
{
    record("compositerect", {minX(r), minY(r), width(r), height(r)}).code = static_cast<int>(op);
}

namespace {
const char* modelName(ImagePixels::Model m)
{
    switch (m) {
    case ImagePixels::Model::Gray: return "Gray";
    case ImagePixels::Model::RGB: return "RGB";
    case ImagePixels::Model::CMYK: return "CMYK";
    case ImagePixels::Model::ARGB32: return "ARGB32";
    }
    return "";
}
} // namespace

void RecordingContext::emitDrawImage(const ImagePixels& pixels, const Rect& r)
{
    RecordedOp& op = record("drawImage", {minX(r), minY(r), width(r), height(r), float(pixels.width), float(pixels.height)});
    op.text = modelName(pixels.model);
    op.code = pixels.hasAlpha || pixels.model == ImagePixels::Model::ARGB32;
}

void RecordingContext::emitCompositeImage(const ImagePixels& pixels, Point p, const Rect& r, CompositeOp o)
{
    RecordedOp& op = record("compositeImage", {p.x, p.y, minX(r), minY(r), width(r), height(r)});
    op.text = modelName(pixels.model);
    op.code = static_cast<int>(o);
}

void RecordingContext::emitIncludeEPS(std::string_view postscript, const Rect& r, std::string_view name)
{
    RecordedOp& op = record("includeEPS", {minX(r), minY(r), width(r), height(r)});
    op.text = std::string(name);
    op.data = std::string(postscript);
}

void RecordingContext::emitHighlightRect(const Rect& r) { record("highlightRect", {minX(r), minY(r), width(r), height(r)}); }

void RecordingContext::emitFrameLinkRect(const Rect& r, bool isDestination)
{
    record("frameLinkRect", {minX(r), minY(r), width(r), height(r)}).code = isDestination ? 1 : 0;
}

void RecordingContext::emitWait() { record("wait"); }

} // namespace kit
