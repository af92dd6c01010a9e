#include "graphics/Font.h"

#include "core/Coder.h"
#include "core/Encoding.h"
#include "core/UserDefaults.h"
#include "graphics/FontManager.h"
#include "graphics/FontMetrics.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unordered_map>
#include <unordered_set>

namespace kit {

namespace detail {

// Everything a face knows, in units of a 1-point font.
struct FontFace {
    std::string fontName;
    std::string familyName;
    std::string faceName;
    std::string fullName;
    std::string weightName;
    std::string afmPath;
    std::string fontFilePath;
    FontEncodingScheme scheme = FontEncodingScheme::Document;
    int traits = 0;
    int weight = 5;

    FontMetrics metrics;
    std::array<float, 256> widths{};
    std::array<std::int32_t, 256> glyphOfCode{}; // index into metrics.glyphs, -1 none
    // Kerning as dense rows of 256 amounts, one row per code that starts a
    // pair: the text engine asks for a pair at every letter.
    std::array<std::uint16_t, 256> kernRow{}; // 0: no pairs, else row + 1
    std::vector<float> kernTable;
    // The same rows by pointer, and the encoded codes, for loops that read
    // them inline (kernTable is not resized after they are set).
    std::array<const float*, 256> kerningRows{};
    std::array<bool, 256> encoded{};
    FontMetrics::Box bbox;
    float ascender = 0, descender = 0, capHeight = 0, xHeight = 0;
};

} // namespace detail

namespace {

using detail::FontFace;

// The standard PostScript faces and the URW base-35 files that serve them.
struct StandardFace {
    const char* name;
    const char* file;
    const char* family;
    const char* face;
    const char* fullName;
    const char* weightName;
    int traits;
    int weight;
};

constexpr int I = ItalicFontMask;
constexpr int B = BoldFontMask;
constexpr int N = NarrowFontMask;
constexpr int F = FixedPitchFontMask;
constexpr int S = NonStandardCharacterSetFontMask;

constexpr StandardFace standardFaces[] = {
    {"Times-Roman", "NimbusRoman-Regular", "Times", "Roman", "Times Roman", "Roman", 0, 5},
    {"Times-Bold", "NimbusRoman-Bold", "Times", "Bold", "Times Bold", "Bold", B, 9},
    {"Times-Italic", "NimbusRoman-Italic", "Times", "Italic", "Times Italic", "Medium", I, 5},
    {"Times-BoldItalic", "NimbusRoman-BoldItalic", "Times", "Bold Italic", "Times Bold Italic", "Bold", B | I, 9},
    {"Helvetica", "NimbusSans-Regular", "Helvetica", "Regular", "Helvetica", "Medium", 0, 5},
    {"Helvetica-Bold", "NimbusSans-Bold", "Helvetica", "Bold", "Helvetica Bold", "Bold", B, 9},
    {"Helvetica-Oblique", "NimbusSans-Italic", "Helvetica", "Oblique", "Helvetica Oblique", "Medium", I, 5},
    {"Helvetica-BoldOblique", "NimbusSans-BoldItalic", "Helvetica", "Bold Oblique", "Helvetica Bold Oblique",
     "Bold", B | I, 9},
    {"Helvetica-Narrow", "NimbusSansNarrow-Regular", "Helvetica Narrow", "Regular", "Helvetica Narrow", "Medium", N,
     5},
    {"Helvetica-Narrow-Bold", "NimbusSansNarrow-Bold", "Helvetica Narrow", "Bold", "Helvetica Narrow Bold", "Bold",
     N | B, 9},
    {"Helvetica-Narrow-Oblique", "NimbusSansNarrow-Oblique", "Helvetica Narrow", "Oblique",
     "Helvetica Narrow Oblique", "Medium", N | I, 5},
    {"Helvetica-Narrow-BoldOblique", "NimbusSansNarrow-BoldOblique", "Helvetica Narrow", "Bold Oblique",
     "Helvetica Narrow Bold Oblique", "Bold", N | B | I, 9},
    {"Courier", "NimbusMonoPS-Regular", "Courier", "Regular", "Courier", "Medium", F, 5},
    {"Courier-Bold", "NimbusMonoPS-Bold", "Courier", "Bold", "Courier Bold", "Bold", F | B, 9},
    {"Courier-Oblique", "NimbusMonoPS-Italic", "Courier", "Oblique", "Courier Oblique", "Medium", F | I, 5},
    {"Courier-BoldOblique", "NimbusMonoPS-BoldItalic", "Courier", "Bold Oblique", "Courier Bold Oblique", "Bold",
     F | B | I, 9},
    {"Symbol", "StandardSymbolsPS", "Symbol", "Regular", "Symbol", "Medium", S, 5},
    {"ZapfDingbats", "D050000L", "ZapfDingbats", "Regular", "ITC Zapf Dingbats", "Medium", S, 5},
    {"ZapfChancery-MediumItalic", "Z003-MediumItalic", "ZapfChancery", "Medium Italic",
     "ITC Zapf Chancery Medium Italic", "Medium", I, 5},
    {"AvantGarde-Book", "URWGothic-Book", "AvantGarde", "Book", "ITC Avant Garde Gothic Book", "Book", 0, 4},
    {"AvantGarde-BookOblique", "URWGothic-BookOblique", "AvantGarde", "Book Oblique",
     "ITC Avant Garde Gothic Book Oblique", "Book", I, 4},
    {"AvantGarde-Demi", "URWGothic-Demi", "AvantGarde", "Demi", "ITC Avant Garde Gothic Demi", "Demi", B, 7},
    {"AvantGarde-DemiOblique", "URWGothic-DemiOblique", "AvantGarde", "Demi Oblique",
     "ITC Avant Garde Gothic Demi Oblique", "Demi", B | I, 7},
    {"Bookman-Light", "URWBookman-Light", "Bookman", "Light", "ITC Bookman Light", "Light", 0, 3},
    {"Bookman-LightItalic", "URWBookman-LightItalic", "Bookman", "Light Italic", "ITC Bookman Light Italic", "Light",
     I, 3},
    {"Bookman-Demi", "URWBookman-Demi", "Bookman", "Demi", "ITC Bookman Demi", "Demi", B, 7},
    {"Bookman-DemiItalic", "URWBookman-DemiItalic", "Bookman", "Demi Italic", "ITC Bookman Demi Italic", "Demi",
     B | I, 7},
    {"NewCenturySchlbk-Roman", "C059-Roman", "NewCenturySchlbk", "Roman", "New Century Schoolbook Roman", "Roman", 0,
     5},
    {"NewCenturySchlbk-Bold", "C059-Bold", "NewCenturySchlbk", "Bold", "New Century Schoolbook Bold", "Bold", B, 9},
    {"NewCenturySchlbk-Italic", "C059-Italic", "NewCenturySchlbk", "Italic", "New Century Schoolbook Italic",
     "Medium", I, 5},
    {"NewCenturySchlbk-BoldItalic", "C059-BdIta", "NewCenturySchlbk", "Bold Italic",
     "New Century Schoolbook Bold Italic", "Bold", B | I, 9},
    {"Palatino-Roman", "P052-Roman", "Palatino", "Roman", "Palatino Roman", "Roman", 0, 5},
    {"Palatino-Bold", "P052-Bold", "Palatino", "Bold", "Palatino Bold", "Bold", B, 9},
    {"Palatino-Italic", "P052-Italic", "Palatino", "Italic", "Palatino Italic", "Medium", I, 5},
    {"Palatino-BoldItalic", "P052-BoldItalic", "Palatino", "Bold Italic", "Palatino Bold Italic", "Bold", B | I, 9},
};

const StandardFace* standardFaceNamed(std::string_view name)
{
    for (const StandardFace& f : standardFaces)
        if (name == f.name || name == f.file)
            return &f;
    return nullptr;
}

// Folders searched for the URW files: SCRIVLY_FONT_PATH (colon-separated)
// first, then where Debian, Fedora and local installs put them.
std::vector<std::string> fontFolders()
{
    std::vector<std::string> folders;
    if (const char* env = std::getenv("SCRIVLY_FONT_PATH")) {
        std::string_view rest = env;
        while (!rest.empty()) {
            std::size_t colon = rest.find(':');
            std::string_view part = rest.substr(0, colon);
            if (!part.empty())
                folders.emplace_back(part);
            rest.remove_prefix(colon == std::string_view::npos ? rest.size() : colon + 1);
        }
    }
    for (const char* f : {"/usr/share/fonts/type1/urw-base35", "/usr/share/fonts/urw-base35",
                          "/usr/share/fonts/opentype/urw-base35", "/usr/local/share/fonts/urw-base35",
                          "/usr/share/ghostscript/fonts"})
        folders.emplace_back(f);
    return folders;
}

bool isFile(const std::string& path)
{
    std::error_code ec;
    return std::filesystem::is_regular_file(path, ec);
}

std::string findFile(const std::vector<std::string>& folders, const std::string& base,
                     std::initializer_list<const char*> extensions)
{
    for (const char* ext : extensions)
        for (const std::string& folder : folders) {
            std::string path = folder + "/" + base + ext;
            if (isFile(path))
                return path;
        }
    return {};
}

std::string lowercase(std::string_view s)
{
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    return out;
}

// Traits and weight of a face registered from a file, from its AFM words.
void describeFromMetrics(FontFace& face)
{
    const FontMetrics& m = face.metrics;
    std::string w = lowercase(m.weight);
    struct WeightWord {
        const char* word;
        int weight;
    };
    // Longest words first so that "semibold" is not read as "bold".
    static constexpr WeightWord words[] = {
        {"ultralight", 1}, {"extralight", 3}, {"semibold", 8}, {"demibold", 7}, {"extrabold", 10},
        {"ultrabold", 14}, {"thin", 2},       {"light", 3},    {"book", 4},     {"regular", 5},
        {"roman", 5},      {"normal", 5},     {"medium", 5},   {"demi", 7},     {"bold", 9},
        {"heavy", 11},     {"black", 12},
    };
    face.weight = 5;
    for (const WeightWord& ww : words)
        if (w.find(ww.word) != std::string::npos) {
            face.weight = ww.weight;
            break;
        }
    face.traits = 0;
    if (face.weight >= 7)
        face.traits |= BoldFontMask;
    if (m.italicAngle != 0)
        face.traits |= ItalicFontMask;
    if (m.isFixedPitch)
        face.traits |= FixedPitchFontMask;
    if (face.scheme != FontEncodingScheme::Document)
        face.traits |= NonStandardCharacterSetFontMask;
    face.familyName = m.familyName;
    if (face.familyName.empty()) {
        std::size_t dash = m.fontName.find('-');
        face.familyName = m.fontName.substr(0, dash);
    }
    face.fullName = m.fullName.empty() ? m.fontName : m.fullName;
    face.weightName = m.weight;
    std::size_t dash = m.fontName.find('-');
    face.faceName = dash == std::string::npos ? "Regular" : m.fontName.substr(dash + 1);
}

// Fills the per-code tables from the metrics and the encoding scheme.
void buildTables(FontFace& face)
{
    const FontMetrics& m = face.metrics;
    face.glyphOfCode.fill(-1);
    face.widths.fill(0);
    for (int code = 0; code < 256; ++code) {
        std::optional<std::uint32_t> index;
        switch (face.scheme) {
        case FontEncodingScheme::Document:
        case FontEncodingScheme::Symbol: {
            Encoding enc = face.scheme == FontEncodingScheme::Symbol ? Encoding::Symbol : Encoding::NeXTSTEP;
            std::string_view name = glyphName(enc, static_cast<unsigned char>(code));
            if (!name.empty())
                index = m.glyphIndex(name);
            break;
        }
        case FontEncodingScheme::FontSpecific:
            break;
        }
        if (index)
            face.glyphOfCode[code] = std::int32_t(*index);
    }
    if (face.scheme == FontEncodingScheme::FontSpecific) {
        // The built-in encoding; the first glyph of a code wins.
        for (std::size_t i = 0; i < m.glyphs.size(); ++i) {
            int code = m.glyphs[i].code;
            if (code >= 0 && code < 256 && face.glyphOfCode[code] < 0)
                face.glyphOfCode[code] = std::int32_t(i);
        }
    }
    // Advances of a 1-point font; Type 1 fonts are 1000 units to the em.
    for (int code = 0; code < 256; ++code)
        if (face.glyphOfCode[code] >= 0)
            face.widths[code] = m.glyphs[face.glyphOfCode[code]].width / 1000.0f;

    // Kerning by code: every code showing the first glyph with every code
    // showing the second (NeXTSTEP shows "quoteright" at two codes).
    std::unordered_map<std::uint32_t, std::vector<unsigned char>> codesOfGlyph;
    for (int code = 0; code < 256; ++code)
        if (face.glyphOfCode[code] >= 0)
            codesOfGlyph[std::uint32_t(face.glyphOfCode[code])].push_back(static_cast<unsigned char>(code));
    face.kernRow.fill(0);
    face.kernTable.clear();
    std::vector<bool> set;
    for (const FontMetrics::KernPair& k : m.kernPairs) {
        auto a = codesOfGlyph.find(k.first);
        auto b = codesOfGlyph.find(k.second);
        if (a == codesOfGlyph.end() || b == codesOfGlyph.end())
            continue;
        for (unsigned char ca : a->second) {
            if (face.kernRow[ca] == 0) {
                face.kernTable.resize(face.kernTable.size() + 256, 0.0f);
                set.resize(face.kernTable.size(), false);
                face.kernRow[ca] = std::uint16_t(face.kernTable.size() / 256);
            }
            std::size_t row = std::size_t(face.kernRow[ca] - 1) * 256;
            for (unsigned char cb : b->second)
                if (!set[row + cb]) { // the first pair of the file wins
                    set[row + cb] = true;
                    face.kernTable[row + cb] = k.x / 1000.0f;
                }
        }
    }
    for (int code = 0; code < 256; ++code) {
        face.encoded[code] = face.glyphOfCode[code] >= 0;
        face.kerningRows[code] =
            face.kernRow[code] ? face.kernTable.data() + std::size_t(face.kernRow[code] - 1) * 256 : nullptr;
    }

    // Vertical metrics. The URW files state Ascender and Descender as 0, so
    // those come from the glyphs the AFM specification defines them by (the
    // top of "d", the bottom of "p"), and from the font box without them.
    auto top = [&](const char* name, float fallback) {
        const FontMetrics::Glyph* g = m.glyphNamed(name);
        return g && g->box.ury != 0 ? g->box.ury : fallback;
    };
    auto bottom = [&](const char* name, float fallback) {
        const FontMetrics::Glyph* g = m.glyphNamed(name);
        return g && g->box.lly != 0 ? g->box.lly : fallback;
    };
    face.ascender = m.ascender != 0 ? m.ascender : top("d", m.fontBBox.ury);
    face.descender = m.descender != 0 ? m.descender : bottom("p", m.fontBBox.lly);
    face.capHeight = m.capHeight != 0 ? m.capHeight : top("H", face.ascender);
    face.xHeight = m.xHeight != 0 ? m.xHeight : top("x", 0);

    // The font box the text engine's line height comes from: the ink of
    // the glyphs the encoding reaches. The URW FontBBox also covers the
    // stacked accents of hundreds of glyphs no 8-bit code shows, which
    // would make every line a point or two taller than the face's own
    // 8-bit repertoire needs.
    bool any = false;
    FontMetrics::Box box;
    for (int code = 0; code < 256; ++code) {
        if (face.glyphOfCode[code] < 0)
            continue;
        const FontMetrics::Box& g = m.glyphs[face.glyphOfCode[code]].box;
        if (g.llx == g.urx && g.lly == g.ury)
            continue; // no ink (space)
        if (!any) {
            box = g;
            any = true;
        } else {
            box.llx = std::min(box.llx, g.llx);
            box.lly = std::min(box.lly, g.lly);
            box.urx = std::max(box.urx, g.urx);
            box.ury = std::max(box.ury, g.ury);
        }
    }
    face.bbox = any ? box : m.fontBBox;
}

struct FontKey {
    const FontFace* face;
    std::uint32_t sizeBits;
    bool screen;
    bool operator==(const FontKey&) const = default;
};

struct FontKeyHash {
    std::size_t operator()(const FontKey& k) const noexcept
    {
        std::size_t h = std::hash<const void*>()(k.face);
        h ^= (std::size_t(k.sizeBits) << 1 | std::size_t(k.screen)) + 0x9e3779b97f4a7c15ull + (h << 6) + (h >> 2);
        return h;
    }
};

const FontFace& emptyFace()
{
    static const FontFace* face = [] {
        auto* f = new FontFace;
        f->glyphOfCode.fill(-1);
        return f;
    }();
    return *face;
}

} // namespace

// Faces and interned fonts, for the whole run of the program (never freed:
// fonts are compared by address and held everywhere without ownership).
struct FontTable {
    std::unordered_map<std::string, std::unique_ptr<FontFace>> faces; // by PostScript name
    std::unordered_set<std::string> missing; // standard names whose files failed
    std::unordered_map<std::string, bool> present; // standard names: is the AFM file there?
    std::unordered_map<FontKey, std::unique_ptr<Font>, FontKeyHash> fonts;
    Font::SubstituteHandler substitute;

