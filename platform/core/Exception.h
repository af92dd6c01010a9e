#pragma once

#include <exception>
#include <string>

namespace kit {

// The platform's exception: a name saying what kind of failure, and a reason
// a person can read. Reading, saving and PostScript output trap these.
class Exception : public std::exception {
public:
    Exception(std::string name, std::string reason);

    const std::string& name() const noexcept { return name_; }
    const std::string& reason() const noexcept { return reason_; }
    const char* what() const noexcept override { return what_.c_str(); }

    [[noreturn]] static void raise(const std::string& name, const std::string& reason);

private:
    std::string name_;
    std::string reason_;
    std::string what_;
};

// Names used by the platform itself.
inline constexpr const char* InvalidArgumentException = "NSInvalidArgumentException";
inline constexpr const char* RangeException = "NSRangeException";
inline constexpr const char* ArchiverArchiveInconsistencyException = "NSArchiverArchiveInconsistency";
inline constexpr const char* FileHandleOperationException = "NSFileHandleOperationException";
inline constexpr const char* InternalInconsistencyException = "NSInternalInconsistencyException";

} // namespace kit
