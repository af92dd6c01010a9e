#include "core/Coder.h"

#include "core/Values.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cxxabi.h>
#include <pthread.h>
#include <cstdlib>
#include <csignal>
#include <cstring>

namespace kit {

using coder_detail::ArgRef;
using coder_detail::Cat;
using coder_detail::Elem;
using coder_detail::OutRef;
using Kind = TypeEncoding::Kind;

namespace {

const char* catName(Cat c)
{
    switch (c) {
    case Cat::Char: return "char";
    case Cat::SChar: return "signed char";
    case Cat::UChar: return "unsigned char";
    case Cat::Bool: return "bool";
    case Cat::I16: return "short";
    case Cat::U16: return "unsigned short";
    case Cat::I32: return "32-bit int";
    case Cat::U32: return "32-bit unsigned";
    case Cat::I64: return "64-bit int";
    case Cat::U64: return "64-bit unsigned";
    case Cat::F32: return "float";
    case Cat::F64: return "double";
    case Cat::Object: return "object pointer";
    case Cat::Struct: return "struct or array";
    case Cat::Raw: return "raw memory";
    }
    return "?";
}

bool letterFits(const TypeEncoding& t, Cat c)
{
    switch (t.kind()) {
    case Kind::Char:
    case Kind::UChar: return c == Cat::Char || c == Cat::SChar || c == Cat::UChar;
    case Kind::Bool: return c == Cat::Bool;
    case Kind::Short:
    case Kind::UShort: return c == Cat::I16 || c == Cat::U16;
    case Kind::Int:
    case Kind::UInt:
    case Kind::Long:
    case Kind::ULong: return c == Cat::I32 || c == Cat::U32;
    case Kind::LongLong:
    case Kind::ULongLong: return c == Cat::I64 || c == Cat::U64;
    case Kind::Float: return c == Cat::F32;
    case Kind::Double: return c == Cat::F64;
    default: return false;
    }
}

bool elemFits(const TypeEncoding& t, Elem e)
{
    switch (e.cat) {
    case Cat::Raw: return true;
    case Cat::Object: return t.kind() == Kind::Object;
    case Cat::Struct: return (t.kind() == Kind::Struct || t.kind() == Kind::Array) && t.size() == e.size;
    default: return letterFits(t, e.cat);
    }
}

std::string describe(Elem e, std::size_t count)
{
    std::string s = e.cat == Cat::Struct ? "a " + std::to_string(e.size) + "-byte struct or array" : catName(e.cat);
    if (count)
        s = "an array of " + std::to_string(count) + " " + s;
    return s;
}

[[noreturn]] void mismatch(const char* op, std::string_view types, std::size_t index, const std::string& what,
                           const TypeEncoding& t)
{
    throw std::logic_error(std::string(op) + "(\"" + std::string(types) + "\"): value " + std::to_string(index + 1) +
                           " (" + what + ") does not fit type " + t.toString());
}

// Checks a value held in memory (a scalar, a C++ array, a struct) against
// its type.
void checkMemory(const char* op, std::string_view types, std::size_t index, const TypeEncoding& t, Elem e,
                 std::size_t count, const void* ptr)
{
    bool fits = count == 0 ? elemFits(t, e)
                           : t.kind() == Kind::Array && t.count() == count && elemFits(t.element(), e);
    if (!fits)
        mismatch(op, types, index, describe(e, count), t);
    if (t.kind() != Kind::Object && t.containsStrings())
        throw std::logic_error(std::string(op) + "(\"" + std::string(types) +
                               "\"): C strings inside arrays or structs are not supported; pass them as values");
    if (!ptr && t.size() != 0)
        throw std::logic_error(std::string(op) + "(\"" + std::string(types) + "\"): value " +
                               std::to_string(index + 1) + " is a null pointer");
}

std::string arrayTypeString(const char* type, std::size_t count)
{
    std::string s = "[";
    s += std::to_string(count);
    s += type;
    s += ']';
    return s;
}

// An array unit: elements of the C++ type elem against the array's element
// type (any count, 0 included).
void checkArray(const char* op, std::string_view arrayType, const TypeEncoding& t, Elem e, const void* ptr)
{
    checkMemory(op, arrayType, 0, t.element(), e, 0, t.count() ? ptr : &t);
}

std::string demangle(const char* name)
{
    int status = 0;
    char* d = abi::__cxa_demangle(name, nullptr, nullptr, &status);
    std::string s = status == 0 && d ? d : name;
    std::free(d);
    return s;
}

constexpr const char* PointType = "{Point=ff}";
constexpr const char* SizeType = "{Size=ff}";
constexpr const char* RectType = "{Rect={Point=ff}{Size=ff}}";

} // namespace

bool coder_detail::stackNearlyExhausted()
{
    thread_local std::uintptr_t low = 0;
    thread_local std::uintptr_t high = 0;
    thread_local std::uintptr_t margin = 0;
    thread_local bool known = false;
    if (!known) {
        known = true;
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void* addr = nullptr;
            std::size_t size = 0;
            if (pthread_attr_getstack(&attr, &addr, &size) == 0) {
                low = reinterpret_cast<std::uintptr_t>(addr);
                high = low + size;
                // Room for one more class's frames and for throwing.
                margin = std::max<std::size_t>(256 * 1024, size / 8);
            }
            pthread_attr_destroy(&attr);
        }
    }
    if (!low)
        return false;
    auto here = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0));
    if (here >= low && here < high)
        return here < low + margin;
    // A signal handler on its own stack (the crash save) measures that one.
    stack_t alternate{};
    if (::sigaltstack(nullptr, &alternate) == 0 && (alternate.ss_flags & SS_ONSTACK)) {
        const auto base = reinterpret_cast<std::uintptr_t>(alternate.ss_sp);
        return here < base + std::max<std::size_t>(64 * 1024, alternate.ss_size / 8);
    }
    return here < low + margin;
}

