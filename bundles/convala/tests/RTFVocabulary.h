#pragma once

// Every word of the RTF import vocabulary (each once), for tests, the
// benchmark and the fuzz targets that register a handler for all of them.
// "zyntext" is the keyword of text runs, "zyngroup" that of groups read on
// past a word nobody reads; "\n" and "\r" are what a backslash before a
// line end gives.

#include <array>
#include <string_view>

namespace convala_test {

inline constexpr std::array<std::string_view, 174> RTFVocabulary = {
    // Document, footnotes, character sets, information.
    "rtf", "deff", "deftab", "sectd", "info", "zynunits", "zynspaces", "footnote", "ansi", "mac", "pc", "pca",
    "nextcset", "title", "subject", "author", "operator", "keywords", "comment", "version", "doccomm", "vern",
    "creatim", "revtim", "printim", "buptim", "edmins", "yr", "mo", "dy", "hr", "min", "nofpages", "nofwords",
    "nofchars", "id", ";", "zyntext", "zyngroup", "ansicpg",
    // Tables and unsupported words.
    "colortbl", "fonttbl", "stylesheet", "pict", "field", "xe", "tc", "linestart", "intbl", "trowd",
    "f", "froman", "fswiss", "fmodern", "ftech", "fcharset", "cpg", "s", "sbasedon", "snext", "red", "green",
    "blue",
    // Character and paragraph formatting.
    "fs", "b", "i", "cf", "plain", "ul", "ulw", "uldb", "ulnone", "uld", "up", "dn", "scaps", "strike",
    "outl", "shad", "revised", "expnd", "ql", "qc", "qr", "qj", "sa", "sb", "sl", "keep", "keepn",
    "pagebb", "nowidctlpar", "zynbullet", "zynwidow", "zynkern", "zynhyph", "zynlig", "zynhpunct",
    "zyncolstrt", "zynbullwidth", "zynbullx", "zynbully",
    // Tabs and indents.
    "tx", "tqc", "tqr", "tqdec", "tldot", "tlhyph", "tlul", "tlth", "fi", "li", "ri",
    // Text.
    "\n", "\r", "par", "page", "tab", "NeXTGraphic", "chpgn", "chdate", "chtime", "emdash", "endash",
    "emspace", "enspace", "bullet", "lquote", "rquote", "ldblquote", "rdblquote", "~", "-", "_",
    "width", "height", "pard", "widowctrl", "u", "uc", "line", "cell", "nestcell", "row", "listtext", "pntext",
    // Headers, footers, margins, paper and page numbers.
    "facingp", "header", "headerf", "headerl", "headerr", "footer", "footerf", "footerl", "footerr",
    "titlepg", "margl", "margr", "margt", "margb", "headery", "footery", "paperw", "paperh", "landscape",
    "cols", "colsx", "pgnstart", "pgnstarts", "pgndec", "pgnucrm", "pgnlcrm", "pgnucltr", "pgnlcltr",
};

} // namespace convala_test
