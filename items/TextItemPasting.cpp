// Pasting into a column: the richest kind of data the pasteboard offers
// replaces the selection. Everything is read and checked first; only then
// is the selection deleted, and text deleted for a paste that then fails is
// put back.

#include "items/TextItem.h"

#include "core/Alert.h"
#include "core/Encoding.h"
#include "core/Exception.h"
#include "core/FileManager.h"
#include "core/Pasteboard.h"
#include "document/LayoutDocument.h"
#include "document/Page.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/FileManagerExtensions.h"
#include "foundation/PlainTextRTF.h"
#include "graphics/BitmapImageRep.h"
#include "graphics/Image.h"
#include "text/DocumentView.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextSelection.h"

#include <cstring>
#include <optional>

namespace {

std::string text(const char* key) { return Main ? Main->valueForStringKey(key) : std::string(key); }

void failed(const char* title, const char* message)
{
    kit::beep();
    kit::runAlertPanel(text(title), text(message), text("OK"), "", "");
}

bool offers(kit::Pasteboard& pboard, const char* type) { return pboard.availableTypeFromArray({type}) == type; }

// The text in the documents' set, without the characters the set lacks,
// which are counted.
std::string documentBytes(std::string_view utf8, std::size_t* lost)
{
    std::string bytes;
    bytes.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::optional<char32_t> ch = kit::nextUTF8(utf8, pos);
        const std::optional<unsigned char> code = ch ? kit::fromUnicode(kit::Encoding::NeXTSTEP, *ch) : std::nullopt;
        if (code)
            bytes += char(*code);
        else
            ++*lost;
    }
    return bytes;
}

bool startsAsHTML(const std::string& data)
{
    return data.size() >= 6 && (data.compare(0, 6, "<HTML>") == 0 || data.compare(0, 6, "<html>") == 0);
}

// The selection's text, kept until the paste is known to have worked.
class Deletion {
public:
    Deletion(TextItem& column, TextFlow& flow, LayoutDocument* document)
        : column_(column), flow_(flow), document_(document)
    {
    }

    // The selection may go: false when it refuses (the paste then ends).
    bool allowed()
    {
        TextSelection* selection = flow_.textSelection();
        return !selection || selection->isEmpty() || selection->canDelete();
    }

    void run()
    {
        TextSelection* selection = flow_.textSelection();
        if (!selection || selection->isEmpty())
            return;
        kept_ = selection->archivedData();
        selection->deleteFromItem(&column_, false, true);
        happened_ = true;
    }

    // Puts the deleted text back at the caret.
    void undo()
    {
        if (!happened_ || kept_.empty())
            return;
        happened_ = false;
        try {
            if (auto back = TextSelection::selectionFromData(kept_, nullptr, document_))
                back->insertInFlow(&flow_, nullptr, true);
        } catch (const kit::Exception&) {
            // The kill pasteboard still holds it for undelete.
        }
    }

private:
    TextItem& column_;
    TextFlow& flow_;
    LayoutDocument* document_;
    std::string kept_;
    bool happened_ = false;
};

} // namespace

bool TextItem::paste(DocumentView* view) { return paste(kit::Pasteboard::generalPasteboard(), false, view); }

