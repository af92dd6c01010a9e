#pragma once

// The operations fuzzer's input format, shared by the target and the seed
// writer. An input is a header byte, then operations: each an operation
// byte (taken modulo OpCount) followed by its argument bytes, read as the
// operation needs them (past the end every byte reads 0). Targets named by
// an argument byte (a page, an item, a column, a style) are taken modulo
// what the document holds at that step.

#include <cstdint>

namespace fuzz::ops {

// The characters Type makes, by byte modulo their count: letters, spaces,
// punctuation that fences words and takes smart quotes, a tab, and letters
// of the documents' upper half.
inline constexpr char TypedKeys[] =
    "abcdefghijklmnopqrstuvwxyz     ABCZ.,;:-'\"()!?0123456789\t\xe1\xe9\xf1\xfb\xae";
inline constexpr unsigned TypedKeyCount = sizeof TypedKeys - 1;

// Header bits.
inline constexpr std::uint8_t WordProcessor = 1; // the word processor's automatic pages
inline constexpr std::uint8_t TimesFont = 2;     // Times 12 instead of the fixed-width fixture font
inline constexpr std::uint8_t TallColumns = 4;   // columns 160 points high instead of 48

enum Op : std::uint8_t {
    Type,            // count, then that many character bytes (typed as one burst of keys)
    Key,             // key (table), modifier bits
    Click,           // column, x, y (fractions of the frame in 1/255), clicks, shift
    Select,          // column, paragraph, word, letter, paragraph, word, letter, end type
    Command,         // command (cut, copy, paste, delete, undelete, kill to line or paragraph end,
                     // page break, select all, change case; the byte / 10 picks the case)
    CharStyle,       // attribute (size, bold, italic, sub-, superscript, kerning, font, colour), value
    ParagraphStyle,  // field (alignment, widows, spacing, indents, leading, hyphenation), value
    Variable,        // kind (page number, last page number, header, footer, date, time), value
    AddPages,        // count, index
    DeletePages,     // count, index
    CollapsePages,   // expand bit and count, index
    AddItem,         // kind (box, column, headline), page, x, y, width, height
    MoveItem,        // item, dx, dy, width, height (0 keeps the size)
    DeleteItem,      // item
    Runaround,       // item, on, margin
    MasterItem,      // add (kind, placement) or remove (item)
    Link,            // column, column
    Unlink,          // column
    Styles,          // action (add, remove, apply), list, style, item
    Undo,            //
    Redo,            //
    SaveAndRead,     //
    Editing,         // column to edit, or end editing
    HitTest,         // page, x, y
    GraphicsPane,    // item, count, change (fill, fill colour, line, line colour, width, OK with rotation
                     // and scale, a standoff arrow, name), value: the inspector's Graphics pane
    Inspector,       // action (a paragraph inspector control, a stepper, a menu), value
    IndentStep,      // step (left in or out, right in or out, hanging wider or narrower), column
    OpCount
};

} // namespace fuzz::ops
