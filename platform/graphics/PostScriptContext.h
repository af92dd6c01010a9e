#pragma once

#include "graphics/DrawContext.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

// Numbers as PostScript reads them, whatever the process locale: at most
// four decimals, trailing zeros and a lone "-0" removed ("12", "0.5", "-3.25").
// A non-finite value is written as 0.
void appendPostScriptNumber(std::string& out, double value);
std::string postScriptNumber(double value);
// A string literal: "(" bytes ")" with parentheses and backslashes escaped and
// every byte outside printable ASCII as \ooo, so the text survives any
// transport; long strings are broken with backslash-newline, which
// PostScript ignores inside a string.
void appendPostScriptString(std::string& out, std::string_view bytes);

struct PostScriptDocumentInfo {
    std::string title;
    std::string creator = "Scrivly";
    std::string creationDate; // as the caller wants it shown
    std::string forWhom;
    // Default user space; an empty box takes the union of the pages' boxes.
    Rect boundingBox;
    // The pages the caller means to draw, when it knows (0: unknown): the
    // writer then makes room for all of them once the first is written,
    // instead of copying its text each time it outgrows its buffer.
    int pages = 0;
};

// Writes conforming PostScript (DSC 3.0, language level 2) or an EPS file.
// The caller brackets the drawing:
//
//   beginDocument(info)    header comments and the prologue; PostScript text
//                          sent now goes into the prologue, until
//   endPrologue()          (or the first page), then into the document set-up
//   beginPage(label, n, box)  text sent now goes into the page set-up until
//   endPageSetup()         or the first drawing operator
//   ... drawing ...
//   endPage()              showpage (never in EPS)
//   endDocument()          trailer; output() is the whole file
//
// Fonts of the documents' set are re-encoded to its glyph names in the
// document set-up; Symbol and font-specific fonts keep their own encoding;
// the fonts are listed as needed resources. The writer drops graphics-state
// operators that would not change what it last wrote (forgetting it after
// PostScript text it cannot read). Drawing outside a page is refused.
class PostScriptContext : public DrawContext {
public:
    enum class Kind { Document, EPS };

    explicit PostScriptContext(Kind kind = Kind::Document);
    ~PostScriptContext() override;

    bool isDrawingToScreen() const override { return false; }
    bool isEPSOperation() const override { return kind_ == Kind::EPS; }
    // Printers round on their own pixel grid, which the writer cannot know:
    // points come back unchanged, and movetoRound has the printer round.
    Point roundPoint(Point p) const override { return p; }

    void beginDocument(const PostScriptDocumentInfo& info);
    void endPrologue();
    // An EPS file has one page. An empty label shows the number.
    void beginPage(const std::string& label, int number, const Rect& boundingBox);
    void endPageSetup();
    void endPage();
    void endDocument();

    bool isFinished() const { return phase_ == Phase::Done; }
    int pageCount() const { return pages_; }
    // The document, complete after endDocument (empty before).
    const std::string& output() const { return output_; }
    // The document handed over without a copy; output() is empty after.
    std::string takeOutput() { return std::move(output_); }
    // Writes output() atomically; false when unfinished or the write fails.
    bool writeToFile(const std::string& path) const;

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
    void emitDrawImage(const ImagePixels& pixels, const Rect& rect) override;
    void emitIncludeEPS(std::string_view postscript, const Rect& box, std::string_view name) override;

private:
    enum class Phase { Idle, Prologue, Setup, PageSetup, Page, BetweenPages, Done };

    // What the output's graphics state is known to hold, to drop repeats.
    struct Written {
        bool colorKnown = false;
        ColorValue color;
        float lineWidth = -1;  // negative: unknown
        int lineCap = -1;
        int lineJoin = -1;
        float miterLimit = -1;
        bool dashKnown = false;
        std::vector<float> dash;
        float dashOffset = 0;
        std::string font; // "name matrix" as written; empty: unknown
    };

    struct UsedFont {
        std::string name;      // the font's own PostScript name
        std::string usedName;  // the name the pages select
        bool reencoded = false;
    };

    bool body(std::string_view op);
    void number(double v);
    void numbers(std::initializer_list<double> values);
    void numbers(std::span<const float> values);
    void closeArray();
    void op(std::string_view name);
    void rectOperands(std::span<const Rect> rects);
    void color(const ColorValue& value, std::string_view op, std::initializer_list<double> components);
    void font(const FontState& font);
    const std::string& usedFontName(const FontState& font);
    void pathOps(const UserPath& path);
    void breakLineIfLong();
    void startLineIfNeeded();

    Kind kind_;
    Phase phase_ = Phase::Idle;
    PostScriptDocumentInfo info_;
    std::string prologue_;  // text sent to the prologue
    std::string setup_;     // text sent to the document set-up
    std::string pagesText_; // the pages
    std::string output_;
    std::string* out_ = nullptr; // where operators go now
    std::size_t lineStart_ = 0;  // where out_'s last line begins
    int pages_ = 0;
    Rect pagesBox_;
    bool pageSetupHasText_ = false;
    Written written_;
    std::vector<Written> writtenStack_;
    std::vector<UsedFont> fonts_;
    // The last numbers written for glyph advances, by their bits: text uses
    // the same few widths again and again.
    struct WrittenNumber {
        std::uint32_t bits = 0;
        std::uint8_t length = 0; // 0: empty
        char text[11] = {};
    };
    std::array<WrittenNumber, 512> numberMemo_{};
};

} // namespace kit
