#pragma once

#include "core/Object.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace kit {

class Receiver;

// What an interface file's builder gets: the owner (the file's owner, whose
// outlets it fills) and a place for the objects it makes.
class NibLoad {
public:
    explicit NibLoad(Object* owner) : owner_(owner) {}

    const std::string& fileName() const { return fileName_; }
    Object* owner() const { return owner_; }
    // The owner as the class the builder knows (nil when it is another).
    template <class T>
    T* ownerAs() const
    {
        return dynamic_cast<T*>(owner_);
    }

    // Objects that nothing else owns after loading (a window, a panel, an
    // object the owner refers to): the loader hands them to whoever loads
    // the file, or keeps them for the life of the program.
    template <class T>
    T* addTopLevelObject(std::unique_ptr<T> object)
    {
        T* raw = object.get();
        topLevel_.push_back(std::move(object));
        awaken(raw);
        return raw;
    }
    // An object to be sent awakeFromNib once the whole file is built (top
    // level objects are already).
    void awaken(Object* object);
    // Connects an outlet of the owner by name (through NibOwner); false when
    // the owner has no outlet of that name.
    bool connectOutlet(const std::string& name, Object* object);

private:
    friend class NibLoader;
    std::string fileName_;
    Object* owner_;
    std::vector<std::unique_ptr<Object>> topLevel_;
    std::vector<Object*> awaken_;
};

// An owner that fills its outlets by name (for builders that do not know
// the owner's class).
class NibOwner {
public:
    virtual ~NibOwner() = default;
    virtual bool setOutlet(const std::string& name, Object* object) = 0;
};

// An object told that the file that made it has been built completely.
class NibAwaking {
public:
    virtual ~NibAwaking() = default;
    virtual void awakeFromNib() = 0;
};

// Interface files ("Page.nib", "PanelFind.nib", ...) are C++ builders
// registered by the file's name. Loading one runs its builder with the
// owner: the builder makes the objects, fills the owner's outlets and hands
// over the top-level objects; then every object it named is sent
// awakeFromNib, in the order named.
class NibLoader {
public:
    // A builder answers false (or throws) when it cannot build; the load
    // then fails, and what the builder made is kept aside unused (the
    // owner's outlets may already point at it).
    using Builder = std::function<bool(NibLoad& load)>;

    // Registers (or replaces) the builder of a file name.
    static void registerNib(const std::string& fileName, Builder builder);
    static bool isRegistered(const std::string& fileName);
    static void unregisterNib(const std::string& fileName);

    // Loads the file with the owner. The top-level objects go to the
    // caller when it asks for them; otherwise they live as long as the
    // program, as the platform's did. False when no builder has that name
    // (a missing file) or the builder failed.
    static bool loadNibFile(const std::string& fileName, Object* owner,
                            std::vector<std::unique_ptr<Object>>* topLevelObjects = nullptr);
};

} // namespace kit
