#include "bundles/convala/rtf/RTFPlainTextFilter.h"

#include "bundles/convala/markup/ZynDispatchRun.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynHandler.h"
#include "bundles/convala/markup/ZynMarkupDispatcher.h"
#include "bundles/convala/markup/ZynMarkupElement.h"
#include "bundles/convala/markup/ZynMarkupStream.h"
#include "bundles/convala/rtf/RTFTextDecoder.h"
#include "bundles/convala/rtf/RTFTextEscapes.h"

#include "core/Encoding.h"
#include "core/Object.h"
#include "core/Pasteboard.h"

#include <memory>
#include <string>
#include <unordered_set>

namespace {

// What each word of text stands for.
struct NamedCharacter {
    const char* word;
    char32_t ch;
};
constexpr NamedCharacter textWords[] = {
    {"tab", '\t'},         {"emdash", 0x2014},    {"endash", 0x2013},  {"bullet", 0x2022},  {"lquote", 0x2018},
    {"rquote", 0x2019},    {"ldblquote", 0x201C}, {"rdblquote", 0x201D}, {"emspace", 0x2003}, {"enspace", 0x2002},
    {"~", 0xA0},           {"_", 0x2011},         {";", ';'},
};
// Words that end a line of the text; a cell or a row ends one only when it
// holds text (a paragraph end may have closed it).
constexpr const char* lineWords[] = {"par", "\n", "\r", "line", "page"};
constexpr const char* cellWords[] = {"cell", "nestcell", "row"};
// The document's character set and its fonts' sets, and the font table
// that declares them.
constexpr const char* charsetWords[] = {"ansi", "mac", "pc", "pca", "ansicpg", "nextcset", "deff"};
constexpr const char* fontTableWords[] = {"fonttbl", "f", "fcharset", "cpg"};

// The read's own state: the decoder sees the groups.
class PlainTextRun final : public ZynDispatchRun {
public:
    void groupOpened() override { decoder.groupOpened(); }
    void groupClosed() override { decoder.groupClosed(); }

    RTFTextDecoder decoder;
};

// Characters as UTF-8; a symbol font's codes through the Symbol set, when
// the font is Symbol (another symbol font's glyphs are no text).
class PlainText final : public RTFTextDecoder::Output {
public:
    void character(char32_t ch) override
    {
        if (ch >= 0xF000 && ch <= 0xF0FF) {
            if (!symbolFont)
                return;
            const std::optional<char32_t> symbol =
                kit::toUnicode(kit::Encoding::Symbol, static_cast<unsigned char>(ch - 0xF000));
            if (!symbol)
                return;
            ch = *symbol;
        }
        RTFTextEscapes::appendUTF8(text, ch);
        lineHasText = true;
    }

    std::string text;
    bool lineHasText = false;
    bool symbolFont = false;
};

class PlainTextReader : public kit::Object {
public:
    std::string className() const override { return "RTFPlainTextReader"; }

