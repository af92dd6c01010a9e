#include "core/Archiver.h"
#include "core/Color.h"
#include "core/Exception.h"
#include "core/FileManager.h"
#include "core/Unarchiver.h"
#include "core/Values.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using kit::Archiver;
using kit::Coder;
using kit::Object;
using kit::Unarchiver;

// ---- Test classes

// A tree node: owns its children, points back to its parent and to a buddy
// without owning them (both written as conditional objects).
class Node : public Object {
public:
    Node() = default;
    explicit Node(std::string n) : name(std::move(n)) {}

    Node* add(std::string childName)
    {
        children.push_back(std::make_unique<Node>(std::move(childName)));
        children.back()->parent = this;
        return children.back().get();
    }

    std::string name;
    std::vector<std::unique_ptr<Node>> children;
    Node* parent = nullptr;
    Node* buddy = nullptr;

    std::string className() const override { return "ArchTestNode"; }
    void encodeWithCoder(Coder& c) const override
    {
        c.encodeValuesOfObjCTypes("*", name);
        int n = int(children.size());
        c.encodeValueOfObjCType("i", &n);
        for (const auto& ch : children)
            c.encodeObject(ch.get());
        c.encodeConditionalObject(parent);
        c.encodeConditionalObject(buddy);
    }
    Object* initWithCoder(Coder& c) override
    {
        c.decodeValuesOfObjCTypes("*", &name);
        int n = 0;
        c.decodeValueOfObjCType("i", &n);
        if (n < 0)
            kit::Exception::raise(kit::ArchiverArchiveInconsistencyException, "negative count");
        c.checkUnitCount("@", std::size_t(n));
        for (int i = 0; i < n; ++i)
            children.push_back(c.decodeOwnedObject<Node>());
        c.decodeValuesOfObjCTypes("@", &parent);
        c.decodeValueOfObjCType("@", &buddy);
        return this;
    }
};

// Stands for an old class whose reader answers a new object it makes.
class Modern : public Object {
public:
    Modern() = default;
    explicit Modern(int v) : value(v) {}
    int value = 0;
    std::string className() const override { return "ArchTestModern"; }
    void encodeWithCoder(Coder& c) const override { c.encodeValueOfObjCType("i", &value); }
    Object* initWithCoder(Coder& c) override
    {
        c.decodeValueOfObjCType("i", &value);
        return this;
    }
};

class Legacy : public Object {
public:
    int value = 0;
    std::string className() const override { return "ArchTestLegacy"; }
    void encodeWithCoder(Coder& c) const override { c.encodeValueOfObjCType("i", &value); }
    Object* initWithCoder(Coder& c) override
    {
        int v = 0;
        c.decodeValueOfObjCType("i", &v);
        return c.adoptReplacement(std::make_unique<Modern>(v * 10));
    }
};

// A font the way the graphics layer keeps them: interned by name and size,
// owned by the intern table, stored as "*f".
class FakeFont : public Object {
public:
    std::string name;
    float size = 0;

    static FakeFont* intern(const std::string& name, float size)
    {
        static std::map<std::pair<std::string, float>, std::unique_ptr<FakeFont>> table;
        auto& slot = table[{name, size}];
        if (!slot) {
            slot = std::make_unique<FakeFont>();
            slot->name = name;
            slot->size = size;
        }
        return slot.get();
    }

    std::string className() const override { return "ArchTestFont"; }
    void encodeWithCoder(Coder& c) const override { c.encodeValuesOfObjCTypes("*f", name, size); }
    Object* initWithCoder(Coder& c) override
    {
        std::string n;
        float s = 0;
        c.decodeValuesOfObjCTypes("*f", &n, &s);
        return intern(n, s);
    }
};

// Writes two units and refuses itself after reading the first.
class Refuser : public Object {
public:
    std::string className() const override { return "ArchTestRefuser"; }
    void encodeWithCoder(Coder& c) const override
    {
        int v = 7;
        c.encodeValueOfObjCType("i", &v);
        c.encodeString("skipped");
        c.encodeBytes("also skipped");
    }
    Object* initWithCoder(Coder& c) override
    {
        int v = 0;
        c.decodeValueOfObjCType("i", &v);
        return nullptr;
    }
};

// Reads one unit more than it wrote.
class Greedy : public Object {
public:
    std::string className() const override { return "ArchTestGreedy"; }
    void encodeWithCoder(Coder& c) const override
    {
        int v = 1;
        c.encodeValueOfObjCType("i", &v);
    }
    Object* initWithCoder(Coder& c) override
    {
        int v = 0;
        c.decodeValueOfObjCType("i", &v);
        c.decodeValueOfObjCType("i", &v);
        return this;
    }
};

// Reads one unit less than it wrote.
class Lazy : public Object {
public:
    std::string className() const override { return "ArchTestLazy"; }
    void encodeWithCoder(Coder& c) const override
    {
        int v = 1;
        c.encodeValueOfObjCType("i", &v);
        c.encodeValueOfObjCType("i", &v);
    }
    Object* initWithCoder(Coder& c) override
    {
        int v = 0;
        c.decodeValueOfObjCType("i", &v);
        return this;
    }
};

// Reads optional trailing units while its object has more.
class Trailing : public Object {
public:
    std::vector<int> values;
    std::string className() const override { return "ArchTestTrailing"; }
    void encodeWithCoder(Coder& c) const override
    {
        for (int v : values)
            c.encodeValueOfObjCType("i", &v);
    }
    Object* initWithCoder(Coder& c) override
    {
        while (!c.isAtEnd()) {
            int v = 0;
            c.decodeValueOfObjCType("i", &v);
            values.push_back(v);
        }
        return this;
    }
};

// One link of a chain, owning the next.
class Link : public Object {
public:
    std::unique_ptr<Link> next;
    std::string className() const override { return "ArchTestLink"; }
    void encodeWithCoder(Coder& c) const override { c.encodeObject(next.get()); }
    Object* initWithCoder(Coder& c) override
    {
        next = c.decodeOwnedObject<Link>();
        return this;
    }
    ~Link() override
    {
        // Unlinks iteratively so that deleting a long chain stays shallow.
        while (next) {
            std::unique_ptr<Link> rest = std::move(next->next);
            next = std::move(rest);
        }
    }
};

class Versioned : public Object {
public:
    std::string className() const override { return "ArchTestVersioned"; }
};

class GhostA : public Object {
public:
    std::string className() const override { return "ArchTestGhostA"; }
    void encodeWithCoder(Coder& c) const override
    {
        int v = 5;
        c.encodeValueOfObjCType("i", &v);
    }
    Object* initWithCoder(Coder& c) override
    {
        c.decodeValueOfObjCType("i", &value);
        return this;
    }
    int value = 0;
};

// Reads the coder's document version. Given a stored version, it sets it on
// the coder first, as a document's root does, for everything read after.
class VersionProbe : public Object {
public:
    float stored = kit::OpenFileVersionIdle;
    float seen = 0.0f;
    std::unique_ptr<VersionProbe> child;

    std::string className() const override { return "ArchTestVersionProbe"; }
    void encodeWithCoder(Coder& c) const override
    {
        c.encodeValueOfObjCType("f", &stored);
        c.encodeObject(child.get());
    }
    Object* initWithCoder(Coder& c) override
    {
        c.decodeValueOfObjCType("f", &stored);
        if (stored != kit::OpenFileVersionIdle)
            c.setOpenFileVersion(stored);
        seen = c.openFileVersion();
        child = c.decodeOwnedObject<VersionProbe>();
        return this;
    }
};

void registerTestClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    kit::registerValueClasses();
    kit::registerClass<Node>("ArchTestNode");
    kit::registerClass<Modern>("ArchTestModern");
    kit::registerClass<Legacy>("ArchTestLegacy");
    kit::registerClass<FakeFont>("ArchTestFont");
    kit::registerClass<Refuser>("ArchTestRefuser");
    kit::registerClass<Greedy>("ArchTestGreedy");
    kit::registerClass<Lazy>("ArchTestLazy");
    kit::registerClass<Trailing>("ArchTestTrailing");
    kit::registerClass<Link>("ArchTestLink");
    kit::registerClass<Versioned>("ArchTestVersioned", 3);
    kit::registerClass<GhostA>("ArchTestGhostA");
    kit::registerClass<VersionProbe>("ArchTestVersionProbe");
}

