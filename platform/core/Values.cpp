#include "core/Values.h"

#include "core/Coder.h"
#include "core/Color.h"
#include "core/Exception.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <ctime>
#include <set>
#include <stdexcept>

namespace kit {

namespace {

[[noreturn]] void damaged(const std::string& why)
{
    Exception::raise(ArchiverArchiveInconsistencyException, why);
}

std::string shortest(double v)
{
    char buf[32];
    auto res = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, res.ptr);
}

bool equalOrBoth(const Object* a, const Object* b)
{
    if (a == b)
        return true;
    return a && b && a->isEqual(*b);
}

// The stored form lets arrays and dictionaries hold themselves, and lets one
// value appear many times, so that a plain recursive walk may never end, may
// exhaust the stack, or may take time exponential in the size of the archive.
// Every recursive walk over containers goes through one of these guards.
constexpr int MaxWalkDepth = 512;
constexpr long MaxEqualitySteps = 1000000;
constexpr std::size_t MaxDescriptionLength = 1u << 20;

// Equality is co-inductive: a pair of containers met again while it is being
// compared, or already compared in the same walk, counts as equal (two
// cycles of equal values are equal). Keys looked up in a dictionary are tried
// one after the other, so what a failed try assumed is forgotten again.
struct EqualityWalk {
    std::set<std::pair<const Object*, const Object*>> assumed;
    std::vector<std::pair<const Object*, const Object*>> trail;
    int depth = 0;
    long steps = 0;
};
thread_local EqualityWalk* equalityWalk = nullptr;

template <class Body>
bool containersEqual(const Object* a, const Object* b, Body elementsEqual)
{
    EqualityWalk own;
    bool outermost = !equalityWalk;
    if (outermost)
        equalityWalk = &own;
    struct Leave {
        bool outermost;
        ~Leave()
        {
            if (outermost)
                equalityWalk = nullptr;
        }
    } leave{outermost};
    EqualityWalk& w = *equalityWalk;
    auto pair = std::make_pair(a, b);
    if (w.assumed.count(pair))
        return true;
    // Beyond these bounds only identical containers are equal.
    if (w.depth >= MaxWalkDepth || ++w.steps > MaxEqualitySteps || coder_detail::stackNearlyExhausted())
        return false;
    w.assumed.insert(pair);
    w.trail.push_back(pair);
    ++w.depth;
    struct Depth {
        int& depth;
        ~Depth() { --depth; }
    } depth{w.depth};
    return elementsEqual();
}

std::size_t equalityMark()
{
    return equalityWalk ? equalityWalk->trail.size() : 0;
}

void forgetAssumptionsSince(std::size_t mark)
{
    if (!equalityWalk)
        return;
    EqualityWalk& w = *equalityWalk;
    while (w.trail.size() > mark) {
        w.assumed.erase(w.trail.back());
        w.trail.pop_back();
    }
}

// Descriptions mark a container met again inside itself, or nested too
// deeply, with an ellipsis, and stop with one once the text grows too long
// (each level counts what it appends, so the count never falls short).
struct DescriptionWalk {
    std::vector<const Object*> open;
    std::size_t length = 0;
};
thread_local DescriptionWalk* descriptionWalk = nullptr;

template <class Body>
std::string describeContainer(const Object* container, const char* elided, Body describeElements)
{
    DescriptionWalk own;
    bool outermost = !descriptionWalk;
    if (outermost)
        descriptionWalk = &own;
    struct Leave {
        bool outermost;
        ~Leave()
        {
            if (outermost)
                descriptionWalk = nullptr;
        }
    } leave{outermost};
    DescriptionWalk& w = *descriptionWalk;
    if (std::find(w.open.begin(), w.open.end(), container) != w.open.end() || w.open.size() >= MaxWalkDepth ||
        w.length > MaxDescriptionLength || coder_detail::stackNearlyExhausted())
        return elided;
    w.open.push_back(container);
    struct Close {
        std::vector<const Object*>& open;
        ~Close() { open.pop_back(); }
    } close{w.open};
    return describeElements();
}

// Appends one part of a container's description, or an ellipsis once the
// whole description is long enough; false when nothing more should follow.
// The limit is checked before the part is made, so that the part that
// crossed it is still shown whole.
template <class Part>
bool appendDescribed(std::string& s, Part makePart)
{
    DescriptionWalk* w = descriptionWalk;
    if (w && w->length > MaxDescriptionLength) {
        s += "...";
        return false;
    }
    const std::string part = makePart();
    s += part;
    if (w)
        w->length += part.size();
    return true;
}

std::string describe(const Object* o)
{
    return o ? o->description() : "(nil)";
}

} // namespace

