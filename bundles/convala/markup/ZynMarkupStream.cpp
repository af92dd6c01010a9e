#include "bundles/convala/markup/ZynMarkupStream.h"

#include "bundles/convala/markup/ZynMarkupElement.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>

namespace {

constexpr std::string_view RTFSignature = "{\\rtf";
constexpr std::string_view RTFDelimiters = " \\{};\n\r";

bool isAsciiLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(int c) { return c >= '0' && c <= '9'; }

int hexValue(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Bytes that end a run of text, and bytes left out of it.
constexpr std::array<std::uint8_t, 256> makeTextMap()
{
    std::array<std::uint8_t, 256> m{};
    m['\\'] = m['{'] = m['}'] = m[';'] = 1;
    m['\n'] = m['\r'] = m[0] = 2;
    return m;
}
constexpr std::array<std::uint8_t, 256> TextMap = makeTextMap();

} // namespace

ZynMarkupStream::ZynMarkupStream() { setUpForRTF(); }

ZynMarkupStream::ZynMarkupStream(std::shared_ptr<const std::string> data) : ZynMarkupStream()
{
    initWithData(std::move(data));
}

ZynMarkupStream::ZynMarkupStream(std::string data) : ZynMarkupStream()
{
    initWithData(std::make_shared<const std::string>(std::move(data)));
}

void ZynMarkupStream::setUpForRTF()
{
    setEscapeChar(0);
    setQuotes("");
    setDelimiters(RTFDelimiters);
    destinationMarker_ = '*';
    introducer_ = '{';
    terminator_ = '}';
}

ZynMarkupStream* ZynMarkupStream::initWithData(std::shared_ptr<const std::string> data)
{
    if (!data)
        return nullptr;
    if (data->compare(0, RTFSignature.size(), RTFSignature) != 0)
        data = std::make_shared<const std::string>(wrapAsRTF(*data));
    setData(std::move(data));
    setUpForRTF();
    return this;
}

std::string ZynMarkupStream::wrapAsRTF(std::string_view text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16 + 16);
    out.append("{\\rtf0\\ansi ");
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // A return that is not part of a return and newline pair ends a line
        // too (text from older Macintosh programs), so its lines do not run
        // together.
        const bool loneReturn = c == '\r' && (i + 1 == text.size() || text[i + 1] != '\n');
        if (c == '{' || c == '}' || c == '\\' || c == '\n' || loneReturn)
            out.push_back('\\');
        out.push_back(c);
    }
    out.push_back('}');
    return out;
}

ZynMarkupStream* ZynMarkupStream::getNextElement(ZynToken* element)
{
    if (auto* markup = dynamic_cast<ZynMarkupElement*>(element))
        markup->reset();
    getNextToken(element);
    return this;
}

ZynMarkupStream* ZynMarkupStream::getKeywordElement(ZynMarkupElement* element)
{
    if (!element)
        return this;
    element->reset();
    element->setDelimiter(false);
    element->setQuoteChar(0);
    std::string& keyword = element->textSlot().storage();
    keyword.clear();
    int c = getc();
    if (c < 0)
        return this;
    if (!isAsciiLetter(c)) {
        keyword.push_back(static_cast<char>(c));
        return this;
    }
    const std::string_view all = data();
    std::size_t at = offset() - 1;
    const std::size_t start = at;
    while (at < all.size() && isAsciiLetter(static_cast<unsigned char>(all[at])))
        ++at;
    // Letters beyond the limit are read and dropped: the keyword can match
    // no handler's word, and nothing of it turns into text.
    keyword.assign(all.substr(start, std::min(at - start, MaxKeywordLength)));

    // The number: a "-" counts only before a digit. Digits beyond the range
    // of an int are read, and the number stays at the limit.
    bool negative = false;
    if (at + 1 < all.size() && all[at] == '-' && isDigit(static_cast<unsigned char>(all[at + 1]))) {
        negative = true;
        ++at;
    }
    if (at < all.size() && isDigit(static_cast<unsigned char>(all[at]))) {
        long long value = 0;
        const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
        while (at < all.size() && isDigit(static_cast<unsigned char>(all[at]))) {
            if (value < limit)
                value = std::min(limit, value * 10 + (all[at] - '0'));
            ++at;
        }
        element->setIntValue(static_cast<std::int32_t>(negative ? -value : value));
    }
    if (at < all.size() && all[at] == ' ')
        ++at;
    // Binary data is no markup: its bytes may be anything, braces too.
    if (element->hasValue() && element->intValue() > 0 && keyword == "bin")
        at += std::min(all.size() - at, static_cast<std::size_t>(element->intValue()));
    setOffset(at);
    return this;
}

