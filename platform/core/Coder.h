#pragma once

// The coder that classes' encodeWithCoder/initWithCoder receive: an Archiver
// when writing, an Unarchiver when reading. A class writes a fixed sequence of
// units and reads back exactly the same sequence, with the same type strings.
//
// Byte layout (ours; integers little-endian, floats IEEE):
//
//   archive   := "SCRVTS" format(u8 = 1) unit*
//   unit      := types value...          one value per type in the type string
//   types     := string                  (shared; never the byte 0)
//   string    := varint 1, varint n, n bytes      first use, appended to the table
//              | varint k >= 2                     table entry k - 2
//   value     := c C B: 1 byte; s S: 2; i I l L: 4; q Q: 8; f: 4; d: 8
//              | * % : #: varint 0 (NULL) or varint n + 1, n bytes
//              | [N t]: N values of t;  {name=t...}: the fields in order
//              | @: object
//   object    := varint 0                          nil
//              | varint k >= 2                     back reference to object k - 2
//              | varint 1, class, unit..., varint 0 (end of the object's units)
//   class     := varint 0, string (name), i32 version   first use
//              | varint k >= 1                     class k - 1
//   varint    := unsigned LEB128, at most 10 bytes
//
// Objects are numbered in the order their records start, so an object can be
// referred back to while its own units are still being read (cycles). A
// one-value unit and a values unit of the same one-letter type are the same
// bytes. An array unit (encodeArrayOfObjCType of n elements of type t) has the
// type string "[nt]". Geometry units are "{Point=ff}", "{Size=ff}" and
// "{Rect={Point=ff}{Size=ff}}"; a byte block (encodeBytes) is "[c]" followed
// by varint n and n bytes.
//
// Strictness: a reader must ask for exactly the type string that was written,
// and a class's initWithCoder must read exactly the units its encodeWithCoder
// wrote (reading past its last unit, or leaving units unread, throws); the
// one exception is an initWithCoder that answers nullptr, after which the
// rest of the object's units are skipped.

#include "core/Exception.h"
#include "core/Geometry.h"
#include "core/Object.h"
#include "core/TypeEncoding.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>
#include <utility>
#include <vector>

