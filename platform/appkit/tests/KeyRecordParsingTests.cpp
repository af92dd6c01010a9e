#include "appkit/KeyRecordParsing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace kit::detail;

namespace {
using Bytes = std::vector<std::uint8_t>;

void put16(Bytes& b, std::uint16_t v)
{
    b.push_back(std::uint8_t(v));
    b.push_back(std::uint8_t(v >> 8));
}

void put32(Bytes& b, std::uint32_t v)
{
    put16(b, std::uint16_t(v));
    put16(b, std::uint16_t(v >> 16));
}

// A ChangeKeyboardMapping request; words: the length it states (0: its own).
Bytes mappingRequest(int first, int count, int perKey, const std::vector<std::uint32_t>& syms, int words = 0)
{
    Bytes b{100, std::uint8_t(count)};
    put16(b, std::uint16_t(words ? words : int(2 + syms.size())));
    b.push_back(std::uint8_t(first));
    b.push_back(std::uint8_t(perKey));
    put16(b, 0);
    for (std::uint32_t s : syms)
        put32(b, s);
    return b;
}

Bytes keyEvent(std::uint8_t type, std::uint8_t code, std::uint32_t time, std::uint16_t state)
{
    Bytes b{type, code};
    put16(b, 7);
    put32(b, time);
    put32(b, 1);
    put32(b, 2);
    put32(b, 0);
    for (int i = 0; i < 4; ++i)
        put16(b, 0);
    put16(b, state);
    b.push_back(1);
    b.push_back(0);
    return b;
}

Bytes operator+(Bytes a, const Bytes& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::vector<RecordedMapping> mappings(const Bytes& b)
{
    std::vector<RecordedMapping> found;
    readRecordedMappings(b.data(), b.size(), [&](const RecordedMapping& m) { found.push_back(m); });
    return found;
}
} // namespace

TEST(KeyRecordParsingTest, KeyEventsAreReadWithTheirCodeTimeAndShiftState)
{
    // Other events between them (a focus change, type 9) are passed over,
    // and a trailing part of an event is not read.
    const Bytes data = keyEvent(2, 200, 1000, 0) + keyEvent(9, 0, 0, 0) + keyEvent(0x80 | 3, 200, 1010, 1) +
                       Bytes(20, 0xFF);
    std::vector<RecordedKey> keys;
    readRecordedKeys(data.data(), data.size(), [&](const RecordedKey& k) { keys.push_back(k); });
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_TRUE(keys[0].press);
    EXPECT_EQ(keys[0].keycode, 200);
    EXPECT_EQ(keys[0].time, 1000u);
    EXPECT_EQ(keys[0].state, 0);
    // The high bit marks an event another program sent; still a release.
    EXPECT_FALSE(keys[1].press);
    EXPECT_EQ(keys[1].time, 1010u);
    EXPECT_EQ(keys[1].state, 1);
}

TEST(KeyRecordParsingTest, MappingRequestsAreReadOnlyWithinTheLengthTheyState)
{
    struct Case {
        const char* name;
        Bytes data;
        std::vector<std::vector<std::uint32_t>> symbols; // of each mapping read
    };
    const Bytes bindN = mappingRequest(200, 1, 2, {0xF1, 0xD1});
    const Bytes takeBack = mappingRequest(200, 1, 2, {0, 0});
    // Another request (GetInputFocus, one word) between them.
    const Bytes other{43, 0, 1, 0};
    const Case cases[] = {
        {"bind and take back", bindN + other + takeBack, {{0xF1, 0xD1}, {0, 0}}},
        {"a request cut short stops reading", bindN + Bytes(takeBack.begin(), takeBack.begin() + 12), {{0xF1, 0xD1}}},
        {"a length of zero words stops reading", mappingRequest(10, 1, 1, {0x61}, 0) + Bytes{100, 1, 0, 0, 10, 1, 0, 0} + bindN,
         {{0x61}}},
        {"keys times symbols beyond the request is passed over", mappingRequest(8, 255, 255, {}, 3) + Bytes(4, 0) + bindN,
         {{0xF1, 0xD1}}},
        {"a stated length beyond the data", mappingRequest(10, 1, 1, {0x61}, 500), {}},
        {"no symbols per key", mappingRequest(10, 3, 0, {}), {{}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<RecordedMapping> found = mappings(c.data);
        ASSERT_EQ(found.size(), c.symbols.size());
        for (std::size_t i = 0; i < found.size(); ++i)
            EXPECT_EQ(found[i].symbols, c.symbols[i]);
    }
    const std::vector<RecordedMapping> first = mappings(bindN);
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].first, 200);
    EXPECT_EQ(first[0].count, 1);
    EXPECT_EQ(first[0].perKey, 2);
}
