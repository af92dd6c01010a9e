#include "text/TextWordSpecial.h"

#include "core/Alert.h"
#include "foundation/ApplicationDelegate.h"
#include "foundation/PageNumbers.h"
#include "foundation/Preferences.h"
#include "foundation/StyleChar.h"
#include "foundation/ZYNTime.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"
#include "items/TextItem.h"
#include "text/TextDocument.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextParagraphDrawing.h"


#include <cmath>
#include <ctime>
#include <limits>

TextDocument* textWordSpecialDocumentGlobalHack = nullptr;
bool convertToFixedTokens = false;
bool hasUpdatingTokens = false;

namespace {

const std::string& stringForKey(const std::string& key)
{
    return Main ? Main->valueForStringKey(key) : key;
}

} // namespace

bool TextWordSpecial::baselineFlip()
{
    const Preferences* preferences = Main ? Main->preferences() : nullptr;
    return preferences && preferences->baselineFlip();
}

TextWordSpecial::TextWordSpecial() { plain_ = false; }

TextWordSpecial::~TextWordSpecial()
{
    if (TextDocument* document = listedIn_.get()) {
        removeFromDocument(document);
        document->removeFootnote(this);
    }
    if (auto* frame = dynamic_cast<TextItem*>(objectReference()); frame && frame->myMaster() == this)
        frame->setMyMaster(nullptr);
}

std::unique_ptr<TextWord> TextWordSpecial::newWordOfSameClass() const { return std::make_unique<TextWordSpecial>(); }

TextWordSpecial* TextWordSpecial::initAsType(int type)
{
    wordType_ = type;
    scaleX_ = scaleY_ = 1.0f;
    Preferences* preferences = Main ? Main->preferences() : nullptr;
    switch (type) {
    case TextWordDate:
    case TextWordTime:
        if (preferences)
            setFormatString(type == TextWordDate ? preferences->defaultDateFormat()
                                                 : preferences->defaultTimeFormat());
        updateTokenString();
        break;
    case TextWordPageNumber:
    case TextWordLastPageNumber:
    case TextWordGraphic:
        setText(" ");
        break;
    case TextWordTab:
        setText(">");
        break;
    case TextWordMergeToken:
    case TextWordAutonumber:
    case TextWordFootnoteMarker:
        setText("\xAB\xBB");
        break;
    case TextWordParagraphEnd:
        setText("<para>");
        break;
    case TextWordPageBreak:
        setText("<page>");
        break;
    case TextWordEndOfFlow:
        setText("<eof>");
        break;
    default:
        // Types 4, 9, 10, the markers, the line break and unknown codes:
        // empty text in buffers of their own, one piece.
        setText("");
        break;
    }
    return this;
}

std::unique_ptr<TextWord> TextWordSpecial::copy() const
{
    std::unique_ptr<TextWord> word = TextWord::copy();
    auto* special = static_cast<TextWordSpecial*>(word.get());
    special->wordType_ = wordType_;
    special->image_ = image_;
    // A copy stands in no text yet: it holds what the original shares.
    special->imageHold_ = imageHold_ ? imageHold_ : imageWatch_.lock();
    special->imageWatch_ = imageWatch_;
    special->watched_ = watched_;
    special->offX_ = offX_;
    special->offY_ = offY_;
    special->scaleX_ = scaleX_;
    special->scaleY_ = scaleY_;
    special->tabLocation_ = tabLocation_;
    special->graphicWidth_ = graphicWidth_;
    special->tabType_ = tabType_;
    special->tabLeader_ = tabLeader_;
    special->setFormatString(theTokenFormat_);
    if (special->paragraph())
        special->computeWithStyle(nullptr);
    return word;
}

// ---- Identity.

bool TextWordSpecial::retainsImage() const
{
    return wordType_ == TextWordGraphic || wordType_ == TextWordHeaderMarker || wordType_ == TextWordFooterMarker;
}

bool TextWordSpecial::isPageDependent() const
{
    return wordType_ == TextWordPageNumber || wordType_ == TextWordLastPageNumber;
}

