// The markup framework's tokenizers over any bytes: the general token stream
// with delimiters, quotes and an escape byte taken from the input, and the
// RTF reader's element readers as the dispatcher calls them.

#include "FuzzInput.h"

#include "bundles/convala/markup/ZynMarkupElement.h"
#include "bundles/convala/markup/ZynMarkupStream.h"
#include "bundles/convala/markup/ZynToken.h"
#include "bundles/convala/markup/ZynTokenStream.h"

#include "foundation/ZMemoryStream.h"

#include <string>
#include <vector>

namespace {

struct Tok {
    std::string text;
    unsigned char quote;
    bool delimiter;
    bool operator==(const Tok&) const = default;
};

// Every token up to the end; an empty unquoted token (an escape byte at the
// very end) carries nothing and is left out.
std::vector<Tok> readAll(ZynTokenStream& stream, std::size_t size)
{
    std::vector<Tok> out;
    ZynToken token;
    while (!stream.atEOS()) {
        const std::size_t before = stream.offset();
        stream.getNextToken(&token);
        if (stream.offset() <= before)
            fuzz::fail("a token read nothing");
        if (token.isDelimiter() && token.text().size() != 1)
            fuzz::fail("a delimiter token is not one byte");
        if (!token.text().empty() || token.isQuotedString())
            out.push_back({token.text(), token.quoteChar(), token.isDelimiter()});
        if (out.size() > size + 1)
            fuzz::fail("more tokens than bytes");
    }
    return out;
}

void tokens(fuzz::Input& in)
{
    const unsigned char escape = in.byte();
    const std::string quotes = in.bytes(in.byte() % 4);
    const std::string delimiters = in.bytes(in.byte() % 9);
    const bool defaults = escape & 1;
    const std::string data = in.rest();
    auto configure = [&](ZynTokenStream& s) {
        if (defaults)
            return;
        s.setEscapeChar(escape >> 1 == 0x7F ? 0 : escape >> 1);
        s.setQuotes(quotes);
        s.setDelimiters(delimiters);
    };
    ZynTokenStream stream(data);
    configure(stream);
    const std::vector<Tok> first = readAll(stream, data.size());

    // What writeToken writes reads back as the same tokens. Without an
    // escape byte a token that joined strings in two different quotes has no
    // written form, so only streams with one are held to it.
    if (stream.escapeChar() == 0)
        return;
    ZynTokenStream writer(std::string{});
    configure(writer);
    ZMemoryStream out;
    for (const Tok& t : first) {
        ZynToken token;
        token.directSetText(std::string(t.text));
        token.setQuoteChar(t.quote);
        token.setDelimiter(t.delimiter);
        writer.writeToken(&token, &out);
    }
    ZynTokenStream again(*out.data());
    configure(again);
    if (readAll(again, out.data()->size()) != first)
        fuzz::fail("written tokens read back differently");
}

void elements(fuzz::Input& in)
{
    ZynMarkupStream stream(in.rest());
    ZynMarkupElement element;
    std::size_t count = 0;
    for (stream.getNextElement(&element); !element.isEndOfStream(); stream.getNextElement(&element)) {
        if (++count > stream.length())
            fuzz::fail("more elements than bytes");
        const char c = element.text()[0];
        if (c == '\\') {
            stream.getKeywordElement(&element);
            if (element.text().size() > ZynMarkupStream::MaxKeywordLength)
                fuzz::fail("a keyword beyond its limit");
            if (!element.text().empty() && element.text()[0] == '\'') {
                stream.getHexElement(&element);
                if (element.hasTextValue() && (element.textValue().size() != 1 || element.textValue()[0] == 0))
                    fuzz::fail("a hexadecimal character that is not one byte");
            }
        } else if (c != '{' && c != '}' && c != ';' && c != '\n' && c != '\r') {
            stream.getTextElement(&element);
            for (char t : element.textValue())
                if (t == '\\' || t == '{' || t == '}' || t == ';' || t == '\n' || t == '\r' || t == 0)
                    fuzz::fail("a text run holds a control byte");
        }
    }
    if (!stream.atEOS())
        fuzz::fail("the elements ended before the data");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::Input in(data, size);
    if (in.byte() & 1)
        elements(in);
    else
        tokens(in);
    return 0;
}
