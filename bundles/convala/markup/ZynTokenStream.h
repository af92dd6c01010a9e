#pragma once

// A byte stream cut into tokens by a set of delimiter bytes, quote bytes and
// one escape byte. A token is a run of ordinary bytes (delimiters inside a
// quoted string and escaped bytes are ordinary), or exactly one delimiter.
// Tokens grow as long as their data: there is no fixed gathering buffer.

#include "bundles/convala/markup/ZynStream.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class ZMemoryStream;
class ZynToken;

class ZynTokenStream : public ZynStream {
public:
    // Escape backslash, the default delimiters, the double quote.
    ZynTokenStream();
    explicit ZynTokenStream(std::shared_ptr<const std::string> data);
    explicit ZynTokenStream(std::string data);

    ZynTokenStream* initWithData(std::shared_ptr<const std::string> data);

    // Every byte 1 to 255 of the documents' character set that is white
    // space, in increasing order.
    static const std::string& defaultDelimiters();

    // Each setter answers the receiver, and keeps the list and its byte map
    // in step.
    ZynTokenStream* setDelimiters(std::string_view delimiters);
    ZynTokenStream* addDelimiters(std::string_view delimiters);
    // Removes each given byte's first occurrence.
    ZynTokenStream* removeDelimiters(std::string_view delimiters);
    // nil when the byte is not in the list.
    ZynTokenStream* replaceDelimiter(char delimiter, char with);
    ZynTokenStream* setQuotes(std::string_view quotes);
    const std::string& quotes() const { return quotes_; }
    const std::string& delimiters() const { return delimiters_; }

    // 0: no escape byte.
    ZynTokenStream* setEscapeChar(unsigned char c)
    {
        escapeChar_ = c;
        return this;
    }
    unsigned char escapeChar() const { return escapeChar_; }
    ZynTokenStream* setQuoteChar(unsigned char c)
    {
        quoteChar_ = c;
        return this;
    }
    unsigned char quoteChar() const { return quoteChar_; }
    ZynTokenStream* setEscapeOpen(bool flag)
    {
        escapeOpen_ = flag;
        return this;
    }
    bool escapeOpen() const { return escapeOpen_; }
    ZynTokenStream* setQuoteOpen(bool flag)
    {
        quoteOpen_ = flag;
        return this;
    }
    bool quoteOpen() const { return quoteOpen_; }

    // NO while an escape or a quote is open, and for byte 0.
    bool isDelimiter(unsigned char c) const { return !escapeOpen_ && !quoteOpen_ && c != 0 && delimmap_[c]; }
    bool isEscapeChar(unsigned char c) const { return !escapeOpen_ && escapeChar_ != 0 && c == escapeChar_; }
    bool isQuoteChar(unsigned char c) const { return !escapeOpen_ && c != 0 && quotemap_[c]; }

    // The next byte, 0 at the end of the data.
    unsigned char nextChar();
    // Opens an escape on the escape byte (and answers the byte after it, 0
    // at the end), else closes it and answers c.
    unsigned char tryToOpenEscape(unsigned char c);
    // Opens a quote on a quote byte when none is open and no escape is (and
    // answers the byte after it, 0 at the end), else answers c.
    unsigned char tryToOpenQuote(unsigned char c);

    // Reads the next token into the token: the receiver, or nil for no
    // token. At the end of the data the token's text is empty.
    ZynTokenStream* getNextToken(ZynToken* token);

    // Writes the token so that reading it back with these settings gives it
    // again: its quotes around it, and the escape byte before escape bytes,
    // before quote bytes (outside delimiter tokens) and before delimiters
    // (outside quoted and delimiter tokens). nil, writing nothing, for no
    // token or an output that is not a memory stream.
    ZynTokenStream* writeToken(const ZynToken* token, ZMemoryStream* to);
    ZynTokenStream* writeToken(const ZynToken* token);

protected:
    using ByteMap = std::array<std::uint8_t, 256>;
    const ByteMap& delimiterMap() const { return delimmap_; }

private:
    void rebuildDelimiterMap();

    std::string delimiters_;
    ByteMap delimmap_{};
    std::string quotes_;
    ByteMap quotemap_{};
    unsigned char escapeChar_ = '\\';
    unsigned char quoteChar_ = 0;
    bool escapeOpen_ = false;
    bool quoteOpen_ = false;
};
