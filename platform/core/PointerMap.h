#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace kit {

// A map from object addresses to small values, for the coders' bookkeeping
// of every object an archive holds: one flat table probed in place, so that
// a lookup costs one cache line however many objects there are (a node map
// costs an allocation per object and two cache misses per lookup). Keys are
// never removed; nullptr is no key.
template <class V>
class PointerMap {
    static_assert(std::is_trivially_copyable_v<V>);

public:
    // The value of key, or nullptr.
    V* find(const void* key)
    {
        if (slots_.empty())
            return nullptr;
        for (std::size_t i = home(key);; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (s.key == key)
                return &s.value;
            if (!s.key)
                return nullptr;
        }
    }
    const V* find(const void* key) const { return const_cast<PointerMap*>(this)->find(key); }

    // The value of key, made value-initialised when key is new.
    V& operator[](const void* key)
    {
        if ((size_ + 1) * 4 > slots_.size() * 3)
            grow();
        for (std::size_t i = home(key);; i = (i + 1) & mask_) {
            Slot& s = slots_[i];
            if (s.key == key)
                return s.value;
            if (!s.key) {
                s.key = key;
                s.value = V{};
                ++size_;
                return s.value;
            }
        }
    }

    std::size_t size() const { return size_; }

    // Room for count keys without growing.
    void reserve(std::size_t count)
    {
        std::size_t capacity = slots_.empty() ? 64 : slots_.size();
        while (count * 4 > capacity * 3)
            capacity *= 2;
        if (capacity != slots_.size())
            rehash(capacity);
    }

    template <class F>
    void forEachValue(F f)
    {
        for (Slot& s : slots_)
            if (s.key)
                f(s.value);
    }

private:
    struct Slot {
        const void* key = nullptr;
        V value{};
    };

    std::size_t home(const void* key) const
    {
        // Objects made one after another lie close together: their slots do
        // too, so a coder walking what it just made stays in cache. The
        // address is folded onto itself so that objects of one size (a
        // document's words) fill neighbouring slots rather than every n-th,
        // whose runs would meet those of other regions and grow long. The
        // high bits scatter far-apart regions.
        const auto a = std::uint64_t(reinterpret_cast<std::uintptr_t>(key));
        const std::uint64_t x = a >> 4;
        return std::size_t((x ^ (x >> 4) ^ (x >> 8) ^ ((a >> 24) * 0x9E3779B97F4A7C15ull >> 32)) & mask_);
    }

    void grow() { rehash(slots_.empty() ? 64 : slots_.size() * 2); }

    void rehash(std::size_t capacity)
    {
        std::vector<Slot> old = std::move(slots_);
        slots_.assign(capacity, Slot{});
        mask_ = capacity - 1;
        for (const Slot& s : old) {
            if (!s.key)
                continue;
            std::size_t i = home(s.key);
            while (slots_[i].key)
                i = (i + 1) & mask_;
            slots_[i] = s;
        }
    }

    std::vector<Slot> slots_;
    std::size_t size_ = 0;
    std::size_t mask_ = 0;
};

} // namespace kit