void registerValueClasses()
{
    static bool done = false;
    if (done)
        return;
    done = true;
    registerClass<String>("String");
    registerClass<Number>("Number");
    registerClass<Date>("Date");
    registerClass<Data>("Data");
    registerClass<Array>("Array");
    registerClass<Dictionary>("Dictionary");
    registerClass<Color>("Color");
}

// String

void String::encodeWithCoder(Coder& coder) const
{
    coder.encodeValuesOfObjCTypes("*", value_);
}

Object* String::initWithCoder(Coder& coder)
{
    coder.decodeValuesOfObjCTypes("*", &value_);
    return this;
}

bool String::isEqual(const Object& other) const
{
    auto* o = dynamic_cast<const String*>(&other);
    return o && o->value_ == value_;
}

// Number

std::int64_t Number::longLongValue() const
{
    switch (kind()) {
    case Kind::Integer: return std::get<std::int64_t>(value_);
    case Kind::Boolean: return std::get<bool>(value_) ? 1 : 0;
    case Kind::Real: {
        double d = std::get<double>(value_);
        // Out-of-range and NaN conversions are undefined in C++; clamp them.
        if (!(d == d))
            return 0;
        if (d >= 9223372036854775807.0)
            return INT64_MAX;
        if (d <= -9223372036854775808.0)
            return INT64_MIN;
        return std::int64_t(d);
    }
    }
    return 0;
}

double Number::doubleValue() const
{
    switch (kind()) {
    case Kind::Integer: return double(std::get<std::int64_t>(value_));
    case Kind::Boolean: return std::get<bool>(value_) ? 1.0 : 0.0;
    case Kind::Real: return std::get<double>(value_);
    }
    return 0.0;
}

bool Number::boolValue() const
{
    return kind() == Kind::Real ? std::get<double>(value_) != 0.0 : longLongValue() != 0;
}

void Number::encodeWithCoder(Coder& coder) const
{
    char k = char(kind());
    coder.encodeValueOfObjCType("c", &k);
    switch (kind()) {
    case Kind::Integer: coder.encodeValueOfObjCType("q", &std::get<std::int64_t>(value_)); break;
    case Kind::Real: coder.encodeValueOfObjCType("d", &std::get<double>(value_)); break;
    case Kind::Boolean: coder.encodeValueOfObjCType("B", &std::get<bool>(value_)); break;
    }
}

Object* Number::initWithCoder(Coder& coder)
{
    char k = 0;
    coder.decodeValueOfObjCType("c", &k);
    switch (Kind(k)) {
    case Kind::Integer: {
        std::int64_t v = 0;
        coder.decodeValueOfObjCType("q", &v);
        value_ = v;
        break;
    }
    case Kind::Real: {
        double v = 0;
        coder.decodeValueOfObjCType("d", &v);
        value_ = v;
        break;
    }
    case Kind::Boolean: {
        bool v = false;
        coder.decodeValueOfObjCType("B", &v);
        value_ = v;
        break;
    }
    default:
        damaged("unknown kind of number " + std::to_string(int(k)));
    }
    return this;
}

bool Number::isEqual(const Object& other) const
{
    auto* o = dynamic_cast<const Number*>(&other);
    if (!o)
        return false;
    bool realA = kind() == Kind::Real, realB = o->kind() == Kind::Real;
    if (!realA && !realB)
        return longLongValue() == o->longLongValue();
    if (realA && realB)
        return std::get<double>(value_) == std::get<double>(o->value_);
    // An integer equals a real only when the real is exactly that integer.
    double d = realA ? std::get<double>(value_) : std::get<double>(o->value_);
    std::int64_t i = realA ? o->longLongValue() : longLongValue();
    return d >= -9223372036854775808.0 && d < 9223372036854775808.0 && std::int64_t(d) == i && double(i) == d;
}

std::string Number::description() const
{
    switch (kind()) {
    case Kind::Integer: return std::to_string(std::get<std::int64_t>(value_));
    case Kind::Boolean: return std::get<bool>(value_) ? "1" : "0";
    case Kind::Real: return shortest(std::get<double>(value_));
    }
    return {};
}

// Date

void Date::encodeWithCoder(Coder& coder) const
{
    coder.encodeValueOfObjCType("d", &seconds_);
}

Object* Date::initWithCoder(Coder& coder)
{
    coder.decodeValueOfObjCType("d", &seconds_);
    return this;
}

