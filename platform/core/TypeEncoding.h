#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

// One type of a type-encoding string ("i", "[6c]", "{?=fsc}", "^{?}", ...)
// with the C layout it stands for on x86-64 (natural alignment, 8-byte
// pointers; "l"/"L" stay 32-bit, as the stored form expects). The coder uses
// the layout to read and write structs and arrays that callers pass as
// memory.
//
// Letters: c C B s S i I l L q Q f d, @ (object), * (C string), % (atom, a
// uniqued C string), : (selector), # (class), [N type], {name=types} or
// {name} (no field list: only usable behind a pointer), ^type, bN (a bit
// field of N bits in unsigned int storage), ? (unknown, e.g. a function).
class TypeEncoding {
public:
    enum class Kind : std::uint8_t {
        Char, UChar, Bool, Short, UShort, Int, UInt, Long, ULong, LongLong, ULongLong, Float, Double,
        Object, CString, Atom, Selector, Class,
        Array, Struct, Pointer, Bitfield, Unknown,
    };

    // Exactly one type; throws std::invalid_argument on anything else.
    static TypeEncoding parse(std::string_view type);
    // One or more types in a row, as in "ssfcciff" or "%@s"; throws
    // std::invalid_argument when empty or malformed.
    static std::vector<TypeEncoding> parseList(std::string_view types);

    Kind kind() const { return kind_; }
    char letter() const { return letter_; }
    // Elements of an array; bits of a bit field.
    std::uint64_t count() const { return count_; }
    // A struct's name ("?" when anonymous).
    const std::string& name() const { return name_; }
    // Struct fields, or the one element of an array, or the one pointee.
    const std::vector<TypeEncoding>& members() const { return members_; }
    const TypeEncoding& element() const { return members_.front(); }

    std::size_t size() const { return size_; }
    std::size_t alignment() const { return alignment_; }
    // Byte offset inside the enclosing struct (or 0); for a bit field, the
    // offset of its bits is offset() * 8 + bitOffset().
    std::size_t offset() const { return offset_; }
    unsigned bitOffset() const { return bitOffset_; }
    // False for a struct without a field list and anything holding one by
    // value: it has no usable layout.
    bool isComplete() const { return complete_; }

    bool isScalar() const { return kind_ <= Kind::Double; }
    // A string-like value: "*", "%", ":" and "#" are all carried as C strings.
    bool isString() const { return kind_ >= Kind::CString && kind_ <= Kind::Class; }
    // Everything the archiver can carry: no pointers, bit fields, unknowns or
    // incomplete or empty structs anywhere inside.
    bool isArchivable() const;
    // A string anywhere inside, pointees apart (known from parsing).
    bool containsStrings() const { return hasStrings_; }

    // The type spelled back as a type-encoding string.
    std::string toString() const;

private:
    friend class TypeParser;
    Kind kind_ = Kind::Unknown;
    char letter_ = '?';
    std::uint64_t count_ = 0;
    std::string name_;
    bool hasFields_ = false;
    bool complete_ = true;
    bool hasStrings_ = false;
    std::vector<TypeEncoding> members_;
    std::size_t size_ = 0;
    std::size_t alignment_ = 1;
    std::size_t offset_ = 0;
    unsigned bitOffset_ = 0;
};

} // namespace kit
