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

namespace {

bool isEmptyPlain(const TextWord* word)
{
    return word && !word->isSpecial() && word->length() == 0 && !word->hasStyles();
}

// Whether a word written before a run of spaces writes none of its own: a
// tab, a break, a picture, a marker (a field writes its own, as a word does).
bool writesNoSpace(const TextWord* word)
{
    const auto* special = dynamic_cast<const TextWordSpecial*>(word);
    return word && word->isSpecial() && !(special && special->isToken());
}

} // namespace

// Where a special word read at the caret goes. The spaces read before it
// left empty words, the last of them the caret's (a word the writer wrote
// no space for). A space before a field or a marker, and before a tab, a
// break or a picture in a file from before typed spaces, is the words' own
// boundary: the caret's empty word goes. Where the empty words follow a
// word that writes no space (or begin the paragraph), the last is no typed
// space either: a tab, a break or a picture goes before it, as typing puts
// it. Otherwise the special word goes after it.
CaretPlace placeAtCaret(TextParagraph& paragraph, bool spacesAsTyped, bool standsAlone)
{
    TextWord* current = paragraph.currentWord();
    if (!current || !isEmptyPlain(current) || current->insertPoint() != 0)
        return {current, false};
    TextWord* previous = paragraph.previousWord(current);
    if (!(spacesAsTyped && standsAlone)) {
        if (previous && !writesNoSpace(previous)) {
            (void)paragraph.removeWord(current);
            paragraph.setCurrentWord(previous);
            previous->setInsertToEnd();
            return {previous, false};
        }
        return {current, standsAlone};
    }
    TextWord* before = previous;
    while (before && isEmptyPlain(before))
        before = paragraph.previousWord(before);
    return {current, !before || writesNoSpace(before)};
}

TextWord* addSpecial(TextParagraph& paragraph, int type, bool spacesAsTyped)
{
    const bool standsAlone = type == TextWordTab || type == TextWordLineBreak || type == TextWordPageBreak;
    const CaretPlace place = placeAtCaret(paragraph, spacesAsTyped, standsAlone);
    TextWord* current = place.word;
    // In the middle of a word the text engine splits it.
    if (!current || (!current->isSpecial() && current->insertPoint() < current->length()))
        return paragraph.addSpecialWord(type);
    auto owned = std::make_unique<TextWordSpecial>(type);
    TextWordSpecial* word = owned.get();
    if (place.before) {
        // The caret's empty word stays the caret's, after it.
        paragraph.insertWord(std::move(owned), paragraph.indexOfWord(current));
    } else {
        paragraph.insertWord(std::move(owned), paragraph.indexOfWord(current) + 1);
        paragraph.setCurrentWord(word);
        word->setInsertToEnd();
    }
    paragraph.setDirty(true);
    return word;
}

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

void addTextRun(TextFlow& flow, const std::string& bytes, bool spacesAsTyped)
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
                addSpecial(current, TextWordTab, spacesAsTyped);
            else if (special && special->insertPoint() > 0 &&
                     (special->isToken() || (special->wordType() == TextWordGraphic && !spacesAsTyped)))
                // A field (or a picture in a file from before typed
                // spaces) ends its word: the space after it is that end.
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

// Characters into the documents' set: a character the set lacks (or one
// with an accent the set has no letter for) is left out and noted.
class DocumentText final : public RTFTextDecoder::Output {
public:
    explicit DocumentText(bool symbolFont) : symbolFont_(symbolFont) {}
    bool symbolFont() const { return symbolFont_; }
    void character(char32_t ch) override
    {
        if (ch == '\t' || (ch >= 0x20 && ch < 0x7F && !symbolFont_))
            text += char(ch); // ASCII is the set's own
        else if (const std::optional<unsigned char> code = RTFImportMethods::documentByte(ch, symbolFont_))
            text += char(*code);
        else
            lost = true;
    }

    std::string text;
    bool lost = false;

private:
    bool symbolFont_;
};

