#include "core/CharClass.h"

namespace kit::detail {

namespace {

// Shorthands for the table below.
constexpr std::uint8_t X = 0; // no character
constexpr std::uint8_t C = CharControl;
constexpr std::uint8_t CS = CharControl | CharSpace;
constexpr std::uint8_t S = CharSpace;
constexpr std::uint8_t P = CharPunct;
constexpr std::uint8_t D = CharDigit;
constexpr std::uint8_t U = CharLetter | CharUpper;
constexpr std::uint8_t L = CharLetter | CharLower;
constexpr std::uint8_t A = CharLetter; // letter without case

// Upper and lower case pairs above 0x7F (both letters in the set).
struct CasePair {
    unsigned char upper;
    unsigned char lower;
};

constexpr CasePair casePairs[] = {
    {0x81, 0xD5}, // Agrave agrave
    {0x82, 0xD6}, // Aacute aacute
    {0x83, 0xD7}, // Acircumflex acircumflex
    {0x84, 0xD8}, // Atilde atilde
    {0x85, 0xD9}, // Adieresis adieresis
    {0x86, 0xDA}, // Aring aring
    {0x87, 0xDB}, // Ccedilla ccedilla
    {0x88, 0xDC}, // Egrave egrave
    {0x89, 0xDD}, // Eacute eacute
    {0x8A, 0xDE}, // Ecircumflex ecircumflex
    {0x8B, 0xDF}, // Edieresis edieresis
    {0x8C, 0xE0}, // Igrave igrave
    {0x8D, 0xE2}, // Iacute iacute
    {0x8E, 0xE4}, // Icircumflex icircumflex
    {0x8F, 0xE5}, // Idieresis idieresis
    {0x90, 0xE6}, // Eth eth
    {0x91, 0xE7}, // Ntilde ntilde
    {0x92, 0xEC}, // Ograve ograve
    {0x93, 0xED}, // Oacute oacute
    {0x94, 0xEE}, // Ocircumflex ocircumflex
    {0x95, 0xEF}, // Otilde otilde
    {0x96, 0xF0}, // Odieresis odieresis
    {0x97, 0xF2}, // Ugrave ugrave
    {0x98, 0xF3}, // Uacute uacute
    {0x99, 0xF4}, // Ucircumflex ucircumflex
    {0x9A, 0xF6}, // Udieresis udieresis
    {0x9B, 0xF7}, // Yacute yacute
    {0x9C, 0xFC}, // Thorn thorn
    {0xE1, 0xF1}, // AE ae
    {0xE8, 0xF8}, // Lslash lslash
    {0xE9, 0xF9}, // Oslash oslash
    {0xEA, 0xFA}, // OE oe
};

constexpr std::array<unsigned char, 256> identity()
{
    std::array<unsigned char, 256> table{};
    for (int c = 0; c < 256; ++c)
        table[c] = static_cast<unsigned char>(c);
    return table;
}

constexpr std::array<unsigned char, 256> makeUpper()
{
    auto table = identity();
    for (int c = 'a'; c <= 'z'; ++c)
        table[c] = static_cast<unsigned char>(c - 'a' + 'A');
    for (const auto& pair : casePairs)
        table[pair.lower] = pair.upper;
    table[0xF5] = 'I'; // dotlessi: Unicode's uppercase is plain I
    return table;
}

constexpr std::array<unsigned char, 256> makeLower()
{
    auto table = identity();
    for (int c = 'A'; c <= 'Z'; ++c)
        table[c] = static_cast<unsigned char>(c - 'A' + 'a');
    for (const auto& pair : casePairs)
        table[pair.upper] = pair.lower;
    return table;
}

} // namespace

// Derived from the Unicode general category of each code's character (see
// CharClass.h); the comment names the first code of each row.
constinit const std::uint8_t nextstepClasses[256] = {
    C , C , C , C , C , C , C , C , C , CS, CS, CS, CS, CS, C , C ,  // 0x00
    C , C , C , C , C , C , C , C , C , C , C , C , C , C , C , C ,  // 0x10
    S , P , P , P , P , P , P , P , P , P , P , P , P , P , P , P ,  // 0x20 space ! " ...
    D , D , D , D , D , D , D , D , D , D , P , P , P , P , P , P ,  // 0x30 0-9 : ; < = > ?
    P , U , U , U , U , U , U , U , U , U , U , U , U , U , U , U ,  // 0x40 @ A-O
    U , U , U , U , U , U , U , U , U , U , U , P , P , P , P , P ,  // 0x50 P-Z [ \ ] ^ _
    P , L , L , L , L , L , L , L , L , L , L , L , L , L , L , L ,  // 0x60 ` a-o
    L , L , L , L , L , L , L , L , L , L , L , P , P , P , P , C ,  // 0x70 p-z { | } ~ DEL
    S , U , U , U , U , U , U , U , U , U , U , U , U , U , U , U ,  // 0x80 nbsp Agrave-Idieresis
    U , U , U , U , U , U , U , U , U , U , U , U , U , L , P , P ,  // 0x90 Eth-Thorn mu multiply divide
    P , P , P , P , P , P , L , P , P , P , P , P , P , P , L , L ,  // 0xA0 copyright-section... florin, fi fl
    P , P , P , P , P , P , P , P , P , P , P , P , P , P , P , P ,  // 0xB0 registered endash ... questiondown
    P , P , P , P , P , P , P , P , P , P , P , P , P , P , P , P ,  // 0xC0 onesuperior, the accents
    P , P , P , P , P , L , L , L , L , L , L , L , L , L , L , L ,  // 0xD0 emdash plusminus fractions, agrave-
    L , U , L , A , L , L , L , L , U , U , U , A , L , L , L , L ,  // 0xE0 igrave AE iacute ordfeminine ... Lslash Oslash OE ordmasculine
    L , L , L , L , L , L , L , L , L , L , L , L , L , L , X , X ,  // 0xF0 odieresis ae ... thorn ydieresis
};

constinit const std::array<unsigned char, 256> nextstepUpper = makeUpper();
constinit const std::array<unsigned char, 256> nextstepLower = makeLower();

} // namespace kit::detail
