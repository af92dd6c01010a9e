#pragma once

// A hash table from object addresses to small values, for the coders: one
// flat array probed in a line, no allocation per entry. Archives hold
// hundreds of thousands of objects; a table of nodes spends most of a save
// or an open allocating, freeing and chasing them.

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kit::detail {

template <class V>
class PointerTable {
public:
    std::size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }

    V* find(const void* key)
    {
        if (size_ == 0)
            return nullptr;
        for (std::size_t i = slotOf(key);; i = (i + 1) & mask_) {
            if (slots_[i].key == key)
                return &slots_[i].value;
            if (!slots_[i].key)
                return nullptr;
        }
    }
    const V* find(const void* key) const { return const_cast<PointerTable*>(this)->find(key); }

    // The value of the key (not null), made when absent; whether it was made.
    std::pair<V*, bool> emplace(const void* key)
    {
        if ((size_ + 1) * 4 > slots_.size() * 3)
            grow(size_ + 1);
        for (std::size_t i = slotOf(key);; i = (i + 1) & mask_) {
            if (slots_[i].key == key)
                return {&slots_[i].value, false};
            if (!slots_[i].key) {
                slots_[i].key = key;
                slots_[i].value = V{};
                ++size_;
                return {&slots_[i].value, true};
            }
        }
    }

    void reserve(std::size_t n)
    {
        if (n * 4 > slots_.size() * 3)
            grow(n);
    }

    void clear()
    {
        slots_.clear();
        size_ = 0;
        mask_ = 0;
    }

    template <class F>
    void forEach(F&& f)
    {
        for (Slot& slot : slots_)
            if (slot.key)
                f(slot.key, slot.value);
    }

private:
    std::size_t slotOf(const void* key) const
    {
        // Addresses are aligned and clustered: mix them before masking.
        auto h = std::uint64_t(reinterpret_cast<std::uintptr_t>(key)) * 0x9E3779B97F4A7C15ull;
        return std::size_t(h >> 32) & mask_;
    }

    void grow(std::size_t atLeast)
    {
        std::size_t capacity = 16;
        while (capacity * 3 < atLeast * 4)
            capacity *= 2;
        if (capacity < slots_.size() * 2)
            capacity = slots_.size() * 2;
        std::vector<Slot> old(capacity);
        std::swap(old, slots_);
        mask_ = capacity - 1;
        size_ = 0;
        for (Slot& slot : old)
            if (slot.key)
                *emplace(slot.key).first = std::move(slot.value);
    }

    // A key and its value side by side: one look-up, one cache line.
    struct Slot {
        const void* key = nullptr;
        V value{};
    };
    std::vector<Slot> slots_;
    std::size_t size_ = 0;
    std::size_t mask_ = 0;
};

} // namespace kit::detail