class ArchiverTest : public ::testing::Test {
protected:
    void SetUp() override { registerTestClasses(); }
};

template <class F>
std::uint32_t bits(F f)
{
    return std::bit_cast<std::uint32_t>(f);
}

struct TabStop {
    float position;
    short type;
    char leader;
};

struct Bullet {
    Object* font;
    Object* text;
    kit::Point offset;
    float width;
    Object* color;
};

// ---- The round-trip table. Each case writes some units and reads them back;
// `check` is false when the reader runs over damaged copies, where it must
// only decode.

// An archiver recognises objects by address, so everything written must stay
// alive until the archive is finished.
using Alive = std::vector<std::shared_ptr<const void>>;

template <class T, class... A>
T* alive(Alive& keep, A&&... args)
{
    auto p = std::make_shared<T>(std::forward<A>(args)...);
    keep.push_back(p);
    return p.get();
}

struct Case {
    const char* name;
    std::function<void(Archiver&, Alive&)> write;
    std::function<void(Unarchiver&, bool check, std::vector<std::unique_ptr<Object>>& keep)> read;
};

#define CHECK_EQ_IF(check, a, b)                                                                                     \
    do {                                                                                                             \
        if (check) {                                                                                                 \
            EXPECT_EQ(a, b);                                                                                         \
        }                                                                                                            \
    } while (0)

