#pragma once

// The font pasteboard's data: one letter of rich text in the font copied,
// as other programs put it there too. Writing gives the font's name and
// size; reading takes only those back and refuses anything else.

#include <optional>
#include <string>
#include <string_view>

struct FontChoice {
    std::string name;
    float size = 12.0f;
};

// Longest font name and the sizes taken back (points).
inline constexpr std::size_t MaxFontNameLength = 127;
inline constexpr float MinPastedFontSize = 1.0f;
inline constexpr float MaxPastedFontSize = 1000.0f;

std::string fontPasteboardData(const FontChoice& font);
// The first font of the data's font table at the first size set after it
// (12 points when none is); nothing when the data is not rich text with a
// plain font name or its size is out of bounds.
std::optional<FontChoice> readFontPasteboardData(std::string_view data);
