#include "bundles/convala/markup/ConvalaClasses.h"

#include "bundles/convala/markup/ZynActor.h"
#include "bundles/convala/markup/ZynDispatchTable.h"
#include "bundles/convala/markup/ZynMarkupDispatcher.h"

void ConvalaClasses::initialize()
{
    ZynActor::initialize();
    ZynDispatchTable::initialize();
    ZynMarkupDispatcher::initialize();
}