ZynMarkupStream* ZynMarkupStream::getTextElement(ZynMarkupElement* element)
{
    if (!element)
        return this;
    const std::string_view all = data();
    std::size_t at = offset();
    std::string& run = element->textValueSlot().storage();
    run.clear();
    // The first token was normally just read from here: read it again in
    // place rather than copy it.
    const std::string& first = element->text();
    if (at >= first.size() && all.substr(at - first.size(), first.size()) == first) {
        at -= first.size();
    } else {
        for (char c : first)
            if (TextMap[static_cast<unsigned char>(c)] == 0)
                run.push_back(c);
    }
    while (at < all.size()) {
        // Whole stretches of ordinary bytes at a time.
        const std::size_t start = at;
        std::uint8_t kind = 0;
        while (at < all.size() && (kind = TextMap[static_cast<unsigned char>(all[at])]) == 0)
            ++at;
        run.append(all.substr(start, at - start));
        if (at == all.size() || kind == 1)
            break;
        ++at; // a line end or NUL: left out
    }
    setOffset(at);
    if (run.empty())
        element->textValueSlot().setNull();
    element->setText(ZynTextKeyword);
    element->setDelimiter(false);
    return this;
}

ZynMarkupStream* ZynMarkupStream::getHexElement(ZynMarkupElement* element)
{
    if (!element)
        return this;
    element->reset();
    element->setText(ZynTextKeyword);
    const std::size_t start = offset();
    const int high = hexValue(getc());
    const int low = high < 0 ? -1 : hexValue(getc());
    if (high < 0 || low < 0) {
        setOffset(start);
        return this;
    }
    const char byte = static_cast<char>(high * 16 + low);
    if (byte != 0)
        element->setTextValue(std::string_view(&byte, 1));
    return this;
}

bool ZynMarkupStream::skipGroup()
{
    const std::string_view all = data();
    std::size_t at = offset();
    std::size_t open = 0;
    while (at < all.size()) {
        const char c = all[at];
        if (c == '\\') {
            if (const std::optional<std::size_t> end = endOfBinaryData(all, at))
                at = *end;
            else
                at += 2; // the escaped byte, whatever it is
            continue;
        }
        if (c == '{') {
            ++open;
        } else if (c == '}') {
            if (open == 0) {
                setOffset(at);
                return true;
            }
            --open;
        }
        ++at;
    }
    setOffset(all.size());
    return false;
}

std::optional<std::size_t> ZynMarkupStream::endOfBinaryData(std::string_view data, std::size_t at)
{
    constexpr std::string_view word = "\\bin";
    if (data.compare(at, word.size(), word) != 0)
        return std::nullopt;
    at += word.size();
    if (at >= data.size() || !isDigit(static_cast<unsigned char>(data[at])))
        return std::nullopt;
    std::size_t length = 0;
    while (at < data.size() && isDigit(static_cast<unsigned char>(data[at]))) {
        // As the keyword reader has it: the number stops at the limit of an int.
        length = std::min<std::size_t>(INT_MAX, length * 10 + std::size_t(data[at] - '0'));
        ++at;
    }
    if (length == 0)
        return std::nullopt;
    if (at < data.size() && data[at] == ' ')
        ++at;
    return at + std::min(data.size() - at, length);
}
