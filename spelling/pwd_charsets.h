#pragma once

// Character-set tables of the engine, kept here so that the engine needs no
// other library. The engine's set is Mac OS Roman; documents use NeXTSTEP.
// Both conversion tables hold 0 where the other set lacks the character.

#include <stdint.h>

// Mac OS Roman to NeXTSTEP (for the hyphenator, whose maps are over the
// documents' set).
inline constexpr unsigned char pwdMacToNeXT[256] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
    16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
    32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47,
    48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63,
    64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79,
    80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95,
    96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111,
    112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127,
    133, 134, 135, 137, 145, 150, 154, 214, 213, 215, 217, 216, 218, 219, 221, 220,
    222, 223, 226, 224, 228, 229, 231, 237, 236, 238, 240, 239, 243, 242, 244, 246,
    178, 0, 162, 163, 167, 183, 182, 251, 176, 160, 0, 194, 200, 0, 225, 233,
    0, 209, 0, 0, 165, 157, 0, 0, 0, 0, 0, 227, 235, 0, 241, 249,
    191, 161, 190, 0, 166, 0, 0, 171, 187, 188, 128, 129, 132, 149, 234, 250,
    177, 208, 170, 186, 96, 169, 159, 0, 253, 0, 164, 0, 172, 173, 174, 175,
    179, 180, 184, 185, 189, 131, 138, 130, 139, 136, 141, 142, 143, 140, 147, 148,
    0, 146, 152, 153, 151, 245, 195, 196, 197, 198, 199, 202, 203, 205, 206, 207,
};

// NeXTSTEP to Mac OS Roman.
inline constexpr unsigned char pwdNeXTToMac[256] = {
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15,
    16, 17, 18, 19, 20, 21, 22, 23, 24, 25, 26, 27, 28, 29, 30, 31,
    32, 33, 34, 35, 36, 37, 38, 39, 40, 41, 42, 43, 44, 45, 46, 47,
    48, 49, 50, 51, 52, 53, 54, 55, 56, 57, 58, 59, 60, 61, 62, 63,
    64, 65, 66, 67, 68, 69, 70, 71, 72, 73, 74, 75, 76, 77, 78, 79,
    80, 81, 82, 83, 84, 85, 86, 87, 88, 89, 90, 91, 92, 93, 94, 95,
    96, 97, 98, 99, 100, 101, 102, 103, 104, 105, 106, 107, 108, 109, 110, 111,
    112, 113, 114, 115, 116, 117, 118, 119, 120, 121, 122, 123, 124, 125, 126, 127,
    202, 203, 231, 229, 204, 128, 129, 130, 233, 131, 230, 232, 237, 234, 235, 236,
    0, 132, 241, 238, 239, 205, 133, 244, 242, 243, 134, 0, 0, 181, 0, 214,
    169, 193, 162, 163, 218, 180, 196, 164, 0, 213, 210, 199, 220, 221, 222, 223,
    168, 208, 160, 224, 225, 0, 166, 165, 226, 227, 211, 200, 201, 228, 194, 192,
    0, 0, 171, 246, 247, 248, 249, 250, 172, 0, 251, 252, 0, 253, 254, 255,
    209, 177, 0, 0, 0, 136, 135, 137, 139, 138, 140, 141, 143, 142, 144, 145,
    147, 174, 146, 187, 148, 149, 0, 150, 0, 175, 206, 188, 152, 151, 153, 155,
    154, 190, 157, 156, 158, 245, 159, 0, 0, 191, 207, 167, 0, 216, 0, 0,
};

// Unicode characters of Mac OS Roman 0x80 to 0xFF (Apple's ROMAN.TXT, 0xDB
// the euro); 0x00 to 0x7F is ASCII.
inline constexpr uint16_t pwdMacRomanUnicode[128] = {
    0x00C4, 0x00C5, 0x00C7, 0x00C9, 0x00D1, 0x00D6, 0x00DC, 0x00E1,
    0x00E0, 0x00E2, 0x00E4, 0x00E3, 0x00E5, 0x00E7, 0x00E9, 0x00E8,
    0x00EA, 0x00EB, 0x00ED, 0x00EC, 0x00EE, 0x00EF, 0x00F1, 0x00F3,
    0x00F2, 0x00F4, 0x00F6, 0x00F5, 0x00FA, 0x00F9, 0x00FB, 0x00FC,
    0x2020, 0x00B0, 0x00A2, 0x00A3, 0x00A7, 0x2022, 0x00B6, 0x00DF,
    0x00AE, 0x00A9, 0x2122, 0x00B4, 0x00A8, 0x2260, 0x00C6, 0x00D8,
    0x221E, 0x00B1, 0x2264, 0x2265, 0x00A5, 0x00B5, 0x2202, 0x2211,
    0x220F, 0x03C0, 0x222B, 0x00AA, 0x00BA, 0x03A9, 0x00E6, 0x00F8,
    0x00BF, 0x00A1, 0x00AC, 0x221A, 0x0192, 0x2248, 0x2206, 0x00AB,
    0x00BB, 0x2026, 0x00A0, 0x00C0, 0x00C3, 0x00D5, 0x0152, 0x0153,
    0x2013, 0x2014, 0x201C, 0x201D, 0x2018, 0x2019, 0x00F7, 0x25CA,
    0x00FF, 0x0178, 0x2044, 0x20AC, 0x2039, 0x203A, 0xFB01, 0xFB02,
    0x2021, 0x00B7, 0x201A, 0x201E, 0x2030, 0x00C2, 0x00CA, 0x00C1,
    0x00CB, 0x00C8, 0x00CD, 0x00CE, 0x00CF, 0x00CC, 0x00D3, 0x00D4,
    0xF8FF, 0x00D2, 0x00DA, 0x00DB, 0x00D9, 0x0131, 0x02C6, 0x02DC,
    0x00AF, 0x02D8, 0x02D9, 0x02DA, 0x00B8, 0x02DD, 0x02DB, 0x02C7,
};

// Lower-case form of each character of Mac OS Roman (the character itself
// when it has none), for comparisons that ignore case.
struct PWDCaseFold {
    unsigned char lower[256];
};

constexpr PWDCaseFold pwdMakeMacCaseFold()
{
    PWDCaseFold f{};
    for (int b = 0; b < 256; ++b) {
        f.lower[b] = static_cast<unsigned char>(b);
        unsigned u = b < 0x80 ? static_cast<unsigned>(b) : pwdMacRomanUnicode[b - 0x80];
        unsigned l = 0;
        if ((u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7))
            l = u + 0x20;
        else if (u == 0x152)
            l = 0x153;
        else if (u == 0x178)
            l = 0xFF;
        if (l < 0x80 && l)
            f.lower[b] = static_cast<unsigned char>(l);
        for (int c = 0x80; c < 256 && l >= 0x80; ++c)
            if (pwdMacRomanUnicode[c - 0x80] == l)
                f.lower[b] = static_cast<unsigned char>(c);
    }
    return f;
}

inline constexpr PWDCaseFold pwdMacCaseFold = pwdMakeMacCaseFold();