namespace kit {

class Color;
using ColorRef = std::shared_ptr<const Color>;

// The version of the stored document a coder reads or writes. Idle: the
// coder carries no document (pasteboard data, copies), and decoders read the
// current form.
inline constexpr float OpenFileVersionIdle = -1000.0f;
inline constexpr float OpenFileVersionCurrent = 3.0f;

// True when decoders are to read the current form: idle, or 3.0 and above.
inline bool isCurrentFileVersion(float version)
{
    return version == OpenFileVersionIdle || version >= OpenFileVersionCurrent;
}

namespace coder_detail {

inline constexpr std::string_view Magic = "SCRVTS";
inline constexpr unsigned char FormatVersion = 1;
// The type string of a byte block unit (encodeBytes).
inline constexpr std::string_view BytesType = "[c]";

// True when the current thread has little stack left: object nesting stops
// there even below MaxObjectNesting, since classes' frames vary in size.
bool stackNearlyExhausted();

// How a C++ argument is laid out; checked at run time against the type letter.
enum class Cat : std::uint8_t { Char, SChar, UChar, Bool, I16, U16, I32, U32, I64, U64, F32, F64, Object, Struct, Raw };

struct Elem {
    Cat cat = Cat::Raw;
    std::size_t size = 0;
};

struct ArgRef {
    enum class Form : std::uint8_t { Value, String, CharArray, Object, Null };
    Form form = Form::Value;
    Elem elem;
    std::size_t count = 0; // Value, CharArray: 0 for one value, N for a C++ array of N
    const void* ptr = nullptr;
    std::string_view str; // String
    bool nil = false;     // String
    const Object* object = nullptr;
};

struct OutRef {
    enum class Form : std::uint8_t { Value, String, OptString };
    Form form = Form::Value;
    Elem elem;
    std::size_t count = 0;
    void* ptr = nullptr;
};

struct ShareMakers {
    // Takes ownership of a pooled object as a shared_ptr of the asked type.
    std::shared_ptr<Object> (*adopt)(Object*);
    // The existing shared_ptr of an object owned elsewhere, or nullptr.
    std::shared_ptr<Object> (*existing)(Object*);
};

template <class>
inline constexpr bool alwaysFalse = false;

template <class T>
struct IsStdArray : std::false_type {};
template <class E, std::size_t N>
struct IsStdArray<std::array<E, N>> : std::true_type {
    using Element = E;
    static constexpr std::size_t size = N;
};

template <class T>
struct SmartObject : std::false_type {};
template <class T>
struct SmartObject<std::unique_ptr<T>> : std::bool_constant<std::is_base_of_v<Object, std::remove_cv_t<T>>> {};
template <class T>
struct SmartObject<std::shared_ptr<T>> : std::bool_constant<std::is_base_of_v<Object, std::remove_cv_t<T>>> {};

template <class U>
inline constexpr bool isPlainStruct =
    std::is_class_v<U> && std::is_trivially_copyable_v<U> && !std::is_base_of_v<Object, U>;

template <class E>
constexpr Elem elemOf()
{
    using U = std::remove_cv_t<E>;
    if constexpr (std::is_same_v<U, bool>)
        return {Cat::Bool, 1};
    else if constexpr (std::is_same_v<U, char>)
        return {Cat::Char, 1};
    else if constexpr (std::is_same_v<U, signed char>)
        return {Cat::SChar, 1};
    else if constexpr (std::is_same_v<U, unsigned char>)
        return {Cat::UChar, 1};
    else if constexpr (std::is_same_v<U, wchar_t> || std::is_same_v<U, char8_t> || std::is_same_v<U, char16_t> ||
                       std::is_same_v<U, char32_t>)
        static_assert(alwaysFalse<U>, "wide characters have no type letter");
    else if constexpr (std::is_integral_v<U>) {
        constexpr bool s = std::is_signed_v<U>;
        if constexpr (sizeof(U) == 2)
            return {s ? Cat::I16 : Cat::U16, 2};
        else if constexpr (sizeof(U) == 4)
            return {s ? Cat::I32 : Cat::U32, 4};
        else
            return {s ? Cat::I64 : Cat::U64, 8};
    } else if constexpr (std::is_same_v<U, float>)
        return {Cat::F32, 4};
    else if constexpr (std::is_same_v<U, double>)
        return {Cat::F64, 8};
    else if constexpr (std::is_same_v<U, Object*> || std::is_same_v<U, const Object*>)
        return {Cat::Object, sizeof(void*)};
    else if constexpr (std::is_pointer_v<U>)
        static_assert(alwaysFalse<U>, "object members of arrays and structs must be declared Object* or const Object*");
    else if constexpr (std::is_array_v<U> || isPlainStruct<U>)
        return {Cat::Struct, sizeof(U)};
    else
        static_assert(alwaysFalse<U>, "not an archivable element type");
}

template <class T>
ArgRef argRef(const T& v)
{
    using U = std::remove_cv_t<T>;
    ArgRef a;
    if constexpr (std::is_same_v<U, std::nullptr_t>) {
        a.form = ArgRef::Form::Null;
    } else if constexpr (std::is_arithmetic_v<U>) {
        a.elem = elemOf<U>();
        a.ptr = &v;
    } else if constexpr (std::is_pointer_v<U>) {
        using P = std::remove_cv_t<std::remove_pointer_t<U>>;
        if constexpr (std::is_same_v<P, char>) {
            a.form = ArgRef::Form::String;
            a.nil = v == nullptr;
            if (v)
                a.str = v;
        } else if constexpr (std::is_void_v<P>) {
            a.elem = {Cat::Raw, 0};
            a.ptr = v;
        } else if constexpr (std::is_base_of_v<Object, P>) {
            a.form = ArgRef::Form::Object;
            a.object = v;
        } else if constexpr (std::is_array_v<P>) {
            a.elem = elemOf<std::remove_extent_t<P>>();
            a.count = std::extent_v<P>;
            a.ptr = v;
        } else if constexpr (isPlainStruct<P>) {
            a.elem = {Cat::Struct, sizeof(P)};
            a.ptr = v;
        } else {
            static_assert(alwaysFalse<U>, "not an archivable pointer argument");
        }
    } else if constexpr (std::is_same_v<U, std::string> || std::is_same_v<U, std::string_view>) {
        a.form = ArgRef::Form::String;
        a.str = v;
    } else if constexpr (std::is_same_v<U, std::optional<std::string>>) {
        a.form = ArgRef::Form::String;
        a.nil = !v.has_value();
        if (v)
            a.str = *v;
    } else if constexpr (SmartObject<U>::value) {
        a.form = ArgRef::Form::Object;
        a.object = v.get();
    } else if constexpr (std::is_array_v<U>) {
        using E = std::remove_cv_t<std::remove_extent_t<U>>;
        if constexpr (std::is_same_v<E, char>)
            a.form = ArgRef::Form::CharArray;
        a.elem = elemOf<E>();
        a.count = std::extent_v<U>;
        a.ptr = v;
    } else if constexpr (IsStdArray<U>::value) {
        a.elem = elemOf<typename IsStdArray<U>::Element>();
        a.count = IsStdArray<U>::size;
        a.ptr = v.data();
    } else if constexpr (isPlainStruct<U>) {
        a.elem = {Cat::Struct, sizeof(U)};
        a.ptr = &v;
    } else if constexpr (std::is_base_of_v<Object, U>) {
        static_assert(alwaysFalse<U>, "pass objects by pointer");
    } else {
        static_assert(alwaysFalse<U>, "not an archivable argument");
    }
    return a;
}

} // namespace coder_detail

// The coder interface. Encoding operations work on an Archiver, decoding
// operations on an Unarchiver; calling the other kind throws std::logic_error.
//
// Type checks: every C++ argument is checked at run time against its type
// letter, and a mismatch throws std::logic_error (a programming error, not a
// damaged file):
//   c C         char, signed char, unsigned char (int8_t, uint8_t)
//   B           bool
//   s S         short, unsigned short
//   i I l L     int, unsigned, int32_t, uint32_t ("l" is 32-bit; a C++ long
//               is refused)
//   q Q         int64_t, uint64_t, long long, unsigned long long
//   f d         float, double
//   @           encoding: a pointer to an Object (or subclass), a unique_ptr
//               or shared_ptr of one, or nullptr;
//               decoding: Object** (not owned), T** for a subclass T (the
//               stream's object must be a T), std::unique_ptr<T>* (claimed,
//               see claim) or std::shared_ptr<const T>* (see share)
//   * % : #     encoding: std::string, std::string_view, const char* (NULL is
//               nil), std::optional<std::string>, a char array holding a NUL,
//               or nullptr; decoding: std::optional<std::string>* (nil gives
//               nullopt) or std::string* (nil gives "")
//   [N t]       std::array<E, N> or E[N] whose E fits t (a pointer to one
//               works too); [Nc] also takes a char[N]
//   {name=...}  a trivially copyable struct whose members follow the type
//               string in order (its size is checked), passed by reference
//               or as a pointer
//   any         const void* / void*: raw bytes laid out as the type says
//               (unchecked; for generic code)
// Arrays and structs are read and written in memory by the x86-64 C layout
// of the type string (natural alignment); objects inside them are Object*
// members. C strings are not allowed inside arrays or structs.
//
// Example:
//   coder.encodeValuesOfObjCTypes("ssfcciff", firstPageNum_, pageNumberFormat_, pageScale_,
//                                 tile, sided, lastItemSerialNumber_, zoom, defaultTabSpacing_);
//   coder.decodeValuesOfObjCTypes("**sscc", &prefix, &suffix, &start, &other, &display, &upper);
class Coder {
public:
    // Objects nested inside objects deeper than this, or deeper than the
    // thread's stack allows (whichever comes first), are refused when writing
    // and when reading, so that hostile input cannot exhaust the stack.
    static constexpr int MaxObjectNesting = 10000;

