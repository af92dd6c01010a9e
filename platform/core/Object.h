#pragma once

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

namespace kit {

class Coder;

// Base of every class that is archived, put on a pasteboard or found by
// class name. Identity is the object's address; isEqual says value equality
// for the classes that define one.
class Object {
public:
    virtual ~Object() = default;

    // The registered class name (the archiver stores objects by it).
    virtual std::string className() const = 0;

    // Writes the object's units. The default writes nothing.
    virtual void encodeWithCoder(Coder& coder) const;

    // Reads the object's units into a freshly made object. Answers this, nil
    // (nullptr) or another object that stands for it; see Unarchiver for who
    // owns a replacement.
    virtual Object* initWithCoder(Coder& coder);

    virtual bool isEqual(const Object& other) const { return this == &other; }
    virtual std::string description() const;

    // Developer dump to standard output; the classes that have one override it.
    virtual void audit(int indent) const { (void)indent; }
};

// Creating objects by class name, with the class version that the archiver
// stores for each class.
class ClassRegistry {
public:
    using Factory = std::function<std::unique_ptr<Object>()>;

    static void registerClass(const std::string& name, int version, Factory factory);
    static bool isRegistered(const std::string& name);
    static std::unique_ptr<Object> create(const std::string& name);
    // The factory of a registered class (nullptr when unknown); it stays
    // valid for the life of the program.
    static const Factory* factoryOf(const std::string& name);
    // The version registered for the class, 0 when unknown.
    static int versionOf(const std::string& name);
};

// Marks the constructor the unarchiver makes an object with when the class
// has one: it may leave out what initWithCoder always replaces (a default
// colour made only to be freed, many thousand times in a long paste).
struct ForDecodingTag {
    explicit ForDecodingTag() = default;
};
inline constexpr ForDecodingTag ForDecoding{};

// Registers T (default-constructible) under a name. Classes register from
// their explicit class set-up, never from static initialisers, which a static
// library may drop.
template <class T>
void registerClass(const std::string& name, int version = 0)
{
    ClassRegistry::registerClass(name, version, [] {
        if constexpr (std::is_constructible_v<T, ForDecodingTag>)
            return std::unique_ptr<Object>(new T(ForDecoding));
        else
            return std::unique_ptr<Object>(new T());
    });
}

} // namespace kit
