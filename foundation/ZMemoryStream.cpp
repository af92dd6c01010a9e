#include "foundation/ZMemoryStream.h"

#include "core/FileManager.h"
#include "core/Locale.h"

#include <cstdarg>

ZMemoryStream::ZMemoryStream() : data_(std::make_unique<std::string>()) {}

ZMemoryStream::~ZMemoryStream() { close(); }

int ZMemoryStream::write(const void* bytes, int size)
{
    if (!data_ || size <= 0 || !bytes)
        return 0;
    data_->append(static_cast<const char*>(bytes), static_cast<std::size_t>(size));
    return size;
}

int ZMemoryStream::putc(int c)
{
    if (!data_)
        return -1;
    data_->push_back(static_cast<char>(c));
    return static_cast<unsigned char>(c);
}

void ZMemoryStream::printf(const char* format, ...)
{
    if (!data_ || !format)
        return;
    std::va_list args;
    va_start(args, format);
    data_->append(kit::vformatString(format, args));
    va_end(args);
}

bool ZMemoryStream::saveToFile(const std::string& path) const
{
    if (!data_)
        return false;
    return kit::FileManager::writeFileAtomically(path, std::string_view(*data_));
}

void ZMemoryStream::close() { data_.reset(); }