std::vector<Case> roundTripCases()
{
    std::vector<Case> cases;

    cases.push_back({"every scalar letter in one unit",
                     [](Archiver& a, Alive&) {
                         char c = CHAR_MIN;
                         unsigned char uc = 255;
                         bool b = true;
                         short s = SHRT_MIN;
                         unsigned short us = USHRT_MAX;
                         int i = INT_MIN;
                         unsigned ui = UINT_MAX;
                         std::int32_t l = -123456789;
                         std::uint32_t ul = 0x89ABCDEFu;
                         std::int64_t q = INT64_MIN;
                         std::uint64_t uq = UINT64_MAX;
                         float f = std::bit_cast<float>(0x7FC01234u); // a NaN with a payload
                         double d = -0.0;
                         a.encodeValuesOfObjCTypes("cCBsSiIlLqQfd", c, uc, b, s, us, i, ui, l, ul, q, uq, f, d);
                     },
                     [](Unarchiver& u, bool check, auto&) {
                         char c = 0;
                         unsigned char uc = 0;
                         bool b = false;
                         short s = 0;
                         unsigned short us = 0;
                         int i = 0;
                         unsigned ui = 0;
                         std::int32_t l = 0;
                         std::uint32_t ul = 0;
                         std::int64_t q = 0;
                         std::uint64_t uq = 0;
                         float f = 0;
                         double d = 1;
                         u.decodeValuesOfObjCTypes("cCBsSiIlLqQfd", &c, &uc, &b, &s, &us, &i, &ui, &l, &ul, &q, &uq,
                                                   &f, &d);
                         if (!check)
                             return;
                         EXPECT_EQ(c, CHAR_MIN);
                         EXPECT_EQ(uc, 255);
                         EXPECT_TRUE(b);
                         EXPECT_EQ(s, SHRT_MIN);
                         EXPECT_EQ(us, USHRT_MAX);
                         EXPECT_EQ(i, INT_MIN);
                         EXPECT_EQ(ui, UINT_MAX);
                         EXPECT_EQ(l, -123456789);
                         EXPECT_EQ(ul, 0x89ABCDEFu);
                         EXPECT_EQ(q, INT64_MIN);
                         EXPECT_EQ(uq, UINT64_MAX);
                         EXPECT_EQ(bits(f), 0x7FC01234u);
                         EXPECT_TRUE(std::signbit(d));
                     }});

    cases.push_back({"C strings, atoms, selectors and classes, nil and empty",
                     [](Archiver& a, Alive&) {
                         const char* nil = nullptr;
                         a.encodeValuesOfObjCTypes("**%:#", nil, std::string(), "atom", std::string("copy:"),
                                                   std::string_view("TextItem"));
                         std::string withNul("a\0b", 3);
                         a.encodeValuesOfObjCTypes("*", withNul);
                         a.encodeValuesOfObjCTypes("*", std::optional<std::string>());
                     },
                     [](Unarchiver& u, bool check, auto&) {
                         std::optional<std::string> nil = "x", empty, atom;
                         std::string sel, cls;
                         u.decodeValuesOfObjCTypes("**%:#", &nil, &empty, &atom, &sel, &cls);
                         std::string withNul;
                         u.decodeValuesOfObjCTypes("*", &withNul);
                         std::string nilAsEmpty = "x";
                         u.decodeValuesOfObjCTypes("*", &nilAsEmpty);
                         if (!check)
                             return;
                         EXPECT_FALSE(nil.has_value());
                         EXPECT_EQ(empty, std::optional<std::string>(""));
                         EXPECT_EQ(atom, std::optional<std::string>("atom"));
                         EXPECT_EQ(sel, "copy:");
                         EXPECT_EQ(cls, "TextItem");
                         EXPECT_EQ(withNul, std::string("a\0b", 3));
                         EXPECT_EQ(nilAsEmpty, "");
                     }});

    cases.push_back({"\"@c\" (a pattern object and a flags byte), with nil",
                     [](Archiver& a, Alive& keep) {
                         auto* pattern = alive<kit::String>(keep, "stripes");
                         char flags = 3;
                         a.encodeValuesOfObjCTypes("@c", pattern, flags);
                         a.encodeValuesOfObjCTypes("@c", nullptr, char(1));
                     },
                     [](Unarchiver& u, bool check, auto&) {
                         kit::String* pattern = nullptr;
                         char flags = 0;
                         u.decodeValuesOfObjCTypes("@c", &pattern, &flags);
                         kit::String sentinel;
                         Object* nilPattern = &sentinel;
                         char flags2 = 0;
                         u.decodeValuesOfObjCTypes("@c", &nilPattern, &flags2);
                         if (!check)
                             return;
                         ASSERT_NE(pattern, nullptr);
                         EXPECT_EQ(pattern->value(), "stripes");
                         EXPECT_EQ(flags, 3);
                         EXPECT_EQ(nilPattern, nullptr);
                         EXPECT_EQ(flags2, 1);
                     }});

    cases.push_back({"\"**sscc\" level records",
                     [](Archiver& a, Alive&) {
                         a.encodeValuesOfObjCTypes("**sscc", "Chapter ", nullptr, short(1), short(-2), char(4),
                                                   char(1));
                         a.encodeValuesOfObjCTypes("**sscc", "", ".", short(32767), short(0), char(0), char(0));
                     },
                     [](Unarchiver& u, bool check, auto&) {
                         std::optional<std::string> prefix, suffix;
                         short start = 0, other = 0;
                         char display = 0, upper = 0;
                         u.decodeValuesOfObjCTypes("**sscc", &prefix, &suffix, &start, &other, &display, &upper);
                         if (check) {
                             EXPECT_EQ(prefix, std::optional<std::string>("Chapter "));
                             EXPECT_FALSE(suffix.has_value());
                             EXPECT_EQ(start, 1);
                             EXPECT_EQ(other, -2);
                             EXPECT_EQ(display, 4);
                             EXPECT_EQ(upper, 1);
                         }
                         u.decodeValuesOfObjCTypes("**sscc", &prefix, &suffix, &start, &other, &display, &upper);
                         if (check) {
                             EXPECT_EQ(prefix, std::optional<std::string>(""));
                             EXPECT_EQ(suffix, std::optional<std::string>("."));
                             EXPECT_EQ(start, 32767);
                         }
                     }});

    cases.push_back({"\"[6c]\", \"[16c]\" and \"ii[6c]\"",
                     [](Archiver& a, Alive&) {
                         char flags[6] = {1, 0, 1, 3, 7, 1};
                         a.encodeValueOfObjCType("[6c]", &flags);
                         std::array<char, 16> itemFlags{};
                         for (int i = 0; i < 16; ++i)
                             itemFlags[std::size_t(i)] = char(i * 3);
                         a.encodeValueOfObjCType("[16c]", &itemFlags);
                         unsigned char tp[6] = {2, 3, 4, 1, 15, 1};
                         a.encodeValuesOfObjCTypes("ii[6c]", 9, -4, tp);
                     },
                     [](Unarchiver& u, bool check, auto&) {
                         char flags[6] = {};
                         u.decodeValueOfObjCType("[6c]", &flags);
                         std::array<char, 16> itemFlags{};
                         u.decodeValueOfObjCType("[16c]", &itemFlags);
                         int row = 0, column = 0;
                         unsigned char tp[6] = {};
                         u.decodeValuesOfObjCTypes("ii[6c]", &row, &column, &tp);
                         if (!check)
                             return;
                         EXPECT_EQ(flags[3], 3);
                         EXPECT_EQ(flags[4], 7);
                         EXPECT_EQ(itemFlags[15], 45);
                         EXPECT_EQ(row, 9);
                         EXPECT_EQ(column, -4);
                         EXPECT_EQ(tp[4], 15);
                     }});

    cases.push_back({"arrays of tab-stop structs and of floats",
                     [](Archiver& a, Alive&) {
                         TabStop tabs[3] = {{36.5f, 0, '.'}, {72.0f, 2, 0}, {-1.25f, -1, '-'}};
                         a.encodeArrayOfObjCType("{?=fsc}", 3, tabs);
                         a.encodeArrayOfObjCType("{?=fsc}", 0, tabs);
                         float dash[8] = {1, 2, 3, 4, 5, 6, 7, 8.5f};
                         a.encodeArrayOfObjCType("f", 8, dash);
                     },
                     [](Unarchiver& u, bool check, auto&) {
                         std::vector<TabStop> tabs = u.decodeVectorOfObjCType<TabStop>("{?=fsc}", 3);
                         TabStop none[1] = {};
                         u.decodeArrayOfObjCType("{?=fsc}", 0, none);
                         float dash[8] = {};
                         u.decodeArrayOfObjCType("f", 8, dash);
                         if (!check)
                             return;
                         ASSERT_EQ(tabs.size(), 3u);
                         EXPECT_EQ(tabs[0].position, 36.5f);
                         EXPECT_EQ(tabs[0].leader, '.');
                         EXPECT_EQ(tabs[1].type, 2);
                         EXPECT_EQ(tabs[2].position, -1.25f);
                         EXPECT_EQ(tabs[2].type, -1);
                         EXPECT_EQ(tabs[2].leader, '-');
                         EXPECT_EQ(dash[7], 8.5f);
                     }});

    cases.push_back({"a struct holding objects and a nested struct",
                     [](Archiver& a, Alive& keep) {
                         Bullet b{alive<kit::String>(keep, "Times-Roman"), alive<kit::String>(keep, "*"),
                                  {3.5f, -2}, 12.25f, nullptr};
                         a.encodeValueOfObjCType("{?=@@{?=ff}f@}", &b);
                     },
                     [](Unarchiver& u, bool check, auto&) {
                         Bullet b{};
                         u.decodeValueOfObjCType("{?=@@{?=ff}f@}", &b);
                         if (!check)
                             return;
                         auto* font = dynamic_cast<kit::String*>(b.font);
                         auto* text = dynamic_cast<kit::String*>(b.text);
                         ASSERT_TRUE(font && text);
                         EXPECT_EQ(font->value(), "Times-Roman");
                         EXPECT_EQ(text->value(), "*");
                         EXPECT_EQ(b.offset, kit::makePoint(3.5f, -2));
                         EXPECT_EQ(b.width, 12.25f);
                         EXPECT_EQ(b.color, nullptr);
                     }});

    cases.push_back({"points, sizes and rectangles",
                     [](Archiver& a, Alive&) {
                         a.encodePoint({1.5f, -2.25f});
                         a.encodeSize({612, 792});
                         a.encodeRect(kit::makeRect(99, 41, 644, 792.5f));
                     },
                     [](Unarchiver& u, bool check, auto&) {
                         kit::Point p = u.decodePoint();
                         kit::Size s = u.decodeSize();
                         kit::Rect r = u.decodeRect();
                         CHECK_EQ_IF(check, p, kit::makePoint(1.5f, -2.25f));
                         CHECK_EQ_IF(check, s, kit::makeSize(612, 792));
                         CHECK_EQ_IF(check, r, kit::makeRect(99, 41, 644, 792.5f));
                     }});

    cases.push_back({"nil objects",
                     [](Archiver& a, Alive&) {
                         a.encodeObject(nullptr);
                         a.encodeConditionalObject(nullptr);
                         a.encodeString("after");
                     },
                     [](Unarchiver& u, bool check, auto& keep) {
                         Object* a = u.decodeObject();
                         auto b = u.decodeOwnedObject<Node>();
                         std::optional<std::string> after = u.decodeString();
                         CHECK_EQ_IF(check, a, nullptr);
                         CHECK_EQ_IF(check, b.get(), nullptr);
                         CHECK_EQ_IF(check, after, std::optional<std::string>("after"));
                         keep.push_back(std::move(b));
                     }});

    cases.push_back({"strings, numbers, dates, data",
                     [](Archiver& a, Alive& keep) {
                         const Object* values[] = {
                             alive<kit::String>(keep, "Grüße"),
                             alive<kit::Number>(keep, std::int64_t(-5000000000)),
                             alive<kit::Number>(keep, 0.1),
                             alive<kit::Number>(keep, true),
                             alive<kit::Date>(keep, 1e9 + 0.5),
                             alive<kit::Data>(keep, std::string("\0\1\2\xff", 4)),
                         };
                         for (const Object* o : values)
                             a.encodeObject(o);
                     },
                     [](Unarchiver& u, bool check, auto& keep) {
                         auto s = u.decodeOwnedObject<kit::String>();
                         auto i = u.decodeOwnedObject<kit::Number>();
                         auto r = u.decodeOwnedObject<kit::Number>();
                         auto t = u.decodeOwnedObject<kit::Number>();
                         auto d = u.decodeOwnedObject<kit::Date>();
                         auto data = u.decodeOwnedObject<kit::Data>();
                         if (check) {
                             ASSERT_TRUE(s && i && r && t && d && data);
                             EXPECT_EQ(s->value(), "Grüße");
                             EXPECT_EQ(i->kind(), kit::Number::Kind::Integer);
                             EXPECT_EQ(i->longLongValue(), -5000000000);
                             EXPECT_EQ(r->kind(), kit::Number::Kind::Real);
                             EXPECT_EQ(r->doubleValue(), 0.1);
                             EXPECT_EQ(t->kind(), kit::Number::Kind::Boolean);
                             EXPECT_TRUE(t->boolValue());
                             EXPECT_EQ(d->timeIntervalSince1970(), 1e9 + 0.5);
                             EXPECT_EQ(data->bytes(), std::string("\0\1\2\xff", 4));
                         }
                         keep.push_back(std::move(s));
                         keep.push_back(std::move(i));
                         keep.push_back(std::move(r));
                         keep.push_back(std::move(t));
                         keep.push_back(std::move(d));
                         keep.push_back(std::move(data));
                     }});

    cases.push_back({"arrays and dictionaries, and their helpers",
                     [](Archiver& a, Alive& keep) {
                         auto* one = alive<kit::String>(keep, "one");
                         auto* two = alive<kit::String>(keep, "two");
                         auto* array = alive<kit::Array>(keep);
                         array->addObject(one);
                         array->addObject(two);
                         array->addObject(one);
                         a.encodeObject(array);
                         auto* dict = alive<kit::Dictionary>(keep);
                         dict->setObject(one, std::make_unique<kit::Number>(1));
                         dict->setObject(two, std::make_unique<kit::Number>(2));
                         a.encodeObject(dict);
                         a.encodeArray({two, one});
                     },
                     [](Unarchiver& u, bool check, auto& keep) {
                         auto array = u.decodeOwnedObject<kit::Array>();
                         auto dict = u.decodeOwnedObject<kit::Dictionary>();
                         auto helper = u.decodeArray();
                         if (check) {
                             ASSERT_TRUE(array && dict && helper);
                             ASSERT_EQ(array->count(), 3u);
                             // The same object twice stays one object.
                             EXPECT_EQ(array->objectAt(0), array->objectAt(2));
                             EXPECT_EQ(array->description(), "(one, two, one)");
                             kit::Number key(2);
                             Object* v = dict->objectForKey(key);
                             ASSERT_NE(v, nullptr);
                             EXPECT_EQ(v, array->objectAt(1)); // a back reference
                             EXPECT_EQ(dict->objectForKey(kit::Number(1.0)), array->objectAt(0));
                             ASSERT_EQ(helper->size(), 2u);
                             EXPECT_EQ((*helper)[0], array->objectAt(1));
                         }
                         if (dict) {
                             dict->claimKeys(u);
                             EXPECT_TRUE(!check || dict->count() == 2);
                         }
                         if (array)
                             array->claimElements(u);
                         keep.push_back(std::move(array));
                         keep.push_back(std::move(dict));
                     }});

    cases.push_back({"colours: shared named colours stay shared, one custom colour stays one",
                     [](Archiver& a, Alive& keep) {
                         kit::ColorRef white = kit::Color::whiteColor();
                         kit::ColorRef custom = kit::Color::colorWithDeviceCyan(0.1f, 0.2f, 0.3f, 0.4f, 0.5f);
                         keep.push_back(custom);
                         a.encodeColor(white);
                         a.encodeColor(custom);
                         a.encodeColor(custom);
                         a.encodeColor(white);
                         a.encodeColor(nullptr);
                     },
                     [](Unarchiver& u, bool check, auto&) {
                         kit::ColorRef w1 = u.decodeColor();
                         kit::ColorRef c1 = u.decodeColor();
                         kit::ColorRef c2;
                         u.decodeValuesOfObjCTypes("@", &c2);
                         kit::ColorRef w2 = u.decodeColor();
                         kit::ColorRef none = u.decodeColor();
                         if (!check)
                             return;
                         EXPECT_EQ(w1, kit::Color::whiteColor());
                         EXPECT_EQ(w2, kit::Color::whiteColor());
                         ASSERT_TRUE(c1);
                         EXPECT_EQ(c1, c2);
                         EXPECT_TRUE(c1->isEqual(*kit::Color::colorWithDeviceCyan(0.1f, 0.2f, 0.3f, 0.4f, 0.5f)));
                         EXPECT_EQ(c1->copy(), c1); // knows its shared owner
                         EXPECT_EQ(none, nullptr);
                     }});

    cases.push_back({"\"%@s\" and \"%@\" with a conditional-free graph",
                     [](Archiver& a, Alive& keep) {
                         auto* style = alive<Node>(keep, "Body");
                         a.encodeValuesOfObjCTypes("%@s", "Heading", style, short(-1));
                         a.encodeValuesOfObjCTypes("%@", nullptr, style);
                     },
                     [](Unarchiver& u, bool check, auto& keep) {
                         std::string name;
                         Node* style = nullptr;
                         short dropped = 0;
                         u.decodeValuesOfObjCTypes("%@s", &name, &style, &dropped);
                         std::optional<std::string> none;
                         std::unique_ptr<Node> again;
                         u.decodeValuesOfObjCTypes("%@", &none, &again);
                         if (check) {
                             EXPECT_EQ(name, "Heading");
                             ASSERT_NE(style, nullptr);
                             EXPECT_EQ(style->name, "Body");
                             EXPECT_EQ(dropped, -1);
                             EXPECT_FALSE(none.has_value());
                             EXPECT_EQ(again.get(), style);
                         }
                         keep.push_back(std::move(again));
                     }});

    return cases;
}