    virtual ~Coder();
    Coder(const Coder&) = delete;
    Coder& operator=(const Coder&) = delete;

    // ---- Typed values.

    // One unit holding every value, with the type string once.
    template <class... Args>
    void encodeValuesOfObjCTypes(const char* types, const Args&... values)
    {
        static_assert(sizeof...(Args) > 0, "a unit needs at least one value");
        const coder_detail::ArgRef refs[] = {coder_detail::argRef(values)...};
        encodeValuesImpl(types, refs);
    }

    template <class... Args>
    void decodeValuesOfObjCTypes(const char* types, Args*... out)
    {
        static_assert(sizeof...(Args) > 0, "a unit needs at least one value");
        std::tuple<Out<Args>...> outs{Out<Args>(out)...};
        decodeTuple(types, outs, std::index_sequence_for<Args...>{});
    }

    // A unit of one value; the same bytes as encodeValuesOfObjCTypes with
    // that one type. Pass arrays by address (&flags for "[6c]").
    template <class T>
    void encodeValueOfObjCType(const char* type, const T* address)
    {
        if constexpr (std::is_void_v<T>)
            encodeValuesOfObjCTypes(type, address);
        else
            encodeValuesOfObjCTypes(type, *address);
    }

    template <class T>
    void decodeValueOfObjCType(const char* type, T* address)
    {
        decodeValuesOfObjCTypes(type, address);
    }

