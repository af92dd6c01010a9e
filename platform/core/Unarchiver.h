#pragma once

#include "core/Coder.h"
#include "core/PointerMap.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace kit {

// Reads an archive written by Archiver, unit by unit. Every damaged or
// mismatched input throws kit::Exception named
// ArchiverArchiveInconsistencyException; after any exception escapes a read,
// every later read throws too.
//
// Ownership: the decoder owns every object it makes, in a pool, until a
// caller claims it (decodeOwnedObject, claim) or shares it (decodeSharedObject,
// share). Objects still in the pool are deleted with the decoder, unless
// releaseUnclaimed hands them out first. So a document that holds weak
// pointers into its graph keeps the unclaimed rest with it, and a hostile
// archive cannot leave a weak pointer dangling.
//
// initWithCoder answers the object itself, nullptr (the object reads as nil;
// its remaining units are skipped) or a replacement. A replacement handed
// over with adoptReplacement is owned by the decoder like any pooled object;
// any other replacement is owned elsewhere (an interned font, a shared named
// colour) and never deleted here. The object first made stays alive until
// the decoder goes, so pointers taken during its decoding don't dangle.
class Unarchiver : public Coder {
public:
    // Throws kit::Exception when data is not an archive of this format.
    explicit Unarchiver(std::string data);
    // Reads bytes that the caller keeps, unchanged, for as long as the
    // decoder lives: a large archive is not copied first.
    struct BorrowBytes {};
    Unarchiver(std::string_view data, BorrowBytes);
    Unarchiver(const Unarchiver&) = delete;
    Unarchiver& operator=(const Unarchiver&) = delete;
    ~Unarchiver() override;

    // The root object of a root archive, claimed by the caller; objects the
    // root's graph did not claim go to unclaimed (keep them as long as the
    // root: weak pointers may point into them).
    template <class T = Object>
    static std::unique_ptr<T> unarchiveObjectWithData(const std::string& data,
                                                      std::vector<std::unique_ptr<Object>>& unclaimed)
    {
        Unarchiver u(data);
        std::unique_ptr<T> root = u.decodeOwnedObject<T>();
        unclaimed = u.releaseUnclaimed();
        return root;
    }

    // For graphs without weak pointers (values, strings, arrays of values):
    // whatever the root did not claim is deleted.
    template <class T = Object>
    static std::unique_ptr<T> unarchiveObjectWithData(const std::string& data)
    {
        std::vector<std::unique_ptr<Object>> unclaimed;
        return unarchiveObjectWithData<T>(data, unclaimed);
    }

    // Reads objects stored under class name inArchive as objects of class
    // asClassName (for renamed classes and old formats).
    void decodeClassName(const std::string& inArchive, const std::string& asClassName);
    // The class that objects stored as inArchive are read as.
    std::string classNameDecodedForArchiveClassName(const std::string& inArchive) const;

    // Every object still in the pool, in the order they were made; the
    // decoder keeps nothing of them. Not while an object is being decoded.
    std::vector<std::unique_ptr<Object>> releaseUnclaimed();

    Object* decodeObject() override;
    std::string decodeBytes() override;
    Object* adoptReplacement(std::unique_ptr<Object> replacement) override;
    std::optional<int> versionForClassName(const std::string& className) const override;
    bool isAtEnd() const override;
    void skipRemainingUnits() override;
    void checkArrayCount(const char* type, std::size_t count) const override;
    void checkUnitCount(const char* types, std::size_t count) const override;

protected:
    void decodeUnit(std::string_view types, std::span<const TypeEncoding> items,
                    std::span<const coder_detail::OutRef> out) override;
    std::unique_ptr<Object> claimObject(Object* object, const Object* owner) override;
    std::shared_ptr<Object> shareObject(Object* object, const coder_detail::ShareMakers& makers) override;

private:
    enum class State : std::uint8_t { Pooled, Claimed, Shared, Released };
    static constexpr std::uint32_t NotShared = 0xFFFFFFFFu;
    // How many of the latest entries entryFor looks at before the table.
    static constexpr std::size_t RecentEntries = 8;
    struct Entry {
        std::unique_ptr<Object> object;
        // The object's address, kept once the object is handed out.
        const Object* key = nullptr;
        // Who claimed it: the object whose initWithCoder was running then.
        const Object* owner = nullptr;
        // Its shared_ptr in shared_, once shared.
        std::uint32_t shared = NotShared;
        State state = State::Pooled;
        bool inProgress = false;
    };
    struct ClassInfo {
        std::string archivedName;
        std::string className;
        int version = 0;
        // The registry's factory, looked up once per class and archive.
        const ClassRegistry::Factory* factory = nullptr;
    };

    void readHeader();
    [[noreturn]] void damaged(const std::string& why) const;
    // Reads of a failed archive throw: the position in the stream is then unknown.
    void checkNotFailed() const;
    std::size_t remaining() const { return data_.size() - pos_; }
    void need(std::uint64_t n) const;
    unsigned char getByte();
    std::uint64_t getVarint();
    std::uint64_t getFixed(int bytes);
    const std::string& getSharedString(std::uint64_t ref);
    const std::string& getUnitTypes();
    std::optional<std::string> getCString();
    void getMemory(const TypeEncoding& t, unsigned char* base);
    void skipValue(const TypeEncoding& t);
    void skipRestOfObject();
    // One unit whose type string reference was just read.
    void skipUnit(std::uint64_t typesRef);
    Object* getObject();
    std::size_t getClass();
    std::size_t pool(std::unique_ptr<Object> object, bool fresh);
    void indexEntries();
    Entry* entryFor(const Object* object);
    [[noreturn]] void cannotTake(const Object* object, const char* what, const char* why) const;

    // The archive: its own copy, or the caller's bytes.
    std::string owned_;
    std::string_view data_;
    std::size_t pos_ = 0;
    std::vector<std::string> strings_;
    std::vector<ClassInfo> classes_;
    std::map<std::string, int> versions_;
    std::map<std::string, std::string> substitutions_;
    // What each object record answers, by the record's number.
    std::vector<Object*> objects_;
    // Every object the decoder was handed, in pool order, and where each
    // address's latest entry is (an address may come again once its first
    // object, claimed, has been freed).
    std::vector<Entry> entries_;
    PointerMap<std::uint32_t> entryIndex_;
    // Entries before this one are in entryIndex_.
    std::size_t indexed_ = 0;
    std::vector<std::shared_ptr<Object>> shared_;
    // Where each shared object's shared_ptr is in shared_.
    PointerMap<std::uint32_t> sharedIndex_;
    // Entries before this one were offered by releaseUnclaimed already.
    std::size_t released_ = 0;
    // Objects whose initWithCoder runs, innermost last, with their entries.
    struct InDecoding {
        const Object* object;
        std::size_t entry;
    };
    std::vector<InDecoding> decoding_;
    int depth_ = 0;
    bool failed_ = false;
};

} // namespace kit
