// The RTF reader's vocabulary: its keyword groups, who registers them, and
// the registration of a document, a flow, a style and a character style.

#include "bundles/convala/markup/LayoutDocumentIOMethods.h"
#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynMarkupDispatcher.h"
#include "bundles/convala/markup/ZynMarkupElement.h"
#include "bundles/convala/rtf/RTFImportMethods.h"
#include "bundles/convala/rtf/RTFScrivlyPageSetup.h"
#include "app/ScrivlyDocument.h"

#include "document/LayoutDocument.h"
#include "foundation/ApplicationDelegate.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"

namespace rtfimport {

// "ansicpg", "u" and "uc" join RTF's own lists: escapes are read in the
// declared code page, and Unicode characters are taken with their
// fallbacks skipped.
const char* const documentKeywordList[] = {"rtf", "deff", "deftab", "sectd", "info", "zynunits", "zynspaces", nullptr};
const char* const footnoteKeywordList[] = {"footnote", nullptr};
const char* const charsetKeywordList[] = {"ansi", "mac", "pc", "pca", "nextcset", "ansicpg", nullptr};
const char* const infoKeywordList[] = {"title",    "subject",  "author", "operator", "keywords", "comment",
                                       "version",  "doccomm",  "vern",   "creatim",  "revtim",   "printim",
                                       "buptim",   "edmins",   "yr",     "mo",       "dy",       "hr",
                                       "min",      "nofpages", "nofwords", "nofchars", "id",     ";",
                                       "zyntext",  nullptr};
const char* const tableSetupKeywordList[] = {"colortbl", "fonttbl", "stylesheet", nullptr};
// "trowd" begins a table row's group: the row is read on (its cells'
// text as paragraphs), the table itself is lost.
const char* const unsupportedKeywordList[] = {"pict", "footnote", "field", "xe",
                                              "tc",   "linestart", "intbl", "trowd", nullptr};
// "fcharset" and "cpg" say which code page the font's text is in.
const char* const fontTableKeywordList[] = {"f",     "froman", "fswiss", "fmodern", "ftech",    "fscript", "fdecor",
                                            "fnil",  "fbidi",  "falt",   ";",       "zyntext", "fcharset", "cpg",
                                            nullptr};
const char* const styleTableKeywordList[] = {"s", "sbasedon", "snext", ";", "zyntext", nullptr};
const char* const colorTableKeywordList[] = {"red", "green", "blue", ";", nullptr};
const char* const charStyleKeywordList[] = {"f",     "fs",     "b",  "i",  "cf",    "plain",  "ul",
                                            "ulw",   "uldb",   "ulnone", "uld", "up", "dn", "scaps",
                                            "strike", "outl",  "shad", "revised", "expnd", nullptr};
const char* const paragraphStyleKeywordList[] = {"ql", "qc",   "qr",    "qj",     "sa",          "sb",
                                                 "sl", "keep", "keepn", "pagebb", "nowidctlpar", nullptr};
const char* const zynParagraphKeywordList[] = {"zynbullet", "zynwidow",  "zynkern",   "zynhyph",
                                               "zynlig",    "zynhpunct", "zyncolstrt", nullptr};
const char* const bulletKeywordList[] = {"f", "fs", "cf", "zynbullwidth", "zynbullx", "zynbully", "zyntext", nullptr};
const char* const rulerKeywordList[] = {"tx",   "tqc",  "tqr", "tqdec", "tldot", "tlhyph",
                                        "tlul", "tlth", "fi",  "li",    "ri",    nullptr};
// "line" is a line end within the paragraph; "cell", "nestcell" and "row"
// end a table's cell and row (the table's text arrives as paragraphs);
// "listtext" and "pntext" hold the number or bullet that a list item shows
// to readers without lists.
const char* const textKeywordList[] = {"zyntext",     "\n",     "\r",     ";",       "par",       "page",
                                       "tab",         "NeXTGraphic", "chpgn", "chdate", "chtime", "emdash",
                                       "endash",      "emspace", "enspace", "bullet", "lquote",   "rquote",
                                       "ldblquote",   "rdblquote", "~",    "-",       "_",         "u",
                                       "uc",          "line",    "cell",   "nestcell", "row",      "listtext",
                                       "pntext",      nullptr};
// A group whose first word nobody reads is read on; the flow gives back at
// its end the character format the group changed.
const char* const groupKeywordList[] = {"zyngroup", nullptr};
const char* const NeXTGraphicKeywordList[] = {"zyntext", "width", "height", nullptr};
const char* const paragraphKeywordList[] = {"s", "pard", "widowctrl", nullptr};
const char* const headerKeywordList[] = {"facingp", "header",  "headerf", "headerl", "headerr",
                                         "footer",  "footerf", "footerl", "footerr", "titlepg", nullptr};
const char* const marginKeywordList[] = {"margl",  "margr",  "margt",  "margb",     "headery", "footery",
                                         "paperw", "paperh", "landscape", "cols",   "colsx",   nullptr};
const char* const pageNumKeywordList[] = {"pgnstart", "pgnstarts", "pgndec",   "pgnucrm",
                                          "pgnlcrm",  "pgnucltr",  "pgnlcltr", nullptr};

void registerList(ZynDispatchTable& table, kit::Object* target, const char* selector, const char* const* list)
{
    const ZynKeywordGroup group{target, ZynHandler::selector(selector), list};
    table.registerGroup(&group);
}

void unregisterList(ZynDispatchTable& table, kit::Object* target, const char* const* list)
{
    for (const char* const* keyword = list; *keyword; ++keyword)
        table.unregisterObject(target, *keyword);
}

ZynImportRun* runOf(const ZynMarkupElement& element) { return dynamic_cast<ZynImportRun*>(element.dispatchRun()); }

RTFImportState* stateOf(const ZynMarkupElement& element)
{
    ZynImportRun* run = runOf(element);
    return run ? dynamic_cast<RTFImportState*>(run->readerState()) : nullptr;
}

ZynDispatchTable* tableOf(const ZynMarkupElement& element)
{
    ZynDispatchRun* run = element.dispatchRun();
    return run && run->dispatcher() ? run->dispatcher()->dispatchTable() : nullptr;
}

void setLostData(const ZynMarkupElement& element)
{
    if (ZynImportRun* run = runOf(element)) {
        run->setLostData(true);
        run->context().setLostDataDuringImport(true);
    }
}

int numberOf(const ZynMarkupElement& element) { return element.hasValue() ? element.intValue() : 0; }

} // namespace rtfimport