// A document-like graph: a root owning pages, items pointing back, a
// conditional reference written before its object's unconditional one.
std::unique_ptr<Node> makeGraph()
{
    auto root = std::make_unique<Node>("document");
    Node* page1 = root->add("page 1");
    Node* page2 = root->add("page 2");
    Node* item1 = page1->add("item 1");
    Node* item2 = page2->add("item 2");
    item1->buddy = item2; // written conditionally before item2 is written
    item2->buddy = item1; // and after
    page2->buddy = root.get();
    return root;
}

std::string representativeArchive()
{
    registerTestClasses();
    Archiver a;
    Alive keep;
    for (const auto& c : roundTripCases())
        c.write(a, keep);
    auto graph = makeGraph();
    a.encodeRootObject(graph.get());
    return a.data();
}

void readRepresentative(Unarchiver& u, bool check, std::vector<std::unique_ptr<Object>>& keep)
{
    for (const auto& c : roundTripCases()) {
        SCOPED_TRACE(c.name);
        c.read(u, check, keep);
    }
    keep.push_back(u.decodeOwnedObject<Node>());
    if (check) {
        EXPECT_TRUE(u.isAtEnd());
    }
}

// ---- Tests

TEST_F(ArchiverTest, EveryUnitKindRoundTrips)
{
    for (const auto& c : roundTripCases()) {
        SCOPED_TRACE(c.name);
        Archiver a;
        Alive written;
        c.write(a, written);
        std::vector<std::unique_ptr<Object>> keep;
        Unarchiver u(a.data());
        c.read(u, true, keep);
        EXPECT_TRUE(u.isAtEnd());
    }
}

TEST_F(ArchiverTest, AllUnitKindsTogetherInOneArchive)
{
    std::string bytes = representativeArchive();
    std::vector<std::unique_ptr<Object>> keep;
    Unarchiver u(bytes);
    readRepresentative(u, true, keep);
    // Again from the caller's bytes, not a copy of them.
    std::vector<std::unique_ptr<Object>> borrowedKeep;
    Unarchiver borrowed(std::string_view(bytes), Unarchiver::BorrowBytes{});
    readRepresentative(borrowed, true, borrowedKeep);
}

TEST_F(ArchiverTest, UnitGroupingIsPartOfTheFormat)
{
    Archiver one;
    one.encodeValuesOfObjCTypes("ss", short(1), short(2));
    Archiver two;
    short s1 = 1, s2 = 2;
    two.encodeValueOfObjCType("s", &s1);
    two.encodeValueOfObjCType("s", &s2);
    EXPECT_NE(one.data(), two.data());

    // A one-value unit and a values unit of one letter are the same thing.
    Archiver single, values;
    single.encodeValueOfObjCType("s", &s1);
    values.encodeValuesOfObjCTypes("s", s1);
    EXPECT_EQ(single.data(), values.data());

    short a = 0, b = 0;
    Unarchiver readOneAsTwo(one.data());
    EXPECT_THROW(readOneAsTwo.decodeValueOfObjCType("s", &a), kit::Exception);
    Unarchiver readTwoAsOne(two.data());
    EXPECT_THROW(readTwoAsOne.decodeValuesOfObjCTypes("ss", &a, &b), kit::Exception);
    Unarchiver right(one.data());
    right.decodeValuesOfObjCTypes("ss", &a, &b);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
}

// Type strings are found again by where they lie; one place that holds
// another type later (a caller's buffer) must give that other type, in
// units and in shared strings alike.
TEST_F(ArchiverTest, ATypeStringChangedInPlaceIsReadAnew)
{
    Archiver a;
    char type[8] = "c";
    const char letters[3] = {'a', 'b', 'c'};
    const short numbers[3] = {1, 2, 3};
    a.encodeArrayOfObjCType(type, 3, letters);
    std::strcpy(type, "s");
    a.encodeArrayOfObjCType(type, 3, numbers);
    std::strcpy(type, "cc");
    a.encodeValuesOfObjCTypes(type, 'x', 'y');
    std::strcpy(type, "s");
    a.encodeValuesOfObjCTypes(type, short(7));

    Unarchiver u(a.data());
    char readLetters[3] = {};
    short readNumbers[3] = {};
    u.decodeArrayOfObjCType("c", 3, readLetters);
    u.decodeArrayOfObjCType("s", 3, readNumbers);
    char x = 0, y = 0;
    short seven = 0;
    u.decodeValuesOfObjCTypes("cc", &x, &y);
    u.decodeValuesOfObjCTypes("s", &seven);
    EXPECT_EQ(std::string(readLetters, 3), "abc");
    EXPECT_EQ(readNumbers[2], 3);
    EXPECT_EQ(x, 'x');
    EXPECT_EQ(y, 'y');
    EXPECT_EQ(seven, 7);
    EXPECT_TRUE(u.isAtEnd());
}

