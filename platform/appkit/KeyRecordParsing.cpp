#include "appkit/KeyRecordParsing.h"

#include <cstring>

namespace kit::detail {

namespace {
// The X protocol's numbers, so that reading needs no X library.
constexpr std::uint8_t kKeyPress = 2;
constexpr std::uint8_t kKeyRelease = 3;
constexpr std::uint8_t kChangeKeyboardMapping = 100;
constexpr std::size_t kEventSize = 32;
constexpr std::size_t kRequestHeader = 8;
// The shortest request is one word (GetInputFocus, say).
constexpr std::size_t kShortestRequest = 4;

template <class T>
T readAt(const std::uint8_t* data, std::size_t at)
{
    T value;
    std::memcpy(&value, data + at, sizeof value);
    return value;
}
} // namespace

void readRecordedKeys(const std::uint8_t* data, std::size_t length, const std::function<void(const RecordedKey&)>& key)
{
    if (!data)
        return;
    for (std::size_t at = 0; at + kEventSize <= length; at += kEventSize) {
        // response type, key code, sequence, time, root, event, child,
        // root x/y, event x/y, state.
        const std::uint8_t type = data[at] & 0x7F;
        if (type != kKeyPress && type != kKeyRelease)
            continue;
        RecordedKey k;
        k.press = type == kKeyPress;
        k.keycode = data[at + 1];
        k.time = readAt<std::uint32_t>(data, at + 4);
        k.state = readAt<std::uint16_t>(data, at + 28);
        key(k);
    }
}

// ChangeKeyboardMapping: opcode, key count, length in words, first key code,
// symbols per key, two pad bytes, then the symbols.
void readRecordedMappings(const std::uint8_t* data, std::size_t length,
                          const std::function<void(const RecordedMapping&)>& mapping)
{
    if (!data)
        return;
    std::size_t at = 0;
    while (at + kShortestRequest <= length) {
        const std::size_t size = std::size_t(readAt<std::uint16_t>(data, at + 2)) * 4;
        if (size < kShortestRequest || size > length - at)
            return;
        if (data[at] == kChangeKeyboardMapping && size >= kRequestHeader) {
            RecordedMapping m;
            m.count = data[at + 1];
            m.first = data[at + 4];
            m.perKey = data[at + 5];
            const std::size_t symbols = std::size_t(m.count) * std::size_t(m.perKey);
            if (kRequestHeader + symbols * 4 <= size) {
                m.symbols.resize(symbols);
                if (symbols)
                    std::memcpy(m.symbols.data(), data + at + kRequestHeader, symbols * 4);
                mapping(m);
            }
        }
        at += size;
    }
}

} // namespace kit::detail