    static FontTable& shared()
    {
        static FontTable* table = new FontTable;
        return *table;
    }

    const FontFace* face(std::string_view name);
    bool isPresent(const StandardFace& sf);
    std::unique_ptr<FontFace> loadStandard(const StandardFace& sf, std::string& error);
    Font* font(const FontFace* face, float size, bool screen);
};

std::unique_ptr<FontFace> FontTable::loadStandard(const StandardFace& sf, std::string& error)
{
    std::vector<std::string> folders = fontFolders();
    std::string afm = findFile(folders, sf.file, {".afm"});
    if (afm.empty()) {
        error = std::string("no metrics file ") + sf.file + ".afm";
        return nullptr;
    }
    auto metrics = FontMetrics::parseFile(afm, error);
    if (!metrics)
        return nullptr;
    auto face = std::make_unique<FontFace>();
    face->metrics = std::move(*metrics);
    face->fontName = sf.name;
    face->familyName = sf.family;
    face->faceName = sf.face;
    face->fullName = sf.fullName;
    face->weightName = sf.weightName;
    face->traits = sf.traits;
    face->weight = sf.weight;
    face->afmPath = afm;
    face->fontFilePath = findFile(folders, sf.file, {".t1", ".pfa", ".pfb", ".otf"});
    std::string_view n = sf.name;
    face->scheme = n == "Symbol"         ? FontEncodingScheme::Symbol
                   : n == "ZapfDingbats" ? FontEncodingScheme::FontSpecific
                                         : FontEncodingScheme::Document;
    buildTables(*face);
    return face;
}

const FontFace* FontTable::face(std::string_view name)
{
    if (auto it = faces.find(std::string(name)); it != faces.end())
        return it->second.get();
    const StandardFace* sf = standardFaceNamed(name);
    std::string key(sf ? sf->name : name);
    if (auto it = faces.find(key); it != faces.end())
        return it->second.get();
    if (!sf || missing.count(key))
        return nullptr;
    std::string error;
    std::unique_ptr<FontFace> loaded = loadStandard(*sf, error);
    if (!loaded) {
        missing.insert(key);
        std::fprintf(stderr, "Font %s is not available: %s\n", key.c_str(), error.c_str());
        return nullptr;
    }
    return faces.emplace(key, std::move(loaded)).first->second.get();
}

bool FontTable::isPresent(const StandardFace& sf)
{
    if (faces.count(sf.name))
        return true;
    if (missing.count(sf.name))
        return false;
    auto [it, inserted] = present.try_emplace(sf.name, false);
    if (inserted)
        it->second = !findFile(fontFolders(), sf.file, {".afm"}).empty();
    return it->second;
}

Font* FontTable::font(const FontFace* face, float size, bool screen)
{
    FontKey key{face, std::bit_cast<std::uint32_t>(size), screen};
    if (auto it = fonts.find(key); it != fonts.end())
        return it->second.get();
    std::unique_ptr<Font> font(new Font(face, size, screen));
    return fonts.emplace(key, std::move(font)).first->second.get();
}

// ---- Class set-up and lookup.

void Font::initialize()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    registerClass<Font>("Font");
}

