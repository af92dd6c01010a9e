#pragma once

// An RTF reader: a token stream whose elements are RTF's keywords, escaped
// and hexadecimal characters, braces and runs of text. Data that is not RTF
// is wrapped as RTF first, so plain text reads as paragraphs of text.
//
// Every reader is bounded: a keyword keeps at most MaxKeywordLength letters,
// a number saturates at the limits of a 32-bit int, and no reader steps past
// the end of the data.

#include "bundles/convala/markup/ZynTokenStream.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

class ZynMarkupElement;
class ZynToken;

class ZynMarkupStream : public ZynTokenStream {
public:
    // The group keyword buffer of the dispatcher holds this many characters;
    // RTF's control words are at most 32 letters long.
    static constexpr std::size_t MaxKeywordLength = 255;

    ZynMarkupStream();
    explicit ZynMarkupStream(std::shared_ptr<const std::string> data);
    explicit ZynMarkupStream(std::string data);

    // The stream over the data, wrapped as RTF unless it begins with
    // "{\rtf"; nil for nil data.
    ZynMarkupStream* initWithData(std::shared_ptr<const std::string> data);

    // Plain text as RTF: "{\rtf0\ansi ", the bytes with "{", "}", backslash
    // and each line end escaped (so each line end reads as a paragraph
    // break), then "}".
    static std::string wrapAsRTF(std::string_view text);

    // Resets a markup element, then reads the next token into it: one of
    // the delimiters (space, backslash, braces, ";", line ends) or a run of
    // other bytes. An empty token is the end of the data.
    ZynMarkupStream* getNextElement(ZynToken* element);

    // After a backslash: the keyword. A control word is a run of ASCII
    // letters with an optional signed decimal number; one space after it is
    // consumed. Anything else is a one-character control symbol ("*", "~",
    // "-", "'", an escaped backslash or brace, a line end...), after which
    // nothing is consumed. At the end of the data the element is empty.
    // "\binN" is followed by N bytes of binary data, which are passed over
    // whatever they hold (up to the end of the data).
    ZynMarkupStream* getKeywordElement(ZynMarkupElement* element);

    // The element holds the first token of a run of text: the run goes on
    // up to the next backslash, brace or ";" (which is read next), line ends
    // and NUL bytes left out; the element becomes "zyntext" with the run as
    // its text value.
    ZynMarkupStream* getTextElement(ZynMarkupElement* element);

    // After backslash and apostrophe: two hexadecimal digits make the
    // element "zyntext" with that one byte as its text value. Anything else
    // (a short or non-hexadecimal pair, or the byte 0) gives a "zyntext"
    // without a text value, and what follows the apostrophe is read next.
    ZynMarkupStream* getHexElement(ZynMarkupElement* element);

    // Skips the rest of the group whose opening brace has been read, nested
    // groups included, and leaves its closing brace to be read next. Escaped
    // braces and the bytes of "\binN" data do not count. false when the data
    // ends first.
    bool skipGroup();

    // When a "\binN" word (N > 0) begins at the backslash at `at`: where its
    // binary data ends (at most the data's end); else std::nullopt.
    static std::optional<std::size_t> endOfBinaryData(std::string_view data, std::size_t at);

    unsigned char destinationMarker() const { return destinationMarker_; }
    void setDestinationMarker(unsigned char c) { destinationMarker_ = c; }
    unsigned char introducer() const { return introducer_; }
    void setIntroducer(unsigned char c) { introducer_ = c; }
    unsigned char terminator() const { return terminator_; }
    void setTerminator(unsigned char c) { terminator_ = c; }

private:
    void setUpForRTF();

    unsigned char destinationMarker_ = '*';
    unsigned char introducer_ = '{';
    unsigned char terminator_ = '}';
};
