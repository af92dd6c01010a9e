#pragma once

#include <string>

namespace kit {

// Bridges the general pasteboard to the system clipboard: what this
// program declares is offered to other programs (data promised to the
// pasteboard is produced only when one of them asks), and what another
// program copies shows up as the general pasteboard's types. Plain text
// travels as "text/plain" (UTF-8), RTF as "text/rtf", PostScript and TIFF
// under their MIME types, private types as "application/x-scrivly-...".
class SystemClipboard {
public:
    // Done by the application object on start.
    static void install();
    static void uninstall();

    // The MIME type a pasteboard type travels under, and back (empty for
    // a MIME type with no pasteboard type).
    static std::string mimeTypeForPasteboardType(const std::string& type);
    static std::string pasteboardTypeForMimeType(const std::string& mimeType);

    // The desktop's primary selection (X): the text the user selected last,
    // which a middle click in another program pastes. Nothing happens where
    // the desktop has none.
    static void setPrimarySelectionText(const std::string& utf8);
};

} // namespace kit
