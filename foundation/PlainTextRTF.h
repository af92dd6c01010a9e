#pragma once

// Plain text wrapped as RTF, so that text pasted from another program or
// opened from a file takes the RTF reader's one way into a document, and
// the reader meets each character once. Well-formed UTF-8 (what this
// program writes and the desktop's clipboard carries) is read as UTF-8: a
// leading byte-order mark is dropped and every other character goes as a
// "\uN" escape under "\uc0", so that no fallback follows it. Anything else
// is Windows-1252, whose bytes the reader takes so under "\ansi". In both,
// "{", "}" and "\" are escaped, a line feed, a carriage return and line
// feed, or a carriage return alone ends a paragraph, and every other byte
// is copied. The reader then leaves out, and reports, what the
// documents' character set lacks.

#include <string>
#include <string_view>

struct PlainTextRTF {
    // The text after the header (which opens the group and declares
    // "\ansi"), and the "}" that closes the group.
    static std::string wrap(std::string_view header, std::string_view text);
};
