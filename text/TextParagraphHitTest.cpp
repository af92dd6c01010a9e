#include "text/TextParagraph.h"

#include "items/TextItem.h"
#include "text/TextWord.h"

#include <algorithm>
#include <cfloat>
#include <cstdio>
#include <vector>

float missedRectBy(const kit::Point& point, const kit::Rect& rect)
{
    if (kit::pointInRect(point, rect))
        return 0;
    const float minX = rect.origin.x, maxX = rect.origin.x + rect.size.width;
    const float minY = rect.origin.y, maxY = rect.origin.y + rect.size.height;
    const float x = point.x, y = point.y;
    if (minX < x && x < maxX) {
        if (y < minY)
            return minY - y;
        if (y == maxY)
            return 0;
        return FLT_MAX; // a word above the point is never near
    }
    if (minY < y && y < maxY)
        return x <= minX ? minX - x : x - maxX;
    const float dx = x <= minX ? minX - x : x - maxX;
    if (y < minY)
        return std::min(dx, minY - y);
    if (y > maxY)
        return FLT_MAX;
    return std::min(dx, y - maxY);
}

namespace {
bool inBand(const kit::Point& point, const kit::Rect& r)
{
    return r.origin.y < point.y && point.y < r.origin.y + r.size.height;
}

int containingPiece(const std::vector<kit::Rect>& rects, const kit::Point& point)
{
    for (std::size_t k = 0; k < rects.size(); ++k)
        if (kit::pointInRect(point, rects[k]))
            return int(k);
    return -1;
}
} // namespace

TextWord* TextParagraph::hitWordAtPoint(int* letter, TextItem* column, kit::Point point, bool* inDeadspace)
{
    bool exact = false;
    return hitWordAtPoint(letter, column, point, inDeadspace, &exact, 1);
}

TextWord* TextParagraph::hitWordAtPoint(int* letterOut, TextItem* column, kit::Point point, bool* deadOut,
                                        bool* exactOut, int clicks)
{
    int letterLocal = 0;
    bool deadLocal = false, exactLocal = false;
    int& letter = letterOut ? *letterOut : letterLocal;
    bool& dead = deadOut ? *deadOut : deadLocal;
    bool& exact = exactOut ? *exactOut : exactLocal;
    letter = 0;
    dead = false;
    exact = false;
    if (!column || wordList_.empty())
        return nullptr;
    const textPoint& startPoint = column->startPoint();
    const textPoint& endPoint = column->endPoint();
    int start = startPoint.word;
    int end = endPoint.letter == -1 ? endPoint.word - 1 : endPoint.word;
    if (start < 0)
        return nullptr;
    const int last = wordCount() - 1;
    const int at = index();
    if (at != startPoint.paragraph)
        start = 0;
    if (at != endPoint.paragraph || end >= last)
        end = last;
    if (start < 0 || end < 0)
        return nullptr;
    start = std::min(start, last);

    TextWord* candidate = wordCount() == 1 ? firstWord() : nullptr;
    int piece = -1;
    if (!candidate) {
        int low = start, high = end, previous = -1;
        for (;;) {
            const int middle = low + (high - low) / 2;
            if (middle == previous)
                break;
            previous = middle;
            TextWord* word = wordAtIndex(middle);
            const std::vector<kit::Rect> rects = word->wholeWordRects();
            if (rects.empty())
                break;
            const int k = containingPiece(rects, point);
            if (k >= 0) {
                candidate = word;
                piece = k;
                break;
            }
            const kit::Rect& r = rects.back();
            const float top = r.origin.y, bottom = r.origin.y + r.size.height;
            if (point.y < top || (point.y < bottom && point.x < r.origin.x)) {
                high = middle;
            } else if (point.y >= bottom || point.x >= r.origin.x + r.size.width) {
                low = middle;
            } else {
                std::fprintf(stderr, "hit inside %s; shouldn't happen!\n", word->text());
                candidate = word;
                piece = int(rects.size()) - 1;
                break;
            }
        }
    }
    if (!candidate) {
        TextWord* word = wordAtIndex(end);
        const std::vector<kit::Rect> rects = word->wholeWordRects();
        const int k = containingPiece(rects, point);
        if (k >= 0) {
            candidate = word;
            piece = k;
        } else if (!rects.empty() && inBand(point, rects.back())
                   && point.x >= rects.back().origin.x + rects.back().size.width) {
            dead = true;
        }
    }
    if (!candidate) {
        float best = FLT_MAX, bestInBand = FLT_MAX;
        bool foundInBand = false;
        for (int w = end; w >= start; --w) {
            TextWord* word = wordAtIndex(w);
            const std::vector<kit::Rect> rects = word->wholeWordRects();
            if (rects.empty())
                continue;
            const float distance = missedRectBy(point, rects.front());
            if (inBand(point, rects.front())) {
                if (!foundInBand || distance < bestInBand) {
                    candidate = word;
                    bestInBand = distance;
                    foundInBand = true;
                }
            } else if (foundInBand) {
                if (bestInBand < 0.001f) {
                    piece = 0;
                    break;
                }
            } else if (distance < best) {
                candidate = word;
                best = distance;
            }
        }
    }
    if (!candidate)
        candidate = wordAtIndex(end);
    if (!candidate)
        return nullptr;

    const std::vector<kit::Rect> rects = candidate->wholeWordRects();
    if (piece >= 0) {
        letter = candidate->hitAtPoint(point.x, piece);
        if (letter == TextWord::WholeWord) {
            letter = 0;
            if (clicks == 1 && candidate != lastWord())
                candidate = nextWord(candidate);
        }
        setCurrentWord(candidate);
        candidate->setInsertPoint(letter);
        exact = true;
        return candidate;
    }
    if (rects.size() > 1) {
        for (std::size_t k = 0; k < rects.size(); ++k) {
            const kit::Rect& r = rects[k];
            if (!inBand(point, r))
                continue;
            if (point.x >= r.origin.x + r.size.width)
                letter = k + 1 < rects.size() ? candidate->firstOffsetForPiece(int(k) + 1) : candidate->length();
            else
                letter = candidate->firstOffsetForPiece(int(k));
            candidate->setInsertPoint(letter);
            setCurrentWord(candidate);
            exact = true;
            return candidate;
        }
        letter = 0;
        return candidate;
    }
    const kit::Rect r = rects.empty() ? kit::Rect{} : rects.front();
    bool toStart;
    if (point.x < r.origin.x)
        toStart = !(point.y >= r.origin.y + r.size.height);
    else
        toStart = point.y < r.origin.y;
    if (toStart) {
        candidate->setInsertToStart();
        letter = 0;
    } else {
        candidate->setInsertToEnd();
        letter = candidate->length();
    }
    setCurrentWord(candidate);
    return candidate;
}
