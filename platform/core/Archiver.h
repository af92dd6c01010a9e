#pragma once

#include "core/Coder.h"
#include "core/PointerMap.h"

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>

namespace kit {

// Writes a typed-stream archive (byte layout in Coder.h) into a growable
// buffer.
//
// Two ways of use:
//  - A root archive: archivedDataWithRootObject / archiveRootObject (or
//    encodeRootObject on an Archiver). The root's graph is walked twice: a
//    first pass only notes which objects some unconditional unit writes, so
//    that a conditional object is written (in full where it first occurs)
//    exactly when it is written unconditionally anywhere in the graph.
//  - Units one after another (pasteboard data): construct, encode any units,
//    take data(). Outside encodeRootObject a conditional object is written
//    as a back reference when it was already written unconditionally earlier
//    in the same archive, and as nil otherwise.
//
// Objects are recognised by address, so every object written must stay alive
// (and in place) until the archive is finished; temporaries go through
// encodeTemporaryObject. Every object written must belong to a class
// registered with the ClassRegistry (std::logic_error otherwise). Object
// graphs nested deeper than the decoder accepts (Coder::MaxObjectNesting, or
// the stack) throw kit::Exception, since they could not be read back. In a
// root archive each object's encodeWithCoder runs twice (noting pass, then
// writing), so it must write the same units both times. After an exception
// the archive is incomplete and should be dropped.
class Archiver : public Coder {
public:
    Archiver();
    ~Archiver() override;

    static std::string archivedDataWithRootObject(const Object* root);
    // Writes the archive to path atomically; false when the file cannot be
    // written (errno says why).
    static bool archiveRootObject(const Object* root, const std::string& path);

    // Writes root as an object unit, with conditional objects resolved over
    // its whole graph. Not from inside an encodeWithCoder.
    void encodeRootObject(const Object* root);

    // The bytes written so far.
    const std::string& data() const { return out_; }

    void encodeObject(const Object* object) override;
    void encodeConditionalObject(const Object* object) override;
    void encodeTemporaryObject(const Object& object) override;
    void encodeBytes(std::string_view bytes) override;
    // The registered version of the class; nullopt when not registered.
    std::optional<int> versionForClassName(const std::string& className) const override;

protected:
    void encodeUnit(std::string_view types, std::span<const TypeEncoding> items,
                    std::span<const coder_detail::ArgRef> values) override;

private:
    void putByte(unsigned char b);
    void putVarint(std::uint64_t v);
    void putFixed(std::uint64_t v, int bytes);
    void putSharedString(std::string_view s);
    void putCString(bool nil, std::string_view s);
    void putMemory(const TypeEncoding& t, const unsigned char* base);
    void putObject(const Object* object, bool conditional);
    void putObjectBody(const Object& object);

    struct StringHash {
        using is_transparent = void;
        std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
    };
    using StringIndex = std::unordered_map<std::string, std::uint64_t, StringHash, std::equal_to<>>;

    // What the archiver knows of one object.
    struct ObjectMark {
        // Its record number + 1 once written; 0 before.
        std::uint64_t written = 0;
        // The noting pass that last met it (passes count from 1).
        std::uint32_t notedPass = 0;
        // Some unconditional unit writes it (from a finished noting pass).
        bool unconditional = false;
    };

    std::string out_;
    StringIndex strings_;
    // The shared strings written last, by where their text lies: the same
    // few type strings come with every unit, and a look at the text costs
    // less than hashing it again.
    struct SharedMemo {
        const char* data = nullptr;
        std::string text;
        std::uint64_t index = 0;
    };
    static constexpr std::size_t SharedMemoSize = 64;
    std::array<SharedMemo, SharedMemoSize> sharedMemo_{};
    StringIndex classes_;
    PointerMap<ObjectMark> objects_;
    std::uint64_t nextObject_ = 0;
    // The noting pass: nothing is written, objects are only walked.
    bool noting_ = false;
    std::uint32_t notingPass_ = 0;
    int depth_ = 0;
};

} // namespace kit