void RTFImportState::groupOpened(ZynImportRun&) { decoder.groupOpened(); }

void RTFImportState::groupClosed(ZynImportRun& run)
{
    decoder.groupClosed();
    // A character cut off by the group's end.
    if (decoder.takeLost()) {
        run.setLostData(true);
        run.context().setLostDataDuringImport(true);
    }
}

using namespace rtfimport;

void RTFImportMethods::registerStyleChar(ZynDispatchTable& table, kit::Object* target)
{
    registerList(table, target, "_readCharacterStyleInfo:", charStyleKeywordList);
}

void RTFImportMethods::unregisterStyleChar(ZynDispatchTable& table, kit::Object* target)
{
    unregisterList(table, target, charStyleKeywordList);
}

void RTFImportMethods::registerStyleParagraph(ZynDispatchTable& table, kit::Object* target)
{
    registerList(table, target, "_readParagraphStyleInfo:", paragraphStyleKeywordList);
    registerList(table, target, "_readZynParagraphStyleInfo:", zynParagraphKeywordList);
    registerList(table, target, "_readTabAndIndentInfo:", rulerKeywordList);
}

void RTFImportMethods::unregisterStyleParagraph(ZynDispatchTable& table, kit::Object* target)
{
    unregisterList(table, target, rulerKeywordList);
    unregisterList(table, target, zynParagraphKeywordList);
    unregisterList(table, target, paragraphStyleKeywordList);
}

