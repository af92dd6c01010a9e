// Copying a selection: the private archive at once, the string and RTF
// forms only when a paste or another program asks for them.

#include "text/TextSelection.h"

#include "core/Archiver.h"
#include "core/Encoding.h"
#include "core/Exception.h"
#include "core/Pasteboard.h"
#include "core/Unarchiver.h"
#include "text/TextParagraph.h"
#include "text/TextWord.h"
#include "text/TextWordSpecial.h"
#include "text/TypedSpaces.h"

#include <algorithm>

namespace {

// The selection class stands as the owner of what it declares.
class SelectionPasteboardOwner : public kit::PasteboardOwner {
public:
    void pasteboardProvideDataForType(kit::Pasteboard& pboard, const std::string& type) override
    {
        TextSelection::pasteboardProvideDataForType(pboard, type);
    }
};

SelectionPasteboardOwner& owner()
{
    static SelectionPasteboardOwner theOwner;
    return theOwner;
}

int exportCodeFor(const std::string& type)
{
    if (type == kit::StringPboardType)
        return TextSelection::ExportPlain;
    if (type == kit::RTFPboardType)
        return TextSelection::ExportRTF;
    if (type == kit::RTFDPboardType)
        return TextSelection::ExportRTFD;
    return 0;
}

// Letters [from, to) of a word as plain text; a special word writes itself whole.
void writeLetters(const TextWord* word, std::string& stream, int from, int to)
{
    if (word->isSpecial()) {
        word->writeTextToStream(stream, TextSelection::ExportPlain);
        return;
    }
    from = std::max(from, 0);
    to = std::min(to, word->length());
    // The word's own writer takes an empty range as "the whole word".
    if (to > from)
        word->writeTextToStream(stream, TextSelection::ExportPlain, from, to - 1);
}

} // namespace

TextSelection::WriteRTFHook& TextSelection::writeRTFHook()
{
    static WriteRTFHook hook;
    return hook;
}

void TextSelection::writeRTF(std::string& stream)
{
    if (writeRTFHook())
        writeRTFHook()(*this, stream);
}

std::string TextSelection::archivedData()
{
    try {
        return kit::Archiver::archivedDataWithRootObject(this);
    } catch (const kit::Exception&) {
        return {};
    }
}

void TextSelection::copyToPasteboard(kit::Pasteboard& pboard, const std::vector<std::string>* types)
{
    (void)types;
    const std::string data = archivedData();
    if (data.empty())
        return;
    bool graphics = false;
    if (flow_)
        graphics = hasEmbeddedGraphics();
    else
        for (const TextWord* word : wordList_)
            graphics = graphics || word->isSpecialType(TextWordGraphic);
    std::vector<std::string> declared{LayvanePboardTypeTEXT};
    if (graphics)
        declared.push_back(kit::RTFDPboardType);
    declared.push_back(kit::RTFPboardType);
    declared.push_back(kit::StringPboardType);
    pboard.declareTypes(declared, &owner());
    pboard.setData(data, LayvanePboardTypeTEXT);
}

void TextSelection::pasteboardProvideDataForType(kit::Pasteboard& pboard, const std::string& type)
{
    if (type.empty() || exportCodeFor(type) == 0)
        return;
    const std::optional<std::string> data = pboard.dataForType(LayvanePboardTypeTEXT);
    if (!data)
        return;
    try {
        kit::Unarchiver unarchiver(*data);
        convert(&unarchiver, type, pboard);
    } catch (const kit::Exception&) {
        // Damaged private data leaves the type without data.
    }
}

void TextSelection::convert(kit::Unarchiver* unarchiver, const std::string& type, kit::Pasteboard& pboard)
{
    if (!unarchiver)
        return;
    std::string output;
    std::unique_ptr<TextSelection> selection;
    textWordSpecialPboardGlobalHack = &pboard;
    textWordSpecialDocumentGlobalHack = nullptr;
    try {
        selection = unarchiver->decodeOwnedObject<TextSelection>();
    } catch (const kit::Exception&) {
        textWordSpecialPboardGlobalHack = nullptr;
        return;
    }
    textWordSpecialPboardGlobalHack = nullptr;
    const int code = exportCodeFor(type);
    if (!selection || code == 0)
        return;
    try {
        selection->writeTextToStream(output, code);
    } catch (const kit::Exception&) {
        return;
    }
    if (code == ExportPlain)
        pboard.setString(kit::toUTF8(kit::Encoding::NeXTSTEP, output), type);
    else
        pboard.setData(output, type);
}

