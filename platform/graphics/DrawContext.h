#pragma once

#include "core/Color.h"
#include "core/Geometry.h"
#include "graphics/Matrix.h"

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

class Font;

enum class FillRule { NonZero, EvenOdd };

// Operator codes of an encoded user path, numbered as Display PostScript
// numbers them. A byte above 32 is a repeat count: the operator after it is
// used (byte - 32) times.
enum class UserPathOp : unsigned char {
    setbbox = 0,   // 4 numbers: llx lly urx ury
    moveto = 1,    // 2
    rmoveto = 2,   // 2
    lineto = 3,    // 2
    rlineto = 4,   // 2
    curveto = 5,   // 6
    rcurveto = 6,  // 6
    arc = 7,       // 5: x y r angle1 angle2
    arcn = 8,      // 5
    arct = 9,      // 5: x1 y1 x2 y2 r
    closepath = 10,
    ucache = 11,
};

// What doUserPath does with a path: the system name numbers of the
// user-path operators, which is what the system's callers pass.
enum class UserPathAction : int {
    uappend = 176, // append to the current path
    ueofill = 178,
    ufill = 179,
    ustroke = 183,
};

// An encoded user path: coordinates and operator bytes. Both are only read.
struct UserPath {
    std::span<const float> coords;
    std::span<const unsigned char> ops;
};

// The platform's compositing operations, in its numbering.
enum class CompositeOp : int {
    Clear = 0,
    Copy,
    SourceOver,
    SourceIn,
    SourceOut,
    SourceAtop,
    DestinationOver,
    DestinationIn,
    DestinationOut,
    DestinationAtop,
    XOR,
    PlusDarker,
    Highlight,
    PlusLighter,
};

// A path in device space, as PostScript keeps the current path: it does not
// move when the matrix changes after it was built. Arcs are already cubic
// curves, and every subpath starts with a MoveTo (also after a ClosePath).
struct DevicePath {
    enum class Verb : unsigned char { MoveTo, LineTo, CurveTo, ClosePath };
    std::vector<Verb> verbs;
    std::vector<double> coords; // 2 per MoveTo and LineTo, 6 per CurveTo

    bool empty() const { return verbs.empty(); }
    void clear();
    // Control points included; the zero rectangle for an empty path.
    Rect bounds() const;
};

// A colour as the graphics state holds it (alpha is kept apart, as the
// window server keeps it).
struct ColorValue {
    Color::Space space = Color::Space::Gray;
    float components[4] = {0, 0, 0, 0}; // gray: [0]; RGB: r g b; CMYK: c m y k

    friend bool operator==(const ColorValue&, const ColorValue&) = default;
    // Device conversions, for back ends that paint in RGB.
    void getRGB(float& r, float& g, float& b) const;
};

// Pixels handed to the image operators: 8 bits a sample, rows from the top
// of the picture down, each row bytesPerRow long. Alpha, when present, is the
// last sample of a pixel and not premultiplied; ARGB32 pixels are native
// 32-bit words 0xAARRGGBB, premultiplied, as the screen keeps them.
struct ImagePixels {
    enum class Model : unsigned char { Gray, RGB, CMYK, ARGB32 };
    int width = 0;
    int height = 0;
    Model model = Model::RGB;
    bool hasAlpha = false; // ARGB32 always carries alpha
    std::size_t bytesPerRow = 0;
    const unsigned char* data = nullptr;

    // Bytes per pixel.
    int samplesPerPixel() const;
    // Sizes, row length and data agree.
    bool isValid() const;
};

struct FontState {
    const Font* font = nullptr; // null for a font known only by name
    std::string name;           // PostScript name; empty when no font is set
    Matrix matrix;              // maps the 1-unit font to user space

    bool isSet() const { return !name.empty(); }
};

struct ClipEntry {
    std::shared_ptr<const DevicePath> path;
    FillRule rule = FillRule::NonZero;
};

