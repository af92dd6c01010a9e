#pragma once

// Reads what the X server's RECORD extension hands the key watcher: the key
// events it sent and the keyboard-mapping changes other programs asked for.
// The bytes come from other programs, so each record is checked against the
// length it states before anything is read from it.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace kit::detail {

struct RecordedKey {
    std::uint8_t keycode = 0;
    std::uint32_t time = 0;
    bool press = false;
    std::uint16_t state = 0;
};

struct RecordedMapping {
    int first = 0;
    int count = 0;
    int perKey = 0;
    // count × perKey symbols.
    std::vector<std::uint32_t> symbols;
};

// Events are 32 bytes each; a trailing part of one is ignored.
void readRecordedKeys(const std::uint8_t* data, std::size_t length, const std::function<void(const RecordedKey&)>& key);

// Requests state their own length in words; reading stops at the first one
// that states none or runs past the data.
void readRecordedMappings(const std::uint8_t* data, std::size_t length,
                          const std::function<void(const RecordedMapping&)>& mapping);

} // namespace kit::detail
