#pragma once

// The RTF reader: the handlers that turn RTF's words into a document's
// text, styles, tables, pictures and page set-up, registered in keyword
// groups on the objects they act on (the document, the run's context, a
// text flow, a style being defined) for as long as the words mean that.
//
// Handlers are operations that the reader adds to the model classes by
// name (ZynHandler selectors): "_readTextInfo:" of a TextFlow, "_readCharac
// terStyleInfo:" of a TextFlow, a StyleParagraph or a StyleChar, and so
// on. Everything a read keeps lives in its run (RTFImportState), never in
// the process, so that no import leaves state behind for the next one.

#include "bundles/convala/markup/ZynImportRun.h"
#include "bundles/convala/markup/ZynKeywordGroup.h"
#include "bundles/convala/markup/ZynMarkupElement.h"
#include "bundles/convala/rtf/RTFTextDecoder.h"

#include "core/Geometry.h"
#include "foundation/StyleChar.h"
#include "text/TextPoint.h"
#include "core/Object.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <typeinfo>
#include <vector>

namespace kit {
class FileWrapper;
class Font;
}
class LayoutDocument;
class RTFContext;
class StyleParagraph;
class StyleParagraphNamed;
class TextFlow;
class TextItem;
class TextParagraph;
class TextWord;
class ZynDispatchTable;

// The word processor's page set-up as the reader changes it: margin and
// header and footer guides (page coordinates, y downwards), paper, columns,
// page numbering and new header and footer columns. The word processor's
// document supplies its own; until it exists, RTFLayoutPageSetup does this
// over a layout document's main master column and header and footer frames.
class RTFPageSetupTarget {
public:
    virtual ~RTFPageSetupTarget();

    virtual kit::Size pageSize() const = 0;
    // Paper and page, and every page of the document.
    virtual void setPageSize(const kit::Size& size) = 0;
    virtual void setLandscape() = 0;

    virtual float leftMargin() const = 0;
    virtual float rightMargin() const = 0;
    virtual float topMargin() const = 0;
    virtual float bottomMargin() const = 0;
    virtual void setLeftMargin(float x) = 0;
    virtual void setRightMargin(float x) = 0;
    virtual void setTopMargin(float y) = 0;
    virtual void setBottomMargin(float y) = 0;
    virtual float headerTop() const = 0;
    virtual float headerBottom() const = 0;
    virtual float footerTop() const = 0;
    virtual float footerBottom() const = 0;
    virtual void setHeaderTop(float y) = 0;
    virtual void setHeaderBottom(float y) = 0;
    virtual void setFooterTop(float y) = 0;
    virtual void setFooterBottom(float y) = 0;
    // The main master column to the margins, header and footer columns to
    // their guides.
    virtual void resizeMasterTextItems() = 0;

    virtual int columnCount() const = 0;
    virtual float columnGutterWidth() const = 0;
    virtual void resetDocumentColumnCount(int count, float gutter) = 0;

    virtual void setFirstPageNum(int number) = 0;
    virtual void setPageNumberFormat(int format) = 0;

    // A new header (footer) column for the pages of the master flags, its
    // marker at the main text's caret; nil when none can be made.
    virtual TextItem* insertHeaderOrFooter(bool header, int masterFlags, bool notOnFirstPage) = 0;
    // The columns of the document's headers (footers).
    virtual std::vector<TextItem*> headerOrFooterColumns(bool header) const = 0;
};

// Over a layout document: the margins are the main master column's edges,
// the header and footer guides the edges of the document's header and
// footer frames. A layout document has no column sets: the count and
// gutter are kept here only.
class RTFLayoutPageSetup : public RTFPageSetupTarget {
public:
    explicit RTFLayoutPageSetup(LayoutDocument& document);

