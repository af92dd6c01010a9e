#include "core/Archiver.h"

#include "core/FileManager.h"
#include "core/Values.h"

#include <cstring>

namespace kit {

using coder_detail::ArgRef;
using Kind = TypeEncoding::Kind;

namespace {

template <class U>
U load(const unsigned char* p)
{
    U v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

} // namespace

class ArchiverDepth {
public:
    explicit ArchiverDepth(int& depth) : depth_(depth)
    {
        if (depth_ >= Coder::MaxObjectNesting)
            Exception::raise(InternalInconsistencyException, "an object graph nested deeper than " +
                                                                 std::to_string(Coder::MaxObjectNesting) +
                                                                 " objects cannot be archived");
        if (coder_detail::stackNearlyExhausted())
            Exception::raise(InternalInconsistencyException,
                             "an object graph nested deeper than the stack allows cannot be archived");
        ++depth_;
    }
    ~ArchiverDepth() { --depth_; }
    ArchiverDepth(const ArchiverDepth&) = delete;
    ArchiverDepth& operator=(const ArchiverDepth&) = delete;

private:
    int& depth_;
};

Archiver::Archiver()
{
    registerValueClasses();
    out_.append(coder_detail::Magic);
    out_.push_back(char(coder_detail::FormatVersion));
}

Archiver::~Archiver() = default;

std::string Archiver::archivedDataWithRootObject(const Object* root)
{
    Archiver a;
    a.encodeRootObject(root);
    return std::move(a.out_);
}

bool Archiver::archiveRootObject(const Object* root, const std::string& path)
{
    return FileManager::writeFileAtomically(path, std::string_view(archivedDataWithRootObject(root)));
}

void Archiver::encodeRootObject(const Object* root)
{
    if (depth_ > 0 || noting_)
        throw std::logic_error("encodeRootObject inside an object's encodeWithCoder");
    noting_ = true;
    // A pass that fails leaves its marks unfinished: the next pass has a
    // number of its own.
    const std::uint32_t pass = ++notingPass_;
    try {
        putObject(root, false);
    } catch (...) {
        noting_ = false;
        throw;
    }
    noting_ = false;
    objects_.forEachValue([pass](ObjectMark& mark) {
        if (mark.notedPass == pass)
            mark.unconditional = true;
    });
    encodeObject(root);
}

std::optional<int> Archiver::versionForClassName(const std::string& className) const
{
    if (!ClassRegistry::isRegistered(className))
        return std::nullopt;
    return ClassRegistry::versionOf(className);
}

void Archiver::putByte(unsigned char b)
{
    if (!noting_)
        out_.push_back(char(b));
}

void Archiver::putVarint(std::uint64_t v)
{
    if (noting_)
        return;
    char bytes[10];
    std::size_t n = 0;
    while (v >= 0x80) {
        bytes[n++] = char(static_cast<unsigned char>(v | 0x80));
        v >>= 7;
    }
    bytes[n++] = char(static_cast<unsigned char>(v));
    out_.append(bytes, n);
}

void Archiver::putFixed(std::uint64_t v, int bytes)
{
    if (noting_)
        return;
    char little[8];
    for (int i = 0; i < bytes; ++i)
        little[i] = char(static_cast<unsigned char>(v >> (8 * i)));
    out_.append(little, std::size_t(bytes));
}

void Archiver::putSharedString(std::string_view s)
{
    if (noting_)
        return;
    const auto address = std::uint64_t(reinterpret_cast<std::uintptr_t>(s.data()));
    SharedMemo& memo = sharedMemo_[std::size_t((address * 0x9E3779B97F4A7C15ull) >> 58) % SharedMemoSize];
    // The text is compared too: the same address may hold another string now.
    if (memo.data == s.data() && memo.text == s) {
        putVarint(2 + memo.index);
        return;
    }
    std::uint64_t index = 0;
    if (auto it = strings_.find(s); it != strings_.end()) {
        index = it->second;
        putVarint(2 + index);
    } else {
        putVarint(1);
        putVarint(s.size());
        out_.append(s);
        index = strings_.size();
        strings_.emplace(std::string(s), index);
    }
    memo.data = s.data();
    memo.text.assign(s);
    memo.index = index;
}

void Archiver::putCString(bool nil, std::string_view s)
{
    if (noting_)
        return;
    if (nil) {
        putVarint(0);
        return;
    }
    putVarint(std::uint64_t(s.size()) + 1);
    out_.append(s);
}

void Archiver::putMemory(const TypeEncoding& t, const unsigned char* base)
{
    switch (t.kind()) {
    case Kind::Char:
    case Kind::UChar: putByte(base[0]); break;
    case Kind::Bool: putByte(base[0] != 0 ? 1 : 0); break;
    case Kind::Short:
    case Kind::UShort: putFixed(load<std::uint16_t>(base), 2); break;
    case Kind::Int:
    case Kind::UInt:
    case Kind::Long:
    case Kind::ULong:
    case Kind::Float: putFixed(load<std::uint32_t>(base), 4); break;
    case Kind::LongLong:
    case Kind::ULongLong:
    case Kind::Double: putFixed(load<std::uint64_t>(base), 8); break;
    case Kind::Object: putObject(load<const Object*>(base), false); break;
    case Kind::Array:
        // Letters: byte for byte, as the reader takes them.
        if (t.element().kind() == Kind::Char || t.element().kind() == Kind::UChar) {
            if (!noting_)
                out_.append(reinterpret_cast<const char*>(base), std::size_t(t.count()));
            break;
        }
        for (std::uint64_t i = 0; i < t.count(); ++i)
            putMemory(t.element(), base + i * t.element().size());
        break;
    case Kind::Struct:
        for (const auto& f : t.members())
            putMemory(f, base + f.offset());
        break;
    default:
        // Strings in memory, pointers and bit fields were refused when the
        // arguments were checked.
        throw std::logic_error("type " + t.toString() + " cannot be written from memory");
    }
}

void Archiver::encodeUnit(std::string_view types, std::span<const TypeEncoding> items, std::span<const ArgRef> values)
{
    putSharedString(types);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const ArgRef& a = values[i];
        switch (a.form) {
        case ArgRef::Form::String: putCString(a.nil, a.str); break;
        case ArgRef::Form::Object: putObject(a.object, false); break;
        case ArgRef::Form::Value: putMemory(items[i], static_cast<const unsigned char*>(a.ptr)); break;
        default: throw std::logic_error("encodeUnit: unchecked argument");
        }
    }
}

void Archiver::encodeObject(const Object* object)
{
    putSharedString("@");
    putObject(object, false);
}

void Archiver::encodeConditionalObject(const Object* object)
{
    putSharedString("@");
    putObject(object, true);
}

void Archiver::encodeTemporaryObject(const Object& object)
{
    if (noting_) {
        ArchiverDepth depth(depth_);
        object.encodeWithCoder(*this);
        return;
    }
    putSharedString("@");
    ++nextObject_;
    putVarint(1);
    putObjectBody(object);
}

void Archiver::encodeBytes(std::string_view bytes)
{
    if (noting_)
        return;
    putSharedString(coder_detail::BytesType);
    putVarint(bytes.size());
    out_.append(bytes);
}

void Archiver::putObject(const Object* object, bool conditional)
{
    if (noting_) {
        if (!object || conditional)
            return;
        ObjectMark& mark = objects_[object];
        if (mark.notedPass == notingPass_)
            return;
        mark.notedPass = notingPass_;
        ArchiverDepth depth(depth_);
        object->encodeWithCoder(*this);
        return;
    }
    if (!object) {
        putVarint(0);
        return;
    }
    ObjectMark* mark = objects_.find(object);
    if (mark && mark->written) {
        putVarint(2 + (mark->written - 1));
        return;
    }
    if (conditional && !(mark && mark->unconditional)) {
        putVarint(0);
        return;
    }
    // Registered before its units so that references back from inside its
    // own graph (cycles) become back references.
    (mark ? *mark : objects_[object]).written = ++nextObject_;
    putVarint(1);
    putObjectBody(*object);
}

void Archiver::putObjectBody(const Object& object)
{
    const std::string name = object.className();
    if (auto it = classes_.find(name); it != classes_.end()) {
        putVarint(1 + it->second);
    } else {
        if (!ClassRegistry::isRegistered(name))
            throw std::logic_error("class \"" + name + "\" is not registered and could not be read back");
        putVarint(0);
        putSharedString(name);
        putFixed(std::uint32_t(ClassRegistry::versionOf(name)), 4);
        std::uint64_t index = classes_.size();
        classes_.emplace(name, index);
    }
    ArchiverDepth depth(depth_);
    object.encodeWithCoder(*this);
    putVarint(0);
}

} // namespace kit
