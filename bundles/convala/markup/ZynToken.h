#pragma once

// One token of a token stream: a run of ordinary bytes, a quoted string
// without its quotes, or exactly one delimiter byte.

#include "bundles/convala/markup/ZynObjectAdditions.h"

#include "core/Object.h"

#include <string>
#include <string_view>

class ZynToken : public kit::Object {
public:
    ZynToken() = default;

    std::string className() const override { return "ZynToken"; }

    // The characters; empty when the token has none.
    const std::string& text() const { return text_.str(); }
    bool hasText() const { return !text_.isNull(); }
    // A copy of the bytes; none for an empty string.
    void setText(std::string_view text) { ZynObjectAdditions::setTextValue(text_, text); }
    // Takes the string itself (an empty one stays an empty text).
    void directSetText(std::string&& text);
    void appendText(std::string_view text) { ZynObjectAdditions::appendTextValue(text, text_); }
    void setTextToChar(char c);
    // The slot itself, for readers that gather into it.
    ZynCString& textSlot() { return text_; }

    unsigned char quoteChar() const { return quoteChar_; }
    void setQuoteChar(unsigned char c) { quoteChar_ = c; }
    bool isQuotedString() const { return quoteChar_ != 0; }
    bool isDelimiter() const { return isDelimiter_; }
    void setDelimiter(bool flag) { isDelimiter_ = flag; }

    // The first byte, 0 without text.
    unsigned char textAsChar() const { return text_.length() ? static_cast<unsigned char>(text_.str()[0]) : 0; }
    // -1 without text.
    long textLength() const { return text_.isNull() ? -1 : static_cast<long>(text_.length()); }
    bool isEndOfStream() const { return text_.length() == 0; }

private:
    unsigned char quoteChar_ = 0;
    bool isDelimiter_ = false;
    ZynCString text_;
};