    kit::Size pageSize() const override;
    void setPageSize(const kit::Size& size) override;
    void setLandscape() override;
    float leftMargin() const override { return left_; }
    float rightMargin() const override { return right_; }
    float topMargin() const override { return top_; }
    float bottomMargin() const override { return bottom_; }
    void setLeftMargin(float x) override { left_ = x; }
    void setRightMargin(float x) override { right_ = x; }
    void setTopMargin(float y) override { top_ = y; }
    void setBottomMargin(float y) override { bottom_ = y; }
    float headerTop() const override { return headerTop_; }
    float headerBottom() const override { return headerBottom_; }
    float footerTop() const override { return footerTop_; }
    float footerBottom() const override { return footerBottom_; }
    void setHeaderTop(float y) override { headerTop_ = y; }
    void setHeaderBottom(float y) override { headerBottom_ = y; }
    void setFooterTop(float y) override { footerTop_ = y; }
    void setFooterBottom(float y) override { footerBottom_ = y; }
    void resizeMasterTextItems() override;
    int columnCount() const override { return columnCount_; }
    float columnGutterWidth() const override { return gutter_; }
    void resetDocumentColumnCount(int count, float gutter) override;
    void setFirstPageNum(int number) override;
    void setPageNumberFormat(int format) override;
    TextItem* insertHeaderOrFooter(bool header, int masterFlags, bool notOnFirstPage) override;
    std::vector<TextItem*> headerOrFooterColumns(bool header) const override;

    // The word processor's main master column ("MainText", else the
    // automatic master column); nil for none.
    static TextItem* mainMasterColumn(const LayoutDocument& document);

private:
    LayoutDocument& document_;
    float left_ = 72, right_ = 540, top_ = 72, bottom_ = 720;
    float headerTop_ = 36, headerBottom_ = 72, footerTop_ = 720, footerBottom_ = 756;
    int columnCount_ = 1;
    float gutter_ = 18;
};

// What one RTF read keeps. It also stands for the document being read as
// the target of the document's handlers.
class RTFImportState : public ZynReaderState, public kit::Object {
public:
    std::string className() const override { return "RTFImportState"; }

    // The groups scope the decoder's font and fallback count.
    void groupOpened(ZynImportRun& run) override;
    void groupClosed(ZynImportRun& run) override;

    LayoutDocument* document = nullptr;
    bool openingFile = false;
    // Files of the "wn" filter take one point less of automatic leading.
    bool wnFilter = false;
    const kit::FileWrapper* contents = nullptr;

    // ---- The frame (font, colour and style tables).
    int currentFontSlot = 2147483647;
    // The face of the entry's family word, for a name nobody knows; none
    // for an entry without one (the body font). One entry's only.
    std::optional<std::string> fallbackFontName;
    // The entry's alternative name ("{\*\falt Name}"), read while
    // readingAltName is set.
    std::string altFontName;
    bool readingAltName = false;
    // A table entry's name, gathered from its text runs, escapes and
    // "\uN" words (UTF-8) until its ";".
    std::string pendingName;
    bool namePending = false;
    // Set while a font table or style sheet is open: names are read there.
    int tableDepth = 0;
    StyleParagraphNamed* currentStyle = nullptr;
    float red = 0, green = 0, blue = 0;
    // A page break ends its paragraph; the paragraph end written after it
    // is that same end.
    bool pageBreakEnded = false;
    // "\zynspaces": every space of the text was typed. Files without it
    // may be ours from before, with a space before every tab and break
    // that is no part of the text.
    bool spacesAsTyped = false;
    // Groups whose text the document cannot take ("info", "pict").
    int swallowDepth = 0;

    // ---- List numbers ("\listtext", "\pntext").
    // Groups open; and where the text stood when the last one ended: while
    // nothing follows the number, the paragraph's words still shape the
    // paragraph it begins.
    int listTextDepth = 0;
    std::optional<textPoint> listTextEnd;

    // ---- Characters.
    RTFTextDecoder decoder;
    // Set by "\widowctrl": what "\pard" gives a paragraph's widow control.
    short documentWidowControl = 0;

    // ---- Paragraphs and tabs.
    short pendingTabType = 0;
    char pendingTabLeader = 0;

    // ---- Text.
    // "deff": the number, looked up when a paragraph needs the font (the
    // font table comes after it).
    std::optional<int> defaultFontNumber;
    std::optional<std::string> pictureName;
    bool nameSeen = false;
    float pictureWidth = 0, pictureHeight = 0;

