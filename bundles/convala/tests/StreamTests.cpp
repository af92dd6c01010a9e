#include "bundles/convala/markup/ZynObjectAdditions.h"
#include "bundles/convala/markup/ZynStream.h"

#include "core/FileManager.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(ZynStream, ReadsEveryByteValueAndThenTheEnd)
{
    ZynStream stream(std::string("\x00\x7F\x80\xFE\xFF", 5));
    EXPECT_EQ(stream.getc(), 0);
    EXPECT_EQ(stream.getc(), 0x7F);
    EXPECT_EQ(stream.getc(), 0x80);
    EXPECT_EQ(stream.getc(), 0xFE);
    EXPECT_EQ(stream.getc(), 0xFF); // not the end
    EXPECT_TRUE(stream.atEOS());
    EXPECT_EQ(stream.getc(), -1);
    EXPECT_EQ(stream.getc(), -1);
    EXPECT_EQ(stream.offset(), 5u);

    ZynStream fresh(std::string("ab"));
    fresh.ungetc();
    EXPECT_EQ(fresh.offset(), 0u);
    EXPECT_EQ(fresh.getc(), 'a');
    fresh.ungetc();
    EXPECT_EQ(fresh.getc(), 'a');
}

TEST(ZynStream, NilDataMakesNoStreamAndCloseLetsGo)
{
    ZynStream stream;
    EXPECT_EQ(stream.initWithData(nullptr), nullptr);
    EXPECT_EQ(stream.initWithData(std::make_shared<const std::string>("xy")), &stream);
    EXPECT_EQ(stream.length(), 2u);
    stream.close();
    EXPECT_EQ(stream.length(), 0u);
    EXPECT_EQ(stream.getc(), -1);
}

TEST(ZynStream, ReadCopiesWhatIsLeftAndMarksTheEnd)
{
    ZynStream stream(std::string("abcde"));
    char buffer[8] = "xxxxxxx";
    EXPECT_EQ(stream.read(buffer, 3), 3);
    EXPECT_EQ(std::string(buffer, 4), "abcx"); // no NUL added
    EXPECT_EQ(stream.read(buffer, 8), 2);
    EXPECT_EQ(std::string(buffer, 2), "de");
    EXPECT_EQ(stream.read(buffer, 8), 0);
    EXPECT_EQ(buffer[0], '\0');
    // No room: nothing is stored, not even the NUL.
    char one = 'q';
    EXPECT_EQ(stream.read(&one, 0), 0);
    EXPECT_EQ(one, 'q');
}

TEST(ZynStream, SeekSetsOrMovesThePositionWithinTheData)
{
    struct Case {
        long start;
        long offset;
        int whence;
        std::size_t expected;
    } const cases[] = {
        {2, 4, 0, 2},   // any other whence: nothing
        {2, 4, 3, 2},   {2, 4, 2, 4},  // set
        {2, 3, 1, 5},   {4, -3, 1, 1}, // move
        {1, -9, 1, 0},  {1, 99, 2, 6}, // stays within the data
        {1, 99, 1, 6},
    };
    for (const Case& c : cases) {
        ZynStream stream(std::string("abcdef"));
        stream.seek(c.start, 2);
        stream.seek(c.offset, c.whence);
        EXPECT_EQ(stream.offset(), c.expected) << c.start << " " << c.offset << " " << c.whence;
    }
}

TEST(ZynStream, IgnoreUntilSkipsNestedPairsAndStopsAtTheEnd)
{
    struct Case {
        const char* data;
        bool paired;
        bool inclusive;
        bool found;
        int next; // the byte read next
    } const cases[] = {
        {"a{b}c}d", true, false, true, '}'},
        {"a{b}c}d", true, true, true, 'd'},
        {"a{b}c}d", false, true, true, 'c'},
        {"a{{b}}}x", true, true, true, 'x'},
        {"a{b}c", true, true, false, -1},
        {"", false, false, false, -1},
    };
    for (const Case& c : cases) {
        ZynStream stream{std::string(c.data)};
        EXPECT_EQ(stream.ignoreUntil('}', c.paired, '{', c.inclusive), c.found) << c.data;
        EXPECT_EQ(stream.getc(), c.next) << c.data;
    }
    // Nesting as deep as the data costs nothing but time.
    ZynStream deep(std::string(200000, '{') + std::string(200000, '}') + "}z");
    EXPECT_TRUE(deep.ignoreUntil('}', true, '{', true));
    EXPECT_EQ(deep.getc(), 'z');
}

TEST(ZynStream, MapsAWholeFile)
{
    const std::string path = kit::FileManager::uniqueTemporaryPath("zynstream");
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(path, std::string_view("{\\rtf1 mapped}")));
    ZynStream stream;
    ASSERT_EQ(stream.initWithContentsOfMappedFile(path), &stream);
    EXPECT_EQ(stream.data(), "{\\rtf1 mapped}");
    ASSERT_TRUE(kit::FileManager::writeFileAtomically(path, std::string_view("")));
    ZynStream empty;
    ASSERT_EQ(empty.initWithContentsOfMappedFile(path), &empty);
    EXPECT_TRUE(empty.atEOS());
    kit::FileManager::removeFileAtPath(path);
    ZynStream missing;
    EXPECT_EQ(missing.initWithContentsOfMappedFile(path), nullptr);
}

TEST(ZynObjectAdditions, SetAndAppendFollowTheNullRules)
{
    ZynCString slot;
    ZynObjectAdditions::setTextValue(slot, "abc");
    EXPECT_EQ(slot.str(), "abc");
    ZynObjectAdditions::setTextValue(slot, "", false); // kept
    EXPECT_EQ(slot.str(), "abc");
    ZynObjectAdditions::setTextValue(slot, ""); // allowNull: gone
    EXPECT_TRUE(slot.isNull());

    ZynObjectAdditions::appendTextValue("", slot);
    EXPECT_TRUE(slot.isNull()); // an empty result counts as NULL
    ZynObjectAdditions::appendTextValue("de", slot);
    ZynObjectAdditions::appendTextValue("", slot);
    ZynObjectAdditions::appendTextValue("f", slot);
    EXPECT_EQ(slot.str(), "def");
    ZynObjectAdditions::appendChar('g', slot);
    ZynObjectAdditions::appendChar('h', slot, 0);
    ZynObjectAdditions::appendChar('\0', slot, 16);
    EXPECT_EQ(slot.str(), std::string("defgh\0", 6));
}

// Gathering a run piece by piece grows its buffer by doubling, not once per
// piece: the buffer moves a logarithmic number of times.
TEST(ZynObjectAdditions, GatheringARunGrowsTheBufferAmortised)
{
    struct Way {
        const char* name;
        void (*add)(ZynCString&);
    } const ways[] = {
        {"appendChar", [](ZynCString& s) { ZynObjectAdditions::appendChar('x', s); }},
        {"appendChar extendBy", [](ZynCString& s) { ZynObjectAdditions::appendChar('x', s, 8); }},
        {"appendTextValue", [](ZynCString& s) { ZynObjectAdditions::appendTextValue("xy", s); }},
    };
    for (const Way& way : ways) {
        ZynCString slot;
        int moves = 0;
        const char* buffer = nullptr;
        for (int i = 0; i < 200000; ++i) {
            way.add(slot);
            if (slot.str().data() != buffer)
                ++moves;
            buffer = slot.str().data();
        }
        EXPECT_LE(moves, 40) << way.name;
        EXPECT_GE(slot.length(), 200000u) << way.name;
    }
}

} // namespace