TEST_F(ArchiverTest, ReadingTheWrongKindOfUnitThrows)
{
    Archiver a;
    int i = 4;
    a.encodeValueOfObjCType("i", &i);
    a.encodeArrayOfObjCType("f", 2, std::array<float, 2>{1, 2}.data());
    a.encodeObject(nullptr);

    struct Read {
        const char* what;
        std::function<void(Unarchiver&)> read;
    };
    const Read wrong[] = {
        {"an object for an int", [](Unarchiver& u) { u.decodeObject(); }},
        {"a float for an int", [](Unarchiver& u) { float f; u.decodeValueOfObjCType("f", &f); }},
        {"a struct for an int", [](Unarchiver& u) { u.decodePoint(); }},
        {"bytes for an int", [](Unarchiver& u) { u.decodeBytes(); }},
        {"an array of 3 for an array of 2",
         [](Unarchiver& u) {
             int x;
             u.decodeValueOfObjCType("i", &x);
             float f[3];
             u.decodeArrayOfObjCType("f", 3, f);
         }},
        {"past the end",
         [](Unarchiver& u) {
             int x;
             u.decodeValueOfObjCType("i", &x);
             float f[2];
             u.decodeArrayOfObjCType("f", 2, f);
             u.decodeObject();
             u.decodeObject();
         }},
    };
    for (const auto& r : wrong) {
        SCOPED_TRACE(r.what);
        Unarchiver u(a.data());
        EXPECT_THROW(r.read(u), kit::Exception);
        // A failed decoder stays failed.
        EXPECT_THROW(u.decodeObject(), kit::Exception);
    }
}

TEST_F(ArchiverTest, ArgumentsThatDoNotFitTheirTypeAreProgrammingErrors)
{
    struct Misuse {
        const char* what;
        std::function<void(Coder&)> call;
    };
    struct Wrong {
        float f;
        char c;
    };
    const Misuse encodes[] = {
        {"int for s", [](Coder& c) { c.encodeValuesOfObjCTypes("s", 1); }},
        {"64-bit long for l (32 bits)", [](Coder& c) { c.encodeValuesOfObjCTypes("l", 1L); }},
        {"double for f", [](Coder& c) { c.encodeValuesOfObjCTypes("f", 1.0); }},
        {"bool for c", [](Coder& c) { c.encodeValuesOfObjCTypes("c", true); }},
        {"int for @", [](Coder& c) { c.encodeValuesOfObjCTypes("@", 0); }},
        {"string for i", [](Coder& c) { c.encodeValuesOfObjCTypes("i", std::string("x")); }},
        {"object for *", [](Coder& c) { kit::String s; c.encodeValuesOfObjCTypes("*", &s); }},
        {"too few values", [](Coder& c) { c.encodeValuesOfObjCTypes("ss", short(1)); }},
        {"too many values", [](Coder& c) { c.encodeValuesOfObjCTypes("s", short(1), short(2)); }},
        {"array of 5 for [6c]", [](Coder& c) { c.encodeValuesOfObjCTypes("[6c]", std::array<char, 5>{}); }},
        {"array of short for [6c]", [](Coder& c) { c.encodeValuesOfObjCTypes("[6c]", std::array<short, 6>{}); }},
        {"char array without NUL for *", [](Coder& c) { char s[2] = {'a', 'b'}; c.encodeValuesOfObjCTypes("*", s); }},
        {"struct of the wrong size", [](Coder& c) { c.encodeValuesOfObjCTypes("{?=fsc}", kit::Rect{}); }},
        {"strings inside a struct", [](Coder& c) { Wrong w{}; c.encodeValuesOfObjCTypes("{?=*c}", w); }},
        {"a pointer type", [](Coder& c) { c.encodeValuesOfObjCTypes("^i", nullptr); }},
        {"bit fields", [](Coder& c) { c.encodeValuesOfObjCTypes("{?=b1b1}", 0u); }},
        {"a malformed type", [](Coder& c) { c.encodeValuesOfObjCTypes("{?=fsc", Wrong{}); }},
        {"a null struct pointer", [](Coder& c) { c.encodeValuesOfObjCTypes("{?=fc}", static_cast<const Wrong*>(nullptr)); }},
        {"array elements of the wrong type", [](Coder& c) { int v[2] = {}; c.encodeArrayOfObjCType("f", 2, v); }},
        {"the decoding side", [](Coder& c) { c.decodeObject(); }},
    };
    for (const auto& m : encodes) {
        SCOPED_TRACE(m.what);
        Archiver a;
        EXPECT_THROW(m.call(a), std::logic_error);
    }

    Archiver source;
    source.encodeValuesOfObjCTypes("si*", short(1), 2, "three");
    const Misuse decodes[] = {
        {"int* for s", [](Coder& c) { int x; int y; std::string z; c.decodeValuesOfObjCTypes("si*", &x, &y, &z); }},
        {"char* for *", [](Coder& c) { short x; int y; char z; c.decodeValuesOfObjCTypes("si*", &x, &y, &z); }},
        {"too few outputs", [](Coder& c) { short x; int y; c.decodeValuesOfObjCTypes("si*", &x, &y); }},
        {"the encoding side", [](Coder& c) { c.encodeObject(nullptr); }},
    };
    for (const auto& m : decodes) {
        SCOPED_TRACE(m.what);
        Unarchiver u(source.data());
        EXPECT_THROW(m.call(u), std::logic_error);
    }
}

TEST_F(ArchiverTest, CyclesAndConditionalObjectsInARootArchive)
{
    auto graph = makeGraph();
    Node* lonely = graph->children[0]->add("lonely item");
    Node stranger("never written unconditionally");
    lonely->buddy = &stranger;

    std::string bytes = Archiver::archivedDataWithRootObject(graph.get());
    std::vector<std::unique_ptr<Object>> unclaimed;
    auto root = Unarchiver::unarchiveObjectWithData<Node>(bytes, unclaimed);
    EXPECT_TRUE(unclaimed.empty()); // the tree owns every node
    ASSERT_TRUE(root);
    ASSERT_EQ(root->children.size(), 2u);
    Node* page1 = root->children[0].get();
    Node* page2 = root->children[1].get();
    ASSERT_EQ(page1->children.size(), 2u);
    Node* item1 = page1->children[0].get();
    Node* item2 = page2->children[0].get();
    // Weak pointers back up the tree (conditional, cycle through the root).
    EXPECT_EQ(page1->parent, root.get());
    EXPECT_EQ(item1->parent, page1);
    EXPECT_EQ(root->parent, nullptr);
    // Conditional references to objects written unconditionally before and
    // after them.
    EXPECT_EQ(item1->buddy, item2);
    EXPECT_EQ(item2->buddy, item1);
    EXPECT_EQ(page2->buddy, root.get());
    // Never written unconditionally: nil.
    EXPECT_EQ(page1->children[1]->name, "lonely item");
    EXPECT_EQ(page1->children[1]->buddy, nullptr);
}

TEST_F(ArchiverTest, ConditionalObjectsOutsideARootArchive)
{
    Node x("x");
    Archiver a;
    a.encodeConditionalObject(&x); // not written yet: nil
    a.encodeObject(&x);
    a.encodeConditionalObject(&x); // written before: a back reference
    Unarchiver u(a.data());
    EXPECT_EQ(u.decodeObject(), nullptr);
    Object* first = u.decodeObject();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(u.decodeObject(), first);
    EXPECT_TRUE(u.isAtEnd());
}

