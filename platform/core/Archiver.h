#pragma once

#include "core/Coder.h"
#include "core/PointerTable.h"

#include <cstdint>
#include <string>
#include <unordered_map>
#include <unordered_set>

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

    std::string out_;
    coder_detail::StringMap<std::uint64_t> strings_;
    // Shared strings of recent units by address, with their text to compare
    // (see Coder's type cache).
    struct RecentString {
        const char* data = nullptr;
        std::size_t size = 0;
        char text[32] = {};
        std::uint64_t index = 0;
        bool set = false;
    };
    RecentString recentStrings_[64];
    coder_detail::StringMap<std::uint64_t> classes_;
    // Per object: its number plus one once written, the noting pass that
    // last met it, and whether some unconditional unit writes it.
    struct Seen {
        std::uint64_t written = 0;
        std::uint32_t notedIn = 0;
        bool unconditional = false;
    };
    detail::PointerTable<Seen> seen_;
    std::uint64_t nextObject_ = 0;
    // The noting pass: nothing is written, objects are only walked.
    bool noting_ = false;
    std::uint32_t notingPass_ = 0;
    int depth_ = 0;
};

} // namespace kit