    // count elements of one type, as the unit "[count type]"; elements is
    // the first of count C++ elements (structs by their C layout).
    template <class T>
    void encodeArrayOfObjCType(const char* type, std::size_t count, const T* elements)
    {
        coder_detail::ArgRef a;
        if constexpr (std::is_void_v<T>)
            a.elem = {coder_detail::Cat::Raw, 0};
        else
            a.elem = coder_detail::elemOf<T>();
        a.count = count;
        a.ptr = elements;
        encodeArrayImpl(type, count, a);
    }

    template <class T>
    void decodeArrayOfObjCType(const char* type, std::size_t count, T* elements)
    {
        static_assert(!std::is_const_v<T>, "decoding needs writable elements");
        coder_detail::OutRef o;
        if constexpr (std::is_void_v<T>)
            o.elem = {coder_detail::Cat::Raw, 0};
        else
            o.elem = coder_detail::elemOf<T>();
        o.count = count;
        o.ptr = elements;
        decodeArrayImpl(type, count, o);
    }

    // Like decodeArrayOfObjCType into a new vector; a count that cannot fit
    // in the bytes left throws before anything is allocated.
    template <class T>
    std::vector<T> decodeVectorOfObjCType(const char* type, std::size_t count)
    {
        checkArrayCount(type, count);
        std::vector<T> v(count);
        decodeArrayOfObjCType(type, count, v.data());
        return v;
    }

    // A block of bytes in one unit.
    virtual void encodeBytes(std::string_view bytes);
    virtual std::string decodeBytes();

    void encodePoint(const Point& p);
    void encodeSize(const Size& s);
    void encodeRect(const Rect& r);
    Point decodePoint();
    Size decodeSize();
    Rect decodeRect();

    // ---- Objects.

    // The object in full where it first occurs in the archive, a back
    // reference afterwards; nullptr writes nil. Objects are recognised by
    // address: each must stay alive until the archive is finished (write a
    // temporary with encodeTemporaryObject instead).
    virtual void encodeObject(const Object* object);
    // An object made only to be written: always in full, and nothing can
    // refer back to it.
    virtual void encodeTemporaryObject(const Object& object);
    // Written only if some unconditional unit of the same archive writes the
    // object too (see Archiver for when that is known), else as nil.
    virtual void encodeConditionalObject(const Object* object);

    // The next object unit. The decoder keeps every object it makes in a pool
    // until someone claims it; this answer is not owned (for weak pointers
    // and conditional references) and stays valid while the decoder lives, or
    // after releaseUnclaimed while the receiver of those objects keeps them.
    virtual Object* decodeObject();

