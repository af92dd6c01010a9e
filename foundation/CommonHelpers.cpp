#include "foundation/CommonHelpers.h"

#include "core/Alert.h"
#include "core/Locale.h"
#include "foundation/ApplicationDelegate.h"
#include "graphics/Font.h"

#include <cstring>

short askAboutFonts = 1;
int unfoundFontCount = 0;

std::string getSizeString(long count)
{
    if (count < 10000)
        return kit::formatString("%ld", count);
    if (count < 1000000)
        return kit::formatString("%.1fK", static_cast<double>(count) / 1024.0);
    return kit::formatString("%.2fM", static_cast<double>(count) / 1048576.0);
}

bool isDash(unsigned char c) { return c == '-' || c == EnDashChar || c == EmDashChar; }

static unsigned char foldAscii(unsigned char c) { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; }

bool ZYNStringEqual(const char* s1, const char* s2, bool caseSensitive, int length)
{
    if (!s1 && !s2)
        return true;
    if (!s1 || !s2)
        return false;
    // Compared in place, whole: copying into fixed work areas made strings
    // that differ only after their first 1023 bytes compare equal.
    const std::size_t limit = length < 0 ? static_cast<std::size_t>(-1) : static_cast<std::size_t>(length);
    for (std::size_t i = 0; i < limit; ++i) {
        unsigned char a = static_cast<unsigned char>(s1[i]);
        unsigned char b = static_cast<unsigned char>(s2[i]);
        if (!caseSensitive) {
            a = foldAscii(a);
            b = foldAscii(b);
        }
        if (a != b)
            return false;
        if (a == '\0')
            return true;
    }
    return true;
}

float getValueFromMenu(int tag, const std::optional<std::string>& title)
{
    switch (tag) {
    case 0:
        if (!title)
            return -10.0f;
        return static_cast<float>(kit::Locale::parseFloat(*title).value_or(0.0));
    case -3:
        return 0.15f;
    case -1:
    case -2:
        return static_cast<float>(tag);
    default:
        return -10.0f;
    }
}

kit::Font* findFont(const std::string& name, float size, bool ask)
{
    if (kit::Font* font = kit::Font::fontWithName(name, size))
        return font;
    ++unfoundFontCount;
    if (ask && askAboutFonts && Main && !Main->haveSeenBogusFont(name)) {
        const int answer = kit::runAlertPanel(Main->valueForStringKey("Missing Font"),
                                              Main->valueForStringKey("MissingFontMsg"),
                                              Main->valueForStringKey("OK"), Main->valueForStringKey("OK Forever"),
                                              std::string(), {name, static_cast<double>(size)});
        if (answer == kit::AlertAlternateReturn)
            askAboutFonts = 0;
    }
    return kit::Font::fontWithName("Courier", size);
}