Coder::~Coder() = default;

void Coder::wrongCoder(const char* operation) const
{
    throw std::logic_error(std::string(operation) + " is not available on this coder (an Archiver only writes, an "
                                                    "Unarchiver only reads)");
}

void Coder::wrongClass(const Object* object, const char* expected)
{
    Exception::raise(ArchiverArchiveInconsistencyException,
                     "expected an object of class " + demangle(expected) + ", found one of class " +
                         object->className());
}

const Coder::TypeCache::value_type& Coder::parsedEntry(std::string_view types) const
{
    auto it = typeCache_.find(types);
    if (it != typeCache_.end())
        return *it;
    std::vector<TypeEncoding> list;
    try {
        list = TypeEncoding::parseList(types);
    } catch (const std::invalid_argument& e) {
        throw std::logic_error(e.what());
    }
    for (const auto& t : list)
        if (!t.isArchivable())
            throw std::logic_error("type " + t.toString() + " in \"" + std::string(types) +
                                   "\" cannot be archived (pointers, bit fields, unknown or empty structs)");
    return *typeCache_.emplace(std::string(types), std::move(list)).first;
}

const std::vector<TypeEncoding>& Coder::parsedTypes(std::string_view types) const
{
    return parsedEntry(types).second;
}

const std::vector<TypeEncoding>& Coder::parsedTypes(const char* types) const
{
    const auto address = reinterpret_cast<std::uintptr_t>(types);
    TypeMemo& memo = typeMemo_[std::size_t((std::uint64_t(address) * 0x9E3779B97F4A7C15ull) >> 56) % TypeMemoSize];
    if (memo.address == types && std::strcmp(memo.entry->first.c_str(), types) == 0)
        return memo.entry->second;
    const TypeCache::value_type& entry = parsedEntry(types);
    memo = {types, &entry};
    return entry.second;
}