    // The next object unit, claimed (see claim). nil gives nullptr.
    template <class T>
    std::unique_ptr<T> decodeOwnedObject()
    {
        return claim<T>(decodeObject());
    }

    // The next object unit as a shared value (see share).
    template <class T>
    std::shared_ptr<const T> decodeSharedObject()
    {
        return share<T>(decodeObject());
    }

    // Takes an object out of the decoder's pool: the caller becomes its only
    // owner. Throws kit::Exception when the object is not a T, was claimed or
    // shared before, is owned elsewhere (an interned replacement), or would
    // end up owning itself (the claimer is taken to be the object whose
    // initWithCoder is running): a hostile stream cannot make two owners or
    // an ownership cycle. Claim from initWithCoder (or, for the root, from the
    // top level). A claimed object must outlive the decoding, since later
    // units may refer back to it.
    template <class T = Object>
    std::unique_ptr<T> claim(Object* object)
    {
        return claimFor<T>(object, nullptr);
    }
    // The same for an owner that is not the object being decoded (a
    // container claiming its elements).
    template <class T = Object>
    std::unique_ptr<T> claim(Object* object, const Object& owner)
    {
        return claimFor<T>(object, &owner);
    }

    // Turns a pooled object into a shared value: every later call for the same
    // object answers the same shared_ptr. An object owned elsewhere answers
    // its own shared_ptr (shared_from_this), as the shared named colours do.
    template <class T>
    std::shared_ptr<const T> share(Object* object)
    {
        if (!object)
            return nullptr;
        T* typed = dynamic_cast<T*>(object);
        if (!typed)
            wrongClass(object, typeid(T).name());
        coder_detail::ShareMakers makers{
            [](Object* o) -> std::shared_ptr<Object> { return std::shared_ptr<T>(dynamic_cast<T*>(o)); },
            [](Object* o) -> std::shared_ptr<Object> {
                if constexpr (requires(T& t) { t.shared_from_this(); }) {
                    // Aliasing: shares the existing owner, points at the object.
                    return std::shared_ptr<Object>(dynamic_cast<T*>(o)->shared_from_this(), o);
                } else {
                    return nullptr;
                }
            }};
        std::shared_ptr<Object> s = shareObject(object, makers);
        return std::shared_ptr<const T>(s, typed);
    }

    // For initWithCoder answering a replacement that the decoder should own:
    // hands it over and answers the pointer to return. A replacement not
    // handed over is taken to be owned elsewhere and is never deleted by the
    // decoder.
    virtual Object* adoptReplacement(std::unique_ptr<Object> replacement);

    // ---- Conveniences over whole objects.

    // A String object unit.
    void encodeString(const std::string& s);
    std::optional<std::string> decodeString();
    // An Array object unit of these elements (not owned by anyone after
    // decoding: they stay in the pool until claimed).
    void encodeArray(const std::vector<const Object*>& elements);
    std::optional<std::vector<Object*>> decodeArray();
    // A colour object unit; shared named colours stay the very same object.
    void encodeColor(const ColorRef& color);
    ColorRef decodeColor();

    // ---- Facts about the stream.

    // The stored document's version, which its root sets before its graph
    // is read or written; OpenFileVersionIdle until then, and for archives
    // that hold no document.
    float openFileVersion() const { return openFileVersion_; }
    void setOpenFileVersion(float version) { openFileVersion_ = version; }
    // Reading: the path of the document file being read, which its opener
    // sets (old documents were folders whose pictures lie beside the
    // archive); empty when not known.
    const std::string& documentPath() const { return documentPath_; }
    void setDocumentPath(std::string path) { documentPath_ = std::move(path); }

    // ---- State of this read or write.

    // The one object of type T that belongs to this coder's read (or write),
    // made on first use and destroyed with the coder. What the classes being
    // read share across objects (columns waiting for their flow) lives here,
    // never in the process, so that two archives can be read at once.
    template <class T>
    T& readContext()
    {
        auto it = readContexts_.find(std::type_index(typeid(T)));
        if (it == readContexts_.end())
            it = readContexts_.emplace(std::type_index(typeid(T)), std::make_shared<T>()).first;
        return *static_cast<T*>(it->second.get());
    }