Font* Font::fontWithName(std::string_view name, float size)
{
    initialize();
    if (!std::isfinite(size) || size <= 0)
        return nullptr;
    FontTable& table = FontTable::shared();
    const FontFace* face = table.face(name);
    return face ? table.font(face, size, false) : nullptr;
}

bool Font::hasFace(std::string_view name)
{
    return FontTable::shared().face(name) != nullptr;
}

namespace {

float defaultFontSize()
{
    if (auto s = UserDefaults::standardUserDefaults().stringForKey("NSFontSize")) {
        char* end = nullptr;
        float v = std::strtof(s->c_str(), &end);
        if (end != s->c_str() && std::isfinite(v) && v > 0)
            return v;
    }
    return 12.0f;
}

Font* userFont(const char* key, const char* fallback, float size)
{
    if (!std::isfinite(size) || size <= 0)
        size = defaultFontSize();
    if (auto name = UserDefaults::standardUserDefaults().stringForKey(key))
        if (Font* f = Font::fontWithName(*name, size))
            return f;
    return Font::fontWithName(fallback, size);
}

} // namespace

Font* Font::userFontOfSize(float size)
{
    return userFont("NSFont", "Helvetica", size);
}

Font* Font::userFixedPitchFontOfSize(float size)
{
    return userFont("NSFixedPitchFont", "Courier", size);
}

