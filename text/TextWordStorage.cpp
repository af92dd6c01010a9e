#include "text/TextWordStorage.h"

#include <algorithm>

// ---- Pieces.

WordPieceList::WordPieceList(const WordPieceList& other)
    : more_(other.more_ ? std::make_unique<std::vector<WordPiece>>(*other.more_) : nullptr),
      first_(other.first_)
{
}

WordPieceList& WordPieceList::operator=(const WordPieceList& other)
{
    if (this != &other) {
        first_ = other.first_;
        more_ = other.more_ ? std::make_unique<std::vector<WordPiece>>(*other.more_) : nullptr;
    }
    return *this;
}

void WordPieceList::resize(std::size_t n)
{
    if (n <= 1) {
        more_.reset();
        return;
    }
    if (!more_)
        more_ = std::make_unique<std::vector<WordPiece>>();
    more_->resize(n - 1);
}

void WordPieceList::assign(std::size_t n, const WordPiece& piece)
{
    first_ = piece;
    if (n <= 1)
        more_.reset();
    else if (more_)
        more_->assign(n - 1, piece);
    else
        more_ = std::make_unique<std::vector<WordPiece>>(n - 1, piece);
}

// ---- Letters.

WordLetters::~WordLetters()
{
    if (onHeap())
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
    auto* block = new unsigned char[n * (2 * sizeof(float) + sizeof(short) + 1)]();
    const Heap made{true, entries, block};
    auto* madeWidths = reinterpret_cast<float*>(block);
    auto* madeHyphens = reinterpret_cast<short*>(madeWidths + 2 * n);
    auto* madeText = reinterpret_cast<unsigned char*>(madeHyphens + n);
    std::copy_n(widths(), keep, madeWidths);
    std::copy_n(screenWidths(), keep, madeWidths + n);
    for (int i = 0; i < keep; ++i)
        madeHyphens[i] = static_cast<short>(hyphen(i));
    std::copy_n(text(), keep, madeText);
    if (onHeap())
        delete[] heap_.block;
    heap_ = made;
}