bool Date::isEqual(const Object& other) const
{
    auto* o = dynamic_cast<const Date*>(&other);
    return o && o->seconds_ == seconds_;
}

std::string Date::description() const
{
    double whole = std::floor(seconds_);
    // Beyond what time_t and struct tm hold the plain number is all we can say.
    if (!(whole > -6.0e16 && whole < 6.0e16))
        return shortest(seconds_);
    std::time_t t = std::time_t(whole);
    std::tm tm{};
    if (!gmtime_r(&t, &tm))
        return shortest(seconds_);
    char buf[64];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S +0000", &tm);
    return buf;
}

// Data

void Data::encodeWithCoder(Coder& coder) const
{
    coder.encodeBytes(bytes_);
}

Object* Data::initWithCoder(Coder& coder)
{
    bytes_ = coder.decodeBytes();
    return this;
}

bool Data::isEqual(const Object& other) const
{
    auto* o = dynamic_cast<const Data*>(&other);
    return o && o->bytes_ == bytes_;
}

std::string Data::description() const
{
    static const char hex[] = "0123456789abcdef";
    std::string s = "<";
    for (std::size_t i = 0; i < bytes_.size(); ++i) {
        if (i && i % 4 == 0)
            s += ' ';
        auto b = static_cast<unsigned char>(bytes_[i]);
        s += hex[b >> 4];
        s += hex[b & 15];
    }
    return s + ">";
}

// Array

Array::~Array() = default;

void Array::addObject(Object* object)
{
    if (!object)
        throw std::logic_error("Array: nil cannot be added");
    items_.push_back(object);
}

Object* Array::addOwnedObject(std::unique_ptr<Object> object)
{
    Object* raw = object.get();
    addObject(raw);
    owned_.push_back(std::move(object));
    return raw;
}

void Array::insertObject(Object* object, std::size_t index)
{
    if (!object)
        throw std::logic_error("Array: nil cannot be added");
    if (index > items_.size())
        throw std::out_of_range("Array: index beyond the end");
    items_.insert(items_.begin() + std::ptrdiff_t(index), object);
}

std::unique_ptr<Object> Array::release(Object* object)
{
    if (std::find(items_.begin(), items_.end(), object) != items_.end())
        return nullptr;
    auto it = std::find_if(owned_.begin(), owned_.end(), [&](const auto& p) { return p.get() == object; });
    if (it == owned_.end())
        return nullptr;
    std::unique_ptr<Object> out = std::move(*it);
    owned_.erase(it);
    return out;
}

std::unique_ptr<Object> Array::removeObjectAt(std::size_t index)
{
    Object* o = items_.at(index);
    items_.erase(items_.begin() + std::ptrdiff_t(index));
    return release(o);
}

bool Array::ownsObject(const Object* object) const
{
    return std::any_of(owned_.begin(), owned_.end(), [&](const auto& p) { return p.get() == object; });
}

std::size_t Array::indexOfObjectIdenticalTo(const Object* object) const
{
    return std::size_t(std::find(items_.begin(), items_.end(), object) - items_.begin());
}

void Array::claimElements(Coder& coder)
{
    for (Object* o : items_)
        if (!ownsObject(o))
            owned_.push_back(coder.claim(o, *this));
}

void Array::encodeWithCoder(Coder& coder) const
{
    int n = int(items_.size());
    coder.encodeValueOfObjCType("i", &n);
    for (Object* o : items_)
        coder.encodeObject(o);
}

Object* Array::initWithCoder(Coder& coder)
{
    int n = 0;
    coder.decodeValueOfObjCType("i", &n);
    if (n < 0)
        damaged("negative array count");
    coder.checkUnitCount("@", std::size_t(n));
    items_.reserve(std::size_t(n));
    for (int i = 0; i < n; ++i) {
        Object* o = coder.decodeObject();
        if (!o)
            damaged("nil element in an array");
        items_.push_back(o);
    }
    return this;
}

bool Array::isEqual(const Object& other) const
{
    auto* o = dynamic_cast<const Array*>(&other);
    if (!o || o->items_.size() != items_.size())
        return false;
    if (o == this)
        return true;
    return containersEqual(this, o, [&] {
        for (std::size_t i = 0; i < items_.size(); ++i)
            if (!equalOrBoth(items_[i], o->items_[i]))
                return false;
        return true;
    });
}

std::string Array::description() const
{
    return describeContainer(this, "(...)", [&] {
        std::string s = "(";
        for (std::size_t i = 0; i < items_.size(); ++i) {
            if (i)
                s += ", ";
            if (!appendDescribed(s, [&] { return describe(items_[i]); }))
                break;
        }
        return s + ")";
    });
}