std::string Font::registerFontFromAFM(const std::string& afmPath, const std::string& fontFilePath)
{
    std::string error;
    auto metrics = FontMetrics::parseFile(afmPath, error);
    if (!metrics)
        return error;
    if (!fontFilePath.empty() && !isFile(fontFilePath))
        return "font file " + fontFilePath + " not found";
    FontTable& table = FontTable::shared();
    const std::string name = metrics->fontName;
    if (const FontFace* existing = table.face(name)) {
        if (existing->afmPath == afmPath)
            return {};
        return "a font named " + name + " exists already (from " + existing->afmPath + ")";
    }
    auto face = std::make_unique<FontFace>();
    face->metrics = std::move(*metrics);
    face->fontName = name;
    face->afmPath = afmPath;
    face->fontFilePath = fontFilePath;
    face->scheme = face->metrics.encodingScheme == "FontSpecific" ? FontEncodingScheme::FontSpecific
                                                                   : FontEncodingScheme::Document;
    describeFromMetrics(*face);
    buildTables(*face);
    table.missing.erase(name);
    table.faces.emplace(name, std::move(face));
    return {};
}

std::vector<FontFaceInfo> Font::availableFaces()
{
    // Standard faces are described from the table, without reading their
    // metrics: the font manager lists and converts far more often than it
    // needs every face loaded.
    FontTable& table = FontTable::shared();
    std::vector<FontFaceInfo> out;
    for (const StandardFace& sf : standardFaces)
        if (table.isPresent(sf))
            out.push_back({sf.name, sf.family, sf.face, sf.weight, sf.traits});
    for (const auto& [name, face] : table.faces)
        if (!standardFaceNamed(name))
            out.push_back({face->fontName, face->familyName, face->faceName, face->weight, face->traits});
    std::sort(out.begin(), out.end(),
              [](const FontFaceInfo& a, const FontFaceInfo& b) { return a.fontName < b.fontName; });
    return out;
}

