#include "text/InlineImage.h"

#include "graphics/Image.h"

InlineImage::~InlineImage() = default;

InlineImage::Source InlineImage::Source::path(std::string path)
{
    Source s;
    s.kind = Kind::Path;
    s.text = std::move(path);
    return s;
}

InlineImage::Source InlineImage::Source::data(std::string bytes)
{
    Source s;
    s.kind = Kind::Data;
    s.text = std::move(bytes);
    return s;
}

InlineImage::Source InlineImage::Source::picture(std::unique_ptr<kit::Image> image)
{
    Source s;
    s.kind = image ? Kind::Image : Kind::None;
    s.image = std::move(image);
    return s;
}

InlineImage::Factory& InlineImage::factory()
{
    static Factory make;
    return make;
}