bool TextItem::paste(kit::Pasteboard& pboard, bool link, DocumentView* view)
{
    TextFlow* flow = flow_.get();
    if (!flow) {
        kit::beep();
        return false;
    }
    TextItem* first = flow->firstTextItem();
    LayoutDocument* document = page() ? page()->document() : first ? first->pageDocument() : nullptr;
    kit::Pasteboard& filtered = kit::Pasteboard::pasteboardByFilteringTypesInPasteboard(pboard);
    Deletion deletion(*this, *flow, document);
    bool done = false;

    // An import hook that answers NO has read nothing: the deleted text goes back.
    auto runImport = [&](const std::function<bool()>& import) {
        if (!deletion.allowed())
            return;
        deletion.run();
        if (!import()) {
            deletion.undo();
            failed("ImportProblem", "ImportNotifyZyn");
            return;
        }
        done = true;
    };
    auto insert = [&](std::unique_ptr<TextSelection> pasted) {
        TextSelection* selection = flow->textSelection();
        const TextParagraph* place = selection && !selection->isEmpty()
                                         ? flow->paragraphAtIndex(selection->startParagraph())
                                         : flow->currentParagraph();
        if (!pasted || !pasted->canInsertInParagraph(place)) {
            failed("Paste Error", "PasteInternal");
            return;
        }
        if (!deletion.allowed())
            return;
        deletion.run();
        try {
            pasted->insertInFlow(flow, nullptr, true);
        } catch (const kit::Exception&) {
            deletion.undo();
            throw;
        }
        done = true;
    };

    try {
        if (offers(filtered, LayvanePboardTypeTEXT)) {
            if (link) {
                kit::beep();
            } else if (std::optional<std::string> data = filtered.dataForType(LayvanePboardTypeTEXT)) {
                insert(TextSelection::selectionFromData(*data, &filtered, document));
            } else {
                failed("Paste Error", "PasteInternal");
            }
        } else if (offers(filtered, ZynICFPboardType) && LayoutDocument::dispatchMarkupHook() && document) {
            if (link)
                kit::beep();
            else if (std::optional<std::string> data = filtered.dataForType(ZynICFPboardType))
                runImport([&] { return LayoutDocument::dispatchMarkupHook()(*document, ZynICFPboardType, *data); });
        } else if (offers(pboard, kit::RTFDPboardType) && LayoutDocument::dispatchMarkupHook() && document) {
            if (link)
                kit::beep();
            else if (std::optional<std::string> data = pboard.dataForType(kit::RTFDPboardType))
                runImport([&] { return LayoutDocument::dispatchMarkupHook()(*document, kit::RTFDPboardType, *data); });
        } else if (offers(pboard, kit::RTFPboardType) && LayoutDocument::dispatchRTFStreamHook() && document) {
            if (link)
                kit::beep();
            else if (std::optional<std::string> data = pboard.dataForType(kit::RTFPboardType))
                runImport([&] { return LayoutDocument::dispatchRTFStreamHook()(*document, *data); });
        } else if (offers(pboard, kit::StringPboardType)) {
            // The text is UTF-8. The RTF reader converts each character to
            // the documents' set once, leaves out those the set lacks and
            // says so; HTML goes to its reader as it came.
            std::optional<std::string> utf8 = link ? std::nullopt : pboard.stringForType(kit::StringPboardType);
            if (link) {
                kit::beep();
            } else if (!utf8) {
                failed("Paste Error", "PasteInternal");
            } else if (startsAsHTML(*utf8) && LayoutDocument::dispatchHTMLStreamHook() && document) {
                runImport([&] { return LayoutDocument::dispatchHTMLStreamHook()(*document, *utf8); });
            } else if (LayoutDocument::dispatchRTFStreamHook() && document) {
                const std::string rtf = PlainTextRTF::wrap("{\\rtf1\\ansi ", *utf8);
                runImport([&] { return LayoutDocument::dispatchRTFStreamHook()(*document, rtf); });
            } else {
                std::size_t lost = 0;
                const std::string bytes = documentBytes(*utf8, &lost);
                if (!bytes.empty())
                    insert(TextSelection::selectionFromPlainText(bytes));
                // As the RTF reader tells it.
                if (lost > 0 && (done || bytes.empty()))
                    kit::runAlertPanel(text("ImportProblem"), text("ImportDataLoss"), text("OK"), "", "");
            }
        } else if (offers(filtered, GxParagraphPboardType) || offers(filtered, kit::RulerPboardType)) {
            const bool ruler = !offers(filtered, GxParagraphPboardType);
            const char* type = ruler ? kit::RulerPboardType : GxParagraphPboardType;
            std::optional<std::string> data = filtered.dataForType(type);
            if (link)
                kit::beep();
            else if (!data || !view || !view->pasteParagraphFromTypedStream(*data, ruler, this))
                failed("Paste Error", "PasteInternal");
            else
                done = true;
        } else if (offers(filtered, kit::PostScriptPboardType) || offers(filtered, kit::TIFFPboardType)) {
            // A picture becomes an in-line graphic held in the document,
            // made from a file of its own.
            const char* type =
                offers(filtered, kit::PostScriptPboardType) ? kit::PostScriptPboardType : kit::TIFFPboardType;
            const std::optional<std::string> data = filtered.dataForType(type);
            std::unique_ptr<kit::Image> image = data ? kit::Image::imageWithData(*data) : nullptr;
            if (!image) {
                failed("Paste Error", "PasteInternal");
            } else if (deletion.allowed()) {
                const bool bitmap = dynamic_cast<kit::BitmapImageRep*>(image->lastRepresentation()) != nullptr;
                image.reset();
                const std::string path = tempFilenameWithExtension(bitmap ? "tiff" : "eps");
                if (!kit::FileManager::writeFileAtomically(path, *data)) {
                    failed("Paste Error", "PasteInternal");
                } else {
                    deletion.run();
                    if (flow->addGraphic(InlineImage::Source::path(path), false)) {
                        done = true;
                    } else {
                        deletion.undo();
                        failed("Paste Error", "PasteInternal");
                    }
                }
            }
        } else {
            kit::beep();
        }
    } catch (const kit::Exception&) {
        failed("Paste Error", "PasteInternal");
        done = false;
    }

    if (done) {
        flow->dirtyInItem(this);
        if (TextParagraph* paragraph = flow->currentParagraph())
            paragraph->recompute();
        // The pasted text shows, and the caret after it.
        textPoint caret{};
        flow->getCurrentTextPoint(&caret);
        flow->_finishModifyingInView(view, this, &caret, &caret, true);
        if (document)
            document->setEdited(true);
    }
    if (&filtered != &pboard)
        filtered.releaseGlobally();
    return done;
}