    // ---- The word processor's pages.
    std::unique_ptr<RTFPageSetupTarget> pages;
    bool autosizeHeaders = false;
    bool autosizeFooters = false;
    TextItem* previousTextItem = nullptr;
    TextItem* registeredTextItem = nullptr;
    // Header and footer groups open (one is read; nested ones are skipped).
    int headerDepth = 0;
    bool registeredIsHeader = true;
};

struct RTFImportMethods {
    // Groups and their handlers on the keyword table, and the program's
    // hooks: the reader of the import drivers and the paragraph's step
    // before a character is added. Once per process is enough.
    static void install();

    // The page set-up a word-processor document's import acts on; nil for
    // a document that is not the word processor's. By default the layout
    // document's (RTFLayoutPageSetup) when the program is the word
    // processor; the word processor's document sets its own.
    using PageSetupMaker = std::function<std::unique_ptr<RTFPageSetupTarget>(LayoutDocument&)>;
    static PageSetupMaker& pageSetupMaker();

    // Progress while a long file is read ("42%"): shown by whoever sets it
    // (the window's status line); nothing by default.
    using StatusHook = std::function<void(LayoutDocument&, const std::string&)>;
    static StatusHook& statusHook();

    // Tells the user that parts of the data were left out ("ImportProblem",
    // "ImportDataLoss").
    static void alertLostData();

    // ---- Reading files.
    // An RTF file or an RTFD folder ("TXT.rtf" and its pictures) into the
    // document, as when the file is opened: the page set-up words apply.
    // False, with why in error, when nothing was read; lostData (may be
    // null) says whether parts were left out, for the opener to tell.
    static bool openRTFFile(LayoutDocument& document, const std::string& path, bool* lostData,
                            std::string* error);

    // ---- Registration (the document class's groups, and the groups a
    // flow, a style or a character style takes).
    static void registerDocument(ZynImportRun& run, ZynDispatchTable& table);
    static void registerTextFlow(ZynDispatchTable& table, kit::Object* flow);
    static void unregisterTextFlow(ZynDispatchTable& table, kit::Object* flow);
    static void registerStyleParagraph(ZynDispatchTable& table, kit::Object* target);
    static void unregisterStyleParagraph(ZynDispatchTable& table, kit::Object* target);
    static void registerStyleChar(ZynDispatchTable& table, kit::Object* target);
    static void unregisterStyleChar(ZynDispatchTable& table, kit::Object* target);

    // After an import: the flow's paragraphs take the sheet's styles in
    // place of the run's, and the dirty ones are measured again.
    static void resolveRTFStyleListFrom(TextFlow& flow, RTFContext& context);

    // The paragraph's step before a character is added: at a special word
    // the character goes into the word before or after it.
    static void prepareForAddByte(TextParagraph& paragraph, char c);

    // ---- Characters.
    // The document character (NeXTSTEP, or Symbol for the Symbol font) of
    // a Unicode character; none when the set lacks it.
    static std::optional<unsigned char> documentByte(char32_t ch, bool symbolFont);

    // ---- Limits the reader keeps to.
    static constexpr int MaxTabStops = 100;
    static constexpr float MaxPageSide = 14400.0f; // 200 inches
    static constexpr float MinPageSide = 72.0f;
    static constexpr float MinColumnWidth = 36.0f;
    static constexpr float MaxFontSize = 1638.0f;
    static constexpr std::size_t MaxPictureName = 1024;
};

