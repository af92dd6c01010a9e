// The code tables of the three character sets: each code's Unicode
// character and the PostScript glyph name that prints it.
//
// Sources: NEXTSTEP.TXT (Unicode consortium vendor mappings) with the NeXT
// PostScript encoding vector's names at 0x27, 0x60 and 0x80 (see Encoding.h);
// Apple's ROMAN.TXT with the names of the PostScript MacRomanEncoding
// (Euro at 0xDB); Adobe's symbol.txt with the names of the Symbol AFM (and
// its "apple" glyph at 0xF0). Glyph names are those of the URW base-35 AFM
// files, so font metrics can be found by them.

#include "core/Encoding.h"

namespace kit::detail {

namespace {
constexpr char32_t kUndefined = kUndefinedCode;
} // namespace

// NeXTSTEP: 0x00-0x7F ASCII, 0x80-0xFD NEXTSTEP.TXT.
const CodeEntry nextstepCodes[256] = {
    {0x0000, ""},                      // 0x00 control
    {0x0001, ""},                      // 0x01 control
    {0x0002, ""},                      // 0x02 control
    {0x0003, ""},                      // 0x03 control
    {0x0004, ""},                      // 0x04 control
    {0x0005, ""},                      // 0x05 control
    {0x0006, ""},                      // 0x06 control
    {0x0007, ""},                      // 0x07 control
    {0x0008, ""},                      // 0x08 control
    {0x0009, ""},                      // 0x09 control
    {0x000A, ""},                      // 0x0A control
    {0x000B, ""},                      // 0x0B control
    {0x000C, ""},                      // 0x0C control
    {0x000D, ""},                      // 0x0D control
    {0x000E, ""},                      // 0x0E control
    {0x000F, ""},                      // 0x0F control
    {0x0010, ""},                      // 0x10 control
    {0x0011, ""},                      // 0x11 control
    {0x0012, ""},                      // 0x12 control
    {0x0013, ""},                      // 0x13 control
    {0x0014, ""},                      // 0x14 control
    {0x0015, ""},                      // 0x15 control
    {0x0016, ""},                      // 0x16 control
    {0x0017, ""},                      // 0x17 control
    {0x0018, ""},                      // 0x18 control
    {0x0019, ""},                      // 0x19 control
    {0x001A, ""},                      // 0x1A control
    {0x001B, ""},                      // 0x1B control
    {0x001C, ""},                      // 0x1C control
    {0x001D, ""},                      // 0x1D control
    {0x001E, ""},                      // 0x1E control
    {0x001F, ""},                      // 0x1F control
    {0x0020, "space"},                 // 0x20 SPACE
    {0x0021, "exclam"},                // 0x21 EXCLAMATION MARK
    {0x0022, "quotedbl"},              // 0x22 QUOTATION MARK
    {0x0023, "numbersign"},            // 0x23 NUMBER SIGN
    {0x0024, "dollar"},                // 0x24 DOLLAR SIGN
    {0x0025, "percent"},               // 0x25 PERCENT SIGN
    {0x0026, "ampersand"},             // 0x26 AMPERSAND
    {0x0027, "quoteright"},            // 0x27 APOSTROPHE
    {0x0028, "parenleft"},             // 0x28 LEFT PARENTHESIS
    {0x0029, "parenright"},            // 0x29 RIGHT PARENTHESIS
    {0x002A, "asterisk"},              // 0x2A ASTERISK
    {0x002B, "plus"},                  // 0x2B PLUS SIGN
    {0x002C, "comma"},                 // 0x2C COMMA
    {0x002D, "hyphen"},                // 0x2D HYPHEN-MINUS
    {0x002E, "period"},                // 0x2E FULL STOP
    {0x002F, "slash"},                 // 0x2F SOLIDUS
    {0x0030, "zero"},                  // 0x30 DIGIT ZERO
    {0x0031, "one"},                   // 0x31 DIGIT ONE
    {0x0032, "two"},                   // 0x32 DIGIT TWO
    {0x0033, "three"},                 // 0x33 DIGIT THREE
    {0x0034, "four"},                  // 0x34 DIGIT FOUR
    {0x0035, "five"},                  // 0x35 DIGIT FIVE
    {0x0036, "six"},                   // 0x36 DIGIT SIX
    {0x0037, "seven"},                 // 0x37 DIGIT SEVEN
    {0x0038, "eight"},                 // 0x38 DIGIT EIGHT
    {0x0039, "nine"},                  // 0x39 DIGIT NINE
    {0x003A, "colon"},                 // 0x3A COLON
    {0x003B, "semicolon"},             // 0x3B SEMICOLON
    {0x003C, "less"},                  // 0x3C LESS-THAN SIGN
    {0x003D, "equal"},                 // 0x3D EQUALS SIGN
    {0x003E, "greater"},               // 0x3E GREATER-THAN SIGN
    {0x003F, "question"},              // 0x3F QUESTION MARK
    {0x0040, "at"},                    // 0x40 COMMERCIAL AT
    {0x0041, "A"},                     // 0x41 LATIN CAPITAL LETTER A
    {0x0042, "B"},                     // 0x42 LATIN CAPITAL LETTER B
    {0x0043, "C"},                     // 0x43 LATIN CAPITAL LETTER C
    {0x0044, "D"},                     // 0x44 LATIN CAPITAL LETTER D
    {0x0045, "E"},                     // 0x45 LATIN CAPITAL LETTER E
    {0x0046, "F"},                     // 0x46 LATIN CAPITAL LETTER F
    {0x0047, "G"},                     // 0x47 LATIN CAPITAL LETTER G
    {0x0048, "H"},                     // 0x48 LATIN CAPITAL LETTER H
    {0x0049, "I"},                     // 0x49 LATIN CAPITAL LETTER I
    {0x004A, "J"},                     // 0x4A LATIN CAPITAL LETTER J
    {0x004B, "K"},                     // 0x4B LATIN CAPITAL LETTER K
    {0x004C, "L"},                     // 0x4C LATIN CAPITAL LETTER L
    {0x004D, "M"},                     // 0x4D LATIN CAPITAL LETTER M
    {0x004E, "N"},                     // 0x4E LATIN CAPITAL LETTER N
    {0x004F, "O"},                     // 0x4F LATIN CAPITAL LETTER O
    {0x0050, "P"},                     // 0x50 LATIN CAPITAL LETTER P
    {0x0051, "Q"},                     // 0x51 LATIN CAPITAL LETTER Q
    {0x0052, "R"},                     // 0x52 LATIN CAPITAL LETTER R
    {0x0053, "S"},                     // 0x53 LATIN CAPITAL LETTER S
    {0x0054, "T"},                     // 0x54 LATIN CAPITAL LETTER T
    {0x0055, "U"},                     // 0x55 LATIN CAPITAL LETTER U
    {0x0056, "V"},                     // 0x56 LATIN CAPITAL LETTER V
    {0x0057, "W"},                     // 0x57 LATIN CAPITAL LETTER W
    {0x0058, "X"},                     // 0x58 LATIN CAPITAL LETTER X
    {0x0059, "Y"},                     // 0x59 LATIN CAPITAL LETTER Y
    {0x005A, "Z"},                     // 0x5A LATIN CAPITAL LETTER Z
    {0x005B, "bracketleft"},           // 0x5B LEFT SQUARE BRACKET
    {0x005C, "backslash"},             // 0x5C REVERSE SOLIDUS
    {0x005D, "bracketright"},          // 0x5D RIGHT SQUARE BRACKET
    {0x005E, "asciicircum"},           // 0x5E CIRCUMFLEX ACCENT
    {0x005F, "underscore"},            // 0x5F LOW LINE
    {0x0060, "quoteleft"},             // 0x60 GRAVE ACCENT
    {0x0061, "a"},                     // 0x61 LATIN SMALL LETTER A
    {0x0062, "b"},                     // 0x62 LATIN SMALL LETTER B
    {0x0063, "c"},                     // 0x63 LATIN SMALL LETTER C
    {0x0064, "d"},                     // 0x64 LATIN SMALL LETTER D
    {0x0065, "e"},                     // 0x65 LATIN SMALL LETTER E
    {0x0066, "f"},                     // 0x66 LATIN SMALL LETTER F
    {0x0067, "g"},                     // 0x67 LATIN SMALL LETTER G
    {0x0068, "h"},                     // 0x68 LATIN SMALL LETTER H
    {0x0069, "i"},                     // 0x69 LATIN SMALL LETTER I
    {0x006A, "j"},                     // 0x6A LATIN SMALL LETTER J
    {0x006B, "k"},                     // 0x6B LATIN SMALL LETTER K
    {0x006C, "l"},                     // 0x6C LATIN SMALL LETTER L
    {0x006D, "m"},                     // 0x6D LATIN SMALL LETTER M
    {0x006E, "n"},                     // 0x6E LATIN SMALL LETTER N
    {0x006F, "o"},                     // 0x6F LATIN SMALL LETTER O
    {0x0070, "p"},                     // 0x70 LATIN SMALL LETTER P
    {0x0071, "q"},                     // 0x71 LATIN SMALL LETTER Q
    {0x0072, "r"},                     // 0x72 LATIN SMALL LETTER R
    {0x0073, "s"},                     // 0x73 LATIN SMALL LETTER S
    {0x0074, "t"},                     // 0x74 LATIN SMALL LETTER T
    {0x0075, "u"},                     // 0x75 LATIN SMALL LETTER U
    {0x0076, "v"},                     // 0x76 LATIN SMALL LETTER V
    {0x0077, "w"},                     // 0x77 LATIN SMALL LETTER W
    {0x0078, "x"},                     // 0x78 LATIN SMALL LETTER X
    {0x0079, "y"},                     // 0x79 LATIN SMALL LETTER Y
    {0x007A, "z"},                     // 0x7A LATIN SMALL LETTER Z
    {0x007B, "braceleft"},             // 0x7B LEFT CURLY BRACKET
    {0x007C, "bar"},                   // 0x7C VERTICAL LINE
    {0x007D, "braceright"},            // 0x7D RIGHT CURLY BRACKET
    {0x007E, "asciitilde"},            // 0x7E TILDE
    {0x007F, ""},                      // 0x7F control
    {0x00A0, "space"},                 // 0x80 NO-BREAK SPACE
    {0x00C0, "Agrave"},                // 0x81 LATIN CAPITAL LETTER A WITH GRAVE
    {0x00C1, "Aacute"},                // 0x82 LATIN CAPITAL LETTER A WITH ACUTE
    {0x00C2, "Acircumflex"},           // 0x83 LATIN CAPITAL LETTER A WITH CIRCUMFLEX
    {0x00C3, "Atilde"},                // 0x84 LATIN CAPITAL LETTER A WITH TILDE
    {0x00C4, "Adieresis"},             // 0x85 LATIN CAPITAL LETTER A WITH DIAERESIS
    {0x00C5, "Aring"},                 // 0x86 LATIN CAPITAL LETTER A WITH RING ABOVE
    {0x00C7, "Ccedilla"},              // 0x87 LATIN CAPITAL LETTER C WITH CEDILLA
    {0x00C8, "Egrave"},                // 0x88 LATIN CAPITAL LETTER E WITH GRAVE
    {0x00C9, "Eacute"},                // 0x89 LATIN CAPITAL LETTER E WITH ACUTE
    {0x00CA, "Ecircumflex"},           // 0x8A LATIN CAPITAL LETTER E WITH CIRCUMFLEX
    {0x00CB, "Edieresis"},             // 0x8B LATIN CAPITAL LETTER E WITH DIAERESIS
    {0x00CC, "Igrave"},                // 0x8C LATIN CAPITAL LETTER I WITH GRAVE
    {0x00CD, "Iacute"},                // 0x8D LATIN CAPITAL LETTER I WITH ACUTE
    {0x00CE, "Icircumflex"},           // 0x8E LATIN CAPITAL LETTER I WITH CIRCUMFLEX
    {0x00CF, "Idieresis"},             // 0x8F LATIN CAPITAL LETTER I WITH DIAERESIS
    {0x00D0, "Eth"},                   // 0x90 LATIN CAPITAL LETTER ETH
    {0x00D1, "Ntilde"},                // 0x91 LATIN CAPITAL LETTER N WITH TILDE
    {0x00D2, "Ograve"},                // 0x92 LATIN CAPITAL LETTER O WITH GRAVE
    {0x00D3, "Oacute"},                // 0x93 LATIN CAPITAL LETTER O WITH ACUTE
    {0x00D4, "Ocircumflex"},           // 0x94 LATIN CAPITAL LETTER O WITH CIRCUMFLEX
    {0x00D5, "Otilde"},                // 0x95 LATIN CAPITAL LETTER O WITH TILDE
    {0x00D6, "Odieresis"},             // 0x96 LATIN CAPITAL LETTER O WITH DIAERESIS
    {0x00D9, "Ugrave"},                // 0x97 LATIN CAPITAL LETTER U WITH GRAVE
    {0x00DA, "Uacute"},                // 0x98 LATIN CAPITAL LETTER U WITH ACUTE
    {0x00DB, "Ucircumflex"},           // 0x99 LATIN CAPITAL LETTER U WITH CIRCUMFLEX
    {0x00DC, "Udieresis"},             // 0x9A LATIN CAPITAL LETTER U WITH DIAERESIS
    {0x00DD, "Yacute"},                // 0x9B LATIN CAPITAL LETTER Y WITH ACUTE
    {0x00DE, "Thorn"},                 // 0x9C LATIN CAPITAL LETTER THORN
    {0x00B5, "mu"},                    // 0x9D MICRO SIGN
    {0x00D7, "multiply"},              // 0x9E MULTIPLICATION SIGN
    {0x00F7, "divide"},                // 0x9F DIVISION SIGN
    {0x00A9, "copyright"},             // 0xA0 COPYRIGHT SIGN
    {0x00A1, "exclamdown"},            // 0xA1 INVERTED EXCLAMATION MARK
    {0x00A2, "cent"},                  // 0xA2 CENT SIGN
    {0x00A3, "sterling"},              // 0xA3 POUND SIGN
    {0x2044, "fraction"},              // 0xA4 FRACTION SLASH
    {0x00A5, "yen"},                   // 0xA5 YEN SIGN
    {0x0192, "florin"},                // 0xA6 LATIN SMALL LETTER F WITH HOOK
    {0x00A7, "section"},               // 0xA7 SECTION SIGN
    {0x00A4, "currency"},              // 0xA8 CURRENCY SIGN
    {0x2019, "quoteright"},            // 0xA9 RIGHT SINGLE QUOTATION MARK
    {0x201C, "quotedblleft"},          // 0xAA LEFT DOUBLE QUOTATION MARK
    {0x00AB, "guillemotleft"},         // 0xAB LEFT-POINTING DOUBLE ANGLE QUOTATION MARK
    {0x2039, "guilsinglleft"},         // 0xAC SINGLE LEFT-POINTING ANGLE QUOTATION MARK
    {0x203A, "guilsinglright"},        // 0xAD SINGLE RIGHT-POINTING ANGLE QUOTATION MARK
    {0xFB01, "fi"},                    // 0xAE LATIN SMALL LIGATURE FI
    {0xFB02, "fl"},                    // 0xAF LATIN SMALL LIGATURE FL
    {0x00AE, "registered"},            // 0xB0 REGISTERED SIGN
    {0x2013, "endash"},                // 0xB1 EN DASH
    {0x2020, "dagger"},                // 0xB2 DAGGER
    {0x2021, "daggerdbl"},             // 0xB3 DOUBLE DAGGER
    {0x00B7, "periodcentered"},        // 0xB4 MIDDLE DOT
    {0x00A6, "brokenbar"},             // 0xB5 BROKEN BAR
    {0x00B6, "paragraph"},             // 0xB6 PILCROW SIGN
    {0x2022, "bullet"},                // 0xB7 BULLET
    {0x201A, "quotesinglbase"},        // 0xB8 SINGLE LOW-9 QUOTATION MARK
    {0x201E, "quotedblbase"},          // 0xB9 DOUBLE LOW-9 QUOTATION MARK
    {0x201D, "quotedblright"},         // 0xBA RIGHT DOUBLE QUOTATION MARK
    {0x00BB, "guillemotright"},        // 0xBB RIGHT-POINTING DOUBLE ANGLE QUOTATION MARK
    {0x2026, "ellipsis"},              // 0xBC HORIZONTAL ELLIPSIS
    {0x2030, "perthousand"},           // 0xBD PER MILLE SIGN
    {0x00AC, "logicalnot"},            // 0xBE NOT SIGN
    {0x00BF, "questiondown"},          // 0xBF INVERTED QUESTION MARK
    {0x00B9, "onesuperior"},           // 0xC0 SUPERSCRIPT ONE
    {0x02CB, "grave"},                 // 0xC1 MODIFIER LETTER GRAVE ACCENT
    {0x00B4, "acute"},                 // 0xC2 ACUTE ACCENT
    {0x02C6, "circumflex"},            // 0xC3 MODIFIER LETTER CIRCUMFLEX ACCENT
    {0x02DC, "tilde"},                 // 0xC4 SMALL TILDE
    {0x00AF, "macron"},                // 0xC5 MACRON
    {0x02D8, "breve"},                 // 0xC6 BREVE
    {0x02D9, "dotaccent"},             // 0xC7 DOT ABOVE
    {0x00A8, "dieresis"},              // 0xC8 DIAERESIS
    {0x00B2, "twosuperior"},           // 0xC9 SUPERSCRIPT TWO
    {0x02DA, "ring"},                  // 0xCA RING ABOVE
    {0x00B8, "cedilla"},               // 0xCB CEDILLA
    {0x00B3, "threesuperior"},         // 0xCC SUPERSCRIPT THREE
    {0x02DD, "hungarumlaut"},          // 0xCD DOUBLE ACUTE ACCENT
    {0x02DB, "ogonek"},                // 0xCE OGONEK
    {0x02C7, "caron"},                 // 0xCF CARON
    {0x2014, "emdash"},                // 0xD0 EM DASH
    {0x00B1, "plusminus"},             // 0xD1 PLUS-MINUS SIGN
    {0x00BC, "onequarter"},            // 0xD2 VULGAR FRACTION ONE QUARTER
    {0x00BD, "onehalf"},               // 0xD3 VULGAR FRACTION ONE HALF
    {0x00BE, "threequarters"},         // 0xD4 VULGAR FRACTION THREE QUARTERS
    {0x00E0, "agrave"},                // 0xD5 LATIN SMALL LETTER A WITH GRAVE
    {0x00E1, "aacute"},                // 0xD6 LATIN SMALL LETTER A WITH ACUTE
    {0x00E2, "acircumflex"},           // 0xD7 LATIN SMALL LETTER A WITH CIRCUMFLEX
    {0x00E3, "atilde"},                // 0xD8 LATIN SMALL LETTER A WITH TILDE
    {0x00E4, "adieresis"},             // 0xD9 LATIN SMALL LETTER A WITH DIAERESIS
    {0x00E5, "aring"},                 // 0xDA LATIN SMALL LETTER A WITH RING ABOVE
    {0x00E7, "ccedilla"},              // 0xDB LATIN SMALL LETTER C WITH CEDILLA
    {0x00E8, "egrave"},                // 0xDC LATIN SMALL LETTER E WITH GRAVE
    {0x00E9, "eacute"},                // 0xDD LATIN SMALL LETTER E WITH ACUTE
    {0x00EA, "ecircumflex"},           // 0xDE LATIN SMALL LETTER E WITH CIRCUMFLEX
    {0x00EB, "edieresis"},             // 0xDF LATIN SMALL LETTER E WITH DIAERESIS
    {0x00EC, "igrave"},                // 0xE0 LATIN SMALL LETTER I WITH GRAVE
    {0x00C6, "AE"},                    // 0xE1 LATIN CAPITAL LETTER AE
    {0x00ED, "iacute"},                // 0xE2 LATIN SMALL LETTER I WITH ACUTE
    {0x00AA, "ordfeminine"},           // 0xE3 FEMININE ORDINAL INDICATOR
    {0x00EE, "icircumflex"},           // 0xE4 LATIN SMALL LETTER I WITH CIRCUMFLEX
    {0x00EF, "idieresis"},             // 0xE5 LATIN SMALL LETTER I WITH DIAERESIS
    {0x00F0, "eth"},                   // 0xE6 LATIN SMALL LETTER ETH
    {0x00F1, "ntilde"},                // 0xE7 LATIN SMALL LETTER N WITH TILDE
    {0x0141, "Lslash"},                // 0xE8 LATIN CAPITAL LETTER L WITH STROKE
    {0x00D8, "Oslash"},                // 0xE9 LATIN CAPITAL LETTER O WITH STROKE
    {0x0152, "OE"},                    // 0xEA LATIN CAPITAL LIGATURE OE
    {0x00BA, "ordmasculine"},          // 0xEB MASCULINE ORDINAL INDICATOR
    {0x00F2, "ograve"},                // 0xEC LATIN SMALL LETTER O WITH GRAVE
    {0x00F3, "oacute"},                // 0xED LATIN SMALL LETTER O WITH ACUTE
    {0x00F4, "ocircumflex"},           // 0xEE LATIN SMALL LETTER O WITH CIRCUMFLEX
    {0x00F5, "otilde"},                // 0xEF LATIN SMALL LETTER O WITH TILDE
    {0x00F6, "odieresis"},             // 0xF0 LATIN SMALL LETTER O WITH DIAERESIS
    {0x00E6, "ae"},                    // 0xF1 LATIN SMALL LETTER AE
    {0x00F9, "ugrave"},                // 0xF2 LATIN SMALL LETTER U WITH GRAVE
    {0x00FA, "uacute"},                // 0xF3 LATIN SMALL LETTER U WITH ACUTE
    {0x00FB, "ucircumflex"},           // 0xF4 LATIN SMALL LETTER U WITH CIRCUMFLEX
    {0x0131, "dotlessi"},              // 0xF5 LATIN SMALL LETTER DOTLESS I
    {0x00FC, "udieresis"},             // 0xF6 LATIN SMALL LETTER U WITH DIAERESIS
    {0x00FD, "yacute"},                // 0xF7 LATIN SMALL LETTER Y WITH ACUTE
    {0x0142, "lslash"},                // 0xF8 LATIN SMALL LETTER L WITH STROKE
    {0x00F8, "oslash"},                // 0xF9 LATIN SMALL LETTER O WITH STROKE
    {0x0153, "oe"},                    // 0xFA LATIN SMALL LIGATURE OE
    {0x00DF, "germandbls"},            // 0xFB LATIN SMALL LETTER SHARP S
    {0x00FE, "thorn"},                 // 0xFC LATIN SMALL LETTER THORN
    {0x00FF, "ydieresis"},             // 0xFD LATIN SMALL LETTER Y WITH DIAERESIS
    {kUndefined, ""},                  // 0xFE undefined
    {kUndefined, ""},                  // 0xFF undefined
};

// Mac OS Roman: 0x00-0x7F ASCII, 0x80-0xFF ROMAN.TXT.
const CodeEntry macRomanCodes[256] = {
    {0x0000, ""},                      // 0x00 control
    {0x0001, ""},                      // 0x01 control
    {0x0002, ""},                      // 0x02 control
    {0x0003, ""},                      // 0x03 control
    {0x0004, ""},                      // 0x04 control
    {0x0005, ""},                      // 0x05 control
    {0x0006, ""},                      // 0x06 control
    {0x0007, ""},                      // 0x07 control
    {0x0008, ""},                      // 0x08 control
    {0x0009, ""},                      // 0x09 control
    {0x000A, ""},                      // 0x0A control
    {0x000B, ""},                      // 0x0B control
    {0x000C, ""},                      // 0x0C control
    {0x000D, ""},                      // 0x0D control
    {0x000E, ""},                      // 0x0E control
    {0x000F, ""},                      // 0x0F control
    {0x0010, ""},                      // 0x10 control
    {0x0011, ""},                      // 0x11 control
    {0x0012, ""},                      // 0x12 control
    {0x0013, ""},                      // 0x13 control
    {0x0014, ""},                      // 0x14 control
    {0x0015, ""},                      // 0x15 control
    {0x0016, ""},                      // 0x16 control
    {0x0017, ""},                      // 0x17 control
    {0x0018, ""},                      // 0x18 control
    {0x0019, ""},                      // 0x19 control
    {0x001A, ""},                      // 0x1A control
    {0x001B, ""},                      // 0x1B control
    {0x001C, ""},                      // 0x1C control
    {0x001D, ""},                      // 0x1D control
    {0x001E, ""},                      // 0x1E control
    {0x001F, ""},                      // 0x1F control
    {0x0020, "space"},                 // 0x20 SPACE
    {0x0021, "exclam"},                // 0x21 EXCLAMATION MARK
    {0x0022, "quotedbl"},              // 0x22 QUOTATION MARK
    {0x0023, "numbersign"},            // 0x23 NUMBER SIGN
    {0x0024, "dollar"},                // 0x24 DOLLAR SIGN
    {0x0025, "percent"},               // 0x25 PERCENT SIGN
    {0x0026, "ampersand"},             // 0x26 AMPERSAND
    {0x0027, "quotesingle"},           // 0x27 APOSTROPHE
    {0x0028, "parenleft"},             // 0x28 LEFT PARENTHESIS
    {0x0029, "parenright"},            // 0x29 RIGHT PARENTHESIS
    {0x002A, "asterisk"},              // 0x2A ASTERISK
    {0x002B, "plus"},                  // 0x2B PLUS SIGN
    {0x002C, "comma"},                 // 0x2C COMMA
    {0x002D, "hyphen"},                // 0x2D HYPHEN-MINUS
    {0x002E, "period"},                // 0x2E FULL STOP
    {0x002F, "slash"},                 // 0x2F SOLIDUS
    {0x0030, "zero"},                  // 0x30 DIGIT ZERO
    {0x0031, "one"},                   // 0x31 DIGIT ONE
    {0x0032, "two"},                   // 0x32 DIGIT TWO
    {0x0033, "three"},                 // 0x33 DIGIT THREE
    {0x0034, "four"},                  // 0x34 DIGIT FOUR
    {0x0035, "five"},                  // 0x35 DIGIT FIVE
    {0x0036, "six"},                   // 0x36 DIGIT SIX
    {0x0037, "seven"},                 // 0x37 DIGIT SEVEN
    {0x0038, "eight"},                 // 0x38 DIGIT EIGHT
    {0x0039, "nine"},                  // 0x39 DIGIT NINE
    {0x003A, "colon"},                 // 0x3A COLON
    {0x003B, "semicolon"},             // 0x3B SEMICOLON
    {0x003C, "less"},                  // 0x3C LESS-THAN SIGN
    {0x003D, "equal"},                 // 0x3D EQUALS SIGN
    {0x003E, "greater"},               // 0x3E GREATER-THAN SIGN
    {0x003F, "question"},              // 0x3F QUESTION MARK
    {0x0040, "at"},                    // 0x40 COMMERCIAL AT
    {0x0041, "A"},                     // 0x41 LATIN CAPITAL LETTER A
    {0x0042, "B"},                     // 0x42 LATIN CAPITAL LETTER B
    {0x0043, "C"},                     // 0x43 LATIN CAPITAL LETTER C
    {0x0044, "D"},                     // 0x44 LATIN CAPITAL LETTER D
    {0x0045, "E"},                     // 0x45 LATIN CAPITAL LETTER E
    {0x0046, "F"},                     // 0x46 LATIN CAPITAL LETTER F
    {0x0047, "G"},                     // 0x47 LATIN CAPITAL LETTER G
    {0x0048, "H"},                     // 0x48 LATIN CAPITAL LETTER H
    {0x0049, "I"},                     // 0x49 LATIN CAPITAL LETTER I
    {0x004A, "J"},                     // 0x4A LATIN CAPITAL LETTER J
    {0x004B, "K"},                     // 0x4B LATIN CAPITAL LETTER K
    {0x004C, "L"},                     // 0x4C LATIN CAPITAL LETTER L
    {0x004D, "M"},                     // 0x4D LATIN CAPITAL LETTER M
    {0x004E, "N"},                     // 0x4E LATIN CAPITAL LETTER N
    {0x004F, "O"},                     // 0x4F LATIN CAPITAL LETTER O
    {0x0050, "P"},                     // 0x50 LATIN CAPITAL LETTER P
    {0x0051, "Q"},                     // 0x51 LATIN CAPITAL LETTER Q
    {0x0052, "R"},                     // 0x52 LATIN CAPITAL LETTER R
    {0x0053, "S"},                     // 0x53 LATIN CAPITAL LETTER S
    {0x0054, "T"},                     // 0x54 LATIN CAPITAL LETTER T
    {0x0055, "U"},                     // 0x55 LATIN CAPITAL LETTER U
    {0x0056, "V"},                     // 0x56 LATIN CAPITAL LETTER V
    {0x0057, "W"},                     // 0x57 LATIN CAPITAL LETTER W
    {0x0058, "X"},                     // 0x58 LATIN CAPITAL LETTER X
    {0x0059, "Y"},                     // 0x59 LATIN CAPITAL LETTER Y
    {0x005A, "Z"},                     // 0x5A LATIN CAPITAL LETTER Z
    {0x005B, "bracketleft"},           // 0x5B LEFT SQUARE BRACKET
    {0x005C, "backslash"},             // 0x5C REVERSE SOLIDUS
    {0x005D, "bracketright"},          // 0x5D RIGHT SQUARE BRACKET
    {0x005E, "asciicircum"},           // 0x5E CIRCUMFLEX ACCENT
    {0x005F, "underscore"},            // 0x5F LOW LINE
    {0x0060, "grave"},                 // 0x60 GRAVE ACCENT
    {0x0061, "a"},                     // 0x61 LATIN SMALL LETTER A
    {0x0062, "b"},                     // 0x62 LATIN SMALL LETTER B
    {0x0063, "c"},                     // 0x63 LATIN SMALL LETTER C
    {0x0064, "d"},                     // 0x64 LATIN SMALL LETTER D
    {0x0065, "e"},                     // 0x65 LATIN SMALL LETTER E
    {0x0066, "f"},                     // 0x66 LATIN SMALL LETTER F
    {0x0067, "g"},                     // 0x67 LATIN SMALL LETTER G
    {0x0068, "h"},                     // 0x68 LATIN SMALL LETTER H
    {0x0069, "i"},                     // 0x69 LATIN SMALL LETTER I
    {0x006A, "j"},                     // 0x6A LATIN SMALL LETTER J
    {0x006B, "k"},                     // 0x6B LATIN SMALL LETTER K
    {0x006C, "l"},                     // 0x6C LATIN SMALL LETTER L
    {0x006D, "m"},                     // 0x6D LATIN SMALL LETTER M
    {0x006E, "n"},                     // 0x6E LATIN SMALL LETTER N
    {0x006F, "o"},                     // 0x6F LATIN SMALL LETTER O
    {0x0070, "p"},                     // 0x70 LATIN SMALL LETTER P
    {0x0071, "q"},                     // 0x71 LATIN SMALL LETTER Q
    {0x0072, "r"},                     // 0x72 LATIN SMALL LETTER R
    {0x0073, "s"},                     // 0x73 LATIN SMALL LETTER S
    {0x0074, "t"},                     // 0x74 LATIN SMALL LETTER T
    {0x0075, "u"},                     // 0x75 LATIN SMALL LETTER U
    {0x0076, "v"},                     // 0x76 LATIN SMALL LETTER V
    {0x0077, "w"},                     // 0x77 LATIN SMALL LETTER W
    {0x0078, "x"},                     // 0x78 LATIN SMALL LETTER X
    {0x0079, "y"},                     // 0x79 LATIN SMALL LETTER Y
    {0x007A, "z"},                     // 0x7A LATIN SMALL LETTER Z
    {0x007B, "braceleft"},             // 0x7B LEFT CURLY BRACKET
    {0x007C, "bar"},                   // 0x7C VERTICAL LINE
    {0x007D, "braceright"},            // 0x7D RIGHT CURLY BRACKET
    {0x007E, "asciitilde"},            // 0x7E TILDE
    {0x007F, ""},                      // 0x7F control
    {0x00C4, "Adieresis"},             // 0x80 LATIN CAPITAL LETTER A WITH DIAERESIS
    {0x00C5, "Aring"},                 // 0x81 LATIN CAPITAL LETTER A WITH RING ABOVE
    {0x00C7, "Ccedilla"},              // 0x82 LATIN CAPITAL LETTER C WITH CEDILLA
    {0x00C9, "Eacute"},                // 0x83 LATIN CAPITAL LETTER E WITH ACUTE
    {0x00D1, "Ntilde"},                // 0x84 LATIN CAPITAL LETTER N WITH TILDE
    {0x00D6, "Odieresis"},             // 0x85 LATIN CAPITAL LETTER O WITH DIAERESIS
    {0x00DC, "Udieresis"},             // 0x86 LATIN CAPITAL LETTER U WITH DIAERESIS
    {0x00E1, "aacute"},                // 0x87 LATIN SMALL LETTER A WITH ACUTE
    {0x00E0, "agrave"},                // 0x88 LATIN SMALL LETTER A WITH GRAVE
    {0x00E2, "acircumflex"},           // 0x89 LATIN SMALL LETTER A WITH CIRCUMFLEX
    {0x00E4, "adieresis"},             // 0x8A LATIN SMALL LETTER A WITH DIAERESIS
    {0x00E3, "atilde"},                // 0x8B LATIN SMALL LETTER A WITH TILDE
    {0x00E5, "aring"},                 // 0x8C LATIN SMALL LETTER A WITH RING ABOVE
    {0x00E7, "ccedilla"},              // 0x8D LATIN SMALL LETTER C WITH CEDILLA
    {0x00E9, "eacute"},                // 0x8E LATIN SMALL LETTER E WITH ACUTE
    {0x00E8, "egrave"},                // 0x8F LATIN SMALL LETTER E WITH GRAVE
    {0x00EA, "ecircumflex"},           // 0x90 LATIN SMALL LETTER E WITH CIRCUMFLEX
    {0x00EB, "edieresis"},             // 0x91 LATIN SMALL LETTER E WITH DIAERESIS
    {0x00ED, "iacute"},                // 0x92 LATIN SMALL LETTER I WITH ACUTE
    {0x00EC, "igrave"},                // 0x93 LATIN SMALL LETTER I WITH GRAVE
    {0x00EE, "icircumflex"},           // 0x94 LATIN SMALL LETTER I WITH CIRCUMFLEX
    {0x00EF, "idieresis"},             // 0x95 LATIN SMALL LETTER I WITH DIAERESIS
    {0x00F1, "ntilde"},                // 0x96 LATIN SMALL LETTER N WITH TILDE
    {0x00F3, "oacute"},                // 0x97 LATIN SMALL LETTER O WITH ACUTE
    {0x00F2, "ograve"},                // 0x98 LATIN SMALL LETTER O WITH GRAVE
    {0x00F4, "ocircumflex"},           // 0x99 LATIN SMALL LETTER O WITH CIRCUMFLEX
    {0x00F6, "odieresis"},             // 0x9A LATIN SMALL LETTER O WITH DIAERESIS
    {0x00F5, "otilde"},                // 0x9B LATIN SMALL LETTER O WITH TILDE
    {0x00FA, "uacute"},                // 0x9C LATIN SMALL LETTER U WITH ACUTE
    {0x00F9, "ugrave"},                // 0x9D LATIN SMALL LETTER U WITH GRAVE
    {0x00FB, "ucircumflex"},           // 0x9E LATIN SMALL LETTER U WITH CIRCUMFLEX
    {0x00FC, "udieresis"},             // 0x9F LATIN SMALL LETTER U WITH DIAERESIS
    {0x2020, "dagger"},                // 0xA0 DAGGER
    {0x00B0, "degree"},                // 0xA1 DEGREE SIGN
    {0x00A2, "cent"},                  // 0xA2 CENT SIGN
    {0x00A3, "sterling"},              // 0xA3 POUND SIGN
    {0x00A7, "section"},               // 0xA4 SECTION SIGN
    {0x2022, "bullet"},                // 0xA5 BULLET
    {0x00B6, "paragraph"},             // 0xA6 PILCROW SIGN
    {0x00DF, "germandbls"},            // 0xA7 LATIN SMALL LETTER SHARP S
    {0x00AE, "registered"},            // 0xA8 REGISTERED SIGN
    {0x00A9, "copyright"},             // 0xA9 COPYRIGHT SIGN
    {0x2122, "trademark"},             // 0xAA TRADE MARK SIGN
    {0x00B4, "acute"},                 // 0xAB ACUTE ACCENT
    {0x00A8, "dieresis"},              // 0xAC DIAERESIS
    {0x2260, "notequal"},              // 0xAD NOT EQUAL TO
    {0x00C6, "AE"},                    // 0xAE LATIN CAPITAL LETTER AE
    {0x00D8, "Oslash"},                // 0xAF LATIN CAPITAL LETTER O WITH STROKE
    {0x221E, "infinity"},              // 0xB0 INFINITY
    {0x00B1, "plusminus"},             // 0xB1 PLUS-MINUS SIGN
    {0x2264, "lessequal"},             // 0xB2 LESS-THAN OR EQUAL TO
    {0x2265, "greaterequal"},          // 0xB3 GREATER-THAN OR EQUAL TO
    {0x00A5, "yen"},                   // 0xB4 YEN SIGN
    {0x00B5, "mu"},                    // 0xB5 MICRO SIGN
    {0x2202, "partialdiff"},           // 0xB6 PARTIAL DIFFERENTIAL
    {0x2211, "summation"},             // 0xB7 N-ARY SUMMATION
    {0x220F, "product"},               // 0xB8 N-ARY PRODUCT
    {0x03C0, "pi"},                    // 0xB9 GREEK SMALL LETTER PI
    {0x222B, "integral"},              // 0xBA INTEGRAL
    {0x00AA, "ordfeminine"},           // 0xBB FEMININE ORDINAL INDICATOR
    {0x00BA, "ordmasculine"},          // 0xBC MASCULINE ORDINAL INDICATOR
    {0x03A9, "Omega"},                 // 0xBD GREEK CAPITAL LETTER OMEGA
    {0x00E6, "ae"},                    // 0xBE LATIN SMALL LETTER AE
    {0x00F8, "oslash"},                // 0xBF LATIN SMALL LETTER O WITH STROKE
    {0x00BF, "questiondown"},          // 0xC0 INVERTED QUESTION MARK
    {0x00A1, "exclamdown"},            // 0xC1 INVERTED EXCLAMATION MARK
    {0x00AC, "logicalnot"},            // 0xC2 NOT SIGN
    {0x221A, "radical"},               // 0xC3 SQUARE ROOT
    {0x0192, "florin"},                // 0xC4 LATIN SMALL LETTER F WITH HOOK
    {0x2248, "approxequal"},           // 0xC5 ALMOST EQUAL TO
    {0x2206, "Delta"},                 // 0xC6 INCREMENT
    {0x00AB, "guillemotleft"},         // 0xC7 LEFT-POINTING DOUBLE ANGLE QUOTATION MARK
    {0x00BB, "guillemotright"},        // 0xC8 RIGHT-POINTING DOUBLE ANGLE QUOTATION MARK
    {0x2026, "ellipsis"},              // 0xC9 HORIZONTAL ELLIPSIS
    {0x00A0, "space"},                 // 0xCA NO-BREAK SPACE
    {0x00C0, "Agrave"},                // 0xCB LATIN CAPITAL LETTER A WITH GRAVE
    {0x00C3, "Atilde"},                // 0xCC LATIN CAPITAL LETTER A WITH TILDE
    {0x00D5, "Otilde"},                // 0xCD LATIN CAPITAL LETTER O WITH TILDE
    {0x0152, "OE"},                    // 0xCE LATIN CAPITAL LIGATURE OE
    {0x0153, "oe"},                    // 0xCF LATIN SMALL LIGATURE OE
    {0x2013, "endash"},                // 0xD0 EN DASH
    {0x2014, "emdash"},                // 0xD1 EM DASH
    {0x201C, "quotedblleft"},          // 0xD2 LEFT DOUBLE QUOTATION MARK
    {0x201D, "quotedblright"},         // 0xD3 RIGHT DOUBLE QUOTATION MARK
    {0x2018, "quoteleft"},             // 0xD4 LEFT SINGLE QUOTATION MARK
    {0x2019, "quoteright"},            // 0xD5 RIGHT SINGLE QUOTATION MARK
    {0x00F7, "divide"},                // 0xD6 DIVISION SIGN
    {0x25CA, "lozenge"},               // 0xD7 LOZENGE
    {0x00FF, "ydieresis"},             // 0xD8 LATIN SMALL LETTER Y WITH DIAERESIS
    {0x0178, "Ydieresis"},             // 0xD9 LATIN CAPITAL LETTER Y WITH DIAERESIS
    {0x2044, "fraction"},              // 0xDA FRACTION SLASH
    {0x20AC, "Euro"},                  // 0xDB EURO SIGN
    {0x2039, "guilsinglleft"},         // 0xDC SINGLE LEFT-POINTING ANGLE QUOTATION MARK
    {0x203A, "guilsinglright"},        // 0xDD SINGLE RIGHT-POINTING ANGLE QUOTATION MARK
    {0xFB01, "fi"},                    // 0xDE LATIN SMALL LIGATURE FI
    {0xFB02, "fl"},                    // 0xDF LATIN SMALL LIGATURE FL
    {0x2021, "daggerdbl"},             // 0xE0 DOUBLE DAGGER
    {0x00B7, "periodcentered"},        // 0xE1 MIDDLE DOT
    {0x201A, "quotesinglbase"},        // 0xE2 SINGLE LOW-9 QUOTATION MARK
    {0x201E, "quotedblbase"},          // 0xE3 DOUBLE LOW-9 QUOTATION MARK
    {0x2030, "perthousand"},           // 0xE4 PER MILLE SIGN
    {0x00C2, "Acircumflex"},           // 0xE5 LATIN CAPITAL LETTER A WITH CIRCUMFLEX
    {0x00CA, "Ecircumflex"},           // 0xE6 LATIN CAPITAL LETTER E WITH CIRCUMFLEX
    {0x00C1, "Aacute"},                // 0xE7 LATIN CAPITAL LETTER A WITH ACUTE
    {0x00CB, "Edieresis"},             // 0xE8 LATIN CAPITAL LETTER E WITH DIAERESIS
    {0x00C8, "Egrave"},                // 0xE9 LATIN CAPITAL LETTER E WITH GRAVE
    {0x00CD, "Iacute"},                // 0xEA LATIN CAPITAL LETTER I WITH ACUTE
    {0x00CE, "Icircumflex"},           // 0xEB LATIN CAPITAL LETTER I WITH CIRCUMFLEX
    {0x00CF, "Idieresis"},             // 0xEC LATIN CAPITAL LETTER I WITH DIAERESIS
    {0x00CC, "Igrave"},                // 0xED LATIN CAPITAL LETTER I WITH GRAVE
    {0x00D3, "Oacute"},                // 0xEE LATIN CAPITAL LETTER O WITH ACUTE
    {0x00D4, "Ocircumflex"},           // 0xEF LATIN CAPITAL LETTER O WITH CIRCUMFLEX
    {0xF8FF, "apple"},                 // 0xF0 Apple logo (corporate use)
    {0x00D2, "Ograve"},                // 0xF1 LATIN CAPITAL LETTER O WITH GRAVE
    {0x00DA, "Uacute"},                // 0xF2 LATIN CAPITAL LETTER U WITH ACUTE
    {0x00DB, "Ucircumflex"},           // 0xF3 LATIN CAPITAL LETTER U WITH CIRCUMFLEX
    {0x00D9, "Ugrave"},                // 0xF4 LATIN CAPITAL LETTER U WITH GRAVE
    {0x0131, "dotlessi"},              // 0xF5 LATIN SMALL LETTER DOTLESS I
    {0x02C6, "circumflex"},            // 0xF6 MODIFIER LETTER CIRCUMFLEX ACCENT
    {0x02DC, "tilde"},                 // 0xF7 SMALL TILDE
    {0x00AF, "macron"},                // 0xF8 MACRON
    {0x02D8, "breve"},                 // 0xF9 BREVE
    {0x02D9, "dotaccent"},             // 0xFA DOT ABOVE
    {0x02DA, "ring"},                  // 0xFB RING ABOVE
    {0x00B8, "cedilla"},               // 0xFC CEDILLA
    {0x02DD, "hungarumlaut"},          // 0xFD DOUBLE ACUTE ACCENT
    {0x02DB, "ogonek"},                // 0xFE OGONEK
    {0x02C7, "caron"},                 // 0xFF CARON
};

// Adobe Symbol: symbol.txt, plus 0xF0 "apple".
const CodeEntry symbolCodes[256] = {
    {kUndefined, ""},                  // 0x00 undefined
    {kUndefined, ""},                  // 0x01 undefined
    {kUndefined, ""},                  // 0x02 undefined
    {kUndefined, ""},                  // 0x03 undefined
    {kUndefined, ""},                  // 0x04 undefined
    {kUndefined, ""},                  // 0x05 undefined
    {kUndefined, ""},                  // 0x06 undefined
    {kUndefined, ""},                  // 0x07 undefined
    {kUndefined, ""},                  // 0x08 undefined
    {kUndefined, ""},                  // 0x09 undefined
    {kUndefined, ""},                  // 0x0A undefined
    {kUndefined, ""},                  // 0x0B undefined
    {kUndefined, ""},                  // 0x0C undefined
    {kUndefined, ""},                  // 0x0D undefined
    {kUndefined, ""},                  // 0x0E undefined
    {kUndefined, ""},                  // 0x0F undefined
    {kUndefined, ""},                  // 0x10 undefined
    {kUndefined, ""},                  // 0x11 undefined
    {kUndefined, ""},                  // 0x12 undefined
    {kUndefined, ""},                  // 0x13 undefined
    {kUndefined, ""},                  // 0x14 undefined
    {kUndefined, ""},                  // 0x15 undefined
    {kUndefined, ""},                  // 0x16 undefined
    {kUndefined, ""},                  // 0x17 undefined
    {kUndefined, ""},                  // 0x18 undefined
    {kUndefined, ""},                  // 0x19 undefined
    {kUndefined, ""},                  // 0x1A undefined
    {kUndefined, ""},                  // 0x1B undefined
    {kUndefined, ""},                  // 0x1C undefined
    {kUndefined, ""},                  // 0x1D undefined
    {kUndefined, ""},                  // 0x1E undefined
    {kUndefined, ""},                  // 0x1F undefined
    {0x0020, "space"},                 // 0x20 SPACE
    {0x0021, "exclam"},                // 0x21 EXCLAMATION MARK
    {0x2200, "universal"},             // 0x22 FOR ALL
    {0x0023, "numbersign"},            // 0x23 NUMBER SIGN
    {0x2203, "existential"},           // 0x24 THERE EXISTS
    {0x0025, "percent"},               // 0x25 PERCENT SIGN
    {0x0026, "ampersand"},             // 0x26 AMPERSAND
    {0x220B, "suchthat"},              // 0x27 CONTAINS AS MEMBER
    {0x0028, "parenleft"},             // 0x28 LEFT PARENTHESIS
    {0x0029, "parenright"},            // 0x29 RIGHT PARENTHESIS
    {0x2217, "asteriskmath"},          // 0x2A ASTERISK OPERATOR
    {0x002B, "plus"},                  // 0x2B PLUS SIGN
    {0x002C, "comma"},                 // 0x2C COMMA
    {0x2212, "minus"},                 // 0x2D MINUS SIGN
    {0x002E, "period"},                // 0x2E FULL STOP
    {0x002F, "slash"},                 // 0x2F SOLIDUS
    {0x0030, "zero"},                  // 0x30 DIGIT ZERO
    {0x0031, "one"},                   // 0x31 DIGIT ONE
    {0x0032, "two"},                   // 0x32 DIGIT TWO
    {0x0033, "three"},                 // 0x33 DIGIT THREE
    {0x0034, "four"},                  // 0x34 DIGIT FOUR
    {0x0035, "five"},                  // 0x35 DIGIT FIVE
    {0x0036, "six"},                   // 0x36 DIGIT SIX
    {0x0037, "seven"},                 // 0x37 DIGIT SEVEN
    {0x0038, "eight"},                 // 0x38 DIGIT EIGHT
    {0x0039, "nine"},                  // 0x39 DIGIT NINE
    {0x003A, "colon"},                 // 0x3A COLON
    {0x003B, "semicolon"},             // 0x3B SEMICOLON
    {0x003C, "less"},                  // 0x3C LESS-THAN SIGN
    {0x003D, "equal"},                 // 0x3D EQUALS SIGN
    {0x003E, "greater"},               // 0x3E GREATER-THAN SIGN
    {0x003F, "question"},              // 0x3F QUESTION MARK
    {0x2245, "congruent"},             // 0x40 APPROXIMATELY EQUAL TO
    {0x0391, "Alpha"},                 // 0x41 GREEK CAPITAL LETTER ALPHA
    {0x0392, "Beta"},                  // 0x42 GREEK CAPITAL LETTER BETA
    {0x03A7, "Chi"},                   // 0x43 GREEK CAPITAL LETTER CHI
    {0x0394, "Delta"},                 // 0x44 GREEK CAPITAL LETTER DELTA
    {0x0395, "Epsilon"},               // 0x45 GREEK CAPITAL LETTER EPSILON
    {0x03A6, "Phi"},                   // 0x46 GREEK CAPITAL LETTER PHI
    {0x0393, "Gamma"},                 // 0x47 GREEK CAPITAL LETTER GAMMA
    {0x0397, "Eta"},                   // 0x48 GREEK CAPITAL LETTER ETA
    {0x0399, "Iota"},                  // 0x49 GREEK CAPITAL LETTER IOTA
    {0x03D1, "theta1"},                // 0x4A GREEK THETA SYMBOL
    {0x039A, "Kappa"},                 // 0x4B GREEK CAPITAL LETTER KAPPA
    {0x039B, "Lambda"},                // 0x4C GREEK CAPITAL LETTER LAMDA
    {0x039C, "Mu"},                    // 0x4D GREEK CAPITAL LETTER MU
    {0x039D, "Nu"},                    // 0x4E GREEK CAPITAL LETTER NU
    {0x039F, "Omicron"},               // 0x4F GREEK CAPITAL LETTER OMICRON
    {0x03A0, "Pi"},                    // 0x50 GREEK CAPITAL LETTER PI
    {0x0398, "Theta"},                 // 0x51 GREEK CAPITAL LETTER THETA
    {0x03A1, "Rho"},                   // 0x52 GREEK CAPITAL LETTER RHO
    {0x03A3, "Sigma"},                 // 0x53 GREEK CAPITAL LETTER SIGMA
    {0x03A4, "Tau"},                   // 0x54 GREEK CAPITAL LETTER TAU
    {0x03A5, "Upsilon"},               // 0x55 GREEK CAPITAL LETTER UPSILON
    {0x03C2, "sigma1"},                // 0x56 GREEK SMALL LETTER FINAL SIGMA
    {0x03A9, "Omega"},                 // 0x57 GREEK CAPITAL LETTER OMEGA
    {0x039E, "Xi"},                    // 0x58 GREEK CAPITAL LETTER XI
    {0x03A8, "Psi"},                   // 0x59 GREEK CAPITAL LETTER PSI
    {0x0396, "Zeta"},                  // 0x5A GREEK CAPITAL LETTER ZETA
    {0x005B, "bracketleft"},           // 0x5B LEFT SQUARE BRACKET
    {0x2234, "therefore"},             // 0x5C THEREFORE
    {0x005D, "bracketright"},          // 0x5D RIGHT SQUARE BRACKET
    {0x22A5, "perpendicular"},         // 0x5E UP TACK
    {0x005F, "underscore"},            // 0x5F LOW LINE
    {0xF8E5, "radicalex"},             // 0x60 private use (Adobe corporate use)
    {0x03B1, "alpha"},                 // 0x61 GREEK SMALL LETTER ALPHA
    {0x03B2, "beta"},                  // 0x62 GREEK SMALL LETTER BETA
    {0x03C7, "chi"},                   // 0x63 GREEK SMALL LETTER CHI
    {0x03B4, "delta"},                 // 0x64 GREEK SMALL LETTER DELTA
    {0x03B5, "epsilon"},               // 0x65 GREEK SMALL LETTER EPSILON
    {0x03C6, "phi"},                   // 0x66 GREEK SMALL LETTER PHI
    {0x03B3, "gamma"},                 // 0x67 GREEK SMALL LETTER GAMMA
    {0x03B7, "eta"},                   // 0x68 GREEK SMALL LETTER ETA
    {0x03B9, "iota"},                  // 0x69 GREEK SMALL LETTER IOTA
    {0x03D5, "phi1"},                  // 0x6A GREEK PHI SYMBOL
    {0x03BA, "kappa"},                 // 0x6B GREEK SMALL LETTER KAPPA
    {0x03BB, "lambda"},                // 0x6C GREEK SMALL LETTER LAMDA
    {0x03BC, "mu"},                    // 0x6D GREEK SMALL LETTER MU
    {0x03BD, "nu"},                    // 0x6E GREEK SMALL LETTER NU
    {0x03BF, "omicron"},               // 0x6F GREEK SMALL LETTER OMICRON
    {0x03C0, "pi"},                    // 0x70 GREEK SMALL LETTER PI
    {0x03B8, "theta"},                 // 0x71 GREEK SMALL LETTER THETA
    {0x03C1, "rho"},                   // 0x72 GREEK SMALL LETTER RHO
    {0x03C3, "sigma"},                 // 0x73 GREEK SMALL LETTER SIGMA
    {0x03C4, "tau"},                   // 0x74 GREEK SMALL LETTER TAU
    {0x03C5, "upsilon"},               // 0x75 GREEK SMALL LETTER UPSILON
    {0x03D6, "omega1"},                // 0x76 GREEK PI SYMBOL
    {0x03C9, "omega"},                 // 0x77 GREEK SMALL LETTER OMEGA
    {0x03BE, "xi"},                    // 0x78 GREEK SMALL LETTER XI
    {0x03C8, "psi"},                   // 0x79 GREEK SMALL LETTER PSI
    {0x03B6, "zeta"},                  // 0x7A GREEK SMALL LETTER ZETA
    {0x007B, "braceleft"},             // 0x7B LEFT CURLY BRACKET
    {0x007C, "bar"},                   // 0x7C VERTICAL LINE
    {0x007D, "braceright"},            // 0x7D RIGHT CURLY BRACKET
    {0x223C, "similar"},               // 0x7E TILDE OPERATOR
    {kUndefined, ""},                  // 0x7F undefined
    {kUndefined, ""},                  // 0x80 undefined
    {kUndefined, ""},                  // 0x81 undefined
    {kUndefined, ""},                  // 0x82 undefined
    {kUndefined, ""},                  // 0x83 undefined
    {kUndefined, ""},                  // 0x84 undefined
    {kUndefined, ""},                  // 0x85 undefined
    {kUndefined, ""},                  // 0x86 undefined
    {kUndefined, ""},                  // 0x87 undefined
    {kUndefined, ""},                  // 0x88 undefined
    {kUndefined, ""},                  // 0x89 undefined
    {kUndefined, ""},                  // 0x8A undefined
    {kUndefined, ""},                  // 0x8B undefined
    {kUndefined, ""},                  // 0x8C undefined
    {kUndefined, ""},                  // 0x8D undefined
    {kUndefined, ""},                  // 0x8E undefined
    {kUndefined, ""},                  // 0x8F undefined
    {kUndefined, ""},                  // 0x90 undefined
    {kUndefined, ""},                  // 0x91 undefined
    {kUndefined, ""},                  // 0x92 undefined
    {kUndefined, ""},                  // 0x93 undefined
    {kUndefined, ""},                  // 0x94 undefined
    {kUndefined, ""},                  // 0x95 undefined
    {kUndefined, ""},                  // 0x96 undefined
    {kUndefined, ""},                  // 0x97 undefined
    {kUndefined, ""},                  // 0x98 undefined
    {kUndefined, ""},                  // 0x99 undefined
    {kUndefined, ""},                  // 0x9A undefined
    {kUndefined, ""},                  // 0x9B undefined
    {kUndefined, ""},                  // 0x9C undefined
    {kUndefined, ""},                  // 0x9D undefined
    {kUndefined, ""},                  // 0x9E undefined
    {kUndefined, ""},                  // 0x9F undefined
    {0x20AC, "Euro"},                  // 0xA0 EURO SIGN
    {0x03D2, "Upsilon1"},              // 0xA1 GREEK UPSILON WITH HOOK SYMBOL
    {0x2032, "minute"},                // 0xA2 PRIME
    {0x2264, "lessequal"},             // 0xA3 LESS-THAN OR EQUAL TO
    {0x2044, "fraction"},              // 0xA4 FRACTION SLASH
    {0x221E, "infinity"},              // 0xA5 INFINITY
    {0x0192, "florin"},                // 0xA6 LATIN SMALL LETTER F WITH HOOK
    {0x2663, "club"},                  // 0xA7 BLACK CLUB SUIT
    {0x2666, "diamond"},               // 0xA8 BLACK DIAMOND SUIT
    {0x2665, "heart"},                 // 0xA9 BLACK HEART SUIT
    {0x2660, "spade"},                 // 0xAA BLACK SPADE SUIT
    {0x2194, "arrowboth"},             // 0xAB LEFT RIGHT ARROW
    {0x2190, "arrowleft"},             // 0xAC LEFTWARDS ARROW
    {0x2191, "arrowup"},               // 0xAD UPWARDS ARROW
    {0x2192, "arrowright"},            // 0xAE RIGHTWARDS ARROW
    {0x2193, "arrowdown"},             // 0xAF DOWNWARDS ARROW
    {0x00B0, "degree"},                // 0xB0 DEGREE SIGN
    {0x00B1, "plusminus"},             // 0xB1 PLUS-MINUS SIGN
    {0x2033, "second"},                // 0xB2 DOUBLE PRIME
    {0x2265, "greaterequal"},          // 0xB3 GREATER-THAN OR EQUAL TO
    {0x00D7, "multiply"},              // 0xB4 MULTIPLICATION SIGN
    {0x221D, "proportional"},          // 0xB5 PROPORTIONAL TO
    {0x2202, "partialdiff"},           // 0xB6 PARTIAL DIFFERENTIAL
    {0x2022, "bullet"},                // 0xB7 BULLET
    {0x00F7, "divide"},                // 0xB8 DIVISION SIGN
    {0x2260, "notequal"},              // 0xB9 NOT EQUAL TO
    {0x2261, "equivalence"},           // 0xBA IDENTICAL TO
    {0x2248, "approxequal"},           // 0xBB ALMOST EQUAL TO
    {0x2026, "ellipsis"},              // 0xBC HORIZONTAL ELLIPSIS
    {0xF8E6, "arrowvertex"},           // 0xBD private use (Adobe corporate use)
    {0xF8E7, "arrowhorizex"},          // 0xBE private use (Adobe corporate use)
    {0x21B5, "carriagereturn"},        // 0xBF DOWNWARDS ARROW WITH CORNER LEFTWARDS
    {0x2135, "aleph"},                 // 0xC0 ALEF SYMBOL
    {0x2111, "Ifraktur"},              // 0xC1 BLACK-LETTER CAPITAL I
    {0x211C, "Rfraktur"},              // 0xC2 BLACK-LETTER CAPITAL R
    {0x2118, "weierstrass"},           // 0xC3 SCRIPT CAPITAL P
    {0x2297, "circlemultiply"},        // 0xC4 CIRCLED TIMES
    {0x2295, "circleplus"},            // 0xC5 CIRCLED PLUS
    {0x2205, "emptyset"},              // 0xC6 EMPTY SET
    {0x2229, "intersection"},          // 0xC7 INTERSECTION
    {0x222A, "union"},                 // 0xC8 UNION
    {0x2283, "propersuperset"},        // 0xC9 SUPERSET OF
    {0x2287, "reflexsuperset"},        // 0xCA SUPERSET OF OR EQUAL TO
    {0x2284, "notsubset"},             // 0xCB NOT A SUBSET OF
    {0x2282, "propersubset"},          // 0xCC SUBSET OF
    {0x2286, "reflexsubset"},          // 0xCD SUBSET OF OR EQUAL TO
    {0x2208, "element"},               // 0xCE ELEMENT OF
    {0x2209, "notelement"},            // 0xCF NOT AN ELEMENT OF
    {0x2220, "angle"},                 // 0xD0 ANGLE
    {0x2207, "gradient"},              // 0xD1 NABLA
    {0xF6DA, "registerserif"},         // 0xD2 private use (Adobe corporate use)
    {0xF6D9, "copyrightserif"},        // 0xD3 private use (Adobe corporate use)
    {0xF6DB, "trademarkserif"},        // 0xD4 private use (Adobe corporate use)
    {0x220F, "product"},               // 0xD5 N-ARY PRODUCT
    {0x221A, "radical"},               // 0xD6 SQUARE ROOT
    {0x22C5, "dotmath"},               // 0xD7 DOT OPERATOR
    {0x00AC, "logicalnot"},            // 0xD8 NOT SIGN
    {0x2227, "logicaland"},            // 0xD9 LOGICAL AND
    {0x2228, "logicalor"},             // 0xDA LOGICAL OR
    {0x21D4, "arrowdblboth"},          // 0xDB LEFT RIGHT DOUBLE ARROW
    {0x21D0, "arrowdblleft"},          // 0xDC LEFTWARDS DOUBLE ARROW
    {0x21D1, "arrowdblup"},            // 0xDD UPWARDS DOUBLE ARROW
    {0x21D2, "arrowdblright"},         // 0xDE RIGHTWARDS DOUBLE ARROW
    {0x21D3, "arrowdbldown"},          // 0xDF DOWNWARDS DOUBLE ARROW
    {0x25CA, "lozenge"},               // 0xE0 LOZENGE
    {0x2329, "angleleft"},             // 0xE1 LEFT-POINTING ANGLE BRACKET
    {0xF8E8, "registersans"},          // 0xE2 private use (Adobe corporate use)
    {0xF8E9, "copyrightsans"},         // 0xE3 private use (Adobe corporate use)
    {0xF8EA, "trademarksans"},         // 0xE4 private use (Adobe corporate use)
    {0x2211, "summation"},             // 0xE5 N-ARY SUMMATION
    {0xF8EB, "parenlefttp"},           // 0xE6 private use (Adobe corporate use)
    {0xF8EC, "parenleftex"},           // 0xE7 private use (Adobe corporate use)
    {0xF8ED, "parenleftbt"},           // 0xE8 private use (Adobe corporate use)
    {0xF8EE, "bracketlefttp"},         // 0xE9 private use (Adobe corporate use)
    {0xF8EF, "bracketleftex"},         // 0xEA private use (Adobe corporate use)
    {0xF8F0, "bracketleftbt"},         // 0xEB private use (Adobe corporate use)
    {0xF8F1, "bracelefttp"},           // 0xEC private use (Adobe corporate use)
    {0xF8F2, "braceleftmid"},          // 0xED private use (Adobe corporate use)
    {0xF8F3, "braceleftbt"},           // 0xEE private use (Adobe corporate use)
    {0xF8F4, "braceex"},               // 0xEF private use (Adobe corporate use)
    {0xF8FF, "apple"},                 // 0xF0 Apple logo (corporate use)
    {0x232A, "angleright"},            // 0xF1 RIGHT-POINTING ANGLE BRACKET
    {0x222B, "integral"},              // 0xF2 INTEGRAL
    {0x2320, "integraltp"},            // 0xF3 TOP HALF INTEGRAL
    {0xF8F5, "integralex"},            // 0xF4 private use (Adobe corporate use)
    {0x2321, "integralbt"},            // 0xF5 BOTTOM HALF INTEGRAL
    {0xF8F6, "parenrighttp"},          // 0xF6 private use (Adobe corporate use)
    {0xF8F7, "parenrightex"},          // 0xF7 private use (Adobe corporate use)
    {0xF8F8, "parenrightbt"},          // 0xF8 private use (Adobe corporate use)
    {0xF8F9, "bracketrighttp"},        // 0xF9 private use (Adobe corporate use)
    {0xF8FA, "bracketrightex"},        // 0xFA private use (Adobe corporate use)
    {0xF8FB, "bracketrightbt"},        // 0xFB private use (Adobe corporate use)
    {0xF8FC, "bracerighttp"},          // 0xFC private use (Adobe corporate use)
    {0xF8FD, "bracerightmid"},         // 0xFD private use (Adobe corporate use)
    {0xF8FE, "bracerightbt"},          // 0xFE private use (Adobe corporate use)
    {kUndefined, ""},                  // 0xFF undefined
};

// One-way mappings (Unicode to code only).
const ExtraMapping nextstepExtras[] = {
    {0x2018, 0x60}, // LEFT SINGLE QUOTATION MARK: the text engine's left quote
};
const std::size_t nextstepExtraCount = sizeof(nextstepExtras) / sizeof(nextstepExtras[0]);

// symbol.txt's secondary mappings.
const ExtraMapping symbolExtras[] = {
    {0x00A0, 0x20}, // NO-BREAK SPACE: space
    {0x2206, 0x44}, // INCREMENT: Delta
    {0x2126, 0x57}, // OHM SIGN: Omega
    {0x00B5, 0x6D}, // MICRO SIGN: mu
    {0x2215, 0xA4}, // DIVISION SLASH: fraction
};
const std::size_t symbolExtraCount = sizeof(symbolExtras) / sizeof(symbolExtras[0]);

} // namespace kit::detail
