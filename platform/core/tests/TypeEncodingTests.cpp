#include "core/Geometry.h"
#include "core/Object.h"
#include "core/TypeEncoding.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using kit::TypeEncoding;

// C++ twins of the records the program describes with type strings; the
// layout computed from the string must match what the compiler does.
struct TabStop {
    float position;
    short type;
    char leader;
};

struct Bullet {
    kit::Object* font;
    kit::Object* text;
    kit::Point offset;
    float width;
    kit::Object* color;
};

struct KeyMapping {
    int key;
    int modifiers;
    int result;
    const char* action;
};

struct Arrow {
    char kind;
    short count;
    struct {
        unsigned bit0 : 1;
        unsigned fixedSize : 1;
    } flags;
    kit::Point points[4];
};

struct Dash {
    short count;
    float phase;
    float values[8];
};

struct Line {
    kit::Object* color;
    float width;
    float miter;
    struct {
        unsigned cap : 2;
        unsigned join : 2;
        unsigned overprint : 1;
        unsigned noLine : 1;
    } flags;
    void* dash;
};

struct CharThenBits {
    char c;
    unsigned bit : 1;
};

struct LayoutCase {
    const char* type;
    std::size_t size;
    std::size_t alignment;
    std::vector<std::size_t> offsets; // of the top-level struct's fields
};

TEST(CoderTypeEncoding, LayoutMatchesTheCompiler)
{
    const LayoutCase cases[] = {
        {"c", 1, 1, {}},
        {"s", 2, 2, {}},
        {"l", 4, 4, {}}, // 32-bit, as stored
        {"q", 8, 8, {}},
        {"d", 8, 8, {}},
        {"@", sizeof(void*), alignof(void*), {}},
        {"[6c]", 6, 1, {}},
        {"[16c]", 16, 1, {}},
        {"{?=fsc}", sizeof(TabStop), alignof(TabStop),
         {offsetof(TabStop, position), offsetof(TabStop, type), offsetof(TabStop, leader)}},
        {"{?=@@{?=ff}f@}", sizeof(Bullet), alignof(Bullet),
         {offsetof(Bullet, font), offsetof(Bullet, text), offsetof(Bullet, offset), offsetof(Bullet, width),
          offsetof(Bullet, color)}},
        {"{keymap=iii:}", sizeof(KeyMapping), alignof(KeyMapping),
         {offsetof(KeyMapping, key), offsetof(KeyMapping, modifiers), offsetof(KeyMapping, result),
          offsetof(KeyMapping, action)}},
        {"{?=cs{?=b1b1}[4{?=ff}]}", sizeof(Arrow), alignof(Arrow),
         {offsetof(Arrow, kind), offsetof(Arrow, count), offsetof(Arrow, flags), offsetof(Arrow, points)}},
        {"{?=sf[8f]}", sizeof(Dash), alignof(Dash),
         {offsetof(Dash, count), offsetof(Dash, phase), offsetof(Dash, values)}},
        {"{?=@ff{?=b2b2b1b1}^{?}}", sizeof(Line), alignof(Line),
         {offsetof(Line, color), offsetof(Line, width), offsetof(Line, miter), offsetof(Line, flags),
          offsetof(Line, dash)}},
        {"{?=cb1}", sizeof(CharThenBits), alignof(CharThenBits), {0, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.type);
        TypeEncoding t = TypeEncoding::parse(c.type);
        EXPECT_TRUE(t.isComplete());
        EXPECT_EQ(t.size(), c.size);
        EXPECT_EQ(t.alignment(), c.alignment);
        if (!c.offsets.empty()) {
            ASSERT_EQ(t.members().size(), c.offsets.size());
            for (std::size_t i = 0; i < c.offsets.size(); ++i)
                EXPECT_EQ(t.members()[i].offset(), c.offsets[i]) << "field " << i;
        }
        EXPECT_EQ(t.toString(), c.type);
    }
}

TEST(CoderTypeEncoding, BitFieldsPackLikeGcc)
{
    TypeEncoding t = TypeEncoding::parse("{?=b2b2b1b1}");
    ASSERT_EQ(t.members().size(), 4u);
    EXPECT_EQ(t.members()[1].bitOffset(), 2u);
    EXPECT_EQ(t.members()[3].bitOffset(), 5u);
    // A field that would straddle its 32-bit unit starts the next one.
    TypeEncoding s = TypeEncoding::parse("{?=b30b4}");
    EXPECT_EQ(s.members()[1].offset(), 4u);
    EXPECT_EQ(s.members()[1].bitOffset(), 0u);
    EXPECT_EQ(s.size(), 8u);
    TypeEncoding cb = TypeEncoding::parse("{?=cb1}");
    EXPECT_EQ(cb.members()[1].offset() * 8 + cb.members()[1].bitOffset(), 8u);
}

TEST(CoderTypeEncoding, ListsSplitIntoTypes)
{
    auto list = TypeEncoding::parseList("**sscc");
    ASSERT_EQ(list.size(), 6u);
    EXPECT_EQ(list[0].kind(), TypeEncoding::Kind::CString);
    EXPECT_EQ(list[2].kind(), TypeEncoding::Kind::Short);
    EXPECT_EQ(list[5].kind(), TypeEncoding::Kind::Char);

    auto mixed = TypeEncoding::parseList("%@sii[6c]{?=fsc}");
    ASSERT_EQ(mixed.size(), 7u);
    EXPECT_TRUE(mixed[0].isString());
    EXPECT_EQ(mixed[1].kind(), TypeEncoding::Kind::Object);
    EXPECT_EQ(mixed[5].kind(), TypeEncoding::Kind::Array);
    EXPECT_EQ(mixed[5].count(), 6u);
    EXPECT_EQ(mixed[6].members().size(), 3u);
}

TEST(CoderTypeEncoding, ArchivableOnlyWithoutPointersBitsOrUnknowns)
{
    const std::pair<const char*, bool> cases[] = {
        {"ssfcciff", true}, {"{?=fsc}", true}, {"[4{?=ff}]", true}, {"%@s", true},
        {"{?=@ff{?=b2b2b1b1}^{?}}", false}, {"^i", false}, {"{?}", false}, {"?", false}, {"{?=b1}", false},
    };
    for (const auto& [type, archivable] : cases) {
        SCOPED_TRACE(type);
        bool all = true;
        for (const auto& t : TypeEncoding::parseList(type))
            all = all && t.isArchivable();
        EXPECT_EQ(all, archivable);
    }
    EXPECT_TRUE(TypeEncoding::parse("{keymap=iii:}").containsStrings());
    EXPECT_FALSE(TypeEncoding::parse("{?=@@{?=ff}f@}").containsStrings());
}

TEST(CoderTypeEncoding, MalformedStringsAreRefused)
{
    std::string deep;
    for (int i = 0; i < 70; ++i)
        deep += "[1";
    deep += "c" + std::string(70, ']');
    const std::string bad[] = {"",   "{?=i", "[6c", "[c]",            "[x]", "{=i}",  "v",   "(i)",
                               "b33", "[3]", "^",   "[99999999999c]", "{a[b}", "[4b1]", "{?=i}}", deep};
    for (const auto& type : bad) {
        SCOPED_TRACE(type);
        EXPECT_THROW(TypeEncoding::parseList(type), std::invalid_argument);
    }
    EXPECT_THROW(TypeEncoding::parse("ii"), std::invalid_argument);
}

} // namespace