// Characters nobody keeps (the text of a group that is swallowed).
class NoText final : public RTFTextDecoder::Output {
public:
    void character(char32_t) override {}
};

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
        addSpecial(*paragraph, TextWordLineBreak, state.spacesAsTyped);
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
    const std::int32_t n = numberOf(element);
    if (state.tableDepth > 0) {
        appendNameUnicode(state, n);
    } else if (state.swallowDepth > 0) {
        NoText none;
        state.decoder.unicode(n, none);
    } else {
        DocumentText text(typingInSymbolFont(flow));
        state.decoder.unicode(n, text);
        if (text.lost)
            setLostData(element);
        addTextRun(flow, text.text, state.spacesAsTyped);
    }
    if (state.decoder.takeLost())
        setLostData(element);
}

// Whether the paragraph holds anything yet.
bool holdsText(const TextParagraph& paragraph)
{
    if (paragraph.wordCount() > 1)
        return true;
    const TextWord* word = paragraph.firstWord();
    return word && (word->isSpecial() || word->length() > 0);
}

// The number or bullet that a list item shows to readers without lists:
// its text and format are read, the paragraph words inside (a "\pard" that
// resets the format for the number) are not the paragraph's. Its format is
// given back at its end.
void readListText(TextFlow& flow, ZynImportRun& run, RTFImportState& state, ZynDispatchTable& table,
                  const ZynMarkupElement& element)
{
    if (element.isIntroducer()) {
        run.charStyleStack().push_back(savedTypingStyle(flow));
        registerList(table, nullptr, "_readParagraphControlInfo:", paragraphKeywordList);
        RTFImportMethods::registerStyleParagraph(table, nullptr);
        ++state.listTextDepth;
    } else if (element.isTerminator()) {
        RTFImportMethods::unregisterStyleParagraph(table, nullptr);
        unregisterList(table, nullptr, paragraphKeywordList);
        restoreTypingStyle(flow, run);
        state.listTextDepth = std::max(0, state.listTextDepth - 1);
        textPoint end{};
        flow.getCurrentTextPoint(&end);
        state.listTextEnd = end;
    }
}

} // namespace

bool atParagraphStart(const TextFlow& flow, const ZynMarkupElement& element)
{
    const TextParagraph* paragraph = flow.currentParagraph();
    if (!paragraph)
        return false;
    if (paragraph->isCurrentAtLogicalFirstPoint())
        return true;
    const RTFImportState* state = stateOf(element);
    if (!state || !state->listTextEnd)
        return false;
    textPoint now{};
    flow.getCurrentTextPoint(&now);
    const textPoint& end = *state->listTextEnd;
    return now.paragraph == end.paragraph && now.word == end.word && now.letter == end.letter;
}