bool TextWordSpecial::isTokenType(int type)
{
    switch (type) {
    case TextWordDate:
    case TextWordPageNumber:
    case TextWordTime:
    case TextWordMergeToken:
    case TextWordAutonumber:
    case TextWordLastPageNumber:
        return true;
    default:
        return false;
    }
}

bool TextWordSpecial::isWholeToken() const
{
    switch (wordType_) {
    case TextWordDate:
    case TextWordTime:
    case TextWordMergeToken:
    case TextWordAutonumber:
    case TextWordFixedDate:
    case TextWordFixedTime:
        return true;
    default:
        return false;
    }
}

bool TextWordSpecial::isVisible() const
{
    switch (wordType_) {
    case TextWordDate:
    case TextWordPageNumber:
    case TextWordTime:
    case TextWordTab:
    case TextWordMergeToken:
    case TextWordAutonumber:
    case TextWordLastPageNumber:
    case TextWordFixedDate:
    case TextWordFixedTime:
    case TextWordGraphic:
    case TextWordFootnoteMarker:
        return true;
    default:
        return false;
    }
}

int TextWordSpecial::length() const
{
    switch (wordType_) {
    case TextWordDate:
    case TextWordPageNumber:
    case TextWordTime:
    case TextWordMergeToken:
    case TextWordLastPageNumber:
    case TextWordFixedDate:
    case TextWordFixedTime:
    case TextWordGraphic:
    case TextWordFootnoteMarker:
        return 1;
    case TextWordAutonumber:
        return length_ > 0 ? 1 : 0;
    default:
        return 0;
    }
}

const char* TextWordSpecial::charAtIndex(int index) const
{
    (void)index;
    switch (wordType_) {
    case TextWordTab:
        return "\t";
    case TextWordLineBreak:
        return "\n";
    case TextWordNoText:
    case TextWordParagraphEnd:
    case TextWordEndOfFlow:
        return " ";
    case TextWordDate:
    case TextWordPageNumber:
    case TextWordTime:
    case TextWordMergeToken:
    case TextWordAutonumber:
    case TextWordLastPageNumber:
    case TextWordFixedDate:
    case TextWordFixedTime:
    case TextWordGraphic:
    case TextWordHeaderMarker:
    case TextWordFooterMarker:
    case TextWordFootnoteMarker:
    case TextWordPageBreak:
        return "|";
    default:
        return " ";
    }
}

void TextWordSpecial::setInsertToEnd()
{
    switch (wordType_) {
    case TextWordPageNumber:
    case TextWordNoText:
    case TextWordLastPageNumber:
    case TextWordGraphic:
    case TextWordParagraphEnd:
    case TextWordEndOfFlow:
        insertPoint_ = static_cast<short>(length());
        break;
    case TextWordPageBreak:
        insertPoint_ = 0;
        break;
    case TextWordDate:
    case TextWordTime:
    case TextWordTab:
    case TextWordMergeToken:
    case TextWordAutonumber:
    case TextWordFixedDate:
    case TextWordFixedTime:
    case TextWordHeaderMarker:
    case TextWordFooterMarker:
    case TextWordFootnoteMarker:
    case TextWordLineBreak:
        insertPoint_ = 1;
        break;
    default:
        insertPoint_ = static_cast<short>(length());
        break;
    }
}

// ---- Styles.

void TextWordSpecial::addCharStyle(std::unique_ptr<StyleChar> style, int offset)
{
    if (!isToken()) {
        TextWord::addCharStyle(std::move(style), offset);
        return;
    }
    if (offset < 0)
        return;
    // A token is styled whole: entry 0 is its style, entry 1 the one after it.
    createStylesIfNeeded()[offset > 0 ? 1 : 0] = std::move(style);
}

StyleChar* TextWordSpecial::lastStyle() const
{
    if (!isToken())
        return TextWord::lastStyle();
    if (StyleChar* after = styleAt(1))
        return after;
    return styleAt(0);
}

