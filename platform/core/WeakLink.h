#pragma once

// References to objects one does not own that read nil once the object is
// gone, whoever owns it and however it is held (by a unique or shared
// pointer, in a container, on the stack).
//
// The object derives from WeakTarget. Its token is made the first time
// something refers to it, so objects nobody watches pay no allocation; the
// token dies with the object, and every WeakLink to it then reads nullptr.

#include <cstddef>
#include <memory>
#include <type_traits>

namespace kit {

class WeakTarget {
public:
    WeakTarget() = default;
    // A copy is another object: references to the original do not follow it.
    WeakTarget(const WeakTarget&) noexcept {}
    WeakTarget& operator=(const WeakTarget&) noexcept { return *this; }

    std::weak_ptr<const void> weakToken() const
    {
        if (!token_ && !gone_)
            token_ = std::make_shared<char>('\0');
        return token_;
    }

protected:
    ~WeakTarget() = default;
    // From the start of a destructor whose members call back out while they
    // go: links to the object read nil from now on.
    void expireWeakLinks()
    {
        token_.reset();
        gone_ = true;
    }

private:
    mutable std::shared_ptr<const void> token_;
    bool gone_ = false;
};

template <class T>
class WeakLink {
public:
    WeakLink() = default;
    WeakLink(std::nullptr_t) {}
    // An object that is no WeakTarget cannot be watched: the reference reads
    // nullptr rather than risk outliving it.
    template <class U>
        requires std::is_convertible_v<U*, T*>
    WeakLink(U* target)
        : target_(target), alive_(tokenOf(target))
    {
    }

    T* get() const { return target_ && !alive_.expired() ? target_ : nullptr; }
    T* operator->() const { return get(); }
    explicit operator bool() const { return get() != nullptr; }
    void reset() { *this = WeakLink(); }

    friend bool operator==(const WeakLink& a, const WeakLink& b) { return a.get() == b.get(); }
    friend bool operator==(const WeakLink& a, const T* b) { return a.get() == b; }

private:
    template <class U>
    static std::weak_ptr<const void> tokenOf(U* target)
    {
        if (!target)
            return {};
        if constexpr (std::is_base_of_v<WeakTarget, U>) {
            return static_cast<const WeakTarget*>(target)->weakToken();
        } else {
            const auto* watched = dynamic_cast<const WeakTarget*>(target);
            return watched ? watched->weakToken() : std::weak_ptr<const void>();
        }
    }

    T* target_ = nullptr;
    std::weak_ptr<const void> alive_;
};

} // namespace kit