void RTFImportMethods::registerTextFlow(ZynDispatchTable& table, kit::Object* flow)
{
    registerList(table, flow, "_readTextInfo:", textKeywordList);
    registerList(table, flow, "_readParagraphControlInfo:", paragraphKeywordList);
    registerStyleParagraph(table, flow);
    registerStyleChar(table, flow);
    registerList(table, flow, "_readCharacterStyleInfo:", groupKeywordList);
}

void RTFImportMethods::unregisterTextFlow(ZynDispatchTable& table, kit::Object* flow)
{
    unregisterList(table, flow, groupKeywordList);
    unregisterStyleChar(table, flow);
    unregisterStyleParagraph(table, flow);
    unregisterList(table, flow, paragraphKeywordList);
    unregisterList(table, flow, textKeywordList);
}

void RTFImportMethods::registerDocument(ZynImportRun& run, ZynDispatchTable& table)
{
    LayoutDocument& document = run.document();
    auto state = std::make_unique<RTFImportState>();
    RTFImportState& s = *state;
    s.document = &document;
    s.openingFile = run.options().openingFile;
    s.contents = run.options().contents;
    s.wnFilter = run.context().extension() && *run.context().extension() == "wn";
    run.setReaderState(std::move(state));

    registerList(table, &s, "__readCharset:", charsetKeywordList);
    registerList(table, &s, "__readFootnote:", footnoteKeywordList);
    registerList(table, &s, "__readDocumentInfo:", documentKeywordList);
    registerList(table, &s, "__readInfoInfo:", infoKeywordList);
    registerList(table, &run.context(), "__setupTables:", tableSetupKeywordList);
    registerList(table, &run.context(), "__readUnsupportedKeyword:", unsupportedKeywordList);
    registerTextFlow(table, document.activeTextFlow());

    if (const PageSetupMaker& maker = pageSetupMaker())
        s.pages = maker(document);
    if (!s.pages)
        return;
    registerList(table, &s, "__readHeaderFooterInfo:", headerKeywordList);
    registerList(table, &s, "__readMarginAndPaperInfo:", marginKeywordList);
    registerList(table, &s, "__readPageNumberInfo:", pageNumKeywordList);
    if (s.openingFile) {
        // Until the file says otherwise, RTF's default of half an inch.
        document.setDefaultTabSpacing(36.0f);
        s.autosizeHeaders = true;
        s.autosizeFooters = true;
    }
}

RTFImportMethods::PageSetupMaker& RTFImportMethods::pageSetupMaker()
{
    static PageSetupMaker maker = [](LayoutDocument& document) -> std::unique_ptr<RTFPageSetupTarget> {
        if (auto* words = dynamic_cast<ScrivlyDocument*>(&document))
            return std::make_unique<RTFScrivlyPageSetup>(*words);
        if (!Main || !Main->prefersAutomaticTextItems())
            return nullptr;
        return std::make_unique<RTFLayoutPageSetup>(document);
    };
    return maker;
}

void RTFImportMethods::install()
{
    static const bool installed = [] {
        installFrameHandlers();
        installCharacterHandlers();
        installParagraphHandlers();
        installTextHandlers();
        installPageHandlers();
        return true;
    }();
    (void)installed;
    LayoutDocumentIOMethods::Reader& reader = LayoutDocumentIOMethods::rtfReader();
    reader.registerWithMarkupDispatcher = &RTFImportMethods::registerDocument;
    reader.resolveRTFStyleListFrom = &RTFImportMethods::resolveRTFStyleListFrom;
    TextParagraph::prepareForAddByteHook() = &RTFImportMethods::prepareForAddByte;
}
