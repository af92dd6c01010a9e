#include "text/TextWord.h"

#include "core/CharClass.h"
#include "foundation/StyleChar.h"
#include "graphics/DrawContext.h"
#include "graphics/Font.h"
#include "text/TextDocument.h"
#include "text/TextFlow.h"
#include "text/TextParagraph.h"
#include "text/TextParagraphDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

// The metrics of one character style, as the measuring loop needs them.
struct RunMetrics {
    kit::Font* font = nullptr;
    kit::Font* screenMetrics = nullptr;
    const std::array<float, 256>* printer = nullptr;
    const std::array<float, 256>* screen = nullptr;
    const std::array<bool, 256>* encoded = nullptr;
    const std::array<const float*, 256>* kerning = nullptr;
    bool kernInPixels = false;
    float pointSize = 0;
    float screenScale = 1;
    float descent = 0;
    float height = 0;     // with the vertical shift
    float baseHeight = 0; // without it
    float tracking = 0;
    float condense = 1;
    bool fixedPitch = false;
};

// False when neither the style nor the paragraph has a font.
bool loadMetrics(StyleChar* style, const TextParagraph* paragraph, RunMetrics& m)
{
    kit::Font* font = style->font();
    if (!font && paragraph && paragraph->font()) {
        style->setFont(paragraph->font());
        font = style->font();
    }
    if (!font)
        return false;
    m.font = font;
    m.descent = font->descent();
    m.height = m.baseHeight = font->naturalHeight();
    const float v = style->vertical();
    if (v > 0)
        m.height += v;
    else if (v < 0)
        m.descent += -v;
    m.pointSize = font->pointSize();
    kit::Font* screen = font->screenFont();
    m.screenMetrics = screen ? screen : font;
    m.screenScale = screen ? 1.0f : m.pointSize;
    m.printer = &font->widths();
    m.screen = &m.screenMetrics->widths();
    m.encoded = &font->encodedGlyphs();
    m.kerning = &font->kerningRows();
    m.kernInPixels = font->isScreenFont();
    const float t = style->tracking();
    m.tracking = t == StyleMixedValue ? 0.0f : t;
    const float c = style->condense();
    m.condense = c == StyleMixedValue || c == 0.0f ? 1.0f : c;
    m.fixedPitch = font->isFixedPitch();
    return true;
}

} // namespace

TextDocument* TextWord::flowDocument() const
{
    TextFlow* flow = paragraph_ ? paragraph_->flow() : nullptr;
    return flow ? flow->document() : nullptr;
}

bool TextWord::usesScreenMetrics() const
{
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context || !context->isDrawingToScreen())
        return false;
    TextDocument* document = flowDocument();
    return document && document->prefersScreenMetrics();
}

// ---- Measuring.

void TextWord::computeWithStyle(StyleChar* style)
{
    measureFromStyle(style, false);
}

void TextWord::measureFromStyle(StyleChar* style, bool tokenRules)
{
    if (importGate())
        return;
    StyleChar* start = nullptr;
    if (hasStyles() && styleSlots()[0] && length_ > 0)
        start = styleSlots()[0].get();
    else if (style)
        start = style;
    else
        start = styleInForce(-1, nullptr);
    if (start)
        measureRun(start, tokenRules);
}

