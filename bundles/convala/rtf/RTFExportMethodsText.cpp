// Text as RTF: columns, flows, paragraphs (their format as the difference
// from the paragraph before), words with the character-format changes in
// them, special words, and the selected text on its own.

#include "bundles/convala/rtf/RTFExportMethods.h"

#include "bundles/convala/rtf/RTFTextEscapes.h"

#include "core/FileManager.h"
#include "core/FileWrapper.h"
#include "foundation/StyleChar.h"
#include "foundation/StyleParagraph.h"
#include "foundation/StyleParagraphNamed.h"
#include "foundation/ZMemoryStream.h"
#include "graphics/Font.h"
#include "graphics/Image.h"
#include "items/PlacedItem.h"
#include "items/TextItem.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"
#include "text/TypedSpaces.h"

#include <algorithm>
#include <cmath>

namespace {

// The characters in force are of the Symbol font's set while the font in
// force is Symbol.
kit::Encoding encodingInForce(RTFExportRun& run)
{
    const StyleChar* style = run.context().charStyle();
    const kit::Font* font = style ? style->font() : nullptr;
    return font && font->encodingScheme() == kit::FontEncodingScheme::Symbol ? kit::Encoding::Symbol
                                                                                : kit::Encoding::NeXTSTEP;
}

// The character style in force at a letter of the paragraph: the last one
// set at or before it, else the paragraph's own.
const StyleChar* styleInParagraphAt(const TextParagraph& paragraph, int word, int letter)
{
    for (int w = paragraph.lastStyledWordAtOrBefore(word); w >= 0; w = paragraph.lastStyledWordAtOrBefore(w - 1)) {
        const TextWord* candidate = paragraph.wordAtIndex(w);
        if (!candidate || !candidate->hasStyles())
            continue;
        int from = w == word ? std::min(letter, int(candidate->textLength())) : int(candidate->textLength());
        for (int i = from; i >= 0; --i)
            if (const StyleChar* style = candidate->styleAt(i))
                return style;
    }
    return paragraph.charStyle();
}

bool spaceAfter(const TextParagraph& paragraph, int index)
{
    return typedspaces::between(paragraph.wordAtIndex(index), paragraph.wordAtIndex(index + 1));
}

bool spaceBefore(const TextParagraph& paragraph, int index)
{
    const auto at = [&paragraph](int i) { return paragraph.wordAtIndex(i); };
    // Past the words, the paragraph's end, which stands by itself.
    return index >= paragraph.wordCount() ? typedspaces::afterEmptyRun(at, index) : typedspaces::before(at, index);
}

bool basedOnDiffers(const StyleParagraph* a, const StyleParagraph* b)
{
    const bool eitherNamed = a->isBasedOnNamedStyle() || b->isBasedOnNamedStyle();
    return eitherNamed && a->basedOnStyle() != b->basedOnStyle();
}

} // namespace

void RTFExportMethods::writeRTF(const TextItem& column, RTFExportRun& run)
{
    // Only the first column of a chain writes the flow.
    const TextFlow* flow = column.flow();
    if (flow && (!flow->firstTextItem() || flow->firstTextItem() == &column))
        writeRTF(*flow, run);
}

void RTFExportMethods::writeRTF(const TextFlow& flow, RTFExportRun& run)
{
    const auto& paragraphs = flow.paragraphList();
    const TextParagraph* previous = nullptr;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        const TextParagraph& paragraph = *paragraphs[i];
        writeRTF(paragraph, previous, 0, 0, paragraph.wordCount() - 1, TextWord::WholeWord, i == 0,
                 i + 1 < paragraphs.size(), run);
        previous = &paragraph;
    }
}

void RTFExportMethods::writeRTF(const TextParagraph& paragraph, RTFExportRun& run)
{
    const TextFlow* flow = paragraph.flow();
    const int index = flow ? flow->indexOfParagraph(&paragraph) : -1;
    const TextParagraph* previous = index > 0 ? flow->paragraphAtIndex(index - 1) : nullptr;
    const bool last = !flow || index < 0 || index == flow->paragraphCount() - 1;
    writeRTF(paragraph, previous, 0, 0, paragraph.wordCount() - 1, TextWord::WholeWord, index <= 0, !last, run);
}

