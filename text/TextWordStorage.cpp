#include "text/TextWordStorage.h"

#include "foundation/StyleChar.h"

#include <algorithm>

// ---- Pieces and style slots.

WordPieceList::More::~More() = default;

WordPieceList::~WordPieceList() = default;

WordPieceList::WordPieceList(const WordPieceList& other) : first_(other.first_)
{
    if (other.size() > 1)
        more().pieces = other.more_->pieces;
}

WordPieceList& WordPieceList::operator=(const WordPieceList& other)
{
    if (this != &other) {
        first_ = other.first_;
        if (other.size() > 1)
            more().pieces = other.more_->pieces;
        else if (more_)
            more_->pieces.clear();
        releaseIfEmpty();
    }
    return *this;
}

WordPieceList::More& WordPieceList::more()
{
    if (!more_)
        more_ = std::make_unique<More>();
    return *more_;
}

void WordPieceList::releaseIfEmpty()
{
    if (more_ && more_->pieces.empty() && more_->styles.empty())
        more_.reset();
}

void WordPieceList::resize(std::size_t n)
{
    if (n <= 1) {
        if (more_)
            more_->pieces.clear();
        releaseIfEmpty();
        return;
    }
    more().pieces.resize(n - 1);
}

void WordPieceList::assign(std::size_t n, const WordPiece& piece)
{
    first_ = piece;
    if (n > 1) {
        more().pieces.assign(n - 1, piece);
        return;
    }
    if (more_)
        more_->pieces.clear();
    releaseIfEmpty();
}

WordPieceList::StyleSlots& WordPieceList::styles() { return more().styles; }

void WordPieceList::dropStyles()
{
    if (more_)
        more_->styles.clear();
    releaseIfEmpty();
}

// ---- Letters.

WordLetters::~WordLetters()
{
    if (onHeap_)
        delete[] heap_.block;
}

void WordLetters::reserve(int entries, int keep)
{
    const int old = capacity();
    keep = std::clamp(keep, 0, old);
    if (entries <= old) {
        const std::size_t tail = std::size_t(old - keep);
        std::fill_n(widths() + keep, tail, 0.0f);
        std::fill_n(screenWidths() + keep, tail, 0.0f);
        for (int i = keep; i < old; ++i)
            setHyphen(i, 0);
        std::fill_n(text() + keep, tail, 0);
        return;
    }
    const std::size_t n = std::size_t(entries);
    // Value-initialised: every entry starts at zero.
    const std::size_t pointSize = hyphenSize(entries);
    auto* block = new unsigned char[n * (2 * sizeof(float) + pointSize + 1)]();
    const Heap made{entries, block};
    auto* madeWidths = reinterpret_cast<float*>(block);
    auto* madePoints = reinterpret_cast<unsigned char*>(madeWidths + 2 * n);
    auto* madeText = madePoints + n * pointSize;
    std::copy_n(widths(), keep, madeWidths);
    std::copy_n(screenWidths(), keep, madeWidths + n);
    for (int i = 0; i < keep; ++i) {
        if (pointSize == 1)
            madePoints[i] = static_cast<unsigned char>(hyphen(i));
        else
            reinterpret_cast<short*>(madePoints)[i] = static_cast<short>(hyphen(i));
    }
    std::copy_n(text(), keep, madeText);
    if (onHeap_)
        delete[] heap_.block;
    heap_ = made;
    onHeap_ = true;
}
