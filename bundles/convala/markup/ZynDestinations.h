#pragma once

// RTF's destinations whose contents are not text: tables the document
// refers to (fonts, colours, styles, lists, revisions), its information,
// field instructions, bookmarks, pictures, objects and the like, and the
// old-reader copies of what a reader of today finds elsewhere (\pn beside
// \pntext, \nonesttables beside \nestcell, \ud beside \upr). A group that
// begins with one of these words, when no handler reads it, is skipped
// whole; a group that begins with any other word nobody reads is read on,
// since RTF's rule is to ignore a word one does not know and go on.
//
// The list is fixed (RTF 1.9.1's destinations that hold no running text);
// the dispatcher and every reader share it.

#include <string_view>

struct ZynDestinations {
    // The word begins a destination with no text to read.
    static bool isNonText(std::string_view word);
    // Of those, the ones whose contents the document would show (headers,
    // footers, pictures, objects): skipping one that held text loses data.
    static bool holdsContent(std::string_view word);
};
