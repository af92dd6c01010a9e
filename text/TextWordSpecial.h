#pragma once

// A word that stands for something other than letters: a tab, a date, time
// or page-number token, a merge token, an autonumber, a header, footer or
// footnote marker, a break, or an in-line graphic. It answers every word
// operation; those that depend on its type code are overridden here. An
// in-line graphic holds a placed picture item, stands for it in the
// document's graphic-links list and passes the item's questions on to it.

#include "core/WeakLink.h"
#include "text/InlineImage.h"
#include "text/TextWord.h"

#include <functional>

#include <ctime>
#include <memory>
#include <optional>
#include <string>

class Item;
class Page;
struct Paint;

// Type codes shared by the whole system.
enum TextWordType : int {
    TextWordDate = 1,
    TextWordPageNumber = 2,
    TextWordTime = 3,
    TextWordNoText = 4,
    TextWordTab = 5,
    TextWordMergeToken = 6,
    TextWordAutonumber = 7,
    TextWordLastPageNumber = 8,
    TextWordFixedDate = 9,
    TextWordFixedTime = 10,
    TextWordGraphic = 101,
    TextWordHeaderMarker = 102,
    TextWordFooterMarker = 103,
    TextWordFootnoteMarker = 104,
    TextWordParagraphEnd = 201,
    TextWordLineBreak = 202,
    TextWordPageBreak = 203,
    TextWordEndOfFlow = 204,
};

// The document that special words inserted meanwhile attach to: set by a
// text column's paste for its duration, nil otherwise.
extern TextDocument* textWordSpecialDocumentGlobalHack;
// Set while a new document is made from a template: date and time tokens
// read then become fixed tokens.
extern bool convertToFixedTokens;
// Set when a stored word refreshed an updating token; the document's
// after-save step reads and clears it.
extern bool hasUpdatingTokens;

// Header, footer and footnote columns refer back to their marker weakly.
class TextWordSpecial : public TextWord, public kit::WeakTarget, public GraphicLink {
public:
    // Type 0: no text, invisible (the archiver's and splitting's word).
    TextWordSpecial();
    explicit TextWordSpecial(int type)
    {
        plain_ = false;
        initAsType(type);
    }
    ~TextWordSpecial() override;
    TextWordSpecial* initAsType(int type);
    std::unique_ptr<TextWord> copy() const override;

    std::string className() const override { return "TextWordSpecial"; }

    // ---- Identity.
    int wordType() const override { return wordType_; }
    bool isSpecial() const override { return true; }
    bool isSpecialType(int type) const override { return wordType_ == type; }
    bool isPageDependent() const override;
    bool isGraphicLink() const override { return wordType_ == TextWordGraphic; }
    bool isVisible() const override;
    // Date, page, time, merge, autonumber and last-page tokens: styled whole.
    bool isToken() const { return isTokenType(wordType_); }
    // Dates, times, page numbers, merge tokens and autonumbers.
    static bool isTokenType(int type);
    int length() const override;
    const char* charAtIndex(int index) const override;
    void setInsertToEnd() override;

    // ---- Styles.
    void addCharStyle(std::unique_ptr<StyleChar> style, int offset) override;
    StyleChar* lastStyle() const override;

    // ---- Tabs and autonumbers.
    void setTab(short kind, float location, char leader);
    float tabLocation() const { return tabLocation_; }
    short tabType() const { return tabType_; }
    char tabLeader() const { return static_cast<char>(tabLeader_); }
    short autonumberValue() const { return tabType_; }
    void setAutonumberValue(short value) { tabType_ = value; }

    // ---- Tokens.
    const std::optional<std::string>& formatString() const { return theTokenFormat_; }
    void setFormatString(const std::optional<std::string>& format) { theTokenFormat_ = format; }
    // Date and time tokens: the current local time in their format.
    void updateTokenString();
    // The same for a given moment.
    void updateTokenStringForTime(const std::tm& time);
    // Page tokens: the number of the frame's page, or "?" when it has none.
    // True when the text changed (and the word was measured again).
    bool computeWordTokenInItem(TextItem* item);
    // The text a page-number token shows for that page of that document.
    static std::string pageTokenText(const TextDocument* document, const Page* page);
    // The text a last-page token shows for that document.
    static std::string lastPageTokenText(const TextDocument* document);

    // ---- The held object. Graphics and header and footer frames are
    // retained (shared by copies); tokens only point at theirs. A marker
    // that stands in the text of its own frame only watches it: holding it
    // there, the frame would own itself. Nil once a watched object is gone.
    kit::Object* objectReference() const { return watched_ && imageWatch_.expired() ? nullptr : image_; }
    kit::Object* image() const { return objectReference(); }
    void setObjectReference(kit::Object* object);
    void setObjectReference(std::shared_ptr<kit::Object> object);
    // The held frame or graphic as an item, sharing the word's hold; nil
    // when the word only points at its object.
    std::shared_ptr<Item> heldItem() const;
    const std::optional<int>& itemSerialNumber() const;
    void setItemSerialNumber(std::optional<int> number) { itemSerialNumber_ = number; }
    float scaleX() const { return scaleX_; }
    float scaleY() const { return scaleY_; }
    void setScale(float x, float y) { scaleX_ = x, scaleY_ = y; }
    // The column that shows the word, and its page.
    TextItem* textItem() const;
    Page* page() const;

