#pragma once

#include "core/Values.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kit {

// One message of a named connection: a request (a selector and its
// arguments), its reply (a value) or an error (a reason), with the
// request's sequence number. Values are nil, booleans, integers, reals,
// strings, data, arrays and dictionaries of them (kit::Values).
//
// On the wire a message is a frame: a 4-byte big-endian length, then that
// many bytes: a version byte (1), the kind, the sequence (4 bytes), and the
// kind's fields. Requests come from other programs: every count and length
// is checked against the bytes that are left and against fixed limits
// before anything is made, and nesting is bounded.
class PortMessage {
public:
    enum class Kind : std::uint8_t { Request = 1, Reply = 2, Error = 3 };

    static constexpr std::size_t MaxMessageSize = 1u << 20;
    static constexpr int MaxDepth = 32;
    static constexpr std::size_t MaxElements = 100000;
    static constexpr std::size_t MaxSelectorLength = 256;
    static constexpr std::size_t MaxDictionaryEntries = 1024;

    static PortMessage request(std::uint32_t sequence, const std::string& selector, std::unique_ptr<Array> arguments);
    static PortMessage reply(std::uint32_t sequence, std::unique_ptr<Object> result);
    static PortMessage error(std::uint32_t sequence, const std::string& reason);

    Kind kind() const { return kind_; }
    std::uint32_t sequence() const { return sequence_; }
    const std::string& selector() const { return selector_; }
    // Never nil for a request (an empty array without arguments).
    const Array* arguments() const { return arguments_.get(); }
    // The reply's value; nil stands for nil.
    const Object* result() const { return result_.get(); }
    std::unique_ptr<Object> takeResult() { return std::move(result_); }
    const std::string& reason() const { return reason_; }

    // The whole frame, length first. False (and nothing written) when a
    // value is not one of the kinds above, or the frame would be too large.
    bool encode(std::string* frame, std::string* error = nullptr) const;
    // The length a frame's first four bytes announce.
    static std::uint32_t frameLength(const unsigned char header[4]);
    // Reads the bytes after the length. Any malformed, truncated, oversized
    // or trailing byte refuses the message with a reason.
    static std::optional<PortMessage> decode(std::string_view payload, std::string* error = nullptr);

    // Encodes one value alone (for tests and the fuzzer).
    static bool encodeValue(const Object* value, std::string* out, std::string* error = nullptr);
    // A copy of a value that can be sent; nil for nil or for any other object.
    static std::unique_ptr<Object> copyValue(const Object* value);

private:
    PortMessage() = default;

    Kind kind_ = Kind::Request;
    std::uint32_t sequence_ = 0;
    std::string selector_;
    std::unique_ptr<Array> arguments_;
    std::unique_ptr<Object> result_;
    std::string reason_;
};

} // namespace kit