    // Writing: the registered version of a class. Reading: the version stored
    // with a class met in the stream so far (by its archived or substituted
    // name). nullopt when unknown.
    virtual std::optional<int> versionForClassName(const std::string& className) const;

    // Reading: true when no bytes are left, or, inside an object's units,
    // when that object has no more units (so a class can read optional
    // trailing units).
    virtual bool isAtEnd() const;

    // Reading, inside an initWithCoder: passes over the object's units not
    // read yet (a form of the class this program does not know), so that the
    // object keeps what it read so far.
    virtual void skipRemainingUnits();

    // Reading: throws kit::ArchiverArchiveInconsistencyException when count
    // elements of type (an array unit), or count units of these types, could
    // not fit in the bytes left. Use before allocating by a stored count.
    virtual void checkArrayCount(const char* type, std::size_t count) const;
    virtual void checkUnitCount(const char* types, std::size_t count) const;

protected:
    Coder() = default;

    // The primitives: a unit whose values already matched their types.
    virtual void encodeUnit(std::string_view types, std::span<const TypeEncoding> items,
                            std::span<const coder_detail::ArgRef> values);
    virtual void decodeUnit(std::string_view types, std::span<const TypeEncoding> items,
                            std::span<const coder_detail::OutRef> out);
    // owner nullptr: the object whose initWithCoder is running, if any.
    virtual std::unique_ptr<Object> claimObject(Object* object, const Object* owner);
    virtual std::shared_ptr<Object> shareObject(Object* object, const coder_detail::ShareMakers& makers);

    // Parsed (and checked archivable) type strings, cached: a unit's type
    // string is parsed once per coder, however many units use it.
    const std::vector<TypeEncoding>& parsedTypes(std::string_view types) const;
    const std::vector<TypeEncoding>& parsedTypes(const char* types) const;
    [[noreturn]] void wrongCoder(const char* operation) const;

private:
    template <class A>
    class Out;

    template <class T>
    std::unique_ptr<T> claimFor(Object* object, const Object* owner)
    {
        if (!object)
            return nullptr;
        T* typed = dynamic_cast<T*>(object);
        if (!typed)
            wrongClass(object, typeid(T).name());
        std::unique_ptr<Object> owned = claimObject(object, owner);
        (void)owned.release();
        return std::unique_ptr<T>(typed);
    }

    template <class Tuple, std::size_t... I>
    void decodeTuple(const char* types, Tuple& outs, std::index_sequence<I...>)
    {
        const coder_detail::OutRef refs[] = {std::get<I>(outs).ref()...};
        decodeValuesImpl(types, refs);
        (std::get<I>(outs).finish(*this), ...);
    }

    void encodeValuesImpl(const char* types, std::span<const coder_detail::ArgRef> values);
    void decodeValuesImpl(const char* types, std::span<const coder_detail::OutRef> out);
    void encodeArrayImpl(const char* type, std::size_t count, const coder_detail::ArgRef& elements);
    void decodeArrayImpl(const char* type, std::size_t count, const coder_detail::OutRef& elements);
    [[noreturn]] static void wrongClass(const Object* object, const char* expected);

