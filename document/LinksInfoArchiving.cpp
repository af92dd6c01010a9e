#include "document/LinksInfo.h"

#include "core/Coder.h"
#include "core/Exception.h"
#include "core/Values.h"
#include "document/LayoutDocument.h"
#include "foundation/ArrayExtensions.h"
#include "items/Item.h"
#include "text/GraphicLink.h"

namespace {

[[noreturn]] void damaged(const std::string& why)
{
    kit::Exception::raise(kit::ArchiverArchiveInconsistencyException, "damaged links list: " + why);
}

} // namespace

void LinksInfo::encodeWithCoder(kit::Coder& coder) const
{
    coder.encodeConditionalObject(document_);
    std::vector<const kit::Object*> links;
    for (GraphicLink* link : this->links())
        if (const auto* object = dynamic_cast<const kit::Object*>(link))
            links.push_back(object);
    coder.encodeArray(links);
    const char flag = notifyDocumentPanel_ ? 1 : 0;
    coder.encodeValuesOfObjCTypes("c", flag);
}

kit::Object* LinksInfo::initWithCoder(kit::Coder& coder)
{
    const float version = coder.openFileVersion();
    kit::Object* document = nullptr;
    kit::Object* list = nullptr;
    if (kit::isCurrentFileVersion(version)) {
        document = coder.decodeObject();
        list = coder.decodeObject();
        char flag = 0;
        coder.decodeValuesOfObjCTypes("c", &flag);
        notifyDocumentPanel_ = (flag & 1) != 0;
    } else if (version >= 2.0f) {
        coder.decodeValuesOfObjCTypes("@@", &document, &list);
        short flag = 0;
        coder.decodeValuesOfObjCTypes("s", &flag);
        notifyDocumentPanel_ = (flag & 1) != 0;
    } else {
        char flags = 0;
        coder.decodeValuesOfObjCTypes("@@c", &document, &list, &flags);
        notifyDocumentPanel_ = (flags & 1) != 0;
    }
    if (document && !dynamic_cast<LayoutDocument*>(document))
        damaged("a " + document->className() + " where the document was stored");
    if (list && !dynamic_cast<kit::Array*>(list))
        damaged("a " + list->className() + " where the links were stored");
    document_ = static_cast<LayoutDocument*>(document);
    list_.clear();
    // Only graphic links join the list; the list does not own them.
    for (kit::Object* link : initWithNXList<kit::Object>(static_cast<kit::Array*>(list)))
        addLink(link);
    return this;
}
