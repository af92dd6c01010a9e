#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kit {

// The printer metrics of one face as an Adobe Font Metrics file (AFM 4.1)
// gives them, in the file's units (1000 to the em for every Type 1 font).
// Only what the text engine and the drawing back ends use is kept; composite
// characters, track kerning and vertical metrics are skipped.
struct FontMetrics {
    struct Box {
        float llx = 0, lly = 0, urx = 0, ury = 0;
    };

    struct Glyph {
        int code = -1; // the built-in encoding's code, -1 when unencoded
        std::string name; // may be empty in a file that names no glyphs
        float width = 0; // WX (or the x of W)
        Box box; // B; all zero when absent
    };

    struct KernPair {
        std::uint32_t first = 0; // glyph indices
        std::uint32_t second = 0;
        float x = 0;
    };

    std::string fontName;
    std::string fullName;
    std::string familyName;
    std::string weight;
    std::string encodingScheme;
    float italicAngle = 0;
    bool isFixedPitch = false;
    Box fontBBox;
    float underlinePosition = 0;
    float underlineThickness = 0;
    // As the file states them; 0 when absent or stated as 0 (the URW files
    // state Ascender and Descender as 0). Font derives usable values.
    float capHeight = 0;
    float xHeight = 0;
    float ascender = 0;
    float descender = 0;

    std::vector<Glyph> glyphs; // in file order; a repeated name finds its first glyph
    std::vector<KernPair> kernPairs; // in file order; pairs naming unknown glyphs are dropped

    // The index of a named glyph, or nullopt.
    std::optional<std::uint32_t> glyphIndex(std::string_view name) const;
    const Glyph* glyphNamed(std::string_view name) const;

    // Parses AFM text. On failure answers nullopt and sets error to a
    // sentence naming the line and what is wrong with it. Unknown keys are
    // skipped; a file that ends before EndFontMetrics, a character metrics
    // line without a width, a number that does not parse or is out of range
    // (|v| > 100000), and more than MaxGlyphs glyphs or MaxKernPairs pairs
    // are errors, so damage is never silently cut short.
    static std::optional<FontMetrics> parse(std::string_view text, std::string& error);
    // The same for a file (at most MaxFileSize bytes).
    static std::optional<FontMetrics> parseFile(const std::string& path, std::string& error);

    static constexpr std::size_t MaxFileSize = 16u << 20;
    static constexpr std::size_t MaxGlyphs = 65536;
    static constexpr std::size_t MaxKernPairs = 1u << 20;

private:
    std::unordered_map<std::string, std::uint32_t> byName_;
    friend class AFMParser;
};

} // namespace kit
