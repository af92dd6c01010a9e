#pragma once

// The filter service that turns RTF into plain text, on the platform's
// converter registry (RTF to the plain-string type): the way plain-text
// saves go, from the document's RTF. Text, paragraph ends, tabs, the named
// characters and Unicode escapes are kept; tables, the style sheet, the
// document information, headers, footers and pictures are left out.

#include <string>
#include <string_view>

struct RTFPlainTextFilter {
    // UTF-8 text, paragraphs separated by line feeds. "\'xx" characters
    // are read as Windows-1252, the code page the RTF writer declares.
    static std::string plainTextOfRTF(std::string_view rtf);

    // Registers the conversion with the converter registry (again: no harm).
    static void registerService();
};