void Font::setSubstituteFontHandler(SubstituteHandler handler)
{
    FontTable::shared().substitute = std::move(handler);
}

// ---- The font object.

Font::Font() : face_(&emptyFace()) {}

Font::Font(const detail::FontFace* face, float size, bool screen) : face_(face), size_(size), screen_(screen)
{
    if (screen_)
        for (int c = 0; c < 256; ++c)
            screenWidths_[c] = std::round(face_->widths[c] * size_);
    unitScale_ = size_ / 1000.0f;
    naturalHeight_ = std::ceil(boundingRectForFont().size.height);
    descent_ = std::ceil(std::fabs(descender()));
}

Font::~Font() = default;

void Font::encodeWithCoder(Coder& coder) const
{
    // A screen font is stored as the font it stands for on paper.
    coder.encodeValuesOfObjCTypes("*f", face_->fontName, size_);
}

Object* Font::initWithCoder(Coder& coder)
{
    std::optional<std::string> name;
    float size = 0;
    coder.decodeValuesOfObjCTypes("*f", &name, &size);
    if (!name || !std::isfinite(size) || size <= 0)
        return nullptr;
    if (Font* f = fontWithName(*name, size))
        return f;
    FontTable& table = FontTable::shared();
    if (table.substitute)
        return table.substitute(*name, size);
    return fontWithName("Courier", size);
}