void Coder::encodeValuesImpl(const char* types, std::span<const ArgRef> values)
{
    static constexpr const char* op = "encodeValuesOfObjCTypes";
    if (!types)
        throw std::logic_error("encodeValuesOfObjCTypes: no type string");
    const auto& items = parsedTypes(types);
    if (items.size() != values.size())
        throw std::logic_error(std::string(op) + "(\"" + types + "\"): " + std::to_string(items.size()) +
                               " types but " + std::to_string(values.size()) + " values");
    // Normalised in a copy; units have a few values, so it lives on the stack.
    constexpr std::size_t Inline = 16;
    std::array<ArgRef, Inline> inlineNorm;
    std::vector<ArgRef> heapNorm;
    std::span<ArgRef> norm;
    if (values.size() <= Inline) {
        std::copy(values.begin(), values.end(), inlineNorm.begin());
        norm = std::span<ArgRef>(inlineNorm.data(), values.size());
    } else {
        heapNorm.assign(values.begin(), values.end());
        norm = heapNorm;
    }
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TypeEncoding& t = items[i];
        ArgRef& a = norm[i];
        switch (a.form) {
        case ArgRef::Form::Null:
            if (t.isString()) {
                a.form = ArgRef::Form::String;
                a.nil = true;
            } else if (t.kind() == Kind::Object) {
                a.form = ArgRef::Form::Object;
                a.object = nullptr;
            } else {
                mismatch(op, types, i, "nullptr", t);
            }
            break;
        case ArgRef::Form::String:
            if (!t.isString())
                mismatch(op, types, i, "a string", t);
            break;
        case ArgRef::Form::Object:
            if (t.kind() != Kind::Object)
                mismatch(op, types, i, "an object", t);
            break;
        case ArgRef::Form::CharArray:
            if (t.isString()) {
                const char* p = static_cast<const char*>(a.ptr);
                const void* nul = std::memchr(p, 0, a.count);
                if (!nul)
                    throw std::logic_error(std::string(op) + "(\"" + types + "\"): value " + std::to_string(i + 1) +
                                           " is a char array without a NUL");
                a.form = ArgRef::Form::String;
                a.str = std::string_view(p, std::size_t(static_cast<const char*>(nul) - p));
            } else {
                a.form = ArgRef::Form::Value;
                checkMemory(op, types, i, t, a.elem, a.count, a.ptr);
            }
            break;
        case ArgRef::Form::Value:
            checkMemory(op, types, i, t, a.elem, a.count, a.ptr);
            break;
        }
    }
    encodeUnit(types, items, norm);
}

void Coder::decodeValuesImpl(const char* types, std::span<const OutRef> out)
{
    static constexpr const char* op = "decodeValuesOfObjCTypes";
    if (!types)
        throw std::logic_error("decodeValuesOfObjCTypes: no type string");
    const auto& items = parsedTypes(types);
    if (items.size() != out.size())
        throw std::logic_error(std::string(op) + "(\"" + types + "\"): " + std::to_string(items.size()) +
                               " types but " + std::to_string(out.size()) + " outputs");
    for (std::size_t i = 0; i < items.size(); ++i) {
        const TypeEncoding& t = items[i];
        const OutRef& o = out[i];
        if (o.form != OutRef::Form::Value) {
            if (!t.isString())
                mismatch(op, types, i, "a string", t);
        } else {
            checkMemory(op, types, i, t, o.elem, o.count, o.ptr);
        }
    }
    decodeUnit(types, items, out);
}

const Coder::TypeCache::value_type& Coder::arrayEntry(const char* type, std::size_t count) const
{
    const auto address = std::uint64_t(reinterpret_cast<std::uintptr_t>(type));
    ArrayMemo& memo = arrayMemo_[std::size_t(((address ^ (count * 0x9E3779B97F4A7C15ull)) * 0x9E3779B97F4A7C15ull) >> 58) %
                                 ArrayMemoSize];
    // The entry's own "[count type]" is checked against the text at the
    // address, which may hold another string now.
    if (memo.element == type && memo.count == count) {
        const std::string_view known = memo.entry->first;
        std::size_t n = 0;
        const char* digits = known.data() + 1;
        const auto [end, error] = std::from_chars(digits, known.data() + known.size(), n);
        const std::size_t at = std::size_t(end - known.data());
        if (known.front() == '[' && error == std::errc() && n == count && known.back() == ']' &&
            known.substr(at, known.size() - at - 1) == std::string_view(type))
            return *memo.entry;
    }
    const TypeCache::value_type& entry = parsedEntry(arrayTypeString(type, count));
    memo = {type, count, &entry};
    return entry;
}

void Coder::encodeArrayImpl(const char* type, std::size_t count, const ArgRef& elements)
{
    if (!type)
        throw std::logic_error("encodeArrayOfObjCType: no type string");
    const TypeCache::value_type& entry = arrayEntry(type, count);
    const std::string& arrayType = entry.first;
    const auto& items = entry.second;
    if (items.size() != 1)
        throw std::logic_error("encodeArrayOfObjCType: \"" + std::string(type) + "\" is not one type");
    checkArray("encodeArrayOfObjCType", arrayType, items[0], elements.elem, elements.ptr);
    encodeUnit(arrayType, items, std::span<const ArgRef>(&elements, 1));
}

