// The check's fast control-byte count against the full decoding, on every
// entry of the built dictionaries (the common list and every main block),
// also with the entry cut short at each byte of its control bytes.

#include "SpellTestSupport.h"

#include "spelling/pwd_format.h"

namespace {

struct Region {
    size_t start, length;
};

// The presence-bit count and the entry regions of a dictionary file; false
// when the file does not hold them where its header says.
bool entryRegions(const std::vector<unsigned char>& file, int* presence, std::vector<Region>* regions)
{
    if (file.size() < 4)
        return false;
    size_t bodySize = pwdGet32(file.data());
    if (bodySize < PWDH_BLOCK_INDEX || file.size() < 4 + bodySize)
        return false;
    const unsigned char* body = file.data() + 4;
    int version = pwdGet16(body + PWDH_VERSION);
    int level1 = body[PWDH_LEVEL1], level2 = body[PWDH_LEVEL2];
    if (version < 3)
        --level2;
    *presence = level1 + level2;
    auto position = [&](int table) { return pwdGet32(body + PWDH_POSITIONS + 4 * table); };
    size_t common = position(PWDT_COMMON_ENTRIES);
    if (common && common + 4 <= file.size()) {
        size_t n = pwdGet32(file.data() + common);
        if (common + 4 + n > file.size())
            return false;
        regions->push_back({common + 4, n});
    }
    int blocks = pwdGet16(body + PWDH_BLOCK_COUNT);
    size_t blockSize = pwdGet32(body + PWDH_BLOCK_SIZE);
    if (bodySize < PWDH_BLOCK_INDEX + static_cast<size_t>(blocks) * PWDH_BLOCK_ENTRY)
        return false;
    size_t first = position(PWDT_FIRST_BLOCK);
    for (int i = 0; i < blocks; ++i) {
        size_t slack = pwdGet16(body + PWDH_BLOCK_INDEX + PWDH_BLOCK_ENTRY * i);
        size_t at = first + i * blockSize;
        if (slack > blockSize || at + blockSize - slack > file.size())
            return false;
        regions->push_back({at, blockSize - slack});
    }
    return true;
}

TEST(SpellEntryCoding, FastControlCountMatchesTheFullDecodingOnRealDictionaries)
{
    const char* names[] = {"American", "German", "French1", "Spanish", "Norwegian", "Catalan"};
    int checked = 0;
    for (const char* name : names) {
        std::vector<unsigned char> file = spelltest::readFile(spelltest::dictionary(name));
        if (file.empty())
            continue;
        SCOPED_TRACE(name);
        int presence = 0;
        std::vector<Region> regions;
        ASSERT_TRUE(entryRegions(file, &presence, &regions));
        ASSERT_TRUE(presence >= 1 && presence <= PWD_MAX_PRESENCE);
        long entries = 0, withExtensions = 0, mismatches = 0;
        unsigned char data[PWD_MAX_DATA_BYTES];
        for (const Region& r : regions) {
            const unsigned char* base = file.data() + r.start;
            const unsigned char* end = base + r.length;
            for (const unsigned char* p = base; p < end; ++p) {
                if (!(*p & 0x80))
                    continue;
                ++entries;
                int full = pwdDecodeControls(p, end, presence, data);
                int fast = pwdCountControls(p, end, presence);
                EXPECT_GT(full, 0) << "entry at " << (p - file.data());
                if (full != fast && ++mismatches <= 5)
                    ADD_FAILURE() << "entry at " << (p - file.data()) << ": decoded " << full << ", counted " << fast;
                if (full > 1)
                    ++withExtensions;
                // Cut short inside or right after its control bytes.
                for (int cut = 1; cut <= full && p + cut <= end; ++cut)
                    if (pwdDecodeControls(p, p + cut, presence, data) != pwdCountControls(p, p + cut, presence)
                        && ++mismatches <= 5)
                        ADD_FAILURE() << "entry at " << (p - file.data()) << " cut after " << cut;
            }
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_GT(entries, 1000);
        EXPECT_GT(withExtensions, 0) << "no entry with extension bytes: the comparison proves little";
        ++checked;
    }
    if (!checked)
        GTEST_SKIP() << "no built dictionaries in SCRIVLY_RESOURCES";
}

// Every flag-level pair the validator lets through must be counted right
// by the fast count: entries with random flags, encoded and counted back.
TEST(SpellEntryCoding, TheValidatorAcceptsOnlyLevelsTheFastCountHandles)
{
    uint32_t seed = 2024;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    int accepted = 0;
    for (int a = 0; a <= 12; ++a) {
        for (int b = 0; b <= 90; ++b) {
            if (!pwdLevelsValid(a, b))
                continue;
            ++accepted;
            int presence = a + b;
            ASSERT_LE(presence, PWD_MAX_PRESENCE) << a << "," << b;
            int nflags = pwdMaxFlag(presence) + 1;
            long wrong = 0;
            for (int round = 0; round < 200; ++round) {
                std::vector<unsigned char> flags(static_cast<size_t>(nflags));
                // Sparse and dense entries both.
                unsigned density = round % 3 == 0 ? 2 : 40;
                for (auto& f : flags)
                    f = next() % density == 0;
                unsigned char out[PWD_MAX_DATA_BYTES + 1], data[PWD_MAX_DATA_BYTES];
                int k = pwdEncodeControls(flags.data(), nflags, presence, out);
                out[k] = 0x80; // the next entry
                if (pwdCountControls(out, out + k + 1, presence) != k || pwdDecodeControls(out, out + k + 1, presence, data) != k)
                    ++wrong;
            }
            EXPECT_EQ(wrong, 0) << "levels " << a << ", " << b;
        }
    }
    EXPECT_GT(accepted, 50);
    // The first level count of 8 puts a presence bit outside the first byte.
    for (int b = 49; b <= 54; ++b)
        EXPECT_FALSE(pwdLevelsValid(8, b)) << b;
    EXPECT_TRUE(pwdLevelsValid(7, 49));
    EXPECT_TRUE(pwdLevelsValid(0, 7));
    EXPECT_FALSE(pwdLevelsValid(0, 8));
}

} // namespace
