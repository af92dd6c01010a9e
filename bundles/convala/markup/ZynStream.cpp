#include "bundles/convala/markup/ZynStream.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

namespace {

// A read-only mapping of a whole file, unmapped when the last stream over it
// lets go.
class Mapping {
public:
    Mapping(void* address, std::size_t length) : address_(address), length_(length) {}
    ~Mapping()
    {
        if (address_)
            ::munmap(address_, length_);
    }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

    const unsigned char* bytes() const { return static_cast<const unsigned char*>(address_); }
    std::size_t length() const { return length_; }

private:
    void* address_;
    std::size_t length_;
};

} // namespace

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
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size == 0) {
        ::close(fd);
        setData(std::make_shared<const std::string>());
        return this;
    }
    void* address = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);
    if (address == MAP_FAILED)
        return nullptr;
    auto mapping = std::make_shared<const Mapping>(address, size);
    bytes_ = mapping->bytes();
    length_ = mapping->length();
    offset_ = 0;
    keep_ = std::move(mapping);
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
