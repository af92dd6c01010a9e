#include "core/Unarchiver.h"

#include "core/Color.h"
#include "core/Values.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <limits>

namespace kit {

using coder_detail::OutRef;
using Kind = TypeEncoding::Kind;

namespace {

// Stored type strings are parsed only when a unit must be skipped; real ones
// are a few letters, so a long one is damage, not data.
constexpr std::size_t MaxSkippedTypeLength = 4096;

constexpr std::uint64_t Saturated = std::numeric_limits<std::uint64_t>::max();

// The fewest bytes a value of the type takes in the stream.
std::uint64_t minEncodedSize(const TypeEncoding& t)
{
    switch (t.kind()) {
    case Kind::Char:
    case Kind::UChar:
    case Kind::Bool: return 1;
    case Kind::Short:
    case Kind::UShort: return 2;
    case Kind::Int:
    case Kind::UInt:
    case Kind::Long:
    case Kind::ULong:
    case Kind::Float: return 4;
    case Kind::LongLong:
    case Kind::ULongLong:
    case Kind::Double: return 8;
    case Kind::Object:
    case Kind::CString:
    case Kind::Atom:
    case Kind::Selector:
    case Kind::Class: return 1;
    case Kind::Array: {
        std::uint64_t m = minEncodedSize(t.element());
        if (m != 0 && t.count() > Saturated / m)
            return Saturated;
        return m * t.count();
    }
    case Kind::Struct: {
        std::uint64_t sum = 0;
        for (const auto& f : t.members()) {
            std::uint64_t m = minEncodedSize(f);
            if (m > Saturated - sum)
                return Saturated;
            sum += m;
        }
        return sum;
    }
    default: return 0;
    }
}

} // namespace

Unarchiver::Unarchiver(std::string data) : owned_(std::move(data))
{
    data_ = owned_;
    readHeader();
}

Unarchiver::Unarchiver(std::string_view data, BorrowBytes) : data_(data) { readHeader(); }

void Unarchiver::readHeader()
{
    registerValueClasses();
    const std::size_t header = coder_detail::Magic.size() + 1;
    if (data_.size() < header || data_.substr(0, coder_detail::Magic.size()) != coder_detail::Magic)
        Exception::raise(ArchiverArchiveInconsistencyException, "not an archive");
    auto version = static_cast<unsigned char>(data_[coder_detail::Magic.size()]);
    if (version != coder_detail::FormatVersion)
        Exception::raise(ArchiverArchiveInconsistencyException,
                         "archive format " + std::to_string(version) + " is not supported");
    pos_ = header;
}

Unarchiver::~Unarchiver() = default;

void Unarchiver::damaged(const std::string& why) const
{
    Exception::raise(ArchiverArchiveInconsistencyException, why + " (at byte " + std::to_string(pos_) + ")");
}

void Unarchiver::checkNotFailed() const
{
    if (failed_)
        damaged("an earlier read of this archive failed");
}

void Unarchiver::need(std::uint64_t n) const
{
    if (n > remaining())
        damaged("the archive ends too early");
}

unsigned char Unarchiver::getByte()
{
    need(1);
    return static_cast<unsigned char>(data_[pos_++]);
}

std::uint64_t Unarchiver::getVarint()
{
    std::uint64_t v = 0;
    for (int shift = 0;; shift += 7) {
        unsigned char b = getByte();
        if (shift == 63 && (b & 0xFE))
            damaged("a number too large");
        v |= std::uint64_t(b & 0x7F) << shift;
        if (!(b & 0x80))
            return v;
    }
}

std::uint64_t Unarchiver::getFixed(int bytes)
{
    need(std::uint64_t(bytes));
    std::uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v |= std::uint64_t(static_cast<unsigned char>(data_[pos_ + std::size_t(i)])) << (8 * i);
    pos_ += std::size_t(bytes);
    return v;
}

const std::string& Unarchiver::getSharedString(std::uint64_t ref)
{
    if (ref == 1) {
        std::uint64_t n = getVarint();
        need(n);
        strings_.emplace_back(data_.substr(pos_, std::size_t(n)));
        pos_ += std::size_t(n);
        return strings_.back();
    }
    if (ref < 2 || ref - 2 >= strings_.size())
        damaged("a reference to a shared string that does not exist");
    return strings_[std::size_t(ref - 2)];
}

const std::string& Unarchiver::getUnitTypes()
{
    std::uint64_t ref = getVarint();
    if (ref == 0) {
        if (depth_ > 0)
            damaged("a class reads more units than its object holds");
        damaged("an end-of-object marker outside any object");
    }
    return getSharedString(ref);
}

std::optional<std::string> Unarchiver::getCString()
{
    std::uint64_t v = getVarint();
    if (v == 0)
        return std::nullopt;
    need(v - 1);
    std::string s(data_.substr(pos_, std::size_t(v - 1)));
    pos_ += std::size_t(v - 1);
    return s;
}

void Unarchiver::getMemory(const TypeEncoding& t, unsigned char* base)
{
    switch (t.kind()) {
    case Kind::Char:
    case Kind::UChar: base[0] = getByte(); break;
    case Kind::Bool: {
        bool b = getByte() != 0;
        std::memcpy(base, &b, 1);
        break;
    }
    case Kind::Short:
    case Kind::UShort: {
        auto v = std::uint16_t(getFixed(2));
        std::memcpy(base, &v, 2);
        break;
    }
    case Kind::Int:
    case Kind::UInt:
    case Kind::Long:
    case Kind::ULong:
    case Kind::Float: {
        auto v = std::uint32_t(getFixed(4));
        std::memcpy(base, &v, 4);
        break;
    }
    case Kind::LongLong:
    case Kind::ULongLong:
    case Kind::Double: {
        std::uint64_t v = getFixed(8);
        std::memcpy(base, &v, 8);
        break;
    }
    case Kind::Object: {
        Object* o = getObject();
        std::memcpy(base, &o, sizeof o);
        break;
    }
    case Kind::Array: {
        const TypeEncoding& e = t.element();
        // Letters: byte for byte as stored.
        if (e.kind() == Kind::Char || e.kind() == Kind::UChar) {
            need(t.count());
            std::memcpy(base, data_.data() + pos_, std::size_t(t.count()));
            pos_ += std::size_t(t.count());
            break;
        }
        std::uint64_t m = minEncodedSize(e);
        if (m == 0)
            break;
        if (t.count() > remaining() / m)
            damaged("an array longer than the bytes left");
        for (std::uint64_t i = 0; i < t.count(); ++i)
            getMemory(e, base + i * e.size());
        break;
    }
    case Kind::Struct:
        for (const auto& f : t.members())
            getMemory(f, base + f.offset());
        break;
    default:
        throw std::logic_error("type " + t.toString() + " cannot be read into memory");
    }
}

void Unarchiver::skipValue(const TypeEncoding& t)
{
    switch (t.kind()) {
    case Kind::Object: getObject(); break;
    case Kind::CString:
    case Kind::Atom:
    case Kind::Selector:
    case Kind::Class: getCString(); break;
    case Kind::Array: {
        std::uint64_t m = minEncodedSize(t.element());
        if (m == 0)
            break;
        if (t.count() > remaining() / m)
            damaged("an array longer than the bytes left");
        for (std::uint64_t i = 0; i < t.count(); ++i)
            skipValue(t.element());
        break;
    }
    case Kind::Struct:
        for (const auto& f : t.members())
            skipValue(f);
        break;
    default: {
        std::uint64_t n = minEncodedSize(t);
        need(n);
        pos_ += std::size_t(n);
    }
    }
}

void Unarchiver::skipUnit(std::uint64_t ref)
{
    std::string types = getSharedString(ref);
    if (types == coder_detail::BytesType) {
        std::uint64_t n = getVarint();
        need(n);
        pos_ += std::size_t(n);
        return;
    }
    if (types.size() > MaxSkippedTypeLength)
        damaged("a type string too long to be real");
    std::vector<TypeEncoding> list;
    try {
        list = TypeEncoding::parseList(types);
    } catch (const std::invalid_argument& e) {
        damaged(e.what());
    }
    for (const auto& t : list) {
        if (!t.isArchivable())
            damaged("a unit of type " + t.toString() + ", which no archive holds");
        skipValue(t);
    }
}

void Unarchiver::skipRestOfObject()
{
    for (;;) {
        std::uint64_t ref = getVarint();
        if (ref == 0)
            return;
        skipUnit(ref);
    }
}

void Unarchiver::skipRemainingUnits()
{
    checkNotFailed();
    try {
        while (depth_ > 0 && !isAtEnd())
            skipUnit(getVarint());
    } catch (...) {
        failed_ = true;
        throw;
    }
}

std::size_t Unarchiver::getClass()
{
    std::uint64_t ref = getVarint();
    if (ref >= 1) {
        if (ref - 1 >= classes_.size())
            damaged("a reference to a class that does not exist");
        return std::size_t(ref - 1);
    }
    std::uint64_t nameRef = getVarint();
    if (nameRef == 0)
        damaged("a class without a name");
    ClassInfo info;
    info.archivedName = getSharedString(nameRef);
    info.version = int(std::int32_t(std::uint32_t(getFixed(4))));
    info.className = classNameDecodedForArchiveClassName(info.archivedName);
    info.factory = ClassRegistry::factoryOf(info.className);
    if (!info.factory)
        damaged("class not found: \"" + info.className + "\"");
    versions_[info.archivedName] = info.version;
    versions_[info.className] = info.version;
    classes_.push_back(std::move(info));
    return classes_.size() - 1;
}

std::size_t Unarchiver::pool(std::unique_ptr<Object> object, bool fresh)
{
    // A factory's new object cannot be one the decoder holds; a replacement
    // an object answered might.
    if (!fresh) {
        const Entry* old = entryFor(object.get());
        if (old && (old->state == State::Pooled || old->state == State::Shared))
            throw std::logic_error("an object handed to the decoder twice");
    }
    if (entries_.size() >= std::size_t(NotShared) - 1)
        damaged("too many objects");
    const Object* key = object.get();
    entries_.push_back(Entry{std::move(object), key});
    return entries_.size() - 1;
}

void Unarchiver::indexEntries()
{
    // In pool order, so that an address made again answers its latest
    // entry (the earlier object there was claimed or released and freed).
    entryIndex_.reserve(entries_.size());
    for (; indexed_ < entries_.size(); ++indexed_)
        entryIndex_[entries_[indexed_].key] = std::uint32_t(indexed_ + 1);
}

Unarchiver::Entry* Unarchiver::entryFor(const Object* object)
{
    if (!object)
        return nullptr;
    // Most objects are taken just after they were made. An entry that still
    // holds its object is the latest for that address (another object there
    // would have needed this one freed).
    const std::size_t recent = std::min<std::size_t>(entries_.size(), RecentEntries);
    for (std::size_t i = entries_.size(); i > entries_.size() - recent; --i)
        if (entries_[i - 1].object.get() == object)
            return &entries_[i - 1];
    // The table catches up only when it is asked, filling many slots in one
    // loop instead of one between every two objects read.
    indexEntries();
    const std::uint32_t* index = entryIndex_.find(object);
    return index && *index ? &entries_[*index - 1] : nullptr;
}

Object* Unarchiver::getObject()
{
    std::uint64_t tag = getVarint();
    if (tag == 0)
        return nullptr;
    if (tag >= 2) {
        if (tag - 2 >= objects_.size())
            damaged("a back reference to an object not read yet");
        return objects_[std::size_t(tag - 2)];
    }
    if (depth_ >= MaxObjectNesting)
        damaged("objects nested deeper than " + std::to_string(MaxObjectNesting));
    if (coder_detail::stackNearlyExhausted())
        damaged("objects nested deeper than the stack allows");
    const std::size_t classIndex = getClass();
    std::unique_ptr<Object> made = (*classes_[classIndex].factory)();
    if (!made)
        damaged("class not found: \"" + classes_[classIndex].className + "\"");
    Object* raw = made.get();
    // Numbered and pooled before its units are read, so that the units can
    // refer back to it (cycles) and it cannot be claimed from inside itself.
    std::size_t index = objects_.size();
    objects_.push_back(raw);
    const std::size_t entry = pool(std::move(made), true);
    entries_[entry].inProgress = true;

    struct Decoding {
        Unarchiver& u;
        Decoding(Unarchiver& un, const Object* o, std::size_t e) : u(un)
        {
            u.decoding_.push_back({o, e});
            ++u.depth_;
        }
        ~Decoding()
        {
            u.decoding_.pop_back();
            --u.depth_;
        }
    } decoding(*this, raw, entry);

    Object* result = raw->initWithCoder(*this);
    objects_[index] = result;
    entries_[entry].inProgress = false;
    if (!result) {
        skipRestOfObject();
    } else if (getVarint() != 0) {
        damaged("class \"" + classes_[classIndex].className + "\" reads fewer units than its object holds");
    }
    return result;
}

// An exception leaving any read marks the decoder failed (checkNotFailed).

void Unarchiver::decodeUnit(std::string_view types, std::span<const TypeEncoding> items, std::span<const OutRef> out)
{
    checkNotFailed();
    try {
        const std::string& stored = getUnitTypes();
        if (stored != types)
            damaged("a unit of type \"" + stored + "\" where \"" + std::string(types) + "\" was expected");
        for (std::size_t i = 0; i < items.size(); ++i) {
            const OutRef& o = out[i];
            switch (o.form) {
            case OutRef::Form::String: *static_cast<std::string*>(o.ptr) = getCString().value_or(std::string()); break;
            case OutRef::Form::OptString: *static_cast<std::optional<std::string>*>(o.ptr) = getCString(); break;
            case OutRef::Form::Value: getMemory(items[i], static_cast<unsigned char*>(o.ptr)); break;
            }
        }
    } catch (...) {
        failed_ = true;
        throw;
    }
}

Object* Unarchiver::decodeObject()
{
    checkNotFailed();
    try {
        const std::string& stored = getUnitTypes();
        if (stored != "@")
            damaged("a unit of type \"" + stored + "\" where an object was expected");
        return getObject();
    } catch (...) {
        failed_ = true;
        throw;
    }
}

std::string Unarchiver::decodeBytes()
{
    checkNotFailed();
    try {
        const std::string& stored = getUnitTypes();
        if (stored != coder_detail::BytesType)
            damaged("a unit of type \"" + stored + "\" where bytes were expected");
        std::uint64_t n = getVarint();
        need(n);
        std::string bytes(data_.substr(pos_, std::size_t(n)));
        pos_ += std::size_t(n);
        return bytes;
    } catch (...) {
        failed_ = true;
        throw;
    }
}

bool Unarchiver::isAtEnd() const
{
    if (pos_ >= data_.size())
        return true;
    return depth_ > 0 && data_[pos_] == 0;
}

void Unarchiver::checkArrayCount(const char* type, std::size_t count) const
{
    const std::vector<TypeEncoding>& list = parsedTypes(type ? type : "");
    if (list.size() != 1)
        throw std::logic_error("checkArrayCount: \"" + std::string(type) + "\" is not one type");
    std::uint64_t m = minEncodedSize(list.front());
    if (m != 0 && count > remaining() / m)
        damaged("a count of " + std::to_string(count) + " is more than the bytes left can hold");
}

void Unarchiver::checkUnitCount(const char* types, std::size_t count) const
{
    const std::vector<TypeEncoding>& list = parsedTypes(types ? types : "");
    std::uint64_t m = 1; // the unit's type reference
    for (const auto& t : list)
        m = std::min(Saturated - 1, m + minEncodedSize(t));
    if (count > remaining() / m)
        damaged("a count of " + std::to_string(count) + " is more than the bytes left can hold");
}

std::optional<int> Unarchiver::versionForClassName(const std::string& className) const
{
    auto it = versions_.find(className);
    if (it == versions_.end())
        return std::nullopt;
    return it->second;
}

void Unarchiver::decodeClassName(const std::string& inArchive, const std::string& asClassName)
{
    substitutions_[inArchive] = asClassName;
}

std::string Unarchiver::classNameDecodedForArchiveClassName(const std::string& inArchive) const
{
    auto it = substitutions_.find(inArchive);
    return it == substitutions_.end() ? inArchive : it->second;
}

void Unarchiver::cannotTake(const Object* object, const char* what, const char* why) const
{
    Exception::raise(ArchiverArchiveInconsistencyException,
                     "an object of class " + object->className() + " cannot be " + what + ": " + why);
}

std::unique_ptr<Object> Unarchiver::claimObject(Object* object, const Object* owner)
{
    if (!object)
        return nullptr;
    Entry* e = entryFor(object);
    if (!e)
        cannotTake(object, "claimed", "it is owned elsewhere (an interned or shared object)");
    switch (e->state) {
    case State::Claimed: cannotTake(object, "claimed", "it was claimed before");
    case State::Shared: cannotTake(object, "claimed", "it is shared");
    case State::Released: cannotTake(object, "claimed", "it was handed out by releaseUnclaimed");
    case State::Pooled: break;
    }
    // An owner may be decoded inside what it owns (a weak reference pulled it
    // in first), so claiming an object still being decoded is fine; what a
    // hostile stream must not make is an ownership cycle.
    const Object* claimer = owner ? owner : decoding_.empty() ? nullptr : decoding_.back().object;
    std::size_t steps = 0;
    for (const Object* k = claimer; k; ++steps) {
        if (k == object || steps > entries_.size())
            cannotTake(object, "claimed", "it would own itself (an ownership cycle)");
        // The object being decoded is the usual claimer: its entry is known.
        const Entry* ke = !decoding_.empty() && k == decoding_.back().object ? &entries_[decoding_.back().entry]
                                                                             : entryFor(k);
        k = ke && ke->state == State::Claimed ? ke->owner : nullptr;
    }
    e->state = State::Claimed;
    e->owner = claimer;
    return std::move(e->object);
}

std::shared_ptr<Object> Unarchiver::shareObject(Object* object, const coder_detail::ShareMakers& makers)
{
    if (!object)
        return nullptr;
    // A shared object lives as long as the decoder, so its address is its
    // own: shared objects (a few colours, many times over) are found at once.
    if (const std::uint32_t* shared = sharedIndex_.find(object))
        return shared_[*shared];
    Entry* e = entryFor(object);
    if (!e) {
        std::shared_ptr<Object> s;
        try {
            if (auto* c = dynamic_cast<Color*>(object))
                s = std::shared_ptr<Object>(c->shared_from_this(), object);
            else
                s = makers.existing(object);
        } catch (const std::bad_weak_ptr&) {
            s = nullptr;
        }
        if (!s)
            cannotTake(object, "shared", "it is owned elsewhere and has no shared owner");
        return s;
    }
    switch (e->state) {
    case State::Shared: return shared_[e->shared];
    case State::Claimed: cannotTake(object, "shared", "it was claimed");
    case State::Released: cannotTake(object, "shared", "it was handed out by releaseUnclaimed");
    case State::Pooled: break;
    }
    if (e->inProgress)
        cannotTake(object, "shared", "its own decoding has not finished");
    Object* raw = e->object.release();
    // A colour made by shared_ptr<Color> knows its owner (shared_from_this).
    if (auto* c = dynamic_cast<Color*>(raw))
        shared_.push_back(std::shared_ptr<Color>(c));
    else
        shared_.push_back(makers.adopt(raw));
    e->shared = std::uint32_t(shared_.size() - 1);
    e->state = State::Shared;
    sharedIndex_[object] = e->shared;
    return shared_.back();
}

Object* Unarchiver::adoptReplacement(std::unique_ptr<Object> replacement)
{
    if (!replacement)
        return nullptr;
    Object* raw = replacement.get();
    pool(std::move(replacement), false);
    return raw;
}

std::vector<std::unique_ptr<Object>> Unarchiver::releaseUnclaimed()
{
    if (depth_ > 0)
        throw std::logic_error("releaseUnclaimed while an object is being decoded");
    std::vector<std::unique_ptr<Object>> out;
    for (; released_ < entries_.size(); ++released_) {
        Entry& e = entries_[released_];
        // Objects whose decoding failed half-way stay and die with the decoder.
        if (e.state == State::Pooled && !e.inProgress && e.object) {
            out.push_back(std::move(e.object));
            e.state = State::Released;
        }
    }
    return out;
}

} // namespace kit