struct GraphicsState {
    Matrix ctm;
    ColorValue color;
    float alpha = 1.0f;
    float lineWidth = 1.0f;
    int lineCap = 0;
    int lineJoin = 0;
    float miterLimit = 10.0f;
    std::vector<float> dash;
    float dashOffset = 0.0f;
    FontState font;
    // The clip is the intersection of these; empty means not clipped.
    std::vector<ClipEntry> clips;
    DevicePath path;
    bool hasCurrentPoint = false;
    double currentX = 0, currentY = 0;   // device space
    double subpathX = 0, subpathY = 0;   // start of the current subpath
    // CachedState bits: the attributes the cached setters may take as
    // already set. Part of the state, so grestore brings back what was
    // known at the matching gsave.
    unsigned cachedState = 0;
};

// The attributes of the cached setters of DrawContext.
enum CachedState : unsigned {
    CachedColor = 0x1,
    CachedLineWidth = 0x2,
    CachedMiterLimit = 0x4,
    CachedDash = 0x8,
    CachedFont = 0x10,
    CachedAll = 0x1F,
};

// A drawing context: the PostScript operators the system sends to "the
// current context", whatever it draws to. This class keeps the graphics
// state, the current path and the clip in device space, checks every
// argument and answers the read-back operators (current point, rounding,
// insideness tests) geometrically; back ends override the emit hooks only.
//
// Arguments that PostScript would reject (non-finite numbers, a path
// operator without a current point, a malformed user path, a negative dash,
// text without a font) make the operator do nothing: no hook runs, the state
// is unchanged, and lastError() says why.
class DrawContext {
public:
    DrawContext();
    virtual ~DrawContext();
    DrawContext(const DrawContext&) = delete;
    DrawContext& operator=(const DrawContext&) = delete;

    // The context that drawing code sends its operators to; may be null.
    static DrawContext* current();
    static void setCurrent(DrawContext* context);

    // Makes a context current for a scope and restores the previous one.
    class Scope {
    public:
        explicit Scope(DrawContext& context);
        ~Scope();
        Scope(const Scope&) = delete;
        Scope& operator=(const Scope&) = delete;

    private:
        DrawContext* previous_;
    };

    virtual bool isDrawingToScreen() const = 0;
    // True while the output is an EPS file (pasteboard, services).
    virtual bool isEPSOperation() const = 0;

    // ---- Graphics state stack. An unmatched grestore does nothing.
    void gsave();
    void grestore();
    int gsaveDepth() const { return static_cast<int>(stack_.size()); }

    // ---- Path construction (user coordinates).
    void newpath();
    void moveto(float x, float y);
    void rmoveto(float dx, float dy);
    void lineto(float x, float y);
    void rlineto(float dx, float dy);
    void curveto(float x1, float y1, float x2, float y2, float x3, float y3);
    void rcurveto(float dx1, float dy1, float dx2, float dy2, float dx3, float dy3);
    // Angles in degrees; a line joins the current point to the arc's start.
    void arc(float x, float y, float r, float angle1, float angle2);
    void arcn(float x, float y, float r, float angle1, float angle2);
    void closepath();
    // In user space; nullopt without a current point or with a singular matrix.
    std::optional<Point> currentpoint() const;

    // ---- Painting. fill, eofill and stroke clear the current path; clip
    // and eoclip keep it, as in PostScript.
    void fill();
    void eofill();
    void stroke();
    void clip();
    void eoclip();
    void initclip();

    void rectfill(float x, float y, float w, float h);
    void rectstroke(float x, float y, float w, float h);
    // Intersects the clip with the rectangle and clears the current path.
    void rectclip(float x, float y, float w, float h);
    void rectfill(const Rect& r) { rectfill(minX(r), minY(r), width(r), height(r)); }
    void rectclip(const Rect& r) { rectclip(minX(r), minY(r), width(r), height(r)); }
    // Rectangle lists: one operator for many rectangles.
    void rectfillList(std::span<const Rect> rects);
    void rectstrokeList(std::span<const Rect> rects);
    // Clips to the union of the rectangles.
    void rectclipList(std::span<const Rect> rects);
    // Each rectangle in its own gray; the current colour is left as it was.
    void rectfillListWithGrays(std::span<const Rect> rects, std::span<const float> grays);
    // A frame of that width inside the rectangle, in the current colour.
    void frameRect(const Rect& r, float width = 1.0f);

