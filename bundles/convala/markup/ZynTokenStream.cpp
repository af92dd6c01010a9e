#include "bundles/convala/markup/ZynTokenStream.h"

#include "bundles/convala/markup/ZynToken.h"

#include "core/CharClass.h"
#include "foundation/ZMemoryStream.h"

ZynTokenStream::ZynTokenStream()
{
    setDelimiters(defaultDelimiters());
    setQuotes("\"");
}

ZynTokenStream::ZynTokenStream(std::shared_ptr<const std::string> data) : ZynTokenStream()
{
    setData(std::move(data));
}

ZynTokenStream::ZynTokenStream(std::string data) : ZynTokenStream()
{
    setData(std::make_shared<const std::string>(std::move(data)));
}

ZynTokenStream* ZynTokenStream::initWithData(std::shared_ptr<const std::string> data)
{
    if (!ZynStream::initWithData(std::move(data)))
        return nullptr;
    escapeChar_ = '\\';
    setDelimiters(defaultDelimiters());
    setQuotes("\"");
    return this;
}

const std::string& ZynTokenStream::defaultDelimiters()
{
    static const std::string list = [] {
        std::string s;
        for (int c = 1; c < 256; ++c)
            if (kit::isSpace(static_cast<unsigned char>(c)))
                s.push_back(static_cast<char>(c));
        return s;
    }();
    return list;
}

void ZynTokenStream::rebuildDelimiterMap()
{
    delimmap_.fill(0);
    for (char c : delimiters_)
        delimmap_[static_cast<unsigned char>(c)] = 1;
}

ZynTokenStream* ZynTokenStream::setDelimiters(std::string_view delimiters)
{
    delimiters_.assign(delimiters);
    rebuildDelimiterMap();
    return this;
}

ZynTokenStream* ZynTokenStream::addDelimiters(std::string_view delimiters)
{
    delimiters_.append(delimiters);
    rebuildDelimiterMap();
    return this;
}

ZynTokenStream* ZynTokenStream::removeDelimiters(std::string_view delimiters)
{
    for (char c : delimiters) {
        const std::size_t at = delimiters_.find(c);
        if (at != std::string::npos)
            delimiters_.erase(at, 1);
    }
    rebuildDelimiterMap();
    return this;
}

ZynTokenStream* ZynTokenStream::replaceDelimiter(char delimiter, char with)
{
    const std::size_t at = delimiters_.find(delimiter);
    if (at == std::string::npos)
        return nullptr;
    delimiters_[at] = with;
    rebuildDelimiterMap();
    return this;
}

ZynTokenStream* ZynTokenStream::setQuotes(std::string_view quotes)
{
    quotes_.assign(quotes);
    quotemap_.fill(0);
    for (char c : quotes_)
        quotemap_[static_cast<unsigned char>(c)] = 1;
    return this;
}

unsigned char ZynTokenStream::nextChar()
{
    const int c = getc();
    return c < 0 ? 0 : static_cast<unsigned char>(c);
}

unsigned char ZynTokenStream::tryToOpenEscape(unsigned char c)
{
    if (!escapeOpen_ && escapeChar_ != 0 && c == escapeChar_) {
        escapeOpen_ = true;
        return nextChar();
    }
    escapeOpen_ = false;
    return c;
}

unsigned char ZynTokenStream::tryToOpenQuote(unsigned char c)
{
    if (quoteOpen_)
        return c;
    if (!escapeOpen_ && c != 0 && quotemap_[c]) {
        quoteOpen_ = true;
        quoteChar_ = c;
        return nextChar();
    }
    return c;
}

ZynTokenStream* ZynTokenStream::getNextToken(ZynToken* token)
{
    if (!token)
        return nullptr;
    token->setQuoteChar(0);
    token->setDelimiter(false);
    std::string& out = token->textSlot().storage();
    out.clear();
    if (atEOS())
        return this;

    // Without escapes and quotes a token is a plain scan over the delimiter
    // map (the markup streams read this way).
    if (escapeChar_ == 0 && !quoteOpen_ && quotes_.empty()) {
        const std::string_view all = data();
        std::size_t at = offset();
        const auto first = static_cast<unsigned char>(all[at]);
        if (first != 0 && delimmap_[first]) {
            out.push_back(static_cast<char>(first));
            token->setDelimiter(true);
            setOffset(at + 1);
            return this;
        }
        const std::size_t start = at;
        while (at < all.size()) {
            const auto c = static_cast<unsigned char>(all[at]);
            if (c != 0 && delimmap_[c])
                break;
            ++at;
        }
        out.assign(all.substr(start, at - start));
        setOffset(at);
        return this;
    }

    // A quote counts as something gathered, so an empty quoted string is a
    // token of its own and not swallowed by the delimiter after it.
    bool gathered = false;
    for (;;) {
        int c = getc();
        if (c < 0)
            break;
        if (escapeChar_ != 0 && c == escapeChar_) {
            escapeOpen_ = true;
            c = getc();
            escapeOpen_ = false;
            if (c < 0)
                break;
            out.push_back(static_cast<char>(c));
            gathered = true;
        } else if (quoteOpen_) {
            token->setQuoteChar(quoteChar_);
            if (c == quoteChar_)
                quoteOpen_ = false;
            else
                out.push_back(static_cast<char>(c));
            gathered = true;
        } else if (c != 0 && quotemap_[c]) {
            quoteOpen_ = true;
            quoteChar_ = static_cast<unsigned char>(c);
            token->setQuoteChar(quoteChar_);
            gathered = true;
        } else if (c != 0 && delimmap_[c]) {
            if (gathered) {
                ungetc();
            } else {
                out.push_back(static_cast<char>(c));
                token->setDelimiter(true);
            }
            break;
        } else {
            out.push_back(static_cast<char>(c));
            gathered = true;
        }
        if (atEOS())
            break;
    }
    return this;
}

ZynTokenStream* ZynTokenStream::writeToken(const ZynToken* token, ZMemoryStream* to)
{
    if (!token || !to)
        return nullptr;
    const unsigned char q = token->quoteChar();
    if (q)
        to->putc(q);
    for (char ch : token->text()) {
        const auto c = static_cast<unsigned char>(ch);
        const bool escape = escapeChar_ != 0 &&
                            (c == escapeChar_ || (!token->isDelimiter() && c != 0 && quotemap_[c]) ||
                             (!token->isDelimiter() && !q && c != 0 && delimmap_[c]));
        if (escape)
            to->putc(escapeChar_);
        to->putc(c);
    }
    if (q)
        to->putc(q);
    return this;
}

ZynTokenStream* ZynTokenStream::writeToken(const ZynToken* token)
{
    return writeToken(token, dynamic_cast<ZMemoryStream*>(static_cast<ZynStream*>(this)));
}
