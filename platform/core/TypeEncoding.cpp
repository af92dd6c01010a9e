#include "core/TypeEncoding.h"

#include <algorithm>
#include <stdexcept>

namespace kit {

namespace {

// Type strings come from program code, but the decoder also parses stored
// ones, so nesting and sizes are bounded.
constexpr int MaxNesting = 64;
constexpr std::uint64_t MaxArrayCount = 0xFFFFFFFFu;
constexpr std::size_t MaxLayoutSize = std::size_t(1) << 40;

std::size_t roundUp(std::size_t v, std::size_t a)
{
    return (v + a - 1) / a * a;
}

} // namespace

class TypeParser {
public:
    explicit TypeParser(std::string_view s) : s_(s) {}

    bool atEnd() const { return pos_ >= s_.size(); }

    TypeEncoding parseOne(int depth)
    {
        if (depth > MaxNesting)
            fail("nested too deeply");
        if (atEnd())
            fail("a type is missing");
        TypeEncoding t;
        char c = s_[pos_++];
        t.letter_ = c;
        using K = TypeEncoding::Kind;
        switch (c) {
        case 'c': scalar(t, K::Char, 1); break;
        case 'C': scalar(t, K::UChar, 1); break;
        case 'B': scalar(t, K::Bool, 1); break;
        case 's': scalar(t, K::Short, 2); break;
        case 'S': scalar(t, K::UShort, 2); break;
        case 'i': scalar(t, K::Int, 4); break;
        case 'I': scalar(t, K::UInt, 4); break;
        case 'l': scalar(t, K::Long, 4); break;
        case 'L': scalar(t, K::ULong, 4); break;
        case 'q': scalar(t, K::LongLong, 8); break;
        case 'Q': scalar(t, K::ULongLong, 8); break;
        case 'f': scalar(t, K::Float, 4); break;
        case 'd': scalar(t, K::Double, 8); break;
        case '@': scalar(t, K::Object, 8); break;
        case '*': scalar(t, K::CString, 8); t.hasStrings_ = true; break;
        case '%': scalar(t, K::Atom, 8); t.hasStrings_ = true; break;
        case ':': scalar(t, K::Selector, 8); t.hasStrings_ = true; break;
        case '#': scalar(t, K::Class, 8); t.hasStrings_ = true; break;
        case '?': t.kind_ = K::Unknown; t.complete_ = false; break;
        case '^': {
            t.kind_ = K::Pointer;
            t.members_.push_back(parseOne(depth + 1));
            t.size_ = t.alignment_ = 8;
            break;
        }
        case 'b': {
            t.kind_ = K::Bitfield;
            t.count_ = number();
            if (t.count_ > 32)
                fail("bit field wider than its unsigned int storage");
            t.alignment_ = 4;
            break;
        }
        case '[': parseArray(t, depth); break;
        case '{': parseStruct(t, depth); break;
        default:
            --pos_;
            fail(std::string("unknown type letter '") + c + "'");
        }
        return t;
    }

    [[noreturn]] void fail(const std::string& why) const
    {
        throw std::invalid_argument("bad type encoding \"" + std::string(s_) + "\" at " + std::to_string(pos_) +
                                    ": " + why);
    }

private:
    static void scalar(TypeEncoding& t, TypeEncoding::Kind k, std::size_t size)
    {
        t.kind_ = k;
        t.size_ = t.alignment_ = size;
    }

    std::uint64_t number()
    {
        if (atEnd() || s_[pos_] < '0' || s_[pos_] > '9')
            fail("a number is missing");
        std::uint64_t n = 0;
        while (!atEnd() && s_[pos_] >= '0' && s_[pos_] <= '9') {
            n = n * 10 + std::uint64_t(s_[pos_++] - '0');
            if (n > MaxArrayCount)
                fail("number too large");
        }
        return n;
    }

