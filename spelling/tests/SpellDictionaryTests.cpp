#include "SpellTestSupport.h"

#include "spelling/pwd_format.h"

#include <cstring>
#include <functional>

namespace {

using spelltest::PoolTest;
using Bytes = std::vector<unsigned char>;

class SpellDictionary : public PoolTest {
protected:
    Bytes original;
    void SetUp() override
    {
        PoolTest::SetUp();
        original = spelltest::readFile(spelltest::dictionary("American"));
        ASSERT_GT(original.size(), 1000u);
    }
    uint32_t position(int table) const { return pwdGet32(&original[4 + PWDH_POSITIONS + 4 * table]); }
};

struct Damage {
    const char* what;
    std::function<void(Bytes&, uint32_t (*)(const Bytes&, int))> apply;
    int openStatus; // 0: opens; the checks then fail with the I/O status
};

uint32_t tablePosition(const Bytes& f, int table)
{
    return pwdGet32(&f[4 + PWDH_POSITIONS + 4 * table]);
}

TEST_F(SpellDictionary, DamagedFiles)
{
    const Damage cases[] = {
        {"empty", [](Bytes& f, auto) { f.clear(); }, PWD_IO_ERROR},
        {"cut in the length", [](Bytes& f, auto) { f.resize(3); }, PWD_IO_ERROR},
        {"cut in the header", [](Bytes& f, auto) { f.resize(500); }, PWD_IO_ERROR},
        {"header length too large", [](Bytes& f, auto) { pwdPut32(&f[0], 0xFFFFFFF0u); }, PWD_IO_ERROR},
        {"header length too small", [](Bytes& f, auto) { pwdPut32(&f[0], 100); }, PWD_IO_ERROR},
        {"version 5", [](Bytes& f, auto) { pwdPut16(&f[4 + PWDH_VERSION], 5); }, PWD_BAD_VERSION},
        {"version 0", [](Bytes& f, auto) { pwdPut16(&f[4 + PWDH_VERSION], 0); }, PWD_BAD_VERSION},
        {"more blocks than indexed", [](Bytes& f, auto) { pwdPut16(&f[4 + PWDH_BLOCK_COUNT], 4000); }, PWD_IO_ERROR},
        {"block size 0", [](Bytes& f, auto) { pwdPut32(&f[4 + PWDH_BLOCK_SIZE], 0); }, PWD_IO_ERROR},
        {"block size too large", [](Bytes& f, auto) { pwdPut32(&f[4 + PWDH_BLOCK_SIZE], 70000); }, PWD_IO_ERROR},
        {"blocks cut off", [](Bytes& f, auto) { f.resize(f.size() - 5000); }, PWD_IO_ERROR},
        {"table beyond the end", [](Bytes& f, auto) { pwdPut32(&f[4 + PWDH_POSITIONS + 4 * PWDT_ENDINGS], 0x7FFFFFF0u); }, PWD_IO_ERROR},
        {"flag levels impossible", [](Bytes& f, auto) { f[4 + PWDH_LEVEL1] = 9; f[4 + PWDH_LEVEL2] = 1; }, PWD_IO_ERROR},
        {"first flag level 8", [](Bytes& f, auto) { f[4 + PWDH_LEVEL1] = 8; f[4 + PWDH_LEVEL2] = 49; }, PWD_IO_ERROR},
        {"letter count too high", [](Bytes& f, auto) { pwdPut16(&f[4 + PWDH_COUNTS], 300); }, PWD_IO_ERROR},
        {"slack larger than a block", [](Bytes& f, auto) { pwdPut16(&f[4 + PWDH_BLOCK_INDEX], 65000); }, PWD_IO_ERROR},
        {"main offsets of the wrong size",
         [](Bytes& f, auto pos) { uint32_t p = pos(f, PWDT_MAIN_OFFSETS); pwdPut32(&f[p], pwdGet32(&f[p]) - 2); }, 0},
        {"main offsets past their block",
         [](Bytes& f, auto pos) {
             uint32_t p = pos(f, PWDT_MAIN_OFFSETS);
             for (uint32_t i = 0; i < pwdGet32(&f[p]); i += 2)
                 pwdPut16(&f[p + 4 + i], 0xFFFF);
         },
         0},
        {"endings without their end",
         [](Bytes& f, auto pos) { uint32_t p = pos(f, PWDT_ENDINGS); f[p + 4 + pwdGet32(&f[p]) - 1] = 5; }, 0},
        {"table length past the file",
         [](Bytes& f, auto pos) { pwdPut32(&f[pos(f, PWDT_EXACT_A)], 0x00FFFFFF); }, 0},
    };
    std::string path = spelltest::tempPath("damaged.dct");
    for (const Damage& d : cases) {
        SCOPED_TRACE(d.what);
        Bytes f = original;
        d.apply(f, tablePosition);
        spelltest::writeFile(path, f);
        PWDHandle sp = PWDInitSpell(path.c_str(), 0);
        if (d.openStatus) {
            EXPECT_EQ(sp, 0u);
            EXPECT_EQ(PWDGetStat()->status, d.openStatus);
            continue;
        }
        ASSERT_NE(sp, 0u);
        // Words that need the damaged table fail with the I/O status; the
        // speller stays usable.
        int failures = 0;
        for (const char* w : {"xylophones", "I", "U.S.", "zebra"}) {
            if (!check(sp, w)) {
                EXPECT_NE(PWDGetStat()->status & PWD_IO_ERROR, 0) << w;
                ++failures;
            }
        }
        EXPECT_GT(failures, 0);
        guesses(sp, "xylophonez");
        PWDKillSpell(sp);
    }
    std::remove(path.c_str());
    EXPECT_EQ(PWDInitSpell("/nonexistent/American.dct", 0), 0u);
    EXPECT_EQ(PWDGetStat()->status, PWD_IO_ERROR);
}

TEST_F(SpellDictionary, ScrambledBlocksNeverReadOutside)
{
    Bytes f = original;
    uint32_t first = tablePosition(f, PWDT_FIRST_BLOCK);
    uint32_t seed = 12345;
    for (size_t i = first; i < f.size(); i += 1 + (seed % 13)) {
        seed = seed * 1103515245u + 12345u;
        f[i] = static_cast<unsigned char>(seed >> 16);
    }
    std::string path = spelltest::tempPath("scrambled.dct");
    spelltest::writeFile(path, f);
    PWDHandle sp = PWDInitSpell(path.c_str(), 0);
    ASSERT_NE(sp, 0u);
    for (const char* w : {"house", "zebra", "quickly", "xylophone", "walking", "Paris", "abcdefgh"})
        check(sp, w);
    guesses(sp, "hosue");
    PWDKillSpell(sp);
    std::remove(path.c_str());
}

TEST_F(SpellDictionary, BuilderRoundTrip)
{
    std::vector<std::string> words = {"apple", "apples", "apple's", "applesauce", "Bob", "Bob's", "NASA", "a", "I",
                                      "iPod", "U.S.", "co-op", "café", "naïve", "zygote", "zygotes", "Zürich",
                                      "x", "ox", "Ox"};
    std::string path = spelltest::buildDictionary("roundtrip", 0, words);
    ASSERT_FALSE(path.empty()) << "dictbuild not found at " << spelltest::builder();
    PWDHandle sp = PWDInitSpell(path.c_str(), 0);
    ASSERT_NE(sp, 0u);
    // Every word of the list, converted to the engine's set, is accepted.
    std::vector<std::string> mac = {"apple", "apples", "apple's", "applesauce", "Bob", "Bob's", "NASA", "a", "I",
                                    "iPod", "U.S.", "co-op", "caf\x8e", "na\x95ve", "zygote", "zygotes",
                                    "Z\x9frich", "x", "ox", "Ox"};
    for (const std::string& w : mac)
        EXPECT_NE(check(sp, w), 0) << w;
    // A word listed with inner capitals is also taken all in capitals.
    EXPECT_NE(check(sp, "IPOD"), 0);
    const char* rejected[] = {"aple", "applez", "bob", "ipod", "IpOD", "zygot", "zurich", "U.K.", "appless", "oxx"};
    for (const char* w : rejected)
        EXPECT_EQ(check(sp, w), 0) << w;
    EXPECT_EQ(check(sp, "bob"), 0);
    EXPECT_EQ(PWDGetStat()->status & PWD_CAPITAL_ONLY, PWD_CAPITAL_ONLY);
    PWDKillSpell(sp);
    std::remove(path.c_str());
}

} // namespace
