#pragma once

// The C-string helpers that tokens and elements keep their characters with.
// A slot is either absent (a NULL string) or a string; gathering a run one
// piece at a time grows the slot in place, so a run of n bytes costs O(n)
// whatever the pieces.

#include <cstddef>
#include <string>
#include <string_view>

class ZynCString {
public:
    ZynCString() = default;

    bool isNull() const { return null_; }
    // The characters; empty when absent.
    const std::string& str() const { return text_; }
    std::string_view view() const { return text_; }
    std::size_t length() const { return text_.size(); }

    // Present and holding exactly these bytes (possibly none).
    void assign(std::string_view bytes)
    {
        text_.assign(bytes);
        null_ = false;
    }
    void append(std::string_view bytes)
    {
        text_.append(bytes);
        null_ = false;
    }
    void push_back(char c)
    {
        text_.push_back(c);
        null_ = false;
    }
    // Absent; the storage is kept for the next string.
    void setNull()
    {
        text_.clear();
        null_ = true;
    }
    void reserve(std::size_t n) { text_.reserve(n); }
    // The storage itself, for readers that gather straight into it.
    std::string& storage()
    {
        null_ = false;
        return text_;
    }

private:
    std::string text_;
    bool null_ = true;
};

// NSObject(ZynObjectAdditions). Memory zones are not kept: each slot owns
// its characters.
struct ZynObjectAdditions {
    // A non-empty source replaces the slot's string with a copy. An empty
    // source makes the slot absent when allowNull is set, else leaves it.
    static void setTextValue(ZynCString& slot, std::string_view source, bool allowNull = true);

    // The slot's string followed by the source; an empty result counts as
    // an empty source above. Appends in place (amortised growth).
    static void appendTextValue(std::string_view source, ZynCString& slot, bool allowNull = true);

    // One byte more. extendBy was the step a hand-grown buffer grew by; the
    // slot grows amortised, and the step only reserves room ahead when the
    // slot is full.
    static void appendChar(char c, ZynCString& slot);
    static void appendChar(char c, ZynCString& slot, std::size_t extendBy);
};