    void parseArray(TypeEncoding& t, int depth)
    {
        t.kind_ = TypeEncoding::Kind::Array;
        t.count_ = number();
        TypeEncoding e = parseOne(depth + 1);
        if (e.kind_ == TypeEncoding::Kind::Bitfield)
            fail("an array of bit fields");
        if (atEnd() || s_[pos_] != ']')
            fail("']' expected");
        ++pos_;
        t.complete_ = e.complete_;
        t.hasStrings_ = e.hasStrings_;
        t.alignment_ = e.alignment_;
        if (e.size_ != 0 && t.count_ > MaxLayoutSize / e.size_)
            fail("array too large");
        t.size_ = e.size_ * t.count_;
        t.members_.push_back(std::move(e));
    }

    void parseStruct(TypeEncoding& t, int depth)
    {
        t.kind_ = TypeEncoding::Kind::Struct;
        std::size_t start = pos_;
        while (!atEnd() && s_[pos_] != '=' && s_[pos_] != '}') {
            char c = s_[pos_];
            if (c == '{' || c == '[' || c == ']')
                fail("bad struct name");
            ++pos_;
        }
        if (atEnd())
            fail("'}' expected");
        t.name_ = std::string(s_.substr(start, pos_ - start));
        if (t.name_.empty())
            fail("struct without a name");
        if (s_[pos_] == '}') {
            ++pos_;
            t.complete_ = false;
            return;
        }
        ++pos_; // '='
        t.hasFields_ = true;
        std::size_t bits = 0;
        std::size_t align = 1;
        while (!atEnd() && s_[pos_] != '}') {
            TypeEncoding f = parseOne(depth + 1);
            if (!f.complete_)
                t.complete_ = false;
            if (f.hasStrings_)
                t.hasStrings_ = true;
            if (f.kind_ == TypeEncoding::Kind::Bitfield) {
                // GCC's rule for unsigned int bit fields: a field never
                // straddles its 32-bit storage unit; width 0 closes the unit.
                if (f.count_ == 0 || (bits % 32) + f.count_ > 32)
                    bits = roundUp(bits, 32);
                f.offset_ = bits / 32 * 4;
                f.bitOffset_ = unsigned(bits % 32);
                bits += f.count_;
                align = std::max<std::size_t>(align, 4);
            } else {
                std::size_t off = roundUp((bits + 7) / 8, f.alignment_);
                f.offset_ = off;
                bits = (off + f.size_) * 8;
                align = std::max(align, f.alignment_);
            }
            if (bits / 8 > MaxLayoutSize)
                fail("struct too large");
            t.members_.push_back(std::move(f));
        }
        if (atEnd())
            fail("'}' expected");
        ++pos_;
        t.alignment_ = align;
        t.size_ = roundUp((bits + 7) / 8, align);
    }

    std::string_view s_;
    std::size_t pos_ = 0;
};

TypeEncoding TypeEncoding::parse(std::string_view type)
{
    TypeParser p(type);
    TypeEncoding t = p.parseOne(0);
    if (!p.atEnd())
        p.fail("more than one type");
    return t;
}

std::vector<TypeEncoding> TypeEncoding::parseList(std::string_view types)
{
    TypeParser p(types);
    std::vector<TypeEncoding> list;
    do
        list.push_back(p.parseOne(0));
    while (!p.atEnd());
    return list;
}

bool TypeEncoding::isArchivable() const
{
    switch (kind_) {
    case Kind::Pointer:
    case Kind::Bitfield:
    case Kind::Unknown:
        return false;
    case Kind::Struct:
        if (!hasFields_ || members_.empty() || !complete_)
            return false;
        break;
    default:
        break;
    }
    for (const auto& m : members_)
        if (!m.isArchivable())
            return false;
    return true;
}


std::string TypeEncoding::toString() const
{
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on chains
    // of string temporaries.
    std::string s;
    switch (kind_) {
    case Kind::Array:
        s += '[';
        s += std::to_string(count_);
        s += element().toString();
        s += ']';
        break;
    case Kind::Struct:
        s += '{';
        s += name_;
        if (hasFields_) {
            s += '=';
            for (const auto& m : members_)
                s += m.toString();
        }
        s += '}';
        break;
    case Kind::Pointer:
        s += '^';
        s += element().toString();
        break;
    case Kind::Bitfield:
        s += 'b';
        s += std::to_string(count_);
        break;
    default:
        s += letter_;
    }
    return s;
}

} // namespace kit
