#include "bundles/convala/rtf/RTFPlainTextFilter.h"

#include "bundles/convala/markup/ZynDispatchRun.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynHandler.h"
#include "bundles/convala/markup/ZynMarkupDispatcher.h"
#include "bundles/convala/markup/ZynMarkupElement.h"
#include "bundles/convala/markup/ZynMarkupStream.h"
#include "bundles/convala/rtf/RTFTextEscapes.h"

#include "core/Object.h"
#include "core/Pasteboard.h"

#include <memory>

namespace {

// Words whose groups hold running text: formatting, which the text keeps
// nothing of, but whose groups must be read rather than skipped.
constexpr const char* formattingWords[] = {
    "rtf", "ansi", "ansicpg", "deff", "deftab", "plain", "pard", "s", "f", "fs", "b", "i", "ul", "ulw", "uldb",
    "ulnone", "uld", "up", "dn", "scaps", "strike", "outl", "shad", "revised", "expnd", "cf", "gray", "fc",
    "ql", "qc", "qr", "qj", "sa", "sb", "sl", "keep", "keepn", "pagebb", "nowidctlpar", "widowctrl", "fi",
    "li", "ri", "tx", "tqc", "tqr", "tqdec", "tldot", "tlhyph", "tlul", "tlth", "sectd", "zynunits",
    "paperw", "paperh", "margl", "margr", "margt", "margb", "landscape", "pgnstart", "pgnstarts", "pgndec",
    "pgnlcrm", "pgnucrm", "pgnlcltr", "pgnucltr", "headery", "footery", "chpgn", "chdate", "chtime", "-",
};

// What each word of text stands for.
struct NamedCharacter {
    const char* word;
    char32_t ch;
};
constexpr NamedCharacter textWords[] = {
    {"par", '\n'},    {"\n", '\n'},     {"\r", '\n'},     {"line", '\n'},   {"page", '\n'},
    {"tab", '\t'},    {"emdash", 0x2014}, {"endash", 0x2013}, {"bullet", 0x2022}, {"lquote", 0x2018},
    {"rquote", 0x2019}, {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003},
    {"enspace", 0x2002}, {"~", 0xA0},  {"_", 0x2011},    {";", ';'},
};

class PlainTextReader : public kit::Object {
public:
    std::string className() const override { return "RTFPlainTextReader"; }

    kit::Object* read(ZynMarkupElement* element)
    {
        if (!element || element->isTerminator())
            return this;
        const std::string& word = element->text();
        if (element->isTextRun()) {
            std::string_view bytes = element->textValue();
            // The fallback characters of a "\uN" stand for nothing more.
            while (skip_ > 0 && !bytes.empty()) {
                bytes.remove_prefix(1);
                --skip_;
            }
            for (unsigned char c : bytes)
                RTFTextEscapes::appendUTF8(text, RTFTextEscapes::codePageCharacter(c).value_or(U'\uFFFD'));
            return this;
        }
        skip_ = 0;
        if (word == "u") {
            // A signed 16-bit number; anything else is no character.
            int value = element->intValue();
            if (value < -32768 || value > 65535)
                value = 0;
            if (value < 0)
                value += 65536;
            if (value >= 0xD800 && value <= 0xDBFF) {
                high_ = char32_t(value);
            } else if (value >= 0xDC00 && value <= 0xDFFF) {
                if (high_)
                    RTFTextEscapes::appendUTF8(text, 0x10000 + ((high_ - 0xD800) << 10) + (char32_t(value) - 0xDC00));
                high_ = 0;
            } else if (value > 0) {
                RTFTextEscapes::appendUTF8(text, char32_t(value));
            }
            skip_ = fallback_;
            return this;
        }
        if (word == "uc") {
            fallback_ = element->hasValue() && element->intValue() >= 0 ? element->intValue() : 1;
            return this;
        }
        for (const NamedCharacter& t : textWords) {
            if (word == t.word) {
                RTFTextEscapes::appendUTF8(text, t.ch);
                break;
            }
        }
        return this;
    }

    static ZynSelector selector() { return ZynHandler::addMethod("readPlainText:", &PlainTextReader::read); }

    std::string text;

private:
    int fallback_ = 1;
    int skip_ = 0;
    char32_t high_ = 0;
};

} // namespace

std::string RTFPlainTextFilter::plainTextOfRTF(std::string_view rtf)
{
    ZynDispatchTable table;
    PlainTextReader reader;
    const ZynSelector selector = PlainTextReader::selector();
    for (const char* word : formattingWords)
        table.registerObject(&reader, selector, word);
    for (const NamedCharacter& t : textWords)
        table.registerObject(&reader, selector, t.word);
    for (const char* word : {"zyntext", "u", "uc"})
        table.registerObject(&reader, selector, word);
    ZynMarkupDispatcher dispatcher(&table);
    ZynMarkupStream stream;
    if (!stream.initWithData(std::make_shared<const std::string>(rtf)))
        return {};
    ZynDispatchRun run;
    dispatcher.dispatch(&stream, run);
    return std::move(reader.text);
}

void RTFPlainTextFilter::registerService()
{
    kit::Pasteboard::registerConverter(kit::RTFPboardType, kit::StringPboardType,
                                       [](const std::string& rtf) -> std::optional<std::string> {
                                           return plainTextOfRTF(rtf);
                                       });
}
