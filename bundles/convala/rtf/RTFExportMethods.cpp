// The frame of an RTF file (prefix, font table, style sheet, colour table),
// fonts, paragraph formats and character-format changes.

#include "bundles/convala/rtf/RTFExportMethods.h"

#include "bundles/convala/rtf/RTFTextEscapes.h"

#include "foundation/StyleChar.h"
#include "foundation/StyleInfo.h"
#include "foundation/StyleParagraphNamed.h"
#include "foundation/ZMemoryStream.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string_view>
#include <utility>

namespace {

// The reader's defaults: the reference for what has not been written yet.
const StyleChar& plainStyle()
{
    static const StyleChar style;
    return style;
}

int rounded(float value)
{
    if (!std::isfinite(value))
        return 0;
    const double r = std::round(double(value));
    return int(std::clamp(r, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

void appendInt(std::string& out, int value) { out += std::to_string(value); }

// "\word<number>" and an optional trailing space.
void appendWord(std::string& out, const char* word, int value, bool space = false)
{
    out += word;
    appendInt(out, value);
    if (space)
        out += ' ';
}

} // namespace

RTFExportRun::RTFExportRun(ZMemoryStream& stream, kit::FileWrapper* contents)
    : stream_(stream), out_(stream.data() ? *stream.data() : discarded_), contents_(contents)
{
}

int RTFExportMethods::twips(float points)
{
    if (!std::isfinite(points))
        return 0;
    const double t = std::trunc(double(points) * 20.0);
    return int(std::clamp(t, double(std::numeric_limits<int>::min()), double(std::numeric_limits<int>::max())));
}

// ---- The frame.

void RTFExportMethods::writeRTFPrefix(RTFExportRun& run)
{
    // The code page every escaped byte belongs to, and one fallback
    // character after each \uN. "\zynspaces" tells our reader that every
    // space in the text was typed: files written before it put one before
    // each tab and break, which the reader drops from them.
    run.out() += "{\\rtf1\\ansi\\ansicpg1252\\uc1\\deff0\\zynspaces";
}

void RTFExportMethods::writeRTFSuffix(RTFExportRun& run) { run.out() += "}\n"; }

void RTFExportMethods::writeRTFTables(RTFExportRun& run)
{
    writeRTFFontTable(run);
    writeRTFStylesheet(run);
    writeRTFColortable(run);
}

void RTFExportMethods::writeRTFFontTable(RTFExportRun& run)
{
    const auto& fonts = run.context().fontList();
    if (fonts.empty())
        return;
    std::string& out = run.out();
    out += "{\\fonttbl ";
    for (const auto& [number, font] : fonts) {
        appendWord(out, "\\f", number);
        writeRTF(font, run);
    }
    out += "}\n";
}

void RTFExportMethods::writeRTFColortable(RTFExportRun& run)
{
    const auto& colors = run.context().colorList();
    if (colors.empty())
        return;
    std::string& out = run.out();
    out += "{\\colortbl ";
    for (const kit::ColorRef& color : colors) {
        float r = 0, g = 0, b = 0;
        if (color)
            color->getRed(r, g, b);
        appendWord(out, "\\red", rounded(r * 255.0f));
        appendWord(out, "\\green", rounded(g * 255.0f));
        appendWord(out, "\\blue", rounded(b * 255.0f));
        out += ';';
    }
    out += "}\n";
}

namespace {

void writeNoStyleEntry(RTFExportRun& run)
{
    std::string& out = run.out();
    out += "{\\stylesheet {\\s0\\sbasedon222 ";
    RTFTextEscapes::appendName(out, StyleSheetEntry::stringForKey("No Style"));
    out += ";}";
}

} // namespace

void RTFExportMethods::writeRTFStylesheet(RTFExportRun& run)
{
    const auto& styles = run.context().styleList();
    if (styles.empty())
        return;
    writeNoStyleEntry(run);
    run.writeForcedAttributesOnly = true;
    for (const auto& [number, style] : styles)
        if (number >= 1 && style->isNamedStyle())
            writeRTF(*style, run);
    run.writeForcedAttributesOnly = false;
    run.out() += "}\n";
}

void RTFExportMethods::writeRTF(StyleInfo& sheet, RTFExportRun& run)
{
    writeNoStyleEntry(run);
    run.writeForcedAttributesOnly = true;
    const StyleList& list = *sheet.paragraphStyles();
    for (std::size_t i = 1; i < list.size(); ++i) {
        const auto* style = dynamic_cast<const StyleParagraph*>(list[i].get());
        if (style && style->isNamedStyle()) {
            writeRTF(*style, run);
            run.out() += '\n';
        }
    }
    run.writeForcedAttributesOnly = false;
    run.out() += "}\n";
}

void RTFExportMethods::writeRTFPlacedGraphicInfo(RTFExportRun& run) { (void)run; }

// ---- Fonts.

const char* RTFExportMethods::rtfFamilyOf(const kit::Font* font)
{
    if (!font)
        return "nil";
    // A reader without the face picks one of the same kind by this word.
    static constexpr std::pair<std::string_view, const char*> families[] = {
        {"Times", "roman"},
        {"Palatino", "roman"},
        {"Bookman", "roman"},
        {"NewCenturySchlbk", "roman"},
        {"Helvetica", "swiss"},
        {"Helvetica Narrow", "swiss"},
        {"AvantGarde", "swiss"},
        // The fixed-width screen font of this platform is Courier too.
        {"Courier", "modern"},
        {"Symbol", "tech"},
        {"ZapfDingbats", "tech"},
        {"ZapfChancery", "script"},
    };
    const std::string& family = font->familyName();
    for (const auto& [name, word] : families)
        if (family == name)
            return word;
    return "nil";
}

void RTFExportMethods::writeRTF(const kit::Font* font, RTFExportRun& run)
{
    std::string& out = run.out();
    out += "\\f";
    out += rtfFamilyOf(font);
    out += ' ';
    // By the name other programs know the face by.
    if (font)
        RTFTextEscapes::appendName(out, RTFContext::mapExportFontName(font->fontName()));
    out += ';';
}

void RTFExportMethods::writeRTFCharacteristics(const kit::Font* font, RTFExportRun& run)
{
    std::string& out = run.out();
    const int number = run.context().fontNumberFor(font);
    appendWord(out, "\\f", number == RTFContext::NotFound ? 0 : number);
    appendWord(out, "\\fs", font ? int(std::trunc(std::clamp(font->pointSize() * 2.0f, 0.0f, 65535.0f))) : 24);
    const int traits = kit::FontManager::sharedFontManager().traitsOfFont(font);
    out += traits & kit::BoldFontMask ? "\\b " : "\\b0 ";
    out += traits & kit::ItalicFontMask ? "\\i " : "\\i0 ";
}

// ---- Paragraph formats.

void RTFExportMethods::writeRTF(const StyleParagraph& style, RTFExportRun& run)
{
    RTFContext& context = run.context();
    const int number = context.styleNumberFor(&style);
    if (number == RTFContext::NotFound || number == 0)
        return;
    std::string& out = run.out();
    const bool forced = run.writeForcedAttributesOnly;
    const int defined = style.definedFlags();
    appendWord(out, "{\\s", number);
    const int next = context.styleNumberFor(style.nextParagraphStyle());
    if (next != RTFContext::NotFound && next != number && (!forced || (defined & StyleNextStyleMask)))
        appendWord(out, "\\snext", next);
    const int basedOn = context.styleNumberFor(style.basedOnStyle());
    if (basedOn != RTFContext::NotFound && basedOn != number && (!forced || (defined & StyleBasedOnMask)))
        appendWord(out, "\\sbasedon", basedOn);
    writeRTFCharacteristics(style, run);
    out += ' ';
    if (const std::optional<std::string> name = style.styleName())
        RTFTextEscapes::appendName(out, *name);
    out += ";}";
}

void RTFExportMethods::writeRTFCharacteristics(const StyleParagraph& style, RTFExportRun& run)
{
    std::string& out = run.out();
    const bool forced = run.writeForcedAttributesOnly;
    const int defined = style.definedFlags();
    auto has = [&](int mask) { return !forced || (defined & mask) != 0; };
    const StyleChar* charStyle = style.charStyle();

    if (has(StyleAlignmentMask)) {
        static const char* const letters[] = {"l", "r", "c", "j", "l"};
        const int alignment = style.alignment();
        out += "\\q";
        out += alignment >= 0 && alignment <= 4 ? letters[alignment] : "l";
        out += ' ';
    }
    if (has(StyleWidowControlMask)) {
        if (style.widowControl() == -1)
            out += "\\keep ";
        else if (style.widowControl() == -2)
            out += "\\keepn ";
        else if (style.widowControl() == 0)
            out += "\\nowidctlpar ";
    }
    // A bullet and a tab stand where the first line began: the first line
    // starts the bullet's offset and width earlier, and a tab takes the text
    // back to the old start. The style itself is left as it is.
    float firstIndent = style.indentDeltaFirst();
    std::vector<StyleTabStop> tabs = style.tabs();
    if (style.bullet() && has(StyleBulletMask)) {
        tabs.push_back(StyleTabStop{style.indentLeft() + style.indentDeltaFirst(), 0, 0});
        std::stable_sort(tabs.begin(), tabs.end(),
                         [](const StyleTabStop& a, const StyleTabStop& b) { return a.location < b.location; });
        firstIndent -= style.bulletOffset().x + style.bulletWidth();
    }
    if (has(StyleIndentsMask)) {
        appendWord(out, "\\fi", twips(firstIndent));
        appendWord(out, "\\li", twips(style.indentLeft()));
        appendWord(out, "\\ri", twips(style.indentRight()), true);
    }
    if (has(StyleSpaceBeforeMask))
        appendWord(out, "\\sb", twips(style.spaceBefore()), true);
    if (has(StyleSpaceAfterMask))
        appendWord(out, "\\sa", twips(style.spaceAfter()), true);
    if (charStyle && has(StyleLeadingMask | StyleLineSpacingMask)) {
        const float leading = charStyle->leading();
        const float spacing = charStyle->lineSpacing();
        if (leading >= StyleAutoLeadingThreshold) {
            // Automatic: at least the font's natural height (times the line
            // spacing) plus the extra space. Automatic single spacing is no
            // special number, since readers take any positive number as a
            // least height.
            const kit::Font* font = charStyle->font();
            const float height = (font ? font->naturalHeight() : 0.0f) * spacing + leading - StyleAutoLeading;
            if (height > 0)
                appendWord(out, "\\sl", twips(height), true);
        } else {
            appendWord(out, "\\sl-", twips(leading * spacing), true);
        }
    }
    if (has(StyleTabsMask)) {
        for (const StyleTabStop& tab : tabs) {
            if (tab.type == 1)
                out += "\\tqc";
            else if (tab.type == 2)
                out += "\\tqr";
            else if (tab.type == 3)
                out += "\\tqdec";
            if (tab.leader == '.')
                out += "\\tldot";
            else if (tab.leader == '-')
                out += "\\tlhyph";
            else if (tab.leader == '_')
                out += "\\tlul";
            appendWord(out, "\\tx", twips(tab.location));
        }
    }
    if (has(StyleFontMask | StyleSizeMask))
        writeRTFCharacteristics(style.font(), run);
    if (has(StyleColorMask)) {
        const int color = run.context().colorNumberFor(style.color());
        if (color != RTFContext::NotFound)
            appendWord(out, "\\cf", color, true);
    }
}

// ---- Character-format changes.

namespace {

// What of the style differs from the one in force, minus what the caller
// has written already.
void writeDiffs(const StyleChar* style, int skip, RTFExportRun& run)
{
    if (!style)
        return;
    RTFContext& context = run.context();
    const StyleChar* current = context.charStyle() ? context.charStyle() : &plainStyle();
    const int diff = style->differencesFromStyle(current) & ~skip;
    if (diff == 0) {
        if (!context.charStyle())
            context.setCharStyle(style);
        return;
    }
    std::string& out = run.out();
    if (diff & (StyleFontMask | StyleSizeMask))
        RTFExportMethods::writeRTFCharacteristics(style->font(), run);
    if (diff & StyleTrackingMask)
        appendWord(out, "\\expnd", rounded(style->tracking() * 4.0f), true);
    if (diff & StyleVerticalMask) {
        const int offset = rounded(style->vertical() * 2.0f);
        if (offset > 0)
            appendWord(out, "\\up", offset, true);
        else if (offset < 0)
            appendWord(out, "\\dn", -offset, true);
        else
            out += "\\up0\\dn0 ";
    }
    if (diff & StyleColorMask) {
        const kit::ColorRef& color = style->color();
        const int number = context.colorNumberFor(color);
        if (number != RTFContext::NotFound) {
            appendWord(out, "\\gray", rounded((color ? color->grayLevel() : 0.0f) * 1000.0f));
            appendWord(out, "\\fc", number);
            appendWord(out, "\\cf", number, true);
        }
    }
    if (diff & StyleSpecialMask)
        RTFExportMethods::writeRTFSpecialStyleDiffs(style, current, run);
    context.setCharStyle(style);
}

} // namespace

void RTFExportMethods::writeRTFStyleDiffs(const StyleChar* style, RTFExportRun& run) { writeDiffs(style, 0, run); }

void RTFExportMethods::writeRTFSpecialStyleDiffs(const StyleChar* style, const StyleChar* current, RTFExportRun& run)
{
    if (!style)
        return;
    const unsigned short changed = style->specialDifferencesFromStyle(current ? current : &plainStyle());
    std::string& out = run.out();
    struct Switch {
        unsigned short flag;
        const char* word;
    };
    static constexpr Switch switches[] = {
        {StyleBoldFlag, "\\b"},         {StyleItalicFlag, "\\i"},       {StyleSmallCapsFlag, "\\scaps"},
        {StyleRedlineFlag, "\\revised"}, {StyleStrikeoutFlag, "\\strike"}, {StyleOutlineFlag, "\\outl"},
        {StyleShadowFlag, "\\shad"},
    };
    for (const Switch& s : switches) {
        if (!(changed & s.flag))
            continue;
        out += s.word;
        if (!(style->special() & s.flag))
            out += '0';
        out += ' ';
    }
    constexpr unsigned short underlines = StyleUnderlineFlag | StyleDoubleUnderlineFlag | StyleWordUnderlineFlag;
    if (changed & underlines) {
        if (style->isDoubleUnderline())
            out += "\\uldb ";
        else if (style->isUnderline())
            out += "\\ul ";
        else if (style->isWordUnderline())
            out += "\\ulw ";
        else
            out += "\\ulnone ";
    }
}

void RTFExportMethods::writeRTFRemainingStyleDiffs(const StyleChar* style, RTFExportRun& run)
{
    writeDiffs(style, StyleFontMask | StyleSizeMask | StyleColorMask, run);
    run.context().setCharStyle(style);
}
