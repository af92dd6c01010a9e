// Data on the font pasteboard, as any program may put it there: a font
// taken back must have a plain name and a size in bounds, and write back to
// data that reads as the same font.

#include "FuzzInput.h"

#include "view/FontPasteboard.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::optional<FontChoice> font = readFontPasteboardData(bytes);
    if (!font)
        return 0;
    if (font->name.empty() || font->name.size() > MaxFontNameLength)
        fuzz::fail("a font name out of bounds was taken");
    if (!(font->size >= MinPastedFontSize && font->size <= MaxPastedFontSize))
        fuzz::fail("a font size out of bounds was taken");
    const std::optional<FontChoice> again = readFontPasteboardData(fontPasteboardData(*font));
    if (!again || again->name != font->name || again->size != font->size)
        fuzz::fail("a font taken back does not read the same once written");
    return 0;
}
