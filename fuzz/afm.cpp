// Font metrics (AFM) parsing.

#include "FuzzInput.h"

#include "graphics/FontMetrics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string error;
    auto metrics = kit::FontMetrics::parse(std::string_view(reinterpret_cast<const char*>(data), size), error);
    if (!metrics) {
        if (error.empty())
            fuzz::fail("a refused AFM file gives no reason");
        return 0;
    }
    for (const char* name : {"space", "A", "f", "i", "fi", ".notdef", "Euro"})
        (void)metrics->glyphNamed(name);
    return 0;
}