void RTFExportMethods::writeRTF(const TextParagraph& paragraph, const TextParagraph* previous, int wordFrom,
                                int letterFrom, int wordTo, int letterTo, bool alwaysFull, bool breakAfter,
                                RTFExportRun& run)
{
    const StyleParagraph* style = paragraph.paragraphStyle();
    const StyleParagraph* before = previous ? previous->paragraphStyle() : nullptr;
    std::string& out = run.out();
    RTFContext& context = run.context();
    if (style) {
        const bool full =
            alwaysFull || !before || style->differencesFromStyle(before) != 0 || basedOnDiffers(style, before);
        if (full) {
            // "\pard" first: without it a reader keeps the tabs and keep
            // settings of the paragraph before.
            out += "\\pard";
            const int basedOn = context.styleNumberFor(style->basedOnStyle());
            if (basedOn != RTFContext::NotFound && basedOn != 0) {
                out += "\\s";
                out += std::to_string(basedOn);
            }
            out += ' ';
            writeRTFCharacteristics(*style, run);
            writeRTFRemainingStyleDiffs(style->charStyle(), run);
        } else {
            writeRTFStyleDiffs(style->charStyle(), run);
        }
    }

    const bool fromStart = wordFrom <= 0 && letterFrom <= 0;
    if (style && style->bullet() && fromStart) {
        const StyleChar* current = context.charStyle() ? context.charStyle() : style->charStyle();
        std::unique_ptr<StyleChar> bulletStyle = current->copy();
        if (style->bulletFont())
            bulletStyle->setFont(style->bulletFont());
        bulletStyle->setColor(style->bulletColor());
        writeRTFStyleDiffs(bulletStyle.get(), run);
        RTFTextEscapes::appendText(out, style->bulletText(), encodingInForce(run));
        out += "\\tab ";
        writeRTFStyleDiffs(style->charStyle(), run);
    } else if (!fromStart) {
        writeRTFStyleDiffs(styleInParagraphAt(paragraph, wordFrom, letterFrom), run);
    }

    wordTo = std::min(wordTo, paragraph.wordCount() - 1);
    for (int w = std::max(wordFrom, 0); w <= wordTo; ++w) {
        const TextWord* word = paragraph.wordAtIndex(w);
        const int from = w == wordFrom ? std::max(letterFrom, 0) : 0;
        const int to = w == wordTo ? letterTo : TextWord::WholeWord;
        if (w > wordFrom && spaceBefore(paragraph, w))
            out += ' ';
        writeRTF(*word, from, to, w < wordTo && spaceAfter(paragraph, w), run);
    }
    // The standard paragraph end, which every reader takes as one.
    if (breakAfter) {
        if (wordTo == paragraph.wordCount() - 1 && spaceBefore(paragraph, paragraph.wordCount()))
            out += ' ';
        out += "\\par\n";
    }
}

void RTFExportMethods::writeRTF(const TextWord& word, RTFExportRun& run)
{
    const TextParagraph* paragraph = word.paragraph();
    const int index = paragraph ? paragraph->indexOfWord(&word) : -1;
    if (index > 0 && spaceBefore(*paragraph, index))
        run.out() += ' ';
    writeRTF(word, 0, TextWord::WholeWord, index >= 0 && spaceAfter(*paragraph, index), run);
}

void RTFExportMethods::writeRTF(const TextWord& word, int from, int to, bool spaceAfter, RTFExportRun& run)
{
    if (word.isSpecial()) {
        if (const auto* special = dynamic_cast<const TextWordSpecial*>(&word)) {
            if (const StyleChar* style = word.styleAt(0))
                writeRTFStyleDiffs(style, run);
            writeRTFSpecial(*special, run);
            if (spaceAfter)
                run.out() += ' ';
        }
        return;
    }
    const int length = word.textLength();
    from = std::clamp(from, 0, length);
    to = std::clamp(to, from, length);
    std::string& out = run.out();
    const char* text = word.text();
    if (!word.hasStyles()) {
        RTFTextEscapes::appendText(out, std::string_view(text + from, std::size_t(to - from)), encodingInForce(run));
    } else {
        int runStart = from;
        for (int i = from; i < to; ++i) {
            const StyleChar* style = word.styleAt(i);
            if (!style)
                continue;
            RTFTextEscapes::appendText(out, std::string_view(text + runStart, std::size_t(i - runStart)),
                                       encodingInForce(run));
            writeRTFStyleDiffs(style, run);
            runStart = i;
        }
        RTFTextEscapes::appendText(out, std::string_view(text + runStart, std::size_t(to - runStart)),
                                   encodingInForce(run));
        if (const StyleChar* after = word.styleAt(to))
            writeRTFStyleDiffs(after, run);
    }
    if (spaceAfter && to == length)
        out += ' ';
}