// ---- Tabs and tokens.

void TextWordSpecial::setTab(short kind, float location, char leader)
{
    tabType_ = kind;
    tabLocation_ = location;
    tabLeader_ = static_cast<short>(static_cast<unsigned char>(leader));
}

void TextWordSpecial::updateTokenString()
{
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    updateTokenStringForTime(local);
}

void TextWordSpecial::updateTokenStringForTime(const std::tm& time)
{
    if (wordType_ != TextWordDate && wordType_ != TextWordTime)
        return;
    std::string shown = ZYNStrfTime(theTokenFormat_.value_or(""), time);
    // Only what the token shows is cut; its format stays whole.
    if (shown.size() > std::size_t(MaxWordLength))
        shown.resize(std::size_t(MaxWordLength));
    setText(shown.c_str());
}

std::string TextWordSpecial::pageTokenText(const TextDocument* document, const Page* page)
{
    if (!document || !page)
        return "?";
    const int index = document->indexOfPage(page);
    // A frame of the master page belongs to no numbered page.
    if (index < 0 || index == TextDocument::PageNotFound)
        return "?";
    const long long number = static_cast<long long>(index) + document->firstPageNum();
    if (number > std::numeric_limits<int>::max() || number < std::numeric_limits<int>::min())
        return "?";
    std::string text = pageNumberString(static_cast<int>(number), document->pageNumberFormat());
    return text.empty() ? "?" : text;
}

std::string TextWordSpecial::lastPageTokenText(const TextDocument* document)
{
    if (!document)
        return "?";
    std::string text = pageNumberString(document->numPages(), document->pageNumberFormat());
    return text.empty() ? "?" : text;
}

bool TextWordSpecial::computeWordTokenInItem(TextItem* item)
{
    if (wordType_ != TextWordPageNumber && wordType_ != TextWordLastPageNumber)
        return false;
    Page* page = item ? item->page() : nullptr;
    TextDocument* document = item ? item->textDocument() : nullptr;
    if (!document)
        document = flowDocument();
    const std::string text =
        wordType_ == TextWordPageNumber ? pageTokenText(document, page) : lastPageTokenText(page ? document : nullptr);
    if (this->text() == text)
        return false;
    setText(text.c_str());
    computeWithStyle(nullptr);
    return true;
}

// ---- The held object.

void TextWordSpecial::setObjectReference(kit::Object* object)
{
    std::shared_ptr<kit::Object> shared = watched_ ? imageWatch_.lock() : nullptr;
    image_ = object;
    if (!imageHold_ || imageHold_.get() != object)
        imageHold_.reset();
    if (!shared || shared.get() != object) {
        imageWatch_.reset();
        watched_ = false;
    }
}

void TextWordSpecial::setObjectReference(std::shared_ptr<kit::Object> object)
{
    image_ = object.get();
    watched_ = object && retainsImage();
    imageWatch_ = watched_ ? object : nullptr;
    imageHold_ = watched_ ? std::move(object) : nullptr;
    settleHold(paragraph_);
}

std::shared_ptr<Item> TextWordSpecial::heldItem() const
{
    std::shared_ptr<kit::Object> shared = imageHold_ ? imageHold_ : imageWatch_.lock();
    auto* item = dynamic_cast<Item*>(shared.get());
    if (!item || shared.get() != image_)
        return nullptr;
    return std::shared_ptr<Item>(std::move(shared), item);
}

void TextWordSpecial::settleHold(const TextParagraph* paragraph)
{
    if (!watched_)
        return;
    std::shared_ptr<kit::Object> shared = imageHold_ ? imageHold_ : imageWatch_.lock();
    const auto* frame = dynamic_cast<const TextItem*>(shared.get());
    const TextFlow* flow = paragraph ? paragraph->flow() : nullptr;
    const bool ownText = frame && flow && frame->flow() == flow;
    imageHold_ = ownText ? nullptr : std::move(shared);
}