TEST_F(ArchiverTest, ArchiveRootObjectWritesAFile)
{
    auto graph = makeGraph();
    std::string path = kit::FileManager::uniqueTemporaryPath("archive");
    ASSERT_TRUE(Archiver::archiveRootObject(graph.get(), path));
    auto contents = kit::FileManager::contentsAtPath(path);
    ASSERT_TRUE(contents);
    EXPECT_EQ(*contents, Archiver::archivedDataWithRootObject(graph.get()));
    EXPECT_FALSE(Archiver::archiveRootObject(graph.get(), path + "/no/such/folder/file"));
    kit::FileManager::removeFileAtPath(path);
}

TEST_F(ArchiverTest, ObjectsHaveOneOwnerAtMost)
{
    kit::String s("shared");
    Archiver a;
    a.encodeObject(&s);
    a.encodeObject(&s);
    a.encodeObject(&s);

    Unarchiver u(a.data());
    auto owned = u.decodeOwnedObject<kit::String>();
    ASSERT_TRUE(owned);
    EXPECT_THROW(u.decodeOwnedObject<kit::String>(), kit::Exception);
    Unarchiver v(a.data());
    Object* weak = v.decodeObject();
    EXPECT_THROW(v.decodeOwnedObject<kit::Number>(), kit::Exception); // wrong class
    auto claimed = v.claim<kit::String>(weak);                       // still in the pool
    EXPECT_EQ(claimed.get(), weak);
    EXPECT_THROW(v.decodeSharedObject<kit::String>(), kit::Exception);

    Unarchiver w(a.data());
    auto sh1 = w.decodeSharedObject<kit::String>();
    auto sh2 = w.decodeSharedObject<kit::String>();
    EXPECT_EQ(sh1, sh2);
    EXPECT_THROW(w.decodeOwnedObject<kit::String>(), kit::Exception);
}

TEST_F(ArchiverTest, HostileStreamsCannotMakeOwnershipCycles)
{
    // Node graphs whose child lists loop back: written from borrowed
    // pointers, then read by a class that claims every child.
    auto archiveWithBorrowedChildren = [](const std::function<void(Node&, Node&)>& link) {
        Node a("a"), b("b");
        link(a, b);
        std::string bytes = Archiver::archivedDataWithRootObject(&a);
        for (Node* n : {&a, &b})
            for (auto& c : n->children)
                (void)c.release();
        return bytes;
    };
    const std::pair<const char*, std::function<void(Node&, Node&)>> loops[] = {
        {"a owns itself", [](Node& a, Node&) { a.children.emplace_back(&a); }},
        {"a owns b owns a",
         [](Node& a, Node& b) {
             a.children.emplace_back(&b);
             b.children.emplace_back(&a);
         }},
    };
    for (const auto& [what, link] : loops) {
        SCOPED_TRACE(what);
        Unarchiver u(archiveWithBorrowedChildren(link));
        try {
            u.decodeOwnedObject<Node>();
            ADD_FAILURE() << "an ownership cycle was accepted";
        } catch (const kit::Exception& e) {
            EXPECT_NE(e.reason().find("cycle"), std::string::npos) << e.reason();
        }
    }

    // A container claiming its elements is their owner, wherever it is called.
    kit::Array self;
    self.addObject(&self);
    Unarchiver u(Archiver::archivedDataWithRootObject(&self));
    auto* array = dynamic_cast<kit::Array*>(u.decodeObject());
    ASSERT_NE(array, nullptr);
    EXPECT_THROW(array->claimElements(u), kit::Exception);
}

// Many more objects than a decoder has just made: what it knows of each one
// (claimed, shared, its owner) holds however long ago the object was read.
TEST_F(ArchiverTest, OwnershipHoldsForObjectsReadLongBefore)
{
    constexpr int Count = 200;
    std::vector<std::unique_ptr<kit::String>> strings;
    Archiver ar;
    for (int i = 0; i < Count; ++i) {
        strings.push_back(std::make_unique<kit::String>("s" + std::to_string(i)));
        ar.encodeObject(strings.back().get());
    }
    for (int i = 1; i < Count; i += 2)
        ar.encodeObject(strings[std::size_t(i)].get()); // back references

    Unarchiver u(ar.data());
    std::vector<Object*> read;
    for (int i = 0; i < Count; ++i)
        read.push_back(u.decodeObject());
    std::vector<std::unique_ptr<kit::String>> claimed;
    for (int i = 0; i < Count; i += 2) {
        claimed.push_back(u.claim<kit::String>(read[std::size_t(i)]));
        EXPECT_EQ(claimed.back().get(), read[std::size_t(i)]);
        EXPECT_EQ(claimed.back()->value(), "s" + std::to_string(i));
    }
    for (int i = 0; i < Count; i += 2)
        EXPECT_THROW(u.claim<kit::String>(read[std::size_t(i)]), kit::Exception) << i;
    for (int i = 1; i < Count; i += 2) {
        auto shared = u.decodeSharedObject<kit::String>();
        EXPECT_EQ(shared.get(), read[std::size_t(i)]);
        EXPECT_EQ(shared, u.share<kit::String>(read[std::size_t(i)]));
    }
    EXPECT_THROW(u.claim<kit::String>(read[1]), kit::Exception); // shared
    EXPECT_TRUE(u.releaseUnclaimed().empty());

    // A ring of owners longer than that: the last node owns the first, found
    // only by following every owner back.
    constexpr int Ring = 40;
    std::vector<std::unique_ptr<Node>> nodes;
    for (int i = 0; i < Ring; ++i)
        nodes.push_back(std::make_unique<Node>("n" + std::to_string(i)));
    for (int i = 0; i < Ring; ++i)
        nodes[std::size_t(i)]->children.emplace_back(nodes[std::size_t((i + 1) % Ring)].get());
    const std::string ring = Archiver::archivedDataWithRootObject(nodes[0].get());
    for (auto& n : nodes)
        (void)n->children.front().release();
    Unarchiver r(ring);
    try {
        r.decodeOwnedObject<Node>();
        ADD_FAILURE() << "an ownership cycle was accepted";
    } catch (const kit::Exception& e) {
        EXPECT_NE(e.reason().find("cycle"), std::string::npos) << e.reason();
    }
}

TEST_F(ArchiverTest, AnOwnerMayBeDecodedInsideWhatItOwns)
{
    // item1's weak reference pulls item2 in first, item2's weak parent
    // pulls page2 in while item2 is still being decoded, and page2 claims
    // item2 then: legitimate, as documents do with columns and pages.
    Node root("root");
    Node* page1 = root.add("page1");
    Node* page2 = root.add("page2");
    Node* item1 = page1->add("item1");
    Node* item2 = page2->add("item2");
    item1->buddy = item2;
    auto back = Unarchiver::unarchiveObjectWithData<Node>(Archiver::archivedDataWithRootObject(&root));
    ASSERT_TRUE(back);
    ASSERT_EQ(back->children.size(), 2u);
    Node* backItem2 = back->children[1]->children.at(0).get();
    EXPECT_EQ(back->children[0]->children.at(0)->buddy, backItem2);
    EXPECT_EQ(backItem2->parent, back->children[1].get());
}

TEST_F(ArchiverTest, ReleaseUnclaimedHandsBackOrphans)
{
    kit::String a("a"), b("b");
    kit::Number n(3);
    Archiver ar;
    ar.encodeObject(&a);
    ar.encodeObject(&b);
    ar.encodeObject(&n);

    Unarchiver u(ar.data());
    Object* weakA = u.decodeObject();
    Object* weakB = u.decodeObject();
    auto owned = u.decodeOwnedObject<kit::Number>();
    auto orphans = u.releaseUnclaimed();
    ASSERT_EQ(orphans.size(), 2u);
    EXPECT_EQ(orphans[0].get(), weakA);
    EXPECT_EQ(orphans[1].get(), weakB);
    EXPECT_THROW(u.claim(weakA), kit::Exception);
    EXPECT_TRUE(u.releaseUnclaimed().empty());
}