void Coder::decodeArrayImpl(const char* type, std::size_t count, const OutRef& elements)
{
    if (!type)
        throw std::logic_error("decodeArrayOfObjCType: no type string");
    const TypeCache::value_type& entry = arrayEntry(type, count);
    const std::string& arrayType = entry.first;
    const auto& items = entry.second;
    if (items.size() != 1)
        throw std::logic_error("decodeArrayOfObjCType: \"" + std::string(type) + "\" is not one type");
    checkArray("decodeArrayOfObjCType", arrayType, items[0], elements.elem, elements.ptr);
    decodeUnit(arrayType, items, std::span<const OutRef>(&elements, 1));
}

// The defaults: the operations of the other kind of coder.

void Coder::encodeUnit(std::string_view, std::span<const TypeEncoding>, std::span<const ArgRef>)
{
    wrongCoder("encoding");
}

void Coder::decodeUnit(std::string_view, std::span<const TypeEncoding>, std::span<const OutRef>)
{
    wrongCoder("decoding");
}

void Coder::encodeBytes(std::string_view) { wrongCoder("encodeBytes"); }
std::string Coder::decodeBytes() { wrongCoder("decodeBytes"); }
void Coder::encodeObject(const Object*) { wrongCoder("encodeObject"); }
void Coder::encodeConditionalObject(const Object*) { wrongCoder("encodeConditionalObject"); }
void Coder::encodeTemporaryObject(const Object&) { wrongCoder("encodeObject"); }
Object* Coder::decodeObject() { wrongCoder("decodeObject"); }
Object* Coder::adoptReplacement(std::unique_ptr<Object>) { wrongCoder("adoptReplacement"); }
std::unique_ptr<Object> Coder::claimObject(Object*, const Object*) { wrongCoder("claim"); }
std::shared_ptr<Object> Coder::shareObject(Object*, const coder_detail::ShareMakers&) { wrongCoder("share"); }
std::optional<int> Coder::versionForClassName(const std::string&) const { return std::nullopt; }
bool Coder::isAtEnd() const { wrongCoder("isAtEnd"); }
void Coder::skipRemainingUnits() { wrongCoder("skipRemainingUnits"); }
void Coder::checkArrayCount(const char*, std::size_t) const { wrongCoder("checkArrayCount"); }
void Coder::checkUnitCount(const char*, std::size_t) const { wrongCoder("checkUnitCount"); }

// Geometry.

void Coder::encodePoint(const Point& p) { encodeValuesOfObjCTypes(PointType, p); }
void Coder::encodeSize(const Size& s) { encodeValuesOfObjCTypes(SizeType, s); }
void Coder::encodeRect(const Rect& r) { encodeValuesOfObjCTypes(RectType, r); }

Point Coder::decodePoint()
{
    Point p;
    decodeValuesOfObjCTypes(PointType, &p);
    return p;
}

Size Coder::decodeSize()
{
    Size s;
    decodeValuesOfObjCTypes(SizeType, &s);
    return s;
}

Rect Coder::decodeRect()
{
    Rect r;
    decodeValuesOfObjCTypes(RectType, &r);
    return r;
}

// Whole-object conveniences.

void Coder::encodeString(const std::string& s)
{
    String value(s);
    encodeTemporaryObject(value);
}

std::optional<std::string> Coder::decodeString()
{
    Object* o = decodeObject();
    if (!o)
        return std::nullopt;
    auto* s = dynamic_cast<String*>(o);
    if (!s)
        wrongClass(o, typeid(String).name());
    return s->value();
}

void Coder::encodeArray(const std::vector<const Object*>& elements)
{
    Array array;
    for (const Object* e : elements)
        array.addObject(const_cast<Object*>(e));
    encodeTemporaryObject(array);
}

std::optional<std::vector<Object*>> Coder::decodeArray()
{
    Object* o = decodeObject();
    if (!o)
        return std::nullopt;
    auto* a = dynamic_cast<Array*>(o);
    if (!a)
        wrongClass(o, typeid(Array).name());
    return a->objects();
}

} // namespace kit
