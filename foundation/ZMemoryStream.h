#pragma once

// A growable in-memory output stream; the result is taken as data or saved
// to a file. Import/export streams derive from it.

#include <memory>
#include <string>

class ZMemoryStream {
public:
    ZMemoryStream();
    virtual ~ZMemoryStream();
    ZMemoryStream(const ZMemoryStream&) = delete;
    ZMemoryStream& operator=(const ZMemoryStream&) = delete;

    // The collected bytes; null once the stream is closed.
    std::string* data() { return data_.get(); }
    const std::string* data() const { return data_.get(); }

    // Answers the length appended (0 after close or for a negative length).
    int write(const void* bytes, int size);
    // Answers the byte appended, -1 after close.
    int putc(int c);
    // printf's conventions, in the "C" locale, with no length limit.
    void printf(const char* format, ...) __attribute__((format(printf, 2, 3)));
    // Atomic: the file holds either its old contents or all the new bytes.
    bool saveToFile(const std::string& path) const;
    void close();

private:
    std::unique_ptr<std::string> data_;
};
