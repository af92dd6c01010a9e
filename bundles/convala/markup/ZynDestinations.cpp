#include "bundles/convala/markup/ZynDestinations.h"

#include <algorithm>
#include <iterator>

namespace {

// Sorted, for a binary search.
constexpr std::string_view NonTextDestinations[] = {
    "aftncn", "aftnsep", "aftnsepc", "annotation", "atnauthor", "atndate", "atnicn", "atnid", "atnparent",
    "atnref", "atntime", "atrfend", "atrfstart", "author", "background", "bkmkend", "bkmkstart", "blipuid",
    "buptim", "category", "colorschememapping", "colortbl", "comment", "company", "creatim", "datafield",
    "datastore", "defchp", "defpap", "doccomm", "docvar", "ebcend", "ebcstart", "factoidname", "falt", "fchars",
    "ffdeftext", "ffentrymcr", "ffexitmcr", "ffformat", "ffhelptext", "ffl", "ffname", "ffstattext", "file",
    "filetbl", "fldinst", "fldtype", "fname", "fontemb", "fontfile", "fonttbl", "footer", "footerf", "footerl",
    "footerr", "formfield", "ftncn", "ftnsep", "ftnsepc", "generator", "gridtbl", "header", "headerf", "headerl",
    "headerr", "hl", "hlfr", "hlinkbase", "hlloc", "hlsrc", "htmltag", "info", "keycode", "keywords",
    "latentstyles", "lchars", "levelnumbers", "leveltext", "lfolevel", "list", "listlevel", "listname",
    "listoverride", "listoverridetable", "listpicture", "liststylename", "listtable", "lsdlockedexcept",
    "mailmerge", "manager", "mhtmltag", "mmathPr", "nesttableprops", "nextfile", "nonesttables", "nonshppict",
    "objalias", "objclass", "objdata", "object", "objname", "objsect", "objtime", "oldcprops", "oldpprops",
    "oldsprops", "oldtprops", "oleclsid", "operator", "panose", "password", "passwordhash", "pgdsctbl", "pgp",
    "pgptbl", "picprop", "pict", "pn", "pnseclvl", "pntxta", "pntxtb", "printim", "private", "propname", "protend",
    "protstart", "protusertbl", "pxe", "revtbl", "revtim", "rsidtbl", "rxe", "sn", "sp", "staticval", "stylesheet",
    "subject", "sv", "svb", "tc", "template", "themedata", "title", "txe", "ud", "userprops", "wgrffmtfilter",
    "windowcaption", "writereservation", "writereservhash", "xe", "xform", "xmlattrname", "xmlattrvalue",
    "xmlclose", "xmlname", "xmlnstbl", "xmlopen"
};

constexpr std::string_view ContentDestinations[] = {
    "footer", "footerf", "footerl", "footerr", "header", "headerf", "headerl", "headerr", "object", "pict",
};

constexpr bool sorted(const std::string_view* first, const std::string_view* last)
{
    for (const std::string_view* at = first; at + 1 < last; ++at)
        if (!(at[0] < at[1]))
            return false;
    return true;
}
static_assert(sorted(std::begin(NonTextDestinations), std::end(NonTextDestinations)));
static_assert(sorted(std::begin(ContentDestinations), std::end(ContentDestinations)));

} // namespace

bool ZynDestinations::isNonText(std::string_view word)
{
    return std::binary_search(std::begin(NonTextDestinations), std::end(NonTextDestinations), word);
}

bool ZynDestinations::holdsContent(std::string_view word)
{
    return std::binary_search(std::begin(ContentDestinations), std::end(ContentDestinations), word);
}