namespace {

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
    if (word == "listtext" || word == "pntext") {
        if (table && state->swallowDepth == 0)
            readListText(flow, *run, *state, *table, element);
        return;
    }
    // A word that adds text does so once: a group it begins ends without it.
    if (element.isTerminator())
        return;
    if (word == "uc") {
        state->decoder.setUnicodeSkip(numberOf(element));
        return;
    }
    if (word == "u") {
        addUnicode(flow, *state, element);
        return;
    }
    if (state->swallowDepth > 0) {
        // A picture's data, or a word inside the information group.
        if (word == "zyntext") {
            NoText none;
            state->decoder.text(element.textValue(), none);
            setLostData(element);
        }
        return;
    }
    // A word that stands for a character may be the fallback of a "\uN";
    // any other ends the fallback.
    const bool character = word == ";" || word == "tab" || namedCharacter(word) >= 0;
    if (word != "zyntext") {
        const bool fallback = character ? state->decoder.consumeFallback() : (state->decoder.interrupt(), false);
        if (state->decoder.takeLost())
            setLostData(element);
        if (fallback)
            return;
    }
    if (word == "zyntext") {
        if (!element.hasTextValue())
            return;
        DocumentText text(typingInSymbolFont(flow));
        state->decoder.text(element.textValue(), text,
                            text.symbolFont() ? RTFTextDecoder::Reading::Symbol : RTFTextDecoder::Reading::Text);
        if (text.lost || state->decoder.takeLost())
            setLostData(element);
        addTextRun(flow, text.text, state->spacesAsTyped);
    } else if (word == ";") {
        paragraph->addByte(';', false);
    } else if (word == "tab") {
        addSpecial(*paragraph, TextWordTab, state->spacesAsTyped);
    } else if (const int code = namedCharacter(word); code >= 0) {
        paragraph->addByte(static_cast<unsigned char>(code), true, true);
    } else if (word == "line") {
        addSpecial(*paragraph, TextWordLineBreak, state->spacesAsTyped);
    } else if (word == "cell" || word == "nestcell" || word == "row") {
        // A cell's text is a paragraph of its own, unless a paragraph end
        // already closed it: the words of two cells never run together.
        if (holdsText(*paragraph))
            endParagraph(flow, *run, *state);
    } else if (word == "chdate") {
        addSpecial(*paragraph, TextWordDate);
    } else if (word == "chpgn") {
        addSpecial(*paragraph, TextWordPageNumber);
    } else if (word == "chtime") {
        addSpecial(*paragraph, TextWordTime);
    } else if (word == "page") {
        addSpecial(*paragraph, TextWordPageBreak, state->spacesAsTyped);
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
    if (word == "pard" && element.isIntroducer()) {
        run->charStyleStack().push_back(savedTypingStyle(flow));
    } else if (word == "pard" && element.isTerminator()) {
        restoreTypingStyle(flow, *run);
        return;
    }
    if (word == "s") {
        if (element.isTerminator() || !atParagraphStart(flow, element))
            return;
        auto* style = dynamic_cast<StyleParagraphNamed*>(run->context().styleAtIndex(numberOf(element)));
        if (!style)
            return;
        typing->setBasedOnStyle(style);
        paragraph->setBasedOnStyle(style);
    } else if (word == "pard") {
        if (!atParagraphStart(flow, element))
            return;
        paragraph->localizeNamedParaStyle();
        typing->setBasedOnStyle(nullptr);
        // Every paragraph property goes back to RTF's default.
        StyleParagraph* styles[] = {paragraph->paragraphStyle(), typing};
        for (StyleParagraph* style : styles) {
            if (!style)
                continue;
            style->setAlignment(0);
            style->setTabs(nullptr, 0);
            style->setIndents(0, 0, 0);
            style->setSpaceBefore(0);
            style->setSpaceAfter(0);
            style->setSpaceBetween(0);
            style->setLineSpacing(1.0f);
            style->setLeading(StyleAutoLeading);
            style->setWidowControl(state->documentWidowControl);
            style->setColumnStart(0);
        }
        run->context().setLastLineSpacing(0);
        // The paragraph's font is its first words' too: a list number
        // before the caret keeps its own.
        kit::Font* font = paragraph->isCurrentAtLogicalFirstPoint() ? defaultFont(element) : nullptr;
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
        state->documentWidowControl = 2;
    }
}

bool isBareName(const std::string& name)
{
    return !name.empty() && name.size() <= RTFImportMethods::MaxPictureName && name.find('/') == std::string::npos &&
           name != "." && name != ".." && name.find('\0') == std::string::npos;
}

// A picture at the caret, placed as a tab is. The text engine ends a word
// it follows with an empty one, and puts it after the caret's empty word:
// neither stands for a typed space here.
TextWord* addGraphic(TextFlow& flow, std::string bytes, bool spacesAsTyped)
{
    TextParagraph* paragraph = flow.currentParagraph();
    if (!paragraph)
        return nullptr;
    const CaretPlace place = placeAtCaret(*paragraph, spacesAsTyped, true);
    TextWord* current = place.word;
    const bool atWordEnd =
        current && !current->isSpecial() && current->length() > 0 && current->insertPoint() == current->length();
    TextWord* word = flow.addGraphic(InlineImage::Source::data(std::move(bytes)), false);
    if (!word || !(atWordEnd || place.before))
        return word;
    const int at = paragraph->indexOfWord(word);
    TextWord* made = at > 0 ? paragraph->wordAtIndex(at - 1) : nullptr;
    if (isEmptyPlain(made) && (place.before ? made == current : made != current))
        (void)paragraph->removeWord(made);
    return word;
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
        RTFTextDecoder::UTF8Output name(*state->pictureName);
        state->decoder.text(element.textValue(), name, RTFTextDecoder::Reading::Name);
        (void)state->decoder.takeLost();
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
    TextWord* word101 = addGraphic(flow, file->regularFileContents(), state->spacesAsTyped);
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
