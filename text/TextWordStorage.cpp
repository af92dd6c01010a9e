#include "text/TextWordStorage.h"

#include <algorithm>
#include <cstring>

// ---- Pieces.

WordPieceList::WordPieceList(const WordPieceList& other)
    : first_(other.first_),
      more_(other.more_ ? std::make_unique<std::vector<WordPiece>>(*other.more_) : nullptr)
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

int WordLetters::heapCapacity() const
{
    Count count = 0;
    std::memcpy(&count, heap_.block, sizeof count);
    return count;
}

float* WordLetters::heapFloats() const { return reinterpret_cast<float*>(heap_.block + floatsOffset()); }

short* WordLetters::heapShorts() const
{
    return reinterpret_cast<short*>(heap_.block + shortsOffset(heapCapacity()));
}

void WordLetters::reserve(int entries, int keep)
{
    const int old = capacity();
    keep = std::clamp(keep, 0, old);
    if (entries <= old) {
        const std::size_t tail = std::size_t(old - keep);
        std::fill_n(widths() + keep, tail, 0.0f);
        std::fill_n(screenWidths() + keep, tail, 0.0f);
        std::fill_n(hyphens() + keep, tail, short(0));
        std::fill_n(text() + keep, tail, 0);
        return;
    }
    // Value-initialised: every entry starts at zero.
    auto* block = new unsigned char[blockBytes(entries)]();
    const Count count = entries;
    std::memcpy(block, &count, sizeof count);
    auto* floats = reinterpret_cast<float*>(block + floatsOffset());
    std::copy_n(widths(), keep, floats);
    std::copy_n(screenWidths(), keep, floats + entries);
    std::copy_n(hyphens(), keep, reinterpret_cast<short*>(block + shortsOffset(entries)));
    std::copy_n(text(), keep, block + textOffset(entries));
    if (onHeap())
        delete[] heap_.block;
    heap_ = Heap{true, block};
}