bool TextSelection::writeTextToStream(std::string& stream, int type)
{
    const std::vector<TextWord*>* words = _buildWordList();
    if (!words)
        return true;
    if (type == ExportPlain) {
        // The spaces as typed (TypedSpaces.h).
        const std::size_t n = words->size();
        const auto at = [words, n](int i) { return i >= 0 && std::size_t(i) < n ? (*words)[std::size_t(i)] : nullptr; };
        for (std::size_t i = 0; i < n; ++i) {
            const TextWord* word = (*words)[i];
            // A page break ends its paragraph: one line end for both.
            if (i > 0 && word->isSpecialType(TextWordParagraphEnd) && (*words)[i - 1]->isSpecialType(TextWordPageBreak))
                continue;
            if (i > 0 && (typedspaces::between((*words)[i - 1], word) || typedspaces::before(at, int(i))))
                stream += ' ';
            if (i == 0)
                writeLetters(word, stream, start_.letter, n == 1 ? end_.letter : TextWord::WholeWord);
            else if (i == n - 1)
                writeLetters(word, stream, 0, end_.letter);
            else
                word->writeTextToStream(stream, ExportPlain);
        }
    } else if (type == ExportRTF) {
        std::string rtf;
        writeRTF(rtf);
        stream += rtf;
    } else if (type == ExportRTFD) {
        // The RTFD wrapper is the main document's contents with the RTF
        // added; documents carry no such contents yet, so the data is empty.
    }
    return true;
}

std::unique_ptr<TextSelection> TextSelection::selectionFromData(const std::string& data, kit::Pasteboard* pboard,
                                                                TextDocument* document)
{
    textWordSpecialPboardGlobalHack = pboard;
    textWordSpecialDocumentGlobalHack = document;
    struct Reset {
        ~Reset()
        {
            textWordSpecialPboardGlobalHack = nullptr;
            textWordSpecialDocumentGlobalHack = nullptr;
        }
    } reset;
    kit::Unarchiver unarchiver(data);
    std::unique_ptr<TextSelection> selection = unarchiver.decodeOwnedObject<TextSelection>();
    if (!selection)
        kit::Exception::raise(kit::ArchiverArchiveInconsistencyException, "no selection in the data");
    selection->keepAlive_ = unarchiver.releaseUnclaimed();
    return selection;
}

std::unique_ptr<TextSelection> TextSelection::selectionFromPlainText(const std::string& text)
{
    if (text.empty())
        return nullptr;
    auto selection = std::make_unique<TextSelection>();
    // Carriage returns go wherever they are; without one the text is read in place.
    std::string withoutReturns;
    std::string_view rest(text);
    if (text.find('\r') != std::string::npos) {
        withoutReturns = text;
        std::erase(withoutReturns, '\r');
        rest = withoutReturns;
    }
    TextWord* last = nullptr;
    int lines = 0;
    for (;;) {
        const std::size_t newline = rest.find('\n');
        const std::string_view line = rest.substr(0, newline);
        auto paragraph = std::make_unique<TextParagraph>();
        // Each space is a word boundary; a run of spaces keeps its empty words.
        std::size_t from = 0;
        for (;;) {
            const std::size_t space = line.find(' ', from);
            const std::string_view piece = line.substr(from, space == std::string_view::npos ? space : space - from);
            auto add = [&](std::string_view part) {
                last = paragraph->insertWord(TextWord::wordForText(part), paragraph->wordCount());
                selection->wordList_.push_back(last);
            };
            if (piece.size() <= std::size_t(TextWord::MaxWordLength))
                add(piece);
            else
                for (const std::string& part : TextWord::splitIntoWordTexts(std::string(piece)))
                    add(part);
            if (space == std::string_view::npos)
                break;
            from = space + 1;
        }
        ++lines;
        const bool more = newline != std::string_view::npos;
        if (more) {
            auto end = std::make_unique<TextWordSpecial>(TextWordParagraphEnd);
            end->setParagraph(paragraph.get());
            selection->wordList_.push_back(end.get());
            selection->ownedWords_.push_back(std::move(end));
        }
        selection->paragraphList_.push_back(paragraph.get());
        selection->ownedParagraphs_.push_back(std::move(paragraph));
        if (!more)
            break;
        rest.remove_prefix(newline + 1);
    }
    selection->listsBuilt_ = true;
    selection->endType_ = SelectionChar;
    selection->end_ = {lines - 1, selection->paragraphList_.back()->wordCount() - 1, last ? last->length() : 0};
    return selection;
}