    // ---- Colour. Levels are clamped to 0..1.
    void setgray(float gray);
    void setrgbcolor(float r, float g, float b);
    void setcmykcolor(float c, float m, float y, float k);
    // Kept as the RGB colour it stands for.
    void sethsbcolor(float hue, float saturation, float brightness);
    void setalpha(float alpha);
    // The colour's own operator, then setalpha when its alpha differs.
    void setColor(const Color& color);
    const ColorValue& currentColor() const { return state_.color; }
    float currentalpha() const { return state_.alpha; }

    // ---- Line attributes.
    void setlinewidth(float width); // the absolute value is used
    void setlinecap(int cap);       // 0 butt, 1 round, 2 square
    void setlinejoin(int join);     // 0 miter, 1 round, 2 bevel
    void setmiterlimit(float limit); // at least 1
    // An empty pattern is a solid line.
    void setdash(std::span<const float> pattern, float offset);

    // ---- Cached setters, for drawers that set the same colour, width, dash
    // or font for many objects in a row: each sends its operator only when the
    // attribute is not yet known or the graphics state holds another value.
    // A new context, a new page and forgetCachedState know nothing, so the
    // next cached call always sends; raw PostScript text forgets everything,
    // since it may have changed the output's state behind the context's back.
    void setColorCached(const Color& color);
    void setlinewidthCached(float width);
    void setmiterlimitCached(float limit);
    void setdashCached(std::span<const float> pattern, float offset);
    // setfont with the font matrix given (a size, flipped or condensed).
    void setfontCached(const Font* font, const Matrix& fontMatrix);
    // bits: CachedState values; in the current state and every saved one.
    void forgetCachedState(unsigned bits = CachedAll);
    unsigned cachedState() const { return state_.cachedState; }

    float currentlinewidth() const { return state_.lineWidth; }
    int currentlinecap() const { return state_.lineCap; }
    int currentlinejoin() const { return state_.lineJoin; }
    float currentmiterlimit() const { return state_.miterLimit; }
    const std::vector<float>& currentdash() const { return state_.dash; }
    float currentdashoffset() const { return state_.dashOffset; }

    // ---- A stack of matrices apart from the graphics state, as matrices
    // left on the PostScript operand stack: gsave and grestore do not touch
    // it. Pushes a copy of the current matrix.
    void leaveMatrixOnStack();
    // Pops the top matrix and makes it current; false (and nothing done)
    // when the stack is empty.
    bool useMatrixFromStack();
    std::size_t matrixStackDepth() const { return matrixStack_.size(); }

    // ---- Coordinate system.
    void translate(float tx, float ty);
    void scale(float sx, float sy);
    void rotate(float degrees);
    void concat(const Matrix& m);
    void setmatrix(const Matrix& m);
    // Back to the device's default matrix.
    void initmatrix();
    const Matrix& currentmatrix() const { return state_.ctm; }
    // User space of the page or window: for the PostScript writer the page's
    // default user space (identity), for the screen the window's device.
    const Matrix& defaultMatrix() const { return defaultMatrix_; }
    // For back ends and tests: the matrix initmatrix goes back to. It does
    // not change the current matrix.
    void setDefaultMatrix(const Matrix& m);

    // ---- Fonts. A font's size gives its matrix.
    void selectfont(const Font* font);
    // A font by PostScript name: a kit font when Font knows the name,
    // otherwise a font the output defines itself (a Type 3 font sent as
    // PostScript text), drawn only where the back end knows it.
    void selectfont(std::string_view fontName, float size);
    // The font with an explicit font matrix (a flipped or condensed font).
    void setfont(const Font* font, const Matrix& fontMatrix);
    // Transforms the current font: its matrix becomes (font matrix × m).
    void makefont(const Matrix& m);
    const FontState& currentfont() const { return state_.font; }

    // ---- Text, at the current point in the current font and colour. The
    // bytes are codes of the font's encoding (the documents' set for text
    // fonts). The current point advances by the glyphs' widths.
    void show(std::string_view bytes);
    // Each character is followed by two numbers: the move of the current
    // point to the next character (the last one's move ends the text).
    // Needs at least 2 numbers per character; more are ignored.
    void xyshow(std::string_view bytes, std::span<const float> offsets);

    // ---- User paths. Answers false (and does nothing) for a malformed
    // path: an unknown operator, too few coordinates, non-finite numbers,
    // a relative operator without a current point. A path that fills or
    // strokes leaves the current path alone; uappend adds to it.
    bool doUserPath(const UserPath& path, std::span<const float, 4> bbox, UserPathAction action);