void TextWord::measureRun(StyleChar* firstStyle, bool tokenRules)
{
    RunMetrics m;
    if (!loadMetrics(firstStyle, paragraph_, m))
        return;
    descent_ = std::max(0.0f, m.descent);
    float W = 0, S = 0, H = m.baseHeight > 0 ? m.baseHeight : 0;
    WordPiece& first = wordPieceInfo_[0];
    widthBuffer()[0] = screenWidthBuffer()[0] = 0.001f;

    if (length_ == 0 || !isVisible()) {
        first.width = first.screenWidth = 0.0001f;
        wholeWidth_ = wholeScreenWidth_ = first.width;
        first.height = H;
        spaceWidth_ = m.font->widthOfString(" ");
        screenSpaceWidth_ = m.screenMetrics->widthOfString(" ");
        return;
    }
    if (isSpecialType(5)) {
        first.height = m.height;
        descent_ = m.descent;
        return;
    }

    const unsigned char* t = textBuffer();
    int n = length_;
    if (t[n - 1] == ' ')
        --n;
    bool metEntry = false;
    const bool styled = hasStyles();
    float* w = widthBuffer();
    float* sw = screenWidthBuffer();
    // The run's metrics in locals: a store into the width arrays could
    // otherwise alias them and force a reload of each for every letter.
    float size = 0, condense = 1, tracking = 0, screenScale = 1;
    const float* printer = nullptr;
    const float* screen = nullptr;
    const bool* encoded = nullptr;
    const float* const* kerning = nullptr;
    bool kernInPixels = false, fixedPitch = false;
    auto take = [&] {
        size = m.pointSize;
        condense = m.condense;
        tracking = m.tracking;
        screenScale = m.screenScale;
        printer = m.printer->data();
        screen = m.screen->data();
        encoded = m.encoded->data();
        kerning = m.kerning->data();
        kernInPixels = m.kernInPixels;
        fixedPitch = m.fixedPitch;
    };
    take();
    unsigned char p = 0;
    for (int i = 0; i <= n; ++i) {
        StyleChar* entry = nullptr;
        if (styled) {
            const auto& styles = styleSlots();
            if (!tokenRules)
                entry = styles[std::size_t(i)].get();
            else if (i == 0)
                entry = styles[0].get();
            else if (i == n && styles.size() > 1)
                entry = styles[1].get();
        }
        if (entry && loadMetrics(entry, paragraph_, m)) {
            metEntry = true;
            H = std::max(H, m.height);
            descent_ = std::max(descent_, m.descent);
            take();
        }
        if (i >= n)
            break;
        const unsigned char c = t[i];
        const float cw = size * printer[c] * condense + tracking;
        w[i] = cw;
        W += cw;
        const float csw = screenScale * screen[c] + tracking;
        sw[i] = csw;
        S += csw;
        if (i > 0 && !fixedPitch && (tokenRules || (encoded[c] && encoded[p]))) {
            // Font::kern, read inline.
            const float* row = kerning[p];
            float pair = row ? row[c] * size : 0.0f;
            if (kernInPixels)
                pair = std::round(pair);
            const float k = pair * condense;
            w[i - 1] += k;
            W += k;
        }
        if (i == n - 1 && i > 0 && !fixedPitch && !kit::isDigit(c)) {
            // End at the glyph's ink rather than its advance. A glyph without
            // ink keeps its advance.
            const kit::Rect ink = m.font->boundingRectForGlyph(c);
            if (ink.size.width > 0)
                W += condense * ink.size.width + ink.origin.x - w[i];
        }
        p = c;
    }
    spaceWidth_ = m.pointSize * (*m.printer)[' '];
    screenSpaceWidth_ = m.screenScale * (*m.screen)[' '];
    if (styled && !metEntry && !styleSlots()[std::size_t(n)] && !styleSlots()[std::size_t(length_)] && !tokenRules)
        wordPieceInfo_.dropStyles();
    if (H <= 0)
        descent_ = m.font->descent();
    first.width = std::max(W, 0.001f);
    first.screenWidth = std::max(S, 0.001f);
    wholeWidth_ = first.width;
    wholeScreenWidth_ = first.screenWidth;
    first.height = H;
}

// ---- Pieces.

void TextWord::setOrigin(kit::Point origin, int p)
{
    if (p < 0 || p >= numWordPieces_)
        return;
    wordPieceInfo_[std::size_t(p)].x = origin.x;
    wordPieceInfo_[std::size_t(p)].y = origin.y;
}

void TextWord::setScreenX(float x, int p)
{
    if (p >= 0 && p < numWordPieces_)
        wordPieceInfo_[std::size_t(p)].screenX = x;
}