std::string Font::description() const
{
    char size[32];
    std::snprintf(size, sizeof size, "%g", double(size_));
    return "Font " + face_->fontName + " " + size + (screen_ ? " (screen)" : "");
}

const std::string& Font::fontName() const { return face_->fontName; }
const std::string& Font::familyName() const { return face_->familyName; }
const std::string& Font::fullName() const { return face_->fullName; }
const std::string& Font::weightName() const { return face_->weightName; }
int Font::traits() const { return face_->traits; }
int Font::weight() const { return face_->weight; }
FontEncodingScheme Font::encodingScheme() const { return face_->scheme; }
const std::string& Font::fontFilePath() const { return face_->fontFilePath; }

std::string_view Font::glyphName(unsigned char code) const
{
    std::int32_t g = face_->glyphOfCode[code];
    return g < 0 ? std::string_view() : std::string_view(face_->metrics.glyphs[g].name);
}

bool Font::glyphIsEncoded(unsigned char code) const
{
    return face_->glyphOfCode[code] >= 0;
}

float Font::advance(unsigned char code) const
{
    return screen_ ? screenWidths_[code] : face_->widths[code] * size_;
}

const std::array<float, 256>& Font::widths() const
{
    return screen_ ? screenWidths_ : face_->widths;
}

const std::array<bool, 256>& Font::encodedGlyphs() const
{
    return face_->encoded;
}