    // ---- Insideness tests, answered from the current matrix, line width
    // and the path's geometry (curves and arcs flattened), as the window
    // server answers them: a point hits when the device pixel holding it
    // would be painted. The clip is not taken into account. A malformed
    // path answers false.
    bool inufill(float x, float y, const UserPath& path);
    bool inueofill(float x, float y, const UserPath& path);
    // Within half the current line width of the path (round caps and joins).
    bool inustroke(float x, float y, const UserPath& path);
    // Whether the filled aperture meets what filling (or stroking) the
    // second path would paint.
    bool inufill(const UserPath& aperture, const UserPath& path);
    bool inustroke(const UserPath& aperture, const UserPath& path);

    // ---- Device rounding. The point moved to the centre of its device
    // pixel (integer + 0.5 in device space), in user space.
    virtual Point roundPoint(Point p) const;
    void movetoRound(float x, float y);

    // ---- Pictures.
    // Paints the image into the rectangle (user space, under the current
    // matrix): its first row along the top edge (maxY), scaled to fill it.
    void drawImage(const ImagePixels& pixels, const Rect& rect);
    // Copies the part fromRect (in pixels, origin at the image's top-left
    // corner) unscaled and upright on the device, its top-left corner at the
    // device pixel that holds `point` (user space), as compositing does on
    // the screen. Outputs without pixels (the printer) paint that part one
    // unit a pixel below and right of the point instead.
    void compositeImage(const ImagePixels& pixels, Point point, const Rect& fromRect, CompositeOp op);
    // An EPS file's PostScript (DOS header already removed), drawn in its own
    // coordinates: the caller moves the bounding box where it belongs. The
    // PostScript writer embeds it with the usual save/restore, a disabled
    // showpage and %%BeginDocument/%%EndDocument; outputs that cannot run
    // PostScript draw nothing (an EPS picture brings its own raster there).
    void includeEPS(std::string_view postscript, const Rect& boundingBox, std::string_view name);

    // ---- Everything else.
    // PostScript text for the output: the PostScript writer copies it, the
    // recording context records it, a screen context ignores it.
    void sendPostScript(std::string_view text);
    // Composites the current colour (Clear: transparency) over a rectangle.
    void compositerect(float x, float y, float w, float h, CompositeOp op);
    // Inverts what the rectangle covers on screen; a second call undoes it.
    // Never printed.
    void highlightRect(const Rect& r);
    // The frame that marks a linked object (source or destination). Screen only.
    void frameLinkRect(const Rect& r, bool isDestination);
    static float linkFrameThickness() { return 2.0f; }
    // Waits until what was sent has been drawn.
    void wait();

    // ---- Refused operators.
    const std::string& lastError() const { return lastError_; }
    unsigned errorCount() const { return errorCount_; }
    void clearErrors();

protected:
    const GraphicsState& state() const { return state_; }
    // Empties the stack and goes back to the initial state under the
    // default matrix (a new page).
    void resetGraphicsState();
    // Records why an operator was refused; back ends call it too.
    void refuse(std::string_view op, std::string_view reason);