void RTFExportMethods::writeRTFSpecial(const TextWordSpecial& word, RTFExportRun& run)
{
    std::string& out = run.out();
    switch (word.wordType()) {
    case TextWordDate:
        out += "\\chdate ";
        break;
    case TextWordPageNumber:
        out += "\\chpgn ";
        break;
    case TextWordTime:
        out += "\\chtime ";
        break;
    case TextWordTab:
        out += "\\tab ";
        break;
    case TextWordMergeToken:
    case TextWordAutonumber:
    case TextWordLastPageNumber:
    case TextWordFixedDate:
    case TextWordFixedTime:
        // Their text as it stands (fixed dates and times hold nothing else).
        RTFTextEscapes::appendText(out, word.text(), encodingInForce(run));
        break;
    case TextWordGraphic:
        // The picture goes into the run's own folder (RTFD) under a name no
        // other file there has; without a folder there is nowhere for it.
        if (kit::FileWrapper* contents = run.contents(); contents) {
            std::optional<RTFPicture> picture = pictureOf(word);
            if (!picture)
                break;
            const std::string name = contents->addRegularFileWithContents(std::move(picture->data), picture->fileName);
            out += "{{\\NeXTGraphic0 ";
            RTFTextEscapes::appendName(out, name);
            out += " \\width" + std::to_string(twips(picture->size.width)) + " \\height" +
                   std::to_string(twips(picture->size.height)) + "\n},}";
        }
        break;
    case TextWordHeaderMarker:
    case TextWordFooterMarker: {
        const auto* column = dynamic_cast<const TextItem*>(word.objectReference());
        if (!column)
            break;
        // A marker in its own column's text would write that text forever.
        auto& open = run.markersBeingWritten;
        if (std::find(open.begin(), open.end(), column) != open.end())
            break;
        out += word.wordType() == TextWordHeaderMarker ? "{\\header" : "{\\footer";
        if (column->masterFlags() == 1)
            out += 'l';
        else if (column->masterFlags() == 2)
            out += 'r';
        out += " \\sectd \\pard \\plain ";
        // The group's formatting ends with it: what was in force before
        // is in force after it again.
        std::unique_ptr<StyleChar> before =
            run.context().charStyle() ? run.context().charStyle()->copy() : std::unique_ptr<StyleChar>();
        run.context().setCharStyle(nullptr);
        open.push_back(column);
        writeRTF(*column, run);
        open.pop_back();
        run.context().setCharStyle(before.get());
        out += "}\n";
        break;
    }
    case TextWordParagraphEnd:
        out += "\\par\n";
        break;
    case TextWordLineBreak:
        // A line end inside the paragraph, as the reader takes it back.
        out += "\\line\n";
        break;
    case TextWordPageBreak:
        out += "\\page\n";
        break;
    default:
        break;
    }
}

std::optional<RTFPicture> RTFExportMethods::pictureOf(const TextWordSpecial& word)
{
    const auto* item = dynamic_cast<const PlacedItem*>(word.graphicItem());
    const std::optional<std::string> file = item ? item->filename() : std::nullopt;
    if (!file || file->empty())
        return std::nullopt;
    RTFPicture picture;
    picture.fileName = kit::FileManager::lastPathComponent(*file);
    // A ";" would end the name early for a reader of the group.
    std::replace(picture.fileName.begin(), picture.fileName.end(), ';', '_');
    if (!kit::FileWrapper::isValidFilename(picture.fileName))
        picture.fileName = item->isEPSFile() ? "Picture.eps" : "Picture.tiff";
    // The bytes the picture was read from; a linked file as it is on disk;
    // else the picture as TIFF.
    const kit::Image* image = item->sourceImage();
    if (image && !image->data().empty())
        picture.data = image->data();
    else if (item->isLinked())
        picture.data = kit::FileManager::contentsAtPath(*file).value_or(std::string());
    if (picture.data.empty() && image)
        picture.data = image->TIFFRepresentation();
    if (picture.data.empty())
        return std::nullopt;
    picture.size = item->frame().size;
    return picture;
}

void RTFExportMethods::writeRTF(TextSelection& selection, RTFExportRun& run)
{
    if (!selection._buildWordList())
        return;
    const std::vector<TextParagraph*>& paragraphs = selection.paragraphList();
    if (paragraphs.empty())
        return;
    RTFContext& context = run.context();
    context.empty();
    context.addStyleIfAbsent(paragraphs.front()->paragraphStyle());
    for (const TextParagraph* paragraph : paragraphs)
        context.buildListsFromParagraphs(paragraph);
    writeRTFPrefix(run);
    writeRTFTables(run);
    // The selection's paragraphs stand for its start paragraph onwards.
    const textPoint& start = selection.start();
    const textPoint& end = selection.end();
    const std::size_t n = paragraphs.size();
    for (std::size_t k = 0; k < n; ++k) {
        const TextParagraph& paragraph = *paragraphs[k];
        const bool first = k == 0, last = k + 1 == n;
        int wordTo = last ? end.word : paragraph.wordCount() - 1;
        int letterTo = last ? end.letter : TextWord::WholeWord;
        if (wordTo > paragraph.wordCount() - 1) {
            wordTo = paragraph.wordCount() - 1;
            letterTo = TextWord::WholeWord;
        }
        writeRTF(paragraph, first ? nullptr : paragraphs[k - 1], first ? start.word : 0, first ? start.letter : 0,
                 wordTo, letterTo, first, !last, run);
    }
    writeRTFSuffix(run);
}
