#include "core/Exception.h"

namespace kit {

Exception::Exception(std::string name, std::string reason)
    : name_(std::move(name)), reason_(std::move(reason)), what_(name_ + ": " + reason_)
{
}

void Exception::raise(const std::string& name, const std::string& reason)
{
    throw Exception(name, reason);
}

} // namespace kit