TEST_F(ArchiverTest, ReplacementsOwnedByTheDecoderOrElsewhere)
{
    Legacy old;
    old.value = 4;
    FakeFont* font = FakeFont::intern("Helvetica", 12);
    Archiver a;
    a.encodeObject(&old);
    a.encodeObject(&old);
    a.encodeObject(font);
    a.encodeObject(font);
    std::string bytes = a.data();

    Object* fromFirst = nullptr;
    {
        Unarchiver u(bytes);
        auto modern = u.decodeOwnedObject<Modern>();
        ASSERT_TRUE(modern);
        EXPECT_EQ(modern->value, 40);
        EXPECT_EQ(u.decodeObject(), modern.get()); // back references answer the replacement
        fromFirst = u.decodeObject();
        EXPECT_EQ(fromFirst, font); // the interned font itself
        EXPECT_EQ(u.decodeObject(), font);
    }
    // A second archive, read by another decoder, interns to the same font;
    // the first decoder did not delete it.
    Unarchiver u2(bytes);
    u2.decodeObject();
    u2.decodeObject();
    EXPECT_THROW(u2.decodeOwnedObject<FakeFont>(), kit::Exception); // owned elsewhere
    Unarchiver u3(bytes);
    u3.decodeObject();
    u3.decodeObject();
    EXPECT_EQ(u3.decodeObject(), fromFirst);
    EXPECT_EQ(FakeFont::intern("Helvetica", 12)->name, "Helvetica");
}

TEST_F(ArchiverTest, AnObjectThatRefusesItselfDecodesAsNil)
{
    Refuser r;
    Archiver a;
    a.encodeObject(&r);
    a.encodeObject(&r);
    a.encodeString("next");
    Unarchiver u(a.data());
    EXPECT_EQ(u.decodeObject(), nullptr);
    EXPECT_EQ(u.decodeObject(), nullptr); // back reference to it
    EXPECT_EQ(u.decodeString(), std::optional<std::string>("next"));
    EXPECT_TRUE(u.isAtEnd());
}

TEST_F(ArchiverTest, ClassesMustReadExactlyWhatTheyWrote)
{
    Greedy greedy;
    Lazy lazy;
    for (const Object* o : std::initializer_list<const Object*>{&greedy, &lazy}) {
        SCOPED_TRACE(o->className());
        Archiver a;
        a.encodeObject(o);
        int after = 9;
        a.encodeValueOfObjCType("i", &after);
        Unarchiver u(a.data());
        EXPECT_THROW(u.decodeObject(), kit::Exception);
    }

    Trailing t;
    t.values = {1, 2, 3};
    auto copy = Unarchiver::unarchiveObjectWithData<Trailing>(Archiver::archivedDataWithRootObject(&t));
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->values, t.values);
}

TEST_F(ArchiverTest, ClassVersionsAreStored)
{
    Versioned v;
    kit::String s("x");
    Archiver a;
    EXPECT_EQ(a.versionForClassName("ArchTestVersioned"), 3);
    EXPECT_EQ(a.versionForClassName("NoSuchClass"), std::nullopt);
    a.encodeObject(&v);
    a.encodeObject(&s);
    std::string bytes = a.data();

    // The stored version, not today's registered one.
    kit::registerClass<Versioned>("ArchTestVersioned", 4);
    Unarchiver u(bytes);
    EXPECT_EQ(u.versionForClassName("ArchTestVersioned"), std::nullopt); // not met yet
    u.decodeObject();
    EXPECT_EQ(u.versionForClassName("ArchTestVersioned"), 3);
    EXPECT_EQ(u.versionForClassName("String"), std::nullopt);
    u.decodeObject();
    EXPECT_EQ(u.versionForClassName("String"), 0);
    EXPECT_EQ(u.versionForClassName("NoSuchClass"), std::nullopt);
    kit::registerClass<Versioned>("ArchTestVersioned", 3);
}

TEST_F(ArchiverTest, TheDocumentVersionTravelsWithItsCoder)
{
    VersionProbe root;
    root.stored = 2.5f;
    root.child = std::make_unique<VersionProbe>();
    const std::string document = Archiver::archivedDataWithRootObject(&root);
    VersionProbe clip;
    const std::string pasteboard = Archiver::archivedDataWithRootObject(&clip);

    Archiver writing;
    EXPECT_EQ(writing.openFileVersion(), -1000.0f);
    Unarchiver reading(document);
    EXPECT_EQ(reading.openFileVersion(), -1000.0f);
    auto back = reading.decodeOwnedObject<VersionProbe>();
    ASSERT_TRUE(back && back->child);
    EXPECT_EQ(back->seen, 2.5f);
    EXPECT_EQ(back->child->seen, 2.5f);
    // Pasteboard data read while that document is open is no document.
    auto pasted = Unarchiver::unarchiveObjectWithData<VersionProbe>(pasteboard);
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->seen, -1000.0f);
    EXPECT_EQ(reading.openFileVersion(), 2.5f);

    const std::pair<float, bool> current[] = {{-1000.0f, true}, {2.5f, false}, {2.99f, false}, {3.0f, true},
                                              {100.0f, true},   {-1.0f, false}};
    for (const auto& [version, isCurrent] : current)
        EXPECT_EQ(kit::isCurrentFileVersion(version), isCurrent) << version;
}

TEST_F(ArchiverTest, UnknownClassesThrowUnlessSubstituted)
{
    GhostA ghost;
    std::string bytes = Archiver::archivedDataWithRootObject(&ghost);
    auto at = bytes.find("ArchTestGhostA");
    ASSERT_NE(at, std::string::npos);
    bytes[at + 13] = 'B'; // now a class nobody registered

    Unarchiver u(bytes);
    try {
        u.decodeObject();
        ADD_FAILURE() << "an unknown class was accepted";
    } catch (const kit::Exception& e) {
        EXPECT_EQ(e.name(), kit::ArchiverArchiveInconsistencyException);
        EXPECT_NE(e.reason().find("class not found"), std::string::npos) << e.reason();
    }

    Unarchiver sub(bytes);
    sub.decodeClassName("ArchTestGhostB", "ArchTestGhostA");
    EXPECT_EQ(sub.classNameDecodedForArchiveClassName("ArchTestGhostB"), "ArchTestGhostA");
    auto g = sub.decodeOwnedObject<GhostA>();
    ASSERT_TRUE(g);
    EXPECT_EQ(g->value, 5);
    EXPECT_EQ(sub.versionForClassName("ArchTestGhostB"), 0);
}

TEST_F(ArchiverTest, NestingIsBoundedWhenWritingAndReading)
{
    auto chain = [](int length) {
        auto head = std::make_unique<Link>();
        Link* tail = head.get();
        for (int i = 1; i < length; ++i) {
            tail->next = std::make_unique<Link>();
            tail = tail->next.get();
        }
        return head;
    };
    // Deep graphs go both ways (the stack, not only the count, bounds them).
    const int deepLength = 2000;
    auto deep = chain(deepLength);
    std::string bytes = Archiver::archivedDataWithRootObject(deep.get());
    auto back = Unarchiver::unarchiveObjectWithData<Link>(bytes);
    int length = 0;
    for (Link* l = back.get(); l; l = l->next.get())
        ++length;
    EXPECT_EQ(length, deepLength);

    auto tooDeep = chain(Coder::MaxObjectNesting + 1);
    EXPECT_THROW(Archiver::archivedDataWithRootObject(tooDeep.get()), kit::Exception);
}

// ---- Damaged input

std::string varint(std::uint64_t v)
{
    std::string s;
    while (v >= 0x80) {
        s.push_back(char(v | 0x80));
        v >>= 7;
    }
    s.push_back(char(v));
    return s;
}

std::string header()
{
    return std::string("SCRVTS\x01", 7);
}

// A unit prefix bringing a new shared string.
std::string newString(const std::string& s)
{
    return varint(1) + varint(s.size()) + s;
}

