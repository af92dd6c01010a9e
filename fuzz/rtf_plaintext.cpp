// The RTF-to-text filter service over any bytes: it answers well-formed
// UTF-8 and never more text than the input could hold.

#include "FuzzInput.h"

#include "bundles/convala/rtf/RTFPlainTextFilter.h"

#include <string>

namespace {

bool wellFormedUTF8(const std::string& s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + std::size_t(extra) >= s.size())
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(s[i + std::size_t(k)]) & 0xC0) != 0x80)
                return false;
        i += std::size_t(extra) + 1;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view rtf(reinterpret_cast<const char*>(data), size);
    const std::string text = RTFPlainTextFilter::plainTextOfRTF(rtf);
    if (!wellFormedUTF8(text))
        fuzz::fail("the text is not well-formed UTF-8");
    // A character takes at most four bytes, and every one stands for at
    // least one byte of input (a \uN with its number, a line end wrapped
    // as a paragraph); wrapping plain text adds no characters.
    if (text.size() > 4 * size + 4)
        fuzz::fail("more text than the input holds");
    return 0;
}
