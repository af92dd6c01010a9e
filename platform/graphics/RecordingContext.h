#pragma once

#include "graphics/DrawContext.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

// One operator as the recording context saw it. Arguments are in user space,
// as the caller gave them (after the checks and clamping of DrawContext).
//
//   name                numbers                        text          code
//   moveto, lineto ...  x y (curves: 6, arcs: 5)
//   rectfill, rectstroke, rectclip  x y w h per rectangle (a list is one op)
//   rectfillListWithGrays  x y w h gray per rectangle
//   setgray ... setdash the operands; setdash: pattern then offset
//   concat, setmatrix   a b c d tx ty
//   selectfont          size                           font name
//   setfont, makefont   the font matrix (makefont: its operand)  font name
//   show                                               the bytes
//   xyshow              the offsets                    the bytes
//   doUserPath          llx lly urx ury, then coords   operator bytes  action
//   sendPostScript                                     the text
//   compositerect       x y w h                                      operation
//   frameLinkRect       x y w h                                      1: destination
//   drawImage           x y w h, pixels wide, high     model (Gray, RGB, CMYK, ARGB32)  1: alpha
//   compositeImage      x y, from x y w h              model                            operation
//   includeEPS          box x y w h                    the name; the PostScript is in `data`
struct RecordedOp {
    std::string name;
    std::vector<float> numbers;
    std::string text;
    int code = 0;
    std::string data; // includeEPS: the PostScript

    // One line: "moveto 10 20", "show (a\(b\))", "selectfont Times-Roman 12",
    // "setdash [3 3] 0", "doUserPath 179 {1 3 3 10} 0 0 10 10 ...".
    std::string toString() const;
};

// A back end that draws nothing and keeps every operator, for tests. Whether
// it stands for the screen or an EPS operation is up to the test.
class RecordingContext : public DrawContext {
public:
    RecordingContext();
    ~RecordingContext() override;

    bool isDrawingToScreen() const override { return screen_; }
    bool isEPSOperation() const override { return eps_; }
    void setDrawingToScreen(bool flag) { screen_ = flag; }
    void setEPSOperation(bool flag) { eps_ = flag; }

    const std::vector<RecordedOp>& ops() const { return ops_; }
    // Null when nothing was recorded.
    const RecordedOp* lastOp() const { return ops_.empty() ? nullptr : &ops_.back(); }
    std::size_t count(std::string_view name) const;
    // The text forms, one per operator.
    std::vector<std::string> lines() const;
    // Forgets the operators; the graphics state stays.
    void clear() { ops_.clear(); }
    // Forgets the operators and starts again from the initial graphics state.
    void reset();

protected:
    void emitGsave() override;
    void emitGrestore() override;
    void emitNewpath() override;
    void emitMoveto(float x, float y) override;
    void emitRmoveto(float dx, float dy) override;
    void emitLineto(float x, float y) override;
    void emitRlineto(float dx, float dy) override;
    void emitCurveto(const float (&p)[6]) override;
    void emitRcurveto(const float (&p)[6]) override;
    void emitArc(float x, float y, float r, float angle1, float angle2, bool clockwise) override;
    void emitClosepath() override;
    void emitFill(FillRule rule) override;
    void emitStroke() override;
    void emitClip(FillRule rule) override;
    void emitInitclip() override;
    void emitRectfill(std::span<const Rect> rects) override;
    void emitRectstroke(std::span<const Rect> rects) override;
    void emitRectclip(std::span<const Rect> rects) override;
    void emitRectfillWithGrays(std::span<const Rect> rects, std::span<const float> grays) override;
    void emitSetgray(float gray) override;
    void emitSetrgbcolor(float r, float g, float b) override;
    void emitSetcmykcolor(float c, float m, float y, float k) override;
    void emitSethsbcolor(float h, float s, float b) override;
    void emitSetalpha(float alpha) override;
    void emitSetlinewidth(float width) override;
    void emitSetlinecap(int cap) override;
    void emitSetlinejoin(int join) override;
    void emitSetmiterlimit(float limit) override;
    void emitSetdash(std::span<const float> pattern, float offset) override;
    void emitTranslate(float tx, float ty) override;
    void emitScale(float sx, float sy) override;
    void emitRotate(float degrees) override;
    void emitConcat(const Matrix& m) override;
    void emitSetmatrix(const Matrix& m) override;
    void emitInitmatrix() override;
    void emitSelectfont(const FontState& font) override;
    void emitSetfont(const FontState& font) override;
    void emitMakefont(const Matrix& m, const FontState& font) override;
    void emitShow(std::string_view bytes) override;
    void emitXyshow(std::string_view bytes, std::span<const float> offsets) override;
    void emitUserPath(const UserPath& path, std::span<const float, 4> bbox, UserPathAction action,
                      const DevicePath& devicePath) override;
    void emitMovetoRound(float x, float y) override;
    void emitPostScript(std::string_view text) override;
    void emitCompositerect(const Rect& r, CompositeOp op) override;
    void emitHighlightRect(const Rect& r) override;
    void emitFrameLinkRect(const Rect& r, bool isDestination) override;
    void emitWait() override;
    void emitDrawImage(const ImagePixels& pixels, const Rect& rect) override;
    void emitCompositeImage(const ImagePixels& pixels, Point point, const Rect& fromRect, CompositeOp op) override;
    void emitIncludeEPS(std::string_view postscript, const Rect& box, std::string_view name) override;

private:
    RecordedOp& record(const char* name, std::initializer_list<float> numbers = {});
    void recordRects(const char* name, std::span<const Rect> rects);

    std::vector<RecordedOp> ops_;
    bool screen_ = false;
    bool eps_ = false;
};

} // namespace kit
