#include "document/Guide.h"

#include "core/Coder.h"
#include "core/Exception.h"

void Guide::initialize()
{
    kit::registerClass<Guide>("Guide");
}

void Guide::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeValuesOfObjCTypes("fc", location_, orientation_);
    coder.encodeConditionalObject(delegate_);
    coder.encodeConditionalObject(partner_);
}

kit::Object* Guide::initWithCoder(kit::Coder& coder)
{
    coder.decodeValuesOfObjCTypes("fc", &location_, &orientation_);
    delegate_ = coder.decodeObject();
    kit::Object* partner = coder.decodeObject();
    partner_ = dynamic_cast<Guide*>(partner);
    if (partner && !partner_)
        throw kit::Exception(kit::ArchiverArchiveInconsistencyException, "a guide's partner is not a guide");
    return this;
}