const std::optional<int>& TextWordSpecial::itemSerialNumber() const
{
    if (wordType_ == TextWordGraphic) {
        static const std::optional<int> none;
        if (const auto* item = dynamic_cast<const Item*>(objectReference()))
            return item->itemSerialNumber();
        return none;
    }
    return itemSerialNumber_;
}

TextItem* TextWordSpecial::textItem() const
{
    TextFlow* flow = paragraph_ ? paragraph_->flow() : nullptr;
    if (!flow)
        return nullptr;
    textPoint point = flow->pointOfWord(this);
    if (point.paragraph < 0)
        return nullptr;
    return flow->item(point);
}

Page* TextWordSpecial::page() const
{
    TextItem* item = textItem();
    return item ? item->page() : nullptr;
}

std::string TextWordSpecial::graphicFileName() const
{
    // As a C string: up to its first NUL.
    const std::string name = filename().value_or(std::string());
    return name.substr(0, name.find('\0'));
}

// ---- Document membership.

bool TextWordSpecial::canDelete()
{
    if (wordType_ != TextWordHeaderMarker && wordType_ != TextWordFooterMarker)
        return true;
    const int answer = kit::runAlertPanel(stringForKey("Delete"), stringForKey("ConfirmDeleteHeaderFooter"),
                                          stringForKey("OK"), stringForKey("Cancel"), "");
    return answer != kit::AlertAlternateReturn;
}

void TextWordSpecial::insertInParagraph(TextParagraph* paragraph)
{
    TextWord::insertInParagraph(paragraph);
    settleHold(paragraph);
    TextDocument* document = textWordSpecialDocumentGlobalHack;
    if (!document)
        return;
    if (wordType_ == TextWordGraphic) {
        watchPicture();
        _initGraphic();
        registerLink(document);
        return;
    }
    if (wordType_ == TextWordHeaderMarker || wordType_ == TextWordFooterMarker) {
        const bool header = wordType_ == TextWordHeaderMarker;
        if (auto* frame = dynamic_cast<TextItem*>(objectReference())) {
            frame->setFrame(header ? document->headerFrame() : document->footerFrame(), false);
            frame->setMyMaster(this);
        }
        if (header)
            document->addHeader(this);
        else
            document->addFooter(this);
    }
}

void TextWordSpecial::setListedIn(TextDocument* document) { listedIn_ = document; }

void TextWordSpecial::removeFromDocument(TextDocument* document)
{
    // Out of its frame's text, a marker holds its frame again.
    settleHold(nullptr);
    // A column that left its page no longer finds the document for its text.
    if (!document)
        document = listedIn_.get();
    if (!document)
        return;
    if (wordType_ == TextWordGraphic) {
        document->removeLink(this);
        if (Item* item = graphicItem(); item && item->itemSerialNumber()) {
            document->removedObjectLinkItem(item);
            item->setItemSerialNumber(std::nullopt);
        }
        if (listedIn_.get() == document)
            listedIn_.reset();
        return;
    }
    if (wordType_ == TextWordHeaderMarker || wordType_ == TextWordFooterMarker) {
        if (wordType_ == TextWordHeaderMarker)
            document->removeHeader(this);
        else
            document->removeFooter(this);
        document->notifyUpdate(document->mainView(), nullptr);
    }
}

void TextWordSpecial::resolveInDocument(TextDocument* document)
{
    Item* item = graphicItem();
    if (!item)
        return;
    watchPicture();
    item->resolveInDocument(document);
    registerLink(document);
}

// ---- Layout.

