// The text of an RTF document: text runs in the declared code page and
// Unicode characters, paragraph and page ends, tabs, RTF's named
// characters, page-number, date and time fields, the paragraph-control
// words, the progress shown while a long file is read, and the pictures of
// RTFD documents.

#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynMarkupStream.h"
#include "bundles/convala/rtf/RTFImportMethods.h"

#include "core/Encoding.h"
#include "core/FileWrapper.h"
#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraphNamed.h"
#include "graphics/Font.h"
#include "graphics/FontManager.h"
#include "items/Item.h"
#include "text/InlineImage.h"
#include "text/TableParagraph.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextWordSpecial.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

// The upper halves of the DOS code pages 437 and 850.
constexpr char16_t pc437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC,
    0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2,
    0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310,
    0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C,
    0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF,
    0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2,
    0x25A0, 0x00A0,
};
constexpr char16_t pc850[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC,
    0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00F8,
    0x00A3, 0x00D8, 0x00D7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x00AE,
    0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C,
    0x00E3, 0x00C3, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4, 0x00F0, 0x00D0, 0x00CA, 0x00CB,
    0x00C8, 0x0131, 0x00CD, 0x00CE, 0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580, 0x00D3, 0x00DF,
    0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE, 0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8, 0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2,
    0x25A0, 0x00A0,
};
// Windows-1252 0x80-0x9F; 0 where it has no character.
constexpr char16_t windows80[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

} // namespace

using CodePage = RTFImportState::CodePage;

RTFImportState::CodePage RTFImportMethods::codePageNumbered(int number)
{
    switch (number) {
    case 1252:
        return CodePage::Windows1252;
    case 10000:
        return CodePage::MacRoman;
    case 437:
        return CodePage::PC437;
    case 850:
        return CodePage::PC850;
    default:
        return CodePage::Unknown;
    }
}

std::optional<char32_t> RTFImportMethods::codePageCharacter(CodePage page, unsigned char byte)
{
    if (byte < 0x80)
        return char32_t(byte);
    switch (page) {
    case CodePage::Windows1252:
        if (byte >= 0xA0)
            return char32_t(byte);
        if (const char16_t ch = windows80[byte - 0x80])
            return char32_t(ch);
        return std::nullopt;
    case CodePage::MacRoman:
        return kit::toUnicode(kit::Encoding::MacRoman, byte);
    case CodePage::PC437:
        return char32_t(pc437[byte - 0x80]);
    case CodePage::PC850:
        return char32_t(pc850[byte - 0x80]);
    case CodePage::NeXTSTEP:
        return kit::toUnicode(kit::Encoding::NeXTSTEP, byte);
    case CodePage::Unknown:
        break;
    }
    return std::nullopt;
}

std::optional<unsigned char> RTFImportMethods::documentByte(char32_t ch, bool symbolFont)
{
    if (symbolFont) {
        // The Symbol font's own codes, as some programs write them.
        if (ch >= 0xF020 && ch <= 0xF0FF)
            return static_cast<unsigned char>(ch - 0xF000);
        return kit::fromUnicode(kit::Encoding::Symbol, ch);
    }
    if (ch == 0)
        return std::nullopt;
    return kit::fromUnicode(kit::Encoding::NeXTSTEP, ch);
}