TEST_F(ArchiverTest, DamagedStreamsFailCleanly)
{
    std::string linkClass = varint(0) + newString("ArchTestLink") + std::string(4, '\0');
    // Deeply nested new objects: "@" then a new Link, again and again.
    std::string deep = header() + newString("@") + varint(1) + linkClass;
    const std::string level = "\x02\x01\x01"; // "@", a new object, class 0
    for (int i = 0; i < 3 * Coder::MaxObjectNesting; ++i)
        deep += level;

    struct Damaged {
        const char* what;
        std::string bytes;
        std::function<void(Unarchiver&)> read;
    };
    auto readObject = [](Unarchiver& u) { u.decodeObject(); };
    auto readString = [](Unarchiver& u) { std::string s; u.decodeValuesOfObjCTypes("*", &s); };
    const Damaged cases[] = {
        {"empty", "", readObject},
        {"wrong magic", "SCRVTX\x01" + newString("@") + varint(0), readObject},
        {"unknown format version", std::string("SCRVTS\x02", 7) + newString("@") + varint(0), readObject},
        {"header only", header(), readObject},
        {"wrong type string", header() + newString("i") + std::string(4, '\0'), readObject},
        {"end marker outside an object", header() + varint(0), readObject},
        {"bad shared-string index", header() + varint(7), readObject},
        {"bad back reference", header() + newString("@") + varint(2 + 5), readObject},
        {"bad class reference", header() + newString("@") + varint(1) + varint(3), readObject},
        {"class without a name", header() + newString("@") + varint(1) + varint(0) + varint(0), readObject},
        {"string length 2^31", header() + newString("*") + varint(0x80000001ull) + "abc", readString},
        {"string length 2^63", header() + newString("*") + varint(0x8000000000000001ull) + "abc", readString},
        {"shared-string length 2^63", header() + varint(1) + varint(0x8000000000000000ull) + "@", readObject},
        {"bytes length 2^63", header() + newString("[c]") + varint(0x8000000000000000ull) + "x",
         [](Unarchiver& u) { u.decodeBytes(); }},
        {"varint longer than 64 bits", header() + std::string(10, '\xff') + "\x01", readObject},
        {"array count 2^31",
         header() + newString("@") + varint(1) + varint(0) + newString("Array") + std::string(4, '\0') +
             newString("i") + std::string("\xff\xff\xff\x7f", 4),
         readObject},
        {"dictionary count 2^31",
         header() + newString("@") + varint(1) + varint(0) + newString("Dictionary") + std::string(4, '\0') +
             newString("i") + std::string("\x00\x00\x00\x80", 4),
         readObject},
        {"vector count 2^31 before allocating", header() + newString("[2147483648f]") + "xxxx",
         [](Unarchiver& u) { u.decodeVectorOfObjCType<float>("f", std::size_t(1) << 31); }},
        {"vector count 2^62 before allocating", header(),
         [](Unarchiver& u) { u.decodeVectorOfObjCType<double>("d", std::size_t(1) << 62); }},
        {"units counted beyond the bytes left", header() + newString("@"),
         [](Unarchiver& u) { u.checkUnitCount("@", std::size_t(1) << 40); }},
        {"deep nesting", deep, readObject},
        {"colour in an unknown space",
         header() + newString("@") + varint(1) + varint(0) + newString("Color") + std::string(4, '\0') +
             newString("c[4f]f%") + "\x09" + std::string(20, '\0') + varint(0) + varint(0),
         readObject},
        {"nil element in an array",
         header() + newString("@") + varint(1) + varint(0) + newString("Array") + std::string(4, '\0') +
             newString("i") + std::string("\x01\x00\x00\x00", 4) + newString("@") + varint(0) + varint(0),
         readObject},
        {"unknown kind of number",
         header() + newString("@") + varint(1) + varint(0) + newString("Number") + std::string(4, '\0') +
             newString("c") + "\x07" + varint(0),
         readObject},
        {"skipped unit of an unarchivable type",
         header() + newString("@") + varint(1) + varint(0) + newString("ArchTestRefuser") + std::string(4, '\0') +
             newString("i") + std::string(4, '\0') + newString("^i") + std::string(8, '\0') + varint(0),
         readObject},
        {"skipped array longer than the bytes left",
         header() + newString("@") + varint(1) + varint(0) + newString("ArchTestRefuser") + std::string(4, '\0') +
             newString("i") + std::string(4, '\0') + newString("[4000000000i]") + std::string(64, '\0'),
         readObject},
        {"skipped array too large to lay out",
         header() + newString("@") + varint(1) + varint(0) + newString("ArchTestRefuser") + std::string(4, '\0') +
             newString("i") + std::string(4, '\0') + newString("[4000000000{?=[4000000000i]}]") + varint(0),
         readObject},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        try {
            Unarchiver u(c.bytes);
            c.read(u);
            ADD_FAILURE() << "damaged input was accepted";
        } catch (const kit::Exception& e) {
            EXPECT_EQ(e.name(), kit::ArchiverArchiveInconsistencyException);
        }
    }
}

TEST_F(ArchiverTest, DeepNestingFailsOnTheBound)
{
    std::string bytes = header() + newString("@") + varint(1) + varint(0) + newString("ArchTestLink") +
                        std::string(4, '\0');
    const std::string level = "\x02\x01\x01"; // "@", a new object, class 0
    for (int i = 0; i < 2 * Coder::MaxObjectNesting; ++i)
        bytes += level;
    Unarchiver u(bytes);
    try {
        u.decodeObject();
        ADD_FAILURE() << "accepted";
    } catch (const kit::Exception& e) {
        EXPECT_NE(e.reason().find("nested deeper"), std::string::npos) << e.reason();
    }
}

TEST_F(ArchiverTest, EveryTruncationFails)
{
    std::string bytes = representativeArchive();
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        SCOPED_TRACE(n);
        std::vector<std::unique_ptr<Object>> keep;
        EXPECT_THROW(
            {
                Unarchiver u(bytes.substr(0, n));
                readRepresentative(u, false, keep);
            },
            kit::Exception);
        // Borrowed bytes of their own, so that a read past them is caught.
        const std::string prefix = bytes.substr(0, n);
        std::vector<std::unique_ptr<Object>> borrowedKeep;
        EXPECT_THROW(
            {
                Unarchiver u(std::string_view(prefix), Unarchiver::BorrowBytes{});
                readRepresentative(u, false, borrowedKeep);
            },
            kit::Exception);
    }
}

TEST_F(ArchiverTest, FlippedBytesDecodeOrFailCleanly)
{
    std::string bytes = representativeArchive();
    std::mt19937 random(20240601);
    int failures = 0, decodes = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        for (int k = 0; k < 4; ++k) {
            std::string damaged = bytes;
            unsigned char flip = k < 3 ? static_cast<unsigned char>(1u << (random() % 8))
                                       : static_cast<unsigned char>(1 + random() % 255);
            damaged[i] = char(damaged[i] ^ flip);
            std::vector<std::unique_ptr<Object>> keep;
            try {
                Unarchiver u(damaged);
                readRepresentative(u, false, keep);
                auto rest = u.releaseUnclaimed();
                ++decodes;
            } catch (const kit::Exception&) {
                ++failures;
            }
        }
    }
    // Both outcomes happen; anything else (a crash, another exception, a
    // leak under ASan) fails the test.
    EXPECT_GT(failures, 0);
    EXPECT_GT(decodes, 0);
}

// What one read keeps belongs to its coder: two coders alive at once have
// their own, made on first use, and each goes with its coder.
TEST_F(ArchiverTest, ReadContextsBelongToTheirCoder)
{
    struct Waiting {
        std::vector<int> list;
        int* gone = nullptr;
        ~Waiting()
        {
            if (gone)
                ++*gone;
        }
    };
    int gone = 0;
    {
        kit::Archiver out;
        out.encodeString("x");
        kit::Unarchiver first(out.data());
        {
            kit::Unarchiver second(out.data());
            first.readContext<Waiting>().list.push_back(1);
            second.readContext<Waiting>().list.push_back(2);
            second.readContext<Waiting>().gone = &gone;
            EXPECT_EQ(&first.readContext<Waiting>(), &first.readContext<Waiting>());
            EXPECT_EQ(first.readContext<Waiting>().list, std::vector<int>{1});
            EXPECT_EQ(second.readContext<Waiting>().list, std::vector<int>{2});
            // Another type is another context.
            EXPECT_TRUE(first.readContext<std::vector<int>>().empty());
        }
        EXPECT_EQ(gone, 1);
        first.readContext<Waiting>().gone = &gone;
        EXPECT_EQ(first.readContext<Waiting>().list, std::vector<int>{1});
    }
    EXPECT_EQ(gone, 2);
}

} // namespace
