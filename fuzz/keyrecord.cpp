// What the X server's recording of other programs' requests and of the key
// events it sent hands the key watcher.

#include "FuzzInput.h"

#include "appkit/KeyRecordParsing.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace kit::detail;
    std::size_t keys = 0;
    readRecordedKeys(data, size, [&](const RecordedKey&) { ++keys; });
    if (keys > size / 32)
        fuzz::fail("more key events than whole events in the data");
    readRecordedMappings(data, size, [&](const RecordedMapping& m) {
        if (m.symbols.size() != std::size_t(m.count) * std::size_t(m.perKey))
            fuzz::fail("a mapping with a symbol count other than keys times symbols per key");
        if (m.symbols.size() * 4 + 8 > size)
            fuzz::fail("a mapping larger than the data");
    });
    return 0;
}
