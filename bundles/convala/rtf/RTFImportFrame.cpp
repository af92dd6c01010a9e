// The parts of an RTF document around its text: the document words, the
// character sets, the information group, footnotes, the unsupported words,
// and the font table, colour table and style sheet that the text refers to
// by number.

#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
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

// The font of a font-table name: mapped through the font map, else the
// family word's font, else the body font; each miss says so.
kit::Font* fontForName(RTFImportState& state, const std::string& name)
{
    if (!state.fallbackFontName) {
        kit::Font* body = bodyFont();
        state.fallbackFontName = body ? body->fontName() : std::string("Times-Roman");
    }
    const std::string mapped = RTFContext::mapImportFontName(name);
    if (kit::Font* font = kit::Font::fontWithName(mapped, 12.0f))
        return font;
    std::printf("%s: Can't map fontname '%s'\n", "Scrivly", mapped.c_str());
    if (kit::Font* font = kit::Font::fontWithName(*state.fallbackFontName, 12.0f))
        return font;
    std::printf("%s: Can't map fontname '%s'\n", "Scrivly", state.fallbackFontName->c_str());
    return bodyFont();
}

void finishFontName(RTFImportState& state, RTFContext& context)
{
    if (!state.namePending)
        return;
    state.namePending = false;
    const std::string name = trimmed(state.pendingName);
    state.pendingName.clear();
    if (name.empty())
        return;
    if (kit::Font* font = fontForName(state, name))
        context.addFont(font, state.currentFontSlot);
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

} // namespace

void appendNameText(RTFImportState& state, const std::string& bytes)
{
    RTFTextDecoder::UTF8Output out(state.pendingName);
    state.decoder.text(bytes, out, RTFTextDecoder::Reading::Name);
    state.namePending = true;
}

void appendNameUnicode(RTFImportState& state, std::int32_t n)
{
    RTFTextDecoder::UTF8Output out(state.pendingName);
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

void readMarkupFontTable(RTFContext& context, ZynMarkupElement& element)
{
    RTFImportState* state = stateOf(element);
    if (!state)
        return;
    const std::string& word = element.text();
    if (word == "f") {
        finishFontName(*state, context);
        // An entry's closing brace ends it.
        state->currentFontSlot = element.isTerminator() ? RTFContext::NotFound : numberOf(element);
        // The entry's name is in the font's own character set.
        if (!element.isTerminator())
            state->decoder.selectFont(state->currentFontSlot);
        return;
    }
    if (word == "fcharset" || word == "cpg") {
        if (element.isTerminator() || !element.hasValue())
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
    if (!state->fallbackFontName) {
        kit::Font* body = bodyFont();
        state->fallbackFontName = body ? body->fontName() : std::string("Times-Roman");
    }
    if (word == "zyntext")
        appendNameText(*state, element.textValue());
    else if (word == "froman")
        state->fallbackFontName = "Times-Roman";
    else if (word == "fswiss")
        state->fallbackFontName = "Helvetica";
    else if (word == "fmodern")
        state->fallbackFontName = "Courier";
    else if (word == "ftech")
        state->fallbackFontName = "Symbol";
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
