#pragma once

// Archivable platform values. Each is a kit::Object registered by its class
// name ("String", "Number", "Date", "Data", "Array", "Dictionary") through
// registerValueClasses(), with value equality (isEqual) and a description.

#include "core/Object.h"

#include <concepts>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace kit {

// Registers the value classes and Color with the class registry; safe to
// call more than once (the Archiver and Unarchiver call it).
void registerValueClasses();

// A UTF-8 string.
class String : public Object {
public:
    String() = default;
    explicit String(std::string value) : value_(std::move(value)) {}

    const std::string& value() const { return value_; }
    void setValue(std::string value) { value_ = std::move(value); }

    std::string className() const override { return "String"; }
    void encodeWithCoder(Coder& coder) const override;
    Object* initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;
    std::string description() const override { return value_; }

private:
    std::string value_;
};

// An integer, a floating-point number or a boolean; the kind survives the
// round trip. Numbers of different kinds are equal when their values are
// (1 == 1.0 == true).
class Number : public Object {
public:
    enum class Kind : std::uint8_t { Integer, Real, Boolean };

    Number() = default;
    template <std::integral I>
        requires(!std::same_as<I, bool>)
    explicit Number(I v) : value_(std::int64_t(v)) {}
    explicit Number(double v) : value_(v) {}
    explicit Number(bool v) : value_(v) {}

    Kind kind() const { return Kind(value_.index()); }
    std::int64_t longLongValue() const;
    int intValue() const { return int(longLongValue()); }
    double doubleValue() const;
    float floatValue() const { return float(doubleValue()); }
    bool boolValue() const;

    std::string className() const override { return "Number"; }
    void encodeWithCoder(Coder& coder) const override;
    Object* initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;
    std::string description() const override;

private:
    std::variant<std::int64_t, double, bool> value_ = std::int64_t(0);
};

// A moment as seconds since 1970-01-01 00:00:00 UTC.
class Date : public Object {
public:
    Date() = default;
    explicit Date(double secondsSince1970) : seconds_(secondsSince1970) {}

    double timeIntervalSince1970() const { return seconds_; }

    std::string className() const override { return "Date"; }
    void encodeWithCoder(Coder& coder) const override;
    Object* initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;
    // "YYYY-MM-DD hh:mm:ss +0000".
    std::string description() const override;

private:
    double seconds_ = 0.0;
};

// Bytes.
class Data : public Object {
public:
    Data() = default;
    explicit Data(std::string bytes) : bytes_(std::move(bytes)) {}

    const std::string& bytes() const { return bytes_; }
    std::size_t length() const { return bytes_.size(); }

    std::string className() const override { return "Data"; }
    void encodeWithCoder(Coder& coder) const override;
    Object* initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;
    // Hexadecimal in groups of four bytes: "<0102abcd 0e>".
    std::string description() const override;

private:
    std::string bytes_;
};

// An ordered list of objects (never nil). Elements are not owned unless
// added with addOwnedObject or adopted (claimElements); owned elements are
// deleted with the array or when removed.
class Array : public Object {
public:
    Array() = default;
    ~Array() override;
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;

    std::size_t count() const { return items_.size(); }
    Object* objectAt(std::size_t index) const { return items_.at(index); }
    const std::vector<Object*>& objects() const { return items_; }

    // Throws std::logic_error for nullptr.
    void addObject(Object* object);
    Object* addOwnedObject(std::unique_ptr<Object> object);
    void insertObject(Object* object, std::size_t index);
    // Answers the element when the array owned it (and it is no longer
    // listed), else nullptr.
    std::unique_ptr<Object> removeObjectAt(std::size_t index);
    bool ownsObject(const Object* object) const;
    std::size_t indexOfObjectIdenticalTo(const Object* object) const; // count() when absent

    // After decoding (from the initWithCoder of the array's owner): claims
    // every element from the coder so that the array owns them (throws as
    // Coder::claim does).
    void claimElements(Coder& coder);

    std::string className() const override { return "Array"; }
    void encodeWithCoder(Coder& coder) const override;
    Object* initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;
    std::string description() const override;

private:
    std::unique_ptr<Object> release(Object* object);

    std::vector<Object*> items_;
    std::vector<std::unique_ptr<Object>> owned_;
};

// Keys to objects; keys are objects compared by value (isEqual), such as
// Numbers or Strings, and keep the order in which they were first set.
// Keys and values are not owned unless adopted; an owned key or value is
// deleted with the dictionary or once no entry uses it.
class Dictionary : public Object {
public:
    Dictionary() = default;
    ~Dictionary() override;
    Dictionary(const Dictionary&) = delete;
    Dictionary& operator=(const Dictionary&) = delete;

    std::size_t count() const { return entries_.size(); }
    Object* objectForKey(const Object& key) const;
    Object* keyAt(std::size_t index) const { return entries_.at(index).first; }
    Object* objectAt(std::size_t index) const { return entries_.at(index).second; }

    // Throws std::logic_error for a nullptr key or value.
    void setObject(Object* value, Object* key);
    void setObject(Object* value, std::unique_ptr<Object> ownedKey);
    void setOwnedObject(std::unique_ptr<Object> value, std::unique_ptr<Object> ownedKey);
    void removeObjectForKey(const Object& key);

    // After decoding (from the initWithCoder of the dictionary's owner):
    // claims every key, or every value, so that the dictionary owns them.
    void claimKeys(Coder& coder);
    void claimValues(Coder& coder);

    std::string className() const override { return "Dictionary"; }
    void encodeWithCoder(Coder& coder) const override;
    Object* initWithCoder(Coder& coder) override;
    bool isEqual(const Object& other) const override;
    std::string description() const override;

private:
    std::size_t find(const Object& key) const;
    void dropIfUnused(Object* object);

    std::vector<std::pair<Object*, Object*>> entries_;
    std::vector<std::unique_ptr<Object>> owned_;
};

} // namespace kit