// Helpers the handler files share.
namespace rtfimport {

void adjustAtEndOfParagraph(StyleParagraph& style);

ZynImportRun* runOf(const ZynMarkupElement& element);
RTFImportState* stateOf(const ZynMarkupElement& element);
ZynDispatchTable* tableOf(const ZynMarkupElement& element);
void setLostData(const ZynMarkupElement& element);
// The element's number, or 0.
int numberOf(const ZynMarkupElement& element);
// Twips to points.
inline float points(int twips) { return float(twips) / 20.0f; }

// Keyword lists (null-ended) of the vocabulary.
extern const char* const documentKeywordList[];
extern const char* const footnoteKeywordList[];
extern const char* const charsetKeywordList[];
extern const char* const infoKeywordList[];
extern const char* const tableSetupKeywordList[];
extern const char* const unsupportedKeywordList[];
extern const char* const fontTableKeywordList[];
extern const char* const styleTableKeywordList[];
extern const char* const colorTableKeywordList[];
extern const char* const charStyleKeywordList[];
extern const char* const paragraphStyleKeywordList[];
extern const char* const zynParagraphKeywordList[];
extern const char* const bulletKeywordList[];
extern const char* const rulerKeywordList[];
extern const char* const textKeywordList[];
extern const char* const NeXTGraphicKeywordList[];
extern const char* const paragraphKeywordList[];
extern const char* const headerKeywordList[];
extern const char* const marginKeywordList[];
extern const char* const pageNumKeywordList[];
extern const char* const groupKeywordList[];

void registerList(ZynDispatchTable& table, kit::Object* target, const char* selector, const char* const* list);
void unregisterList(ZynDispatchTable& table, kit::Object* target, const char* const* list);

// A handler operation of class T by name (one implementation per class).
template <class T>
void addHandler(const char* name, void (*handler)(T&, ZynMarkupElement&))
{
    ZynHandler::addMethod(
        name, &typeid(T), [](const kit::Object* target) { return dynamic_cast<const T*>(target) != nullptr; },
        [handler](kit::Object* target, kit::Object* first, kit::Object*) -> kit::Object* {
            auto* self = dynamic_cast<T*>(target);
            auto* element = dynamic_cast<ZynMarkupElement*>(first);
            if (self && element)
                handler(*self, *element);
            return nullptr;
        });
}

// The handlers, by file.
void installFrameHandlers();
void installCharacterHandlers();
void installParagraphHandlers();
void installTextHandlers();
void installPageHandlers();

// Table entry names: text runs and escapes of the code page, and "\uN"
// characters, gathered as UTF-8.
void appendNameText(RTFImportState& state, const std::string& bytes);
void appendNameUnicode(RTFImportState& state, std::int32_t n);
// A leading code for a line spacing of the given twips with the font.
float leadingFor(int spacingTwips, const kit::Font* font, bool wnFilter);

// The paragraph-control handler's "deff" and "pard" need the default font.
kit::Font* defaultFont(const ZynMarkupElement& element);
// The Symbol font is in force for the flow's typing style.
bool typingInSymbolFont(const TextFlow& flow);
// Where a special word goes at the paragraph's caret: after or before
// `word` (the caret's empty word, which stays the caret's).
struct CaretPlace {
    TextWord* word;
    bool before;
};
// Drops the caret's empty word where the space that left it was the
// words' own boundary (before a field or a marker; before a tab, a break
// or a picture unless spacesAsTyped, a file whose spaces are all typed).
CaretPlace placeAtCaret(TextParagraph& paragraph, bool spacesAsTyped, bool standsAlone);
// A special word at the paragraph's caret, placed by placeAtCaret.
TextWord* addSpecial(TextParagraph& paragraph, int type, bool spacesAsTyped = false);
// Whether paragraph words shape the flow's current paragraph: at its
// logical first point, or when only its list number stands before the caret.
bool atParagraphStart(const TextFlow& flow, const ZynMarkupElement& element);

// The paper of every page and of the master page becomes size; the caller
// tells the views.
void setPaperOfPages(LayoutDocument& document, const kit::Size& size);
// The print settings turn to landscape.
void setLandscape(LayoutDocument& document);
// A copy of the flow's typing format to give back at a group's end.
std::unique_ptr<StyleChar> savedTypingStyle(const TextFlow& flow);
// Gives back the format last saved on the run's stack (and takes it off):
// the typing format, and the paragraph's own while nothing is written in it.
void restoreTypingStyle(TextFlow& flow, ZynImportRun& run);
// Adds document bytes as text to the flow (the text handler's text run).
void addTextRun(TextFlow& flow, const std::string& bytes, bool spacesAsTyped = false);

} // namespace rtfimport
