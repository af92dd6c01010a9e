#include "core/PortMessage.h"

#include <cmath>
#include <cstring>

namespace kit {

namespace {

enum Tag : unsigned char {
    TagNil = 0,
    TagFalse = 1,
    TagTrue = 2,
    TagInteger = 3,
    TagReal = 4,
    TagString = 5,
    TagData = 6,
    TagArray = 7,
    TagDictionary = 8,
};

constexpr unsigned char Version = 1;

void put32(std::string& out, std::uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void put64(std::string& out, std::uint64_t v)
{
    for (int shift = 56; shift >= 0; shift -= 8)
        out.push_back(static_cast<char>((v >> shift) & 0xFF));
}

void putBytes(std::string& out, const std::string& bytes)
{
    put32(out, static_cast<std::uint32_t>(bytes.size()));
    out += bytes;
}

bool encodeInto(const Object* value, std::string& out, int depth, std::string* error, std::size_t& elements)
{
    auto fail = [error](const std::string& why) {
        if (error)
            *error = why;
        return false;
    };
    if (depth > PortMessage::MaxDepth)
        return fail("values nest too deeply");
    if (out.size() > PortMessage::MaxMessageSize)
        return fail("the message is too large");
    if (++elements > PortMessage::MaxElements)
        return fail("too many values");
    if (!value) {
        out.push_back(static_cast<char>(TagNil));
        return true;
    }
    if (auto* n = dynamic_cast<const Number*>(value)) {
        switch (n->kind()) {
        case Number::Kind::Boolean: out.push_back(static_cast<char>(n->boolValue() ? TagTrue : TagFalse)); return true;
        case Number::Kind::Integer:
            out.push_back(static_cast<char>(TagInteger));
            put64(out, static_cast<std::uint64_t>(n->longLongValue()));
            return true;
        case Number::Kind::Real: {
            double d = n->doubleValue();
            std::uint64_t bits;
            std::memcpy(&bits, &d, sizeof bits);
            out.push_back(static_cast<char>(TagReal));
            put64(out, bits);
            return true;
        }
        }
    }
    if (auto* s = dynamic_cast<const String*>(value)) {
        out.push_back(static_cast<char>(TagString));
        putBytes(out, s->value());
        return true;
    }
    if (auto* d = dynamic_cast<const Data*>(value)) {
        out.push_back(static_cast<char>(TagData));
        putBytes(out, d->bytes());
        return true;
    }
    if (auto* a = dynamic_cast<const Array*>(value)) {
        out.push_back(static_cast<char>(TagArray));
        put32(out, static_cast<std::uint32_t>(a->count()));
        for (Object* o : a->objects())
            if (!encodeInto(o, out, depth + 1, error, elements))
                return false;
        return true;
    }
    if (auto* d = dynamic_cast<const Dictionary*>(value)) {
        if (d->count() > PortMessage::MaxDictionaryEntries)
            return fail("a dictionary with too many entries");
        out.push_back(static_cast<char>(TagDictionary));
        put32(out, static_cast<std::uint32_t>(d->count()));
        for (std::size_t i = 0; i < d->count(); ++i)
            if (!encodeInto(d->keyAt(i), out, depth + 1, error, elements) ||
                !encodeInto(d->objectAt(i), out, depth + 1, error, elements))
                return false;
        return true;
    }
    return fail("an object of class " + value->className() + " cannot be sent");
}

// Reads from a bounded view, refusing to go past its end.
class Reader {
public:
    explicit Reader(std::string_view bytes) : bytes_(bytes) {}

    std::size_t left() const { return bytes_.size() - pos_; }
    bool atEnd() const { return pos_ == bytes_.size(); }
    bool byte(unsigned char* v)
    {
        if (left() < 1)
            return false;
        *v = static_cast<unsigned char>(bytes_[pos_++]);
        return true;
    }
    bool u32(std::uint32_t* v)
    {
        if (left() < 4)
            return false;
        std::uint32_t r = 0;
        for (int i = 0; i < 4; ++i)
            r = (r << 8) | static_cast<unsigned char>(bytes_[pos_++]);
        *v = r;
        return true;
    }
    bool u64(std::uint64_t* v)
    {
        if (left() < 8)
            return false;
        std::uint64_t r = 0;
        for (int i = 0; i < 8; ++i)
            r = (r << 8) | static_cast<unsigned char>(bytes_[pos_++]);
        *v = r;
        return true;
    }
    bool bytes(std::string* out)
    {
        std::uint32_t n = 0;
        if (!u32(&n) || n > left())
            return false;
        out->assign(bytes_.data() + pos_, n);
        pos_ += n;
        return true;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

struct Decoder {
    explicit Decoder(Reader& reader) : in(reader) {}

    Reader& in;
    std::size_t elements = 0;
    std::string why;

    bool fail(const char* reason)
    {
        if (why.empty())
            why = reason;
        return false;
    }

    // A value; nil is allowed only where `nilAllowed` (never in containers).
    bool value(std::unique_ptr<Object>* out, int depth, bool nilAllowed)
    {
        if (depth > PortMessage::MaxDepth)
            return fail("values nest too deeply");
        if (++elements > PortMessage::MaxElements)
            return fail("too many values");
        unsigned char tag = 0;
        if (!in.byte(&tag))
            return fail("the message ends inside a value");
        switch (tag) {
        case TagNil:
            if (!nilAllowed)
                return fail("nil inside an array or dictionary");
            out->reset();
            return true;
        case TagFalse:
        case TagTrue: *out = std::make_unique<Number>(tag == TagTrue); return true;
        case TagInteger: {
            std::uint64_t v = 0;
            if (!in.u64(&v))
                return fail("a truncated integer");
            *out = std::make_unique<Number>(static_cast<std::int64_t>(v));
            return true;
        }
        case TagReal: {
            std::uint64_t bits = 0;
            if (!in.u64(&bits))
                return fail("a truncated real");
            double d;
            std::memcpy(&d, &bits, sizeof d);
            *out = std::make_unique<Number>(d);
            return true;
        }
        case TagString: {
            std::string s;
            if (!in.bytes(&s))
                return fail("a string longer than the message");
            *out = std::make_unique<String>(std::move(s));
            return true;
        }
        case TagData: {
            std::string s;
            if (!in.bytes(&s))
                return fail("data longer than the message");
            *out = std::make_unique<Data>(std::move(s));
            return true;
        }
        case TagArray: {
            std::uint32_t count = 0;
            // Each element takes at least one byte.
            if (!in.u32(&count) || count > in.left())
                return fail("an array count beyond the message");
            auto array = std::make_unique<Array>();
            for (std::uint32_t i = 0; i < count; ++i) {
                std::unique_ptr<Object> element;
                if (!value(&element, depth + 1, false))
                    return false;
                array->addOwnedObject(std::move(element));
            }
            *out = std::move(array);
            return true;
        }
        case TagDictionary: {
            std::uint32_t count = 0;
            if (!in.u32(&count) || count > in.left() / 2)
                return fail("a dictionary count beyond the message");
            // Keys are found one by one: a bound keeps that cheap.
            if (count > PortMessage::MaxDictionaryEntries)
                return fail("a dictionary with too many entries");
            auto dict = std::make_unique<Dictionary>();
            for (std::uint32_t i = 0; i < count; ++i) {
                std::unique_ptr<Object> key, object;
                if (!value(&key, depth + 1, false) || !value(&object, depth + 1, false))
                    return false;
                dict->setOwnedObject(std::move(object), std::move(key));
            }
            *out = std::move(dict);
            return true;
        }
        default: return fail("an unknown kind of value");
        }
    }
};

} // namespace

PortMessage PortMessage::request(std::uint32_t sequence, const std::string& selector, std::unique_ptr<Array> arguments)
{
    PortMessage m;
    m.kind_ = Kind::Request;
    m.sequence_ = sequence;
    m.selector_ = selector;
    m.arguments_ = arguments ? std::move(arguments) : std::make_unique<Array>();
    return m;
}

PortMessage PortMessage::reply(std::uint32_t sequence, std::unique_ptr<Object> result)
{
    PortMessage m;
    m.kind_ = Kind::Reply;
    m.sequence_ = sequence;
    m.result_ = std::move(result);
    return m;
}

PortMessage PortMessage::error(std::uint32_t sequence, const std::string& reason)
{
    PortMessage m;
    m.kind_ = Kind::Error;
    m.sequence_ = sequence;
    m.reason_ = reason;
    return m;
}

bool PortMessage::encodeValue(const Object* value, std::string* out, std::string* error)
{
    std::size_t elements = 0;
    return encodeInto(value, *out, 0, error, elements);
}

std::unique_ptr<Object> PortMessage::copyValue(const Object* value)
{
    std::string bytes;
    if (!value || !encodeValue(value, &bytes))
        return nullptr;
    Reader in(bytes);
    Decoder d(in);
    std::unique_ptr<Object> copy;
    if (!d.value(&copy, 0, true))
        return nullptr;
    return copy;
}

bool PortMessage::encode(std::string* frame, std::string* error) const
{
    std::string payload;
    payload.push_back(static_cast<char>(Version));
    payload.push_back(static_cast<char>(kind_));
    put32(payload, sequence_);
    switch (kind_) {
    case Kind::Request:
        if (selector_.size() > MaxSelectorLength) {
            if (error)
                *error = "the selector is too long";
            return false;
        }
        putBytes(payload, selector_);
        if (std::size_t elements = 0; !encodeInto(arguments_.get(), payload, 0, error, elements))
            return false;
        break;
    case Kind::Reply:
        if (std::size_t elements = 0; !encodeInto(result_.get(), payload, 0, error, elements))
            return false;
        break;
    case Kind::Error: putBytes(payload, reason_.substr(0, 4096)); break;
    }
    if (payload.size() > MaxMessageSize) {
        if (error)
            *error = "the message is too large";
        return false;
    }
    frame->clear();
    put32(*frame, static_cast<std::uint32_t>(payload.size()));
    *frame += payload;
    return true;
}

std::uint32_t PortMessage::frameLength(const unsigned char header[4])
{
    return (std::uint32_t(header[0]) << 24) | (std::uint32_t(header[1]) << 16) | (std::uint32_t(header[2]) << 8) |
           std::uint32_t(header[3]);
}

std::optional<PortMessage> PortMessage::decode(std::string_view payload, std::string* error)
{
    auto fail = [error](const std::string& why) -> std::optional<PortMessage> {
        if (error)
            *error = why;
        return std::nullopt;
    };
    if (payload.size() > MaxMessageSize)
        return fail("the message is too large");
    Reader in(payload);
    unsigned char version = 0, kind = 0;
    std::uint32_t sequence = 0;
    if (!in.byte(&version) || !in.byte(&kind) || !in.u32(&sequence))
        return fail("the message is too short");
    if (version != Version)
        return fail("a message of another version");
    Decoder d(in);
    PortMessage m;
    m.sequence_ = sequence;
    switch (kind) {
    case static_cast<unsigned char>(Kind::Request): {
        m.kind_ = Kind::Request;
        if (!in.bytes(&m.selector_))
            return fail("a selector longer than the message");
        if (m.selector_.empty() || m.selector_.size() > MaxSelectorLength ||
            m.selector_.find('\0') != std::string::npos)
            return fail("a malformed selector");
        std::unique_ptr<Object> arguments;
        if (!d.value(&arguments, 0, false))
            return fail(d.why);
        auto* array = dynamic_cast<Array*>(arguments.get());
        if (!array)
            return fail("the arguments are not an array");
        arguments.release();
        m.arguments_.reset(array);
        break;
    }
    case static_cast<unsigned char>(Kind::Reply):
        m.kind_ = Kind::Reply;
        if (!d.value(&m.result_, 0, true))
            return fail(d.why);
        break;
    case static_cast<unsigned char>(Kind::Error):
        m.kind_ = Kind::Error;
        if (!in.bytes(&m.reason_))
            return fail("a reason longer than the message");
        break;
    default: return fail("an unknown kind of message");
    }
    if (!in.atEnd())
        return fail("bytes after the message");
    return m;
}

} // namespace kit
