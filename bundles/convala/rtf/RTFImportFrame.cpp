// The parts of an RTF document around its text: the document words, the
// character sets, the information group, footnotes, the unsupported words,
// and the font table, colour table and style sheet that the text refers to
// by number.

#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/rtf/RTFFontNames.h"
#include "bundles/convala/rtf/RTFImportMethods.h"
#include "bundles/convala/rtf/RTFTextEscapes.h"

#include "app/Layvane.h"
#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraphNamed.h"
#include "foundation/UnitsInfo.h"
#include "graphics/Font.h"

#include <algorithm>
#include <cstdio>

namespace rtfimport {

namespace {

kit::Font* bodyFont()
{
    return Main && Main->preferences() ? Main->preferences()->bodyFont() : nullptr;
}

std::string trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

void cannotMapFontName(const std::string& name)
{
    std::printf("%s: Can't map fontname '%s'\n", "Scrivly", name.c_str());
}

// The font of a font-table entry: its name, else its alternative name,
// else the face of its family word or, without one, the body font; each
// miss says so.
kit::Font* fontForEntry(const RTFImportState& state, const std::string& name, const std::string& altName)
{
    for (const std::string& candidate : {name, altName}) {
        if (candidate.empty())
            continue;
        if (const std::optional<std::string> face = RTFFontNames::importFontName(candidate, RTFContext::maps()))
            if (kit::Font* font = kit::Font::fontWithName(*face, 12.0f))
                return font;
        cannotMapFontName(RTFContext::mapImportFontName(candidate));
    }
    kit::Font* body = bodyFont();
    const std::string fallback =
        state.fallbackFontName ? *state.fallbackFontName : body ? body->fontName() : std::string("Times-Roman");
    if (kit::Font* font = kit::Font::fontWithName(fallback, 12.0f))
        return font;
    cannotMapFontName(fallback);
    return body;
}

// The end of a font-table entry: its font is stored, and what the entry
// said of its family and other names is forgotten.
void finishFontName(RTFImportState& state, RTFContext& context)
{
    const bool pending = state.namePending;
    const std::string name = trimmed(state.pendingName);
    const std::string altName = trimmed(state.altFontName);
    state.namePending = false;
    state.pendingName.clear();
    state.altFontName.clear();
    state.readingAltName = false;
    if (pending && !(name.empty() && altName.empty()))
        if (kit::Font* font = fontForEntry(state, name, altName))
            context.addFont(font, state.currentFontSlot);
    state.fallbackFontName.reset();
}

void finishStyleName(RTFImportState& state)
{
    if (!state.namePending)
        return;
    state.namePending = false;
    const std::string name = trimmed(state.pendingName);
    state.pendingName.clear();
    if (state.currentStyle && !name.empty())
        state.currentStyle->setStyleName(name);
}

// An entry's alternative name is read apart from its name.
std::string& nameBeingRead(RTFImportState& state)
{
    return state.readingAltName ? state.altFontName : state.pendingName;
}

} // namespace

void appendNameText(RTFImportState& state, const std::string& bytes)
{
    RTFTextDecoder::UTF8Output out(nameBeingRead(state));
    state.decoder.text(bytes, out, RTFTextDecoder::Reading::Name);
    state.namePending = true;
}

void appendNameUnicode(RTFImportState& state, std::int32_t n)
{
    RTFTextDecoder::UTF8Output out(nameBeingRead(state));
    state.decoder.unicode(n, out);
    state.namePending = true;
}

namespace {

// ---- The document (LayoutDocument).

void readDocumentInfo(RTFImportState& target, ZynMarkupElement& element)
{
    RTFImportState* state = &target;
    LayoutDocument& document = *target.document;
    ZynDispatchTable* table = tableOf(element);
    if (!state || !table)
        return;
    const std::string& word = element.text();
    if (word == "zynunits") {
        // The units are the program's, not the document's: pasted text
        // leaves them alone.
        if (state->openingFile && element.hasValue())
            if (UnitsInfo* units = Layvane::applicationUnitsInfo())
                units->setUnits(element.intValue());
    } else if (word == "zynspaces") {
        state->spacesAsTyped = true;
    } else if (word == "deff") {
        if (!element.isTerminator()) {
            int number = numberOf(element);
            if (number < 0)
                number += 65536;
            state->defaultFontNumber = number;
            // Text before any "\f" is in the default font's character set.
            state->decoder.selectFont(number);
        }
    } else if (word == "deftab") {
        const float spacing = points(numberOf(element));
        if (state->openingFile && spacing > 0)
            document.setDefaultTabSpacing(std::min(spacing, RTFImportMethods::MaxPageSide));
    } else if (word == "info") {
        if (element.isIntroducer()) {
            registerList(*table, &target, "__readInfoInfo:", infoKeywordList);
            ++state->swallowDepth;
        } else if (element.isTerminator()) {
            unregisterList(*table, &target, infoKeywordList);
            state->swallowDepth = std::max(0, state->swallowDepth - 1);
        }
    }
}

void readCharset(RTFImportState&, ZynMarkupElement& element)
{
    RTFImportState* state = stateOf(element);
    if (!state || element.isTerminator())
        return;
    const std::string& word = element.text();
    if (word == "ansi")
        state->decoder.setDocumentCodePage(1252);
    else if (word == "mac")
        state->decoder.setDocumentCodePage(10000);
    else if (word == "pc")
        state->decoder.setDocumentCodePage(437);
    else if (word == "pca")
        state->decoder.setDocumentCodePage(850);
    else if (word == "nextcset")
        state->decoder.setDocumentCodePage(RTFTextDecoder::NeXTSTEPCodePage);
    else if (word == "ansicpg" && numberOf(element) > 0)
        state->decoder.setDocumentCodePage(numberOf(element));
    // A code page the reader cannot read loses every character past ASCII.
    if (!state->decoder.knowsCodePage(state->decoder.documentCodePage()))
        setLostData(element);
}

void readInfoInfo(RTFImportState&, ZynMarkupElement&) {}

void readFootnote(RTFImportState&, ZynMarkupElement& element)
{
    ZynDispatchTable* table = tableOf(element);
    if (!table || element.text() != "footnote")
        return;
    if (element.isIntroducer())
        RTFImportMethods::registerTextFlow(*table, nullptr);
    else if (element.isTerminator())
        RTFImportMethods::unregisterTextFlow(*table, nullptr);
}

// ---- The context (RTFContext).

void setupTables(RTFContext& context, ZynMarkupElement& element)
{
    RTFImportState* state = stateOf(element);
    ZynDispatchTable* table = tableOf(element);
    if (!state || !table)
        return;
    const std::string& word = element.text();
    const char* const* list = word == "fonttbl"      ? fontTableKeywordList
                              : word == "stylesheet" ? styleTableKeywordList
                              : word == "colortbl"   ? colorTableKeywordList
                                                     : nullptr;
    const char* selector = word == "fonttbl"      ? "__readMarkupFontTable:"
                           : word == "stylesheet" ? "__readMarkupStylesheet:"
                                                  : "__readMarkupColorTable:";
    if (!list)
        return;
    if (element.isIntroducer()) {
        if (word == "fonttbl")
            context.emptyFontList();
        else if (word == "colortbl")
            context.emptyColorList();
        else if (context.styleList().empty())
            // A second style sheet adds to the first: the text read so far
            // may be based on its styles.
            context.emptyStyleList();
        registerList(*table, &context, selector, list);
        if (word != "colortbl")
            ++state->tableDepth;
        state->pendingName.clear();
        state->namePending = false;
    } else if (element.isTerminator()) {
        if (word == "fonttbl")
            finishFontName(*state, context);
        else if (word == "stylesheet")
            finishStyleName(*state);
        unregisterList(*table, &context, list);
        if (word != "colortbl")
            state->tableDepth = std::max(0, state->tableDepth - 1);
        state->currentFontSlot = RTFContext::NotFound;
    }
}

void readUnsupportedKeyword(RTFContext&, ZynMarkupElement& element)
{
    RTFImportState* state = stateOf(element);
    if (!element.isTerminator())
        setLostData(element);
    // A picture's data is no text, nor is an index or contents entry: those
    // repeat words of the text for an index the document does not make.
    const std::string& word = element.text();
    if (state && (word == "pict" || word == "xe" || word == "tc")) {
        if (element.isIntroducer())
            ++state->swallowDepth;
        else if (element.isTerminator())
            state->swallowDepth = std::max(0, state->swallowDepth - 1);
    }
}

// "{\*\falt Name}": a name to try when the entry's own is unknown.
void readAltFontName(RTFImportState& state, const ZynMarkupElement& element)
{
    if (element.isIntroducer()) {
        state.altFontName.clear();
        state.readingAltName = true;
    } else if (element.isTerminator()) {
        state.readingAltName = false;
    }
}

// A family word stands for the entry it is written in, in any place there.
// "fnil" and "fbidi" name no family and leave a family word of the same
// entry as it is.
void readFontFamilyWord(RTFImportState& state, const std::string& word)
{
    if (std::optional<std::string> face = RTFFontNames::fontNameForFamilyWord(word))
        state.fallbackFontName = std::move(face);
}

void readMarkupFontTable(RTFContext& context, ZynMarkupElement& element)
{
    RTFImportState* state = stateOf(element);
    if (!state)
        return;
    const std::string& word = element.text();
    if (word == "falt") {
        readAltFontName(*state, element);
        return;
    }
    // An entry's closing brace ends it, whatever word its group began with.
    if (element.isTerminator()) {
        finishFontName(*state, context);
        state->currentFontSlot = RTFContext::NotFound;
        return;
    }
    if (word == "f") {
        // A name still open ends with the entry it belongs to.
        if (state->namePending)
            finishFontName(*state, context);
        state->currentFontSlot = numberOf(element);
        // The entry's name is in the font's own character set.
        state->decoder.selectFont(state->currentFontSlot);
        return;
    }
    if (word == "fcharset" || word == "cpg") {
        if (!element.hasValue())
            return;
        if (word == "fcharset")
            state->decoder.setFontCharset(state->currentFontSlot, element.intValue());
        else
            state->decoder.setFontCodePage(state->currentFontSlot, element.intValue());
        return;
    }
    if (word == ";") {
        finishFontName(*state, context);
        state->currentFontSlot = RTFContext::NotFound;
        return;
    }
    if (word == "zyntext")
        appendNameText(*state, element.textValue());
    else
        readFontFamilyWord(*state, word);
}

void readMarkupColorTable(RTFContext& context, ZynMarkupElement& element)
{
    RTFImportState* state = stateOf(element);
    if (!state)
        return;
    const std::string& word = element.text();
    const float component = float(std::clamp(numberOf(element), 0, 255)) / 255.0f;
    if (word == "red")
        state->red = component;
    else if (word == "green")
        state->green = component;
    else if (word == "blue")
        state->blue = component;
    else if (word == ";") {
        // Black is the character formats' own black, so that it matches theirs.
        const bool black = state->red == 0 && state->green == 0 && state->blue == 0;
        context.addColor(black ? kit::Color::colorWithDeviceCyan(0, 0, 0, 1, 1)
                               : kit::Color::colorWithDeviceRed(state->red, state->green, state->blue, 1.0f));
        state->red = state->green = state->blue = 0;
    }
}

void readMarkupStylesheet(RTFContext& context, ZynMarkupElement& element)
{
    RTFImportState* state = stateOf(element);
    ZynImportRun* run = runOf(element);
    ZynDispatchTable* table = tableOf(element);
    if (!state || !run || !table)
        return;
    const std::string& word = element.text();
    if (word == "s") {
        if (element.isIntroducer()) {
            auto style = std::make_unique<StyleParagraphNamed>();
            state->currentStyle = style.get();
            context.adoptStyle(std::move(style), numberOf(element));
            RTFImportMethods::registerStyleParagraph(*table, state->currentStyle);
            // On the style, which notes the font words as its own.
            RTFImportMethods::registerStyleChar(*table, state->currentStyle);
            run->setProcessingStyles(true);
            StyleParagraph::setForceParagraphStyleDefinitions(true);
            state->pendingName.clear();
            state->namePending = false;
        } else if (element.isTerminator() && state->currentStyle) {
            finishStyleName(*state);
            RTFImportMethods::unregisterStyleChar(*table, state->currentStyle);
            RTFImportMethods::unregisterStyleParagraph(*table, state->currentStyle);
            run->setProcessingStyles(false);
            StyleParagraph::setForceParagraphStyleDefinitions(false);
            state->currentStyle = nullptr;
        }
        return;
    }
    StyleParagraphNamed* style = state->currentStyle;
    if (!style)
        return;
    if (word == "sbasedon") {
        const int number = numberOf(element);
        if (number == 222 || element.isTerminator())
            return;
        auto* base = dynamic_cast<StyleParagraphNamed*>(context.styleAtIndex(number));
        if (!base)
            return;
        // A base that leads back to the style would make the chain endless.
        if (base == style || base->isBasedOnStyle(style)) {
            setLostData(element);
            return;
        }
        style->setBasedOnStyle(base);
    } else if (word == "snext") {
        if (!element.isTerminator())
            if (StyleParagraph* next = context.styleAtIndex(numberOf(element)))
                style->setNextParagraphStyle(next);
    } else if (word == "zyntext") {
        appendNameText(*state, element.textValue());
    } else if (word == ";") {
        finishStyleName(*state);
    }
}

} // namespace

void installFrameHandlers()
{
    addHandler<RTFImportState>("__readDocumentInfo:", &readDocumentInfo);
    addHandler<RTFImportState>("__readCharset:", &readCharset);
    addHandler<RTFImportState>("__readInfoInfo:", &readInfoInfo);
    addHandler<RTFImportState>("__readFootnote:", &readFootnote);
    addHandler<RTFContext>("__setupTables:", &setupTables);
    addHandler<RTFContext>("__readUnsupportedKeyword:", &readUnsupportedKeyword);
    addHandler<RTFContext>("__readMarkupFontTable:", &readMarkupFontTable);
    addHandler<RTFContext>("__readMarkupColorTable:", &readMarkupColorTable);
    addHandler<RTFContext>("__readMarkupStylesheet:", &readMarkupStylesheet);
}

} // namespace rtfimport
