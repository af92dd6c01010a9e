// The base document's own part of a stored document. The layout document
// does not store it, but older programs' archives of other document classes
// do.

#include "document/Document.h"

#include "core/Coder.h"

void Document::encodeWithCoder(kit::Coder& coder) const
{
    if (filename_.empty())
        coder.encodeObject(nullptr);
    else
        coder.encodeString(filename_);
    coder.encodeString(fileFormat_);
    coder.encodeValuesOfObjCTypes("ss", short(named_ ? 1 : 0), short(template_ ? 1 : 0));
}

kit::Object* Document::initWithCoder(kit::Coder& coder)
{
    const float version = coder.openFileVersion();
    if (kit::isCurrentFileVersion(version)) {
        std::optional<std::string> name = coder.decodeString();
        std::optional<std::string> format = coder.decodeString();
        short named = 0;
        short isTemplate = 0;
        coder.decodeValuesOfObjCTypes("ss", &named, &isTemplate);
        filename_ = name.value_or(std::string());
        fileFormat_ = format.value_or(std::string());
        named_ = (named & 1) != 0;
        template_ = (isTemplate & 1) != 0;
    } else if (version >= 2.0f) {
        std::optional<std::string> name;
        coder.decodeValuesOfObjCTypes("*", &name);
        short dropped = 0;
        short named = 0;
        short isTemplate = 0;
        coder.decodeValuesOfObjCTypes("sss", &dropped, &named, &isTemplate);
        if (name)
            filename_ = *name;
        named_ = (named & 1) != 0;
        template_ = (isTemplate & 1) != 0;
    } else {
        std::optional<std::string> name;
        char flags = 0;
        coder.decodeValuesOfObjCTypes("*c", &name, &flags);
        if (name)
            filename_ = *name;
        // The whole flags byte: edited, named, template, read-only.
        edited_ = (flags & 1) != 0;
        named_ = (flags & 2) != 0;
        template_ = (flags & 4) != 0;
        readOnly_ = (flags & 8) != 0;
    }
    return this;
}
