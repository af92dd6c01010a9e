// The root of the swap-view archives (fuzz target and seeds): the objects
// of an interface file in a list, each written in full, so that the swap
// views' and panels' conditional references to them are kept.

#pragma once

#include "appkit/PopUpButton.h"
#include "appkit/TextField.h"
#include "core/Coder.h"
#include "view/ZynSizableSwapView.h"

#include <string>
#include <vector>

namespace fuzz {

class SwapArchiveList : public kit::Object {
public:
    std::string className() const override { return "SwapArchiveList"; }
    void encodeWithCoder(kit::Coder& coder) const override
    {
        const int count = static_cast<int>(objects.size());
        coder.encodeValuesOfObjCTypes("i", count);
        for (const kit::Object* object : objects)
            coder.encodeObject(object);
    }
    kit::Object* initWithCoder(kit::Coder& coder) override
    {
        int count = 0;
        coder.decodeValuesOfObjCTypes("i", &count);
        if (count < 0)
            return nullptr;
        coder.checkUnitCount("@", static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            objects.push_back(coder.decodeObject());
        return this;
    }
    // Not owned: the decoder's pool keeps them.
    std::vector<const kit::Object*> objects;
};

// The classes such a file holds: the list, swap views and linked panels,
// their pop-up buttons and text fields.
inline void registerSwapArchiveClasses()
{
    kit::registerClass<SwapArchiveList>("SwapArchiveList");
    ZynSizableSwapView::initialize();
    kit::registerClass<kit::PopUpButton>("NSPopUpButton");
    kit::registerClass<kit::TextField>("NSTextField");
}

} // namespace fuzz
