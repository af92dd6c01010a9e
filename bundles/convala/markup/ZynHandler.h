#pragma once

// Handler operations by name: what a keyword registration's selector stands
// for. A selector is found or made by its name ("_readTextInfo:") and holds
// the implementations that classes register for it when they are set up,
// one per class, as an operation of that name is implemented by each class
// that answers it. A selector read from an archive is looked up by name
// among these, so stored bytes can only ever name an operation the program
// registered, never an address.

#include "core/Object.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

class ZynHandler;
using ZynSelector = const ZynHandler*;

class ZynHandler {
public:
    // Sends the operation to a target that answers it, with up to two
    // arguments (nil where the caller gives fewer); answers its result.
    using Invoke = std::function<kit::Object*(kit::Object* target, kit::Object* first, kit::Object* second)>;
    // Whether a target answers the operation (is of the implementing class).
    using Answers = std::function<bool(const kit::Object* target)>;

    struct Method {
        Answers answers;
        Invoke invoke;
    };

    const std::string& name() const { return name_; }

    // The implementation for the target: the one registered for its class
    // (the latest registration first), nil when it does not answer.
    const Method* methodFor(const kit::Object* target) const;
    bool respondsTo(const kit::Object* target) const { return methodFor(target) != nullptr; }
    // Some class implements it.
    bool hasMethods() const { return !entries_.empty(); }
    // nil when the target is nil or does not answer.
    kit::Object* send(kit::Object* target, kit::Object* first = nullptr, kit::Object* second = nullptr) const;

    // The selector of that name, made when new (@selector).
    static ZynSelector selector(std::string_view name);
    // The selector of that name when some class implements it, else nil:
    // what a name read from stored bytes resolves to.
    static ZynSelector selectorNamed(std::string_view name);

    // Adds an implementation. A class key registered again replaces its
    // implementation.
    static ZynSelector addMethod(std::string_view name, const void* classKey, Answers answers, Invoke invoke);

    // An operation of class T: a member function taking nothing, or one or
    // two arguments of (pointers to) kit::Object classes, answering nothing
    // or an object. An argument of another class than the function takes
    // arrives as nil.
    template <class T, class R, class... A>
    static ZynSelector addMethod(std::string_view name, R (T::*method)(A*...));

private:
    explicit ZynHandler(std::string name) : name_(std::move(name)) {}

    struct Entry {
        const void* classKey;
        Method method;
    };

    template <class T>
    static T* selfCast(kit::Object* object)
    {
        if constexpr (requires { static_cast<T*>(object); })
            return static_cast<T*>(object);
        else
            return dynamic_cast<T*>(object);
    }

    template <class A>
    static A* argument(kit::Object* object)
    {
        if constexpr (std::is_same_v<A, kit::Object>)
            return object;
        else
            return dynamic_cast<A*>(object);
    }

    std::string name_;
    std::vector<std::unique_ptr<Entry>> entries_;
};

template <class T, class R, class... A>
ZynSelector ZynHandler::addMethod(std::string_view name, R (T::*method)(A*...))
{
    static_assert(std::is_base_of_v<kit::Object, T>, "handler targets are kit::Object classes");
    static_assert(sizeof...(A) <= 2, "a handler takes at most two arguments");
    static_assert(std::is_void_v<R> || std::is_convertible_v<R, kit::Object*>,
                  "a handler answers nothing or an object");
    static const char key = 0; // one per class T (and signature)
    Answers answers = [](const kit::Object* target) { return dynamic_cast<const T*>(target) != nullptr; };
    Invoke invoke = [method](kit::Object* target, kit::Object* first, kit::Object* second) -> kit::Object* {
        // Only targets that answer reach here (methodFor checked the class).
        T* self = selfCast<T>(target);
        kit::Object* args[2] = {first, second};
        auto call = [&]<std::size_t... I>(std::index_sequence<I...>) -> kit::Object* {
            if constexpr (std::is_void_v<R>) {
                (self->*method)(argument<A>(args[I])...);
                return nullptr;
            } else {
                return (self->*method)(argument<A>(args[I])...);
            }
        };
        return call(std::index_sequence_for<A...>{});
    };
    return addMethod(name, &key, std::move(answers), std::move(invoke));
}
