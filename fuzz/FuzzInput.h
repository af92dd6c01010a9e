#pragma once

// What every target shares: the fuzzer's bytes read as a sequence of
// choices, and a private scratch folder for readers that take a path.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <string>
#include <string_view>

namespace fuzz {

// Past the end every read answers zero, so that any prefix of an input is
// an input too (libFuzzer shrinks inputs by cutting them).
class Input {
public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool atEnd() const { return pos_ >= size_; }
    std::size_t left() const { return atEnd() ? 0 : size_ - pos_; }

    std::uint8_t byte() { return atEnd() ? 0 : data_[pos_++]; }
    std::uint16_t u16() { return std::uint16_t(byte() | byte() << 8); }

    // A float: mostly from a table of values that make geometry interesting
    // (zero, tiny, huge, non-finite), otherwise four raw bytes.
    float real();

    std::string bytes(std::size_t n)
    {
        n = std::min(n, left());
        std::string s(reinterpret_cast<const char*>(data_ + pos_), n);
        pos_ += n;
        return s;
    }
    std::string rest() { return bytes(left()); }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

// A folder of this process's own, removed when it ends.
const std::string& scratchFolder();
bool writeFile(const std::string& path, std::string_view contents);

// A broken promise of a reader (a round trip that does not hold): the
// fuzzer records the input as a crash.
[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

} // namespace fuzz
