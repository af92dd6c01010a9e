#pragma once

// What paragraph drawing sends besides its words: the glyph batch behind
// one xyshow per run of equal font, colour and vertical shift; the
// underline, double underline, strikeout and redline runs stroked once per
// paragraph; the draw state that mirrors the context; and the small
// PostScript procedures of the text engine (markers, cursor, tokens).

#include "core/Color.h"
#include "foundation/StyleChar.h"

#include <array>
#include <vector>

namespace kit {
class DrawContext;
class Font;
}

// ---- Glyph batch.

// Characters and the move of the current point after each, sent as one
// xyshow. Every addition is checked against the capacity: a full batch is
// sent before anything more goes in, whatever the caller checked before.
class TextGlyphBatch {
public:
    static constexpr int Capacity = 4096;
    // On screen and in EPS output a batch is sent from this count on.
    static constexpr int ScreenFlushAt = 4094;
    // When printing.
    static constexpr int PrintFlushAt = 198;
    // The drawing loop asks whether to send only above this count.
    static constexpr int CheckAbove = 199;

    explicit TextGlyphBatch(kit::DrawContext& context);

    kit::DrawContext& context() const { return *context_; }
    // Draws into another context from now on (the batch is emptied).
    void setContext(kit::DrawContext& context);
    int count() const { return count_; }
    // The last character added since the batch was last emptied; 0 for none.
    unsigned char lastChar() const { return count_ > 0 ? chars_[std::size_t(count_ - 1)] : 0; }
    void add(unsigned char c, float dx, float dy);
    // A vertical move: onto the last character's move, or a blank for an
    // empty batch.
    void addVerticalMove(float dy);
    // Adds to the move after the last character (nothing for an empty batch).
    void addMove(float dx, float dy);
    // Forgets what was batched without sending it.
    void empty();

private:
    friend void flushXYbuff(TextGlyphBatch& batch);
    kit::DrawContext* context_;
    int count_ = 0;
    std::array<unsigned char, Capacity + 1> chars_{};
    std::array<float, 2 * Capacity> moves_{};
};

// Sends the batch (when it holds anything) and empties it.
void flushXYbuff(TextGlyphBatch& batch);
// Sends it when it reached the threshold of the output: ScreenFlushAt on
// screen and in EPS output, PrintFlushAt when printing.
void flushXYbuffIfNeeded(TextGlyphBatch& batch);

// ---- Decoration runs.

struct TextDecorationRun {
    float x = 0;
    float y = 0;     // baseline
    float width = 0; // 0 until the run ends
    kit::ColorRef color; // underlines only: the text colour when it started
};

struct TextDecorations {
    std::vector<TextDecorationRun> underlineList;
    std::vector<TextDecorationRun> dblUnderList;
    std::vector<TextDecorationRun> strikeoutList;
    std::vector<TextDecorationRun> redlineList;
    // Offsets above the baseline of strikeouts and redlines.
    float normalAscent = 3.0f;
    float redlineAscent = 6.0f;

    // No runs; the offsets without a paragraph font.
    void reset();
    bool any() const;
};

void addUnderline(TextDecorations& runs, float x, float y, const kit::ColorRef& color);
void extendUnderlineTo(TextDecorations& runs, float x);
void addDblUnder(TextDecorations& runs, float x, float y, const kit::ColorRef& color);
void extendDblUnderTo(TextDecorations& runs, float x);
void addStrikeout(TextDecorations& runs, float x, float y);
void extendStrikeoutTo(TextDecorations& runs, float x);
void addRedline(TextDecorations& runs, float x, float y);
void extendRedlineTo(TextDecorations& runs, float x);
// Strokes every run that has a length; colourInForce is what the context
// holds, so that only changes are sent.
void drawSpecials(kit::DrawContext& context, const TextDecorations& runs, kit::ColorRef colorInForce);

// ---- Draw state.

