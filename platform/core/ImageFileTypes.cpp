#include "core/ImageFileTypes.h"

namespace kit {

namespace {
std::vector<std::string> builtIn() { return {"tiff", "tif", "eps", "eqn", "ai"}; }

std::vector<std::string>& current()
{
    static std::vector<std::string> types = builtIn();
    return types;
}
} // namespace

const std::vector<std::string>& ImageFileTypes::imageFileTypes() { return current(); }

void ImageFileTypes::setImageFileTypes(std::vector<std::string> types) { current() = std::move(types); }

void ImageFileTypes::reset() { current() = builtIn(); }

} // namespace kit