    struct TypeStringHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using TypeCache = std::unordered_map<std::string, std::vector<TypeEncoding>, TypeStringHash, std::equal_to<>>;
    const TypeCache::value_type& parsedEntry(std::string_view types) const;
    mutable TypeCache typeCache_;
    // The type strings of the program's own calls are literals: their
    // entries are found again by address (and checked by content, since an
    // address may hold another string later).
    struct TypeMemo {
        const char* address = nullptr;
        const TypeCache::value_type* entry = nullptr;
    };
    static constexpr std::size_t TypeMemoSize = 256;
    mutable std::array<TypeMemo, TypeMemoSize> typeMemo_{};
    // Array units of an element type and a count ("[12c]" for a word of
    // eleven letters): found again without making their type string.
    struct ArrayMemo {
        const char* element = nullptr;
        std::size_t count = 0;
        const TypeCache::value_type* entry = nullptr;
    };
    static constexpr std::size_t ArrayMemoSize = 64;
    mutable std::array<ArrayMemo, ArrayMemoSize> arrayMemo_{};
    const TypeCache::value_type& arrayEntry(const char* type, std::size_t count) const;
    float openFileVersion_ = OpenFileVersionIdle;
    std::string documentPath_;
    // Destroyed after a decoder's pool (a derived class's member), so that
    // objects going with the pool can still leave them.
    std::unordered_map<std::type_index, std::shared_ptr<void>> readContexts_;
};

// One output argument of decodeValuesOfObjCTypes.
template <class A>
class Coder::Out {
public:
    explicit Out(A* p) : p_(p) {}

    coder_detail::OutRef ref()
    {
        using namespace coder_detail;
        using U = std::remove_cv_t<A>;
        static_assert(!std::is_const_v<A>, "decoding needs writable outputs");
        if (!p_)
            throw std::logic_error("decodeValuesOfObjCTypes: a null output pointer");
        OutRef o;
        if constexpr (std::is_void_v<U>) {
            o.elem = {Cat::Raw, 0};
            o.ptr = p_;
        } else if constexpr (std::is_arithmetic_v<U>) {
            o.elem = elemOf<U>();
            o.ptr = p_;
        } else if constexpr (std::is_same_v<U, std::string>) {
            o.form = OutRef::Form::String;
            o.ptr = p_;
        } else if constexpr (std::is_same_v<U, std::optional<std::string>>) {
            o.form = OutRef::Form::OptString;
            o.ptr = p_;
        } else if constexpr (std::is_same_v<U, Object*>) {
            o.elem = {Cat::Object, sizeof(void*)};
            o.ptr = p_;
        } else if constexpr ((std::is_pointer_v<U> && std::is_base_of_v<Object, std::remove_cv_t<std::remove_pointer_t<U>>>) ||
                             SmartObject<U>::value) {
            o.elem = {Cat::Object, sizeof(void*)};
            o.ptr = &tmp_;
        } else if constexpr (std::is_array_v<U>) {
            o.elem = elemOf<std::remove_extent_t<U>>();
            o.count = std::extent_v<U>;
            o.ptr = *p_;
        } else if constexpr (IsStdArray<U>::value) {
            o.elem = elemOf<typename IsStdArray<U>::Element>();
            o.count = IsStdArray<U>::size;
            o.ptr = p_->data();
        } else if constexpr (isPlainStruct<U>) {
            o.elem = {Cat::Struct, sizeof(U)};
            o.ptr = p_;
        } else {
            static_assert(coder_detail::alwaysFalse<U>, "not a decodable output");
        }
        return o;
    }

    void finish(Coder& coder)
    {
        using U = std::remove_cv_t<A>;
        if constexpr (std::is_pointer_v<U> && !std::is_same_v<U, Object*> &&
                      std::is_base_of_v<Object, std::remove_cv_t<std::remove_pointer_t<U>>>) {
            using T = std::remove_pointer_t<U>;
            if (!tmp_) {
                *p_ = nullptr;
            } else {
                T* typed = dynamic_cast<T*>(tmp_);
                if (!typed)
                    wrongClass(tmp_, typeid(T).name());
                *p_ = typed;
            }
        } else if constexpr (coder_detail::SmartObject<U>::value) {
            using T = typename U::element_type;
            if constexpr (std::is_same_v<U, std::unique_ptr<T>>) {
                static_assert(!std::is_const_v<T>, "claim as unique_ptr<T>, not unique_ptr<const T>");
                *p_ = coder.claim<T>(tmp_);
            } else {
                static_assert(std::is_const_v<T>, "shared decoded objects are shared_ptr<const T>");
                *p_ = coder.share<std::remove_const_t<T>>(tmp_);
            }
        } else {
            (void)coder;
        }
    }

private:
    A* p_;
    Object* tmp_ = nullptr;
};

} // namespace kit
