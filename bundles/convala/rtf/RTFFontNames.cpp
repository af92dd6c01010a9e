#include "bundles/convala/rtf/RTFFontNames.h"

#include "bundles/convala/markup/RTFContext.h"

#include "graphics/Font.h"

#include <algorithm>
#include <cctype>

namespace {

// Words other programs append to a family's name for one of its faces
// ("Arial Bold Italic", "Segoe UI Semibold", "Calibri Light").
constexpr std::string_view styleWords[] = {"bold",   "italic",    "oblique",  "bolditalic", "boldoblique",
                                           "regular", "normal",   "light",    "semibold",   "demibold",
                                           "semilight", "medium", "black",    "heavy"};

// A name with more style words than this is no family's.
constexpr int MaxStyleWords = 4;

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

bool isStyleWord(std::string_view word)
{
    // PostScript names end their style in "MT" ("Arial-BoldMT").
    if (word.size() > 2 && word.ends_with("MT"))
        word.remove_suffix(2);
    return std::any_of(std::begin(styleWords), std::end(styleWords),
                       [word](std::string_view style) { return equalsIgnoringCase(word, style); });
}

} // namespace

std::string RTFFontNames::withoutStyleWord(const std::string& name)
{
    const std::size_t separator = name.find_last_of(" ,-");
    if (separator == std::string::npos || !isStyleWord(std::string_view(name).substr(separator + 1)))
        return name;
    const std::size_t end = name.find_last_not_of(" ,-", separator);
    return end == std::string::npos ? std::string() : name.substr(0, end + 1);
}

std::optional<std::string> RTFFontNames::importFontName(const std::string& name, const RTFContextMaps& maps)
{
    std::string candidate = name;
    for (int words = 0; words <= MaxStyleWords && !candidate.empty(); ++words) {
        std::string mapped = maps.mapImportFontName(candidate);
        if (kit::Font::hasFace(mapped))
            return mapped;
        std::string shorter = withoutStyleWord(candidate);
        if (shorter == candidate)
            break;
        candidate = std::move(shorter);
    }
    return std::nullopt;
}

std::optional<std::string> RTFFontNames::fontNameForFamilyWord(std::string_view word)
{
    if (word == "froman")
        return "Times-Roman";
    if (word == "fswiss")
        return "Helvetica";
    if (word == "fmodern")
        return "Courier";
    if (word == "ftech")
        return "Symbol";
    // RTF's own example of a decorative family is ITC Zapf Chancery.
    if (word == "fscript" || word == "fdecor")
        return "ZapfChancery-MediumItalic";
    return std::nullopt;
}