void TextWord::setLineStart(float start, float height, int p)
{
    if (p < 0 || p >= numWordPieces_)
        return;
    wordPieceInfo_[std::size_t(p)].lineStart = start;
    wordPieceInfo_[std::size_t(p)].lineHeight = height;
}

int TextWord::firstOffsetForPiece(int p) const
{
    if (p <= 0)
        return 0;
    if (p >= numWordPieces_)
        return length_;
    return std::clamp(wordPieceInfo_[std::size_t(p - 1)].lastChar + 1, 0, int(length_));
}

int TextWord::endOffsetForPiece(int p) const
{
    if (p >= numWordPieces_ - 1 || p < 0)
        return length_;
    return std::clamp(wordPieceInfo_[std::size_t(p)].lastChar + 1, firstOffsetForPiece(p), int(length_));
}

void TextWord::hyphenateAt(int k)
{
    if (numWordPieces_ >= WholeWord)
        return;
    const int last = numWordPieces_ - 1;
    k = std::clamp(k, firstOffsetForPiece(last), int(length_));
    if (std::size_t(numWordPieces_) >= wordPieceInfo_.size())
        wordPieceInfo_.resize(wordPieceInfo_.size() + 1);
    WordPiece& previous = wordPieceInfo_[std::size_t(last)];
    previous.lastChar = k - 1;
    WordPiece next{};
    // Sum the shorter side, so that a long word cut line by line costs
    // each line only its own letters.
    const int from = firstOffsetForPiece(last);
    const float* w = charWidthArray();
    const float* sw = screenWidthArray();
    if (k - from < length_ - k) {
        float before = 0, screenBefore = 0;
        for (int i = from; i < k; ++i) {
            before += w[i];
            screenBefore += sw[i];
        }
        next.width = previous.width - before;
        next.screenWidth = previous.screenWidth - screenBefore;
    } else {
        for (int i = k; i < length_; ++i) {
            next.width += w[i];
            next.screenWidth += sw[i];
        }
    }
    previous.width -= next.width;
    previous.screenWidth -= next.screenWidth;
    next.height = previous.height;
    next.lastChar = -1;
    wordPieceInfo_[std::size_t(numWordPieces_)] = next;
    ++numWordPieces_;
}

void TextWord::removeLastWordPiece()
{
    if (numWordPieces_ <= 1)
        return;
    const int last = numWordPieces_ - 1;
    const int from = firstOffsetForPiece(last);
    WordPiece& keep = wordPieceInfo_[std::size_t(last - 1)];
    const float* w = charWidthArray();
    const float* sw = screenWidthArray();
    for (int i = from; i < length_; ++i) {
        keep.width += w[i];
        keep.screenWidth += sw[i];
    }
    keep.lastChar = -1;
    --numWordPieces_;
    if (numWordPieces_ == 1 && wholeWidth_ >= 0) {
        keep.width = wholeWidth_;
        keep.screenWidth = wholeScreenWidth_;
    }
}

void TextWord::emptyWordPieces()
{
    if (numWordPieces_ <= 1)
        return;
    WordPiece& first = wordPieceInfo_[0];
    if (wholeWidth_ >= 0) {
        // As measured: the sum of the letters leaves out the ink of the last
        // and the least width of an empty word.
        first.width = wholeWidth_;
        first.screenWidth = wholeScreenWidth_;
    } else {
        first.width = first.screenWidth = 0;
        const float* w = charWidthArray();
        const float* sw = screenWidthArray();
        for (int i = 0; i < length_; ++i) {
            first.width += w[i];
            first.screenWidth += sw[i];
        }
    }
    first.lastChar = -1;
    numWordPieces_ = 1;
}