// Dictionary

Dictionary::~Dictionary() = default;

std::size_t Dictionary::find(const Object& key) const
{
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        std::size_t mark = equalityMark();
        if (entries_[i].first->isEqual(key))
            return i;
        forgetAssumptionsSince(mark);
    }
    return entries_.size();
}

Object* Dictionary::objectForKey(const Object& key) const
{
    std::size_t i = find(key);
    return i < entries_.size() ? entries_[i].second : nullptr;
}

void Dictionary::dropIfUnused(Object* object)
{
    for (const auto& entry : entries_)
        if (entry.first == object || entry.second == object)
            return;
    std::erase_if(owned_, [&](const auto& p) { return p.get() == object; });
}

void Dictionary::setObject(Object* value, Object* key)
{
    if (!value || !key)
        throw std::logic_error("Dictionary: nil key or value");
    std::size_t i = find(*key);
    if (i == entries_.size()) {
        entries_.emplace_back(key, value);
        return;
    }
    Object* old = entries_[i].second;
    entries_[i].second = value;
    if (old != value)
        dropIfUnused(old);
}

void Dictionary::setObject(Object* value, std::unique_ptr<Object> ownedKey)
{
    Object* key = ownedKey.get();
    if (!key)
        throw std::logic_error("Dictionary: nil key");
    bool isNew = find(*key) == entries_.size();
    setObject(value, key);
    // An equal key already present stays; the new one is not needed.
    if (isNew)
        owned_.push_back(std::move(ownedKey));
}

void Dictionary::setOwnedObject(std::unique_ptr<Object> value, std::unique_ptr<Object> ownedKey)
{
    Object* v = value.get();
    if (!v)
        throw std::logic_error("Dictionary: nil value");
    owned_.push_back(std::move(value));
    setObject(v, std::move(ownedKey));
}

void Dictionary::removeObjectForKey(const Object& key)
{
    std::size_t i = find(key);
    if (i == entries_.size())
        return;
    auto [k, v] = entries_[i];
    entries_.erase(entries_.begin() + std::ptrdiff_t(i));
    dropIfUnused(k);
    if (v != k)
        dropIfUnused(v);
}

void Dictionary::claimKeys(Coder& coder)
{
    for (const auto& entry : entries_) {
        Object* k = entry.first;
        if (std::none_of(owned_.begin(), owned_.end(), [k](const auto& p) { return p.get() == k; }))
            owned_.push_back(coder.claim(k, *this));
    }
}

void Dictionary::claimValues(Coder& coder)
{
    for (const auto& entry : entries_) {
        Object* v = entry.second;
        if (std::none_of(owned_.begin(), owned_.end(), [v](const auto& p) { return p.get() == v; }))
            owned_.push_back(coder.claim(v, *this));
    }
}

void Dictionary::encodeWithCoder(Coder& coder) const
{
    int n = int(entries_.size());
    coder.encodeValueOfObjCType("i", &n);
    for (const auto& [k, v] : entries_)
        coder.encodeValuesOfObjCTypes("@@", k, v);
}

Object* Dictionary::initWithCoder(Coder& coder)
{
    int n = 0;
    coder.decodeValueOfObjCType("i", &n);
    if (n < 0)
        damaged("negative dictionary count");
    coder.checkUnitCount("@@", std::size_t(n));
    for (int i = 0; i < n; ++i) {
        Object* k = nullptr;
        Object* v = nullptr;
        coder.decodeValuesOfObjCTypes("@@", &k, &v);
        if (!k || !v)
            damaged("nil key or value in a dictionary");
        setObject(v, k);
    }
    return this;
}

bool Dictionary::isEqual(const Object& other) const
{
    auto* o = dynamic_cast<const Dictionary*>(&other);
    if (!o || o->entries_.size() != entries_.size())
        return false;
    if (o == this)
        return true;
    return containersEqual(this, o, [&] {
        for (const auto& [k, v] : entries_)
            if (!equalOrBoth(v, o->objectForKey(*k)))
                return false;
        return true;
    });
}

std::string Dictionary::description() const
{
    return describeContainer(this, "{...}", [&] {
        std::string s = "{";
        for (const auto& entry : entries_) {
            if (!appendDescribed(s, [&] { return describe(entry.first) + " = "; }) ||
                !appendDescribed(s, [&] { return describe(entry.second) + "; "; }))
                break;
        }
        return s + "}";
    });
}

} // namespace kit