    // Emit hooks. Each runs once the arguments are checked and before the
    // state changes, so that a back end sees the state the operator applies
    // to (the current path for fill, the current point for show). The
    // arguments are the caller's, in user space.
    virtual void emitGsave() {}
    virtual void emitGrestore() {}
    virtual void emitNewpath() {}
    virtual void emitMoveto(float, float) {}
    virtual void emitRmoveto(float, float) {}
    virtual void emitLineto(float, float) {}
    virtual void emitRlineto(float, float) {}
    virtual void emitCurveto(const float (&)[6]) {}
    virtual void emitRcurveto(const float (&)[6]) {}
    virtual void emitArc(float, float, float, float, float, bool /*clockwise*/) {}
    virtual void emitClosepath() {}
    virtual void emitFill(FillRule) {}
    virtual void emitStroke() {}
    virtual void emitClip(FillRule) {}
    virtual void emitInitclip() {}
    virtual void emitRectfill(std::span<const Rect>) {}
    virtual void emitRectstroke(std::span<const Rect>) {}
    virtual void emitRectclip(std::span<const Rect>) {}
    virtual void emitRectfillWithGrays(std::span<const Rect>, std::span<const float>) {}
    virtual void emitSetgray(float) {}
    virtual void emitSetrgbcolor(float, float, float) {}
    virtual void emitSetcmykcolor(float, float, float, float) {}
    virtual void emitSethsbcolor(float, float, float) {}
    virtual void emitSetalpha(float) {}
    virtual void emitSetlinewidth(float) {}
    virtual void emitSetlinecap(int) {}
    virtual void emitSetlinejoin(int) {}
    virtual void emitSetmiterlimit(float) {}
    virtual void emitSetdash(std::span<const float>, float) {}
    virtual void emitTranslate(float, float) {}
    virtual void emitScale(float, float) {}
    virtual void emitRotate(float) {}
    virtual void emitConcat(const Matrix&) {}
    virtual void emitSetmatrix(const Matrix&) {}
    virtual void emitInitmatrix() {}
    // selectfont, setfont and makefont; `font` is the font they make current.
    virtual void emitSelectfont(const FontState& /*font*/) {}
    virtual void emitSetfont(const FontState& /*font*/) {}
    virtual void emitMakefont(const Matrix&, const FontState& /*font*/) {}
    virtual void emitShow(std::string_view) {}
    virtual void emitXyshow(std::string_view, std::span<const float> /*exactly 2 per byte*/) {}
    // `path` is the user path in device space under the current matrix.
    virtual void emitUserPath(const UserPath&, std::span<const float, 4>, UserPathAction, const DevicePath& /*path*/) {}
    virtual void emitMovetoRound(float, float) {}
    virtual void emitPostScript(std::string_view) {}
    virtual void emitCompositerect(const Rect&, CompositeOp) {}
    virtual void emitHighlightRect(const Rect&) {}
    virtual void emitFrameLinkRect(const Rect&, bool) {}
    virtual void emitWait() {}
    virtual void emitDrawImage(const ImagePixels&, const Rect&) {}
    virtual void emitCompositeImage(const ImagePixels&, Point, const Rect& /*fromRect, clipped to the image*/,
                                    CompositeOp) {}
    virtual void emitIncludeEPS(std::string_view, const Rect&, std::string_view) {}

private:
    enum class HitMode { Fill, EOFill, Stroke };
    void clipWithRects(std::span<const Rect> rects);
    bool checkFinite(std::string_view op, std::initializer_list<float> values);
    bool checkCurrentPoint(std::string_view op);
    bool checkFont(std::string_view op);
    bool checkMatrix(std::string_view op, const Matrix& m);
    void advanceCurrentPoint(double dx, double dy);
    bool pointHit(std::string_view op, float x, float y, const UserPath& path, HitMode mode);
    bool pathHit(std::string_view op, const UserPath& aperture, const UserPath& path, bool stroke);

    GraphicsState state_;
    std::vector<GraphicsState> stack_;
    std::vector<Matrix> matrixStack_;
    Matrix defaultMatrix_;
    std::string lastError_;
    unsigned errorCount_ = 0;
};

namespace detail {

// Path building on a state's current path, in device coordinates; they keep
// the current point and the subpath start, and the rule that every subpath
// starts with a MoveTo.
void pathMove(GraphicsState& s, double x, double y);
void pathLine(GraphicsState& s, double x, double y);
void pathCurve(GraphicsState& s, const double (&p)[6]);
void pathClose(GraphicsState& s);
// An arc about a user-space centre under s.ctm, joined to the current point
// by a line (or starting a subpath when there is none).
void pathArc(GraphicsState& s, double cx, double cy, double r, double angle1, double angle2, bool clockwise);

// Interprets an encoded user path into target's current path (relative
// operators continue from its current point). Answers an empty string on
// success, else why the path is malformed; target is then unusable.
std::string appendUserPath(GraphicsState& target, const UserPath& userPath);

// Flattens a device path into polylines (one per subpath, closed ones with
// their first point repeated at the end).
struct Polyline {
    std::vector<double> xy;
    bool closed = false;
};
std::vector<Polyline> flattenPath(const DevicePath& path, double tolerance);

} // namespace detail

} // namespace kit