namespace rtfimport {

// A special word at the caret. The empty word that the space before it
// left goes: a space before a tab, a break or a field is the words' own
// boundary (as the writer writes it), so that text read and written again
// keeps its words.
TextWord* addSpecial(TextParagraph& paragraph, int type)
{
    TextWord* current = paragraph.currentWord();
    if (current && !current->isSpecial() && current->length() == 0 && current->insertPoint() == 0 &&
        !current->hasStyles()) {
        TextWord* previous = paragraph.previousWord(current);
        const auto* special = dynamic_cast<const TextWordSpecial*>(previous);
        if (previous && (!previous->isSpecial() || (special && special->isToken()))) {
            (void)paragraph.removeWord(current);
            paragraph.setCurrentWord(previous);
            previous->setInsertToEnd();
            current = previous;
        }
    }
    // In the middle of a word the text engine splits it.
    if (!current || (!current->isSpecial() && current->insertPoint() < current->length()))
        return paragraph.addSpecialWord(type);
    auto owned = std::make_unique<TextWordSpecial>(type);
    TextWordSpecial* word = owned.get();
    paragraph.insertWord(std::move(owned), paragraph.indexOfWord(current) + 1);
    paragraph.setCurrentWord(word);
    word->setInsertToEnd();
    paragraph.setDirty(true);
    return word;
}

void appendNameCharacter(RTFImportState& state, char32_t ch);

kit::Font* defaultFont(const ZynMarkupElement& element)
{
    RTFImportState* state = stateOf(element);
    ZynImportRun* run = runOf(element);
    if (!state || !run || !state->defaultFontNumber)
        return nullptr;
    const auto& fonts = run->context().fontList();
    if (const auto it = fonts.find(*state->defaultFontNumber); it != fonts.end() && it->second)
        return it->second;
    return Main && Main->preferences() ? Main->preferences()->bodyFont() : nullptr;
}

bool typingInSymbolFont(const TextFlow& flow)
{
    const StyleChar* style = flow.charStyle();
    return style && style->font() && style->font()->familyName() == "Symbol";
}

void addTextRun(TextFlow& flow, const std::string& bytes)
{
    TextParagraph* paragraph = flow.currentParagraph();
    if (bytes.empty() || !paragraph)
        return;
    // The run takes the typing format where the text before it has another.
    bool note = false;
    textPoint point{};
    flow.getCurrentTextPoint(&point);
    if (point.letter > 0 || point.word > 0) {
        textPoint back = point;
        paragraph->prevTextPoint(&back);
        StyleChar* style = flow.styleCharAt(&back);
        for (int steps = 0; style && style->isSingleSymbol() && steps < 64; ++steps) {
            note = true;
            const textPoint was = back;
            paragraph->prevTextPoint(&back);
            if (back.word == was.word && back.letter == was.letter)
                break;
            style = flow.styleCharAt(&back);
        }
        if (style && style->differencesFromStyle(flow.charStyle()) != 0)
            note = true;
    } else {
        note = true;
    }
    std::size_t start = 0;
    for (std::size_t i = 0; i <= bytes.size(); ++i) {
        const bool end = i == bytes.size();
        const char c = end ? 0 : bytes[i];
        if (!end && c != '\t' && c != ' ')
            continue;
        if (i > start) {
            const std::string piece = bytes.substr(start, i - start);
            flow.currentParagraph()->addString(piece.c_str(), note);
            note = false;
        }
        if (!end) {
            TextParagraph& current = *flow.currentParagraph();
            const auto* special = dynamic_cast<const TextWordSpecial*>(current.currentWord());
            if (c == '\t')
                addSpecial(current, TextWordTab);
            else if (special && (special->isToken() || special->wordType() == TextWordGraphic) &&
                     special->insertPoint() > 0)
                // A field or a picture ends its word: the space after it
                // is that end.
                current.prepareForAddByte(' ');
            else
                current.addByte(32, i == 0 || i + 1 == bytes.size(), true);
        }
        start = i + 1;
    }
    flow.currentParagraph()->setDirty(true);
}

namespace {

// The named characters, in the documents' character set.
int namedCharacter(const std::string& word)
{
    static const std::pair<const char*, int> table[] = {
        {"emdash", 0xD0}, {"endash", 0xB1},    {"emspace", 0x80},   {"enspace", 0x80}, {"~", 0x80}, {"bullet", 0xB7},
        {"lquote", 0x60}, {"rquote", 0x27},    {"ldblquote", 0xAA}, {"rdblquote", 0xBA}, {"-", 0x2D}, {"_", 0x2D},
    };
    for (const auto& [name, code] : table)
        if (word == name)
            return code;
    return -1;
}

// Text of the run in the documents' set: the code page's characters, the
// Symbol font's codes as they are; a character the set lacks is lost.
std::string documentText(RTFImportState& state, const std::string& bytes, bool symbolFont, bool* lost)
{
    std::string text;
    text.reserve(bytes.size());
    std::size_t from = 0;
    while (state.pendingSkip > 0 && from < bytes.size()) {
        --state.pendingSkip;
        ++from;
    }
    for (std::size_t i = from; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80 || symbolFont || state.codePage == CodePage::NeXTSTEP) {
            if (byte >= 0x20 || byte == '\t')
                text += char(byte);
            continue;
        }
        const std::optional<char32_t> ch = RTFImportMethods::codePageCharacter(state.codePage, byte);
        const std::optional<unsigned char> code = ch ? RTFImportMethods::documentByte(*ch, false) : std::nullopt;
        if (code)
            text += char(*code);
        else
            *lost = true;
    }
    return text;
}

void showProgress(TextFlow& flow, ZynImportRun& run, RTFImportState& state)
{
    const ZynMarkupStream* stream = run.stream();
    if (!stream)
        return;
    const std::int64_t offset = std::int64_t(stream->offset());
    if (offset <= run.dispatchThreshold())
        return;
    LayoutDocument& document = run.document();
    document.setDispatchingSuspended(true);
    if (state.openingFile)
        flow.recomputeUnsettled(nullptr, false);
    const std::int64_t length = std::max<std::int64_t>(1, std::int64_t(stream->length()));
    char status[32];
    std::snprintf(status, sizeof status, "%lld%%", static_cast<long long>(offset * 100 / length));
    if (const auto& hook = RTFImportMethods::statusHook())
        hook(document, status);
    document.setDispatchingSuspended(false);
    run.setDispatchThreshold(long((offset / ZynImportRun::InitialDispatchThreshold + 1) *
                                  ZynImportRun::InitialDispatchThreshold));
}

void endParagraph(TextFlow& flow, ZynImportRun& run, RTFImportState& state)
{
    TextParagraph* paragraph = flow.currentParagraph();
    if (!paragraph)
        return;
    if (dynamic_cast<TableParagraph*>(paragraph)) {
        addSpecial(*paragraph, TextWordLineBreak);
        return;
    }
    if (flow.paragraphStyle())
        adjustAtEndOfParagraph(*flow.paragraphStyle());
    paragraph->addByte(10);
    if (TextParagraph* next = flow.currentParagraph(); next && next != paragraph) {
        if (next->autonumberLevel() != 0)
            next->setAutonumberLevel(0);
        next->setFirstItem(nullptr);
        if (TextWord* first = next->firstWord()) {
            next->setCurrentWord(first);
            first->setInsertToStart();
        }
    }
    run.document().setDispatchingSuspended(true);
    paragraph->recomputeAllWords();
    run.document().setDispatchingSuspended(false);
    showProgress(flow, run, state);
}

void addUnicode(TextFlow& flow, RTFImportState& state, const ZynMarkupElement& element)
{
    int n = numberOf(element);
    if (n < 0)
        n += 65536;
    char32_t ch = char32_t(std::clamp(n, 0, 0xFFFF));
    // Characters past the first plane come as two halves.
    if (ch >= 0xD800 && ch <= 0xDBFF) {
        state.pendingSkip = state.unicodeSkip;
        return;
    }
    if (ch >= 0xDC00 && ch <= 0xDFFF) {
        ch = 0xFFFD;
    }
    if (state.tableDepth > 0) {
        appendNameCharacter(state, ch);
        state.pendingSkip = state.unicodeSkip;
        return;
    }
    if (state.swallowDepth > 0) {
        state.pendingSkip = state.unicodeSkip;
        return;
    }
    if (const std::optional<unsigned char> code = RTFImportMethods::documentByte(ch, typingInSymbolFont(flow))) {
        addTextRun(flow, std::string(1, char(*code)));
        state.pendingSkip = state.unicodeSkip;
    } else {
        // The fallback that follows stands in for it.
        setLostData(element);
        state.pendingSkip = 0;
    }
}

void readTextInfo(TextFlow& flow, ZynMarkupElement& element)
{
    ZynImportRun* run = runOf(element);
    RTFImportState* state = stateOf(element);
    ZynDispatchTable* table = tableOf(element);
    TextParagraph* paragraph = flow.currentParagraph();
    if (!run || !state || !paragraph)
        return;
    const std::string& word = element.text();
    if (word == "NeXTGraphic") {
        if (element.isIntroducer() && table) {
            registerList(*table, &flow, "_readNeXTGraphicInfo:", NeXTGraphicKeywordList);
            state->pictureName = std::string();
            state->nameSeen = false;
            state->pictureWidth = state->pictureHeight = 0;
        } else if (element.isTerminator() && state->pictureName) {
            // The name ends with the group; the next text is the picture's
            // attachment character.
            std::string& name = *state->pictureName;
            while (!name.empty() && (name.back() == ' ' || name.back() == '\n'))
                name.pop_back();
            state->nameSeen = true;
        }
        return;
    }
    // A word that adds text does so once: a group it begins ends without it.
    if (element.isTerminator())
        return;
    if (word == "uc") {
        state->unicodeSkip = std::clamp(numberOf(element), 0, 16);
        return;
    }
    if (word == "u") {
        addUnicode(flow, *state, element);
        return;
    }
    if (state->swallowDepth > 0) {
        // A picture's data, or a word inside the information group.
        if (word == "zyntext")
            setLostData(element);
        return;
    }
    state->pendingSkip = word == "zyntext" ? state->pendingSkip : 0;
    if (word == "zyntext") {
        if (!element.hasTextValue())
            return;
        bool lost = false;
        const std::string text = documentText(*state, element.textValue(), typingInSymbolFont(flow), &lost);
        if (lost)
            setLostData(element);
        addTextRun(flow, text);
    } else if (word == ";") {
        paragraph->addByte(';', false);
    } else if (word == "tab") {
        addSpecial(*paragraph, TextWordTab);
    } else if (const int code = namedCharacter(word); code >= 0) {
        paragraph->addByte(static_cast<unsigned char>(code), true, true);
    } else if (word == "chdate") {
        addSpecial(*paragraph, TextWordDate);
    } else if (word == "chpgn") {
        addSpecial(*paragraph, TextWordPageNumber);
    } else if (word == "chtime") {
        addSpecial(*paragraph, TextWordTime);
    } else if (word == "page") {
        addSpecial(*paragraph, TextWordPageBreak);
        endParagraph(flow, *run, *state);
        state->pageBreakEnded = true;
        return;
    } else if (word == "par" || word == "\n" || word == "\r") {
        if (!state->pageBreakEnded)
            endParagraph(flow, *run, *state);
    }
    state->pageBreakEnded = false;
}

void readParagraphControl(TextFlow& flow, ZynMarkupElement& element)
{
    ZynImportRun* run = runOf(element);
    RTFImportState* state = stateOf(element);
    TextParagraph* paragraph = flow.currentParagraph();
    StyleParagraph* typing = flow.paragraphStyle();
    if (!run || !state || !paragraph || !typing)
        return;
    const std::string& word = element.text();
    // A group opened by "\pard" gives its character format back at its end,
    // as every RTF group does: "{\pard\b Heading\par}" makes only the
    // heading bold.
    auto& stack = run->charStyleStack();
    if (word == "pard" && element.isIntroducer()) {
        stack.push_back(savedTypingStyle(flow));
    } else if (word == "pard" && element.isTerminator()) {
        if (!stack.empty()) {
            if (StyleChar* current = flow.charStyle())
                current->takeCharStyleValuesFrom(stack.back().get());
            if (paragraph->isCurrentAtLogicalFirstPoint() && paragraph->paragraphStyle() &&
                paragraph->paragraphStyle()->charStyle()) {
                paragraph->paragraphStyle()->charStyle()->takeCharStyleValuesFrom(stack.back().get());
                // The format the paragraph end carried over goes too.
                if (TextWord* word = paragraph->currentWord(); word && word->length() == 0 && word->hasStyles())
                    word->addCharStyle(stack.back()->copy(), 0);
            }
            stack.pop_back();
        }
        return;
    }
    if (word == "s") {
        if (element.isTerminator() || !paragraph->isCurrentAtLogicalFirstPoint())
            return;
        auto* style = dynamic_cast<StyleParagraphNamed*>(run->context().styleAtIndex(numberOf(element)));
        if (!style)
            return;
        typing->setBasedOnStyle(style);
        paragraph->setBasedOnStyle(style);
    } else if (word == "pard") {
        if (!paragraph->isCurrentAtLogicalFirstPoint())
            return;
        paragraph->localizeNamedParaStyle();
        typing->setBasedOnStyle(nullptr);
        StyleParagraph* styles[] = {paragraph->paragraphStyle(), typing};
        for (StyleParagraph* style : styles) {
            if (!style)
                continue;
            style->setAlignment(0);
            style->setTabs(nullptr, 0);
            style->setIndents(0, 0, 0);
        }
        kit::Font* font = defaultFont(element);
        kit::Font* current = paragraph->font();
        if (font && current && font->familyName() != current->familyName()) {
            if (kit::Font* sized = kit::FontManager::sharedFontManager().convertFontToSize(font, current->pointSize()))
                font = sized;
            paragraph->setFont(font);
            if (typing->charStyle())
                typing->charStyle()->setFont(font);
        }
    } else if (word == "widowctrl") {
        if (typing->widowControl() == 0)
            typing->setWidowControl(2);
    }
}

bool isBareName(const std::string& name)
{
    return !name.empty() && name.size() <= RTFImportMethods::MaxPictureName && name.find('/') == std::string::npos &&
           name != "." && name != ".." && name.find('\0') == std::string::npos;
}

void readNeXTGraphicInfo(TextFlow& flow, ZynMarkupElement& element)
{
    RTFImportState* state = stateOf(element);
    ZynDispatchTable* table = tableOf(element);
    if (!state || !table)
        return;
    const std::string& word = element.text();
    const float v = std::clamp(points(numberOf(element)), 0.0f, RTFImportMethods::MaxPageSide);
    if (word == "width") {
        state->pictureWidth = v;
        return;
    }
    if (word == "height") {
        state->pictureHeight = v;
        return;
    }
    if (word != "zyntext" || !element.hasTextValue())
        return;
    if (!state->nameSeen) {
        if (!state->pictureName)
            state->pictureName = std::string();
        // Names are UTF-8 in the folder; the file escapes them.
        for (const char c : element.textValue()) {
            const auto byte = static_cast<unsigned char>(c);
            const std::optional<char32_t> ch = RTFImportMethods::codePageCharacter(state->codePage, byte);
            if (!ch)
                continue;
            std::string& name = *state->pictureName;
            if (*ch < 0x80) {
                name += char(*ch);
            } else if (*ch < 0x800) {
                name += char(0xC0 | (*ch >> 6));
                name += char(0x80 | (*ch & 0x3F));
            } else {
                name += char(0xE0 | (*ch >> 12));
                name += char(0x80 | ((*ch >> 6) & 0x3F));
                name += char(0x80 | (*ch & 0x3F));
            }
        }
        // Past the limit the name can only be refused: keep it from growing.
        if (state->pictureName->size() > RTFImportMethods::MaxPictureName + 1)
            state->pictureName->resize(RTFImportMethods::MaxPictureName + 1);
        return;
    }
    // The attachment character: the picture itself, not text.
    unregisterList(*table, &flow, NeXTGraphicKeywordList);
    const std::string name = state->pictureName.value_or(std::string());
    state->nameSeen = false;
    state->pictureName.reset();
    const kit::FileWrapper* contents = state->contents;
    const kit::FileWrapper* file = nullptr;
    if (isBareName(name) && contents && contents->isDirectory()) {
        const auto& files = contents->fileWrappers();
        if (const auto it = files.find(name); it != files.end() && it->second->isRegularFile())
            file = it->second.get();
    }
    if (!file) {
        setLostData(element);
        return;
    }
    TextWord* word101 = flow.addGraphic(InlineImage::Source::data(file->regularFileContents()), false);
    auto* graphic = dynamic_cast<TextWordSpecial*>(word101);
    if (!graphic) {
        setLostData(element);
        return;
    }
    const float width = state->pictureWidth, height = state->pictureHeight;
    if (width > 0 && height > 0) {
        graphic->forwardToImage([width, height](Item& item) {
            item.setHasFill(false);
            item.setHasLine(false);
            const kit::Size size = item.frame().size;
            if (size.width != width || size.height != height)
                item.sizeTo(width, height, false);
        });
    } else {
        graphic->forwardToImage([](Item& item) {
            item.setHasFill(false);
            item.setHasLine(false);
        });
    }
}

} // namespace

void installTextHandlers()
{
    addHandler<TextFlow>("_readTextInfo:", &readTextInfo);
    addHandler<TextFlow>("_readParagraphControlInfo:", &readParagraphControl);
    addHandler<TextFlow>("_readNeXTGraphicInfo:", &readNeXTGraphicInfo);
}

} // namespace rtfimport

RTFImportMethods::StatusHook& RTFImportMethods::statusHook()
{
    static StatusHook hook;
    return hook;
}
