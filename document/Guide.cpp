#include "document/Guide.h"

#include "core/Coder.h"
#include "core/Exception.h"

void Guide::initialize()
{
    kit::registerClass<Guide>("Guide");
}

kit::ColorRef Guide::masterColor()
{
    static const kit::ColorRef color = kit::Color::colorWithDeviceRed(0.5f, 0.85882f, 1.0f, 1.0f);
    return color;
}

kit::ColorRef Guide::pagesColor()
{
    static const kit::ColorRef color = kit::Color::colorWithDeviceRed(0.3098f, 1.0f, 0.41568f, 1.0f);
    return color;
}

// Between the platform's light gray (2/3) and white.
float Guide::masterGray() { return (2.0f / 3.0f + 1.0f) / 2.0f; }

// The platform's dark gray.
float Guide::pagesGray() { return 1.0f / 3.0f; }

std::unique_ptr<Guide> Guide::copy() const
{
    auto copy = std::make_unique<Guide>(location_, orientation_);
    copy->delegate_ = delegate_;
    copy->partner_ = partner_;
    return copy;
}

void forgetPartnerLinks(const std::vector<std::unique_ptr<Guide>>& guides, const Guide* guide)
{
    if (!guide)
        return;
    for (const auto& other : guides)
        if (other && other->partner() == guide)
            other->forgetPartner();
}

void Guide::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeValuesOfObjCTypes("fc", location_, orientation_);
    coder.encodeConditionalObject(dynamic_cast<const kit::Object*>(delegate_.get()));
    coder.encodeConditionalObject(partner_.get());
}

kit::Object* Guide::initWithCoder(kit::Coder& coder)
{
    coder.decodeValuesOfObjCTypes("fc", &location_, &orientation_);
    delegate_ = dynamic_cast<GuideDelegate*>(coder.decodeObject());
    kit::Object* partner = coder.decodeObject();
    Guide* guide = dynamic_cast<Guide*>(partner);
    if (partner && !guide)
        throw kit::Exception(kit::ArchiverArchiveInconsistencyException, "a guide's partner is not a guide");
    partner_ = guide;
    return this;
}