void TextWord::findPiece(int piece, kit::Font* font, float maxWidth, int start, int* range, float* width, bool force)
{
    (void)piece;
    *range = 0;
    *width = 0;
    if (start > length_)
        std::fputs("RECOMPUTE ERROR.\n", stdout);
    if (hyphenCount_ == -1)
        setHyphens();
    start = std::max(start, 0);
    const unsigned char* t = textBuffer();
    const float* w = charWidthArray();
    if (hyphenCount_ > 0 && font) {
        const float hyphen = font->advancementForGlyph('-').width;
        int fitted = 0;
        float fittedSum = 0;
        for (int h = 0; h < hyphenCount_; ++h) {
            const int k = letters_.hyphen(h);
            if (k <= start)
                continue;
            float sum = 0;
            for (int i = start; i < k && i < length_; ++i) {
                const unsigned char c = t[i];
                const bool dashBeforeBreak = i == k - 1 && (c == '-' || c == TextEmDash || c == TextEnDash);
                if (!dashBeforeBreak)
                    sum += w[i];
            }
            if (sum + hyphen < maxWidth) {
                fitted = k;
                fittedSum = sum;
            } else {
                break;
            }
        }
        if (fitted > 0 && fittedSum != 0 && fittedSum + hyphen <= maxWidth) {
            *range = fitted;
            *width = fittedSum;
        }
    }
    if (*range == 0 && force) {
        float taken = 0;
        int i = start;
        for (; i < length_; ++i) {
            if (taken + w[i] > maxWidth)
                break;
            taken += w[i];
        }
        *range = i;
        *width = taken;
    }
}

int TextWord::firstCharAt(float lineStart) const
{
    if (numWordPieces_ <= 1)
        return 0;
    for (int p = 0; p < numWordPieces_; ++p)
        if (wordPieceInfo_[std::size_t(p)].lineStart == lineStart)
            return firstOffsetForPiece(p);
    return 0;
}

int TextWord::lastCharAt(float lineStart) const
{
    if (numWordPieces_ <= 1)
        return length_;
    for (int p = 0; p < numWordPieces_; ++p)
        if (wordPieceInfo_[std::size_t(p)].lineStart == lineStart)
            return p == numWordPieces_ - 1 ? length_ - 1 : wordPieceInfo_[std::size_t(p)].lastChar;
    return length_;
}

float TextWord::originForLineStart(float lineStart) const
{
    for (int p = 0; p < numWordPieces_; ++p)
        if (wordPieceInfo_[std::size_t(p)].lineStart == lineStart)
            return wordPieceInfo_[std::size_t(p)].y;
    return wordPieceInfo_[0].y;
}

void TextWord::moveBy(float dx, float dy)
{
    for (int p = 0; p < numWordPieces_; ++p) {
        WordPiece& piece = wordPieceInfo_[std::size_t(p)];
        piece.x += dx;
        piece.y += dy;
        piece.lineStart += dy;
    }
}

// ---- Hit testing and rectangles.

int TextWord::hitAtPoint(float x, int p)
{
    const bool screen = usesScreenMetrics();
    const float* w = screen ? screenWidthArray() : charWidthArray();
    const WordPiece& piece = this->piece(p);
    const float relative = x - (screen ? piece.screenX : piece.x);
    const std::size_t index = pieceIndex(p);
    const int from = firstOffsetForPiece(int(index));
    const int end = endOffsetForPiece(int(index));
    float sum = 0;
    for (int i = from; i < end; ++i) {
        sum += w[i];
        if (sum > relative) {
            const float middle = sum - w[i] / 2;
            insertPoint_ = static_cast<short>(relative >= middle ? i + 1 : i);
            return insertPoint_;
        }
    }
    insertPoint_ = length_;
    return insertPoint_;
}

