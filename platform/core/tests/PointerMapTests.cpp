#include "core/PointerMap.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

using kit::PointerMap;

const void* address(std::uintptr_t a) { return reinterpret_cast<const void*>(a); }

// Keys close together (objects made one after another) and keys whole
// regions apart, many times the first table: every key keeps its own value
// through each growth, and keys never added are not found.
TEST(PointerMapTest, EveryKeyKeepsItsValueThroughGrowth)
{
    struct Case {
        const char* what;
        std::uintptr_t base;
        std::uintptr_t step;
    };
    const Case cases[] = {
        {"adjacent objects", 0x10000, 16},
        {"one object a page", 0x7f0000000000, 4096},
        {"one a region apart", 0x7f0000000000, std::uintptr_t(1) << 24},
        {"odd spacing", 0x55550000, 48},
    };
    constexpr std::uint32_t Count = 5000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PointerMap<std::uint32_t> map;
        for (std::uint32_t i = 0; i < Count; ++i)
            map[address(c.base + i * c.step)] = i + 1;
        EXPECT_EQ(map.size(), Count);
        for (std::uint32_t i = 0; i < Count; ++i) {
            const std::uint32_t* value = map.find(address(c.base + i * c.step));
            ASSERT_NE(value, nullptr) << i;
            EXPECT_EQ(*value, i + 1);
        }
        // Between the keys and past the last.
        EXPECT_EQ(map.find(address(c.base + c.step / 2)), nullptr);
        EXPECT_EQ(map.find(address(c.base + Count * c.step)), nullptr);
        // An existing key is found again, not added twice.
        map[address(c.base)] = 77;
        EXPECT_EQ(map.size(), Count);
        EXPECT_EQ(*map.find(address(c.base)), 77u);
    }
}

TEST(PointerMapTest, ReservingKeepsWhatIsThereAndNewKeysStartEmpty)
{
    PointerMap<std::uint32_t> map;
    EXPECT_EQ(map.find(address(0x1000)), nullptr);
    map[address(0x1000)] = 5;
    map.reserve(100000);
    EXPECT_EQ(map.size(), 1u);
    ASSERT_NE(map.find(address(0x1000)), nullptr);
    EXPECT_EQ(*map.find(address(0x1000)), 5u);
    EXPECT_EQ(map[address(0x2000)], 0u);
    EXPECT_EQ(map.size(), 2u);
    std::vector<std::uint32_t> values;
    map.forEachValue([&](std::uint32_t& v) { values.push_back(v); });
    EXPECT_EQ(values.size(), 2u);
}

} // namespace