    // ---- In-line graphics (type 101).
    // A new in-line graphic of the picture at the source; nil, with why in
    // error (empty when the user cancelled), when it yields no picture.
    static std::unique_ptr<TextWordSpecial> initFromSourceFileName(InlineImage::Source source, bool makeSymLink,
                                                                   std::string* error = nullptr);
    // Sizes the picture by its scale and places it on the baseline by its
    // EPS comments.
    TextWordSpecial* _initGraphic();
    // The offsets of "%%Translation:" or "%%Baseline:" in an EPS picture's
    // comments (x, y, width, a fourth value); zeros for a picture that is
    // not EPS or has neither. Values that are not finite numbers of a
    // sensible size read as 0.
    static void getEPSOffset(const kit::ImageRep* rep, bool baselineFlip, float* x, float* y, float* width,
                             float* fourth);
    float offX() const { return offX_; }
    float offY() const { return offY_; }
    // The picture held, as the word's questions need it; nil for none.
    Item* graphicItem() const;
    InlineImage* inlineImage() const;
    // Runs an operation on the held picture; a change of its size by a point
    // or more takes the new scale and lays the paragraph out again.
    void forwardToImage(const std::function<void(Item&)>& operation);
    void replaceFilenameWith(const std::string& path);
    TextWordSpecial* reinitFromPasteboard(const std::string& pasteboardName);

    // ---- The graphic-links list's questions, answered by the picture (the
    // defaults for a word without one, or of another type).
    std::optional<std::string> filename() const override;
    bool isLinked() const override;
    bool cantFind() const override;
    bool needsChecking() const override;
    void setNeedsChecking(bool flag) override;
    std::int32_t filesize() const override;
    std::optional<double> lastModifyTime() const override;
    Page* linkPage() const override { return page(); }
    TextDocument* linkDocument() const override;
    Item* linkItem() const override { return graphicItem(); }
    bool checkSelfInView(DocumentView* view, const kit::Rect& bounds, const kit::Rect& update) override;

    // ---- Document membership.
    // The document whose header, footer or footnote list names the marker
    // (the document sets it): the marker leaves its lists when it goes, be
    // its column and page gone or not. Nil once that document is gone.
    TextDocument* listedIn() const { return listedIn_.get(); }
    void setListedIn(TextDocument* document);
    bool canDelete() override;
    void insertInParagraph(TextParagraph* paragraph) override;
    void removeFromDocument(TextDocument* document) override;
    void resolveInDocument(TextDocument* document) override;

    // ---- Layout, hit testing, drawing, export.
    void computeWithStyle(StyleChar* style) override;
    void findPiece(int piece, kit::Font* font, float maxWidth, int start, int* range, float* width,
                   bool force) override;
    void hyphenateAt(int k) override;
    int hitAtPoint(float x, int piece) override;
    using TextWord::getSelectionRects;
    int getSelectionRects(kit::Rect* rects, float* yOrigins, int* firstOffsets, int* lastOffsets, int from,
                          int to) const override;
    bool drawSelfInView(const Paint& paint, TextItem* item, kit::Font* font, kit::Point point,
                        kit::Size* moved) override;
    void drawBox() override;
    bool writeTextToStream(std::string& stream, int type) const override;
    bool writeTextToStream(std::string& stream, int type, int start, int end) const override;

    // ---- Stored form.
    void encodeWithCoder(kit::Coder& coder) const override;
    kit::Object* initWithCoder(kit::Coder& coder) override;

protected:
    std::unique_ptr<TextWord> newWordOfSameClass() const override;

private:
    bool retainsImage() const;
    // Types 1, 3, 6, 7, 9, 10: the caret goes before or after the whole token.
    bool isWholeToken() const;
    // What the graphic word writes as plain text; the seam for in-line graphics.
    std::string graphicFileName() const;
    void readSpecialPart(kit::Coder& coder, float version);
    // Holds the shared object, unless it is the frame whose text holds the
    // paragraph (nil: the word stands in no text).
    void settleHold(const TextParagraph* paragraph);
    void fixAfterReading(float version);
    // The picture's arrival redraws the column that shows the word.
    void watchPicture();
    // Joins the document's graphic-links list (and leaves it when it goes).
    void registerLink(TextDocument* document);
    static bool baselineFlip();

    int wordType_ = 0;
    kit::Object* image_ = nullptr;            // not retained unless imageHold_ holds it
    std::shared_ptr<kit::Object> imageHold_;  // graphics and header and footer frames
    std::weak_ptr<kit::Object> imageWatch_;   // the shared object, held or not
    bool watched_ = false;                    // image_ is shared: imageWatch_ watches it
    kit::WeakLink<TextDocument> listedIn_;
    float offX_ = 0, offY_ = 0;
    float scaleX_ = 1.0f, scaleY_ = 1.0f;
    float tabLocation_ = 0;
    // In-line graphics: the picture's width the word's width was last set
    // from (not stored; a width override keeps its proportion to it).
    float graphicWidth_ = 0;
    short tabType_ = 0;
    short tabLeader_ = 0;
    std::optional<int> itemSerialNumber_;
    std::optional<std::string> theTokenFormat_;
};
