#pragma once

// A byte reader over a whole block of data held in memory: the bottom of the
// markup framework. Every read is checked against the data's length; reading
// past the end answers the end, never a byte beyond it.

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class ZynStream {
public:
    ZynStream() = default;
    explicit ZynStream(std::shared_ptr<const std::string> data) { setData(std::move(data)); }
    explicit ZynStream(std::string data) { setData(std::make_shared<const std::string>(std::move(data))); }
    virtual ~ZynStream();
    ZynStream(const ZynStream&) = delete;
    ZynStream& operator=(const ZynStream&) = delete;

    // This stream over the data at offset 0; nil (nullptr) for nil data.
    ZynStream* initWithData(std::shared_ptr<const std::string> data);
    // This stream over the file's contents; nil when the file cannot be
    // read.
    ZynStream* initWithContentsOfMappedFile(const std::string& path);

    // Takes the data (none for nil) and starts at its first byte.
    void setData(std::shared_ptr<const std::string> data);

    // The next byte as 0 to 255, or -1 at the end of the data.
    int getc()
    {
        if (offset_ >= length_)
            return -1;
        return bytes_[offset_++];
    }
    // One byte back, never before the start.
    void ungetc()
    {
        if (offset_ > 0)
            --offset_;
    }
    bool atEOS() const { return offset_ >= length_; }

    // Copies up to size bytes and answers how many. At the end of the data
    // it answers 0 and stores one NUL byte (when the buffer has room).
    int read(void* buffer, int ofSize);

    // fromPosition 2 sets the read position to offset, 1 moves it by offset
    // (which may be negative); any other value does nothing. The position
    // stays within the data: 0 to its length.
    void seek(long offset, int fromPosition);

    // Reads until a byte equal to target. With paired, each opener met on
    // the way starts a nested skip that consumes its own target. With
    // inclusive the final target stays consumed, else it is read again next.
    // Answers false when the data ends first (everything is then consumed).
    bool ignoreUntil(int target, bool paired, int with, bool inclusive);

    std::string_view data() const { return {reinterpret_cast<const char*>(bytes_), length_}; }
    std::size_t length() const { return length_; }
    std::size_t offset() const { return offset_; }

    // Lets go of the data.
    void close();

protected:
    // The bytes from the read position on.
    const unsigned char* bytes() const { return bytes_; }
    void setOffset(std::size_t offset) { offset_ = offset < length_ ? offset : length_; }

private:
    std::shared_ptr<const void> keep_;
    const unsigned char* bytes_ = nullptr;
    std::size_t length_ = 0;
    std::size_t offset_ = 0;
};
