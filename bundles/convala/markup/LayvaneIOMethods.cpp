#include "bundles/convala/markup/LayvaneIOMethods.h"

#include "bundles/convala/markup/RTFContext.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynMarkupDispatcher.h"

#include <memory>

RTFContext* LayvaneIOMethods::rtfContext()
{
    static const std::unique_ptr<RTFContext> context = std::make_unique<RTFContext>();
    return context.get();
}

ZynDispatchTable* LayvaneIOMethods::markupDispatchTable()
{
    static const std::unique_ptr<ZynDispatchTable> table = std::make_unique<ZynDispatchTable>();
    return table.get();
}

ZynMarkupDispatcher* LayvaneIOMethods::markupDispatcher()
{
    static const std::unique_ptr<ZynMarkupDispatcher> dispatcher =
        std::make_unique<ZynMarkupDispatcher>(markupDispatchTable());
    return dispatcher.get();
}
