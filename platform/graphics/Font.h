#pragma once

#include "core/Geometry.h"
#include "core/Object.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

class Coder;

namespace detail {
struct FontFace;
}

// How a font's 8-bit codes reach its glyphs.
enum class FontEncodingScheme {
    Document,     // the documents' set (kit::Encoding::NeXTSTEP)
    Symbol,       // the Symbol font's set (kit::Encoding::Symbol)
    FontSpecific, // the font's own built-in encoding (the AFM's C codes)
};

// One face as the font manager lists it.
struct FontFaceInfo {
    std::string fontName;   // PostScript name ("Times-BoldItalic")
    std::string familyName; // "Times"
    std::string faceName;   // the face within the family ("Bold Italic")
    int weight = 5;         // 0-15: 5 normal, 9 bold
    int traits = 0;         // FontManager trait bits
};

// A font: a face by PostScript name at one point size. Fonts are interned:
// the same name and size always answer the same Font*, and callers compare
// fonts by pointer. Every font lives until the program ends.
//
// Sizes are keyed by the bits of the float: 12.0f and the next float above
// it are two fonts, since they measure differently. A face's metrics are
// read from its AFM file on first use.
class Font : public Object {
public:
    // Registers the class with the archiver. Safe to call more than once;
    // fontWithName calls it too.
    static void initialize();

    // The interned font, or nullptr when no face has that name (standard
    // PostScript names, the URW files' own names, registered faces) or the
    // size is not a finite number above 0.
    static Font* fontWithName(std::string_view name, float size);

    // The user's fonts: the defaults "NSFont" and "NSFixedPitchFont"
    // ("Helvetica" and "Courier" when unset or unknown); a size of 0 or less
    // takes "NSFontSize" (12 when unset).
    static Font* userFontOfSize(float size);
    static Font* userFixedPitchFontOfSize(float size);

    // Adds a face from an AFM file (tests' fixture fonts, user fonts). The
    // font file is the Type 1 or OpenType file the drawing back ends embed;
    // empty for a metrics-only face. Answers an empty string on success or
    // an error a person can read. A face of a name already known is refused,
    // unless it was registered from this same AFM file (then it is no error).
    static std::string registerFontFromAFM(const std::string& afmPath, const std::string& fontFilePath = "");

    // Every face, sorted by PostScript name: the standard faces whose
    // metrics file is installed and the faces registered from files.
    static std::vector<FontFaceInfo> availableFaces();
    // True when a face of this PostScript name exists (loading it if needed).
    static bool hasFace(std::string_view name);

    // Who answers for an archived font whose name no face has. The default
    // (an empty handler) answers "Courier" at the archived size, or nil when
    // Courier is missing too. The reader of documents installs its own to
    // count and report missing fonts.
    using SubstituteHandler = std::function<Font*(const std::string& name, float size)>;
    static void setSubstituteFontHandler(SubstituteHandler handler);

    Font(); // for the archiver's class registry only
    ~Font() override;
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    std::string className() const override { return "Font"; }
    void encodeWithCoder(Coder& coder) const override;
    Object* initWithCoder(Coder& coder) override;
    std::string description() const override;

    // ---- Identity.
    const std::string& fontName() const;
    float pointSize() const { return size_; }
    // The standard family ("Times", "Helvetica", "Helvetica Narrow").
    const std::string& familyName() const;
    const std::string& fullName() const;
    // The AFM's Weight ("Roman", "Bold", "Medium", ...).
    const std::string& weightName() const;
    // The font manager's view of the face.
    int traits() const;
    int weight() const;
    FontEncodingScheme encodingScheme() const;
    // The Type 1 or OpenType file of the face; empty for metrics-only faces.
    const std::string& fontFilePath() const;

    // ---- Per code (the 8-bit code in this font's encoding scheme).
    // The PostScript glyph name the code shows; empty when none.
    std::string_view glyphName(unsigned char code) const;
    bool glyphIsEncoded(unsigned char code) const;
    // Advance at this font's size; 0 for a code without a glyph.
    float advance(unsigned char code) const;
    // The 256 advances of a 1-point font (printer fonts); for a screen font
    // the integral advances at its own size, so that its callers scale by 1.
    const std::array<float, 256>& widths() const;
    // Kerning of the pair at this font's size (0 for none); whole pixels for
    // a screen font.
    float kern(unsigned char first, unsigned char second) const;
    // For loops over many codes (the text engine's measuring): per code,
    // glyphIsEncoded; per first code, its kerning amounts at 1 point by
    // second code, nullptr when the code starts no pair. kern(a, b) is
    // kerningRows()[a][b] * pointSize(), rounded on a screen font. Valid
    // while the font lives.
    const std::array<bool, 256>& encodedGlyphs() const;
    const std::array<const float*, 256>& kerningRows() const;
    // The glyph's ink box at this font's size; empty for a code without a glyph.
    Rect boundingRectForGlyph(unsigned char code) const;
    // (advance(code), 0).
    Size advancementForGlyph(unsigned char code) const;
    // Advance of a glyph by name at this size; 0 when the face lacks it.
    float advancementForGlyphNamed(std::string_view glyphName) const;
    // Where the glyph starts when it follows precededByGlyph: the previous
    // advance plus their kerning, at this size. isNominal is always true
    // (no contextual forms).
    Point positionOfGlyph(unsigned char code, unsigned char precededByGlyph, bool* isNominal = nullptr) const;

    // Sum of the advances of the bytes at this font's size (no kerning).
    float widthOfString(std::string_view bytes) const;

    // ---- Vertical metrics at this font's size (y up, baseline 0).
    // The union of the ink boxes of the glyphs the encoding reaches. (The
    // URW FontBBox also spans stacked accents no 8-bit code shows, which
    // would add two or three points to every line.)
    Rect boundingRectForFont() const;
    // Ascender and Descender of the AFM; where the file states 0 (the URW
    // files do), the top of "d" and the bottom of "p" as the AFM format
    // defines them, or the font box for faces without those letters.
    float ascender() const;  // positive
    float descender() const; // negative below the baseline, as in the AFM
    float capHeight() const;
    float xHeight() const;
    float italicAngle() const;
    float underlinePosition() const;
    float underlineThickness() const;
    bool isFixedPitch() const;

    // The line metrics the text engine uses: naturalHeight is the ceiling of
    // the font bounding box's height, descent the ceiling of |descender|, and
    // ascent the difference.
    float naturalHeight() const;
    float descent() const;
    float ascent() const;

    // ---- Screen and printer variants (interned too). A printer font's
    // screenFont answers the font with advances rounded to whole pixels at
    // 72 dpi at this size; a screen font answers itself. printerFont goes back.
    Font* screenFont() const;
    Font* printerFont() const;
    bool isScreenFont() const { return screen_; }

private:
    friend struct FontTable;

    Font(const detail::FontFace* face, float size, bool screen);

    const detail::FontFace* face_ = nullptr;
    float size_ = 0;
    bool screen_ = false;
    // Screen fonts: integral advances at size_; printer fonts: unused.
    std::array<float, 256> screenWidths_{};
    // Fixed for the font's life, and asked for at every word measured.
    float unitScale_ = 0; // size_ / 1000: font units to points
    float naturalHeight_ = 0;
    float descent_ = 0;
    mutable Font* other_ = nullptr; // the screen (or printer) counterpart
};

} // namespace kit
