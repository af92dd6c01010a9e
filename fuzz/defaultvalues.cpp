// One value text of the user defaults, read by every reader a stored value
// goes through: the numbers of the typed getters, geometry, paper, font and
// language names, and date and time formats. What a reader accepts must
// survive being written in its stored form and read again.

#include "FuzzInput.h"

#include "core/Geometry.h"
#include "core/Locale.h"
#include "core/PaperSize.h"
#include "foundation/Defaults.h"
#include "foundation/ZYNTime.h"
#include "graphics/Font.h"
#include "spelling/pwd.h"

#include <cmath>
#include <ctime>
#include <string>

namespace {

bool sameFloat(float a, float b) { return a == b || (std::isnan(a) && std::isnan(b)); }

bool sameRect(const kit::Rect& a, const kit::Rect& b)
{
    return a.origin.x == b.origin.x && a.origin.y == b.origin.y && a.size.width == b.size.width &&
           a.size.height == b.size.height;
}

bool allFinite(const kit::Rect& r)
{
    return std::isfinite(r.origin.x) && std::isfinite(r.origin.y) && std::isfinite(r.size.width) &&
           std::isfinite(r.size.height);
}

void numbers(const std::string& text)
{
    const int i = DefaultsIntFromString(text);
    if (DefaultsIntFromString(kit::formatString("%d", i)) != i)
        fuzz::fail("an integer does not read back as written");
    const float f = DefaultsFloatFromString(text);
    if (!std::isfinite(f))
        fuzz::fail("a float setting reads as infinite or NaN");
    // "%g" keeps six digits: what is read back is written the same again.
    const float once = DefaultsFloatFromString(kit::formatString("%g", double(f)));
    const float twice = DefaultsFloatFromString(kit::formatString("%g", double(once)));
    if (!sameFloat(once, twice))
        fuzz::fail("a float setting changes each time it is written");
    if (std::fabs(once - f) > std::fabs(f) * 1e-5f)
        fuzz::fail("a float setting is written far from its value");
}

void geometry(const std::string& text)
{
    const kit::Rect r = kit::rectFromString(text);
    if (!allFinite(r))
        fuzz::fail("a rectangle setting reads with an infinite or NaN edge");
    const kit::Rect back = kit::rectFromString(kit::stringFromRect(r));
    if (!sameRect(back, r))
        fuzz::fail("a rectangle does not read back as written");
    const kit::Size s = kit::sizeFromString(text);
    const kit::Size sizeBack = kit::sizeFromString(kit::stringFromSize(s));
    if (!std::isfinite(s.width) || !std::isfinite(s.height) || sizeBack.width != s.width ||
        sizeBack.height != s.height)
        fuzz::fail("a size does not read back as written");
    const kit::Point p = kit::pointFromString(text);
    const kit::Point pointBack = kit::pointFromString(kit::stringFromPoint(p));
    if (!std::isfinite(p.x) || !std::isfinite(p.y) || pointBack.x != p.x || pointBack.y != p.y)
        fuzz::fail("a point does not read back as written");
    if (const auto plain = kit::rectFromPlainString(text)) {
        const auto again = kit::rectFromPlainString(kit::plainStringFromRect(*plain));
        if (!again || !sameRect(*again, *plain))
            fuzz::fail("a plain rectangle does not read back as written");
    }
}

// The paper type, the save format, fonts and languages are named by text.
void names(const std::string& text)
{
    if (const auto paper = kit::sizeForPaperName(text)) {
        if (!(paper->width > 0) || !(paper->height > 0))
            fuzz::fail("a paper name gives no paper");
        // Either orientation: Ledger is Tabloid turned.
        const std::string name = kit::paperNameForSize(*paper);
        const auto again = kit::sizeForPaperName(name);
        if (name.empty() || !again ||
            !((again->width == paper->width && again->height == paper->height) ||
              (again->width == paper->height && again->height == paper->width)))
            fuzz::fail("a paper's size names no paper of that size");
    }
    const float size = DefaultsFloatFromString(text);
    (void)kit::Font::fontWithName(text, size);
    (void)kit::Font::fontWithName(text, 12.0f);
    if (text.find('\0') == std::string::npos)
        if (const PWDLanguage* language = check_lang(text.c_str()))
            if (!check_langNum(language->number))
                fuzz::fail("a language found by name is not found by number");
}

void formats(const std::string& text)
{
    std::tm time{};
    time.tm_year = 101;
    time.tm_mon = 8;
    time.tm_mday = 7;
    time.tm_hour = 20;
    time.tm_min = 5;
    time.tm_wday = 5;
    time.tm_yday = 249;
    // Date and time formats of inserted dates and tokens: formatting must
    // not throw, whatever the user stored.
    (void)ZYNStrfTime(text, time);
    const std::string resolved = preProcessStrftime(128, text, time);
    if (resolved.size() >= 128)
        fuzz::fail("a preprocessed format passes its size");
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    kit::Font::initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    numbers(text);
    geometry(text);
    names(text);
    formats(text);
    return 0;
}