void TextWordSpecial::computeWithStyle(StyleChar* style)
{
    if (wordType_ == TextWordGraphic) {
        if (importGate())
            return;
        const Item* item = graphicItem();
        const kit::Size size = item ? item->size() : kit::Size{};
        WordPiece& piece = wordPieceInfo_[0];
        if (std::trunc(size.height - piece.height) != 0.0f) {
            // A piece of no height has no proportion to carry over: the
            // graphic is set up again from its picture.
            if (piece.height == 0.0f) {
                _initGraphic();
                return;
            }
            offY_ = size.height / piece.height * offY_;
            descent_ = size.height - offY_;
            piece.height = size.height;
        }
        // Against the picture's width, not the word's: a width override
        // from the comments differs from the picture's own by design.
        if (std::trunc(size.width - graphicWidth_) != 0.0f) {
            if (graphicWidth_ != 0.0f)
                tabLocation_ = size.width / graphicWidth_ * tabLocation_;
            graphicWidth_ = size.width;
            const float width = tabLocation_ != 0.0f ? tabLocation_ : size.width;
            setWidthOfChar(width, 0);
            setScreenWidthOfChar(width, 0);
            setXWidth(width);
            setScreenWidth(width);
        }
        StyleChar* inForce = style ? style : styleInForce(-1, nullptr);
        kit::Font* font = inForce ? inForce->font() : nullptr;
        spaceWidth_ = font ? font->widthOfString(" ") : 0.0f;
        kit::Font* screen = font ? font->screenFont() : nullptr;
        screenSpaceWidth_ = screen ? screen->widthOfString(" ") : spaceWidth_;
        return;
    }
    if (!isToken()) {
        TextWord::computeWithStyle(style);
        return;
    }
    measureFromStyle(style, true);
}

void TextWordSpecial::findPiece(int piece, kit::Font* font, float maxWidth, int start, int* range, float* width,
                                bool force)
{
    switch (wordType_) {
    case TextWordGraphic:
    case TextWordDate:
    case TextWordPageNumber:
    case TextWordTime:
    case TextWordMergeToken:
    case TextWordAutonumber:
    case TextWordLastPageNumber:
    case TextWordFixedDate:
    case TextWordFixedTime:
        // Tokens never split.
        *range = force ? 1 : 0;
        *width = force ? maxWidth : 0.0f;
        return;
    default:
        TextWord::findPiece(piece, font, maxWidth, start, range, width, force);
    }
}

void TextWordSpecial::hyphenateAt(int k)
{
    if (wordType_ != TextWordGraphic)
        TextWord::hyphenateAt(k);
}

int TextWordSpecial::hitAtPoint(float x, int p)
{
    if (isWholeToken()) {
        const bool screen = usesScreenMetrics();
        const float* w = screen ? screenWidthArray() : charWidthArray();
        const std::size_t index = pieceIndex(p);
        float sum = 0;
        for (int i = firstOffsetForPiece(int(index)); i < length_; ++i)
            sum += w[i];
        const WordPiece& piece = wordPieceInfo_[index];
        const float relative = x - (screen ? piece.screenX : piece.x);
        if (relative < sum / 2) {
            insertPoint_ = 0;
            return 0;
        }
        insertPoint_ = 1;
        return WholeWord;
    }
    switch (wordType_) {
    case TextWordTab:
    case TextWordGraphic: {
        const WordPiece& piece = this->piece(p);
        return x > piece.x + piece.width / 2 ? WholeWord : 0;
    }
    case TextWordHeaderMarker:
    case TextWordFooterMarker:
    case TextWordLineBreak:
    case TextWordPageBreak:
        return 0;
    default:
        return TextWord::hitAtPoint(x, p);
    }
}

int TextWordSpecial::getSelectionRects(kit::Rect* rects, float* yOrigins, int* firstOffsets, int* lastOffsets,
                                       int from, int to) const
{
    if (!isWholeToken())
        return TextWord::getSelectionRects(rects, yOrigins, firstOffsets, lastOffsets, from, to);
    const bool screen = usesScreenMetrics();
    for (int p = 0; p < numWordPieces_; ++p) {
        const WordPiece& piece = wordPieceInfo_[std::size_t(p)];
        const float x = screen ? piece.screenX : piece.x;
        const float width = screen ? piece.screenWidth : piece.width;
        kit::Rect r = kit::makeRect(x, piece.lineStart, width, piece.lineHeight);
        if (from == 0 && to == 0)
            r.size.width = 0;
        else if (from == 1 && to == 1)
            r = kit::makeRect(x + width, piece.lineStart, 0, piece.lineHeight);
        rects[p] = r;
        if (yOrigins)
            yOrigins[p] = piece.y;
        if (firstOffsets)
            firstOffsets[p] = firstOffsetForPiece(p);
        if (lastOffsets)
            lastOffsets[p] = p == numWordPieces_ - 1 ? length_ - 1 : piece.lastChar;
    }
    return numWordPieces_;
}

