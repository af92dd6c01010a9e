#pragma once

// Where the program meets the bundle's import machinery: the entry points
// that read foreign data into a document, in the one order every import
// follows (empty the context, register the handlers of the document's
// class, make the document read-only and mark the import as running,
// dispatch, unregister, restore, merge the imported styles), and the step
// that numbers a document's fonts, colours and styles before an export.
//
// Every way out of an import, an exception included, leaves the keyword
// table as it was before (registrations are cut back to their recorded
// depths), the document's read-only flag as it was, its dispatching flag
// off and the paragraph styles' force switch as it was. One import runs at
// a time: the context and the keyword table are shared.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class Item;
class LayoutDocument;
class Page;
class RTFContext;
class TextFlow;
class TextItem;
class ZynDispatchTable;
class ZynImportRun;
struct ZynImportOptions;

struct LayoutDocumentIOMethods {
    // The name of the exception a document closed while it is being
    // imported raises; the import then answers NO quietly.
    static constexpr const char* ClosedDuringImport = "ClosedDuringImport";

    // What a format's reader gives the drivers: the registration of the
    // document class's handlers for the run (undone by the driver), and the
    // step by which each flow takes the styles the run read.
    struct Reader {
        std::function<void(ZynImportRun& run, ZynDispatchTable& table)> registerWithMarkupDispatcher;
        std::function<void(TextFlow& flow, RTFContext& context)> resolveRTFStyleListFrom;
    };
    // RTF's reader; none until the RTF handlers are loaded.
    static Reader& rtfReader();

    // ---- Imports.
    // RTF, or plain text (which the stream wraps as RTF), into the
    // document at its main text. False when nothing was read: no data, no
    // reader, or another import still running. Exceptions other than
    // ClosedDuringImport go on to the caller, after the clean-up.
    static bool dispatchRTFStream(LayoutDocument& document, const std::optional<std::string>& data);
    static bool dispatchRTFStream(LayoutDocument& document, const std::optional<std::string>& data,
                                  bool* lostData);
    // The same for a file being opened or an RTFD's folder (its pictures).
    static bool dispatchRTFStream(LayoutDocument& document, const std::optional<std::string>& data,
                                  bool* lostData, const ZynImportOptions& options);
    // The same on bytes the stream shares rather than copies: a large file
    // is held once while it is read.
    static bool dispatchRTFStream(LayoutDocument& document, std::shared_ptr<const std::string> data,
                                  bool* lostData, const ZynImportOptions& options);
    // HTML comes with its reader: until then nothing is read (false).
    static bool dispatchHTMLStream(LayoutDocument& document, const std::optional<std::string>& data);
    // Foreign data by pasteboard type. For RTFD the data is the contents'
    // folder (its pasteboard form), whose "TXT.rtf" is read; the HTML and
    // interchange types come with their readers (NO: nothing read); any
    // other type answers YES and reads nothing. NO also when the document
    // was closed during the import (ClosedDuringImport) or the data holds
    // no "TXT.rtf". lostData (may be null) receives the context's
    // lost-data flag when the import finished.
    static bool dispatchMarkup(LayoutDocument& document, const std::string& type, const std::string& data,
                               bool* lostData);
    static bool dispatchMarkup(LayoutDocument& document, const std::string& type, const std::string& data,
                               bool* lostData, bool openingFile);
    // Clears the document's import flags (the registrations of the run are
    // cut back by the driver itself).
    static void _resetAfterDispatch(LayoutDocument& document, int runKind);
    // After an import: each flow takes the imported styles, and every
    // imported named style the document's sheet lacks joins it.
    static void _integrateImportedStyleList(LayoutDocument& document, RTFContext& context);

    // ---- Before an export.
    // Empties the context, numbers the style sheet's named styles, visits
    // every item, then numbers what every paragraph of every flow found
    // uses. The flows are listed (each once) in flowList.
    static void buildMarkupLists(const LayoutDocument& document, RTFContext& context,
                                 std::vector<TextFlow*>& flowList);
    // A text column adds its flow to the list, a placed picture joins the
    // context's pictures; the item's graphic style's line and fill colours
    // are numbered.
    static void buildInitialLists(Item* item, RTFContext& context, std::vector<TextFlow*>& flowList);
    // Each master item, then each item of each page in page order.
    static void walkItemsForObject(const LayoutDocument& document, const std::function<void(Item*)>& perform);

    // The page's main text column: the copy of the master column named
    // "MainText" (or the column so named), else the copy of an automatic
    // master column, else its first column with text; nil for none.
    static TextItem* mainTextItemForPage(const Page* page);
};