int TextWord::getSelectionRects(kit::Rect* rects, float* yOrigins, int* firstOffsets, int* lastOffsets, int from,
                                int to) const
{
    const bool screen = usesScreenMetrics();
    const float* w = screen ? screenWidthArray() : charWidthArray();
    auto put = [&](int count, int p, float x, float width, int first, int last) {
        const WordPiece& piece = wordPieceInfo_[std::size_t(p)];
        rects[count] = kit::makeRect(x, piece.lineStart, width, piece.lineHeight);
        if (yOrigins)
            yOrigins[count] = piece.y;
        if (firstOffsets)
            firstOffsets[count] = first;
        if (lastOffsets)
            lastOffsets[count] = last;
    };
    auto pieceX = [&](int p) { return screen ? wordPieceInfo_[std::size_t(p)].screenX : wordPieceInfo_[std::size_t(p)].x; };
    if (from == 0 && to == WholeWord) {
        for (int p = 0; p < numWordPieces_; ++p) {
            const WordPiece& piece = wordPieceInfo_[std::size_t(p)];
            put(p, p, pieceX(p), screen ? piece.screenWidth : piece.width, firstOffsetForPiece(p),
                p == numWordPieces_ - 1 ? length_ - 1 : piece.lastChar);
        }
        return numWordPieces_;
    }
    from = std::clamp(from, 0, int(length_));
    to = std::clamp(to, 0, int(length_));
    auto sum = [&](int a, int b) {
        float s = 0;
        for (int i = a; i < b; ++i)
            s += w[i];
        return s;
    };
    if (from >= to) {
        // A caret: in the piece that holds the offset.
        int p = 0;
        while (p < numWordPieces_ - 1 && endOffsetForPiece(p) < from)
            ++p;
        put(0, p, pieceX(p) + sum(firstOffsetForPiece(p), from), 0, from, from);
        return 1;
    }
    // One rectangle per piece the range covers, so that a range across a
    // hyphenated word's pieces shows in every line it reaches.
    int count = 0;
    for (int p = 0; p < numWordPieces_; ++p) {
        const int first = firstOffsetForPiece(p);
        const int end = endOffsetForPiece(p);
        const int a = std::max(from, first);
        const int b = std::min(to, end);
        if (a >= b)
            continue;
        put(count++, p, pieceX(p) + sum(first, a), sum(a, b), a, b == length_ ? length_ - 1 : b);
    }
    return count;
}

// ---- Drawing.

bool TextWord::drawSelfInView(const Paint& paint, TextItem* item, kit::Font* font, kit::Point point, kit::Size* moved)
{
    (void)paint;
    (void)item;
    const float* w = activeWidthArray();
    float total = 0;
    for (int i = 0; i < length_; ++i)
        total += w[i];
    if (moved)
        *moved = kit::makeSize(total, 0);
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return true;
    context->gsave();
    context->moveto(point.x, point.y);
    if (font)
        TextSetFont(*context, font);
    if (font && length_ > 0) {
        // The word may be longer than one xyshow takes: send it in chunks
        // that continue from the current point.
        std::vector<float> offsets;
        for (int at = 0; at < length_; at += XYShowChunk) {
            const int count = std::min<int>(XYShowChunk, length_ - at);
            offsets.assign(std::size_t(count) * 2, 0.0f);
            for (int i = 0; i < count; ++i)
                offsets[std::size_t(i) * 2] = w[at + i];
            context->xyshow(std::string_view(text() + at, std::size_t(count)), offsets);
        }
    }
    context->grestore();
    return true;
}

std::vector<kit::Rect> TextWord::wholeWordRects() const
{
    std::vector<kit::Rect> rects(static_cast<std::size_t>(numWordPieces_));
    const int count = getSelectionRects(rects.data(), 0, WholeWord);
    rects.resize(static_cast<std::size_t>(std::clamp(count, 0, int(numWordPieces_))));
    return rects;
}

void TextWord::drawBox()
{
    if (numWordPieces_ == 1 && length_ == 0)
        return;
    kit::DrawContext* context = kit::DrawContext::current();
    if (!context)
        return;
    for (const kit::Rect& r : wholeWordRects()) {
        context->rectfill(r.origin.x + 2, r.origin.y + 3, r.size.width - 4, r.size.height - 6);
    }
}
