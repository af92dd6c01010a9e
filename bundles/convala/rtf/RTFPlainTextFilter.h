#pragma once

// The filter service that turns RTF into plain text, on the platform's
// converter registry (RTF to the plain-string type): the way plain-text
// saves go, from the document's RTF. It reads text as the RTF reader does
// (groups of words it does not know are read on, RTF's non-text
// destinations skipped, field results and list numbers kept): text,
// paragraph and line ends, tabs, the named characters and Unicode escapes
// are kept; tables (their cells as lines), the style sheet, the document
// information, headers, footers and pictures are left out.

#include <string>
#include <string_view>

struct RTFPlainTextFilter {
    // UTF-8 text, paragraphs separated by line feeds. "\'xx" characters
    // are read in the document's code page or their font's character set.
    static std::string plainTextOfRTF(std::string_view rtf);

    // Registers the conversion with the converter registry (again: no harm).
    static void registerService();
};