// What the context holds of the character style being drawn.
struct TextDrawState {
    explicit TextDrawState(kit::DrawContext& context) : batch(context) {}
    TextGlyphBatch batch;
    TextDecorations runs;
    StyleChar state;
    // Whether the state's font was made current (a reset state has none).
    bool fontSet = false;
    // A reset for drawing into the context: default values, nothing set,
    // no runs.
    void reset(kit::DrawContext& context);
};

// Brings the context in line with the style: font, colour, decoration runs
// (ended and started at x, y), vertical shift. A style without a font uses
// the application's; without either nothing changes.
void adjustDrawStateForStyleChar(TextDrawState& draw, const StyleChar* style, float x, float y);
// Ends every run of the state's decorations at x.
void endDecorationsOfState(TextDrawState& draw, float x);
// Starts a run at x, y for every decoration the state has.
void startDecorationsOfState(TextDrawState& draw, float x, float y);

// Makes the font current; in a coordinate system that runs downward (the
// page view's) the glyphs are flipped so that they stand upright.
void TextSetFont(kit::DrawContext& context, kit::Font* font);
// Every colour text drawing sets goes through here, so that erasing and
// drop shadows can put one colour in force.
void TextSetColor(kit::DrawContext& context, const kit::Color& color);

// While one lives, all text drawing uses its colour instead of the text's:
// white to erase, the shadow colour for a drop shadow.
class TextForcedColorScope {
public:
    explicit TextForcedColorScope(kit::ColorRef color);
    ~TextForcedColorScope();
    TextForcedColorScope(const TextForcedColorScope&) = delete;
    TextForcedColorScope& operator=(const TextForcedColorScope&) = delete;
    // The colour in force; null when none.
    static const kit::ColorRef& forcedColor();

private:
    kit::ColorRef previous_;
};

// ---- Procedures.

inline constexpr float TextMarkerGray = 0.333333f;
void PSWdrawEditBox(kit::DrawContext& context, float gray, float x, float y, float w, float h);
void PSWdrawCursor(kit::DrawContext& context, float gray, float x, float y, float h);
void PSWdrawUnderline(kit::DrawContext& context, float x, float y, float w);
void PSWdrawDoubleUnderline(kit::DrawContext& context, float x, float y, float w);
void PSWdrawStrikeout(kit::DrawContext& context, float x, float y, float w);
void PSWdrawRedline(kit::DrawContext& context, float x, float y, float w);
void PSWdrawTab(kit::DrawContext& context, float x, float y, float w);
void PSWoverdrawToken(kit::DrawContext& context, float x, float y, float w, float h);
void PSWdrawHeader(kit::DrawContext& context, float x, float y);
void PSWdrawFooter(kit::DrawContext& context, float x, float y);
void PSWcondenseCurrentFont(kit::DrawContext& context, float c);
void PSWflipCurrentFont(kit::DrawContext& context);

// ---- Text markers.

inline constexpr unsigned char TextSpaceMarker = 0xB7;
inline constexpr unsigned char TextParagraphMarker = 0xB6;
inline constexpr unsigned char TextLineBreakMarker = 0xBE;
inline constexpr unsigned char TextPageBreakMarker = 0xA7;

// The marks of spaces and breaks of one paragraph, shown at the end in one
// xyshow. At most Capacity marks are kept: later ones are dropped.
class TextMarkerList {
public:
    static constexpr int Capacity = 1024;
    // False (nothing added) when the list is full.
    bool add(unsigned char glyph, float x, float y);
    // Replaces the glyph of the last mark; false when there is none.
    bool replaceLast(unsigned char glyph);
    int count() const { return int(glyphs_.size()); }
    void clear();
    // One xyshow from (0, startY): a blank, then every mark in place.
    void show(kit::DrawContext& context, float startY) const;

private:
    std::vector<unsigned char> glyphs_;
    std::vector<float> xs_, ys_;
};
