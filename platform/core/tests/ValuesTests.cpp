#include "core/Archiver.h"
#include "core/Unarchiver.h"
#include "core/Values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

namespace {

using kit::Array;
using kit::Data;
using kit::Date;
using kit::Dictionary;
using kit::Number;
using kit::Object;
using kit::String;

TEST(ValueNumber, EqualityComparesValuesAcrossKinds)
{
    struct Case {
        Number a, b;
        bool equal;
    };
    const std::int64_t big = (std::int64_t(1) << 53) + 1; // not a double
    const Case cases[] = {
        {Number(1), Number(1.0), true},
        {Number(true), Number(1), true},
        {Number(false), Number(0.0), true},
        {Number(0.5), Number(0), false},
        {Number(-3), Number(-3.0), true},
        {Number(big), Number(double(big)), false},
        {Number(INT64_MAX), Number(9223372036854775808.0), false},
        {Number(0.1), Number(0.1), true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.a.description() + " vs " + c.b.description());
        EXPECT_EQ(c.a.isEqual(c.b), c.equal);
        EXPECT_EQ(c.b.isEqual(c.a), c.equal);
    }
    EXPECT_FALSE(Number(1).isEqual(String("1")));
}

TEST(ValueNumber, ConversionsClampRatherThanOverflow)
{
    EXPECT_EQ(Number(1e300).longLongValue(), INT64_MAX);
    EXPECT_EQ(Number(-1e300).longLongValue(), INT64_MIN);
    EXPECT_EQ(Number(std::nan("")).longLongValue(), 0);
    EXPECT_EQ(Number(2.9).intValue(), 2);
    EXPECT_TRUE(Number(0.25).boolValue());
    EXPECT_EQ(Number(true).doubleValue(), 1.0);
}

TEST(ValueDescriptions, ReadLikeThePlatformsForms)
{
    auto array = std::make_unique<Array>();
    array->addOwnedObject(std::make_unique<String>("a"));
    array->addOwnedObject(std::make_unique<Number>(2));
    Dictionary dict;
    dict.setOwnedObject(std::make_unique<String>("v"), std::make_unique<String>("k"));
    const std::pair<const Object*, std::string> cases[] = {
        {new String("text"), "text"},
        {new Number(3), "3"},
        {new Number(0.1), "0.1"},
        {new Number(true), "1"},
        {new Date(0), "1970-01-01 00:00:00 +0000"},
        {new Date(1e9), "2001-09-09 01:46:40 +0000"},
        {new Data(std::string("\x01\x02\x03\x04\xff", 5)), "<01020304 ff>"},
    };
    for (const auto& [object, text] : cases) {
        EXPECT_EQ(object->description(), text);
        delete object;
    }
    EXPECT_EQ(array->description(), "(a, 2)");
    EXPECT_EQ(dict.description(), "{k = v; }");
}

TEST(ValueArray, OwnedElementsLeaveWithTheirLastListing)
{
    String shared("shared");
    Array array;
    Object* owned = array.addOwnedObject(std::make_unique<String>("owned"));
    array.addObject(&shared);
    array.addObject(owned); // listed twice
    EXPECT_TRUE(array.ownsObject(owned));
    EXPECT_FALSE(array.ownsObject(&shared));
    EXPECT_EQ(array.indexOfObjectIdenticalTo(&shared), 1u);

    EXPECT_EQ(array.removeObjectAt(0), nullptr); // still listed at the end
    EXPECT_EQ(array.removeObjectAt(0), nullptr); // not owned
    std::unique_ptr<Object> back = array.removeObjectAt(0);
    EXPECT_EQ(back.get(), owned);
    EXPECT_EQ(array.count(), 0u);
    EXPECT_THROW(array.addObject(nullptr), std::logic_error);
}

TEST(ValueDictionary, KeysMatchByValueAndOwnedEntriesAreFreed)
{
    String item1("item 1"), item2("item 2");
    Dictionary dict;
    dict.setObject(&item1, std::make_unique<Number>(7));
    // An equal key replaces the value and keeps the first key.
    dict.setObject(&item2, std::make_unique<Number>(7.0));
    EXPECT_EQ(dict.count(), 1u);
    EXPECT_EQ(dict.objectForKey(Number(7)), &item2);
    EXPECT_EQ(dict.keyAt(0)->description(), "7");

    dict.setOwnedObject(std::make_unique<String>("owned"), std::make_unique<String>("name"));
    dict.setObject(&item1, std::make_unique<String>("name")); // frees "owned"
    EXPECT_EQ(dict.objectForKey(String("name")), &item1);
    dict.removeObjectForKey(String("name"));
    EXPECT_EQ(dict.objectForKey(String("name")), nullptr);
    EXPECT_EQ(dict.count(), 1u);

    Dictionary other;
    other.setObject(&item2, std::make_unique<Number>(7));
    EXPECT_TRUE(dict.isEqual(other));
    other.setObject(&item1, std::make_unique<Number>(8));
    EXPECT_FALSE(dict.isEqual(other));
}

TEST(ValueArchiving, ContainersRoundTripWithValueEquality)
{
    kit::registerValueClasses();
    Array array;
    array.addOwnedObject(std::make_unique<Number>(std::int64_t(1) << 40));
    array.addOwnedObject(std::make_unique<Date>(-1.5));
    auto* inner = static_cast<Dictionary*>(array.addOwnedObject(std::make_unique<Dictionary>()));
    inner->setOwnedObject(std::make_unique<Data>(std::string(300, '\0')), std::make_unique<Number>(false));
    inner->setOwnedObject(std::make_unique<String>(""), std::make_unique<String>("empty"));

    std::vector<std::unique_ptr<Object>> unclaimed;
    auto back = kit::Unarchiver::unarchiveObjectWithData<Array>(kit::Archiver::archivedDataWithRootObject(&array),
                                                                unclaimed);
    ASSERT_TRUE(back);
    EXPECT_TRUE(back->isEqual(array));
    EXPECT_EQ(unclaimed.size(), 7u); // the array owns none of its decoded elements
}

// Arrays that hold themselves, as a hostile archive can make them.
struct SelfHolding {
    Array a;
    explicit SelfHolding(int extra = -1)
    {
        a.addObject(&a);
        if (extra >= 0)
            a.addOwnedObject(std::make_unique<Number>(extra));
    }
};

TEST(ValueCycles, SelfHoldingArraysCompareAndDescribeWithoutEnd)
{
    SelfHolding x, y, z(1), w(1), v(2);
    EXPECT_TRUE(x.a.isEqual(y.a));
    EXPECT_TRUE(z.a.isEqual(w.a));
    EXPECT_FALSE(z.a.isEqual(v.a));
    EXPECT_FALSE(x.a.isEqual(z.a));
    EXPECT_EQ(x.a.description(), "((...))");
    EXPECT_EQ(z.a.description(), "((...), 1)");

    Dictionary d;
    d.setObject(&d, &x.a);
    EXPECT_EQ(d.description(), "{((...)) = {...}; }");
    EXPECT_EQ(d.objectForKey(y.a), &d);
    EXPECT_EQ(d.objectForKey(z.a), nullptr);
}

TEST(ValueCycles, DictionaryKeyedBySelfHoldingArraysDecodes)
{
    kit::registerValueClasses();
    SelfHolding one(1), two(2), plain;
    String v1("one"), v2("two"), v3("plain");
    Dictionary d;
    d.setObject(&v1, &one.a);
    d.setObject(&v2, &two.a);
    d.setObject(&v3, &plain.a);
    ASSERT_EQ(d.count(), 3u);

    std::vector<std::unique_ptr<Object>> unclaimed;
    auto back = kit::Unarchiver::unarchiveObjectWithData<Dictionary>(kit::Archiver::archivedDataWithRootObject(&d),
                                                                     unclaimed);
    ASSERT_TRUE(back);
    ASSERT_EQ(back->count(), 3u);
    const Array* keys[] = {&one.a, &two.a, &plain.a};
    const char* values[] = {"one", "two", "plain"};
    for (int i = 0; i < 3; ++i) {
        auto* value = dynamic_cast<String*>(back->objectForKey(*keys[i]));
        ASSERT_TRUE(value) << values[i];
        EXPECT_EQ(value->value(), values[i]);
    }
    EXPECT_TRUE(back->isEqual(d));
    EXPECT_EQ(back->description(), d.description());
}

TEST(ValueCycles, SharedValuesTakeNoExponentialWalk)
{
    // Each level holds the level below twice: 2^80 paths through 81 arrays.
    constexpr int levels = 80;
    std::vector<std::unique_ptr<Array>> a, b;
    for (int i = 0; i <= levels; ++i) {
        a.push_back(std::make_unique<Array>());
        b.push_back(std::make_unique<Array>());
        if (i == 0) {
            a[0]->addOwnedObject(std::make_unique<String>("leaf"));
            b[0]->addOwnedObject(std::make_unique<String>("leaf"));
        } else {
            for (int k = 0; k < 2; ++k) {
                a[i]->addObject(a[i - 1].get());
                b[i]->addObject(b[i - 1].get());
            }
        }
    }
    EXPECT_TRUE(a[levels]->isEqual(*b[levels]));
    b[0]->addOwnedObject(std::make_unique<String>("more"));
    EXPECT_FALSE(a[levels]->isEqual(*b[levels]));
    std::string text = a[levels]->description();
    EXPECT_LT(text.size(), std::size_t(4) << 20);
    EXPECT_NE(text.find("..."), std::string::npos);
    EXPECT_EQ(text.substr(0, 5), "((((("); // still the real structure up front
}

TEST(ValueCycles, DeepChainsStayOnTheStack)
{
    // Back references let an archive chain arrays far deeper than nesting allows.
    constexpr int length = 200000;
    std::vector<std::unique_ptr<Array>> a, b;
    for (int i = 0; i < length; ++i) {
        a.push_back(std::make_unique<Array>());
        b.push_back(std::make_unique<Array>());
        if (i) {
            a[i]->addObject(a[i - 1].get());
            b[i]->addObject(b[i - 1].get());
        }
    }
    EXPECT_TRUE(a.back()->isEqual(*a.back()));
    (void)a.back()->isEqual(*b.back()); // either answer, but an answer
    std::string text = a.back()->description();
    EXPECT_NE(text.find("(...)"), std::string::npos);
}

} // namespace