const std::array<const float*, 256>& Font::kerningRows() const
{
    return face_->kerningRows;
}

float Font::kern(unsigned char first, unsigned char second) const
{
    std::uint16_t row = face_->kernRow[first];
    if (row == 0)
        return 0;
    float k = face_->kernTable[std::size_t(row - 1) * 256 + second] * size_;
    return screen_ ? std::round(k) : k;
}

Rect Font::boundingRectForGlyph(unsigned char code) const
{
    std::int32_t g = face_->glyphOfCode[code];
    if (g < 0)
        return {};
    const FontMetrics::Box& b = face_->metrics.glyphs[g].box;
    const float s = unitScale_;
    return makeRect(b.llx * s, b.lly * s, (b.urx - b.llx) * s, (b.ury - b.lly) * s);
}

Size Font::advancementForGlyph(unsigned char code) const
{
    return makeSize(advance(code), 0);
}

float Font::advancementForGlyphNamed(std::string_view name) const
{
    const FontMetrics::Glyph* g = face_->metrics.glyphNamed(name);
    if (!g)
        return 0;
    float w = g->width * size_ / 1000.0f;
    return screen_ ? std::round(w) : w;
}

Point Font::positionOfGlyph(unsigned char code, unsigned char precededByGlyph, bool* isNominal) const
{
    if (isNominal)
        *isNominal = true;
    return makePoint(advance(precededByGlyph) + kern(precededByGlyph, code), 0);
}

float Font::widthOfString(std::string_view bytes) const
{
    const std::array<float, 256>& w = widths();
    // Four sums in double: independent additions run in parallel, and a
    // megabyte of text adds up without float drift.
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    std::size_t n = bytes.size(), i = 0;
    for (; i + 4 <= n; i += 4) {
        s0 += w[p[i]];
        s1 += w[p[i + 1]];
        s2 += w[p[i + 2]];
        s3 += w[p[i + 3]];
    }
    for (; i < n; ++i)
        s0 += w[p[i]];
    double total = (s0 + s1) + (s2 + s3);
    return float(screen_ ? total : total * size_);
}

Rect Font::boundingRectForFont() const
{
    const FontMetrics::Box& b = face_->bbox;
    const float s = unitScale_;
    return makeRect(b.llx * s, b.lly * s, (b.urx - b.llx) * s, (b.ury - b.lly) * s);
}

float Font::ascender() const { return face_->ascender * size_ / 1000.0f; }
float Font::descender() const { return face_->descender * size_ / 1000.0f; }
float Font::capHeight() const { return face_->capHeight * size_ / 1000.0f; }
float Font::xHeight() const { return face_->xHeight * size_ / 1000.0f; }
float Font::italicAngle() const { return face_->metrics.italicAngle; }
float Font::underlinePosition() const { return face_->metrics.underlinePosition * size_ / 1000.0f; }
float Font::underlineThickness() const { return face_->metrics.underlineThickness * size_ / 1000.0f; }
bool Font::isFixedPitch() const { return face_->metrics.isFixedPitch; }

float Font::naturalHeight() const
{
    return naturalHeight_;
}

float Font::descent() const
{
    return descent_;
}

float Font::ascent() const
{
    return naturalHeight() - descent();
}

Font* Font::screenFont() const
{
    if (screen_)
        return const_cast<Font*>(this);
    if (!other_ && face_ != &emptyFace())
        other_ = FontTable::shared().font(face_, size_, true);
    return other_;
}

Font* Font::printerFont() const
{
    if (!screen_)
        return const_cast<Font*>(this);
    if (!other_)
        other_ = FontTable::shared().font(face_, size_, false);
    return other_;
}

} // namespace kit
