#include "bundles/convala/markup/ZynStream.h"

#include "core/FileManager.h"

#include <cstring>
#include <optional>

ZynStream::~ZynStream() = default;

ZynStream* ZynStream::initWithData(std::shared_ptr<const std::string> data)
{
    if (!data)
        return nullptr;
    setData(std::move(data));
    return this;
}

ZynStream* ZynStream::initWithContentsOfMappedFile(const std::string& path)
{
    // Read rather than mapped: a mapping faults when another program
    // shortens the file while it is read, and a copy cannot.
    std::optional<std::string> contents = kit::FileManager::contentsAtPath(path);
    if (!contents)
        return nullptr;
    setData(std::make_shared<const std::string>(std::move(*contents)));
    return this;
}

void ZynStream::setData(std::shared_ptr<const std::string> data)
{
    if (data) {
        bytes_ = reinterpret_cast<const unsigned char*>(data->data());
        length_ = data->size();
    } else {
        bytes_ = nullptr;
        length_ = 0;
    }
    offset_ = 0;
    keep_ = std::move(data);
}

int ZynStream::read(void* buffer, int ofSize)
{
    if (!buffer || ofSize < 0)
        return 0;
    if (atEOS()) {
        if (ofSize > 0)
            static_cast<char*>(buffer)[0] = '\0';
        return 0;
    }
    std::size_t n = length_ - offset_;
    if (static_cast<std::size_t>(ofSize) < n)
        n = static_cast<std::size_t>(ofSize);
    std::memcpy(buffer, bytes_ + offset_, n);
    offset_ += n;
    return static_cast<int>(n);
}

void ZynStream::seek(long offset, int fromPosition)
{
    long long target;
    if (fromPosition == 2)
        target = offset;
    else if (fromPosition == 1)
        target = static_cast<long long>(offset_) + offset;
    else
        return;
    if (target < 0)
        target = 0;
    setOffset(static_cast<std::size_t>(target));
}

bool ZynStream::ignoreUntil(int target, bool paired, int with, bool inclusive)
{
    // Counted rather than recursive: nesting as deep as the data is long
    // costs no stack.
    std::size_t open = 0;
    for (;;) {
        const int c = getc();
        if (c < 0)
            return false;
        if (c == target) {
            if (open == 0)
                break;
            --open;
        } else if (paired && c == with) {
            ++open;
        }
    }
    if (!inclusive)
        ungetc();
    return true;
}

void ZynStream::close()
{
    keep_.reset();
    bytes_ = nullptr;
    length_ = 0;
    offset_ = 0;
}
