#include "document/PageSet.h"

#include "core/Coder.h"

void PageSet::initialize()
{
    kit::registerClass<PageSet>("PageSet");
}

void PageSet::encodeWithCoder(kit::Coder& coder) const
{
    Page::encodeWithCoder(coder);
    coder.encodeValuesOfObjCTypes("ss", pageOffset_, pageCount_);
}

kit::Object* PageSet::initWithCoder(kit::Coder& coder)
{
    Page::initWithCoder(coder);
    coder.decodeValuesOfObjCTypes("ss", &pageOffset_, &pageCount_);
    return this;
}