bool TextWordSpecial::drawSelfInView(const Paint& paint, TextItem* item, kit::Font* font, kit::Point point,
                                     kit::Size* moved)
{
    switch (wordType_) {
    case TextWordHeaderMarker:
    case TextWordFooterMarker:
    case TextWordFootnoteMarker:
    case TextWordLineBreak:
    case TextWordPageBreak:
        if (moved)
            *moved = kit::makeSize(0, 0);
        return true;
    case TextWordGraphic: {
        if (moved)
            *moved = kit::makeSize(wordPieceInfo_[0].width, 0);
        Item* image = graphicItem();
        kit::DrawContext* context = kit::DrawContext::current();
        if (!image || !context)
            return true;
        // The picture knows its document through the column's page.
        if (Page* page = item ? item->page() : nullptr; page && image->page() != page)
            image->setPage(page);
        context->gsave();
        image->moveTo(0, 0, false);
        context->translate(point.x + offX_, point.y - offY_);
        kit::Rect shown{};
        image->getUpdateBounds(&shown, nullptr);
        image->renderInView(paint, shown, false);
        context->grestore();
        return true;
    }
    case TextWordTab: {
        const float advance = wordPieceInfo_[0].width;
        if (moved)
            *moved = kit::makeSize(advance, 0);
        kit::DrawContext* context = kit::DrawContext::current();
        if (!tabLeader_ || !font || !context)
            return true;
        const char leader = static_cast<char>(tabLeader_);
        const float lw = font->widthOfString(std::string_view(&leader, 1));
        if (!(lw > 0))
            return true;
        // Leaders line up on multiples of their width across the page.
        const float gap = (std::floor(point.x / lw) + 1) * lw - point.x;
        const float fit = std::floor((advance - gap) / lw);
        if (!(fit > 0) || fit > float(WholeWord))
            return true;
        const int count = static_cast<int>(fit);
        context->gsave();
        context->moveto(point.x + gap, point.y);
        TextSetFont(*context, font);
        context->show(std::string(std::size_t(count), leader));
        context->grestore();
        return true;
    }
    default:
        return TextWord::drawSelfInView(paint, item, font, point, moved);
    }
}

void TextWordSpecial::drawBox()
{
    switch (wordType_) {
    case TextWordDate:
    case TextWordPageNumber:
    case TextWordTime:
    case TextWordMergeToken:
    case TextWordAutonumber:
    case TextWordLastPageNumber:
    case TextWordFixedDate:
    case TextWordFixedTime:
    case TextWordGraphic:
        break;
    default:
        return;
    }
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    for (const kit::Rect& r : wholeWordRects()) {
        context->rectstroke(r.origin.x, r.origin.y, r.size.width, r.size.height);
        context->rectstroke(r.origin.x, r.origin.y + r.size.height / 2, r.size.width, 0);
    }
}

bool TextWordSpecial::writeTextToStream(std::string& stream, int type) const
{
    if (type != TextExportPlain)
        return false;
    switch (wordType_) {
    case TextWordGraphic:
        stream += "<graphic:  " + graphicFileName() + "> ";
        break;
    case TextWordTab:
        stream += "\t";
        break;
    case TextWordMergeToken:
        stream += text();
        break;
    case TextWordParagraphEnd:
    case TextWordLineBreak:
    case TextWordPageBreak:
        stream += "\n";
        break;
    default:
        break;
    }
    return false;
}

bool TextWordSpecial::writeTextToStream(std::string& stream, int type, int start, int end) const
{
    (void)start;
    (void)end;
    return writeTextToStream(stream, type);
}