    kit::Object* read(ZynMarkupElement* element)
    {
        auto* run = element ? dynamic_cast<PlainTextRun*>(element->dispatchRun()) : nullptr;
        if (!run)
            return this;
        RTFTextDecoder& decoder = run->decoder;
        const std::string& word = element->text();
        if (word == "fonttbl") {
            fontTable_ = element->isIntroducer();
            return this;
        }
        if (element->isTerminator())
            return this;
        out_.symbolFont = symbolFonts_.contains(decoder.currentFont());
        if (fontTable_) {
            readFontTable(*element, decoder);
            return this;
        }
        if (element->isTextRun()) {
            pageBreakEnded_ = false;
            decoder.text(element->textValue(), out_);
            return this;
        }
        const int n = element->hasValue() ? element->intValue() : 0;
        if (word == "u") {
            pageBreakEnded_ = false;
            decoder.unicode(n, out_);
            return this;
        }
        if (word == "uc") {
            decoder.setUnicodeSkip(n);
            return this;
        }
        if (word == "f" || word == "deff") {
            decoder.selectFont(n < 0 ? n + 65536 : n);
            return this;
        }
        if (word == "ansi" || word == "mac" || word == "pc" || word == "pca" || word == "nextcset" ||
            word == "ansicpg") {
            if (word != "ansicpg" || n > 0)
                decoder.setDocumentCodePage(word == "ansi"       ? 1252
                                            : word == "mac"      ? 10000
                                            : word == "pc"       ? 437
                                            : word == "pca"      ? 850
                                            : word == "nextcset" ? RTFTextDecoder::NeXTSTEPCodePage
                                                                 : n);
            return this;
        }
        for (const NamedCharacter& t : textWords) {
            if (word == t.word) {
                pageBreakEnded_ = false;
                if (!decoder.consumeFallback())
                    out_.character(t.ch);
                return this;
            }
        }
        decoder.interrupt();
        bool endsLine = false;
        for (const char* w : lineWords)
            endsLine = endsLine || word == w;
        for (const char* w : cellWords)
            endsLine = endsLine || (word == w && out_.lineHasText);
        // A page break ends its paragraph: the paragraph end written
        // right after it is that same end, as the reader has it.
        const bool sameEnd = pageBreakEnded_ && (word == "par" || word == "\n" || word == "\r");
        if (endsLine)
            pageBreakEnded_ = word == "page";
        if (endsLine && !sameEnd) {
            out_.text += '\n';
            out_.lineHasText = false;
        }
        return this;
    }

    static ZynSelector selector() { return ZynHandler::addMethod("readPlainText:", &PlainTextReader::read); }

    std::string takeText() { return std::move(out_.text); }

private:
    // Only what the code pages need: each font's character set, and which
    // fonts are the Symbol font. Names are no text.
    void readFontTable(const ZynMarkupElement& element, RTFTextDecoder& decoder)
    {
        const std::string& word = element.text();
        const int n = element.hasValue() ? element.intValue() : 0;
        if (word == "f") {
            decoder.selectFont(n);
            name_.clear();
        } else if (word == "fcharset" && element.hasValue()) {
            decoder.setFontCharset(decoder.currentFont(), n);
        } else if (word == "cpg" && element.hasValue()) {
            decoder.setFontCodePage(decoder.currentFont(), n);
        } else if (element.isTextRun()) {
            RTFTextDecoder::UTF8Output out(name_);
            decoder.text(element.textValue(), out, RTFTextDecoder::Reading::Name);
            const auto first = name_.find_first_not_of(' ');
            const auto last = name_.find_last_not_of(' ');
            if (first != std::string::npos && name_.compare(first, last - first + 1, "Symbol") == 0)
                symbolFonts_.insert(decoder.currentFont());
        }
    }

    PlainText out_;
    bool fontTable_ = false;
    bool pageBreakEnded_ = false;
    std::string name_;
    std::unordered_set<int> symbolFonts_;
};

} // namespace

std::string RTFPlainTextFilter::plainTextOfRTF(std::string_view rtf)
{
    ZynDispatchTable table;
    PlainTextReader reader;
    const ZynSelector selector = PlainTextReader::selector();
    for (const NamedCharacter& t : textWords)
        table.registerObject(&reader, selector, t.word);
    for (const char* word : lineWords)
        table.registerObject(&reader, selector, word);
    for (const char* word : cellWords)
        table.registerObject(&reader, selector, word);
    for (const char* word : charsetWords)
        table.registerObject(&reader, selector, word);
    for (const char* word : fontTableWords)
        table.registerObject(&reader, selector, word);
    for (const std::string_view word : {ZynTextKeyword, std::string_view("u"), std::string_view("uc")})
        table.registerObject(&reader, selector, word);
    ZynMarkupDispatcher dispatcher(&table);
    ZynMarkupStream stream;
    if (!stream.initWithData(std::make_shared<const std::string>(rtf)))
        return {};
    PlainTextRun run;
    dispatcher.dispatch(&stream, run);
    return reader.takeText();
}

void RTFPlainTextFilter::registerService()
{
    kit::Pasteboard::registerConverter(kit::RTFPboardType, kit::StringPboardType,
                                       [](const std::string& rtf) -> std::optional<std::string> {
                                           return plainTextOfRTF(rtf);
                                       });
}
